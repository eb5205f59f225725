#include "TimerTiming.h"
#include "Derivation.h"

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

TEST(Derivation, RealPeriodAndErrorOfTheStoredCount)
{
    const TimerRequest request { 0, 1, false, 1000, 12, false, Precision::Exact };
    const TimerDerivation exact
        = DeriveTimer({ Chip(), 11059200, request, CalculateTimer(Chip(), 11059200, request), 16 });
    EXPECT_EQ(exact.find<step::Count>()->count, 922u);
    EXPECT_EQ(exact.find<step::Count>()->classicCount, 916u);
    const step::Period& period = *exact.find<step::Period>();
    EXPECT_NEAR(period.actualUs, 1000.4340, 1e-4);
    EXPECT_NEAR(period.wholeUs, 16 * 1000.4340, 16e-4);
    EXPECT_NEAR(*period.errorPercent, 0.0434, 1e-4);

    const TimerRequest none { 0, 1, false, 0, 12, false, Precision::Exact };
    EXPECT_FALSE(DeriveTimer({ Chip(), 12000000, none, CalculateTimer(Chip(), 12000000, none) })
                     .find<step::Period>()
                     ->errorPercent);
}

TEST(Derivation, CountersCountPulsesAndHaveNoPeriodNorSplit)
{
    const TimerRequest pulses { 0, 2, true, 300 };
    EXPECT_FALSE(CalculateTimer(Chip(), 12000000, pulses).reload.inRange);
    const RangeError range = DescribeRangeError(Chip(), 12000000, pulses, 5);
    EXPECT_FALSE(range.split || range.hardwareSplit);
    const TimerRequest fits { 0, 2, true, 200 };
    const TimerDerivation d = DeriveTimer({ Chip(), 12000000, fits, CalculateTimer(Chip(), 12000000, fits), 5 });
    EXPECT_EQ(d.find<step::Count>()->count, 200u);
    EXPECT_FALSE(d.find<step::Period>());
}
