#include "ChipProfile.h"

#include "SourceGenerator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace orlet {

namespace {

    constexpr std::array<TimerMode, 3> kClassicModes { {
        { 0, 8192, false, "13位定时/计数" },
        { 1, 65536, false, "16位定时/计数" },
        { 2, 256, true, "8位自动重装" },
    } };

    // STC15/STC8: writes to TH/TL while mode 0 runs go to hidden reload
    // registers, loaded again at each overflow.
    constexpr std::array<TimerMode, 3> kStcModes { {
        { 0, 65536, true, "16位自动重装" },
        { 1, 65536, false, "16位不自动重装" },
        { 2, 256, true, "8位自动重装" },
    } };

    constexpr std::array<TimerMode, 1> kTimer2Modes { {
        { 0, 65536, true, "16位自动重装" },
    } };

    constexpr TimerInfo kTimer0 { 0, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, nullptr, kClassicModes };
    constexpr TimerInfo kTimer1 { 1, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, nullptr, kClassicModes };
    constexpr TimerInfo kStcTimer0 { 0, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, nullptr, kStcModes };
    constexpr TimerInfo kStcTimer1 { 1, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, nullptr, kStcModes };
    // The 8052 leaves TF2 set: its routine must clear it.
    constexpr TimerInfo k8052Timer2 { 2, "RCAP2H", "RCAP2L", 5, 0x2B, { "IE", 0x20, "ET2" }, "TF2", kTimer2Modes };
    // STC: the flag is hidden and cleared when the interrupt is taken; IE.5
    // is EADC there, so the enable is IE2 bit 2.
    constexpr TimerInfo kStcTimer2 { 2, "T2H", "T2L", 12, 0x63, { "IE2", 0x04, nullptr }, nullptr, kTimer2Modes };

    constexpr BaudSourceInfo kClassicTimer1Baud { BaudSource::Timer1Mode2, 1, 256, true, 32, false, "fosc", "TH1" };
    constexpr BaudSourceInfo k8052Timer2Baud { BaudSource::Timer2, 2, 65536, false, 16, true, "fosc", "RCAP2" };
    constexpr BaudSourceInfo kStcTimer1Mode0Baud { BaudSource::Timer1Mode0, 1, 65536, false, 4, false, "SYSclk",
        "RL_TH1:RL_TL1" };
    constexpr BaudSourceInfo kStcTimer1Mode2Baud { BaudSource::Timer1Mode2, 1, 256, true, 32, false, "SYSclk", "TH1" };
    constexpr BaudSourceInfo kStcTimer2Baud { BaudSource::Timer2, 2, 65536, false, 4, false, "SYSclk",
        "RL_T2H:RL_T2L" };

    constexpr std::array<BaudSourceInfo, 1> k8051Bauds { kClassicTimer1Baud };
    constexpr std::array<BaudSourceInfo, 2> k8052Bauds { kClassicTimer1Baud, k8052Timer2Baud };
    constexpr std::array<BaudSourceInfo, 3> kStcBauds { kStcTimer1Mode2Baud, kStcTimer1Mode0Baud, kStcTimer2Baud };

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

    const std::array<ChipProfile, 5> kProfiles { {
        { Chip::I8051, "8051", "8051", "classic 8051, 12 clocks per count", TimerModel::Classic, false, false,
            { &kTimer0, &kTimer1, nullptr }, k8051Bauds, kKeil51, kSdcc51, false },
        { Chip::I8052, "8052", "8052", "8052 (AT89S52): timer 2 with RCAP2", TimerModel::Classic, false, true,
            { &kTimer0, &kTimer1, &k8052Timer2 }, k8052Bauds, kKeil52, kSdcc52, false },
        { Chip::Stc89, "stc89", "STC89", "STC89C5x: an 8052, 12T or 6T", TimerModel::Classic, true, true,
            { &kTimer0, &kTimer1, &k8052Timer2 }, k8052Bauds, kKeil52, kSdcc52, false },
        { Chip::Stc15, "stc15", "STC15", "STC15F2K60S2/IAP15F2K61S2: 1T core, timers 1T or 12T", TimerModel::Stc, false,
            true, { &kStcTimer0, &kStcTimer1, &kStcTimer2 }, kStcBauds, kKeilStc, kSdccStc, true },
        { Chip::Stc8, "stc8", "STC8", "STC8H/STC8G/STC8A: the STC15 timers", TimerModel::Stc, false, true,
            { &kStcTimer0, &kStcTimer1, &kStcTimer2 }, kStcBauds, kKeilStc, kSdccStc, true },
    } };

    std::string lower(std::string_view text)
    {
        std::string result(text);
        std::transform(result.begin(), result.end(), result.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return result;
    }

    std::string chipNames()
    {
        std::string names;
        for (std::size_t i = 0; i < kProfiles.size(); ++i) {
            if (i > 0)
                names += i + 1 == kProfiles.size() ? " or " : ", ";
            names += kProfiles[i].name;
        }
        return names;
    }

    ChipError error(ChipErrorCode code, std::string message)
    {
        return { code, std::move(message) };
    }

    std::string chipTitle(const ChipProfile& profile)
    {
        return std::string(profile.title);
    }

    std::string modeTrapMessage(const ChipProfile& profile, int timer, int mode)
    {
        const std::string title = chipTitle(profile);
        if (timer == 2)
            return "timer 2 of the " + title + " has one mode, the 16-bit auto-reload (mode 0)";
        if (mode == 3 && profile.model == TimerModel::Stc)
            return "mode 3 makes timer 0 of the " + title
                + " a non-maskable 16-bit auto-reload timer (and stops timer 1); it is not generated: "
                  "mode 0 is the same 16-bit auto-reload with a maskable interrupt";
        if (mode == 3)
            return "mode 3 (timer 0 split into two 8-bit timers, timer 1 stopped) is not generated; the " + title
                + " offers modes 0, 1 and 2";
        return "timer mode " + std::to_string(mode) + " does not exist; the " + title + " offers modes 0, 1 and 2";
    }

    std::string clockTrapMessage(const ChipProfile& profile)
    {
        const std::string title = chipTitle(profile);
        if (profile.offersSixT)
            return "the " + title
                + " has no 1T timer clock: its AUXR holds only EXTRAM and ALEOFF; for double speed program it "
                  "in 6T mode";
        return "the " + title + " counts every 12 clocks; 1T timers are on stc15 and stc8";
    }

    std::string baudTrapMessage(const ChipProfile& profile, BaudSource source)
    {
        const std::string title = chipTitle(profile);
        if (source == BaudSource::Timer2)
            return "the " + title + " has no timer 2 to clock its serial port; timer 1 does";
        return "timer 1 in mode 0 clocks the serial port on stc15 and stc8 only; the " + title
            + " uses timer 1 in mode 2 or timer 2";
    }

} // namespace

std::span<const ChipProfile> AllChipProfiles()
{
    return kProfiles;
}

const ChipProfile& ProfileOf(Chip chip)
{
    return kProfiles.at(static_cast<std::size_t>(chip));
}

std::optional<Chip> ParseChipName(std::string_view name)
{
    const std::string wanted = lower(name);
    for (const ChipProfile& profile : kProfiles) {
        if (profile.name == wanted)
            return profile.chip;
    }
    return std::nullopt;
}

ChipError UnknownChipError(std::string_view name)
{
    return error(ChipErrorCode::UnknownChip, "unknown chip \"" + std::string(name) + "\"; choose " + chipNames());
}

std::uint32_t ClocksPerCount(const ChipProfile& profile, TimerClock clock, bool sixT)
{
    if (profile.model == TimerModel::Stc)
        return clock == TimerClock::One ? 1 : 12;
    return sixT && profile.offersSixT ? 6 : 12;
}

TimerClock DefaultTimerClock(const ChipProfile& profile)
{
    return profile.model == TimerModel::Stc ? TimerClock::One : TimerClock::Twelve;
}

const TimerMode* FindTimerMode(const ChipProfile& profile, int timer, int mode)
{
    if (timer < 0 || timer > 2 || profile.timers[timer] == nullptr)
        return nullptr;
    for (const TimerMode& offered : profile.timers[timer]->modes) {
        if (offered.mode == mode)
            return &offered;
    }
    return nullptr;
}

const BaudSourceInfo* FindBaudSource(const ChipProfile& profile, BaudSource source)
{
    for (const BaudSourceInfo& offered : profile.baudSources) {
        if (offered.source == source)
            return &offered;
    }
    return nullptr;
}

std::optional<ChipError> CheckTimer(const ChipProfile& profile, int timer)
{
    if (timer >= 0 && timer <= 2 && profile.timers[timer] != nullptr)
        return std::nullopt;
    if (timer == 2)
        return error(ChipErrorCode::NoSuchTimer,
            "the " + chipTitle(profile) + " has no timer 2; the 8052, STC89, STC15 and STC8 have one");
    return error(ChipErrorCode::NoSuchTimer, "there is no timer " + std::to_string(timer));
}

std::optional<ChipError> CheckTimerMode(const ChipProfile& profile, int timer, int mode)
{
    if (auto missing = CheckTimer(profile, timer))
        return missing;
    if (FindTimerMode(profile, timer, mode) != nullptr)
        return std::nullopt;
    return error(ChipErrorCode::ModeNotOffered, modeTrapMessage(profile, timer, mode));
}

std::optional<ChipError> CheckTimerClock(const ChipProfile& profile, int timer, TimerClock clock)
{
    if (auto missing = CheckTimer(profile, timer))
        return missing;
    if (clock == TimerClock::Twelve || profile.model == TimerModel::Stc)
        return std::nullopt;
    return error(ChipErrorCode::ClockNotOffered, clockTrapMessage(profile));
}

std::optional<ChipError> CheckSixT(const ChipProfile& profile, bool sixT)
{
    if (!sixT || profile.offersSixT)
        return std::nullopt;
    return error(ChipErrorCode::SixTNotOffered,
        "6T mode is chosen when an STC89 is programmed; the " + chipTitle(profile) + " has none");
}

std::optional<ChipError> CheckBaudSource(const ChipProfile& profile, BaudSource source)
{
    if (FindBaudSource(profile, source) != nullptr)
        return std::nullopt;
    return error(ChipErrorCode::BaudSourceNotOffered, baudTrapMessage(profile, source));
}

std::optional<ChipError> CheckTimerFree(const ChipProfile& profile, int timer, BaudSource uartSource)
{
    const BaudSourceInfo* source = FindBaudSource(profile, uartSource);
    if (source == nullptr || source->timer != timer)
        return std::nullopt;
    return error(ChipErrorCode::TimerBusy,
        "timer " + std::to_string(timer) + " clocks the serial port of the " + chipTitle(profile)
            + " and cannot time periods as well");
}

std::optional<ChipError> CheckVendorHeader(const ChipProfile& profile, bool named)
{
    if (!named || profile.acceptsVendorHeader)
        return std::nullopt;
    return error(ChipErrorCode::VendorHeaderNotAccepted,
        "the " + chipTitle(profile)
            + " text declares no registers of its own, so there is none for a vendor header to take over; it is "
              "named on stc15 and stc8");
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

bool DriftFreeNeedsHardwareReload(const ChipProfile& profile, int mode)
{
    return profile.model == TimerModel::Stc && mode == 1;
}

const DialectHeader& HeaderFor(const ChipProfile& profile, Dialect dialect)
{
    return dialect == Dialect::Sdcc ? profile.sdcc : profile.keil;
}

std::string FormatInterruptEnable(const InterruptEnable& enable)
{
    if (enable.bitName != nullptr)
        return std::string(enable.bitName) + "=1;";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s|=0x%02x;", enable.sfr, unsigned { enable.mask });
    return buffer;
}

} // namespace orlet
