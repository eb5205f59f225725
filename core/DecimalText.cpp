#include "DecimalText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace orlet {

namespace {

    bool isBlank(char c)
    {
        return c == ' ' || c == '\t';
    }

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::uint32_t> ParseUnsignedDecimal(std::string_view text)
{
    text = TrimBlanks(text);
    if (text.empty())
        return std::nullopt;
    std::uint64_t result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
        if (result > kMaxUnsignedDecimal)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(result);
}

std::optional<double> ParseDecimal(std::string_view text)
{
    text = TrimBlanks(text);
    if (text.empty())
        return std::nullopt;
    for (char c : text) {
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!allowed)
            return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<float> ParseSingleDecimal(std::string_view text)
{
    const auto value = ParseDecimal(text);
    if (!value)
        return std::nullopt;
    if (std::fabs(*value) > std::numeric_limits<float>::max())
        return std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(*value > 0 ? 1 : -1));
    return static_cast<float>(*value);
}

} // namespace orlet
