#include "ChipTable.h"

#include "SourceGenerator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace orlet {

namespace {

    constexpr std::array<ModeRow, 3> kClassicModes { {
        { 0, CounterKind::Bits13, "13位定时/计数", "方式0" },
        { 1, CounterKind::Bits16, "16位定时/计数", "方式1" },
        { 2, CounterKind::AutoReload8, "8位自动重装", "方式2" },
    } };

    // STC15/STC8: writes to TH/TL while mode 0 runs go to hidden reload
    // registers, loaded again at each overflow.
    constexpr std::array<ModeRow, 3> kStcModes { {
        { 0, CounterKind::AutoReload16, "16位自动重装", "16位自动重装" },
        { 1, CounterKind::Bits16, "16位不自动重装", "16位不自动重装" },
        { 2, CounterKind::AutoReload8, "8位自动重装", "8位自动重装" },
    } };

    constexpr std::array<ModeRow, 1> kTimer2Modes { {
        { 0, CounterKind::AutoReload16, "16位自动重装", "16位自动重装" },
    } };

    constexpr std::array<ClockChoice, 1> kTwelveClocks { { { 12, "12t", {} } } };
    // AUXR's T0x12, T1x12 and T2x12 (0x8E, not bit-addressable): 1T by default.
    constexpr std::array<ClockChoice, 2> kStcClocks0 { {
        { 1, "1t", { "AUXR", 0x80, 0x80 } },
        { 12, "12t", { "AUXR", 0x80, 0x00 } },
    } };
    constexpr std::array<ClockChoice, 2> kStcClocks1 { {
        { 1, "1t", { "AUXR", 0x40, 0x40 } },
        { 12, "12t", { "AUXR", 0x40, 0x00 } },
    } };
    constexpr std::array<ClockChoice, 2> kStcClocks2 { {
        { 1, "1t", { "AUXR", 0x04, 0x04 } },
        { 12, "12t", { "AUXR", 0x04, 0x00 } },
    } };

    constexpr SfrBit kTr0 { "TCON", 0x10, "TR0" };
    constexpr SfrBit kTr1 { "TCON", 0x40, "TR1" };

    constexpr TimerRow kTimer0 { 0, TimerControl::Tmod, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, kTr0, nullptr,
        kClassicModes, ModeThree::SplitInTwo, kTwelveClocks };
    constexpr TimerRow kTimer1 { 1, TimerControl::Tmod, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, kTr1, nullptr,
        kClassicModes, ModeThree::SplitInTwo, kTwelveClocks };
    constexpr TimerRow kStcTimer0 { 0, TimerControl::Tmod, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, kTr0, nullptr,
        kStcModes, ModeThree::NonMaskableReload, kStcClocks0 };
    constexpr TimerRow kStcTimer1 { 1, TimerControl::Tmod, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, kTr1, nullptr,
        kStcModes, ModeThree::NonMaskableReload, kStcClocks1 };
    // The 8052 leaves TF2 set: its routine must clear it.
    constexpr TimerRow k8052Timer2 { 2, TimerControl::T2con, "RCAP2H", "RCAP2L", 5, 0x2B, { "IE", 0x20, "ET2" },
        { "T2CON", 0x04, "TR2" }, "TF2", kTimer2Modes, ModeThree::Unknown, kTwelveClocks };
    // STC: the flag is hidden and cleared when the interrupt is taken; IE.5
    // is EADC there, so the enable is IE2 bit 2.
    constexpr TimerRow kStcTimer2 { 2, TimerControl::Auxr, "T2H", "T2L", 12, 0x63, { "IE2", 0x04, nullptr },
        { "AUXR", 0x10, nullptr }, nullptr, kTimer2Modes, ModeThree::Unknown, kStcClocks2 };

    constexpr BaudSourceRow kClassicTimer1Baud { BaudSource::Timer1Mode2, 1, 256, true, 32, false, "fosc", "TH1" };
    constexpr BaudSourceRow k8052Timer2Baud { BaudSource::Timer2, 2, 65536, false, 16, true, "fosc", "RCAP2" };
    constexpr BaudSourceRow kStcTimer1Mode0Baud { BaudSource::Timer1Mode0, 1, 65536, false, 4, false, "SYSclk",
        "RL_TH1:RL_TL1" };
    constexpr BaudSourceRow kStcTimer1Mode2Baud { BaudSource::Timer1Mode2, 1, 256, true, 32, false, "SYSclk", "TH1" };
    constexpr BaudSourceRow kStcTimer2Baud { BaudSource::Timer2, 2, 65536, false, 4, false, "SYSclk", "RL_T2H:RL_T2L" };

    constexpr std::array<BaudSourceRow, 1> k8051Bauds { kClassicTimer1Baud };
    constexpr std::array<BaudSourceRow, 2> k8052Bauds { kClassicTimer1Baud, k8052Timer2Baud };
    // Timer 1 clocks the serial port in its 16-bit auto-reload; its mode 2
    // works as well, but the window and orlet-gen do not write it.
    constexpr std::array<BaudSourceRow, 3> kStcBauds { kStcTimer1Mode0Baud, kStcTimer2Baud, kStcTimer1Mode2Baud };

    // Neither reg51.h nor SDCC's 8051.h knows the STC registers the code uses.
    constexpr std::array<SfrDeclaration, 4> kStcDeclarations { {
        { "AUXR", 0x8E },
        { "IE2", 0xAF },
        { "T2H", 0xD6 },
        { "T2L", 0xD7 },
    } };

    constexpr DialectHeader kKeil51 { "#include \"reg51.h\"", {} };
    constexpr DialectHeader kSdcc51 { "#include <8051.h>", {} };
    constexpr DialectHeader kKeil52 { "#include \"reg52.h\"", {} };
    constexpr DialectHeader kSdcc52 { "#include <8052.h>", {} };
    constexpr DialectHeader kKeilStc { "#include \"reg51.h\"", kStcDeclarations };
    constexpr DialectHeader kSdccStc { "#include <8051.h>", kStcDeclarations };

    // One row per chip, in the chip list's order; the first is the default.
    const ChipRow kRows[] {
        { "8051", "8051", "classic 8051, 12 clocks per count", Arithmetic::Classic, false, true,
            { &kTimer0, &kTimer1, nullptr, nullptr }, k8051Bauds, kKeil51, kSdcc51, false },
        { "8052", "8052", "8052 (AT89S52): timer 2 with RCAP2", Arithmetic::Exact, false, true,
            { &kTimer0, &kTimer1, &k8052Timer2, nullptr }, k8052Bauds, kKeil52, kSdcc52, false },
        { "stc89", "STC89", "STC89C5x: an 8052, 12T or 6T", Arithmetic::Exact, true, true,
            { &kTimer0, &kTimer1, &k8052Timer2, nullptr }, k8052Bauds, kKeil52, kSdcc52, false },
        { "stc15", "STC15", "STC15F2K60S2/IAP15F2K61S2: 1T core, timers 1T or 12T", Arithmetic::Exact, false, false,
            { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr }, kStcBauds, kKeilStc, kSdccStc, true },
        { "stc8", "STC8", "STC8H/STC8G/STC8A: the STC15 timers", Arithmetic::Exact, false, false,
            { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr }, kStcBauds, kKeilStc, kSdccStc, true },
        { "at89s52", "AT89S52", "AT89S52: an 8052, timer 2 with RCAP2", Arithmetic::Exact, false, true,
            { &kTimer0, &kTimer1, &k8052Timer2, nullptr }, k8052Bauds, kKeil52, kSdcc52, false },
        { "at89c2051", "AT89C2051", "AT89C2051: an 8051, timers 0 and 1", Arithmetic::Exact, false, true,
            { &kTimer0, &kTimer1, nullptr, nullptr }, k8051Bauds, kKeil51, kSdcc51, false },
        { "stc8h", "STC8H", "STC8H: 1T core, the STC8 timers 0 to 2, 1T or 12T", Arithmetic::Exact, false, false,
            { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr }, kStcBauds, kKeilStc, kSdccStc, true },
        { "stc15w4k", "STC15W4K", "STC15W4K32S4: 1T core, the STC15 timers 0 to 2, 1T or 12T", Arithmetic::Exact, false,
            false, { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr }, kStcBauds, kKeilStc, kSdccStc, true },
    };

    bool sameKey(std::string_view a, std::string_view b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
    }

    ChipError error(ChipErrorCode code, Chip chip, int timer = 0)
    {
        ChipError e;
        e.code = code;
        e.chip = chip;
        e.timer = timer;
        return e;
    }

} // namespace

Chip::Chip()
    : row_(&kRows[0])
{
}

bool Chip::isDefault() const
{
    return row_ == &kRows[0];
}

std::uint32_t CounterLimit(CounterKind kind)
{
    switch (kind) {
    case CounterKind::Bits13:
        return 8192;
    case CounterKind::AutoReload8:
        return 256;
    case CounterKind::Bits16:
    case CounterKind::AutoReload16:
        break;
    }
    return 65536;
}

bool ReloadsInHardware(CounterKind kind)
{
    return kind == CounterKind::AutoReload8 || kind == CounterKind::AutoReload16;
}

std::span<const ChipRow> ChipRows()
{
    return kRows;
}

std::optional<Chip> FindChip(std::string_view key)
{
    for (const ChipRow& row : kRows) {
        if (sameKey(row.key, key))
            return Chip(row);
    }
    return std::nullopt;
}

Chip ChipNamed(std::string_view key)
{
    return FindChip(key).value();
}

const TimerRow* TimerOf(const ChipRow& row, int timer)
{
    return timer >= 0 && timer < kMaxTimers ? row.timers[static_cast<std::size_t>(timer)] : nullptr;
}

const ModeRow* FindTimerMode(const ChipRow& row, int timer, int mode)
{
    const TimerRow* t = TimerOf(row, timer);
    if (t == nullptr)
        return nullptr;
    for (const ModeRow& offered : t->modes) {
        if (offered.number == mode)
            return &offered;
    }
    return nullptr;
}

const ClockChoice* FindClock(const ChipRow& row, int timer, std::uint32_t clocksPerCount)
{
    const TimerRow* t = TimerOf(row, timer);
    if (t == nullptr)
        return nullptr;
    for (const ClockChoice& choice : t->clocks) {
        if (choice.clocksPerCount == clocksPerCount)
            return &choice;
    }
    return nullptr;
}

const BaudSourceRow* FindBaudSource(const ChipRow& row, BaudSource source)
{
    for (const BaudSourceRow& offered : row.baudSources) {
        if (offered.source == source)
            return &offered;
    }
    return nullptr;
}

const BaudSourceRow* BaudSourceOnTimer(const ChipRow& row, int timer)
{
    for (const BaudSourceRow& offered : row.baudSources) {
        if (offered.timer == timer)
            return &offered;
    }
    return nullptr;
}

namespace {

    // Every clock choice of every chip's timers.
    template <typename Visit> void forEachClock(Visit visit)
    {
        for (const ChipRow& row : kRows) {
            for (const TimerRow* timer : row.timers) {
                if (timer == nullptr)
                    continue;
                for (const ClockChoice& choice : timer->clocks)
                    visit(choice);
            }
        }
    }

} // namespace

std::vector<ClockChoice> ClockChoices()
{
    std::vector<ClockChoice> choices;
    forEachClock([&](const ClockChoice& choice) {
        const auto same = [&](const ClockChoice& c) { return c.clocksPerCount == choice.clocksPerCount; };
        if (std::none_of(choices.begin(), choices.end(), same))
            choices.push_back(choice);
    });
    std::sort(choices.begin(), choices.end(),
        [](const ClockChoice& a, const ClockChoice& b) { return a.clocksPerCount < b.clocksPerCount; });
    return choices;
}

std::string_view ClockName(const ChipRow& row, int timer, std::uint32_t clocksPerCount)
{
    const ClockChoice* choice = FindClock(row, timer, clocksPerCount);
    return choice == nullptr ? std::string_view() : choice->name;
}

std::uint32_t DefaultClock(const ChipRow& row, int timer)
{
    const TimerRow* t = TimerOf(row, timer);
    return t == nullptr ? 12 : t->clocks.front().clocksPerCount;
}

std::uint32_t ClocksPerCount(const ChipRow& row, std::uint32_t clock, bool sixT)
{
    return sixT && row.offersSixT ? clock / 2 : clock;
}

bool TimersUseRegister(const ChipRow& row, std::string_view sfr)
{
    for (const TimerRow* timer : row.timers) {
        if (timer == nullptr)
            continue;
        if (timer->start.sfr == sfr)
            return true;
        for (const ClockChoice& clock : timer->clocks) {
            if (clock.select.sfr != nullptr && clock.select.sfr == sfr)
                return true;
        }
    }
    return false;
}

const ModeRow* WidestHardwareReload(const ChipRow& row, int timer)
{
    const ModeRow* widest = nullptr;
    for (const ModeRow& mode : TimerOf(row, timer)->modes) {
        if (ReloadsInHardware(mode.counter)
            && (widest == nullptr || CounterLimit(mode.counter) > CounterLimit(widest->counter)))
            widest = &mode;
    }
    return widest;
}

std::optional<ChipError> CheckTimer(Chip chip, int timer)
{
    if (TimerOf(chip.row(), timer) != nullptr)
        return std::nullopt;
    return error(ChipErrorCode::NoSuchTimer, chip, timer);
}

std::optional<ChipError> CheckTimerMode(Chip chip, int timer, int mode)
{
    if (auto missing = CheckTimer(chip, timer))
        return missing;
    if (FindTimerMode(chip.row(), timer, mode) != nullptr)
        return std::nullopt;
    ChipError e = error(ChipErrorCode::ModeNotOffered, chip, timer);
    e.mode = mode;
    return e;
}

std::optional<ChipError> CheckTimerClock(Chip chip, int timer, std::uint32_t clock)
{
    if (auto missing = CheckTimer(chip, timer))
        return missing;
    if (FindClock(chip.row(), timer, clock) != nullptr)
        return std::nullopt;
    ChipError e = error(ChipErrorCode::ClockNotOffered, chip, timer);
    e.clock = clock;
    return e;
}

std::optional<ChipError> CheckSixT(Chip chip, bool sixT)
{
    if (!sixT || chip->offersSixT)
        return std::nullopt;
    return error(ChipErrorCode::SixTNotOffered, chip);
}

std::optional<ChipError> CheckBaudSource(Chip chip, BaudSource source)
{
    const BaudSourceRow* offered = FindBaudSource(chip.row(), source);
    if (offered != nullptr)
        return std::nullopt;
    return error(ChipErrorCode::BaudSourceNotOffered, chip, source == BaudSource::Timer2 ? 2 : 1);
}

std::optional<ChipError> CheckTimerFree(Chip chip, int timer, BaudSource uartSource)
{
    const BaudSourceRow* source = FindBaudSource(chip.row(), uartSource);
    if (source == nullptr || source->timer != timer)
        return std::nullopt;
    return error(ChipErrorCode::TimerBusy, chip, timer);
}

std::optional<ChipError> CheckVendorHeader(Chip chip, bool named)
{
    if (!named || chip->acceptsVendorHeader)
        return std::nullopt;
    return error(ChipErrorCode::VendorHeaderNotAccepted, chip);
}

bool DriftFreeNeedsHardwareReload(const ChipRow& row, int timer, int mode)
{
    const ModeRow* offered = FindTimerMode(row, timer, mode);
    return offered != nullptr && !ReloadsInHardware(offered->counter) && !row.countsRoutineCycles;
}

std::string FormatSfrDeclaration(const SfrDeclaration& sfr, Dialect dialect)
{
    char buffer[48];
    if (dialect == Dialect::Sdcc)
        std::snprintf(buffer, sizeof buffer, "__sfr __at(0x%02X) %s;", unsigned { sfr.address }, sfr.name);
    else
        std::snprintf(buffer, sizeof buffer, "sfr %s = 0x%02X;", sfr.name, unsigned { sfr.address });
    return buffer;
}

const DialectHeader& HeaderFor(const ChipRow& row, Dialect dialect)
{
    return dialect == Dialect::Sdcc ? row.sdcc : row.keil;
}

std::string FormatSetBit(const SfrBit& bit)
{
    if (bit.bitName != nullptr)
        return std::string(bit.bitName) + "=1;";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s|=0x%02x;", bit.sfr, unsigned { bit.mask });
    return buffer;
}

} // namespace orlet
