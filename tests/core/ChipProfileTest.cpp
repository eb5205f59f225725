#include "ChipProfile.h"
#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orlet;

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

} // namespace

TEST(ChipProfile, TrapsAreRefusedWithAMessage)
{
    const TrapCase cases[] = { TrapCase { "timer 2 on the 8051", Chip::I8051, Ask::Timer, 2, 0, {}, {},
                                   ChipErrorCode::NoSuchTimer, "the 8051 has no timer 2" },
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
            ChipErrorCode::TimerBusy, "timer 1" } };
    for (const TrapCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<ChipError> error = ask(c);
        ASSERT_EQ(error.has_value(), c.code.has_value()) << (error ? error->message : "allowed");
        if (!error)
            continue;
        EXPECT_EQ(error->code, *c.code);
        EXPECT_NE(error->message.find(c.says), std::string::npos) << error->message;
        EXPECT_EQ(error->message.find('\n'), std::string::npos);
    }
}
