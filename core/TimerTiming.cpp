#include "TimerTiming.h"

#include "TimerReload.h"

namespace orlet {

namespace {

    bool fits(std::uint32_t crystalHz, int mode, std::uint32_t periodUs, Precision precision)
    {
        return TimerCycleCount(crystalHz, periodUs, precision) <= TimerModeLimit(mode);
    }

} // namespace

std::optional<PostscaleSplit> SuggestPostscale(
    std::uint32_t crystalHz, int mode, std::uint32_t periodUs, Precision precision, std::uint32_t maxPostscale)
{
    for (std::uint32_t n = 2; n <= maxPostscale && n <= periodUs; ++n) {
        if (periodUs % n == 0 && fits(crystalHz, mode, periodUs / n, precision))
            return PostscaleSplit { periodUs / n, n };
    }
    return std::nullopt;
}

TimerTiming ComputeTimerTiming(
    std::uint32_t crystalHz, int mode, bool counter, std::uint32_t value, Precision precision, std::uint32_t postscale)
{
    TimerTiming t;
    t.postscale = postscale;
    if (counter) {
        t.count = value;
        t.inRange = t.count <= TimerModeLimit(mode);
        return t;
    }
    t.count = TimerCycleCount(crystalHz, value, precision);
    t.classicCount = TimerCycleCount(crystalHz, value, Precision::Classic);
    t.inRange = t.count <= TimerModeLimit(mode);
    t.periodUs = static_cast<double>(t.count) * 12e6 / crystalHz;
    t.wholePeriodUs = t.periodUs * postscale;
    if (value != 0)
        t.errorPercent = (t.periodUs - value) / value * 100.0;
    if (!t.inRange) {
        const std::uint32_t maxFactor = postscale == 0 ? 0 : kMaxPostscale / postscale;
        if (auto split = SuggestPostscale(crystalHz, mode, value, precision, maxFactor)) {
            split->postscale *= postscale;
            t.split = split;
        }
    }
    return t;
}

} // namespace orlet
