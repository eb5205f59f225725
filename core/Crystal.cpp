#include "Crystal.h"

#include "DecimalText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orlet {

std::uint32_t CrystalHzAt(int index)
{
    if (index < 0 || index >= static_cast<int>(kCrystals.size()))
        return 0;
    return kCrystals[static_cast<std::size_t>(index)].hz;
}

bool IsCustomMhzAccepted(float mhz)
{
    return !(mhz > static_cast<float>(kMaxCustomMhz)) && mhz >= static_cast<float>(kMinCustomMhz);
}

std::uint32_t CustomMhzToHz(float mhz)
{
    const double g = mhz;
    return static_cast<std::uint32_t>((g + 0.0000001) * 1000000);
}

std::optional<float> CustomMhzGiving(std::uint32_t hz)
{
    // CustomMhzToHz never falls as the value rises: walk to the first value
    // that reaches `hz`.
    float mhz = static_cast<float>(hz / 1e6);
    while (mhz > 0 && CustomMhzToHz(mhz) >= hz)
        mhz = std::nextafter(mhz, 0.0f);
    while (CustomMhzToHz(mhz) < hz)
        mhz = std::nextafter(mhz, 1e9f);
    if (CustomMhzToHz(mhz) != hz || !IsCustomMhzAccepted(mhz))
        return std::nullopt;
    return mhz;
}

std::string FormatCustomMhz(float mhz)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(mhz));
    return buffer;
}

std::optional<float> ParseCustomMhz(std::string_view text)
{
    return ParseSingleDecimal(text);
}

std::optional<CrystalChoice> CrystalFromMhzText(std::string_view text)
{
    const auto value = ParseDecimal(text);
    if (!value)
        return std::nullopt;
    for (const CrystalEntry& entry : kCrystals) {
        if (*value == std::strtod(entry.text, nullptr))
            return CrystalChoice { entry.hz, std::nullopt };
    }
    const auto single = ParseCustomMhz(text);
    if (!single || !IsCustomMhzAccepted(*single))
        return std::nullopt;
    return CrystalChoice { CustomMhzToHz(*single), *single };
}

std::optional<std::uint32_t> CrystalHzFromMhzText(std::string_view text)
{
    if (const auto crystal = CrystalFromMhzText(text))
        return crystal->hz;
    return std::nullopt;
}

std::string CrystalMhzText(std::uint32_t hz, std::optional<float> customMhz)
{
    if (!customMhz) {
        for (const CrystalEntry& entry : kCrystals) {
            if (entry.hz == hz)
                return entry.text;
        }
        customMhz = CustomMhzGiving(hz);
    }
    const float mhz = customMhz.value_or(static_cast<float>(hz / 1e6));
    // Nine decimals always give a single-precision value back.
    char text[32];
    for (int decimals = 0; decimals <= 9; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(mhz));
        if (ParseCustomMhz(text) == mhz)
            break;
    }
    return text;
}

} // namespace orlet
