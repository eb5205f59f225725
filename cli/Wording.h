#pragma once

#include "ChipTable.h"
#include "Configuration.h"
#include "SettingsFile.h"

#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace orlet {

struct CpuShare;

// orlet-gen's English: the refusals of the core's structured errors, the
// warnings, and the parts of the help and of the parse errors that come
// from the chip table and the limits' constants.

// Every character, a leading U+FEFF too (QString::fromUtf8 drops it).
QString FromUtf8(std::string_view text);
QString Latin1(std::string_view text);

// "a, b or c" ("a, b and c" with `word` "and"), as the help and the
// refusals list choices.
QString Listed(const QStringList& choices, const char* word = "or");

// The keys of the chips for which `has` holds, in the table's order.
template <typename Has> QStringList ChipKeyList(Has has)
{
    QStringList keys;
    for (std::string_view key : KeysWhere(has))
        keys << Latin1(key);
    return keys;
}

template <typename Has> QString ChipKeys(Has has, const char* word = "or")
{
    return Listed(ChipKeyList(has), word);
}

// Shows the control and format characters an argument may carry (a line
// feed, an escape, U+202E) as C escapes, so that a message stays one line
// and reads as it is.
QString EscapeControls(const QString& text);

// A refused configuration in words, with the window's message first where
// the window would have raised one.
QString RefusalText(const ConfigError& e, const Configuration& config);

// A settings file refused: what is wrong, naming the member ("timer0.us"),
// and for the window's own refusals RefusalText's words.
QString SettingsErrorWords(const SettingsError& e);

// A GBK text that cannot hold the vendor header's name, or another text.
QString HeaderWithoutGbkText(const Configuration& config);
QString SourceWithoutGbkText();

// A timer whose routine takes a large share of the CPU, or more than its period.
QString CpuShareWarning(int timer, const CpuShare& share);

// A fix of the serial port's rate as orlet-gen's flags, with the rate it
// gives: "--uart-timer 2 (9615.38 bit/s, +0.16%)". `doubled`: the doubling
// asked for, which a fix may take away.
QString BaudFixText(const BaudFix& fix, bool doubled);
// The serial port's real rate beyond the tolerance, and what would fix it.
QString BaudDeviationWarning(const BaudCalculation& baud, const std::vector<BaudFix>& fixes, bool doubled);
// --baud-table: every listed rate, one a line.
QString BaudTableText(const BaudTableResult& table, const Configuration& config);

// "0, 1 or 2": the modes --timer0 and --timer1 take at the default chip.
QString DefaultChipModes(const char* word = "or");

// The names of ClockChoices(): orlet-gen's words, "1t", "12t".
QStringList ClockNames();

// The chips on which timer `timer` may count at `clock` clocks.
QString ChipsClocking(int timer, std::uint32_t clock);

// Help texts made from the tables.
QString CrystalHelp();
QString ChipHelp();
QString BaudRateList();
QString PostscaleHelp(int timer);
QString SixTHelp();
QString Timer2Help();
QString UartTimerHelp();
QString HeaderHelp();

// The ranges the numbers of the options take ("from LOW to HIGH"), each
// formatted from the constants that hold its limits.
QString PostscaleRange();
QString WholeNumberRange();
QString CrystalRange();

} // namespace orlet
