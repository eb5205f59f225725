#pragma once

#include "ChipExplain.h"
#include "ChipTable.h"
#include "ChipTiming.h"
#include "Explain.h"
#include "TimerReload.h"
#include "TimerTiming.h"

#include <cstdint>
#include <string>

namespace orlet {

// The window's Chinese texts (UTF-8) for what a timer or the serial port
// really does: the real-period lines and the tooltips of the displays. They
// put the same derivation into words as FormatDerivation does in English.

// "实际 1007.00us +0.70% 每天 +605s": the period from one run of the user's
// code to the next as the firmware runs, its error, and the drift a day
// where there is one; where the routine takes a large share of the CPU,
// " 占CPU约 45%" in place of the drift a day, and only "占CPU约 100%，
// 周期无法保持" where the routine cannot keep the period.
std::string RealPeriodLine(const TimerTiming& timing);

// What the real-period line shows after a range error: the split exact with
// the hardware reload first, then the other one, or that there is none.
std::string RangeHintLine(const TimerTiming& timing, int mode);

// What the real-period line shows when drift-free timing cannot keep the
// count exact: the split exact with the hardware reload, or the counts it
// keeps.
std::string DriftFreeLimitLine(const TimerTiming& timing, int mode);

// The first line of the reload tooltip then: why, and that Generate
// writes nothing.
std::string DriftFreeLimitNote(int mode, std::uint64_t count);

// Item `index` of a timer's mode list (0-2 timer modes 0-2, 3-5 counter
// modes 0-2): "定时方式1" on the classic timers, named for what the mode
// does where the chip's modes differ ("定时16位自动重装" on STC).
std::string ModeItemText(Chip chip, int timer, int index);

// Tooltip of a timer's reload display after a calculation in range.
std::string TimerDerivationTip(int timer, std::uint32_t crystalHz, const TimerDerivation& d);

// Tooltip of a timer's reload display after a range error: the limit and
// the splits with what each costs.
std::string TimerRangeTip(int timer, bool counter, int mode, std::uint32_t asked, const TimerReload& reload,
    const TimerTiming& timing, std::uint32_t crystalHz);

// Tooltip of the serial block's displays.
std::string BaudDerivationTip(std::uint32_t crystalHz, const BaudDerivation& b);

// Off the 8051: the real-period line of a timer from the chip's working.
// Where the routine reloads on a 1T core no cycle count describes it: the
// line gives the counted period and says the reload's latency comes on top.
std::string ChipRealPeriodLine(const ChipTimerDerivation& d, std::uint32_t crystalHz);

// Off the 8051: the tooltip of a timer's reload display.
std::string ChipTimerDerivationTip(const ChipTimerDerivation& d, std::uint32_t crystalHz, bool sixT);

// Off the 8051, after a range error: the real-period line's hint (the
// exact split first, as RangeHintLine) and the reload display's tooltip.
std::string ChipRangeHintLine(const ChipRangeError& range);
std::string ChipRangeTip(const ChipRangeError& range, Chip chip, std::uint32_t crystalHz, bool driftFree);

// Off the 8051, where drift-free timing cannot keep a timer's count: the
// real-period line and the first line of the reload tooltip.
std::string ChipDriftFreeLimitLine(const ChipDriftFreeLimit& limit);
std::string ChipDriftFreeLimitNote(const ChipDriftFreeLimit& limit);

// Off the 8051: the tooltip of the serial block's displays.
std::string ChipBaudDerivationTip(const ChipBaudDerivation& d);

} // namespace orlet
