#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orlet {

// The longest name of a vendor's header the include line takes, in bytes.
inline constexpr std::size_t kMaxVendorHeaderBytes = 100;

// Why a vendor header's name cannot stand in `#include "NAME"`.
enum class HeaderNameFault {
    Empty,
    TooLong, // more than kMaxVendorHeaderBytes
    MalformedUtf8,
    ForbiddenCharacter, // see FindHeaderNameProblem
    SpaceAtEnd, // a space before or after the name would be part of it
};

struct HeaderNameProblem {
    HeaderNameFault fault = HeaderNameFault::Empty;
    char32_t character = 0; // ForbiddenCharacter: the first one found
    std::size_t offset = 0; // its first byte, or where the UTF-8 breaks, or the space's

    bool operator==(const HeaderNameProblem&) const = default;
};

// Nothing when `name` (UTF-8, exactly as typed: nothing is trimmed or cut)
// can be written between the include line's quotes in either dialect and
// reads as the file it names: no character in it ends the name, the line
// or the directive early ('"', '<', '>', a control character, a line or
// paragraph separator), none is invisible or turns the text's direction
// (U+200B, U+FEFF, U+202E and the rest of Unicode's default-ignorable
// characters), none is a space other than U+0020 or the replacement
// character U+FFFD, and no space stands at either end. Slashes, spaces
// inside and other non-ASCII characters are fine.
std::optional<HeaderNameProblem> FindHeaderNameProblem(std::string_view name);

} // namespace orlet
