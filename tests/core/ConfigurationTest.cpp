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

TEST(TmodFor, ModeKindAndGateBits)
{
    struct Case {
        TimerConfig t0, t1;
        std::uint8_t tmod;
    } cases[] = {
        { timer(1, 1, true), timer(2, 1), 0x29 }, { counter(1, 1), {}, 0x05 }, { counter(1, 1), timer(1, 1), 0x15 },
        { {}, counter(2, 1), 0x60 }, { timer(0, 1), timer(1, 1, true), 0x90 },
        { { false, false, 1, 1, true }, {}, 0x00 }, // a timer not in use sets nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(TmodFor(c.t0, c.t1), c.tmod);
}

TEST(ResolveConfiguration, TimersAndSerialPortFillTheRecord)
{
    Configuration config;
    config.crystalHz = 11059200;
    config.timer0 = timer(1, 1000);
    config.uartBaudIndex = 5;
    config.uartDoubleBaud = true;
    config.int1 = TriggerMode::Level;
    const ResolveResult result = ResolveConfiguration(config);
    ASSERT_TRUE(result.resolved) << result.error;
    const ResolvedConfiguration& r = *result.resolved;
    EXPECT_EQ(r.settings.tmod, 0x01);
    EXPECT_EQ(r.settings.th0, 0xFC);
    EXPECT_EQ(r.settings.tl0, 0x6C);
    EXPECT_EQ(r.settings.th1, 0xFA);
    EXPECT_EQ(r.settings.tl1, 0xFA);
    EXPECT_EQ(r.reload0Text, "fcH,6cH");
    EXPECT_EQ(r.baudReloadText, "0xfa");
    EXPECT_EQ(r.baudErrorText, "0.0000%");
    EXPECT_TRUE(r.settings.int1Enabled);
    EXPECT_EQ(r.settings.int1Trigger, TriggerMode::Level);
    EXPECT_FALSE(r.settings.int0Enabled);
}

TEST(ResolveConfiguration, UnusedBlocksKeepTheStartingBytes)
{
    const ResolveResult result = ResolveConfiguration({});
    ASSERT_TRUE(result.resolved);
    const GeneratorSettings& s = result.resolved->settings;
    EXPECT_EQ(s.tmod, 0);
    EXPECT_EQ(s.th0 & s.tl0 & s.th1 & s.tl1, 0xFF);
}

TEST(ResolveConfiguration, RefusesWhatTheWindowWouldCorrect)
{
    struct Case {
        Configuration config;
        const char* errorStart;
    };
    Configuration tooLong;
    tooLong.timer0 = timer(1, 65537);
    Configuration tooMany;
    tooMany.timer1 = counter(2, 300);
    Configuration tooSlow;
    tooSlow.crystalHz = 24000000;
    tooSlow.uartBaudIndex = 0;
    tooSlow.uartDoubleBaud = true;
    Configuration tooFast;
    tooFast.crystalHz = 11059200;
    tooFast.uartBaudIndex = 10;
    Configuration both;
    both.timer1 = timer(1, 10);
    both.uartBaudIndex = 5;
    Configuration slowCrystal;
    slowCrystal.crystalHz = 999999;
    const Case cases[] = {
        { tooLong, "定时时间超出16位范围: timer0 mode 1 accepts at most 65536 us" },
        { tooMany, "计数值超出8位范围: counter1 mode 2 accepts at most 256 pulses" },
        { tooSlow, "波特率太低" },
        { tooFast, "波特率太高" },
        { both, "timer 1 is the baud-rate generator" },
        { slowCrystal, "the crystal must be from 1 to 100 MHz" },
    };
    for (const Case& c : cases) {
        const ResolveResult result = ResolveConfiguration(c.config);
        EXPECT_FALSE(result.resolved);
        EXPECT_EQ(result.error.rfind(c.errorStart, 0), 0u) << result.error;
    }
}

TEST(ResolveConfiguration, ExactPrecisionAndPostscaleReachTheRecord)
{
    Configuration config;
    config.crystalHz = 11059200;
    config.precision = Precision::Exact;
    config.timer0 = timer(1, 50000);
    config.timer0.postscale = 20;
    config.uartBaudIndex = 5;
    const ResolveResult result = ResolveConfiguration(config);
    ASSERT_TRUE(result.resolved) << result.error;
    EXPECT_EQ(result.resolved->reload0Text, "4cH,0H");
    EXPECT_EQ(result.resolved->settings.postscale0, 20);
    EXPECT_EQ(result.resolved->settings.postscale1, 1);
    EXPECT_EQ(result.resolved->baudReloadText, "0xfd");
}

TEST(ResolveConfiguration, AnOverlongPeriodSuggestsTheExactHardwareSplitFirst)
{
    struct Case {
        TimerConfig t0, t1;
        const char* error;
    } cases[] = {
        { timer(1, 1000000), {},
            "定时时间超出16位范围: timer0 mode 1 accepts at most 65536 us, got 1000000; use --timer0 2:250 "
            "--postscale0 4000 (exact with the hardware reload: 250 x 4000 = 1000000 cycles; 4000 interrupts/s, "
            "about 10.40% of the CPU) or --timer0 1:62500 --postscale0 16 (16 interrupts/s, about 0.04% of the CPU)" },
        { {}, timer(0, 1000000),
            "got 1000000; use --timer1 2:250 --postscale1 4000 (exact with the hardware reload: 250 x 4000 = 1000000 "
            "cycles; 4000 interrupts/s, about 10.40% of the CPU) or --timer1 0:8000 --postscale1 125 (124.8 "
            "interrupts/s, about 0.30% of the CPU)" },
        // The postscale already set multiplies in.
        { { true, false, 1, 1000000, false, 3 }, {},
            "use --timer0 2:250 --postscale0 12000 (exact with the hardware reload: 250 x 12000 = 3000000 cycles;"
            " 4000 interrupts/s, about 10.40% of the CPU) or --timer0 1:62500 --postscale0 48 (16 interrupts/s, about"
            " 0.04% of the CPU)" },
        // In mode 2 the two are one.
        { timer(2, 1000), {},
            "got 1000; use --timer0 2:250 --postscale0 4 (exact with the hardware reload: 250 x 4 = 1000 cycles; "
            "4000 interrupts/s, about 8.00% of the CPU)" },
        // Counters and periods without a whole split keep the plain message.
        { counter(2, 300), {}, "计数值超出8位范围: counter0 mode 2 accepts at most 256 pulses, got 300" },
        { timer(1, 65537), {}, "定时时间超出16位范围: timer0 mode 1 accepts at most 65536 us, got 65537" },
    };
    for (const Case& c : cases) {
        Configuration config;
        config.timer0 = c.t0;
        config.timer1 = c.t1;
        const ResolveResult result = ResolveConfiguration(config);
        ASSERT_FALSE(result.resolved);
        EXPECT_TRUE(result.error.ends_with(c.error)) << result.error;
    }
}

TEST(ResolveConfiguration, RefusesAPostscaleOutsideItsRange)
{
    for (std::uint32_t postscale : { 0u, 65536u }) {
        Configuration config;
        config.timer0 = timer(1, 1000);
        config.timer0.postscale = postscale;
        EXPECT_EQ(ResolveConfiguration(config).error, "a postscale is from 1 to 65535");
    }
}
