#pragma once

#include "Messages.h"
#include "Precision.h"

#include <cstdint>
#include <string>

namespace orlet {

// Outcome of turning a timer period (or pulse count) into TH/TL reload bytes.
struct TimerReload {
    bool inRange = true;
    std::uint8_t th = 0;
    std::uint8_t tl = 0;
    std::uint32_t corrected = 0; // the value to put back in the period box
    std::string message; // the range message when !inRange (UTF-8)
    std::uint64_t count = 0; // machine cycles, or pulses when counting
    bool countRaised = false; // a period under one machine cycle still counts 1

    bool operator==(const TimerReload&) const = default;
};

// Number of counts the timer's counter holds in `mode` (0: 13 bits,
// 1: 16 bits, 2: 8-bit auto-reload).
std::uint32_t TimerModeLimit(int mode);

// Machine cycles that `periodUs` takes at `crystalHz`; never 0. Classic
// counts whole megahertz only (11.0592 MHz counts as 11) and truncates;
// Exact rounds f * t / 12e6 half up.
std::uint64_t TimerCycleCount(
    std::uint32_t crystalHz, std::uint32_t periodUs, Precision precision = Precision::Classic);

// `value` is microseconds in a timer mode, pulses in a counter mode.
// `mode` must be 0, 1 or 2. The range limits and corrected periods are the
// same for both precisions.
TimerReload ComputeTimerReload(
    std::uint32_t crystalHz, int mode, bool counter, std::uint32_t value, Precision precision = Precision::Classic);

// The count the bytes stand for in a counter that holds `limit` counts, TL
// holding `lowCounts` of them (32 in the 13-bit mode 0): from 1 to `limit`.
std::uint64_t CountOfBytes(std::uint32_t limit, std::uint32_t lowCounts, std::uint8_t th, std::uint8_t tl);

// The message a value beyond the counter of `mode` raises.
Message TimerRangeMessage(int mode, bool counter);

// "%xH,%xH" of the two bytes, as the reload displays show them.
std::string FormatReloadText(std::uint8_t th, std::uint8_t tl);

} // namespace orlet
