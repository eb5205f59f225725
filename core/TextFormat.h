#pragma once

#include <string>

namespace orlet {

// printf-style formatting into a std::string (up to 511 bytes).
[[gnu::format(printf, 1, 2)]] std::string TextFormat(const char* pattern, ...);

} // namespace orlet
