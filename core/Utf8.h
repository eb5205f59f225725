#pragma once

#include <cstddef>
#include <string_view>

namespace orlet {

struct Utf8Character {
    char32_t character = 0;
    std::size_t length = 0; // bytes taken; 0: malformed
};

// The one UTF-8 sequence at the start of `text` (not empty). Overlong forms,
// surrogates, code points beyond U+10FFFF and a cut sequence are malformed.
Utf8Character DecodeUtf8Character(std::string_view text);

} // namespace orlet
