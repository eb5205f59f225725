#include "RoutineTiming.h"
#include "Derivation.h"
#include "TimerReload.h"
#include "TimerTiming.h"

#include <gtest/gtest.h>

using namespace orlet;

namespace {

struct PeriodCase {
    const char* name;
    std::uint64_t count;
    RoutineShape shape;
    std::uint64_t interruptCycles; // as s51 measures SDCC's code (tests/firmware, group drift)
};

void PrintTo(const PeriodCase& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

TEST(InterruptPeriodTable, CountPlusWhatTheRoutineAdds)
{
    const PeriodCase cases[] = { { "mode 1, even count: waits for main's SJMP", 1000, { 1 }, 1007 },
        { "mode 1, odd count", 1001, { 1 }, 1007 }, { "mode 1, 1002", 1002, { 1 }, 1009 },
        { "mode 0 like mode 1", 999, { 0 }, 1005 }, { "full 16 bits", 65536, { 1 }, 65543 },
        { "software counter saves ACC and PSW first", 3000, { 0, false, 20 }, 3010 },
        { "software counter, odd count", 5001, { 1, false, 300 }, 5012 },
        { "mode 2 reloads in hardware", 100, { 2 }, 100 },
        { "drift-free adds to the running count", 1000, { 1, false, 1, true }, 1000 },
        { "drift-free with a software counter", 3000, { 0, false, 300, true, Dialect::Sdcc }, 3000 },
        { "a counter keeps the plain reload", 1000, { 1, true, 1, true }, 1007 } };
    for (const PeriodCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        EXPECT_EQ(InterruptCycles(c.count, c.shape), c.interruptCycles);
        EXPECT_EQ(c.count + ReloadLatencyOf(c.count, c.shape).total(), c.interruptCycles);
    }
}

TEST(RunningCountAdd, AddsTheStartValueAndTheStoppedCycles)
{
    // SDCC reads THx and TLx with 2-cycle moves: 4 cycles longer than Keil C51.
    const RunningCountAdd sdcc = RunningCountAddFor(1, 0xFC, 0x18, Dialect::Sdcc);
    EXPECT_EQ(sdcc.stoppedCycles, 16u);
    EXPECT_EQ(sdcc.high, 0xFC);
    EXPECT_EQ(sdcc.low, 0x28);
    const RunningCountAdd keil = RunningCountAddFor(1, 0xFC, 0x18, Dialect::Keil);
    EXPECT_EQ(keil.stoppedCycles, 12u);
    EXPECT_EQ(keil.low, 0x24);
    // Mode 0: 3192 + 18 = 3210 = 0x64 * 32 + 10; ORL TLx,#0E0H takes 2 more cycles.
    const RunningCountAdd mode0 = RunningCountAddFor(0, 0x63, 0x18, Dialect::Sdcc);
    EXPECT_EQ(mode0.stoppedCycles, 18u);
    EXPECT_EQ(mode0.high, 0x64);
    EXPECT_EQ(mode0.low, 0x0A);
    // Near the limit the sum wraps round the counter.
    const RunningCountAdd wrapped = RunningCountAddFor(1, 0xFF, 0xF8, Dialect::Sdcc);
    EXPECT_EQ(wrapped.high, 0);
    EXPECT_EQ(wrapped.low, 8);
    EXPECT_EQ(wrapped.extraStops, 0u);
    // 0xfcf0 + 16 would leave nothing to add to TL0, 0xfcf1 + 16 just 1: two
    // and one more stopped cycles make it 2.
    const RunningCountAdd even = RunningCountAddFor(1, 0xFC, 0xF0, Dialect::Sdcc);
    EXPECT_EQ(even.extraStops, 2u);
    EXPECT_EQ(even.stoppedCycles, 18u);
    EXPECT_EQ(even.high, 0xFD);
    EXPECT_EQ(even.low, 2);
    EXPECT_EQ(RunningCountAddFor(1, 0xFC, 0xF1, Dialect::Sdcc).extraStops, 1u);
    EXPECT_EQ(RunningCountAddFor(0, 0x10, 0x0E, Dialect::Sdcc).extraStops, 2u) << "mode 0: 14 + 18 = 32";
    EXPECT_EQ(MaxRunningAddCycles(1), 65024u);
    EXPECT_EQ(MaxRunningAddCycles(0), 8128u);
}

TEST(Drift, PpmAndSecondsPerDayAgainstThePeriodAsked)
{
    const auto drift = DriftOf(1007, 12000000, 1000);
    ASSERT_TRUE(drift);
    EXPECT_DOUBLE_EQ(drift->periodUs, 1007);
    EXPECT_NEAR(drift->ppm, 7000, 1e-9);
    EXPECT_NEAR(drift->secondsPerDay, 604.8, 1e-9);
    EXPECT_NEAR(DriftOf(921600, 11059200, 1000000)->ppm, 0, 1e-9);
    EXPECT_FALSE(DriftOf(1, 12000000, 0)) << "a period of 0 has no error";
}

namespace {

struct HardwareSplitCase {
    std::uint32_t crystalHz;
    std::uint64_t count;
    Precision precision;
    std::optional<PostscaleSplit> split;
};

} // namespace

TEST(HardwareSplitTable, LargestExactReloadThatAPeriodCounts)
{
    const HardwareSplitCase cases[] = { { 12000000, 1000000, Precision::Classic, PostscaleSplit { 250, 4000, 2, 250 } },
        { 11059200, 921600, Precision::Exact, PostscaleSplit { 278, 3600, 2, 256 } },
        { 12000000, 1000003, Precision::Classic, std::nullopt }, // a prime
        { 12000000, 256 * 70000, Precision::Classic, std::nullopt }, // N above 65535
        { 12000000, 256, Precision::Classic, PostscaleSplit { 128, 2, 2, 128 } },
        // Whole megahertz: 3.6864 MHz counts as 3, so 1000 us are 250 cycles.
        { 3686400, 250000, Precision::Classic, PostscaleSplit { 1000, 1000, 2, 250 } } };
    for (const HardwareSplitCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const auto split = SuggestHardwareSplit(c.crystalHz, c.count, c.precision);
        ASSERT_EQ(split.has_value(), c.split.has_value());
        if (!split)
            continue;
        EXPECT_EQ(split->periodUs, c.split->periodUs);
        EXPECT_EQ(split->postscale, c.split->postscale);
        EXPECT_EQ(split->mode, 2);
        EXPECT_EQ(split->cycles, c.split->cycles);
        EXPECT_EQ(split->cycles * split->postscale, c.count);
        EXPECT_EQ(TimerCycleCount(c.crystalHz, split->periodUs, c.precision), split->cycles);
    }
}

TEST(SplitCost, InterruptsPerSecondAndTheRoutinesShare)
{
    const SplitCost hardware = CostOf({ 250, 4000, 2, 250 }, 1, 12000000, false);
    EXPECT_EQ(hardware.interruptCycles, 250u);
    EXPECT_DOUBLE_EQ(hardware.interruptsPerSecond, 4000);
    EXPECT_NEAR(hardware.cpuPercent, 100.0 * 26 / 250, 1e-9) << "an unsigned int counter";
    EXPECT_NEAR(CostOf({ 250, 40, 2, 250 }, 1, 12000000, false).cpuPercent, 100.0 * 20 / 250, 1e-9);
    const SplitCost plain = CostOf({ 62500, 16, -1, 62500 }, 1, 12000000, false);
    EXPECT_EQ(plain.interruptCycles, 62510u);
    EXPECT_LT(plain.cpuPercent, 0.1);
}

TEST(Derivation, OffersTheHardwareSplitFirstWhenOutOfRangeOrAskedToKeepTime)
{
    const TimerRequest second { 0, 1, false, 1000000 };
    const RangeError tooLong = DescribeRangeError(Chip(), 12000000, second, 1);
    ASSERT_TRUE(tooLong.hardwareSplit && tooLong.split);
    EXPECT_EQ(tooLong.hardwareSplit->cycles * tooLong.hardwareSplit->postscale, 1000000u);
    EXPECT_EQ(tooLong.split->periodUs, 62500u);

    const TimerRequest millisecond { 0, 1, false, 1000 };
    const TimerCalculation c = CalculateTimer(Chip(), 12000000, millisecond);
    EXPECT_FALSE(DeriveTimer({ Chip(), 12000000, millisecond, c }).find<step::HardwareSplit>());
    const TimerDerivation driftFree = DeriveTimer({ Chip(), 12000000, millisecond, c, 1, false, true, true });
    ASSERT_TRUE(driftFree.find<step::HardwareSplit>());
    EXPECT_EQ(driftFree.find<step::HardwareSplit>()->split.periodUs, 250u);
    EXPECT_EQ(driftFree.find<step::Interrupt>()->interruptCycles, 1000u);
    EXPECT_EQ(driftFree.find<step::Drift>()->drift.ppm, 0);
}
