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

// A mode that reloads in hardware, and the counts it holds: mode 2 on every
// chip, or the 16-bit auto-reload of a row whose mode 0 has one.
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

} // namespace orlet
