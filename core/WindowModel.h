#pragma once

#include "BaudAdvice.h"
#include "BaudReload.h"
#include "Calculation.h"
#include "Configuration.h"
#include "Crystal.h"
#include "Derivation.h"
#include "Messages.h"
#include "Precision.h"
#include "SourceGenerator.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "Tmod.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlet {

// The last calculation of a timer, which its real-period line and reload
// tooltip describe.
struct TimerRun {
    Arithmetic arithmetic = Arithmetic::Classic; // the chip's at the time
    std::uint32_t crystalHz = 0;
    TimerRequest request; // the period or count computed from, its mode, clock and precision
    std::uint32_t postscale = 1; // at the time: a range error's hint keeps it
    TimerCalculation calculation;
    // After a range error on a chip of exact arithmetic: the value refused;
    // the request is what it was corrected to, and the run is computed from
    // that. (With the classic arithmetic the run is the refused request's,
    // out of range, and the bytes are 0 until the next calculation.)
    std::optional<std::uint32_t> refused;

    bool operator==(const TimerRun&) const = default;
};

// The last calculation of the serial port, which its tooltips describe.
struct BaudRun {
    Arithmetic arithmetic = Arithmetic::Classic; // the chip's at the time
    std::uint32_t crystalHz = 0;
    BaudRequest request; // after any fall-back
    BaudCalculation baud;
    int uartTimer = 1;

    bool operator==(const BaudRun&) const = default;
};

// A timer's block as the user left it on a chip that has the timer, kept
// while the chip chosen has none.
struct KeptTimer {
    bool use = false;
    int modeIndex = 0;
    std::uint32_t time = 1;
    std::string unit = "us";
    std::string reloadText = "ffH,ffH";
    std::uint32_t postscale = 1;

    bool operator==(const KeptTimer&) const = default;
};

// One timer's block as the window shows it (named as the window names its
// members: m_time0, m_th0, m_reload0Text ...), and its last calculation.
struct TimerState {
    bool use = false;
    int modeIndex = 0; // mode list: 0-2 timer modes 0-2, 3-5 counter modes 0-2 (timer 2: 0 or 3)
    bool gate = false; // never set on a timer without GATE (timer 2)
    std::uint32_t time = 1; // the period box: microseconds, or pulses in a counter mode
    std::string unit = "us"; // "us" or "plus"
    // The reload; timer 1's (or timer 2's) holds the serial reload while the
    // port runs on it.
    std::uint8_t th = 0xFF;
    std::uint8_t tl = 0xFF;
    // Capital H at start, small h after a switch-off: users and their notes
    // know both spellings, so neither is unified.
    std::string reloadText = "ffH,ffH";
    std::uint32_t postscale = 1; // the software count, × N
    std::uint32_t clock = 12; // the clock choice: its clocks per count
    // The GATE box goes with its block, but is disabled by a counter mode
    // chosen since the use box was ticked: ticking timer 0 again enables it
    // beside a counter mode the list still shows.
    bool gateEnabled = true;
    std::optional<TimerRun> run; // the last calculation; empty after a switch-off
    // On a chip without this timer: its block as the last chip with one left
    // it, back when a chip with the timer is chosen again.
    std::optional<KeptTimer> kept;

    bool operator==(const TimerState&) const = default;
};

// Everything the main window holds: the ticks and list selections as its
// controls show them, and the settings members the handlers keep in step
// (named as the window names them). No Qt: the window shows it, and
// orlet-gen drives it.
struct WindowModel {
    // Ticks and selections (list indexes as the lists hold them).
    bool comments = false;
    bool copy = false; // Generate puts the text on the clipboard as well
    bool useInt0 = false;
    int trigger0 = 1; // 0 low level; anything else, no selection included, falling edge
    bool useInt1 = false;
    int trigger1 = 1;
    bool useUart = false;
    bool doubleBaud = false;
    bool uartInterrupt = false;
    int baudIndex = kDefaultBaudIndex; // kCustomBaudIndex: the typed rate
    std::uint32_t customBaud = 0; // the typed rate the list keeps; 0: none
    int crystalIndex = kDefaultCrystalIndex; // kCustomCrystalIndex: the custom entry
    bool exact = false;
    bool driftFree = false; // modes 0 and 1 add the reload to the running count

    // Settings members.
    std::uint32_t crystalHz = kDefaultCrystalHz;
    std::string customMhzText; // the MHz box beside the crystal list
    float customMhz = kDefaultCustomMhz; // what the custom dialog handed back, which the box shows
    std::uint8_t tmod = 0;
    std::string baudReloadText;
    std::string baudErrorText = "00%";

    // The timers by number; those the chip lacks stay switched off.
    std::array<TimerState, kMaxTimers> timers;
    // The serial port's last calculation.
    std::optional<BaudRun> baudRun;

    // The chip and what it adds; at "8051" none of it is in use.
    Chip chip;
    bool sixT = false; // STC89: 6 clocks per machine cycle
    int uartTimer = 1; // the timer that clocks the serial port
    // STC15/STC8: the vendor's header the text includes instead of declaring
    // the registers it uses; empty, none.
    std::string vendorHeader;
    Dialect dialect = Dialect::Keil; // the compiler Generate writes for

    TimerState& timer(int number) { return timers.at(static_cast<std::size_t>(number)); }
    const TimerState& timer(int number) const { return timers.at(static_cast<std::size_t>(number)); }

    bool operator==(const WindowModel&) const = default;
};

inline constexpr int kCustomCrystalIndex = static_cast<int>(kCrystals.size());

// The value a message puts right, and what it becomes.
enum class CorrectedField {
    Time, // a timer's period box
    Postscale, // a timer's × N box
    BaudIndex,
};
struct Correction {
    CorrectedField field = CorrectedField::Time;
    int timer = 0; // Time and Postscale: whose box
    std::uint32_t value = 0;

    bool operator==(const Correction&) const = default;
};

// A message to raise, with the window as it stands while the message is up.
struct Notice {
    Message message;
    Correction corrects;
    WindowModel shown;
};

// What a handler leaves: the new model and, in order, the messages raised
// on the way.
struct Transition {
    WindowModel model;
    std::vector<Notice> notices;
};

// The handlers. Each takes the model with the user's change already in it
// (the tick, the selection or the typed number), as the window's handlers
// read their controls, and returns what the window does about it.

// A timer's use box. Switching timer 0 off keeps its mode; timer 1 returns
// to its whole starting state.
Transition OnUseTimer(WindowModel model, int timer);
Transition OnGate(WindowModel model, int timer);
// A mode list: unit, GATE and the TMOD bits, then Recalculate.
Transition OnModeChange(WindowModel model, int timer);
// A period box: the timer's reload from the period.
Transition UpdateTimerReload(WindowModel model, int timer);
// Timer 0, timer 1 and the serial port, each while its use box is ticked.
Transition Recalculate(WindowModel model);
Transition OnUseUart(WindowModel model);
Transition OnDoubleBaud(WindowModel model);
// The baud list: the serial reload from the rate.
Transition UpdateBaudReload(WindowModel model);
// A rate typed for the list's "其他…" entry: a listed one is chosen from the
// list, any other is kept in the list as its custom entry; then the serial
// reload. The dialog refuses first what BaudRateRefusal names.
Transition OnCustomBaud(WindowModel model, std::uint32_t rate);
// Why the serial port cannot take `rate` as it is set now: the rates its
// source makes. Empty when it can.
std::optional<Message> BaudRateRefusal(const WindowModel& model, std::uint32_t rate);
// The crystal list; `customMhz` is what the custom-frequency dialog handed
// back when the custom entry was chosen.
Transition OnCrystalChange(WindowModel model, float customMhz = kDefaultCustomMhz);
Transition OnExactChange(WindowModel model);
// The drift-free box: the bytes stay, only what the routine makes of them
// changes, so nothing is computed.
Transition OnDriftFreeChange(WindowModel model);
// A software-count box; `before` is the count it held before the change.
Transition OnPostscaleChange(WindowModel model, int timer, std::uint32_t before);

// The chip list: each timer at the chip's default clock, 6T off where the
// chip has none, timer 2 and the serial port on timer 2 off where it has
// no timer 2 (timer 2's block comes back with the next chip that has one);
// then Recalculate.
Transition OnChipChange(WindowModel model);
// The 6T box and a timer's 1T/12T choice: Recalculate.
Transition OnSixTChange(WindowModel model);
Transition OnTimerClockChange(WindowModel model, int timer);
// The serial port's timer: while the port is in use, the timer it takes
// is switched off and the serial reload computed.
Transition OnUartTimerChange(WindowModel model);

Precision PrecisionOf(const WindowModel& model);

// Whether PCON.SMOD doubles the rate of the serial port's timer: only timer
// 1 in mode 2 feels it. Where it does not, the doubling box is off.
bool SmodDoublesRate(const WindowModel& model);

// The mode and kind of a timer: from TMOD for timers 0 and 1, from the mode
// list for timer 2.
ModeListEntry TimerModeOf(const WindowModel& model, int timer);

// The one way from the window's settings to the generator's record.
GeneratorSettings SettingsFor(const WindowModel& model);

// Why Generate writes nothing: a vendor header's name the include line
// cannot hold, then what DriftFreeRefusal says.
std::optional<Message> GenerateRefusal(const WindowModel& model);

// Why Generate writes nothing: with drift-free timing, a timer in use in
// mode 0 or 1 whose bytes stand for a count the routine cannot keep exact,
// or an STC timer reloading in its routine (orlet-gen --drift-free refuses
// the same settings).
std::optional<Message> DriftFreeRefusal(const WindowModel& model);

// The configuration the model's ticks and values stand for, as orlet-gen
// would be asked for it.
Configuration ConfigurationOf(const WindowModel& model);

// The model for `config`, set from the first state as ResolveConfiguration
// sets it, with the same refusals but for what the window holds and only
// Generate refuses (drift-free timing it cannot keep, a header's name the
// include line cannot hold).
struct ModelResult {
    std::optional<WindowModel> model;
    std::optional<ConfigError> error; // set when `model` is empty
};
ModelResult WindowModelFor(const Configuration& config);

// Every in-use block has been calculated from what it shows now: then the
// model holds exactly what resolving ConfigurationOf(model) gives.
bool IsSettled(const WindowModel& model);

// What a timer's last calculation really gives with its software count
// now: how it came about, and after a range error what was refused and the
// splits that reach it; with drift-free timing, why Generate refuses it.
struct TimerShown {
    int timer = 0;
    Chip chip;
    std::uint32_t crystalHz = 0;
    // The run in range: with the classic arithmetic none after a range error.
    std::optional<TimerDerivation> derivation;
    // After a range error: what was refused, with the software count at the time.
    std::optional<RangeError> range;
    // Drift-free timing asked for what the routine cannot keep exact: the
    // derivation is the plain reload's.
    std::optional<DriftFreeLimit> driftFreeLimit;
    bool driftFree = false; // as the model asks for it
};
// Empty before the first calculation and after a switch-off.
std::optional<TimerShown> DescribeTimer(const WindowModel& model, int timer);

// How the serial port's last calculation came about.
std::optional<BaudDerivation> DescribeBaud(const WindowModel& model);

// The serial port's request as the model sets it now.
BaudRequest BaudRequestOf(const WindowModel& model);

// Where the serial port is in use and its real rate is beyond
// `tolerancePercent`: each kind of change that brings it within (a crystal within
// kCrystalFixPercent), best first, each found by making it on the model as
// a user would and raising no message. Empty otherwise.
std::vector<BaudFix> BaudFixesFor(const WindowModel& model, double tolerancePercent = kBaudTolerancePercent);
// The fix made as the user would make it, and its handler run.
Transition ApplyBaudFix(WindowModel model, const BaudFix& fix);

} // namespace orlet
