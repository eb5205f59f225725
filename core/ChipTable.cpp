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

    // The 8052's timer 2 counts state times (2 clocks) as a baud generator.
    constexpr std::array<std::uint32_t, 1> kStateTimes { 2 };

    constexpr BaudSourceRow kClassicTimer1Baud { .smodDoubles = true };
    constexpr BaudSourceRow k8052Timer2Baud { .source = BaudSource::Timer2,
        .timer = 2,
        .limit = 65536,
        .overflowsPerBit = 16,
        .countingClocks = kStateTimes,
        .reloadName = "RCAP2",
        .reloadHigh = "RCAP2H",
        .reloadLow = "RCAP2L" };
    constexpr BaudSourceRow kStcTimer1Mode0Baud { .source = BaudSource::Timer1Mode0,
        .limit = 65536,
        .overflowsPerBit = 4,
        .clockName = "SYSclk",
        .reloadName = "RL_TH1:RL_TL1" };
    constexpr BaudSourceRow kStcTimer1Mode2Baud { .smodDoubles = true, .clockName = "SYSclk" };
    constexpr BaudSourceRow kStcTimer2Baud { .source = BaudSource::Timer2,
        .timer = 2,
        .limit = 65536,
        .overflowsPerBit = 4,
        .clockName = "SYSclk",
        .reloadName = "RL_T2H:RL_T2L",
        .reloadHigh = "T2H",
        .reloadLow = "T2L",
        .start = { "AUXR", 0x11, 0x11 } }; // T2R and S1ST2

    constexpr std::array<BaudSourceRow, 1> k8051Bauds { kClassicTimer1Baud };
    constexpr std::array<BaudSourceRow, 2> k8052Bauds { kClassicTimer1Baud, k8052Timer2Baud };
    // Timer 1 clocks the serial port in its 16-bit auto-reload; its mode 2
    // works as well, but the window and orlet-gen do not write it.
    constexpr std::array<BaudSourceRow, 3> kStcBauds { kStcTimer1Mode0Baud, kStcTimer2Baud, kStcTimer1Mode2Baud };
    constexpr std::array<BaudSourceRow, 1> kStcTimer2Bauds { kStcTimer2Baud };

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

    constexpr std::array<BitName, 6> kStcAuxrBits { {
        { "AUXR", 0x80, "T0x12" },
        { "AUXR", 0x40, "T1x12" },
        { "AUXR", 0x10, "T2R" },
        { "AUXR", 0x08, "T2_C/T" },
        { "AUXR", 0x04, "T2x12" },
        { "AUXR", 0x01, "S1ST2" },
    } };
    constexpr std::array<BitName, 5> kStc12AuxrBits { {
        { "AUXR", 0x80, "T0x12" },
        { "AUXR", 0x40, "T1x12" },
        { "AUXR", 0x10, "BRTR" },
        { "AUXR", 0x04, "BRTx12" },
        { "AUXR", 0x01, "S1BRS" },
    } };
    constexpr std::array<BitName, 4> kN76Bits { {
        { "CKCON", 0x10, "T1M" },
        { "CKCON", 0x08, "T0M" },
        { "T3CON", 0x20, "BRCK" },
        { "T3CON", 0x08, "TR3" },
    } };
    constexpr std::array<BitName, 4> kCh552Bits { {
        { "T2MOD", 0x80, "bTMR_CLK" },
        { "T2MOD", 0x40, "bT2_CLK" },
        { "T2MOD", 0x20, "bT1_CLK" },
        { "T2MOD", 0x10, "bT0_CLK" },
    } };

    // The STC15's internal RC oscillator: set anywhere from 5 to 35 MHz when
    // the chip is programmed; these are the settings STC names.
    constexpr const char* kStcIrcSetUp = "the internal RC oscillator's frequency is chosen when the chip is"
                                         " programmed (STC-ISP), not by a register";
    constexpr std::array<InternalClock, 4> kStcIrc { {
        { 5529600, "5.5296 (内部)", kStcIrcSetUp },
        { 11059200, "11.0592 (内部)", kStcIrcSetUp },
        { 22118400, "22.1184 (内部)", kStcIrcSetUp },
        { 33177600, "33.1776 (内部)", kStcIrcSetUp },
    } };
    constexpr ClockTolerance kStc15Tolerance { 1.0, "-40 to 85 C (0.3 % at 25 C)", "−40~85°C（25°C时±0.3%）" };
    // STC8G: -1.38 to +1.42 %, STC8H: -1.35 to +1.30 % over -40 to 85 C.
    constexpr ClockTolerance kStc8Tolerance { 1.42, "-40 to 85 C (0.3 % at 25 C)", "−40~85°C（25°C时±0.3%）" };
    constexpr ClockTolerance kStc8hTolerance { 1.35, "-40 to 85 C (0.3 % at 25 C)", "−40~85°C（25°C时±0.3%）" };

    // STC12C5A60S2: the classic timer modes, each timer 1T or 12T in AUXR,
    // and BRT, an 8-bit baud-rate generator of its own (BRTx12 = AUXR.2;
    // BRTR = AUXR.4 and S1BRS = AUXR.0 start it and give it to UART1).
    constexpr TimerRow kStc12Timer0 { 0, TimerControl::Tmod, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, kTr0,
        nullptr, kClassicModes, ModeThree::SplitInTwo, kStcClocks0 };
    constexpr TimerRow kStc12Timer1 { 1, TimerControl::Tmod, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, kTr1,
        nullptr, kClassicModes, ModeThree::SplitInTwo, kStcClocks1 };
    constexpr std::array<ClockChoice, 2> kBrtClocks { {
        { 1, "1t", { "AUXR", 0x04, 0x04 } },
        { 12, "12t", { "AUXR", 0x04, 0x00 } },
    } };
    constexpr std::array<BaudSourceRow, 1> kStc12Bauds { { { .source = BaudSource::Brt,
        .timer = kBaudGeneratorSlot,
        .smodDoubles = true,
        .clockName = "SYSclk",
        .reloadName = "BRT",
        .generator = "BRT",
        .clocks = kBrtClocks,
        .reloadHigh = "BRT",
        .reloadLow = nullptr,
        .start = { "AUXR", 0x11, 0x11 } } } };
    constexpr std::array<SfrDeclaration, 2> kStc12Declarations { {
        { "AUXR", 0x8E },
        { "BRT", 0x9C },
    } };
    // SDCC's stc12.h declares AUXR and BRT.
    constexpr DialectHeader kKeilStc12 { "#include \"reg51.h\"", kStc12Declarations };
    constexpr DialectHeader kSdccStc12 { "#include <stc12.h>", {} };

    // N76E003: CKCON.T0M (bit 3) and T1M (bit 4) count at Fsys instead of
    // Fsys/12; UART0 from timer 3 (T3CON.BRCK), prescaler 1/1 (T3PS = 0).
    constexpr std::array<ClockChoice, 2> kCkconClocks0 { {
        { 12, "12t", { "CKCON", 0x08, 0x00 } },
        { 1, "1t", { "CKCON", 0x08, 0x08 } },
    } };
    constexpr std::array<ClockChoice, 2> kCkconClocks1 { {
        { 12, "12t", { "CKCON", 0x10, 0x00 } },
        { 1, "1t", { "CKCON", 0x10, 0x10 } },
    } };
    constexpr TimerRow kN76Timer0 { 0, TimerControl::Tmod, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, kTr0, nullptr,
        kClassicModes, ModeThree::SplitInTwo, kCkconClocks0 };
    constexpr TimerRow kN76Timer1 { 1, TimerControl::Tmod, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, kTr1, nullptr,
        kClassicModes, ModeThree::SplitInTwo, kCkconClocks1 };
    constexpr std::array<ClockChoice, 1> kTimer3Clocks { { { 1, "1t", { "T3CON", 0x07, 0x00 } } } };
    // SMOD is set, as the vendor's code does: Fsys / (16 * count).
    constexpr std::array<BaudSourceRow, 1> kN76Bauds { { { .source = BaudSource::Timer3,
        .timer = kBaudGeneratorSlot,
        .limit = 65536,
        .overflowsPerBit = 16,
        .clockName = "Fsys",
        .reloadName = "RH3:RL3",
        .clocks = kTimer3Clocks,
        .reloadHigh = "RH3",
        .reloadLow = "RL3",
        .start = { "T3CON", 0x28, 0x28 }, // BRCK and TR3
        .setsSmod = true } } };
    constexpr std::array<SfrDeclaration, 4> kN76Declarations { {
        { "CKCON", 0x8E },
        { "T3CON", 0xC4 },
        { "RL3", 0xC5 },
        { "RH3", 0xC6 },
    } };
    constexpr DialectHeader kKeilN76 { "#include \"reg51.h\"", kN76Declarations };
    constexpr DialectHeader kSdccN76 { "#include <8051.h>", kN76Declarations };
    // 16.6 MHz is the HIRC lowered by 15 trim steps, for exact UART rates.
    constexpr std::array<InternalClock, 2> kN76Hirc { {
        { 16000000, "16 (内部)", nullptr },
        { 16600000, "16.6 (内部)",
            "16.6 MHz: the HIRC must first be trimmed 15 steps below its factory setting (RCTRIM0/RCTRIM1 under"
            " TA protection, after each power-on); this code does not" },
    } };
    constexpr ClockTolerance kN76Tolerance { 2.0, "-40 to 105 C (1 % at -10 to 70 C)", "−40~105°C（−10~70°C时±1%）" };

    // CH552: T2MOD's bTn_CLK picks Fsys/4 over Fsys/12, and with the shared
    // bTMR_CLK (0x80) Fsys.
    constexpr std::array<ClockChoice, 3> kCh552Clocks0 { {
        { 12, "12t", { "T2MOD", 0x10, 0x00 } },
        { 4, "4t", { "T2MOD", 0x90, 0x10 } },
        { 1, "1t", { "T2MOD", 0x90, 0x90 } },
    } };
    constexpr std::array<ClockChoice, 3> kCh552Clocks1 { {
        { 12, "12t", { "T2MOD", 0x20, 0x00 } },
        { 4, "4t", { "T2MOD", 0xA0, 0x20 } },
        { 1, "1t", { "T2MOD", 0xA0, 0xA0 } },
    } };
    constexpr std::array<ClockChoice, 3> kCh552Clocks2 { {
        { 12, "12t", { "T2MOD", 0x40, 0x00 } },
        { 4, "4t", { "T2MOD", 0xC0, 0x40 } },
        { 1, "1t", { "T2MOD", 0xC0, 0xC0 } },
    } };
    constexpr TimerRow kCh552Timer0 { 0, TimerControl::Tmod, "TH0", "TL0", 1, 0x0B, { "IE", 0x02, "ET0" }, kTr0,
        nullptr, kClassicModes, ModeThree::SplitInTwo, kCh552Clocks0 };
    constexpr TimerRow kCh552Timer1 { 1, TimerControl::Tmod, "TH1", "TL1", 3, 0x1B, { "IE", 0x08, "ET1" }, kTr1,
        nullptr, kClassicModes, ModeThree::SplitInTwo, kCh552Clocks1 };
    constexpr TimerRow kCh552Timer2 { 2, TimerControl::T2con, "RCAP2H", "RCAP2L", 5, 0x2B, { "IE", 0x20, "ET2" },
        { "T2CON", 0x04, "TR2" }, "TF2", kTimer2Modes, ModeThree::Unknown, kCh552Clocks2 };
    // As the baud generator timer 2 counts Fsys/4, Fsys/2 or Fsys for its
    // three clock choices, and SMOD does not reach it.
    constexpr std::array<std::uint32_t, 3> kCh552Timer2BaudClocks { 4, 2, 1 };
    constexpr std::array<BaudSourceRow, 2> kCh552Bauds { {
        { .smodDoubles = true, .clockName = "Fsys" },
        { .source = BaudSource::Timer2,
            .timer = 2,
            .limit = 65536,
            .overflowsPerBit = 16,
            .countingClocks = kCh552Timer2BaudClocks,
            .clockName = "Fsys",
            .reloadName = "RCAP2",
            .reloadHigh = "RCAP2H",
            .reloadLow = "RCAP2L" },
    } };
    constexpr std::array<SfrDeclaration, 3> kCh552Declarations { {
        { "T2MOD", 0xC9 },
        { "CLOCK_CFG", 0xB9 },
        { "SAFE_MOD", 0xA1 },
    } };
    constexpr DialectHeader kKeilCh552 { "#include \"reg52.h\"", kCh552Declarations };
    constexpr DialectHeader kSdccCh552 { "#include <8052.h>", kCh552Declarations };
    constexpr std::array<InternalClock, 5> kCh552Clocks { {
        { 24000000, "24 (内部)", nullptr },
        { 16000000, "16 (内部)", nullptr },
        { 12000000, "12 (内部)", nullptr },
        { 6000000, "6 (内部)", nullptr },
        { 3000000, "3 (内部)", nullptr },
    } };
    // Fsys = 96 MHz / {512, 128, 32, 16, 8, 6, 4}; 6 MHz after reset.
    constexpr std::array<ClockDivider, 7> kCh552Dividers { {
        { 187500, 0 },
        { 750000, 1 },
        { 3000000, 2 },
        { 6000000, 3 },
        { 12000000, 4 },
        { 16000000, 5 },
        { 24000000, 6 },
    } };
    constexpr ClockTolerance kCh552Tolerance { 2.0, "25 C, V33 3.0 to 3.6 V; no temperature range given",
        "25°C、V33 3.0~3.6V；未给温度范围" };

    constexpr std::array<std::string_view, 2> kStc89Aliases { "STC89C52RC", "STC89LE52" };
    constexpr std::array<std::string_view, 2> kStc15Aliases { "STC15F2K60S2", "IAP15F2K61S2" };
    constexpr std::array<std::string_view, 2> kStc8Aliases { "STC8G1K08", "STC8A8K64S4A12" };
    constexpr std::array<std::string_view, 1> kN76Aliases { "MS51FB9AE" };
    constexpr std::array<std::string_view, 1> kCh552Aliases { "CH554" };
    constexpr std::array<std::string_view, 2> kStc15w4kAliases { "STC15W4K32S4", "IAP15W4K61S4" };

    // Grouped by maker, the generic cores first: the chip list shows them so.
    const std::array<ChipRow, 14> kRows { {
        { .key = "8051",
            .title = "8051",
            .family = "classic 8051, 12 clocks per count",
            .arithmetic = Arithmetic::Classic,
            .timers = { &kTimer0, &kTimer1, nullptr, nullptr },
            .baudSources = k8051Bauds,
            .keil = kKeil51,
            .sdcc = kSdcc51 },
        { .key = "8052",
            .title = "8052",
            .family = "8052 (AT89S52): timer 2 with RCAP2",
            .timers = { &kTimer0, &kTimer1, &k8052Timer2, nullptr },
            .baudSources = k8052Bauds,
            .keil = kKeil52,
            .sdcc = kSdcc52 },
        { .key = "stc89",
            .title = "STC89",
            .family = "STC89C5x: an 8052, 12T or 6T",
            .offersSixT = true,
            .timers = { &kTimer0, &kTimer1, &k8052Timer2, nullptr },
            .baudSources = k8052Bauds,
            .keil = kKeil52,
            .sdcc = kSdcc52,
            .maker = "STC",
            .aliases = kStc89Aliases },
        { .key = "stc15",
            .title = "STC15",
            .family = "STC15F2K60S2/IAP15F2K61S2: 1T core, timers 1T or 12T",
            .countsRoutineCycles = false,
            .timers = { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr },
            .baudSources = kStcBauds,
            .keil = kKeilStc,
            .sdcc = kSdccStc,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .aliases = kStc15Aliases,
            .internalClocks = kStcIrc,
            .tolerance = kStc15Tolerance,
            .bitNames = kStcAuxrBits },
        { .key = "stc8",
            .title = "STC8",
            .family = "STC8H/STC8G/STC8A: the STC15 timers",
            .countsRoutineCycles = false,
            .timers = { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr },
            .baudSources = kStcBauds,
            .keil = kKeilStc,
            .sdcc = kSdccStc,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .aliases = kStc8Aliases,
            .internalClocks = kStcIrc,
            .tolerance = kStc8Tolerance,
            .bitNames = kStcAuxrBits },
        { .key = "stc8h",
            .title = "STC8H",
            .family = "STC8H: 1T core, the STC8 timers 0 to 2, 1T or 12T",
            .countsRoutineCycles = false,
            .timers = { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr },
            .baudSources = kStcBauds,
            .keil = kKeilStc,
            .sdcc = kSdccStc,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .internalClocks = kStcIrc,
            .tolerance = kStc8hTolerance,
            .bitNames = kStcAuxrBits },
        { .key = "stc15w4k",
            .title = "STC15W4K",
            .family = "STC15W4K32S4: 1T core, the STC15 timers 0 to 2, 1T or 12T",
            .countsRoutineCycles = false,
            .timers = { &kStcTimer0, &kStcTimer1, &kStcTimer2, nullptr },
            .baudSources = kStcBauds,
            .keil = kKeilStc,
            .sdcc = kSdccStc,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .aliases = kStc15w4kAliases,
            .internalClocks = kStcIrc,
            .tolerance = kStc15Tolerance,
            .bitNames = kStcAuxrBits },
        { .key = "stc12c5a60s2",
            .title = "STC12C5A60S2",
            .family = "STC12C5A60S2: 1T core, timers 0 and 1 at 1T or 12T, BRT for UART1",
            .countsRoutineCycles = false,
            .timers = { &kStc12Timer0, &kStc12Timer1, nullptr, nullptr },
            .baudSources = kStc12Bauds,
            .keil = kKeilStc12,
            .sdcc = kSdccStc12,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .bitNames = kStc12AuxrBits },
        { .key = "stc15w408as",
            .title = "STC15W408AS",
            .family = "STC15W408AS: the STC15 timers 0 and 2, no timer 1; UART1 from timer 2",
            .countsRoutineCycles = false,
            .timers = { &kStcTimer0, nullptr, &kStcTimer2, nullptr },
            .baudSources = kStcTimer2Bauds,
            .keil = kKeilStc,
            .sdcc = kSdccStc,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .internalClocks = kStcIrc,
            .tolerance = kStc15Tolerance,
            .bitNames = kStcAuxrBits },
        { .key = "stc15f104w",
            .title = "STC15F104W",
            .family = "STC15F104W: the STC15 timers 0 and 2, no timer 1 and no hardware UART",
            .countsRoutineCycles = false,
            .timers = { &kStcTimer0, nullptr, &kStcTimer2, nullptr },
            .keil = kKeilStc,
            .sdcc = kSdccStc,
            .acceptsVendorHeader = true,
            .maker = "STC",
            .internalClocks = kStcIrc,
            .tolerance = kStc15Tolerance,
            .bitNames = kStcAuxrBits },
        { .key = "at89s52",
            .title = "AT89S52",
            .family = "AT89S52: an 8052, timer 2 with RCAP2",
            .timers = { &kTimer0, &kTimer1, &k8052Timer2, nullptr },
            .baudSources = k8052Bauds,
            .keil = kKeil52,
            .sdcc = kSdcc52,
            .maker = "Atmel" },
        { .key = "at89c2051",
            .title = "AT89C2051",
            .family = "AT89C2051: an 8051, timers 0 and 1",
            .timers = { &kTimer0, &kTimer1, nullptr, nullptr },
            .baudSources = k8051Bauds,
            .keil = kKeil51,
            .sdcc = kSdcc51,
            .maker = "Atmel" },
        { .key = "n76e003",
            .title = "N76E003",
            .family = "N76E003/MS51: 1T core, timers at Fsys/12 or Fsys, UART0 from timer 3",
            .countsRoutineCycles = false,
            .timers = { &kN76Timer0, &kN76Timer1, nullptr, nullptr },
            .baudSources = kN76Bauds,
            .keil = kKeilN76,
            .sdcc = kSdccN76,
            .acceptsVendorHeader = true,
            .maker = "Nuvoton",
            .aliases = kN76Aliases,
            .internalClocks = kN76Hirc,
            .tolerance = kN76Tolerance,
            .bitNames = kN76Bits },
        { .key = "ch552",
            .title = "CH552",
            .family = "CH552/CH554: timers at Fsys/12, Fsys/4 or Fsys, timer 2 as the 8052's",
            .countsRoutineCycles = false,
            .timers = { &kCh552Timer0, &kCh552Timer1, &kCh552Timer2, nullptr },
            .baudSources = kCh552Bauds,
            .keil = kKeilCh552,
            .sdcc = kSdccCh552,
            .acceptsVendorHeader = true,
            .maker = "WCH",
            .aliases = kCh552Aliases,
            .internalClocks = kCh552Clocks,
            .tolerance = kCh552Tolerance,
            .systemClock = { "CLOCK_CFG", 0x07, kCh552Dividers, "SAFE_MOD" },
            .bitNames = kCh552Bits },
    } };

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
        for (std::string_view alias : row.aliases) {
            if (sameKey(alias, key))
                return Chip(row);
        }
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
    for (const ClockChoice& choice : ClocksOf(row, timer)) {
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

int DefaultUartTimer(const ChipRow& row)
{
    return row.baudSources.empty() ? 1 : row.baudSources.front().timer;
}

bool HasSerialPort(const ChipRow& row)
{
    return !row.baudSources.empty();
}

std::vector<int> UartTimers(const ChipRow& row)
{
    std::vector<int> timers;
    for (const BaudSourceRow& source : row.baudSources) {
        if (std::find(timers.begin(), timers.end(), source.timer) == timers.end())
            timers.push_back(source.timer);
    }
    return timers;
}

std::span<const ClockChoice> ClocksOf(const ChipRow& row, int timer)
{
    if (const TimerRow* t = TimerOf(row, timer))
        return t->clocks;
    if (const BaudSourceRow* source = BaudSourceOnTimer(row, timer))
        return source->clocks;
    return {};
}

std::uint32_t DefaultClock(const ChipRow& row, int timer)
{
    const auto clocks = ClocksOf(row, timer);
    return clocks.empty() ? 12 : clocks.front().clocksPerCount;
}

std::uint32_t ClocksPerCount(const ChipRow& row, std::uint32_t clock, bool sixT)
{
    return sixT && row.offersSixT ? clock / 2 : clock;
}

std::uint32_t BaudCountingClocks(const ChipRow& row, const BaudSourceRow& source, std::uint32_t clock, bool sixT)
{
    const auto clocks = ClocksOf(row, source.timer);
    std::uint32_t counting = clock;
    for (std::size_t i = 0; i < clocks.size() && i < source.countingClocks.size(); ++i) {
        if (clocks[i].clocksPerCount == clock)
            counting = source.countingClocks[i];
    }
    return ClocksPerCount(row, counting, sixT);
}

const InternalClock* FindInternalClock(const ChipRow& row, std::uint32_t hz)
{
    for (const InternalClock& clock : row.internalClocks) {
        if (clock.hz == hz)
            return &clock;
    }
    return nullptr;
}

const ClockDivider* FindClockDivider(const ChipRow& row, std::uint32_t hz)
{
    for (const ClockDivider& divider : row.systemClock.settings) {
        if (divider.hz == hz)
            return &divider;
    }
    return nullptr;
}

namespace {

    // Every register a timer or a baud source of the row starts or selects a clock in.
    template <typename Visit> void visitRegisters(const ChipRow& row, Visit visit)
    {
        for (const TimerRow* timer : row.timers) {
            if (timer == nullptr)
                continue;
            visit(timer->start.sfr);
            for (const ClockChoice& clock : timer->clocks)
                visit(clock.select.sfr);
        }
        for (const BaudSourceRow& source : row.baudSources) {
            visit(source.start.sfr);
            for (const ClockChoice& clock : source.clocks)
                visit(clock.select.sfr);
        }
    }

} // namespace

bool TimersUseRegister(const ChipRow& row, std::string_view sfr)
{
    bool used = false;
    visitRegisters(row, [&](const char* name) { used = used || (name != nullptr && name == sfr); });
    return used;
}

std::string BitNamesIn(const ChipRow& row, std::string_view sfr, std::uint8_t value)
{
    std::string names;
    for (const BitName& bit : row.bitNames) {
        if (bit.sfr == sfr && (value & bit.mask) != 0)
            names += std::string(names.empty() ? "" : ", ") + bit.name;
    }
    return names.empty() ? "none set" : names;
}

std::vector<std::string_view> SetUpRegisters(const ChipRow& row)
{
    std::vector<std::string_view> names;
    visitRegisters(row, [&](const char* name) {
        if (name == nullptr || std::string_view(name) == "TCON" || std::string_view(name) == "T2CON")
            return;
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
    });
    return names;
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
    // A baud generator's slot has clock choices without being a timer.
    if (ClocksOf(chip.row(), timer).empty())
        return error(ChipErrorCode::NoSuchTimer, chip, timer);
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
    if (auto none = CheckSerialPort(chip))
        return none;
    const int slot = source == BaudSource::Timer2                   ? 2
        : source == BaudSource::Brt || source == BaudSource::Timer3 ? kBaudGeneratorSlot
                                                                    : 1;
    return error(ChipErrorCode::BaudSourceNotOffered, chip, slot);
}

std::optional<ChipError> CheckSerialPort(Chip chip)
{
    if (HasSerialPort(chip.row()))
        return std::nullopt;
    return error(ChipErrorCode::NoSerialPort, chip);
}

std::optional<ChipError> CheckUartTimer(Chip chip, int timer)
{
    if (auto none = CheckSerialPort(chip))
        return none;
    if (BaudSourceOnTimer(chip.row(), timer) != nullptr)
        return std::nullopt;
    return error(ChipErrorCode::BaudSourceNotOffered, chip, timer);
}

bool ClocksClash(const ChipRow& row, int timer, std::uint32_t clock, int other, std::uint32_t otherClock)
{
    const ClockChoice* choice = FindClock(row, timer, clock);
    const ClockChoice* earlier = FindClock(row, other, otherClock);
    if (timer == other || choice == nullptr || earlier == nullptr || choice->select.sfr == nullptr
        || earlier->select.sfr == nullptr || std::string_view(earlier->select.sfr) != choice->select.sfr)
        return false;
    const std::uint8_t shared = choice->select.mask & earlier->select.mask;
    return (choice->select.value & shared) != (earlier->select.value & shared);
}

std::optional<ChipError> CheckClocksAgree(Chip chip, const std::array<std::optional<std::uint32_t>, kMaxTimers>& clocks)
{
    for (int timer = 1; timer < kMaxTimers; ++timer) {
        const auto& clock = clocks.at(std::size_t(timer));
        for (int other = 0; other < timer && clock; ++other) {
            const auto& otherClock = clocks.at(std::size_t(other));
            if (!otherClock || !ClocksClash(chip.row(), timer, *clock, other, *otherClock))
                continue;
            ChipError e = error(ChipErrorCode::ClocksClash, chip, timer);
            e.clock = *clock;
            e.otherTimer = other;
            e.otherClock = *otherClock;
            return e;
        }
    }
    return std::nullopt;
}

std::optional<ChipError> CheckInternalClock(Chip chip, std::uint32_t hz)
{
    if (FindInternalClock(chip.row(), hz) != nullptr)
        return std::nullopt;
    ChipError e = error(ChipErrorCode::NoInternalClock, chip);
    e.clock = hz;
    return e;
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
