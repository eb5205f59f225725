#pragma once

#include "BaudAdvice.h"
#include "Calculation.h"
#include "ChipTable.h"
#include "Derivation.h"
#include "WindowModel.h"

#include <string>
#include <vector>

namespace orlet {

// The window's Chinese texts (UTF-8) for what a timer or the serial port
// really does: the real-period lines and the tooltips of the displays. They
// put the same derivation into words as FormatDerivation does in English.

// Item `index` of a timer's mode list (0-2 timer modes 0-2, 3-5 counter
// modes 0-2): "定时方式1" on the classic timers, named for what the mode
// does where the chip's modes differ ("定时16位自动重装" on STC).
std::string ModeItemText(Chip chip, int timer, int index);

// What a timer's block shows beside its bytes.
struct TimerTexts {
    // "实际 1007.00us +0.70% 每天 +605s": the period from one run of the
    // user's code to the next as the firmware runs, its error, and the drift
    // a day where there is one; after a range error the splits that reach
    // the period; where drift-free timing cannot keep the count, what does.
    std::string line;
    std::string tip; // the reload display's tooltip
};
TimerTexts TimerTextsOf(const TimerShown& shown);

// The parts of it: the line of a calculation in range (empty for a
// counter), the tooltip of its derivation.
std::string RealPeriodLine(const TimerDerivation& d);
std::string TimerTip(const TimerDerivation& d);

// The serial block's tooltip.
std::string BaudTip(const BaudDerivation& d);

// "实际 10416.67bps +8.51%": the serial port's real rate and its deviation
// from the rate asked for.
std::string RealRateLine(const BaudCalculation& baud);
// What a fix changes and what the rate becomes: "用定时器2 9615.38bps +0.16%".
std::string BaudFixText(const BaudFix& fix);
// The first item of the list of fixes, which names it.
inline constexpr const char* kBaudFixesCaption = "改正…";
// The fixes beside the real rate, one a line, and why.
std::string BaudFixesTip(const std::vector<BaudFix>& fixes);
// The rate list's tooltip: each listed rate with its reload, real rate and
// deviation, those beyond the tolerance marked.
std::string BaudTableTip(const std::vector<BaudTableRow>& rows);

} // namespace orlet
