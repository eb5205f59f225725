#pragma once

#include "Messages.h"
#include "Precision.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orlet {

// The rates the baud list offers, by list index.
inline constexpr std::array<std::uint32_t, 11> kBaudRates { 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 56000,
    57600, 115200 };
inline constexpr int kDefaultBaudIndex = 5; // 9600, also the fall-back where it fits
// After the listed rates, the list keeps one rate the user typed.
inline constexpr int kCustomBaudIndex = static_cast<int>(kBaudRates.size());

// The rate at a list index: a listed rate, or at kCustomBaudIndex the typed
// one; 0 at any other index.
std::uint32_t BaudRateAt(int rateIndex, std::uint32_t customRate);
// The listed rate's index; kCustomBaudIndex for any other rate.
int BaudIndexOf(std::uint32_t rate);

// Serial mode 1 clocked by timer 1 in mode 2:
// baud = k * f / (32 * 12 * (256 - TH1)), k = 2 with PCON.SMOD set.
struct BaudReload {
    int rateIndex = kDefaultBaudIndex; // the index the list shows afterwards
    std::uint8_t reload = 0; // TH1 = TL1
    int count = 0; // 256 - reload: timer 1 steps per serial bit clock
    double exactCount = 0; // x, the count the rate asks for
    std::string reloadText; // "0x%x"
    std::string errorText; // "%.4f%%"
    double errorPercent = 0; // the number errorText shows, to its four decimals
    std::string message; // raised message, empty when none (UTF-8)

    bool operator==(const BaudReload&) const = default;
};

// The rate a refused one falls back to, on every chip and from every baud
// source: 9600 bit/s where it fits the crystal, otherwise the fastest listed
// rate that does; 9600 again when none does.
int FallBackBaudIndex(const std::function<bool(int rateIndex)>& fits);

// `rateIndex` indexes kBaudRates. A rate too low (count above 256) or too
// high (count 0) for the crystal raises a message and falls back to 9600,
// or to the fastest listed rate that fits where 9600 does not.
// Exact takes x = k * f / (384 * rate) from the exact frequency and the error
// as 1 - n / x in double precision.
BaudReload ComputeBaudReload(
    std::uint32_t crystalHz, int rateIndex, bool doubled, Precision precision = Precision::Classic);

} // namespace orlet
