#include "Calculation.h"
#include "BaudReload.h"
#include "Crystal.h"
#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace orlet;

// Expected values come from the vendors' formulas written out here, and from
// the reference values of their manuals, never from the code under test.

namespace {

struct TimerCase {
    const char* what;
    Chip chip;
    std::uint32_t crystalHz;
    int timer;
    int mode;
    std::uint32_t clock;
    bool sixT;
    std::uint32_t periodUs;
    unsigned th; // the reference bytes
    unsigned tl;
    bool hardwareReload;
};

void PrintTo(const TimerCase& c, std::ostream* os)
{
    *os << c.what;
}

int rateIndex(std::uint32_t rate)
{
    return int(std::find(kBaudRates.begin(), kBaudRates.end(), rate) - kBaudRates.begin());
}

// The reload a period needs: counter limit minus crystal * t / clocks,
// rounded half up.
std::uint32_t vendorReload(std::uint32_t limit, std::uint32_t crystalHz, std::uint32_t clocks, std::uint32_t us)
{
    const double counts = double(crystalHz) * us / (clocks * 1e6);
    return limit - static_cast<std::uint32_t>(std::floor(counts + 0.5));
}

} // namespace

TEST(ChipTimerTable, ReferenceBytesAndRealPeriod)
{
    const TimerCase cases[] = {
        { "8052 12 MHz timer 2 1000 us", ChipNamed("8052"), 12000000, 2, 0, 12, false, 1000, 0xFC, 0x18, true },
        { "stc15 12 MHz timer 0 mode 0 1T", ChipNamed("stc15"), 12000000, 0, 0, 1, false, 1000, 0xD1, 0x20, true },
        { "stc15 12 MHz timer 0 mode 0 12T", ChipNamed("stc15"), 12000000, 0, 0, 12, false, 1000, 0xFC, 0x18, true },
        { "stc8 12 MHz timer 1 mode 0 1T", ChipNamed("stc8"), 12000000, 1, 0, 1, false, 1000, 0xD1, 0x20, true },
        { "stc15 12 MHz timer 0 mode 1 1T", ChipNamed("stc15"), 12000000, 0, 1, 1, false, 1000, 0xD1, 0x20, false },
        { "stc15 12 MHz timer 0 mode 2 1T 10 us", ChipNamed("stc15"), 12000000, 0, 2, 1, false, 10, 0x88, 0x88, true },
        { "stc15 11.0592 MHz timer 2 1T", ChipNamed("stc15"), 11059200, 2, 0, 1, false, 1000, 0xD4, 0xCD, true },
        { "stc89 6T 12 MHz timer 2", ChipNamed("stc89"), 12000000, 2, 0, 12, true, 1000, 0xF8, 0x30, true },
        { "stc89 6T 12 MHz timer 0 mode 1", ChipNamed("stc89"), 12000000, 0, 1, 12, true, 1000, 0xF8, 0x30, false },
        { "stc89 12T 12 MHz timer 0 mode 1", ChipNamed("stc89"), 12000000, 0, 1, 12, false, 1000, 0xFC, 0x18, false },
        // 921.6 machine cycles: the exact crystal gives 922, whole megahertz 916.
        { "8052 11.0592 MHz timer 0 mode 1", ChipNamed("8052"), 11059200, 0, 1, 12, false, 1000, 0xFC, 0x66, false },
        // CH552: T2MOD picks Fsys/12, Fsys/4 or Fsys; N76E003: CKCON Fsys/12 or Fsys.
        { "ch552 24 MHz timer 0 mode 1 Fsys/12", ChipNamed("ch552"), 24000000, 0, 1, 12, false, 1000, 0xF8, 0x30,
            false },
        { "ch552 24 MHz timer 0 mode 1 Fsys/4", ChipNamed("ch552"), 24000000, 0, 1, 4, false, 1000, 0xE8, 0x90, false },
        { "ch552 24 MHz timer 0 mode 1 Fsys", ChipNamed("ch552"), 24000000, 0, 1, 1, false, 1000, 0xA2, 0x40, false },
        { "ch552 24 MHz timer 2 Fsys/4", ChipNamed("ch552"), 24000000, 2, 0, 4, false, 1000, 0xE8, 0x90, true },
        { "n76e003 16 MHz timer 0 mode 1 Fsys", ChipNamed("n76e003"), 16000000, 0, 1, 1, false, 1000, 0xC1, 0x80,
            false },
        { "n76e003 16 MHz timer 1 mode 1 Fsys/12", ChipNamed("n76e003"), 16000000, 1, 1, 12, false, 1000, 0xFA, 0xCB,
            false },
        { "stc12 12 MHz timer 0 mode 2 1T 10 us", ChipNamed("stc12c5a60s2"), 12000000, 0, 2, 1, false, 10, 0x88, 0x88,
            true },
        { "stc15w408as 12 MHz timer 2 1T", ChipNamed("stc15w408as"), 12000000, 2, 0, 1, false, 1000, 0xD1, 0x20, true }
    };
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const TimerCalculation r
            = CalculateTimer(c.chip, c.crystalHz, { c.timer, c.mode, false, c.periodUs, c.clock, c.sixT });
        ASSERT_FALSE(r.error) << int(r.error->code);
        ASSERT_TRUE(r.reload.inRange);
        EXPECT_EQ(r.reload.th, c.th);
        EXPECT_EQ(r.reload.tl, c.tl);
        EXPECT_EQ(r.hardwareReload, c.hardwareReload);

        const std::uint32_t clocks = c.sixT ? 6 : c.clock;
        EXPECT_EQ(r.clocksPerCount, clocks);
        const std::uint32_t limit = c.mode == 2 ? 256 : 65536;
        const std::uint32_t reload = vendorReload(limit, c.crystalHz, clocks, c.periodUs);
        EXPECT_EQ(limit == 256 ? r.reload.tl : r.reload.th * 256u + r.reload.tl, reload);
        EXPECT_DOUBLE_EQ(r.actualPeriodUs, (limit - reload) * clocks * 1e6 / c.crystalHz);
    }
}

// The 8051 profile is ComputeTimerReload itself, whole megahertz included.
TEST(TimerCalculation, The8051CountsAsTheWindowAlwaysDid)
{
    for (const CrystalEntry& crystal : kCrystals) {
        for (int mode : { 0, 1, 2 }) {
            for (std::uint32_t us : { 0u, 1u, 50u, 250u, 1000u, 8191u, 70000u }) {
                for (Precision precision : { Precision::Classic, Precision::Exact }) {
                    const TimerReload want = ComputeTimerReload(crystal.hz, mode, false, us, precision);
                    const TimerCalculation got
                        = CalculateTimer(Chip(), crystal.hz, { 0, mode, false, us, 12, false, precision });
                    ASSERT_FALSE(got.error);
                    EXPECT_EQ(got.reload.inRange, want.inRange);
                    EXPECT_EQ(got.reload.th, want.th);
                    EXPECT_EQ(got.reload.tl, want.tl);
                    EXPECT_EQ(got.reload.corrected, want.corrected);
                    EXPECT_EQ(got.reload.message, want.message);
                    EXPECT_EQ(got.reload.count, want.count);
                }
            }
        }
    }
}

TEST(TimerCalculation, OutOfRangeCorrectsTheWholePeriodAtTheChipsRate)
{
    // 1T at 12 MHz: 65536 counts last 5461.33 us.
    const TimerCalculation r = CalculateTimer(ChipNamed("stc15"), 12000000, { 0, 0, false, 6000, 1 });
    EXPECT_FALSE(r.reload.inRange);
    EXPECT_EQ(r.reload.message, "定时时间超出16位范围");
    EXPECT_EQ(r.reload.corrected, 5461u);
    EXPECT_EQ(r.actualPeriodUs, 0);

    const TimerCalculation counted = CalculateTimer(ChipNamed("8052"), 12000000, { 2, 0, true, 70000, 12 });
    EXPECT_EQ(counted.reload.message, "计数值超出16位范围");
    EXPECT_EQ(counted.reload.corrected, 65536u);
}

TEST(TimerCalculation, ATrapComputesNothing)
{
    const TimerCalculation r = CalculateTimer(ChipNamed("stc15"), 12000000, { 0, 3, false, 1000, 1 });
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->code, ChipErrorCode::ModeNotOffered);
    EXPECT_EQ(r.reload.count, 0u);

    EXPECT_EQ(CalculateTimer(Chip(), 12000000, { 2, 0, false, 1000 }).error->code, ChipErrorCode::NoSuchTimer);
    EXPECT_EQ(CalculateTimer(ChipNamed("stc89"), 12000000, { 0, 1, false, 1000, 1 }).error->code,
        ChipErrorCode::ClockNotOffered);
    EXPECT_EQ(CalculateTimer(ChipNamed("8052"), 12000000, { 0, 1, false, 1000, 12, true }).error->code,
        ChipErrorCode::SixTNotOffered);
}

namespace {

struct BaudCase {
    const char* what;
    Chip chip;
    std::uint32_t crystalHz;
    BaudSource source;
    std::uint32_t rate;
    bool smod;
    std::uint32_t clock;
    bool sixT;
    unsigned reload; // the reference value
    double errorPercent; // to two decimals
};

void PrintTo(const BaudCase& c, std::ostream* os)
{
    *os << c.what;
}

// The vendors' rate formulas for a reload value.
double vendorBaud(const BaudCase& c, unsigned reload)
{
    const double f = c.crystalHz;
    const double smod = c.smod ? 2 : 1;
    const std::string_view key = c.chip.key();
    const bool stc = key == "stc15" || key == "stc8";
    const double slower = c.sixT ? 0.5 : 1; // 6T doubles every rate
    const double twelveT = c.clock == 12 ? 12 : 1;
    if (c.source == BaudSource::Brt) // STC12: 2^SMOD * SYSclk / (32 * (256 - BRT)), / 12 at BRTx12 = 0
        return smod * f / (32 * twelveT * (256 - reload));
    if (c.source == BaudSource::Timer3) // N76E003, SMOD = 1, prescale 1/1
        return f / (16 * (65536 - reload));
    if (key == "ch552" && c.source == BaudSource::Timer1Mode2) // Fsys/12, /4 or /1 by T2MOD
        return smod * f / (32 * c.clock * (256 - reload));
    if (key == "ch552") // timer 2 counts Fsys/4, /2 or /1 as the baud generator
        return f / (16 * (c.clock == 12 ? 4 : c.clock == 4 ? 2 : 1) * (65536 - reload));
    if (c.source == BaudSource::Timer1Mode2)
        return stc ? smod * f / (32 * twelveT * (256 - reload)) : smod * f / (32 * 12 * slower * (256 - reload));
    if (stc)
        return f / (4 * twelveT * (65536 - reload));
    return f / (32 * slower * (65536 - reload));
}

} // namespace

TEST(ChipBaudTable, ReferenceReloadRateAndError)
{
    const BaudCase cases[] = { { "8052 11.0592 MHz 9600 timer 2", ChipNamed("8052"), 11059200, BaudSource::Timer2, 9600,
                                   false, 12, false, 0xFFDC, 0 },
        { "8052 12 MHz 9600 timer 2", ChipNamed("8052"), 12000000, BaudSource::Timer2, 9600, false, 12, false, 0xFFD9,
            0.16 },
        { "8052 12 MHz 9600 timer 2 ignores SMOD", ChipNamed("8052"), 12000000, BaudSource::Timer2, 9600, true, 12,
            false, 0xFFD9, 0.16 },
        { "8052 12 MHz 9600 timer 1", ChipNamed("8052"), 12000000, BaudSource::Timer1Mode2, 9600, false, 12, false,
            0xFD, 7.84 },
        { "8052 12 MHz 9600 timer 1 doubled", ChipNamed("8052"), 12000000, BaudSource::Timer1Mode2, 9600, true, 12,
            false, 0xF9, -7.52 },
        { "stc89 6T 11.0592 MHz 9600 timer 2", ChipNamed("stc89"), 11059200, BaudSource::Timer2, 9600, false, 12, true,
            0xFFB8, 0 },
        { "stc89 6T 11.0592 MHz 9600 timer 1", ChipNamed("stc89"), 11059200, BaudSource::Timer1Mode2, 9600, false, 12,
            true, 0xFA, 0 },
        { "stc15 11.0592 MHz 115200 timer 2 1T", ChipNamed("stc15"), 11059200, BaudSource::Timer2, 115200, false, 1,
            false, 0xFFE8, 0 },
        { "stc8 11.0592 MHz 115200 timer 2 1T", ChipNamed("stc8"), 11059200, BaudSource::Timer2, 115200, false, 1,
            false, 0xFFE8, 0 },
        // The STC8 manual's table of reload values (UART1 mode 1).
        { "stc8 11.0592 MHz 9600 timer 2 1T", ChipNamed("stc8"), 11059200, BaudSource::Timer2, 9600, false, 1, false,
            0xFEE0, 0 },
        { "stc8 11.0592 MHz 9600 timer 2 12T", ChipNamed("stc8"), 11059200, BaudSource::Timer2, 9600, false, 12, false,
            0xFFE8, 0 },
        { "stc8 18.432 MHz 9600 timer 2 1T", ChipNamed("stc8"), 18432000, BaudSource::Timer2, 9600, false, 1, false,
            0xFE20, 0 },
        { "stc8 18.432 MHz 9600 timer 2 12T", ChipNamed("stc8"), 18432000, BaudSource::Timer2, 9600, false, 12, false,
            0xFFD8, 0 },
        { "stc8 22.1184 MHz 115200 timer 2 1T", ChipNamed("stc8"), 22118400, BaudSource::Timer2, 115200, false, 1,
            false, 0xFFD0, 0 },
        { "stc8 22.1184 MHz 115200 timer 1 mode 0 12T", ChipNamed("stc8"), 22118400, BaudSource::Timer1Mode0, 115200,
            false, 12, false, 0xFFFC, 0 },
        { "stc15 22.1184 MHz 9600 timer 1 mode 0 1T", ChipNamed("stc15"), 22118400, BaudSource::Timer1Mode0, 9600,
            false, 1, false, 0xFDC0, 0 },
        { "stc8 22.1184 MHz 9600 timer 1 mode 2 SMOD 1T", ChipNamed("stc8"), 22118400, BaudSource::Timer1Mode2, 9600,
            true, 1, false, 0x70, 0 },
        { "stc8 22.1184 MHz 9600 timer 1 mode 2 SMOD 12T", ChipNamed("stc8"), 22118400, BaudSource::Timer1Mode2, 9600,
            true, 12, false, 0xF4, 0 },
        { "stc8 22.1184 MHz 9600 timer 1 mode 2 1T", ChipNamed("stc8"), 22118400, BaudSource::Timer1Mode2, 9600, false,
            1, false, 0xB8, 0 },
        { "stc8 22.1184 MHz 9600 timer 1 mode 2 12T", ChipNamed("stc8"), 22118400, BaudSource::Timer1Mode2, 9600, false,
            12, false, 0xFA, 0 },
        // 11059200 / (32 * 9600) = 36: BRT = 256 - 36.
        { "stc12 11.0592 MHz 9600 BRT 1T", ChipNamed("stc12c5a60s2"), 11059200, BaudSource::Brt, 9600, false, 1, false,
            0xDC, 0 },
        { "stc12 11.0592 MHz 9600 BRT 12T", ChipNamed("stc12c5a60s2"), 11059200, BaudSource::Brt, 9600, false, 12,
            false, 0xFD, 0 },
        { "stc12 22.1184 MHz 115200 BRT 1T doubled", ChipNamed("stc12c5a60s2"), 22118400, BaudSource::Brt, 115200, true,
            1, false, 0xF4, 0 },
        // The N76E003 datasheet's baud tables (timer 3, prescale 1/1); the
        // vendor's sample also writes 0xFFF7 for 115200 at 16 MHz.
        { "n76e003 16 MHz 115200 timer 3", ChipNamed("n76e003"), 16000000, BaudSource::Timer3, 115200, false, 1, false,
            0xFFF7, -3.68 },
        { "n76e003 16 MHz 9600 timer 3", ChipNamed("n76e003"), 16000000, BaudSource::Timer3, 9600, false, 1, false,
            0xFF98, 0.16 },
        { "n76e003 16 MHz 38400 timer 3", ChipNamed("n76e003"), 16000000, BaudSource::Timer3, 38400, false, 1, false,
            0xFFE6, 0.16 },
        { "n76e003 16 MHz 57600 timer 3", ChipNamed("n76e003"), 16000000, BaudSource::Timer3, 57600, false, 1, false,
            0xFFEF, 2.08 },
        { "n76e003 16.6 MHz 115200 timer 3", ChipNamed("n76e003"), 16600000, BaudSource::Timer3, 115200, false, 1,
            false, 0xFFF7, 0.07 },
        // The CH552 datasheet's UART0 formulas; WCH's sample rounds alike.
        { "ch552 24 MHz 115200 timer 1 Fsys doubled", ChipNamed("ch552"), 24000000, BaudSource::Timer1Mode2, 115200,
            true, 1, false, 0xF3, 0.16 },
        { "ch552 16 MHz 115200 timer 1 Fsys doubled", ChipNamed("ch552"), 16000000, BaudSource::Timer1Mode2, 115200,
            true, 1, false, 0xF7, -3.68 },
        { "ch552 24 MHz 9600 timer 1 Fsys/12", ChipNamed("ch552"), 24000000, BaudSource::Timer1Mode2, 9600, false, 12,
            false, 0xF9, -7.52 },
        { "ch552 24 MHz 115200 timer 2 Fsys", ChipNamed("ch552"), 24000000, BaudSource::Timer2, 115200, false, 1, false,
            0xFFF3, 0.16 },
        { "ch552 24 MHz 9600 timer 2 Fsys/4", ChipNamed("ch552"), 24000000, BaudSource::Timer2, 9600, false, 12, false,
            0xFFD9, 0.16 },
        { "ch552 6 MHz 9600 timer 2 Fsys/2", ChipNamed("ch552"), 6000000, BaudSource::Timer2, 9600, false, 4, false,
            0xFFEC, -2.40 } };
    for (const BaudCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const BaudCalculation b
            = CalculateBaud(c.chip, c.crystalHz, { c.source, rateIndex(c.rate), c.smod, c.clock, c.sixT });
        ASSERT_FALSE(b.error) << int(b.error->code);
        ASSERT_TRUE(b.fits) << int(b.refusal);
        EXPECT_EQ(b.reload, c.reload);
        const bool eightBit = c.source == BaudSource::Timer1Mode2 || c.source == BaudSource::Brt;
        EXPECT_EQ(b.high, eightBit ? c.reload : c.reload >> 8);
        EXPECT_EQ(b.low, c.reload & 0xFF);
        EXPECT_EQ(b.count, (eightBit ? 256 : 65536) - c.reload);

        const double actual = vendorBaud(c, c.reload);
        EXPECT_NEAR(b.actualBaud, actual, 1e-6);
        // The display's error, 1 - n / x, is 1 - rate / actual.
        EXPECT_NEAR(b.errorPercent, (1 - c.rate / actual) * 100, 1e-9);
        EXPECT_NEAR(b.errorPercent, c.errorPercent, 0.005);
    }
}

TEST(ChipBaud, RatesOutOfReachAreTooLowOrTooHigh)
{
    const BaudCalculation low
        = CalculateBaud(ChipNamed("8052"), 33000000, { BaudSource::Timer1Mode2, rateIndex(300), false, 12 });
    EXPECT_FALSE(low.fits);
    EXPECT_EQ(low.refusal, MessageCode::BaudTooLow);
    const BaudCalculation high
        = CalculateBaud(ChipNamed("8052"), 1000000, { BaudSource::Timer2, rateIndex(115200), false, 12 });
    EXPECT_FALSE(high.fits);
    EXPECT_EQ(high.refusal, MessageCode::BaudTooHigh);
    // Timer 2 reaches 300 bit/s at 33 MHz where timer 1 cannot.
    EXPECT_TRUE(CalculateBaud(ChipNamed("8052"), 33000000, { BaudSource::Timer2, rateIndex(300), false, 12 }).fits);
}

TEST(ChipBaud, TrapsAreRefused)
{
    EXPECT_EQ(CalculateBaud(Chip(), 11059200, { BaudSource::Timer2, rateIndex(9600), false, 12 }).error->code,
        ChipErrorCode::BaudSourceNotOffered);
    EXPECT_EQ(
        CalculateBaud(ChipNamed("stc89"), 11059200, { BaudSource::Timer2, rateIndex(9600), false, 1 }).error->code,
        ChipErrorCode::ClockNotOffered);
}

namespace {

// Timers 0 to 2 in use at their clock choice (0: not in use), a counter on
// timer 2, and the serial port's source.
struct RegisterCase {
    const char* what;
    const char* chip;
    std::array<std::uint32_t, 3> clocks;
    std::optional<BaudSource> uart;
    std::uint32_t uartClock;
    const char* sfr;
    unsigned value;
    bool timer2Counter = false;
};

void PrintTo(const RegisterCase& c, std::ostream* os)
{
    *os << c.what;
}

} // namespace

// AUXR: T0x12 0x80, T1x12 0x40, T2R/BRTR 0x10, T2_C/T 0x08, T2x12/BRTx12
// 0x04, S1ST2/S1BRS 0x01. CKCON: T1M 0x10, T0M 0x08; T3CON: BRCK 0x20, TR3
// 0x08. T2MOD: bTMR_CLK 0x80, bT2_CLK 0x40, bT1_CLK 0x20, bT0_CLK 0x10.
TEST(RegistersAfterInit, ValueTheInitCodeLeaves)
{
    using B = BaudSource;
    const RegisterCase cases[] = {
        { "nothing in use", "stc15", { 0, 0, 0 }, {}, 1, "AUXR", 0x00 },
        { "UART1 from timer 2 at 1T", "stc15", { 0, 0, 0 }, B::Timer2, 1, "AUXR", 0x15 },
        { "UART1 from timer 2 at 12T", "stc15", { 0, 0, 0 }, B::Timer2, 12, "AUXR", 0x11 },
        { "timer 0 at 1T", "stc15", { 1, 0, 0 }, {}, 1, "AUXR", 0x80 },
        { "timer 0 at 12T", "stc15", { 12, 0, 0 }, {}, 1, "AUXR", 0x00 },
        { "timers 0 and 1 at 1T, UART1 from timer 2", "stc8", { 1, 1, 0 }, B::Timer2, 1, "AUXR", 0xD5 },
        { "timer 1 at 12T as baud source, timer 0 at 1T", "stc15", { 1, 0, 0 }, B::Timer1Mode0, 12, "AUXR", 0x80 },
        { "timer 2 running at 12T", "stc15", { 0, 0, 12 }, {}, 1, "AUXR", 0x10 },
        { "timer 2 counting at 1T", "stc15", { 0, 0, 1 }, {}, 1, "AUXR", 0x1C, true },
        { "BRT at 1T", "stc12c5a60s2", { 0, 0, 0 }, B::Brt, 1, "AUXR", 0x15 },
        { "BRT at 12T, timer 0 at 1T", "stc12c5a60s2", { 1, 0, 0 }, B::Brt, 12, "AUXR", 0x91 },
        { "timer 0 at Fsys", "n76e003", { 1, 12, 0 }, {}, 1, "CKCON", 0x08 },
        { "timer 1 at Fsys", "n76e003", { 0, 1, 0 }, B::Timer3, 1, "CKCON", 0x10 },
        { "UART0 from timer 3", "n76e003", { 0, 0, 0 }, B::Timer3, 1, "T3CON", 0x28 },
        { "timer 0 at Fsys/4", "ch552", { 4, 0, 0 }, {}, 12, "T2MOD", 0x10 },
        { "timer 0 at Fsys", "ch552", { 1, 0, 0 }, {}, 12, "T2MOD", 0x90 },
        { "timer 0 at Fsys/12, UART0 from timer 1 at Fsys", "ch552", { 12, 0, 0 }, B::Timer1Mode2, 1, "T2MOD", 0xA0 },
        { "UART0 from timer 2 at Fsys/2", "ch552", { 0, 0, 0 }, B::Timer2, 4, "T2MOD", 0x40 },
    };
    for (const RegisterCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        GeneratorSettings s;
        s.chip = ChipNamed(c.chip);
        for (int timer = 0; timer < 3; ++timer) {
            s.timer(timer).enabled = c.clocks.at(std::size_t(timer)) != 0;
            s.timer(timer).clock = s.timer(timer).enabled ? c.clocks.at(std::size_t(timer)) : 1;
        }
        s.timer(2).counter = c.timer2Counter;
        if (c.uart) {
            s.uartEnabled = true;
            s.uartSource = *c.uart;
            s.timer(FindBaudSource(s.chip.row(), *c.uart)->timer).clock = c.uartClock;
        }
        EXPECT_EQ(RegisterAfterInit(s, c.sfr), c.value);
    }
}

TEST(Timer2Con, ValueTheInitCodeLeaves)
{
    // RCLK 0x20, TCLK 0x10, TR2 0x04, C/T2 0x02.
    EXPECT_EQ(Timer2ConValue(true, false), 0x34);
    EXPECT_EQ(Timer2ConValue(false, false), 0x04);
    EXPECT_EQ(Timer2ConValue(false, true), 0x06);
    EXPECT_EQ(Timer2ConValue(false, false, false), 0x00);
}

// A refused rate falls back to one that fits, from every source at every
// clock from 1 to 100 MHz.
TEST(ChipBaud, SomeListedRateFitsEverySourceAndCrystal)
{
    for (const ChipRow& profile : ChipRows()) {
        for (const BaudSourceRow& source : profile.baudSources) {
            for (std::uint32_t clock : { 12u, 1u }) {
                for (bool fast : { false, true }) {
                    if (!FindClock(profile, source.timer, clock))
                        continue;
                    const bool sixT = fast && profile.offersSixT;
                    const bool smod = fast && source.smodDoubles;
                    for (std::uint32_t mhz = 1; mhz <= 100; ++mhz) {
                        const auto fits = [&](int index) {
                            const BaudRequest request { source.source, index, smod, clock, sixT };
                            return CalculateBaud(Chip(profile), mhz * 1000000, request).fits;
                        };
                        ASSERT_TRUE(fits(FallBackBaudIndex(fits)))
                            << profile.key << " timer " << source.timer << " at " << mhz << " MHz";
                    }
                }
            }
        }
    }
}
