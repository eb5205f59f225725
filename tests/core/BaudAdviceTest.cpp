#include "BaudAdvice.h"
#include "Configuration.h"
#include "WindowModel.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orlet;

namespace {

Configuration serialPort(const char* chip, std::uint32_t crystalHz, std::uint32_t rate, int uartTimer = 1)
{
    Configuration config;
    config.chip = ChipNamed(chip);
    config.crystalHz = crystalHz;
    config.uartBaudIndex = BaudIndexOf(rate);
    config.uartCustomBaud = rate;
    config.uartTimer = uartTimer;
    return config;
}

// "timer 2 9615.38 +0.16": what a fix changes, the real rate and deviation it gives.
std::string describe(const BaudFix& fix)
{
    char numbers[48];
    std::snprintf(numbers, sizeof numbers, " %.2f %+.2f", fix.result.actualBaud, fix.deviationPercent);
    switch (fix.kind) {
    case BaudFixKind::Doubling:
        return (fix.doubled ? "doubling" : "no doubling") + std::string(numbers);
    case BaudFixKind::Source:
        return "timer " + std::to_string(fix.uartTimer) + numbers;
    case BaudFixKind::Clock:
        return std::to_string(fix.clock) + "T" + numbers;
    case BaudFixKind::Crystal:
        return fix.crystalMhz + " MHz" + numbers;
    case BaudFixKind::Rate:
        return std::to_string(kBaudRates.at(std::size_t(fix.rateIndex))) + numbers;
    }
    return {};
}

} // namespace

TEST(BaudAdvice, RealRateDeviationAndFixesBestFirst)
{
    struct Case {
        const char* name;
        Configuration config;
        double actualBaud, deviationPercent;
        std::vector<std::string> fixes;
    } cases[] = {
        // Doubling gives 8928.57 bit/s, -6.99 %: still beyond, so not offered.
        { "8052 12 MHz 9600", serialPort("8052", 12000000, 9600), 10416.67, 8.51,
            { "timer 2 9615.38 +0.16", "11.0592 MHz 9600.00 +0.00", "2400 2403.85 +0.16" } },
        { "8051 12 MHz 9600", serialPort("8051", 12000000, 9600), 10416.67, 8.51,
            { "11.0592 MHz 9600.00 +0.00", "2400 2403.85 +0.16" } },
        { "8051 12 MHz 4800", serialPort("8051", 12000000, 4800), 4464.29, -6.99,
            { "doubling 4807.69 +0.16", "11.0592 MHz 4800.00 +0.00", "2400 2403.85 +0.16" } },
        { "8051 11.0592 MHz 57600, doubling", serialPort("8051", 11059200, 57600), 28800, -50,
            { "doubling 57600.00 +0.00", "22.1184 MHz 57600.00 +0.00", "9600 9600.00 +0.00" } },
        // Timer 1 in 12T: 2 counts, 125000 bit/s; timer 2 counts at 1T.
        { "stc15 12 MHz 115200, timer 1 at 12T",
            [] {
                Configuration c = serialPort("stc15", 12000000, 115200);
                c.timer(1).clock = 12;
                return c;
            }(),
            125000, 8.51,
            { "timer 2 115384.62 +0.16", "1T 115384.62 +0.16", "11.0592 MHz 115200.00 +0.00",
                "19200 19230.77 +0.16" } },
        // Timer 2 counts with the user's period, so it is no fix.
        { "8052 12 MHz 9600, timer 2 in use",
            [] {
                Configuration c = serialPort("8052", 12000000, 9600);
                c.timer(2) = { true, false, 0, 1000 };
                return c;
            }(),
            10416.67, 8.51, { "11.0592 MHz 9600.00 +0.00", "2400 2403.85 +0.16" } },
        { "within the tolerance", serialPort("8052", 11059200, 9600), 9600, 0, {} },
        { "off the list: MIDI", serialPort("8051", 12000000, 31250), 31250, 0, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ResolveResult result = ResolveConfiguration(c.config);
        ASSERT_TRUE(result.resolved);
        const BaudCalculation& baud = *result.resolved->baud;
        EXPECT_NEAR(baud.actualBaud, c.actualBaud, 0.005);
        EXPECT_NEAR(BaudDeviationPercent(baud), c.deviationPercent, 0.005);
        std::vector<std::string> fixes;
        for (const BaudFix& fix : result.resolved->baudFixes)
            fixes.push_back(describe(fix));
        EXPECT_EQ(fixes, c.fixes);
    }
}

TEST(BaudAdvice, EachFixMadeInTheWindowGivesWhatItPromised)
{
    WindowModel model;
    model.chip = ChipNamed("8052");
    model = OnChipChange(model).model;
    model.useUart = true;
    model = OnUseUart(model).model;
    const std::vector<BaudFix> fixes = BaudFixesFor(model);
    ASSERT_EQ(fixes.size(), 3u);
    for (const BaudFix& fix : fixes) {
        const Transition done = ApplyBaudFix(model, fix);
        EXPECT_TRUE(done.notices.empty());
        EXPECT_EQ(done.model.baudRun->baud, fix.result);
        EXPECT_TRUE(BaudFixesFor(done.model).empty());
        EXPECT_TRUE(IsSettled(done.model));
    }
}

TEST(BaudAdvice, RatesOffTheListWithinReachOnly)
{
    struct Case {
        const char* name;
        Configuration config;
        std::optional<ConfigErrorCode> refusal;
        BaudRange reachable;
        std::uint8_t reload;
    } cases[] = {
        { "MIDI at 12 MHz", serialPort("8051", 12000000, 31250), std::nullopt, {}, 0xFF },
        { "the slowest at 12 MHz", serialPort("8051", 12000000, 122), std::nullopt, {}, 0x00 },
        { "DMX at 12 MHz", serialPort("8051", 12000000, 250000), ConfigErrorCode::BaudRateUnreachable, { 122, 62500 },
            0 },
        { "below the reach", serialPort("8051", 12000000, 121), ConfigErrorCode::BaudRateUnreachable, { 122, 62500 },
            0 },
        { "DMX from timer 2", serialPort("8052", 16000000, 250000, 2), std::nullopt, {}, 0xFE },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ResolveResult result = ResolveConfiguration(c.config);
        if (c.refusal) {
            ASSERT_TRUE(result.error);
            EXPECT_EQ(result.error->code, *c.refusal);
            EXPECT_EQ(result.error->reachable, c.reachable);
            continue;
        }
        ASSERT_TRUE(result.resolved);
        EXPECT_EQ(result.resolved->baud->low, c.reload);
    }
}

TEST(BaudAdvice, TypedRateIsKeptOrRefusedWithTheReach)
{
    WindowModel model;
    model.useUart = true;
    model = OnUseUart(model).model;
    EXPECT_EQ(MessageText(*BaudRateRefusal(model, 250000)), "波特率应在122~62500bps之间");
    EXPECT_FALSE(BaudRateRefusal(model, 31250));

    model = OnCustomBaud(model, 31250).model;
    EXPECT_EQ(model.baudIndex, kCustomBaudIndex);
    EXPECT_EQ(model.baudReloadText, "0xff");
    EXPECT_EQ(model.baudErrorText, "0.0000%");
    model = OnCustomBaud(model, 9600).model; // a listed rate is chosen from the list
    EXPECT_EQ(model.baudIndex, kDefaultBaudIndex);
    EXPECT_EQ(model.customBaud, 31250u);
    EXPECT_EQ(model.baudReloadText, "0xfd");
}

TEST(BaudAdvice, MaximumDeviationRefusesWithTheFixes)
{
    Configuration config = serialPort("8051", 12000000, 9600);
    config.maxBaudDeviationPercent = 2;
    const ResolveResult refused = ResolveConfiguration(config);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code, ConfigErrorCode::BaudDeviationTooLarge);
    EXPECT_NEAR(refused.error->deviationPercent, 8.51, 0.005);
    EXPECT_EQ(refused.error->baudFixes.size(), 2u);

    config.maxBaudDeviationPercent = 9;
    EXPECT_TRUE(ResolveConfiguration(config).resolved);
}

TEST(BaudAdvice, TableOfTheListedRates)
{
    BaudRequest request;
    request.source = BaudSource::Timer2;
    const std::vector<BaudTableRow> rows = BaudTable(ChipNamed("8052"), 12000000, request);
    ASSERT_EQ(rows.size(), kBaudRates.size());
    struct Row {
        int index;
        bool fits, beyond;
        std::uint32_t reload;
    } expected[] = { { 0, true, false, 0xFB1E }, { 5, true, false, 0xFFD9 }, { 8, true, true, 0xFFF9 },
        { 10, true, true, 0xFFFD } };
    for (const Row& e : expected) {
        const BaudTableRow& row = rows.at(std::size_t(e.index));
        EXPECT_EQ(row.baud.fits, e.fits) << e.index;
        EXPECT_EQ(row.beyondTolerance, e.beyond) << e.index;
        EXPECT_EQ(row.baud.reload, e.reload) << e.index;
    }
    EXPECT_FALSE(BaudTable(ChipNamed("8051"), 12000000, {}).at(10).baud.fits);
}
