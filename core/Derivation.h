#pragma once

#include "Calculation.h"
#include "ChipTable.h"
#include "RoutineTiming.h"
#include "SourceGenerator.h"
#include "TimerTiming.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace orlet {

struct Configuration;
struct ResolvedConfiguration;

// How one timer's reload and period came about, and how the serial port's
// rate did, as steps with their numbers, in the order they are told. The
// same steps are put into English (--explain, FormatDerivation) and into the
// window's Chinese (WindowTexts); the JSON reads them too. Where the chip
// counts with the original program's classic arithmetic the steps are told
// in its words (machine cycles, TH0/TL0), elsewhere in the words of the
// chip's counts and registers.

// What a timer's count is taken from.
enum class CountMethod {
    WholeMegahertz, // the crystal in whole megahertz, truncated: the classic count
    ExactHalfUp, // the exact crystal rounded half up, asked for on a chip of classic arithmetic
    ExactScaled, // the exact crystal at the timer's clocks per count, as every other chip counts
    Pulses, // a counter: pulses on its pin
};

// How the timer is set going again after each overflow.
enum class ReloadKind {
    Hardware, // the chip reloads; the routine writes nothing
    RunningAdd, // drift-free: the routine adds the reload to the running count
    Routine, // the routine reloads, its latency counted instruction by instruction
    RoutineUncounted, // the routine reloads; no figure here tells its latency (a 1T core, a counter)
};

namespace step {

    struct Header {
        int timer = 0;
        bool counter = false;
        int mode = 0;
        CounterKind kind = CounterKind::Bits16;
        const char* meaning = ""; // what the mode does, in the window's words
        std::uint32_t value = 0; // microseconds, or pulses
        bool gate = false;
        std::uint32_t clocksPerCount = 12;
        bool sixT = false;
    };

    struct Count {
        CountMethod method = CountMethod::ExactScaled;
        std::uint32_t crystalHz = 0;
        std::uint32_t value = 0;
        std::uint32_t wholeMhz = 0; // the crystal in whole megahertz
        std::uint32_t clocksPerCount = 12;
        std::uint64_t count = 0;
        bool raised = false; // a period under one count still counts 1
        std::uint64_t classicCount = 0; // ExactHalfUp: what whole megahertz would give
    };

    struct Limit {
        std::uint32_t limit = 0; // counts the mode's counter holds
    };

    struct Start {
        int timer = 0;
        CounterKind kind = CounterKind::Bits16;
        std::uint32_t limit = 0;
        std::uint64_t count = 0;
        std::uint32_t start = 0; // limit - count: where the counter starts
        std::uint8_t high = 0;
        std::uint8_t low = 0;
        const char* highName = ""; // TH0, RCAP2H, T2H
        const char* lowName = "";
    };

    // A timer's real period, and per run of the user's code.
    struct Period {
        std::uint64_t count = 0;
        std::uint32_t clocksPerCount = 12;
        std::uint32_t crystalHz = 0;
        std::uint32_t value = 0;
        double actualUs = 0;
        std::optional<double> errorPercent; // none for a period of 0
        std::uint32_t postscale = 1;
        double wholeUs = 0; // actualUs * postscale
    };

    // A counter's interrupt comes after every `pulses` pulses.
    struct Pulses {
        std::uint64_t pulses = 0;
    };

    // The software count, where it is above 1.
    struct Postscale {
        std::uint32_t postscale = 1;
        bool counter = false;
        std::uint32_t value = 0;
        double actualUs = 0;
        double wholeUs = 0;
        std::optional<double> errorPercent;
    };

    struct Interrupt {
        ReloadKind kind = ReloadKind::Hardware;
        int timer = 0;
        bool counter = false;
        std::uint64_t count = 0;
        // Counts from one interrupt to the next as the firmware runs (main()
        // idle): the count plus the routine's latency; none where not counted.
        std::optional<std::uint64_t> interruptCycles;
        ReloadLatency latency;
        RunningCountAdd runningAdd;
        const char* highName = "";
        const char* lowName = "";
        Dialect dialect = Dialect::Keil;
        // The timer's mode that reloads in hardware with the most counts
        // (STC's 16-bit mode 0, the classic mode 2), for a routine that reloads.
        const ModeRow* hardwareMode = nullptr;
    };

    // The routine's share of the CPU, where it is large.
    struct Cpu {
        CpuShare share;
    };

    // The long-run error of the interrupt period against the period asked for.
    struct Drift {
        orlet::Drift drift;
        std::uint64_t interruptCycles = 0;
        std::uint32_t value = 0;
        bool runningAddWouldKeep = false; // the routine's latency lengthens every period
    };

    // Drift-free: the split that the hardware reload of mode 2 keeps exact as well.
    struct HardwareSplit {
        PostscaleSplit split;
        SplitCost cost;
    };

    // The chip's internal oscillator drives the count: how far it may be
    // off by its datasheet, and what that makes of a day.
    struct Tolerance {
        std::uint32_t crystalHz = 0;
        ClockTolerance tolerance;
        double secondsPerDay = 0; // tolerance * 86400
    };

} // namespace step

using TimerStep = std::variant<step::Header, step::Count, step::Limit, step::Start, step::Period, step::Pulses,
    step::Postscale, step::Interrupt, step::Cpu, step::Drift, step::HardwareSplit, step::Tolerance>;

struct TimerDerivation {
    int timer = 0;
    bool counter = false;
    std::uint32_t postscale = 1;
    Arithmetic arithmetic = Arithmetic::Exact;
    std::vector<TimerStep> steps;

    // The step of kind `Step`, or nullptr.
    template <typename Step> const Step* find() const
    {
        for (const TimerStep& s : steps) {
            if (const Step* found = std::get_if<Step>(&s))
                return found;
        }
        return nullptr;
    }
};

// What a timer's derivation is made from: the chip, what was asked, what
// was computed, and how the routine the text writes runs.
struct TimerInput {
    Chip chip;
    std::uint32_t crystalHz = 0;
    TimerRequest request;
    TimerCalculation calculation; // of `request`, in range
    std::uint32_t postscale = 1;
    bool gate = false;
    bool driftFree = false; // the routine adds the reload to the running count where it can
    // Drift-free timing asked for: on a chip of classic arithmetic the
    // derivation names the split that mode 2 keeps exact as well.
    bool driftFreeAsked = false;
    Dialect dialect = Dialect::Keil;
    bool internalClock = false; // the crystal is the chip's internal oscillator
};
TimerDerivation DeriveTimer(const TimerInput& input);

namespace step {

    // Where the rate comes from.
    struct BaudSource {
        std::uint32_t rate = 0;
        int timer = 1;
        std::uint32_t clocksPerCount = 12;
        bool smodDoubles = false;
        bool doubled = false;
        int k = 1;
        const BaudSourceRow* row = nullptr; // the chip's source, for its formula and names
        std::uint32_t countingClocks = 12; // clocks per count while it makes the rate
    };

    // The count the rate asks for: from crystal / rate without remainder, or
    // from the exact crystal.
    struct BaudCount {
        bool fromQuotient = false;
        bool exactAsked = false; // the exact crystal on a chip of classic arithmetic
        std::uint32_t crystalHz = 0;
        std::uint32_t rate = 0;
        int k = 1;
        std::uint32_t q = 0;
        double x = 0;
        std::uint32_t n = 0;
    };

    struct BaudReload {
        std::uint32_t limit = 256;
        std::uint32_t n = 0;
        std::uint32_t reload = 0;
        std::uint8_t high = 0;
        std::uint8_t low = 0;
        const char* highName = "TH1"; // the source's reload registers; an 8-bit
        const char* lowName = "TL1"; // one of its own has no low name (BRT)
    };

    struct BaudRate {
        std::uint32_t crystalHz = 0;
        std::uint32_t rate = 0;
        int k = 1;
        std::uint32_t n = 0;
        double actualBaud = 0;
        double deviationPercent = 0; // of actualBaud against the rate
        std::uint32_t bitClocks = 0; // oscillator periods per bit: 384 * n / k on timer 1 in mode 2
    };

    // The display's error, 1 - n / x: "%.4f%%" of errorPercent.
    struct BaudError {
        double errorPercent = 0;
        double errorShown = 0; // to the four decimals the display shows
    };

    // The chip's internal oscillator drives the rate: the real rate's
    // deviation from the one asked for over the oscillator's tolerance.
    struct BaudTolerance {
        ClockTolerance tolerance;
        double lowPercent = 0; // with the oscillator at -tolerance
        double highPercent = 0;
    };

} // namespace step

using BaudStep = std::variant<step::BaudSource, step::BaudCount, step::BaudReload, step::BaudRate, step::BaudError,
    step::BaudTolerance>;

struct BaudDerivation {
    Arithmetic arithmetic = Arithmetic::Exact;
    std::vector<BaudStep> steps;

    template <typename Step> const Step* find() const
    {
        for (const BaudStep& s : steps) {
            if (const Step* found = std::get_if<Step>(&s))
                return found;
        }
        return nullptr;
    }
};

BaudDerivation DeriveBaud(Chip chip, std::uint32_t crystalHz, const BaudRequest& request, const BaudCalculation& baud,
    bool internalClock = false);

// A register's value after init, by its name.
struct RegisterValue {
    std::string_view sfr;
    std::uint8_t value = 0;
};

struct Derivation {
    Chip chip;
    std::uint32_t crystalHz = 0;
    Dialect dialect = Dialect::Keil;
    bool sixT = false;
    std::uint8_t tmod = 0;
    std::array<std::optional<TimerDerivation>, kMaxTimers> timers;
    std::optional<BaudDerivation> baud;
    // What the init code leaves in the chip's own registers, where it has
    // them: SetUpRegisters (AUXR on STC, CKCON and T3CON on the N76E003,
    // T2MOD on the CH552), and T2CON on the 8052, STC89 and CH552 while
    // timer 2 is in use.
    std::vector<RegisterValue> registers;
    std::optional<std::uint8_t> auxr;
    std::optional<std::uint8_t> t2con;
    std::string vendorHeader; // the vendor's header the text includes; empty: none
    // The chip's internal oscillator at crystalHz; nullptr: a crystal.
    const InternalClock* internalClock = nullptr;
};

// The working behind every value of `resolved`, which must come from
// ResolveConfiguration(config). The routine's timing is that of the code
// written for `dialect`.
Derivation DeriveConfiguration(
    const Configuration& config, const ResolvedConfiguration& resolved, Dialect dialect = Dialect::Keil);

} // namespace orlet
