#pragma once

#include "ChipExplain.h"
#include "ChipTable.h"
#include "ChipTiming.h"
#include "Explain.h"
#include "TimerTiming.h"

#include <QString>

#include <cstdint>

// The window's Chinese texts for what a timer or the serial port really
// does, as core words them (orlet/WindowTexts.h).

// Item `index` of a timer's mode list on `chip`.
QString ModeItemText(orlet::Chip chip, int timer, int index);

// "实际 1007.00us +0.70% 每天 +605s".
QString RealPeriodText(const orlet::TimerTiming& timing);

// What the real-period line shows after a range error in `mode`.
QString RangeHintText(const orlet::TimerTiming& timing, int mode);

// What the real-period line shows when drift-free timing cannot keep the count.
QString DriftFreeLimitText(const orlet::TimerTiming& timing, int mode);

// Tooltip of a timer's reload display after a calculation in range.
QString TimerDerivationTip(int timer, std::uint32_t crystalHz, const orlet::TimerDerivation& d);

// The same, headed by why drift-free timing cannot keep its count.
QString DriftFreeLimitTip(int timer, std::uint32_t crystalHz, const orlet::TimerDerivation& d);

// Tooltip of a timer's reload display after a range error.
QString TimerRangeTip(int timer, bool counter, int mode, std::uint32_t asked, const orlet::TimerReload& reload,
    const orlet::TimerTiming& timing, std::uint32_t crystalHz);

// Tooltip of the serial block's displays.
QString BaudDerivationTip(std::uint32_t crystalHz, const orlet::BaudDerivation& b);

// Off the 8051: a timer's real-period line and reload tooltip from the
// chip's working, and the serial block's tooltip.
QString ChipRealPeriodText(const orlet::ChipTimerDerivation& d, std::uint32_t crystalHz);
QString ChipTimerTip(const orlet::ChipTimerDerivation& d, std::uint32_t crystalHz, bool sixT);
QString ChipBaudTip(const orlet::ChipBaudDerivation& d);

// Off the 8051: the hint line and the tooltip after a range error, and
// the line and the tooltip's first line where drift-free timing refuses.
QString ChipRangeHintText(const orlet::ChipRangeError& range);
QString ChipRangeTip(const orlet::ChipRangeError& range, orlet::Chip chip, std::uint32_t crystalHz, bool driftFree);
QString ChipDriftFreeLimitText(const orlet::ChipDriftFreeLimit& limit);
QString ChipDriftFreeLimitNote(const orlet::ChipDriftFreeLimit& limit);
