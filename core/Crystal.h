#pragma once

#include "Messages.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlet {

struct CrystalEntry {
    const char* text; // as the crystal list shows it
    std::uint32_t hz;
};

// The fixed crystals of the list, by index. The list has one more entry
// after these: "自定义", the custom frequency.
inline constexpr std::array<CrystalEntry, 11> kCrystals { {
    { "1", 1000000 },
    { "2", 2000000 },
    { "3.6864", 3686400 },
    { "6", 6000000 },
    { "10", 10000000 },
    { "11.0592", 11059200 },
    { "12", 12000000 },
    { "22.1184", 22118400 },
    { "24", 24000000 },
    { "30", 30000000 },
    { "33", 33000000 },
} };
inline constexpr const char* kCustomCrystalText = "自定义";
inline constexpr int kDefaultCrystalIndex = 6;
inline constexpr std::uint32_t kDefaultCrystalHz = 12000000;
inline constexpr float kDefaultCustomMhz = 12.0f;
// The custom frequencies accepted, in MHz.
inline constexpr std::uint32_t kMinCustomMhz = 1;
inline constexpr std::uint32_t kMaxCustomMhz = 100;

// Hz of the fixed entry at `index`; 0 for any other index (custom included).
std::uint32_t CrystalHzAt(int index);

// A custom frequency is accepted from kMinCustomMhz to kMaxCustomMhz, judged on its
// single-precision value.
bool IsCustomMhzAccepted(float mhz);

// Hz of a custom frequency: (mhz + 0.0000001) * 1000000, truncated.
std::uint32_t CustomMhzToHz(float mhz);

// A custom frequency (in MHz, as the custom dialog hands it over) that
// CustomMhzToHz turns into exactly `hz`; empty when no single-precision
// value does or when it is not accepted.
std::optional<float> CustomMhzGiving(std::uint32_t hz);

// "%f" of the custom frequency, as the MHz box beside the list shows it.
std::string FormatCustomMhz(float mhz);

// A decimal number as the custom-frequency box takes it: blanks around it
// allowed, converted in double precision and stored in single precision.
// Empty when the text is not a number.
std::optional<float> ParseCustomMhz(std::string_view text);

// A crystal given in MHz: its frequency, and the custom frequency it was
// taken from off the list.
struct CrystalChoice {
    std::uint32_t hz = kDefaultCrystalHz;
    std::optional<float> customMhz; // empty: a listed crystal
};

// Crystal frequency for a value in MHz typed by a user: one of the listed
// crystals is taken from the table exactly, anything else on the custom path.
// Empty when the text is no number or out of range.
std::optional<CrystalChoice> CrystalFromMhzText(std::string_view text);
std::optional<std::uint32_t> CrystalHzFromMhzText(std::string_view text);

// The shortest text in MHz that CrystalFromMhzText reads as the same
// crystal: the list's text for a listed one, else as few decimals as give
// the custom frequency back (found from `hz` when there is none).
std::string CrystalMhzText(std::uint32_t hz, std::optional<float> customMhz);

} // namespace orlet
