#pragma once

#include "Configuration.h"
#include "RoutineTiming.h"
#include "TimerTiming.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orlet {

// How the reload bytes of one timer came about.
struct TimerDerivation {
    bool counter = false;
    int mode = 0;
    bool gate = false;
    std::uint32_t value = 0; // microseconds, or pulses when counting
    std::uint32_t wholeMhz = 0; // timer kinds: the crystal in whole megahertz
    std::uint64_t count = 0; // machine cycles, or pulses
    bool countRaised = false; // a period under one machine cycle still counts 1
    std::uint32_t limit = 0; // counts the mode's counter holds
    std::uint32_t start = 0; // limit - count: where the counter starts
    std::uint8_t th = 0;
    std::uint8_t tl = 0;
    // Timer kinds only: what `count` lasts at the real crystal, and how far
    // that is from the requested period in per cent (none for a period of 0).
    double actualPeriodUs = 0;
    std::optional<double> periodErrorPercent;
    // Counted from the exact crystal frequency; `classicCount` is then what
    // whole megahertz would have given.
    bool exact = false;
    std::uint64_t classicCount = 0;
    // Interrupts per run of the user's code, and the period that makes.
    std::uint32_t postscale = 1;
    double wholePeriodUs = 0;
    // Timer kinds: what the generated routine adds to each period, the
    // machine cycles from one interrupt to the next as the firmware runs
    // (main() idle), and the long-run error of that (none for 0 us).
    ReloadLatency latency;
    std::uint64_t interruptCycles = 0;
    std::optional<Drift> drift;
    // Drift-free modes 0 and 1: what the routine adds to the running count.
    std::optional<RunningCountAdd> runningAdd;
    // Drift-free modes 0 and 1: the split that mode 2 keeps exact as well.
    std::optional<PostscaleSplit> hardwareSplit;
    // Timer kinds: the CPU the routine takes, where that is a large share.
    std::optional<CpuShare> cpuShare;
};

// How the serial reload byte came about (serial mode 1, timer 1 in mode 2).
struct BaudDerivation {
    std::uint32_t rate = 0; // bit/s asked for
    int k = 1; // 2 with PCON.SMOD set
    std::uint32_t q = 0; // crystal / rate, remainder dropped
    double x = 0; // k * q / 32 / 12: timer 1 steps per bit clock asked for
    int n = 0; // x rounded half up
    std::uint8_t reload = 0; // 256 - n
    std::uint32_t bitClocks = 0; // oscillator periods per bit: 384 * n / k
    double actualBaud = 0; // k * crystal / (384 * n)
    double rateDeviationPercent = 0; // actualBaud against rate
    std::string errorText; // as the window shows it
    double errorPercent = 0; // the same number
    bool exact = false; // x from the exact crystal: k * f / (384 * rate)
};

struct Derivation {
    std::uint32_t crystalHz = 0;
    Dialect dialect = Dialect::Keil;
    std::uint8_t tmod = 0;
    std::array<std::optional<TimerDerivation>, 2> timers;
    std::optional<BaudDerivation> baud;
};

// The working behind every value of `resolved`, which must come from
// ResolveConfiguration(config). The routine's timing is that of the code
// written for `dialect`.
Derivation DeriveConfiguration(
    const Configuration& config, const ResolvedConfiguration& resolved, Dialect dialect = Dialect::Keil);

// The derivation in plain words and numbers: ASCII, LF line ends.
std::string FormatDerivation(const Derivation& derivation);

// "the routine takes 10 of the 22 machine cycles from one interrupt to the
// next (...): about 45% of the CPU", or that the period cannot be kept.
std::string CpuShareText(const CpuShare& share);

} // namespace orlet
