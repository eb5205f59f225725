#include "TimerTiming.h"

#include <gtest/gtest.h>

#include <optional>

using namespace orlet;

namespace {

struct SplitCase {
    std::uint32_t crystalHz;
    int mode;
    std::uint32_t periodUs;
    Precision precision;
    std::uint32_t maxPostscale;
    std::optional<PostscaleSplit> split;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.crystalHz << " Hz mode " << c.mode << " " << c.periodUs << " us"
        << (c.precision == Precision::Exact ? " exact" : "") << " up to " << c.maxPostscale;
}

} // namespace

TEST(PostscaleSuggestion, SmallestWholeSplitThatFits)
{
    const SplitCase cases[] = { // 1 s: 1e6 / 10 = 100000 us does not fit 16 bits, 1e6 / 16 does.
        { 12000000, 1, 1000000, Precision::Classic, kMaxPostscale, PostscaleSplit { 62500, 16 } },
        { 11059200, 1, 1000000, Precision::Exact, kMaxPostscale, PostscaleSplit { 62500, 16 } },
        { 12000000, 0, 1000000, Precision::Classic, kMaxPostscale, PostscaleSplit { 8000, 125 } },
        { 12000000, 2, 1000, Precision::Classic, kMaxPostscale, PostscaleSplit { 250, 4 } },
        // 300 us at 33 MHz is 825 cycles: 100 us (275) still too many, 75 us fits.
        { 33000000, 2, 300, Precision::Classic, kMaxPostscale, PostscaleSplit { 75, 4 } },
        // No divisor of a prime: no whole split.
        { 12000000, 1, 65537, Precision::Classic, kMaxPostscale, std::nullopt },
        // The split must not need more interrupts than allowed.
        { 12000000, 1, 1000000, Precision::Classic, 15, std::nullopt },
        { 12000000, 1, 1000000, Precision::Classic, 1, std::nullopt }
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const auto split = SuggestPostscale(c.crystalHz, c.mode, c.periodUs, c.precision, c.maxPostscale);
        ASSERT_EQ(split.has_value(), c.split.has_value());
        if (split) {
            EXPECT_EQ(split->periodUs, c.split->periodUs);
            EXPECT_EQ(split->postscale, c.split->postscale);
        }
    }
}

TEST(TimerTiming, RealPeriodAndErrorOfTheStoredCount)
{
    const TimerTiming exact = ComputeTimerTiming(11059200, 1, false, 1000, Precision::Exact, 16);
    EXPECT_EQ(exact.count, 922u);
    EXPECT_EQ(exact.classicCount, 916u);
    EXPECT_NEAR(exact.periodUs, 1000.4340, 1e-4);
    EXPECT_NEAR(exact.wholePeriodUs, 16 * 1000.4340, 16e-4);
    EXPECT_NEAR(*exact.errorPercent, 0.0434, 1e-4);
    EXPECT_TRUE(exact.inRange);
    EXPECT_FALSE(exact.split);

    EXPECT_FALSE(ComputeTimerTiming(12000000, 1, false, 0, Precision::Exact).errorPercent);
}

TEST(TimerTiming, CountersCountPulsesAndHaveNoPeriod)
{
    const TimerTiming t = ComputeTimerTiming(12000000, 2, true, 300, Precision::Exact, 5);
    EXPECT_EQ(t.count, 300u);
    EXPECT_FALSE(t.inRange);
    EXPECT_FALSE(t.errorPercent);
    EXPECT_FALSE(t.split);
    EXPECT_EQ(t.periodUs, 0.0);
}
