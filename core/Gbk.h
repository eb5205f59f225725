#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlet {

// The GBK bytes of `utf8`, as the C library's GBK converter gives them.
// Nothing when the text is not UTF-8 or holds a character GBK lacks: no
// character is ever replaced or dropped.
std::optional<std::string> EncodeGbk(std::string_view utf8);

} // namespace orlet
