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

TimerRequest periodOf(int mode, std::uint32_t value, Precision precision = Precision::Classic)
{
    return { 0, mode, false, value, 12, false, precision };
}

TimerDerivation derivationOf(
    std::uint32_t crystalHz, const TimerRequest& request, std::uint32_t postscale = 1, bool driftFree = false)
{
    return DeriveTimer({ Chip(), crystalHz, request, CalculateTimer(Chip(), crystalHz, request), postscale, false,
        driftFree, driftFree });
}

// What the window shows after a range error of `request` on the 8051.
TimerTexts afterRangeError(std::uint32_t crystalHz, const TimerRequest& request)
{
    return TimerTextsOf(
        { 0, Chip(), crystalHz, std::nullopt, DescribeRangeError(Chip(), crystalHz, request, 1), std::nullopt, false });
}

// What the window shows where drift-free timing cannot keep the count.
TimerTexts driftFreeRefused(std::uint32_t crystalHz, const TimerRequest& request)
{
    const TimerCalculation c = CalculateTimer(Chip(), crystalHz, request);
    const DriftFreeLimit limit { { MessageCode::DriftFreeOutOfRange, request.mode }, request.mode, c.reload.count,
        HardwareSplitFor(Chip(), crystalHz, request, 1) };
    return TimerTextsOf({ 0, Chip(), crystalHz, derivationOf(crystalHz, request), std::nullopt, limit, true });
}

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
        EXPECT_EQ(
            RealPeriodLine(derivationOf(c.crystalHz, periodOf(c.mode, c.value), c.postscale, c.driftFree)), c.line);
    }
}

TEST(RangeHintLine, HardwareSplitFirstThenTheOther)
{
    EXPECT_EQ(afterRangeError(12000000, periodOf(1, 1000000)).line, "可用 方式2 250us × 4000 或 62500us × 16");
    EXPECT_EQ(afterRangeError(11059200, periodOf(1, 1000000, Precision::Exact)).line,
        "可用 方式2 278us × 3600 或 62500us × 16");
    EXPECT_EQ(afterRangeError(12000000, periodOf(2, 1000)).line, "可用 250us × 4");
    EXPECT_EQ(afterRangeError(12000000, periodOf(1, 1000003)).line, "无法分解为整数微秒");
}

TEST(DriftFreeLimitLine, OffersTheHardwareSplitOrTheCountsKept)
{
    EXPECT_EQ(driftFreeRefused(12000000, periodOf(1, 65536)).line, "无累积误差 可用 方式2 256us × 256");
    EXPECT_EQ(driftFreeRefused(12000000, periodOf(1, 50)).line, "无累积误差须100~65024周期");
    const std::string tip = driftFreeRefused(12000000, periodOf(0, 8192)).tip;
    EXPECT_EQ(
        tip.substr(0, tip.find('\n')), "无累积误差：方式0的计数应在100~8128个机器周期之间，此为 8192；“生成”不写代码");
}

TEST(TimerRangeTip, ShowsWhatEachSplitCosts)
{
    const std::string tip = afterRangeError(12000000, periodOf(1, 1000000)).tip;
    EXPECT_NE(tip.find("方式2硬件重装无累积误差：周期框填 250（250 个机器周期），× N 框填 4000（每秒 4000.0 次中断，"
                       "占CPU约 10.40%）"),
        std::string::npos)
        << tip;
    EXPECT_NE(tip.find("用软件计数可达：周期框填 62500，× N 框填 16（每秒 16.0 次中断"), std::string::npos) << tip;
}

TEST(SerialTexts, RealRateLineFixesAndTable)
{
    const auto baudAt = [](const char* chip, std::uint32_t hz, BaudSource source, int index, bool smod = false) {
        return CalculateBaud(ChipNamed(chip), hz, { source, index, smod });
    };
    const struct {
        BaudCalculation baud;
        const char* line;
    } lines[] = {
        { baudAt("8051", 12000000, BaudSource::Timer1Mode2, 5), "实际 10416.67bps +8.51%" },
        { baudAt("8051", 12000000, BaudSource::Timer1Mode2, 5, true), "实际 8928.57bps -6.99%" },
        { baudAt("8051", 11059200, BaudSource::Timer1Mode2, 5), "实际 9600.00bps 0.00%" },
        { baudAt("8052", 12000000, BaudSource::Timer2, 5), "实际 9615.38bps +0.16%" },
    };
    for (const auto& l : lines)
        EXPECT_EQ(RealRateLine(l.baud), l.line);

    BaudFix crystal;
    crystal.kind = BaudFixKind::Crystal;
    crystal.crystalMhz = "11.0592";
    crystal.result = baudAt("8051", 11059200, BaudSource::Timer1Mode2, 5);
    EXPECT_EQ(BaudFixText(crystal), "晶振11.0592MHz 9600.00bps 0.00%");

    const std::string table = BaudTableTip(BaudTable(Chip(), 12000000, {}));
    EXPECT_NE(table.find("\n9600：0xfd，10416.67bps，+8.51%（超出±2%）\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\n2400：0xf3，2403.85bps，+0.16%\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\n115200：无法产生"), std::string::npos) << table;
}
