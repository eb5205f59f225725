#include "ChipTable.h"
#include "Configuration.h"
#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace orlet;

TEST(ChipTable, KeysFindTheirRowsCaseInsensitivelyAndTheDefaultComesFirst)
{
    const std::vector<std::pair<const char*, const char*>> keys { { "8051", "8051" }, { "8052", "8052" },
        { "stc89", "STC89" }, { "STC15", "STC15" }, { "Stc8", "STC8" } };
    for (const auto& [key, title] : keys) {
        ASSERT_TRUE(FindChip(key)) << key;
        EXPECT_EQ(FindChip(key)->row().title, title);
    }
    for (const char* unknown : { "", "8053", "stc", " 8051" })
        EXPECT_FALSE(FindChip(unknown)) << unknown;
    EXPECT_EQ(Chip().key(), "8051");
    EXPECT_TRUE(Chip().isDefault());
    EXPECT_FALSE(ChipNamed("8052").isDefault());
}

namespace {

// What the vendors' documents say of a chip, in their terms (docs/chips.md
// names each source): the reference values are the documents' own.
struct ChipFacts {
    const char* key;
    std::vector<int> interrupts; // Keil's interrupt number of timers 0, 1, 2...: the timers it has
    std::uint32_t mode0Counts; // timers 0 and 1: 8192 (13 bits) or 65536 (16-bit auto-reload)
    std::vector<std::uint32_t> clocks; // clocks per count of a timer, the reset default first
    bool sixT; // 6 clocks per machine cycle, chosen when programmed
    const char* timer2Enable; // the statement, "" without timer 2
    const char* timer2Flag; // the flag its routine clears, "" where the hardware does
    std::uint16_t timer0Reload; // timer 0 mode 1, 1000 us at 12 MHz, at the default clock
    // The timers that clock UART1 (the first the default) and their reload
    // (THx:TLx) for 9600 bit/s at 11.0592 MHz, SMOD 0, the default clock.
    std::vector<std::pair<int, std::uint16_t>> baud;
    const char* keil; // include lines
    const char* sdcc;
    bool declaresStc; // the text declares AUXR and the rest, or includes the vendor's header
};

const ChipFacts kFacts[] = {
    // Intel MCS-51: T0 000BH, T1 001BH; 12 clocks per machine cycle; Keil reg51.h, SDCC 8051.h.
    { "8051", { 1, 3 }, 8192, { 12 }, false, "", "", 0xFC18, { { 1, 0xFDFD } }, "#include \"reg51.h\"",
        "#include <8051.h>", false },
    // [AT89] timer 2 with RCAP2, baud fosc / (32 x (65536 - RCAP2)): 9600 at 11.0592 MHz is 0xFFDC;
    // [KEIL52], [SDCC52]: ET2 = IE.5, interrupt 5; [P89] TF2 cleared by software.
    { "8052", { 1, 3, 5 }, 8192, { 12 }, false, "ET2=1;", "TF2", 0xFC18, { { 1, 0xFDFD }, { 2, 0xFFDC } },
        "#include \"reg52.h\"", "#include <8052.h>", false },
    // [STC89]: an 8052, 6T or 12T chosen when programmed.
    { "stc89", { 1, 3, 5 }, 8192, { 12 }, true, "ET2=1;", "TF2", 0xFC18, { { 1, 0xFDFD }, { 2, 0xFFDC } },
        "#include \"reg52.h\"", "#include <8052.h>", false },
    // [STC15], [STC8H]: AUXR T0x12/T1x12/T2x12, IE2.ET2, interrupt 12, flag
    // cleared by hardware; [STC8] 14.3.6 table: 9600 at 11.0592 MHz, 1T: FEE0H.
    { "stc15", { 1, 3, 12 }, 65536, { 1, 12 }, false, "IE2|=0x04;", "", 0xD120, { { 1, 0xFEE0 }, { 2, 0xFEE0 } },
        "#include \"reg51.h\"", "#include <8051.h>", true },
    { "stc8", { 1, 3, 12 }, 65536, { 1, 12 }, false, "IE2|=0x04;", "", 0xD120, { { 1, 0xFEE0 }, { 2, 0xFEE0 } },
        "#include \"reg51.h\"", "#include <8051.h>", true },
    // [AT89S52] Atmel 1919D: three 16-bit timer/counters, eight interrupt
    // sources, crystal only; its timer 2 is the 8052's ([AT89]).
    { "at89s52", { 1, 3, 5 }, 8192, { 12 }, false, "ET2=1;", "TF2", 0xFC18, { { 1, 0xFDFD }, { 2, 0xFFDC } },
        "#include \"reg52.h\"", "#include <8052.h>", false },
    // [AT89C2051] Atmel 0368H: two 16-bit timer/counters and no timer 2, five
    // interrupt vectors (INT0, T0, INT1, T1, serial), crystal only.
    { "at89c2051", { 1, 3 }, 8192, { 12 }, false, "", "", 0xFC18, { { 1, 0xFDFD } }, "#include \"reg51.h\"",
        "#include <8051.h>", false },
    // [STC8H] STC's STC8H header: AUXR's T0x12/T1x12/T2x12, T2H/T2L, IE2 bit 2,
    // timer 2 at interrupt 12 as on the STC8 ([STC8] 13.3); [STC8] 14.3.6:
    // 9600 bit/s at 11.0592 MHz in 1T is FEE0H from timer 1 or 2.
    { "stc8h", { 1, 3, 12 }, 65536, { 1, 12 }, false, "IE2|=0x04;", "", 0xD120, { { 1, 0xFEE0 }, { 2, 0xFEE0 } },
        "#include \"reg51.h\"", "#include <8051.h>", true },
    // [STC15] manual, the STC15W4K32S4 series (IAP15W4K61S4): timers 0 to 4,
    // 0 to 2 as the STC15F2K60S2's, UART1 from timer 1 or 2; STC's
    // STC15F2K60S2.H serves it. Timers 3 and 4 (T4T3M) are not in the row.
    { "stc15w4k", { 1, 3, 12 }, 65536, { 1, 12 }, false, "IE2|=0x04;", "", 0xD120, { { 1, 0xFEE0 }, { 2, 0xFEE0 } },
        "#include \"reg51.h\"", "#include <8051.h>", true },
};

std::vector<std::uint32_t> clocksOf(const TimerRow& timer)
{
    std::vector<std::uint32_t> clocks;
    for (const ClockChoice& choice : timer.clocks)
        clocks.push_back(choice.clocksPerCount);
    return clocks;
}

// THx:TLx of `timer` as the generator writes them for `config`.
std::uint16_t reloadOf(Configuration config, int timer)
{
    const ResolveResult resolved = ResolveConfiguration(config);
    if (!resolved.resolved)
        return 0;
    const TimerSettings& t = resolved.resolved->settings.timer(timer);
    return std::uint16_t(t.th << 8 | t.tl);
}

void expectFacts(const ChipFacts& f)
{
    SCOPED_TRACE(f.key);
    ASSERT_TRUE(FindChip(f.key));
    const Chip chip = *FindChip(f.key);
    const ChipRow& row = chip.row();
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        const TimerRow* t = TimerOf(row, timer);
        ASSERT_EQ(t != nullptr, std::size_t(timer) < f.interrupts.size()) << "timer " << timer;
        if (t == nullptr)
            continue;
        EXPECT_EQ(t->interruptNumber, f.interrupts.at(std::size_t(timer)));
        EXPECT_EQ(clocksOf(*t), f.clocks) << "timer " << timer;
    }
    for (int timer : { 0, 1 })
        EXPECT_EQ(CounterLimit(FindTimerMode(row, timer, 0)->counter), f.mode0Counts);
    EXPECT_EQ(row.offersSixT, f.sixT);
    const TimerRow* timer2 = TimerOf(row, 2);
    EXPECT_EQ(timer2 ? FormatSetBit(timer2->enable) : "", f.timer2Enable);
    EXPECT_STREQ(timer2 && timer2->flagToClear ? timer2->flagToClear : "", f.timer2Flag);

    Configuration config;
    config.chip = chip;
    config.timer(0) = { true, false, 1, 1000 };
    EXPECT_EQ(reloadOf(config, 0), f.timer0Reload);
    std::vector<std::pair<int, std::uint16_t>> baud;
    for (int uartTimer : { 1, 2 }) {
        if (BaudSourceOnTimer(row, uartTimer) == nullptr)
            continue;
        Configuration uart;
        uart.chip = chip;
        uart.crystalHz = 11059200;
        uart.uartBaudIndex = 5; // 9600
        uart.uartTimer = uartTimer;
        baud.emplace_back(uartTimer, reloadOf(uart, uartTimer));
    }
    EXPECT_EQ(baud, f.baud);
    EXPECT_EQ(BaudSourceFor(chip, 1), row.baudSources.front().source) << "timer 1 is the default";
    EXPECT_STREQ(row.keil.includeLine, f.keil);
    EXPECT_STREQ(row.sdcc.includeLine, f.sdcc);
    EXPECT_EQ(!row.keil.declarations.empty() && !row.sdcc.declarations.empty(), f.declaresStc);
    EXPECT_EQ(row.acceptsVendorHeader, f.declaresStc);
}

} // namespace

// Each row against the facts of its chip, and no row without them.
TEST(ChipTable, RowsHoldTheirChipsFacts)
{
    for (const ChipFacts& facts : kFacts)
        expectFacts(facts);
    for (const ChipRow& row : ChipRows()) {
        EXPECT_TRUE(
            std::any_of(std::begin(kFacts), std::end(kFacts), [&](const ChipFacts& f) { return row.key == f.key; }))
            << row.key << " has no facts";
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
    for (const ChipRow& p : ChipRows()) {
        const bool stc = p.acceptsVendorHeader;
        for (int timer : { 0, 1 }) {
            const ModeRow* mode0 = FindTimerMode(p, timer, 0);
            const ModeRow* mode1 = FindTimerMode(p, timer, 1);
            const ModeRow* mode2 = FindTimerMode(p, timer, 2);
            ASSERT_TRUE(mode0 && mode1 && mode2) << p.key;
            EXPECT_EQ(CounterLimit(mode0->counter), stc ? 65536u : 8192u) << p.key;
            EXPECT_EQ(ReloadsInHardware(mode0->counter), stc) << p.key;
            EXPECT_FALSE(ReloadsInHardware(mode1->counter));
            EXPECT_TRUE(ReloadsInHardware(mode2->counter));
            EXPECT_EQ(FindTimerMode(p, timer, 3), nullptr) << p.key;
            EXPECT_EQ(ClocksPerCount(p, DefaultClock(p, timer), false), stc ? 1u : 12u) << p.key;
        }
        EXPECT_EQ(TimersUseRegister(p, "AUXR"), stc) << p.key;
        EXPECT_EQ(TimersUseRegister(p, "T2CON"), p.timers[2] != nullptr && !stc) << p.key;
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
