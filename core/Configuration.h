#pragma once

#include "BaudReload.h"
#include "Precision.h"
#include "SourceGenerator.h"
#include "TimerReload.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orlet {

struct TimerConfig {
    bool enabled = false;
    bool counter = false; // C/T = 1: count pulses on the Tx pin
    int mode = 0; // 0, 1 or 2
    std::uint32_t value = 1; // microseconds, or pulses when counting
    bool gate = false; // timer kinds only
    std::uint32_t postscale = 1; // interrupts per run of the user's code, 1 to kMaxPostscale
};

// A whole configuration of the window, as a user would set it.
struct Configuration {
    std::uint32_t crystalHz = 12000000;
    bool comments = false;
    std::optional<TriggerMode> int0;
    std::optional<TriggerMode> int1;
    TimerConfig timer0;
    TimerConfig timer1;
    std::optional<int> uartBaudIndex; // index into kBaudRates; empty: no serial port
    bool uartDoubleBaud = false;
    bool uartInterrupt = false;
    Precision precision = Precision::Classic;
    // Timers in modes 0 and 1 add the reload to the running count.
    bool driftFree = false;
};

// What the window holds once the user has set everything: the generator's
// record plus the texts of the displays for the blocks in use.
struct ResolvedConfiguration {
    GeneratorSettings settings;
    std::string reload0Text;
    std::string reload1Text;
    std::string baudReloadText;
    std::string baudErrorText;
    std::optional<BaudReload> baud; // the serial computation, when the port is in use
    std::array<std::optional<TimerReload>, 2> timers; // the reload computations of the timers in use
};

struct ResolveResult {
    std::optional<ResolvedConfiguration> resolved;
    std::string error; // set when `resolved` is empty (UTF-8)
};

// TMOD image for the two timers (mode bits, C/T, and GATE for timer kinds).
std::uint8_t TmodFor(const TimerConfig& timer0, const TimerConfig& timer1);

// The serial port runs on timer 1, so the two are never in use together.
bool Timer1ClashesWithSerialPort(const Configuration& config);

// Computes every byte the window would compute for `config`. Anything the
// window would correct with a message is an error here.
ResolveResult ResolveConfiguration(const Configuration& config);

} // namespace orlet
