#include "WindowTexts.h"

#include <gtest/gtest.h>

using namespace orlet;

namespace {

struct LineCase {
    std::uint32_t crystalHz;
    int mode;
    std::uint32_t value;
    std::uint32_t postscale;
    bool driftFree;
    const char* line;
};

} // namespace

TEST(RealPeriodLineTable, InterruptPeriodErrorAndDriftADay)
{
    const LineCase cases[] = { { 12000000, 1, 1000, 1, false, "实际 1007.00us +0.70% 每天 +605s" },
        { 12000000, 1, 1000, 1, true, "实际 1000.00us +0.00%" }, { 12000000, 2, 100, 1, false, "实际 100.00us +0.00%" },
        { 12000000, 1, 50000, 20, false, "实际 1.0002s +0.02% 每天 +17s" },
        { 12000000, 1, 65000, 1, false, "实际 65.007ms +0.01% 每天 +9.3s" },
        { 11059200, 2, 100, 1, false, "实际 98.74us -1.26% 每天 -1088s" },
        // The routine's share of the CPU from a fifth up, in place of the drift a day.
        { 12000000, 1, 40, 1, false, "实际 47.00us +17.50% 占CPU约 21%" },
        { 12000000, 2, 30, 1, false, "实际 30.00us +0.00% 占CPU约 20%" },
        { 12000000, 2, 31, 1, false, "实际 31.00us +0.00%" },
        { 12000000, 1, 100, 1, true, "实际 100.00us +0.00% 占CPU约 27%" },
        { 12000000, 1, 1, 1, false, "占CPU约 100%，周期无法保持" } };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const TimerTiming timing
            = ComputeTimerTiming(c.crystalHz, c.mode, false, c.value, Precision::Classic, c.postscale, c.driftFree);
        EXPECT_EQ(RealPeriodLine(timing), c.line);
    }
}

TEST(RangeHintLine, HardwareSplitFirstThenTheOther)
{
    const TimerTiming second = ComputeTimerTiming(12000000, 1, false, 1000000, Precision::Classic);
    EXPECT_EQ(RangeHintLine(second, 1), "可用 方式2 250us × 4000 或 62500us × 16");
    const TimerTiming exact = ComputeTimerTiming(11059200, 1, false, 1000000, Precision::Exact);
    EXPECT_EQ(RangeHintLine(exact, 1), "可用 方式2 278us × 3600 或 62500us × 16");
    const TimerTiming inModeTwo = ComputeTimerTiming(12000000, 2, false, 1000, Precision::Classic);
    EXPECT_EQ(RangeHintLine(inModeTwo, 2), "可用 250us × 4");
    const TimerTiming prime = ComputeTimerTiming(12000000, 1, false, 1000003, Precision::Classic);
    EXPECT_EQ(RangeHintLine(prime, 1), "无法分解为整数微秒");
}

TEST(DriftFreeLimitLine, OffersTheHardwareSplitOrTheCountsKept)
{
    const TimerTiming full = ComputeTimerTiming(12000000, 1, false, 65536, Precision::Classic, 1, true);
    EXPECT_EQ(DriftFreeLimitLine(full, 1), "无累积误差 可用 方式2 256us × 256");
    const TimerTiming shortPeriod = ComputeTimerTiming(12000000, 1, false, 50, Precision::Classic, 1, true);
    EXPECT_EQ(DriftFreeLimitLine(shortPeriod, 1), "无累积误差须100~65024周期");
    EXPECT_EQ(
        DriftFreeLimitNote(0, 8192), "无累积误差：方式0的计数应在100~8128个机器周期之间，此为 8192；“生成”不写代码");
}

TEST(TimerRangeTip, ShowsWhatEachSplitCosts)
{
    const TimerReload reload = ComputeTimerReload(12000000, 1, false, 1000000);
    const TimerTiming timing = ComputeTimerTiming(12000000, 1, false, 1000000, Precision::Classic);
    const std::string tip = TimerRangeTip(0, false, 1, 1000000, reload, timing, 12000000);
    EXPECT_NE(tip.find("方式2硬件重装无累积误差：周期框填 250（250 个机器周期），× N 框填 4000（每秒 4000.0 次中断，"
                       "占CPU约 10.40%）"),
        std::string::npos)
        << tip;
    EXPECT_NE(tip.find("用软件计数可达：周期框填 62500，× N 框填 16（每秒 16.0 次中断"), std::string::npos) << tip;
}
