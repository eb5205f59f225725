#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace orlet {

// Decimal numbers as the dialogs and orlet-gen take them from text. Blanks
// (spaces and tabs) around the number are allowed; anything else refuses it.

// `text` without the blanks around it.
std::string_view TrimBlanks(std::string_view text);

// The largest whole number ParseUnsignedDecimal reads.
inline constexpr std::uint32_t kMaxUnsignedDecimal = std::numeric_limits<std::uint32_t>::max();

// A whole number from 0 to kMaxUnsignedDecimal in decimal digits only.
std::optional<std::uint32_t> ParseUnsignedDecimal(std::string_view text);

// A finite number in plain decimal notation (sign, digits, point, exponent;
// no hexadecimal, infinity or NaN spellings), converted in double precision.
std::optional<double> ParseDecimal(std::string_view text);

// The same, kept in single precision; beyond its range it becomes infinity.
std::optional<float> ParseSingleDecimal(std::string_view text);

} // namespace orlet
