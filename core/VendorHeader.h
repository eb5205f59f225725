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
    ForbiddenCharacter, // '"', '<', '>', a control character or a line end
};

struct HeaderNameProblem {
    HeaderNameFault fault = HeaderNameFault::Empty;
    char32_t character = 0; // ForbiddenCharacter: the first one found
    std::size_t offset = 0; // its first byte, or where the UTF-8 breaks

    bool operator==(const HeaderNameProblem&) const = default;
};

// Nothing when `name` (UTF-8) can be written between the include line's
// quotes in either dialect: no character in it ends the name, the line or
// the directive early. Slashes and other non-ASCII characters are fine.
std::optional<HeaderNameProblem> FindHeaderNameProblem(std::string_view name);

} // namespace orlet
