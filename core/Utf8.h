#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace orlet {

// One UTF-8 sequence at the start of `text`: the character and its length
// in bytes, 0 when the sequence is malformed (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, or a code point beyond
// U+10FFFF). `text` must not be empty.
struct Utf8Sequence {
    char32_t character = 0;
    std::size_t length = 0;
};
Utf8Sequence DecodeUtf8(std::string_view text);

// Where the first malformed sequence of `text` starts; nothing when all of
// it is UTF-8.
std::optional<std::size_t> FindMalformedUtf8(std::string_view text);

} // namespace orlet
