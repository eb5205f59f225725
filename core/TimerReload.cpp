#include "TimerReload.h"

#include "Messages.h"

#include <array>
#include <cstdio>

namespace orlet {

namespace {

    struct ModeRule {
        std::uint32_t limit;
        std::uint32_t lowBits; // counts held by TL before TH steps
    };

    constexpr std::array<ModeRule, 3> kModeRules { {
        { 8192, 32 },
        { 65536, 256 },
        { 256, 256 },
    } };

    // Before a count of 0 is raised to 1.
    std::uint64_t rawCycles(std::uint32_t crystalHz, std::uint32_t periodUs, Precision precision)
    {
        // (2^32 - 1)^2 + 6e6 still fits 64 bits, so the exact product cannot overflow.
        return precision == Precision::Exact ? (std::uint64_t { crystalHz } * periodUs + 6000000u) / 12000000u
                                             : std::uint64_t { crystalHz / 1000000u } * periodUs / 12u;
    }

} // namespace

std::uint32_t TimerModeLimit(int mode)
{
    return kModeRules.at(static_cast<std::size_t>(mode)).limit;
}

std::uint64_t TimerCycleCount(std::uint32_t crystalHz, std::uint32_t periodUs, Precision precision)
{
    const std::uint64_t cycles = rawCycles(crystalHz, periodUs, precision);
    return cycles == 0 ? 1 : cycles;
}

TimerReload ComputeTimerReload(
    std::uint32_t crystalHz, int mode, bool counter, std::uint32_t value, Precision precision)
{
    const ModeRule& rule = kModeRules.at(static_cast<std::size_t>(mode));
    const std::uint64_t count = counter ? value : TimerCycleCount(crystalHz, value, precision);

    TimerReload result;
    result.count = count;
    result.countRaised = !counter && rawCycles(crystalHz, value, precision) == 0;
    if (count > rule.limit) {
        result.inRange = false;
        result.message = MessageText(TimerRangeMessage(mode, counter));
        result.corrected
            = counter ? rule.limit : static_cast<std::uint32_t>(std::uint64_t { rule.limit } * 12000000u / crystalHz);
        return result;
    }

    const auto rest = static_cast<std::uint32_t>(rule.limit - count);
    result.corrected = value;
    result.tl = static_cast<std::uint8_t>(rest % rule.lowBits);
    result.th = mode == 2 ? result.tl : static_cast<std::uint8_t>(rest / rule.lowBits % 256);
    return result;
}

std::uint64_t CountOfBytes(std::uint32_t limit, std::uint32_t lowCounts, std::uint8_t th, std::uint8_t tl)
{
    return limit - (std::uint64_t { th } * lowCounts + tl % lowCounts) % limit;
}

Message TimerRangeMessage(int mode, bool counter)
{
    return { counter ? MessageCode::CountOutOfRange : MessageCode::TimerOutOfRange, mode };
}

std::string FormatReloadText(std::uint8_t th, std::uint8_t tl)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%xH,%xH", unsigned { th }, unsigned { tl });
    return buffer;
}

} // namespace orlet
