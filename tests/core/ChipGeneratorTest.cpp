#include "Calculation.h"
#include "Configuration.h"
#include "Derivation.h"
#include "Explain.h"
#include "SourceGenerator.h"
#include "VendorHeader.h"
#include "WindowModel.h"
#include "WindowTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <utility>

using namespace orlet;

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TimerConfig timerAt(int mode, std::uint32_t value, bool counter = false, std::uint32_t postscale = 1)
{
    return { true, counter, mode, value, false, postscale };
}

Configuration on(Chip chip, std::uint32_t crystalHz)
{
    Configuration config;
    config.chip = chip;
    config.crystalHz = crystalHz;
    return config;
}

ResolvedConfiguration resolved(const Configuration& config)
{
    const ResolveResult result = ResolveConfiguration(config);
    EXPECT_TRUE(result.resolved) << (result.error ? int(result.error->code) : -1);
    return result.resolved.value_or(ResolvedConfiguration {});
}

std::optional<ConfigError> refusal(const Configuration& config)
{
    return ResolveConfiguration(config).error;
}

// A body of a routine: from its header to its closing brace.
std::string routine(const std::string& text, const std::string& header)
{
    const auto start = text.find(header);
    if (start == std::string::npos)
        return {};
    return text.substr(start, text.find('}', start) - start);
}

// Configurations across the window's blocks, crystals and options.
std::vector<Configuration> sweep()
{
    std::vector<Configuration> configs;
    for (const std::uint32_t hz : { 12000000u, 11059200u, 24000000u, 3686400u }) {
        for (int mode = 0; mode < 3; ++mode) {
            for (const bool drift : { false, true }) {
                for (const std::uint32_t us : { 1u, 250u, 1000u, 70000u }) {
                    Configuration c;
                    c.crystalHz = hz;
                    c.driftFree = drift;
                    c.comments = us == 250;
                    c.precision = us == 1000 ? Precision::Exact : Precision::Classic;
                    c.timer(0) = timerAt(mode, us, false, us == 250 ? 300 : 1);
                    if (us == 1000)
                        c.timer(1) = timerAt(2 - mode, 40, true);
                    else
                        c.uartBaudIndex = int(us % 11);
                    c.uartDoubleBaud = drift;
                    c.uartInterrupt = mode == 1;
                    c.int0 = TriggerMode::Level;
                    configs.push_back(std::move(c));
                }
            }
        }
    }
    return configs;
}

// The text without its first line (the include) and without register
// declarations: what a vendor's header leaves as it was.
std::string withoutIncludeAndDeclarations(const std::string& text)
{
    std::string rest;
    std::size_t start = text.find("\r\n") + 2;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        const std::string_view line(text.data() + start, std::min(end + 2, text.size()) - start);
        if (!line.starts_with("sfr ") && !line.starts_with("__sfr "))
            rest += line;
        start = end + 2;
    }
    return rest;
}

} // namespace

// The chip options at the 8051 change nothing: not a byte, not a refusal.
TEST(ChipGenerator, The8051IsTheClassicProgramWhateverItsOptionsSay)
{
    for (const Configuration& plain : sweep()) {
        Configuration chosen = plain;
        chosen.chip = Chip();
        chosen.timer(0).clock = chosen.timer(1).clock = 12;
        chosen.uartTimer = 1;
        const ResolveResult a = ResolveConfiguration(plain);
        const ResolveResult b = ResolveConfiguration(chosen);
        ASSERT_EQ(a.resolved.has_value(), b.resolved.has_value());
        if (!a.resolved) {
            EXPECT_EQ(a.error->code, b.error->code);
            EXPECT_EQ(a.error->limit, b.error->limit);
            EXPECT_EQ(a.error->range.has_value(), b.error->range.has_value());
            continue;
        }
        for (const Dialect dialect : { Dialect::Keil, Dialect::Sdcc }) {
            EXPECT_EQ(BuildSourceText(a.resolved->settings, dialect), BuildSourceText(b.resolved->settings, dialect));
        }
        EXPECT_EQ(a.resolved->reloadTexts[0], b.resolved->reloadTexts[0]);
        EXPECT_EQ(a.resolved->baudErrorText, b.resolved->baudErrorText);
        EXPECT_EQ(a.resolved->timers, b.resolved->timers);
        EXPECT_EQ(a.resolved->baud, b.resolved->baud);
    }
}

// Every profile's include line, declarations and interrupt numbers, in
// both dialects.
TEST(ChipGenerator, EachProfileWritesItsHeaderAndInterruptNumbers)
{
    struct Case {
        Chip chip;
        const char* keilInclude;
        const char* sdccInclude;
        bool declares;
        int timer2Interrupt;
        const char* timer2Enable;
    };
    const Case cases[] = {
        { ChipNamed("8052"), "#include \"reg52.h\"\r\n", "#include <8052.h>\r\n", false, 5, "ET2=1;" },
        { ChipNamed("stc89"), "#include \"reg52.h\"\r\n", "#include <8052.h>\r\n", false, 5, "ET2=1;" },
        { ChipNamed("stc15"), "#include \"reg51.h\"\r\n", "#include <8051.h>\r\n", true, 12, "IE2|=0x04;" },
        { ChipNamed("stc8"), "#include \"reg51.h\"\r\n", "#include <8051.h>\r\n", true, 12, "IE2|=0x04;" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip.row().title);
        Configuration config = on(c.chip, 12000000);
        config.timer(0) = timerAt(1, 1000);
        config.timer(1) = timerAt(2, 10);
        config.timer(2) = timerAt(0, 5000);
        config.int0 = TriggerMode::FallingEdge;
        config.int1 = TriggerMode::Level;
        const GeneratorSettings s = resolved(config).settings;
        const std::string keil = BuildSourceText(s, Dialect::Keil);
        const std::string sdcc = BuildSourceText(s, Dialect::Sdcc);
        EXPECT_EQ(keil.rfind(c.keilInclude, 0), 0u) << keil;
        EXPECT_EQ(sdcc.rfind(c.sdccInclude, 0), 0u) << sdcc;
        for (const char* sfr : { "AUXR = 0x8E", "IE2 = 0xAF", "T2H = 0xD6", "T2L = 0xD7" })
            EXPECT_EQ(contains(keil, std::string("\r\nsfr ") + sfr + ";\r\n"), c.declares) << sfr;
        for (const char* sfr : { "(0x8E) AUXR", "(0xAF) IE2", "(0xD6) T2H", "(0xD7) T2L" })
            EXPECT_EQ(contains(sdcc, std::string("\r\n__sfr __at") + sfr + ";\r\n"), c.declares) << sfr;
        const std::pair<const char*, int> routines[]
            = { { "int0", 0 }, { "timer0", 1 }, { "int1", 2 }, { "timer1", 3 }, { "timer2", c.timer2Interrupt } };
        for (const auto& [name, number] : routines) {
            EXPECT_TRUE(contains(keil, "void " + std::string(name) + "(void) interrupt " + std::to_string(number)))
                << name;
            EXPECT_TRUE(contains(sdcc, "void " + std::string(name) + "(void) __interrupt(" + std::to_string(number)))
                << name;
        }
        EXPECT_TRUE(contains(keil, c.timer2Enable));
        const std::string body = routine(keil, "void timer2(void)");
        EXPECT_EQ(contains(body, "TF2=0;"), !c.declares);
        EXPECT_FALSE(contains(body, "RCAP2") || contains(body, "T2H")) << "timer 2 reloads itself";
        // IE.5 is EADC on STC15/STC8.
        EXPECT_EQ(contains(keil, "ET2=1;"), !c.declares);
    }
}

// The sweep below shows where the comment goes; here is what it says.
TEST(ChipGenerator, Stc89SixTIsAComment)
{
    Configuration c = on(ChipNamed("stc89"), 11059200);
    c.sixT = true;
    c.timer(0) = timerAt(1, 1000);
    EXPECT_TRUE(contains(BuildSourceText(resolved(c).settings),
        "\r\n//6T mode (6 clocks per machine cycle) is chosen when the STC89 is programmed (STC-ISP)"));
}

TEST(ChipGenerator, TheSerialPortOnTimer2LeavesTimer1Free)
{
    Configuration c = on(ChipNamed("8052"), 11059200);
    c.uartBaudIndex = 5;
    c.uartTimer = 2;
    c.timer(1) = timerAt(1, 1000);
    const ResolvedConfiguration r = resolved(c);
    const std::string text = BuildSourceText(r.settings);
    EXPECT_TRUE(contains(text,
        " SCON=0x50;\r\n RCAP2H=0xff;\r\n RCAP2L=0xdc;\r\n TH2=0xff;\r\n TL2=0xdc;\r\n"
        " T2CON=0x34;\r\n"));
    EXPECT_FALSE(contains(text, "TMOD|=0x20;"));
    EXPECT_TRUE(contains(text, "TR1=1;\r\nET1=1;"));
    ASSERT_TRUE(r.baud);
    EXPECT_DOUBLE_EQ(r.baud->actualBaud, 9600.0);
    EXPECT_EQ(r.baudReloadText, "ffH,dcH");
}

TEST(ChipGenerator, RangesAreTheChipsOwn)
{
    // 1T at 24 MHz: 16 bits hold 2730 us; 12T hold 32768 us.
    Configuration c = on(ChipNamed("stc8"), 24000000);
    c.timer(0) = timerAt(0, 3000);
    auto error = refusal(c);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, ConfigErrorCode::TimerOutOfRange);
    EXPECT_EQ(error->limit, 2730u);
    EXPECT_FALSE(error->range->split) << "mode 0 is the hardware reload: one split";
    c.timer(0).clock = 12;
    EXPECT_FALSE(refusal(c));

    Configuration t2 = on(ChipNamed("8052"), 12000000);
    t2.timer(2) = timerAt(0, 70000);
    error = refusal(t2);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->timer, 2);
    EXPECT_EQ(error->limit, 65536u);

    Configuration slow = on(ChipNamed("stc15"), 24000000);
    slow.uartBaudIndex = 0; // 300 bit/s needs 20000 counts at 1T: fits 16 bits
    EXPECT_FALSE(refusal(slow));
    slow.uartTimer = 2;
    slow.crystalHz = 100000000; // 83333 counts do not
    error = refusal(slow);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, ConfigErrorCode::BaudRateDoesNotFit);
    EXPECT_EQ(error->rate, 300u);
}

// The model driven as a user would drive it holds what resolving its own
// configuration gives, off the 8051 too.
TEST(ChipGenerator, AChipModelResolvesToItself)
{
    WindowModel m;
    m.chip = ChipNamed("stc15");
    m = OnChipChange(m).model;
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(m.timer(t).clock, 1u) << t;
    m.timer(0).use = true;
    m = OnUseTimer(m, 0).model;
    m.timer(0).modeIndex = 2;
    m = OnModeChange(m, 0).model;
    m.timer(0).time = 50;
    m = UpdateTimerReload(m, 0).model;
    m.timer(2).use = true;
    m = OnUseTimer(m, 2).model;
    m.timer(2).modeIndex = 3;
    m = OnModeChange(m, 2).model;
    m.timer(2).time = 100;
    m = UpdateTimerReload(m, 2).model;
    m.timer(1).clock = 12;
    m = OnTimerClockChange(m, 1).model;
    m.useUart = true;
    m.baudIndex = 10;
    const Transition port = OnUseUart(m);
    ASSERT_TRUE(port.notices.empty());
    m = port.model;
    ASSERT_TRUE(IsSettled(m));
    EXPECT_EQ(m.timer(2).unit, "plus");
    EXPECT_EQ(m.timer(2).th, 0xFF);
    EXPECT_EQ(m.timer(2).tl, 0x9C);

    const ResolveResult again = ResolveConfiguration(ConfigurationOf(m));
    ASSERT_TRUE(again.resolved);
    EXPECT_EQ(BuildSourceText(again.resolved->settings), BuildSourceText(SettingsFor(m)));
    EXPECT_EQ(AuxrAfterInit(SettingsFor(m)), kAuxrT0x12 | kAuxrT2R | kAuxrT2CT | kAuxrT2x12);

    // The tooltips count as the chip does: 1T, and the routine's latency
    // of a 1T core is not counted.
    EXPECT_NE(TimerTextsOf(*DescribeTimer(m, 0)).tip.find("每个时钟计数一次（1T）"), std::string::npos);
    EXPECT_NE(BaudTip(*DescribeBaud(m)).find("由定时器1产生"), std::string::npos);

    // Back at the 8051 every timer counts 12 clocks again and timer 2 is gone.
    m.chip = Chip();
    m = OnChipChange(m).model;
    EXPECT_EQ(m.timer(2).clock, 12);
    EXPECT_FALSE(m.timer(2).use);
    EXPECT_EQ(SettingsFor(m).chip, Chip());
    EXPECT_TRUE(DescribeTimer(m, 0));
}

// Every chip across its timers, modes, clocks and baud sources: whatever is
// not refused is written and explained consistently.
TEST(ChipGenerator, SweepOfEveryChip)
{
    int written = 0;
    for (const ChipRow& profile : ChipRows()) {
        if (Chip(profile).isDefault())
            continue;
        const bool stc = TimersUseRegister(profile, "AUXR");
        const bool timer2 = TimerOf(profile, 2) != nullptr;
        for (const std::uint32_t hz : { 11059200u, 12000000u, 24000000u }) {
            for (int variant = 0; variant < 72; ++variant) {
                Configuration c = on(Chip(profile), hz);
                c.timer(0) = timerAt(variant % 3, 500, variant % 5 == 4, variant % 7 == 0 ? 12 : 1);
                if (variant % 4 == 0)
                    c.timer(1) = timerAt((variant / 4) % 3, 40);
                else
                    c.uartBaudIndex = 3 + variant % 8;
                c.uartTimer = timer2 && c.uartBaudIndex && variant % 2 ? 2 : 1;
                if (timer2 && variant % 3 != 1 && c.uartTimer == 1)
                    c.timer(2) = timerAt(0, 2000, variant % 6 == 5, variant % 9 == 0 ? 300 : 1);
                if (stc && variant / 36 == 1) {
                    c.timer(0).clock = c.timer(2).clock = 12;
                    c.timer(1).clock = 1;
                }
                c.sixT = profile.offersSixT && variant % 2 == 0;
                c.driftFree = variant % 8 == 3 && !stc;
                c.comments = variant % 10 == 0;
                SCOPED_TRACE(::testing::Message() << profile.key << " " << hz << " #" << variant);

                const ResolveResult result = ResolveConfiguration(c);
                if (!result.resolved) {
                    // Only a range refusal: the rest was chosen to fit the chip.
                    const ConfigErrorCode code = result.error->code;
                    EXPECT_TRUE(code == ConfigErrorCode::TimerOutOfRange || code == ConfigErrorCode::BaudRateDoesNotFit)
                        << int(code);
                    continue;
                }
                ++written;
                const ResolvedConfiguration& r = *result.resolved;
                const GeneratorSettings& s = r.settings;
                for (const Dialect dialect : { Dialect::Keil, Dialect::Sdcc }) {
                    const std::string text = BuildSourceText(s, dialect);
                    EXPECT_EQ(text.rfind(HeaderFor(profile, dialect).includeLine, 0), 0u);
                    EXPECT_EQ(text.back(), '}');
                    EXPECT_EQ(contains(text, "AUXR"), stc);
                    EXPECT_EQ(contains(text, "IE2|=0x04;"), stc && s.timer(2).enabled);
                    EXPECT_EQ(contains(text, "ET2=1;"), !stc && s.timer(2).enabled);
                    EXPECT_EQ(contains(text, "//6T mode"), c.sixT);
                    const std::string timer0 = routine(text, "void timer0(void)");
                    EXPECT_EQ(contains(timer0, "TH0=") || contains(timer0, "TH0+="),
                        !ReloadsInHardware(FindTimerMode(profile, 0, c.timer(0).mode)->counter));

                    // A vendor's header replaces the include and the declarations
                    // where the chip takes one, and is ignored elsewhere.
                    GeneratorSettings named = s;
                    named.vendorHeader = "inc/STC8H.h";
                    const std::string vendor = BuildSourceText(named, dialect);
                    if (!profile.acceptsVendorHeader) {
                        EXPECT_EQ(vendor, text);
                        continue;
                    }
                    EXPECT_EQ(vendor.rfind("#include \"inc/STC8H.h\"\r\n\r\n", 0), 0u);
                    EXPECT_FALSE(contains(vendor, "sfr "));
                    EXPECT_EQ(withoutIncludeAndDeclarations(vendor), withoutIncludeAndDeclarations(text));
                }
                const std::uint8_t auxr = AuxrAfterInit(s);
                EXPECT_EQ((auxr & kAuxrT0x12) != 0, stc && c.timer(0).clock != 12);
                EXPECT_EQ((auxr & kAuxrS1st2) != 0, stc && s.uartEnabled && c.uartTimer == 2);
                EXPECT_EQ((auxr & kAuxrT2R) != 0, stc && (s.timer(2).enabled || (s.uartEnabled && c.uartTimer == 2)));

                const Derivation d = DeriveConfiguration(c, r);
                for (const auto& t : d.timers) {
                    if (!t)
                        continue;
                    const step::Start& start = *t->find<step::Start>();
                    EXPECT_EQ(start.start, start.limit - start.count);
                    if (start.limit == 65536) {
                        EXPECT_EQ((start.high << 8 | start.low), start.start % 65536);
                    }
                    const step::Interrupt& interrupt = *t->find<step::Interrupt>();
                    if (!t->counter && interrupt.kind == ReloadKind::Hardware) {
                        EXPECT_EQ(interrupt.interruptCycles, interrupt.count);
                    }
                }
                for (const char ch : FormatDerivation(d))
                    ASSERT_LT(static_cast<unsigned char>(ch), 0x80);
            }
        }
    }
    EXPECT_GT(written, 500);
}

// With the vendor's header named, the include line is the one thing written
// before the routines; without, every declaration the text needs is there.
TEST(ChipGenerator, VendorHeaderTakesThePlaceOfTheDeclarations)
{
    struct Case {
        Chip chip;
        Dialect dialect;
        const char* header;
        const char* classicHead; // include line and declarations
    };
    const char* keilHead = "#include \"reg51.h\"\r\nsfr AUXR = 0x8E;\r\nsfr IE2 = 0xAF;\r\nsfr T2H = 0xD6;\r\n"
                           "sfr T2L = 0xD7;\r\n\r\n";
    const char* sdccHead = "#include <8051.h>\r\n__sfr __at(0x8E) AUXR;\r\n__sfr __at(0xAF) IE2;\r\n"
                           "__sfr __at(0xD6) T2H;\r\n__sfr __at(0xD7) T2L;\r\n\r\n";
    const Case cases[] = {
        { ChipNamed("stc15"), Dialect::Keil, "STC15F2K60S2.H", keilHead },
        { ChipNamed("stc15"), Dialect::Sdcc, "stc15.h", sdccHead },
        { ChipNamed("stc8"), Dialect::Keil, "inc/STC8H.h", keilHead },
        { ChipNamed("stc8"), Dialect::Sdcc, "\xE4\xB8\xAD\xE6\x96\x87/STC8H.h", sdccHead }, // a Chinese folder name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        Configuration config = on(c.chip, 11059200);
        config.timer(0) = timerAt(0, 1000);
        config.timer(2) = timerAt(0, 500);
        config.uartBaudIndex = 5;
        const std::string classic = BuildSourceText(resolved(config).settings, c.dialect);
        ASSERT_EQ(classic.rfind(c.classicHead, 0), 0u) << classic;

        config.vendorHeader = c.header;
        const ResolvedConfiguration named = resolved(config);
        EXPECT_EQ(named.settings.vendorHeader, c.header);
        const std::string vendor = BuildSourceText(named.settings, c.dialect);
        EXPECT_EQ(vendor, "#include \"" + std::string(c.header) + "\"\r\n\r\n" + classic.substr(strlen(c.classicHead)));
    }
}

TEST(ChipGenerator, HeaderNamesTheIncludeLineCanHold)
{
    struct Case {
        std::string name;
        std::optional<HeaderNameProblem> problem;
    };
    const auto forbidden = [](char32_t c, std::size_t offset) {
        return HeaderNameProblem { HeaderNameFault::ForbiddenCharacter, c, offset };
    };
    const auto malformed = [](std::size_t offset) {
        return HeaderNameProblem { HeaderNameFault::MalformedUtf8, 0, offset };
    };
    const std::string chinese = "\xE5\xA4\xB4"; // 3 bytes
    const auto repeated = [](const std::string& part, int times) {
        std::string whole;
        for (int i = 0; i < times; ++i)
            whole += part;
        return whole;
    };
    const Case cases[] = {
        { "STC8H.h", std::nullopt },
        { "inc/STC8H.h", std::nullopt },
        { "..\\inc\\stc15.h", std::nullopt },
        { "STC15 (copy).h", std::nullopt },
        { "\xE5\xAE\x8F\xE6\x99\xB6.h", std::nullopt },
        { "\xF0\x9F\x98\x80.h", std::nullopt }, // UTF-8 holds it; the output encoding decides
        { std::string(100, 'a'), std::nullopt },
        { std::string(101, 'a'), HeaderNameProblem { HeaderNameFault::TooLong, 0, 100 } },
        { repeated(chinese, 33) + "a", std::nullopt }, // 100 bytes in 34 characters
        { chinese + std::string(98, 'a'), HeaderNameProblem { HeaderNameFault::TooLong, 0, 100 } },
        { "", HeaderNameProblem { HeaderNameFault::Empty } },
        { "a\"b", forbidden(U'"', 1) },
        { "<stc8.h>", forbidden(U'<', 0) },
        { "stc8.h>", forbidden(U'>', 6) },
        { "a\nb", forbidden(U'\n', 1) },
        { "a\rb", forbidden(U'\r', 1) },
        { "\tb", forbidden(U'\t', 0) },
        { std::string("a\0b", 3), forbidden(0, 1) },
        { "a\x1b[31m", forbidden(0x1B, 1) },
        { "a\x7f", forbidden(0x7F, 1) },
        { "a\xC2\x85", forbidden(0x85, 1) }, // NEL
        { chinese + "\xE2\x80\xA8", forbidden(0x2028, 3) },
        { "\xE2\x80\xA9", forbidden(0x2029, 0) },
        { "a\x80", malformed(1) },
        { "\xC0\xAF.h", malformed(0) }, // overlong '/'
        { "a\xED\xA0\x80", malformed(1) }, // a surrogate
        { "ab\xE4\xB8", malformed(2) }, // cut short
        { "\xF4\x90\x80\x80", malformed(0) }, // beyond U+10FFFF
        { "\xE5\xA4", malformed(0) },
        // Read as another name: spaces at the ends, characters not seen or
        // turning the text round (U+202E shows "h.H8CTS" as "STC8H.h").
        { " STC8H.h", HeaderNameProblem { HeaderNameFault::SpaceAtEnd, 0, 0 } },
        { "STC8H.h ", HeaderNameProblem { HeaderNameFault::SpaceAtEnd, 0, 7 } },
        { "\xE2\x80\xAEh.H8CTS", forbidden(0x202E, 0) },
        { "STC8H\xE2\x80\x8B.h", forbidden(0x200B, 5) },
        { "\xEF\xBB\xBFSTC8H.h", forbidden(0xFEFF, 0) },
        { "STC8H\xC2\xA0.h", forbidden(0xA0, 5) },
        { "caf\xEF\xBF\xBD.h", forbidden(0xFFFD, 3) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindHeaderNameProblem(c.name), c.problem);
    }
}

TEST(ChipGenerator, DerivationNamesTheVendorHeaderOnlyWhenNamed)
{
    Configuration config = on(ChipNamed("stc8"), 24000000);
    config.timer(2) = timerAt(0, 1000);
    const std::string plain = FormatDerivation(DeriveConfiguration(config, resolved(config)));
    EXPECT_FALSE(contains(plain, "Header"));
    config.vendorHeader = "STC8H.h";
    std::string named = FormatDerivation(DeriveConfiguration(config, resolved(config)));
    const std::string line = "Header: the vendor's \"STC8H.h\" is included and declares the chip's registers; no sfr "
                             "declarations are written.\n";
    const auto at = named.find("\n" + line);
    ASSERT_NE(at, std::string::npos) << named;
    EXPECT_EQ(named.erase(at + 1, line.size()), plain) << "one line more, nothing else";
}
