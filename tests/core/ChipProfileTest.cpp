#include "ChipProfile.h"
#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orlet;

namespace {

std::string declarations(Chip chip, Dialect dialect)
{
    std::string text;
    for (const SfrDeclaration& sfr : HeaderFor(ProfileOf(chip), dialect).declarations)
        text += FormatSfrDeclaration(sfr, dialect) + "\n";
    return text;
}

} // namespace

TEST(ChipProfile, NamesParseCaseInsensitivelyAndUnknownNamesListTheChoices)
{
    const std::vector<std::pair<const char*, Chip>> names { { "8051", Chip::I8051 }, { "8052", Chip::I8052 },
        { "stc89", Chip::Stc89 }, { "STC15", Chip::Stc15 }, { "Stc8", Chip::Stc8 } };
    for (const auto& [name, chip] : names) {
        EXPECT_EQ(ParseChipName(name), chip) << name;
        EXPECT_EQ(ProfileOf(chip).chip, chip);
    }
    for (const char* unknown : { "", "8053", "stc", "stc8h", " 8051" })
        EXPECT_FALSE(ParseChipName(unknown)) << unknown;

    const ChipError error = UnknownChipError("8053");
    EXPECT_EQ(error.code, ChipErrorCode::UnknownChip);
    EXPECT_EQ(error.message, "unknown chip \"8053\"; choose 8051, 8052, stc89, stc15 or stc8");
}

TEST(ChipProfile, ListOrderIsTheChipOrderAndTheDefaultComesFirst)
{
    const auto all = AllChipProfiles();
    ASSERT_EQ(all.size(), 5u);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(static_cast<std::size_t>(all[i].chip), i);
    EXPECT_EQ(all[0].name, "8051");
}

// The 8051 profile writes the include line the generator has always
// written, and counts whole megahertz like the window.
TEST(ChipProfile, The8051IsTodaysChip)
{
    const ChipProfile& p = ProfileOf(Chip::I8051);
    for (Dialect dialect : { Dialect::Keil, Dialect::Sdcc }) {
        const std::string text = BuildSourceText(GeneratorSettings {}, dialect);
        EXPECT_EQ(text.substr(0, text.find("\r\n")), HeaderFor(p, dialect).includeLine);
        EXPECT_TRUE(HeaderFor(p, dialect).declarations.empty());
    }
    EXPECT_FALSE(p.exactCrystal);
    EXPECT_EQ(p.timers[2], nullptr);
    EXPECT_EQ(ClocksPerCount(p, DefaultTimerClock(p), false), 12u);
    ASSERT_EQ(p.baudSources.size(), 1u);
    EXPECT_EQ(p.baudSources[0].source, BaudSource::Timer1Mode2);
}

namespace {

struct HeaderCase {
    Chip chip;
    const char* keilInclude;
    const char* sdccInclude;
    const char* keilDeclarations;
    const char* sdccDeclarations;
};

class HeaderTable : public testing::TestWithParam<HeaderCase>
{
};

} // namespace

TEST_P(HeaderTable, IncludeLineAndDeclarationsPerDialect)
{
    const HeaderCase& c = GetParam();
    const ChipProfile& p = ProfileOf(c.chip);
    EXPECT_STREQ(HeaderFor(p, Dialect::Keil).includeLine, c.keilInclude);
    EXPECT_STREQ(HeaderFor(p, Dialect::Sdcc).includeLine, c.sdccInclude);
    EXPECT_EQ(declarations(c.chip, Dialect::Keil), c.keilDeclarations);
    EXPECT_EQ(declarations(c.chip, Dialect::Sdcc), c.sdccDeclarations);
}

INSTANTIATE_TEST_SUITE_P(Chips, HeaderTable,
    testing::Values(HeaderCase { Chip::I8052, "#include \"reg52.h\"", "#include <8052.h>", "", "" },
        HeaderCase { Chip::Stc89, "#include \"reg52.h\"", "#include <8052.h>", "", "" },
        HeaderCase { Chip::Stc15, "#include \"reg51.h\"", "#include <8051.h>",
            "sfr AUXR = 0x8E;\nsfr IE2 = 0xAF;\nsfr T2H = 0xD6;\nsfr T2L = 0xD7;\n",
            "__sfr __at(0x8E) AUXR;\n__sfr __at(0xAF) IE2;\n__sfr __at(0xD6) T2H;\n__sfr __at(0xD7) T2L;\n" },
        HeaderCase { Chip::Stc8, "#include \"reg51.h\"", "#include <8051.h>",
            "sfr AUXR = 0x8E;\nsfr IE2 = 0xAF;\nsfr T2H = 0xD6;\nsfr T2L = 0xD7;\n",
            "__sfr __at(0x8E) AUXR;\n__sfr __at(0xAF) IE2;\n__sfr __at(0xD6) T2H;\n__sfr __at(0xD7) T2L;\n" }));

namespace {

struct Timer2Case {
    Chip chip;
    const char* high;
    const char* low;
    int interrupt;
    const char* enable;
    const char* flag; // "" when the hardware clears it
};

class Timer2Table : public testing::TestWithParam<Timer2Case>
{
};

} // namespace

TEST_P(Timer2Table, RegistersInterruptAndEnable)
{
    const Timer2Case& c = GetParam();
    const TimerInfo* t2 = ProfileOf(c.chip).timers[2];
    ASSERT_NE(t2, nullptr);
    EXPECT_STREQ(t2->reloadHigh, c.high);
    EXPECT_STREQ(t2->reloadLow, c.low);
    EXPECT_EQ(t2->interruptNumber, c.interrupt);
    EXPECT_EQ(FormatInterruptEnable(t2->enable), c.enable);
    EXPECT_STREQ(t2->flagToClear ? t2->flagToClear : "", c.flag);
    ASSERT_EQ(t2->modes.size(), 1u);
    EXPECT_TRUE(t2->modes[0].hardwareReload);
    EXPECT_EQ(t2->modes[0].limit, 65536u);
}

INSTANTIATE_TEST_SUITE_P(Chips, Timer2Table,
    testing::Values(Timer2Case { Chip::I8052, "RCAP2H", "RCAP2L", 5, "ET2=1;", "TF2" },
        Timer2Case { Chip::Stc89, "RCAP2H", "RCAP2L", 5, "ET2=1;", "TF2" },
        Timer2Case { Chip::Stc15, "T2H", "T2L", 12, "IE2|=0x04;", "" },
        Timer2Case { Chip::Stc8, "T2H", "T2L", 12, "IE2|=0x04;", "" }));

// Every 8051 interrupt vector sits at 3 + 8 * its number.
TEST(ChipProfile, VectorsFollowTheInterruptNumbers)
{
    for (const ChipProfile& p : AllChipProfiles()) {
        for (const TimerInfo* timer : p.timers) {
            if (timer != nullptr) {
                EXPECT_EQ(timer->vector, 3 + 8 * timer->interruptNumber) << p.name << " timer " << timer->timer;
            }
        }
    }
}

TEST(ChipProfile, ModeZeroIsThirteenBitsOnClassicChipsAndAHardwareReloadOnStc)
{
    for (const ChipProfile& p : AllChipProfiles()) {
        for (int timer : { 0, 1 }) {
            const TimerMode* mode0 = FindTimerMode(p, timer, 0);
            const TimerMode* mode1 = FindTimerMode(p, timer, 1);
            const TimerMode* mode2 = FindTimerMode(p, timer, 2);
            ASSERT_TRUE(mode0 && mode1 && mode2) << p.name;
            const bool stc = p.model == TimerModel::Stc;
            EXPECT_EQ(mode0->limit, stc ? 65536u : 8192u) << p.name;
            EXPECT_EQ(mode0->hardwareReload, stc) << p.name;
            EXPECT_FALSE(mode1->hardwareReload);
            EXPECT_TRUE(mode2->hardwareReload);
            EXPECT_EQ(FindTimerMode(p, timer, 3), nullptr) << p.name;
        }
    }
}

TEST(ChipProfile, ClocksPerCount)
{
    EXPECT_EQ(ClocksPerCount(ProfileOf(Chip::I8052), TimerClock::Twelve, false), 12u);
    EXPECT_EQ(ClocksPerCount(ProfileOf(Chip::Stc89), TimerClock::Twelve, false), 12u);
    EXPECT_EQ(ClocksPerCount(ProfileOf(Chip::Stc89), TimerClock::Twelve, true), 6u);
    EXPECT_EQ(ClocksPerCount(ProfileOf(Chip::Stc15), TimerClock::One, false), 1u);
    EXPECT_EQ(ClocksPerCount(ProfileOf(Chip::Stc8), TimerClock::Twelve, false), 12u);
    EXPECT_EQ(DefaultTimerClock(ProfileOf(Chip::Stc15)), TimerClock::One);
    EXPECT_EQ(DefaultTimerClock(ProfileOf(Chip::Stc89)), TimerClock::Twelve);
}

namespace {

enum class Ask { Timer, Mode, Clock, SixT, Baud, Free };

struct TrapCase {
    const char* what;
    Chip chip;
    Ask ask;
    int timer = 0;
    int mode = 0;
    TimerClock clock = TimerClock::Twelve;
    BaudSource source = BaudSource::Timer1Mode2;
    std::optional<ChipErrorCode> code; // empty: allowed
    const char* says = ""; // part of the message, when refused
};

void PrintTo(const TrapCase& c, std::ostream* os)
{
    *os << c.what;
}

std::optional<ChipError> ask(const TrapCase& c)
{
    const ChipProfile& p = ProfileOf(c.chip);
    switch (c.ask) {
    case Ask::Timer:
        return CheckTimer(p, c.timer);
    case Ask::Mode:
        return CheckTimerMode(p, c.timer, c.mode);
    case Ask::Clock:
        return CheckTimerClock(p, c.timer, c.clock);
    case Ask::SixT:
        return CheckSixT(p, true);
    case Ask::Baud:
        return CheckBaudSource(p, c.source);
    case Ask::Free:
        return CheckTimerFree(p, c.timer, c.source);
    }
    return std::nullopt;
}

class TrapTable : public testing::TestWithParam<TrapCase>
{
};

} // namespace

TEST_P(TrapTable, RefusedWithAMessageOrAllowed)
{
    const TrapCase& c = GetParam();
    const std::optional<ChipError> error = ask(c);
    ASSERT_EQ(error.has_value(), c.code.has_value()) << (error ? error->message : "allowed");
    if (!error)
        return;
    EXPECT_EQ(error->code, *c.code);
    EXPECT_NE(error->message.find(c.says), std::string::npos) << error->message;
    EXPECT_EQ(error->message.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Traps, TrapTable,
    testing::Values(TrapCase { "timer 2 on the 8051", Chip::I8051, Ask::Timer, 2, 0, {}, {}, ChipErrorCode::NoSuchTimer,
                        "the 8051 has no timer 2" },
        TrapCase { "timer 3", Chip::Stc15, Ask::Timer, 3, 0, {}, {}, ChipErrorCode::NoSuchTimer, "no timer 3" },
        TrapCase { "timer 2 on the 8052", Chip::I8052, Ask::Timer, 2, 0, {}, {}, std::nullopt },
        TrapCase { "mode 3 on the STC15", Chip::Stc15, Ask::Mode, 0, 3, {}, {}, ChipErrorCode::ModeNotOffered,
            "non-maskable" },
        TrapCase { "mode 3 on the STC8 timer 1", Chip::Stc8, Ask::Mode, 1, 3, {}, {}, ChipErrorCode::ModeNotOffered,
            "non-maskable" },
        TrapCase { "mode 3 on the 8052", Chip::I8052, Ask::Mode, 0, 3, {}, {}, ChipErrorCode::ModeNotOffered,
            "two 8-bit timers" },
        TrapCase { "mode 4", Chip::I8051, Ask::Mode, 1, 4, {}, {}, ChipErrorCode::ModeNotOffered,
            "timer mode 4 does not exist" },
        TrapCase {
            "timer 2 in mode 1", Chip::Stc89, Ask::Mode, 2, 1, {}, {}, ChipErrorCode::ModeNotOffered, "one mode" },
        TrapCase { "timer 2 mode of the 8051", Chip::I8051, Ask::Mode, 2, 0, {}, {}, ChipErrorCode::NoSuchTimer,
            "no timer 2" },
        TrapCase { "STC mode 0", Chip::Stc15, Ask::Mode, 0, 0, {}, {}, std::nullopt },
        TrapCase { "1T on the STC89", Chip::Stc89, Ask::Clock, 0, 0, TimerClock::One, {},
            ChipErrorCode::ClockNotOffered, "EXTRAM and ALEOFF" },
        TrapCase { "1T on the 8052 timer 2", Chip::I8052, Ask::Clock, 2, 0, TimerClock::One, {},
            ChipErrorCode::ClockNotOffered, "stc15 and stc8" },
        TrapCase { "12T on the 8052", Chip::I8052, Ask::Clock, 1, 0, TimerClock::Twelve, {}, std::nullopt },
        TrapCase { "1T on the STC15", Chip::Stc15, Ask::Clock, 2, 0, TimerClock::One, {}, std::nullopt },
        TrapCase { "6T on the 8052", Chip::I8052, Ask::SixT, 0, 0, {}, {}, ChipErrorCode::SixTNotOffered, "STC89" },
        TrapCase { "6T on the STC15", Chip::Stc15, Ask::SixT, 0, 0, {}, {}, ChipErrorCode::SixTNotOffered, "STC15" },
        TrapCase { "6T on the STC89", Chip::Stc89, Ask::SixT, 0, 0, {}, {}, std::nullopt },
        TrapCase { "baud from timer 2 on the 8051", Chip::I8051, Ask::Baud, 0, 0, {}, BaudSource::Timer2,
            ChipErrorCode::BaudSourceNotOffered, "no timer 2" },
        TrapCase { "baud from timer 1 mode 0 on the 8052", Chip::I8052, Ask::Baud, 0, 0, {}, BaudSource::Timer1Mode0,
            ChipErrorCode::BaudSourceNotOffered, "stc15 and stc8" },
        TrapCase { "baud from timer 1 mode 0 on the STC8", Chip::Stc8, Ask::Baud, 0, 0, {}, BaudSource::Timer1Mode0,
            std::nullopt },
        TrapCase { "timer 2 counting while it makes the baud rate", Chip::Stc15, Ask::Free, 2, 0, {},
            BaudSource::Timer2, ChipErrorCode::TimerBusy, "timer 2 clocks the serial port" },
        TrapCase { "timer 1 free while timer 2 makes the baud rate", Chip::I8052, Ask::Free, 1, 0, {},
            BaudSource::Timer2, std::nullopt },
        TrapCase { "timer 1 busy with the baud rate", Chip::I8052, Ask::Free, 1, 0, {}, BaudSource::Timer1Mode2,
            ChipErrorCode::TimerBusy, "timer 1" }));
