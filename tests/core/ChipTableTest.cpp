#include "ChipTable.h"
#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace orlet;

TEST(ChipTable, KeysAndPartNumbersFindTheirRowsCaseInsensitivelyAndTheDefaultComesFirst)
{
    const std::vector<std::pair<const char*, const char*>> keys { { "8051", "8051" }, { "8052", "8052" },
        { "stc89", "STC89" }, { "STC15", "STC15" }, { "Stc8", "STC8" }, { "STC89C52RC", "STC89" },
        { "stc89le52", "STC89" }, { "IAP15F2K61S2", "STC15" }, { "STC8A8K64S4A12", "STC8" },
        { "stc12c5a60s2", "STC12C5A60S2" }, { "MS51FB9AE", "N76E003" }, { "ch554", "CH552" } };
    for (const auto& [key, title] : keys) {
        ASSERT_TRUE(FindChip(key)) << key;
        EXPECT_EQ(FindChip(key)->row().title, title);
    }
    for (const char* unknown : { "", "8053", "stc", "stc8x", " 8051", "stc15w" })
        EXPECT_FALSE(FindChip(unknown)) << unknown;
    EXPECT_EQ(Chip().key(), "8051");
    EXPECT_TRUE(Chip().isDefault());
    EXPECT_FALSE(ChipNamed("8052").isDefault());
    EXPECT_EQ(KeysWhere([](const ChipRow& row) { return row.timers[2] != nullptr; }),
        (std::vector<std::string_view> { "8052", "stc89", "stc15", "stc8", "stc15w408as", "stc15f104w", "ch552" }));
    // The chip list groups the parts by maker.
    std::vector<std::string_view> makers;
    for (const ChipRow& row : ChipRows()) {
        if (makers.empty() || makers.back() != row.maker) {
            EXPECT_EQ(std::count(makers.begin(), makers.end(), row.maker), 0) << row.key;
            makers.push_back(row.maker);
        }
    }
}

// The 8051 row writes the include line the generator has always written,
// and counts whole megahertz like the window.
TEST(ChipTable, The8051IsTodaysChip)
{
    const ChipRow& p = Chip().row();
    for (Dialect dialect : { Dialect::Keil, Dialect::Sdcc }) {
        const std::string text = BuildSourceText(GeneratorSettings {}, dialect);
        EXPECT_EQ(text.substr(0, text.find("\r\n")), HeaderFor(p, dialect).includeLine);
        EXPECT_TRUE(HeaderFor(p, dialect).declarations.empty());
    }
    EXPECT_EQ(p.arithmetic, Arithmetic::Classic);
    EXPECT_EQ(p.timers[2], nullptr);
    EXPECT_EQ(ClocksPerCount(p, DefaultClock(p, 0), false), 12u);
    ASSERT_EQ(p.baudSources.size(), 1u);
    EXPECT_EQ(p.baudSources[0].source, BaudSource::Timer1Mode2);
}

// Every 8051 interrupt vector sits at 3 + 8 * its number.
TEST(ChipTable, VectorsFollowTheInterruptNumbers)
{
    for (const ChipRow& p : ChipRows()) {
        for (const TimerRow* timer : p.timers) {
            if (timer != nullptr) {
                EXPECT_EQ(timer->vector, 3 + 8 * timer->interruptNumber) << p.key << " timer " << timer->number;
            }
        }
    }
}

TEST(ChipTable, ModeZeroIsThirteenBitsOnClassicChipsAndAHardwareReloadOnStc)
{
    const auto among = [](std::string_view key, std::initializer_list<std::string_view> keys) {
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    for (const ChipRow& p : ChipRows()) {
        const bool stcModes = among(p.key, { "stc15", "stc8", "stc15w408as", "stc15f104w" });
        const bool oneT = stcModes || p.key == "stc12c5a60s2";
        for (int timer : { 0, 1 }) {
            if (TimerOf(p, timer) == nullptr)
                continue;
            const ModeRow* mode0 = FindTimerMode(p, timer, 0);
            const ModeRow* mode1 = FindTimerMode(p, timer, 1);
            const ModeRow* mode2 = FindTimerMode(p, timer, 2);
            ASSERT_TRUE(mode0 && mode1 && mode2) << p.key;
            EXPECT_EQ(CounterLimit(mode0->counter), stcModes ? 65536u : 8192u) << p.key;
            EXPECT_EQ(ReloadsInHardware(mode0->counter), stcModes) << p.key;
            EXPECT_FALSE(ReloadsInHardware(mode1->counter));
            EXPECT_TRUE(ReloadsInHardware(mode2->counter));
            EXPECT_EQ(FindTimerMode(p, timer, 3), nullptr) << p.key;
            EXPECT_EQ(ClocksPerCount(p, DefaultClock(p, timer), false), oneT ? 1u : 12u) << p.key;
        }
        EXPECT_EQ(TimersUseRegister(p, "AUXR"), oneT) << p.key;
        EXPECT_EQ(TimersUseRegister(p, "T2CON"), among(p.key, { "8052", "stc89", "ch552" })) << p.key;
    }
}

namespace {

enum class Ask { Timer, Mode, Clock, SixT, Baud, Free };

struct TrapCase {
    const char* what;
    const char* chip;
    Ask ask;
    int timer = 0;
    int mode = 0;
    std::uint32_t clock = 12;
    BaudSource source = BaudSource::Timer1Mode2;
    std::optional<ChipErrorCode> code; // empty: allowed
};

std::optional<ChipError> ask(const TrapCase& c)
{
    const Chip chip = ChipNamed(c.chip);
    switch (c.ask) {
    case Ask::Timer:
        return CheckTimer(chip, c.timer);
    case Ask::Mode:
        return CheckTimerMode(chip, c.timer, c.mode);
    case Ask::Clock:
        return CheckTimerClock(chip, c.timer, c.clock);
    case Ask::SixT:
        return CheckSixT(chip, true);
    case Ask::Baud:
        return CheckBaudSource(chip, c.source);
    case Ask::Free:
        return CheckTimerFree(chip, c.timer, c.source);
    }
    return std::nullopt;
}

} // namespace

TEST(ChipTable, TrapsAreRefusedWithTheirFacts)
{
    using Code = ChipErrorCode;
    const TrapCase cases[] = {
        { "timer 2 on the 8051", "8051", Ask::Timer, 2, 0, 12, {}, Code::NoSuchTimer },
        { "timer 3", "stc15", Ask::Timer, 3, 0, 12, {}, Code::NoSuchTimer },
        { "timer 2 on the 8052", "8052", Ask::Timer, 2, 0, 12, {}, std::nullopt },
        { "mode 3 on the STC15", "stc15", Ask::Mode, 0, 3, 12, {}, Code::ModeNotOffered },
        { "mode 3 on the 8052", "8052", Ask::Mode, 0, 3, 12, {}, Code::ModeNotOffered },
        { "mode 4", "8051", Ask::Mode, 1, 4, 12, {}, Code::ModeNotOffered },
        { "timer 2 in mode 1", "stc89", Ask::Mode, 2, 1, 12, {}, Code::ModeNotOffered },
        { "timer 2 mode of the 8051", "8051", Ask::Mode, 2, 0, 12, {}, Code::NoSuchTimer },
        { "STC mode 0", "stc15", Ask::Mode, 0, 0, 12, {}, std::nullopt },
        { "1T on the STC89", "stc89", Ask::Clock, 0, 0, 1, {}, Code::ClockNotOffered },
        { "1T on the 8052 timer 2", "8052", Ask::Clock, 2, 0, 1, {}, Code::ClockNotOffered },
        { "12T on the 8052", "8052", Ask::Clock, 1, 0, 12, {}, std::nullopt },
        { "1T on the STC15", "stc15", Ask::Clock, 2, 0, 1, {}, std::nullopt },
        { "6T on the 8052", "8052", Ask::SixT, 0, 0, 12, {}, Code::SixTNotOffered },
        { "6T on the STC89", "stc89", Ask::SixT, 0, 0, 12, {}, std::nullopt },
        { "baud from timer 2 on the 8051", "8051", Ask::Baud, 2, 0, 12, BaudSource::Timer2,
            Code::BaudSourceNotOffered },
        { "baud from timer 1 mode 0 on the 8052", "8052", Ask::Baud, 1, 0, 12, BaudSource::Timer1Mode0,
            Code::BaudSourceNotOffered },
        { "baud from timer 1 mode 0 on the STC8", "stc8", Ask::Baud, 1, 0, 12, BaudSource::Timer1Mode0, std::nullopt },
        { "timer 2 counting while it makes the baud rate", "stc15", Ask::Free, 2, 0, 12, BaudSource::Timer2,
            Code::TimerBusy },
        { "timer 1 free while timer 2 makes the baud rate", "8052", Ask::Free, 1, 0, 12, BaudSource::Timer2,
            std::nullopt },
        { "timer 1 busy with the baud rate", "8052", Ask::Free, 1, 0, 12, BaudSource::Timer1Mode2, Code::TimerBusy },
    };
    for (const TrapCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<ChipError> error = ask(c);
        ASSERT_EQ(error.has_value(), c.code.has_value());
        if (!error)
            continue;
        EXPECT_EQ(error->code, *c.code);
        EXPECT_EQ(error->chip, ChipNamed(c.chip));
        if (c.ask != Ask::SixT) {
            EXPECT_EQ(error->timer, c.timer);
        }
    }
}
