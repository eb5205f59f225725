#pragma once

#include "BaudAdvice.h"
#include "BaudReload.h"
#include "Calculation.h"
#include "ChipTable.h"
#include "Messages.h"
#include "Precision.h"
#include "SourceGenerator.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "VendorHeader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlet {

struct TimerConfig {
    bool enabled = false;
    bool counter = false; // C/T = 1: count pulses on the Tx pin
    int mode = 0; // 0, 1 or 2; timer 2's one mode is 0
    std::uint32_t value = 1; // microseconds, or pulses when counting
    bool gate = false; // TMOD GATE: runs (or counts) only while INTx is high; not on timer 2
    std::uint32_t postscale = 1; // interrupts per run of the user's code, 1 to kMaxPostscale
    // The clock choice (its clocks per count); empty: the chip's default
    // (1T on STC15/STC8, 12 clocks elsewhere).
    std::optional<std::uint32_t> clock = std::nullopt;
};

// A whole configuration of the window, as a user would set it.
struct Configuration {
    std::uint32_t crystalHz = 12000000;
    // The custom frequency as the custom-frequency dialog takes it, where the
    // crystal was given in MHz off the list: the MHz box then shows what was
    // typed. Empty: found from crystalHz.
    std::optional<float> customMhz;
    bool comments = false;
    std::optional<TriggerMode> int0;
    std::optional<TriggerMode> int1;
    std::array<TimerConfig, kMaxTimers> timers; // by timer number
    std::optional<int> uartBaudIndex; // index into kBaudRates; empty: no serial port
    std::uint32_t uartCustomBaud = 0; // the rate at kCustomBaudIndex
    bool uartDoubleBaud = false;
    bool uartInterrupt = false;
    Precision precision = Precision::Classic;
    // Timers in modes 0 and 1 add the reload to the running count.
    bool driftFree = false;
    // What another chip than the default 8051 adds. At its defaults the
    // configuration is the 8051's, and everything generated is as it always was.
    Chip chip;
    bool sixT = false; // STC89 programmed in 6T mode
    int uartTimer = 1; // the timer that clocks the serial port: 1 or 2
    // The vendor's header the user includes in place of the declarations
    // (UTF-8; STC15/STC8 only). Empty: not named.
    std::optional<std::string> vendorHeader;
    // Refuse a serial port whose real rate deviates further, in per cent.
    std::optional<double> maxBaudDeviationPercent;

    TimerConfig& timer(int number) { return timers.at(static_cast<std::size_t>(number)); }
    const TimerConfig& timer(int number) const { return timers.at(static_cast<std::size_t>(number)); }
};

// What the window holds once the user has set everything: the generator's
// record plus the texts of the displays for the blocks in use.
struct ResolvedConfiguration {
    GeneratorSettings settings;
    std::array<std::string, kMaxTimers> reloadTexts; // of the timers in use
    std::string baudReloadText;
    std::string baudErrorText;
    std::optional<BaudCalculation> baud; // the serial computation, when the port is in use
    // Where its real rate is beyond kBaudTolerancePercent: what would fix it (BaudFixesFor).
    std::vector<BaudFix> baudFixes;
    std::array<std::optional<TimerCalculation>, kMaxTimers> timers; // the computations of the timers in use
};

// Why a configuration was refused.
enum class ConfigErrorCode {
    CrystalOutOfRange, // not from kMinCustomMhz to kMaxCustomMhz
    CrystalNotReachable, // no custom frequency of the window gives exactly crystalHz
    TimerModeUnknown, // a timer mode other than 0, 1 or 2
    PostscaleOutOfRange, // a software count other than 1 to kMaxPostscale
    Timer1WithSerialPort, // timer 1 is the baud-rate generator
    BaudRateUnknown, // a baud index outside kBaudRates
    TimerOutOfRange, // the window would correct the period or count
    BaudRateDoesNotFit, // the window would fall back to another rate
    DriftFreeOutOfRange, // a count the running-count reload cannot keep exact
    ChipTrap, // the chip has no such timer, mode, clock or baud source
    DoubleBaudWithoutEffect, // PCON.SMOD does not reach the chosen baud source
    DriftFreeNeedsHardwareReload, // STC mode 1 while mode 0 reloads in hardware
    VendorHeaderUnsafe, // the name cannot stand in the include line
    BaudRateUnreachable, // a rate off the list that the source cannot make
    BaudDeviationTooLarge, // the real rate further off than maxBaudDeviationPercent
};

// A refusal with its numbers; the front ends put it into words.
struct ConfigError {
    ConfigErrorCode code = ConfigErrorCode::CrystalOutOfRange;
    std::uint32_t crystalHz = 0;
    Message message; // the window's message, for the two range errors
    // TimerOutOfRange: the timer, its kind and mode, the value asked for, the
    // most the mode accepts (what the window corrects it to) and the range
    // error as the chip counts it, with the splits that reach a period with
    // the software counter (the one the hardware reload keeps exact first).
    int timer = 0;
    bool counter = false;
    int mode = 0;
    std::uint32_t value = 0;
    std::uint32_t limit = 0;
    std::uint32_t postscale = 1;
    std::optional<RangeError> range;
    bool driftFree = false;
    // DriftFreeOutOfRange: the timer and mode as above, its count in
    // `value` and the counts drift-free timing keeps exact there.
    std::uint64_t minCount = 0;
    std::uint64_t maxCount = 0;
    // BaudRateDoesNotFit: the rate asked for and the doubling.
    std::uint32_t rate = 0;
    bool doubled = false;
    // BaudRateUnreachable: the rates the source makes (none: both 0).
    std::optional<BaudRange> reachable;
    // BaudDeviationTooLarge: the serial port as computed, its deviation,
    // the most allowed, and what would fix it.
    std::optional<BaudCalculation> baud;
    double deviationPercent = 0;
    double maxDeviationPercent = 0;
    std::vector<BaudFix> baudFixes;
    // ChipTrap: what the chip refused (timer and mode above where they
    // apply). DoubleBaudWithoutEffect and DriftFreeNeedsHardwareReload name
    // the chip as well.
    Chip chip;
    ChipErrorCode chipError = ChipErrorCode::NoSuchTimer;
    std::uint32_t clock = 12;
    int uartTimer = 1;
    // VendorHeaderUnsafe: what is wrong with the name.
    HeaderNameProblem headerProblem;
};

struct ResolveResult {
    std::optional<ResolvedConfiguration> resolved;
    std::optional<ConfigError> error; // set when `resolved` is empty
};

// The serial port runs on timer 1, so the two are never in use together.
// (On a chip with timer 2, the port may run on timer 2 instead.)
bool Timer1ClashesWithSerialPort(const Configuration& config);

// The baud source the serial port uses on `chip` from timer 1 or 2: timer 1
// in mode 2 on the classic chips, in mode 0 on STC15/STC8. Timer 2 on a
// chip without it: Timer2, which the chip refuses.
BaudSource BaudSourceFor(Chip chip, int uartTimer);

// Sets `config` in the window's model as a user would, from the first state
// of the window, and returns what the window then holds. Anything the
// window would correct with a message is an error here.
ResolveResult ResolveConfiguration(const Configuration& config);

// Every listed rate as the serial port would make it with the
// configuration's chip, crystal, timer, clock and doubling (the rate asked
// for, if any, aside).
struct BaudTableResult {
    std::vector<BaudTableRow> rows;
    BaudRequest request; // the source, doubling and clock the rows share
    std::optional<ConfigError> error; // the configuration refused: no rows
};
BaudTableResult BaudTableFor(const Configuration& config);

} // namespace orlet
