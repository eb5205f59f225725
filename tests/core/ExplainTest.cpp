#include "Explain.h"
#include "Configuration.h"

#include <gtest/gtest.h>

#include <optional>

using namespace orlet;

namespace {

// The derivation of `config`; empty, with the resolver's error as a failure,
// when the configuration is refused.
std::optional<Derivation> derive(const Configuration& config, Dialect dialect = Dialect::Keil)
{
    const ResolveResult resolved = ResolveConfiguration(config);
    if (!resolved.resolved) {
        ADD_FAILURE() << "the configuration was refused";
        return std::nullopt;
    }
    return DeriveConfiguration(config, *resolved.resolved, dialect);
}

// The English derivation of `config`; empty when it is refused.
std::string explain(const Configuration& config, Dialect dialect = Dialect::Keil)
{
    const auto d = derive(config, dialect);
    return d ? FormatDerivation(*d) : std::string();
}

int baudIndex(std::uint32_t rate)
{
    for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
        if (kBaudRates[i] == rate)
            return int(i);
    }
    return -1;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

struct TimerCase {
    std::uint32_t crystalHz;
    int mode;
    bool counter;
    std::uint32_t value;
    std::uint64_t count;
    std::uint32_t start;
    double actualPeriodUs; // timer kinds
    std::optional<double> errorPercent;
};

void PrintTo(const TimerCase& c, std::ostream* os)
{
    *os << c.crystalHz << " Hz mode " << c.mode << (c.counter ? " counter " : " timer ") << c.value;
}

} // namespace

TEST(TimerDerivationTable, CountStartBytesAndRealPeriod)
{
    const TimerCase cases[] = { { 12000000, 1, false, 1000, 1000, 64536, 1000.0, 0.0 },
        { 11059200, 1, false, 1000, 916, 64620, 993.923611111, -0.607638888889 },
        { 11059200, 2, false, 100, 91, 165, 98.741319444, -1.258680555556 },
        { 14745599, 0, false, 2000, 2333, 5859, 1898.600389174, -5.069980541313 },
        { 24000000, 0, false, 1, 2, 8190, 1.0, 0.0 },
        // A period of 0 still counts one cycle, and has no error to give.
        { 12000000, 1, false, 0, 1, 65535, 1.0, std::nullopt },
        // The full count: the start value 0.
        { 12000000, 2, false, 256, 256, 0, 256.0, 0.0 }, { 12000000, 2, true, 100, 100, 156, 0, std::nullopt },
        // A count of 0 wraps to the full counter.
        { 12000000, 0, true, 0, 0, 8192, 0, std::nullopt } };
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        Configuration config;
        config.crystalHz = c.crystalHz;
        config.timer(1) = { true, c.counter, c.mode, c.value, false };
        const auto d = derive(config);
        ASSERT_TRUE(d);
        ASSERT_FALSE(d->timers[0]);
        ASSERT_TRUE(d->timers[1]);
        const step::Start& t = *d->timers[1]->find<step::Start>();
        EXPECT_EQ(t.count, c.count);
        EXPECT_EQ(t.start, c.start);

        // The bytes the source prints must be the explained start value.
        const std::uint32_t start = c.start % t.limit;
        switch (c.mode) {
        case 0:
            EXPECT_EQ(t.high * 32u + t.low, start);
            break;
        case 1:
            EXPECT_EQ(t.high * 256u + t.low, start);
            break;
        default:
            EXPECT_EQ(t.low, start);
            EXPECT_EQ(t.high, t.low);
        }

        if (c.counter)
            continue;
        const step::Period& p = *d->timers[1]->find<step::Period>();
        EXPECT_NEAR(p.actualUs, c.actualPeriodUs, 1e-6);
        ASSERT_EQ(p.errorPercent.has_value(), c.errorPercent.has_value());
        if (c.errorPercent) {
            EXPECT_NEAR(*p.errorPercent, *c.errorPercent, 1e-6);
        }
    }
}

namespace {

struct BaudCase {
    std::uint32_t crystalHz;
    std::uint32_t rate;
    bool doubled;
    std::uint32_t q;
    double x;
    int n;
    std::uint8_t reload;
    std::uint32_t bitClocks;
    double actualBaud;
    double deviationPercent;
    double errorPercent;
};

void PrintTo(const BaudCase& c, std::ostream* os)
{
    *os << c.crystalHz << " Hz " << c.rate << (c.doubled ? " doubled" : "");
}

} // namespace

TEST(BaudDerivationTable, CountReloadAndRealRate)
{
    const BaudCase cases[] = { { 11059200, 9600, false, 1152, 3.0, 3, 0xfd, 1152, 9600.0, 0.0, 0.0 },
        { 12000000, 9600, false, 1250, 3.2552, 3, 0xfd, 1152, 10416.667, 8.50694, 7.84 },
        { 12000000, 9600, true, 1250, 6.5104, 7, 0xf9, 1344, 8928.571, -6.99405, -7.52 },
        { 33000000, 9600, true, 3437, 17.9010, 18, 0xee, 3456, 9548.611, -0.53530, -0.5528 },
        { 11059200, 115200, true, 96, 0.5, 1, 0xff, 192, 57600.0, -50.0, -100.0 },
        // The count of 256 gives the reload 0.
        { 14745599, 300, true, 49151, 255.9948, 256, 0x00, 49152, 299.99998, -0.0000068, -0.002 } };
    for (const BaudCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        Configuration config;
        config.crystalHz = c.crystalHz;
        config.uartBaudIndex = baudIndex(c.rate);
        config.uartDoubleBaud = c.doubled;
        const auto d = derive(config);
        ASSERT_TRUE(d && d->baud);
        const step::BaudCount& b = *d->baud->find<step::BaudCount>();
        const step::BaudRate& rate = *d->baud->find<step::BaudRate>();
        EXPECT_EQ(b.k, c.doubled ? 2 : 1);
        EXPECT_EQ(b.q, c.q);
        EXPECT_NEAR(b.x, c.x, 1e-4);
        EXPECT_EQ(b.n, unsigned(c.n));
        EXPECT_EQ(d->baud->find<step::BaudReload>()->low, c.reload);
        EXPECT_EQ(rate.bitClocks, c.bitClocks);
        EXPECT_NEAR(rate.actualBaud, c.actualBaud, 1e-3);
        EXPECT_NEAR(rate.deviationPercent, c.deviationPercent, 1e-4);
        EXPECT_DOUBLE_EQ(d->baud->find<step::BaudError>()->errorShown, c.errorPercent);
    }
}

TEST(FormatDerivation, SpellsOutEveryStep)
{
    Configuration config;
    config.crystalHz = 11059200;
    config.timer(0) = { true, false, 1, 1000, true };
    config.uartBaudIndex = baudIndex(9600);
    config.uartDoubleBaud = true;
    const std::string text = explain(config);
    for (const char* part : {
             "Crystal: 11059200 Hz (11.0592 MHz)",
             "TMOD = 0x09: timer 1 unused (0); timer 0 mode 1, C/T 0, GATE 1.",
             "11059200 Hz counts as 11 MHz (the fraction, 0.0592 MHz, is dropped).",
             "n = floor(11 * 1000 / 12) = 916.",
             "L - n = 65536 - 916 = 64620 = 0xfc6c: TH0 = 0xfc, TL0 = 0x6c.",
             "= 993.9236 us, error -0.6076% against the 1000 us asked for.",
             "initUart() ORs 0x20 into TMOD",
             "doubling on (PCON |= 0x80 sets SMOD, k = 2)",
             "q = floor(11059200 / 9600) = 1152;",
             "x = k * q / 32 / 12 = 2 * 1152 / 384 = 6.0000",
             "r = 256 - n = 250 = 0xfa: TH1 = TL1 = 0xfa.",
             "9600.00 bit/s, 0.0000% against 9600; a bit lasts 384 * 6 / 2 = 1152 oscillator periods",
             "Error shown: 1 - n / x = 0.0000%",
         }) {
        EXPECT_TRUE(contains(text, part)) << part << "\n" << text;
    }
    for (unsigned char c : text)
        EXPECT_LT(c, 0x80) << "the derivation is ASCII";
}

TEST(FormatDerivation, ModeZeroAndTheShortestCount)
{
    Configuration config;
    config.timer(1) = { true, false, 0, 0, false };
    const std::string text = explain(config);
    EXPECT_TRUE(contains(text, "n = floor(12 * 0 / 12) = 0, raised to 1")) << text;
    EXPECT_TRUE(contains(text, "TH1 = 8191 / 32 = 0xff, TL1 = 8191 % 32 = 0x1f.")) << text;
    EXPECT_TRUE(contains(text, "no error to give")) << text;
    EXPECT_FALSE(contains(text, "fraction")) << text;
}

TEST(FormatDerivation, ExactCountsShowTheWholeMegahertzCountWhenItDiffers)
{
    Configuration config;
    config.crystalHz = 11059200;
    config.precision = Precision::Exact;
    config.timer(0) = { true, false, 1, 62500, false, 16 };
    config.timer(1) = { true, false, 2, 0, false };
    const auto d = derive(config);
    ASSERT_TRUE(d && d->timers[0]);
    EXPECT_EQ(d->timers[0]->find<step::Count>()->count, 57600u);
    EXPECT_EQ(d->timers[0]->find<step::Count>()->classicCount, 57291u);
    EXPECT_NEAR(d->timers[0]->find<step::Period>()->wholeUs, 1e6, 1e-6);
    const std::string text = FormatDerivation(*d);
    for (const char* part : {
             "n = floor(11059200 * 62500 / 12000000 + 0.5) = 57600 (whole megahertz, 11 MHz, would give 57291).",
             "L - n = 65536 - 57600 = 7936 = 0x1f00: TH0 = 0x1f, TL0 = 0x00.",
             "once in 16 interrupts, so it runs every 16 * 62500.0000 = 1000000.0000 us, error 0.0000% against the"
             " 1000000 us asked for.",
             "n = floor(11059200 * 0 / 12000000 + 0.5) = 0, raised to 1: the timer counts at least one cycle.",
         }) {
        EXPECT_TRUE(contains(text, part)) << part << "\n" << text;
    }
    EXPECT_FALSE(contains(text, "fraction")) << text;

    config.crystalHz = 12000000;
    EXPECT_FALSE(contains(explain(config), "would give"));
}

TEST(FormatDerivation, ExactSerialCountTakesTheWholeFrequency)
{
    Configuration config;
    config.crystalHz = 33000000;
    config.precision = Precision::Exact;
    config.uartBaudIndex = baudIndex(9600);
    config.uartDoubleBaud = true;
    const auto d = derive(config);
    ASSERT_TRUE(d && d->baud);
    EXPECT_NEAR(d->baud->find<step::BaudCount>()->x, 17.9036, 1e-4);
    EXPECT_DOUBLE_EQ(d->baud->find<step::BaudError>()->errorShown, -0.5382);
    const std::string text = FormatDerivation(*d);
    EXPECT_TRUE(contains(text, "x = k * f / (384 * rate) = 2 * 33000000 / (384 * 9600) = 17.9036")) << text;
    EXPECT_FALSE(contains(text, "q = floor")) << text;
}

TEST(FormatDerivation, InterruptPeriodAndDrift)
{
    Configuration config;
    config.timer(0) = { true, false, 1, 1000, false };
    config.timer(1) = { true, false, 1, 50000, false, 20 };
    const std::string plain = explain(config, Dialect::Sdcc);
    for (const char* part : {
             "From the overflow to the reload: 4 (the hardware call and the LJMP at the vector) + 2 (MOV THx; MOV TLx"
             " restarts the count) + 1 (main's 2-cycle SJMP finishing) = 7 cycles, so an interrupt comes every"
             " 1000 + 7 = 1007 machine cycles",
             "Drift: 1007 cycles last 1007.0000 us against the 1000 us asked for: +7000.0 ppm, +604.8 s a day.",
             "+ 4 (PUSH ACC, PUSH PSW for the software counter)",
             "every 50000 + 10 = 50010 machine cycles",
             "Drift-free timing adds the reload to the running count instead",
         }) {
        EXPECT_TRUE(contains(plain, part)) << part << "\n" << plain;
    }

    config.driftFree = true;
    const std::string kept = explain(config, Dialect::Sdcc);
    for (const char* part : {
             "adds the start value plus the 16 cycles it stands still to what it has counted since the overflow"
             " (TL0 += 0x28, TH0 += 0xfc and the carry)",
             "so an interrupt comes every n = 1000 machine cycles whatever the latency",
             "Drift: 1000 cycles last 1000.0000 us against the 1000 us asked for: +0.0 ppm, +0.0 s a day.",
             "Exact with the hardware reload as well: mode 2 at 250 us (250 cycles) x 4 interrupts = 1000 cycles",
         }) {
        EXPECT_TRUE(contains(kept, part)) << part << "\n" << kept;
    }
    EXPECT_FALSE(contains(kept, "Drift-free timing adds")) << kept;
    EXPECT_TRUE(contains(explain(config, Dialect::Keil), "plus the 12 cycles")) << "Keil reads TLx into A";
}

TEST(FormatDerivation, ModeTwoNeedsNothing)
{
    Configuration config;
    config.crystalHz = 11059200;
    config.timer(1) = { true, false, 2, 100, false };
    config.driftFree = true;
    const auto d = derive(config);
    ASSERT_TRUE(d && d->timers[1]);
    EXPECT_EQ(d->timers[1]->find<step::Interrupt>()->interruptCycles, 91u);
    EXPECT_EQ(d->timers[1]->find<step::Interrupt>()->kind, ReloadKind::Hardware);
    EXPECT_TRUE(contains(FormatDerivation(*d),
        "the hardware reloads at the overflow, so an interrupt comes every"
        " n = 91 machine cycles."));
}

// The parts' own words: the generator named for what it is, the set-up
// registers with their bits, and an internal oscillator's tolerance.
TEST(FormatDerivation, PartsNameTheirGeneratorsBitsAndClockTolerance)
{
    struct Case {
        const char* chip;
        std::uint32_t crystalHz;
        bool internal;
        std::optional<std::uint32_t> clock0; // timer 0 mode 1, 1000 us
        std::optional<std::uint32_t> rate;
        std::vector<const char*> said;
        std::vector<const char*> unsaid;
    };
    const Case cases[] = {
        { "stc12c5a60s2", 11059200, false, {}, 9600,
            { "clocked by BRT at 1 clocks", "BRT = 0xdc.", "AUXR after init: 0x15 (BRTR, BRTx12, S1BRS)." },
            { "Internal oscillator", "TL1" } },
        { "n76e003", 16000000, true, 1, 115200,
            { "clocked by timer 3", "SMOD = 1, set by the init code", "65536 - 9 = 0xfff7",
                "CKCON after init: 0x08 (T0M).", "T3CON after init: 0x28 (BRCK, TR3).",
                "Clock: the internal oscillator at 16000000 Hz.",
                "Internal oscillator off by up to 2% (-40 to 105 C (1 % at -10 to 70 C)): every period as much"
                " longer or shorter, up to 1728 s a day.",
                "the real rate is then -5.48% to -1.62% from 115200 bit/s." },
            {} },
        // The same frequency from a crystal: no tolerance told.
        { "n76e003", 16000000, false, 12, {}, { "CKCON after init: 0x00 (none set)." },
            { "Internal oscillator", "T3CON" } },
        { "ch552", 24000000, true, 4, {}, { "T2MOD after init: 0x10 (bT0_CLK)." }, { "T2CON" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        Configuration config;
        config.chip = ChipNamed(c.chip);
        config.crystalHz = c.crystalHz;
        config.internalClock = c.internal;
        if (c.clock0) {
            config.timer(0) = { true, false, 1, 1000, false };
            config.timer(0).clock = c.clock0;
        }
        if (c.rate)
            config.uartBaudIndex = baudIndex(*c.rate);
        const std::string text = explain(config);
        for (const char* part : c.said)
            EXPECT_TRUE(contains(text, part)) << part << "\n" << text;
        for (const char* part : c.unsaid)
            EXPECT_FALSE(contains(text, part)) << part << "\n" << text;
    }
}
