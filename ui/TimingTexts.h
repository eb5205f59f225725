#pragma once

#include "Explain.h"
#include "TimerTiming.h"

#include <QString>

#include <cstdint>
#include <optional>

// The window's Chinese texts for what a timer or the serial port really
// does: the real-period lines and the tooltips of the displays. The numbers
// all come from core; these only put them into words.

// "实际 993.92us -0.61%": the whole period (postscale included) and its error.
QString RealPeriodText(const orlet::TimerTiming& timing);

// "可用 62500us × 16": the split that reaches a period too long for the mode.
QString SplitHintText(const orlet::PostscaleSplit& split);

// What the real-period line shows after a range error: the split, or that
// there is none.
QString RangeHintText(const std::optional<orlet::PostscaleSplit>& split);

// Tooltip of a timer's reload display after a calculation in range.
QString TimerDerivationTip(int timer, std::uint32_t crystalHz, const orlet::TimerDerivation& d);

// Tooltip of a timer's reload display after a range error: the limit and
// the split when there is one.
QString TimerRangeTip(int timer, bool counter, int mode, std::uint32_t asked, const orlet::TimerReload& reload,
    const std::optional<orlet::PostscaleSplit>& split);

// Tooltip of the serial block's displays.
QString BaudDerivationTip(std::uint32_t crystalHz, const orlet::BaudDerivation& b);
