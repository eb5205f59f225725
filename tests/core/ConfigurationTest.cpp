#include "Configuration.h"

#include <gtest/gtest.h>

using namespace orlet;

namespace {

TimerConfig timer(int mode, std::uint32_t value, bool gate = false)
{
    return { true, false, mode, value, gate };
}

TimerConfig counter(int mode, std::uint32_t value)
{
    return { true, true, mode, value, false };
}

} // namespace

TEST(ResolveConfiguration, ModeKindAndGateBits)
{
    struct Case {
        TimerConfig t0, t1;
        std::uint8_t tmod;
    } cases[] = {
        { timer(1, 1, true), timer(2, 1), 0x29 },
        { counter(1, 1), {}, 0x05 },
        { counter(1, 1), timer(1, 1), 0x15 },
        { {}, counter(2, 1), 0x60 },
        { timer(0, 1), timer(1, 1, true), 0x90 },
        { { false, false, 1, 1, true }, {}, 0x00 }, // a timer not in use sets nothing
        { { true, true, 1, 1, true }, {}, 0x0D }, // a gated counter, as the window writes it
        { {}, { true, true, 0, 1, true }, 0xC0 },
    };
    for (const Case& c : cases) {
        Configuration config;
        config.timer(0) = c.t0;
        config.timer(1) = c.t1;
        const ResolveResult result = ResolveConfiguration(config);
        ASSERT_TRUE(result.resolved);
        EXPECT_EQ(result.resolved->settings.tmod, c.tmod);
    }
}

TEST(ResolveConfiguration, UnusedBlocksKeepTheStartingBytes)
{
    const ResolveResult result = ResolveConfiguration({});
    ASSERT_TRUE(result.resolved);
    const GeneratorSettings& s = result.resolved->settings;
    EXPECT_EQ(s.tmod, 0);
    EXPECT_EQ(s.timer(0).th & s.timer(0).tl & s.timer(1).th & s.timer(1).tl, 0xFF);
}

TEST(ResolveConfiguration, RefusesWhatTheWindowWouldCorrect)
{
    struct Case {
        Configuration config;
        ConfigErrorCode code;
        Message message;
    };
    Configuration tooLong;
    tooLong.timer(0) = timer(1, 65537);
    Configuration tooMany;
    tooMany.timer(1) = counter(2, 300);
    Configuration tooSlow;
    tooSlow.crystalHz = 24000000;
    tooSlow.uartBaudIndex = 0;
    tooSlow.uartDoubleBaud = true;
    Configuration tooFast;
    tooFast.crystalHz = 11059200;
    tooFast.uartBaudIndex = 10;
    Configuration both;
    both.timer(1) = timer(1, 10);
    both.uartBaudIndex = 5;
    Configuration slowCrystal;
    slowCrystal.crystalHz = 999999;
    Configuration unreachable; // single precision steps over it near 100 MHz
    unreachable.crystalHz = 99999951;
    Configuration badMode;
    badMode.timer(1) = timer(3, 10);
    Configuration badRate;
    badRate.uartBaudIndex = 11;
    const Case cases[] = {
        { tooLong, ConfigErrorCode::TimerOutOfRange, { MessageCode::TimerOutOfRange, 1 } },
        { tooMany, ConfigErrorCode::TimerOutOfRange, { MessageCode::CountOutOfRange, 2 } },
        { tooSlow, ConfigErrorCode::BaudRateDoesNotFit, { MessageCode::BaudTooLow } },
        { tooFast, ConfigErrorCode::BaudRateDoesNotFit, { MessageCode::BaudTooHigh } },
        { both, ConfigErrorCode::Timer1WithSerialPort, {} },
        { slowCrystal, ConfigErrorCode::CrystalOutOfRange, {} },
        { unreachable, ConfigErrorCode::CrystalNotReachable, {} },
        { badMode, ConfigErrorCode::TimerModeUnknown, {} },
        { badRate, ConfigErrorCode::BaudRateUnknown, {} },
    };
    for (const Case& c : cases) {
        const ResolveResult result = ResolveConfiguration(c.config);
        EXPECT_FALSE(result.resolved);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->code, c.code);
        EXPECT_EQ(result.error->message, c.message);
    }
}

TEST(ResolveConfiguration, AnOverlongPeriodSuggestsTheHardwareSplitFirst)
{
    using Split = std::optional<std::pair<std::uint32_t, std::uint32_t>>; // period, postscale
    struct Case {
        TimerConfig t0, t1;
        std::uint32_t limit;
        Split hardware; // mode 2, exact
        Split split; // the timer's own mode
    } cases[] = {
        { timer(1, 1000000), {}, 65536, std::pair { 250u, 4000u }, std::pair { 62500u, 16u } },
        { {}, timer(0, 1000000), 8192, std::pair { 250u, 4000u }, std::pair { 8000u, 125u } },
        // The postscale already set multiplies in.
        { { true, false, 1, 1000000, false, 3 }, {}, 65536, std::pair { 250u, 12000u }, std::pair { 62500u, 48u } },
        // In mode 2 the two are one: the hardware split alone.
        { timer(2, 1000), {}, 256, std::pair { 250u, 4u }, std::nullopt },
        // Counters and periods without a whole split have none.
        { counter(2, 300), {}, 256, std::nullopt, std::nullopt },
        { timer(1, 65537), {}, 65536, std::nullopt, std::nullopt },
    };
    const auto expectSplit = [](const std::optional<PostscaleSplit>& got, const Split& want) {
        ASSERT_EQ(got.has_value(), want.has_value());
        if (want) {
            EXPECT_EQ(got->periodUs, want->first);
            EXPECT_EQ(got->postscale, want->second);
        }
    };
    for (const Case& c : cases) {
        Configuration config;
        config.timer(0) = c.t0;
        config.timer(1) = c.t1;
        const ResolveResult result = ResolveConfiguration(config);
        ASSERT_FALSE(result.resolved);
        const ConfigError& e = *result.error;
        EXPECT_EQ(e.code, ConfigErrorCode::TimerOutOfRange);
        EXPECT_EQ(e.limit, c.limit);
        EXPECT_EQ(e.value, c.t0.enabled ? c.t0.value : c.t1.value);
        ASSERT_TRUE(e.range);
        expectSplit(e.range->hardwareSplit, c.hardware);
        if (const auto& hardware = e.range->hardwareSplit) {
            EXPECT_EQ(hardware->cycles * hardware->postscale, std::uint64_t(e.value) * c.t0.postscale);
        }
        expectSplit(e.range->split, c.split);
    }
}

TEST(ResolveConfiguration, DriftFreeRefusesCountsItCannotKeepExact)
{
    struct Case {
        TimerConfig t0;
        std::optional<std::uint64_t> max; // empty: accepted
    } cases[] = {
        { timer(1, 1000), std::nullopt }, { timer(1, 99), 65024 }, // too short to add in time
        { timer(1, 65100), 65024 }, { timer(0, 8000), std::nullopt }, { timer(0, 8192), 8128 },
        { timer(2, 50), std::nullopt }, // the hardware reload needs nothing
        { counter(1, 10), std::nullopt }, // counters keep the plain reload
    };
    for (const Case& c : cases) {
        Configuration config;
        config.timer(0) = c.t0;
        config.driftFree = true;
        const ResolveResult result = ResolveConfiguration(config);
        ASSERT_EQ(result.resolved.has_value(), !c.max) << c.t0.mode << ":" << c.t0.value;
        if (c.max) {
            EXPECT_EQ(result.error->code, ConfigErrorCode::DriftFreeOutOfRange);
            EXPECT_EQ(result.error->maxCount, *c.max);
            EXPECT_EQ(result.error->value, c.t0.value);
        } else {
            EXPECT_TRUE(result.resolved->settings.driftFree);
        }
    }
}

TEST(ResolveConfiguration, RefusesAPostscaleOutsideItsRange)
{
    for (std::uint32_t postscale : { 0u, 65536u }) {
        Configuration config;
        config.timer(0) = timer(1, 1000);
        config.timer(0).postscale = postscale;
        EXPECT_EQ(ResolveConfiguration(config).error->code, ConfigErrorCode::PostscaleOutOfRange);
    }
}
