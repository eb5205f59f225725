#include "TimerTiming.h"

#include "TimerReload.h"

namespace orlet {

namespace {

    bool fits(std::uint32_t crystalHz, std::uint32_t limit, std::uint32_t periodUs, Precision precision)
    {
        return TimerCycleCount(crystalHz, periodUs, precision) <= limit;
    }

    // A whole number of microseconds that counts exactly `cycles`: near
    // cycles * 12 / f, with f in whole megahertz for the classic count.
    std::optional<std::uint32_t> periodCounting(std::uint32_t crystalHz, std::uint64_t cycles, Precision precision)
    {
        const double mhz = precision == Precision::Exact ? crystalHz / 1e6 : crystalHz / 1000000u;
        if (mhz <= 0)
            return std::nullopt;
        const double guess = static_cast<double>(cycles) * 12 / mhz;
        for (double us = guess > 3 ? guess - 3 : 1; us <= guess + 3; ++us) {
            const auto whole = static_cast<std::uint32_t>(us);
            if (TimerCycleCount(crystalHz, whole, precision) == cycles)
                return whole;
        }
        return std::nullopt;
    }

} // namespace

SplitCost CostOf(const PostscaleSplit& split, int timerMode, std::uint32_t crystalHz, bool driftFree)
{
    const RoutineShape shape { split.mode < 0 ? timerMode : split.mode, false, split.postscale, driftFree };
    SplitCost cost;
    cost.interruptCycles = InterruptCycles(split.cycles, shape);
    cost.interruptsPerSecond = crystalHz / 12.0 / static_cast<double>(cost.interruptCycles);
    cost.cpuPercent = 100.0 * RoutineCycles(shape) / static_cast<double>(cost.interruptCycles);
    return cost;
}

std::optional<PostscaleSplit> SuggestHardwareSplit(std::uint32_t crystalHz, std::uint64_t count, Precision precision,
    std::uint32_t maxPostscale, HardwareReloadMode reloading)
{
    const unsigned routine = RoutineCycles({ 2, false, 2 });
    for (std::uint64_t r = reloading.limit; r >= 2 * routine; --r) {
        const std::uint64_t n = count / r;
        if (count % r != 0 || n < 2 || n > maxPostscale)
            continue;
        if (const auto us = periodCounting(crystalHz, r, precision))
            return PostscaleSplit { *us, static_cast<std::uint32_t>(n), reloading.mode, r };
    }
    return std::nullopt;
}

std::optional<PostscaleSplit> SuggestPostscale(
    std::uint32_t crystalHz, int mode, std::uint32_t periodUs, Precision precision, std::uint32_t maxPostscale)
{
    return SuggestPostscaleWithin(crystalHz, TimerModeLimit(mode), periodUs, precision, maxPostscale);
}

std::optional<PostscaleSplit> SuggestPostscaleWithin(std::uint32_t crystalHz, std::uint32_t limit,
    std::uint32_t periodUs, Precision precision, std::uint32_t maxPostscale)
{
    for (std::uint32_t n = 2; n <= maxPostscale && n <= periodUs; ++n) {
        if (periodUs % n == 0 && fits(crystalHz, limit, periodUs / n, precision))
            return PostscaleSplit { periodUs / n, n, -1, TimerCycleCount(crystalHz, periodUs / n, precision) };
    }
    return std::nullopt;
}

} // namespace orlet
