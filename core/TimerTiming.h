#pragma once

#include "Precision.h"
#include "RoutineTiming.h"

#include <cstdint>
#include <optional>

namespace orlet {

// The generated interrupt routine can count this many interrupts before it
// runs the user's code (an unsigned int counter on the 8051).
inline constexpr std::uint32_t kMaxPostscale = 65535;

// A long period split into one interrupt period and a software count.
struct PostscaleSplit {
    std::uint32_t periodUs = 0; // what each interrupt takes
    std::uint32_t postscale = 0; // interrupts per period
    int mode = -1; // the mode it is for; -1: the timer's own
    std::uint64_t cycles = 0; // machine cycles each interrupt counts
};

// What a split costs the CPU with the generated routine.
struct SplitCost {
    double interruptsPerSecond = 0;
    double cpuPercent = 0; // the routine's share of the machine cycles
    std::uint64_t interruptCycles = 0; // count plus what the routine adds
};
SplitCost CostOf(const PostscaleSplit& split, int timerMode, std::uint32_t crystalHz, bool driftFree);

// A mode that reloads in hardware, and the counts it holds: mode 2 of the
// 8051; off the 8051 also a 16-bit auto-reload.
struct HardwareReloadMode {
    int mode = 2;
    std::uint32_t limit = 256;
};

// The split of `count` machine cycles into N interrupts of r cycles in
// `reloading` (r <= 256 in mode 2), whose hardware reload keeps r x N exact:
// the largest r for which a whole number of microseconds counts exactly r,
// N from 2 to `maxPostscale`, and the routine taking at most half the CPU.
// Empty when there is none.
std::optional<PostscaleSplit> SuggestHardwareSplit(std::uint32_t crystalHz, std::uint64_t count, Precision precision,
    std::uint32_t maxPostscale = kMaxPostscale, HardwareReloadMode reloading = {});

// The smallest N from 2 up to `maxPostscale` for which `periodUs` / N is a
// whole number of microseconds whose count fits `mode`; empty when there is
// none. Used when `periodUs` itself does not fit.
std::optional<PostscaleSplit> SuggestPostscale(std::uint32_t crystalHz, int mode, std::uint32_t periodUs,
    Precision precision, std::uint32_t maxPostscale = kMaxPostscale);
// The same for a counter that holds `limit` counts.
std::optional<PostscaleSplit> SuggestPostscaleWithin(std::uint32_t crystalHz, std::uint32_t limit,
    std::uint32_t periodUs, Precision precision, std::uint32_t maxPostscale = kMaxPostscale);

// What one timer's setting really gives at the real crystal.
struct TimerTiming {
    std::uint64_t count = 0; // machine cycles (timer kinds) or pulses counted
    std::uint64_t classicCount = 0; // timer kinds: the count whole megahertz give
    bool inRange = true; // `count` fits the mode's counter
    std::uint32_t postscale = 1; // interrupts per run of the user's code
    // Timer kinds only: what `count` lasts, that times `postscale`, and the
    // error of both against the period asked for in per cent (none for 0 us).
    double periodUs = 0;
    double wholePeriodUs = 0;
    std::optional<double> errorPercent;
    // Timer kinds out of range: how the period can be reached with the
    // software counter instead (the postscale already set taken into account).
    std::optional<PostscaleSplit> split;
    // Timer kinds: a split exact with the hardware reload of mode 2, offered
    // before `split` for a period out of range and, with drift-free timing,
    // for a period in range in modes 0 and 1.
    std::optional<PostscaleSplit> hardwareSplit;
    // Timer kinds: what the generated routine adds to each period, the
    // machine cycles from one interrupt to the next, and the long-run error
    // of that against the period asked for (none for 0 us).
    ReloadLatency latency;
    std::uint64_t interruptCycles = 0;
    double interruptPeriodUs = 0;
    std::optional<Drift> drift;
    bool driftFree = false;
    // Timer kinds in range: the CPU the routine takes, where that is a
    // large share of the period.
    std::optional<CpuShare> cpuShare;
};

// `value` is microseconds in a timer mode, pulses in a counter mode; `mode`
// 0, 1 or 2; `postscale` from 1 to kMaxPostscale. The plain reload of modes
// 0 and 1 adds the interrupt routine's few machine cycles to every period:
// they are in `interruptCycles` and `drift`, not in `periodUs`.
TimerTiming ComputeTimerTiming(std::uint32_t crystalHz, int mode, bool counter, std::uint32_t value,
    Precision precision, std::uint32_t postscale = 1, bool driftFree = false, Dialect dialect = Dialect::Keil);

} // namespace orlet
