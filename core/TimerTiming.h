#pragma once

#include "Precision.h"

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
};

// The smallest N from 2 up to `maxPostscale` for which `periodUs` / N is a
// whole number of microseconds whose count fits `mode`; empty when there is
// none. Used when `periodUs` itself does not fit.
std::optional<PostscaleSplit> SuggestPostscale(std::uint32_t crystalHz, int mode, std::uint32_t periodUs,
    Precision precision, std::uint32_t maxPostscale = kMaxPostscale);

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
};

// `value` is microseconds in a timer mode, pulses in a counter mode; `mode`
// 0, 1 or 2; `postscale` from 1 to kMaxPostscale. The reload of modes 0 and 1
// adds the interrupt routine's few machine cycles to every period; they are
// not in `periodUs`.
TimerTiming ComputeTimerTiming(std::uint32_t crystalHz, int mode, bool counter, std::uint32_t value,
    Precision precision, std::uint32_t postscale = 1);

} // namespace orlet
