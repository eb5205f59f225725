#include "Crystal.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace orlet {

std::uint32_t CrystalHzAt(int index)
{
    if (index < 0 || index >= static_cast<int>(kCrystals.size()))
        return 0;
    return kCrystals[static_cast<std::size_t>(index)].hz;
}

bool IsCustomMhzAccepted(float mhz)
{
    return !(mhz > 100.0f) && mhz >= 1.0f;
}

std::uint32_t CustomMhzToHz(float mhz)
{
    const double g = mhz;
    return static_cast<std::uint32_t>((g + 0.0000001) * 1000000);
}

std::string FormatCustomMhz(float mhz)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(mhz));
    return buffer;
}

namespace {

    bool isBlank(char c)
    {
        return c == ' ' || c == '\t';
    }

    std::optional<double> parseDecimal(std::string_view text)
    {
        while (!text.empty() && isBlank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
        if (text.empty())
            return std::nullopt;
        // Plain decimal notation only: no hexadecimal, infinity or NaN spellings.
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

} // namespace

std::optional<float> ParseCustomMhz(std::string_view text)
{
    const auto value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    if (std::fabs(*value) > std::numeric_limits<float>::max())
        return std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(*value > 0 ? 1 : -1));
    return static_cast<float>(*value);
}

std::optional<std::uint32_t> CrystalHzFromMhzText(std::string_view text)
{
    const auto value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    for (const CrystalEntry& entry : kCrystals) {
        if (*value == std::strtod(entry.text, nullptr))
            return entry.hz;
    }
    const auto single = ParseCustomMhz(text);
    if (!single || !IsCustomMhzAccepted(*single))
        return std::nullopt;
    return CustomMhzToHz(*single);
}

} // namespace orlet
