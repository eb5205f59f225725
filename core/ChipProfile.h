#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orlet {

enum class Dialect;

// The chips the code can be written for. I8051 is the classic 12-clock
// 8051 the program has always computed for.
enum class Chip {
    I8051,
    I8052, // AT89S52 and the like: timer 2 with RCAP2
    Stc89, // STC89C5x: an 8052 that may run in 6T
    Stc15, // STC15F2K60S2, IAP15F2K61S2, ...: 1T core, AUXR timer clocks
    Stc8, // STC8H/STC8G/STC8A: the STC15 timer model
};

// Clocks per timer count on a timer that offers the choice (STC15/STC8:
// AUXR T0x12/T1x12/T2x12).
enum class TimerClock {
    Twelve, // 12T: the classic rate
    One, // 1T: the system clock
};

// Where UART1 (serial modes 1 and 3) takes its bit clock from.
enum class BaudSource {
    Timer1Mode2, // timer 1, 8-bit auto-reload (TH1), PCON.SMOD doubles
    Timer1Mode0, // STC: timer 1, 16-bit auto-reload
    Timer2, // 8052: RCLK = TCLK = 1, RCAP2; STC: AUXR.S1ST2 = 1, T2H/T2L
};

// How the timers of a family work.
enum class TimerModel {
    Classic, // 8051/8052: 13-bit mode 0, the routine reloads modes 0 and 1
    Stc, // STC15/STC8: mode 0 is a 16-bit auto-reload, AUXR picks 1T/12T
};

// One TMOD mode a timer offers (timer 2 offers one, numbered 0).
struct TimerMode {
    int mode = 0;
    std::uint32_t limit = 0; // counts the counter holds: 8192, 65536 or 256
    bool hardwareReload = false; // the chip reloads; the routine writes nothing
    const char* meaning = ""; // what the mode does on this chip (UTF-8)
};

// An interrupt enable: the bit of `sfr`, by its name when it is
// bit-addressable (`ET2=1;`), by mask otherwise (`IE2|=0x04;`).
struct InterruptEnable {
    const char* sfr = "";
    std::uint8_t mask = 0;
    const char* bitName = nullptr; // nullptr: not bit-addressable
};

struct TimerInfo {
    int timer = 0;
    const char* reloadHigh = ""; // TH0, RCAP2H, T2H
    const char* reloadLow = "";
    int interruptNumber = 0; // Keil `interrupt n`, SDCC `__interrupt(n)`
    std::uint16_t vector = 0;
    InterruptEnable enable;
    const char* flagToClear = nullptr; // the routine clears it (8052 TF2)
    std::span<const TimerMode> modes;
};

// A special function register a header of the dialect does not declare.
struct SfrDeclaration {
    const char* name = "";
    std::uint8_t address = 0;
};

struct DialectHeader {
    const char* includeLine = ""; // without line end
    std::span<const SfrDeclaration> declarations;
};

struct BaudSourceInfo {
    BaudSource source = BaudSource::Timer1Mode2;
    int timer = 1;
    std::uint32_t limit = 256; // counts the reload holds
    bool smodDoubles = false; // PCON.SMOD doubles the rate
    // Bit rate = counting rate / (overflowsPerBit * (limit - reload)), the
    // counting rate being the crystal over the timer's clocks per count, or
    // over a sixth of them for the 8052's timer 2 (it counts state times).
    std::uint32_t overflowsPerBit = 32;
    bool countsStateTimes = false;
    // The vendor's names in its rate formula (BaudFormula).
    const char* clockName = "fosc"; // "fosc", "SYSclk"
    const char* reloadName = "TH1"; // "TH1", "RCAP2", "RL_TH1:RL_TL1"
};

struct ChipProfile {
    Chip chip = Chip::I8051;
    std::string_view name; // how the chip is named: "8051", "stc15", ...
    std::string_view title; // in messages: "8052", "STC15"
    std::string_view family; // for the chip table
    TimerModel model = TimerModel::Classic;
    bool offersSixT = false; // STC89: 6 clocks per machine cycle
    bool exactCrystal = false; // counts from the exact crystal, never whole MHz
    std::array<const TimerInfo*, 3> timers {}; // nullptr: no such timer
    std::span<const BaudSourceInfo> baudSources;
    DialectHeader keil;
    DialectHeader sdcc;
    // The user names the vendor's header instead: then no declarations.
    bool acceptsVendorHeader = false;
};

enum class ChipErrorCode {
    UnknownChip,
    NoSuchTimer, // timer 2 on the 8051
    ModeNotOffered, // mode 3 anywhere, mode 3 on STC in particular
    ClockNotOffered, // 1T on a chip without AUXR timer clocks (STC89)
    SixTNotOffered,
    BaudSourceNotOffered,
    TimerBusy, // the timer already clocks the serial port
    VendorHeaderNotAccepted, // the chip's text declares no registers a vendor header could take over
};

struct ChipError {
    ChipErrorCode code = ChipErrorCode::UnknownChip;
    std::string message; // English, one line, for a front end without words of its own

    bool operator==(const ChipError&) const = default;
};

// The chips in the order the chip list and the chip table show them.
std::span<const ChipProfile> AllChipProfiles();

const ChipProfile& ProfileOf(Chip chip);

// "8051", "8052", "stc89", "stc15", "stc8" (case-insensitive).
std::optional<Chip> ParseChipName(std::string_view name);
ChipError UnknownChipError(std::string_view name);

// Clocks per count of `timer`: 12 on classic chips (6 in 6T), 12 or 1 on
// STC by `clock`. The choice must have been checked.
std::uint32_t ClocksPerCount(const ChipProfile& profile, TimerClock clock, bool sixT);

// The clock a timer runs at when the user does not choose: 1T on STC,
// the classic rate elsewhere.
TimerClock DefaultTimerClock(const ChipProfile& profile);

const TimerMode* FindTimerMode(const ChipProfile& profile, int timer, int mode);
const BaudSourceInfo* FindBaudSource(const ChipProfile& profile, BaudSource source);

// The traps, refused with a message naming the chip. Empty when allowed.
std::optional<ChipError> CheckTimer(const ChipProfile& profile, int timer);
std::optional<ChipError> CheckTimerMode(const ChipProfile& profile, int timer, int mode);
std::optional<ChipError> CheckTimerClock(const ChipProfile& profile, int timer, TimerClock clock);
std::optional<ChipError> CheckSixT(const ChipProfile& profile, bool sixT);
std::optional<ChipError> CheckBaudSource(const ChipProfile& profile, BaudSource source);
// Drift-free timing of a timer (not a counter) in `mode`: STC timers in mode 1
// reload in the routine on a 1T core, which no figure here describes; mode 0
// reloads the same 16 bits in hardware.
bool DriftFreeNeedsHardwareReload(const ChipProfile& profile, int mode);

// A timer can count periods or clock the serial port, not both.
std::optional<ChipError> CheckTimerFree(const ChipProfile& profile, int timer, BaudSource uartSource);
// A vendor's header named for the include line.
std::optional<ChipError> CheckVendorHeader(const ChipProfile& profile, bool named);

// "sfr AUXR = 0x8E;" or "__sfr __at(0x8E) AUXR;".
std::string FormatSfrDeclaration(const SfrDeclaration& sfr, Dialect dialect);
const DialectHeader& HeaderFor(const ChipProfile& profile, Dialect dialect);

// The statement that enables a timer's interrupt: "ET2=1;" or "IE2|=0x04;".
std::string FormatInterruptEnable(const InterruptEnable& enable);

} // namespace orlet
