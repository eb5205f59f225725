#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orlet {

enum class Dialect;

// The most timers a chip row can have, by timer number.
inline constexpr int kMaxTimers = 4;

// How a chip counts its numbers.
enum class Arithmetic {
    // The original program's: a timer's machine cycles from the crystal in
    // whole megahertz unless the exact count is asked for, the serial
    // port's error in single precision, and a value out of range leaves the
    // bytes at 0 until the next calculation.
    Classic,
    // From the exact crystal, scaled by the timer's clocks per count; a value
    // out of range is corrected and computed from at once.
    Exact,
};

// What a timer's counter does in one mode.
enum class CounterKind {
    Bits13, // TL holds 5 bits below TH's 8; the routine reloads
    Bits16, // the routine reloads
    AutoReload8, // TL reloads from TH at each overflow
    AutoReload16, // the chip reloads all 16 bits at each overflow
};
std::uint32_t CounterLimit(CounterKind kind); // counts the counter holds
bool ReloadsInHardware(CounterKind kind);

// What mode 3 would make of a timer; no row generates it.
enum class ModeThree {
    Unknown, // the chip's words say nothing of it
    SplitInTwo, // classic: timer 0 split into two 8-bit timers, timer 1 stopped
    NonMaskableReload, // STC: the 16-bit auto-reload with a non-maskable interrupt
};

// One mode a timer offers.
struct ModeRow {
    int number = 0; // TMOD's M1 M0; timer 2's one mode is 0
    CounterKind counter = CounterKind::Bits16;
    const char* meaning = ""; // what it does, in the window's words: "16位自动重装"
    const char* listWord = ""; // after 定时/计数 in the mode list: "方式1", or the meaning
};

// A bit of a special function register: set by its name when the register
// is bit-addressable ("ET2=1;"), by mask otherwise ("IE2|=0x04;").
struct SfrBit {
    const char* sfr = "";
    std::uint8_t mask = 0;
    const char* bitName = nullptr; // nullptr: not bit-addressable
};

// Bits of a register that a choice sets: `sfr` takes `value` under `mask`.
struct SfrBits {
    const char* sfr = nullptr; // nullptr: no register selects it
    std::uint8_t mask = 0;
    std::uint8_t value = 0;
};

// One clock a timer can count at.
struct ClockChoice {
    std::uint32_t clocksPerCount = 12;
    const char* name = "12t"; // orlet-gen's word for it
    SfrBits select; // what picks it: AUXR.T0x12 on STC
};

// How the timer is set up and started.
enum class TimerControl {
    Tmod, // timers 0 and 1: a half of TMOD, TRn in TCON
    T2con, // the 8052's timer 2: T2CON, reloads from RCAP2
    Auxr, // STC's timer 2: AUXR's T2R and T2_C/T, reloads from T2H/T2L
};

struct TimerRow {
    int number = 0;
    TimerControl control = TimerControl::Tmod;
    const char* reloadHigh = ""; // TH0, RCAP2H, T2H
    const char* reloadLow = "";
    int interruptNumber = 0; // Keil `interrupt n`, SDCC `__interrupt(n)`
    std::uint16_t vector = 0;
    SfrBit enable; // ET0, or IE2 bit 2
    SfrBit start; // TR0, or AUXR's T2R
    const char* flagToClear = nullptr; // the routine clears it (the 8052's TF2)
    std::span<const ModeRow> modes;
    ModeThree modeThree = ModeThree::Unknown;
    std::span<const ClockChoice> clocks; // the first is the default
};

// Where UART1 (serial modes 1 and 3) takes its bit clock from.
enum class BaudSource {
    Timer1Mode2, // timer 1, 8-bit auto-reload (TH1), PCON.SMOD doubles
    Timer1Mode0, // STC: timer 1, 16-bit auto-reload
    Timer2, // 8052: RCLK = TCLK = 1, RCAP2; STC: AUXR.S1ST2 = 1, T2H/T2L
};

struct BaudSourceRow {
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

// A special function register a header of the dialect does not declare.
struct SfrDeclaration {
    const char* name = "";
    std::uint8_t address = 0;
};

struct DialectHeader {
    const char* includeLine = ""; // without line end
    std::span<const SfrDeclaration> declarations;
};

// One chip of the table: what the pipeline reads to compute and write for it.
struct ChipRow {
    std::string_view key; // orlet-gen's --chip name and a settings file's: "8051", "stc15"
    std::string_view title; // the chip list's and the messages' name: "STC15"
    std::string_view family; // what it stands for, in --explain
    Arithmetic arithmetic = Arithmetic::Exact;
    bool offersSixT = false; // STC89: 6 clocks per machine cycle, chosen when programmed
    // The core runs a machine cycle of 12 (or 6) clocks, so the interrupt
    // routine's instructions are counted; a 1T core's are not.
    bool countsRoutineCycles = true;
    std::array<const TimerRow*, kMaxTimers> timers {}; // nullptr: no such timer
    // The serial port's source from a timer is the first one on that timer.
    std::span<const BaudSourceRow> baudSources;
    DialectHeader keil;
    DialectHeader sdcc;
    bool acceptsVendorHeader = false; // the user may name the vendor's header instead of declarations
};

// A chip of the table; compares by identity. The default one is the 8051,
// the table's first row.
class Chip
{
public:
    Chip();
    explicit Chip(const ChipRow& row)
        : row_(&row)
    {
    }

    const ChipRow& row() const { return *row_; }
    const ChipRow* operator->() const { return row_; }
    std::string_view key() const { return row_->key; }
    bool isDefault() const;

    bool operator==(const Chip&) const = default;

private:
    const ChipRow* row_;
};

// The chips in the order the chip list and the chip table show them.
std::span<const ChipRow> ChipRows();

// By key, case-insensitively ("STC15" finds stc15).
std::optional<Chip> FindChip(std::string_view key);
// A chip known to be in the table.
Chip ChipNamed(std::string_view key);

// The keys of the rows for which `has` holds, in the table's order.
template <typename Has> std::vector<std::string_view> KeysWhere(Has has)
{
    std::vector<std::string_view> keys;
    for (const ChipRow& row : ChipRows()) {
        if (has(row))
            keys.push_back(row.key);
    }
    return keys;
}

const TimerRow* TimerOf(const ChipRow& row, int timer);
const ModeRow* FindTimerMode(const ChipRow& row, int timer, int mode);
const ClockChoice* FindClock(const ChipRow& row, int timer, std::uint32_t clocksPerCount);
const BaudSourceRow* FindBaudSource(const ChipRow& row, BaudSource source);
// The source the serial port takes from `timer`; nullptr where there is none.
const BaudSourceRow* BaudSourceOnTimer(const ChipRow& row, int timer);

// The clock choices of the table's timers, one for each number of clocks
// per count, the fewest first; their names are the words for them ("1t").
std::vector<ClockChoice> ClockChoices();
// The name of the choice of `timer` counting at `clocksPerCount`; empty
// where the chip has none.
std::string_view ClockName(const ChipRow& row, int timer, std::uint32_t clocksPerCount);

// The clock a timer counts at unless the user chooses: the first choice;
// 12 on a timer the chip does not have.
std::uint32_t DefaultClock(const ChipRow& row, int timer);
// Crystal clocks per count of `timer` at the clock choice `clock`, halved
// in 6T where the chip offers it. The choice must have been checked.
std::uint32_t ClocksPerCount(const ChipRow& row, std::uint32_t clock, bool sixT);
// Whether the chip's timers are set up or started in `sfr` (AUXR on STC,
// T2CON on the 8052).
bool TimersUseRegister(const ChipRow& row, std::string_view sfr);
// The mode of `timer` that reloads in hardware with the most counts.
const ModeRow* WidestHardwareReload(const ChipRow& row, int timer);

// What a chip does not have, with the facts the words need.
enum class ChipErrorCode {
    NoSuchTimer, // timer 2 on the 8051
    ModeNotOffered, // mode 3 anywhere, any mode but 0 on timer 2
    ClockNotOffered, // 1T on a chip without AUXR timer clocks (STC89)
    SixTNotOffered,
    BaudSourceNotOffered,
    TimerBusy, // the timer already clocks the serial port
    VendorHeaderNotAccepted, // the chip's text declares no registers a vendor header could take over
};

struct ChipError {
    ChipErrorCode code = ChipErrorCode::NoSuchTimer;
    Chip chip;
    int timer = 0;
    int mode = 0;
    std::uint32_t clock = 12; // ClockNotOffered: the clocks per count asked for

    bool operator==(const ChipError&) const = default;
};

// The traps. Empty when allowed.
std::optional<ChipError> CheckTimer(Chip chip, int timer);
std::optional<ChipError> CheckTimerMode(Chip chip, int timer, int mode);
std::optional<ChipError> CheckTimerClock(Chip chip, int timer, std::uint32_t clock);
std::optional<ChipError> CheckSixT(Chip chip, bool sixT);
std::optional<ChipError> CheckBaudSource(Chip chip, BaudSource source);
// A timer can count periods or clock the serial port, not both.
std::optional<ChipError> CheckTimerFree(Chip chip, int timer, BaudSource uartSource);
// A vendor's header named for the include line.
std::optional<ChipError> CheckVendorHeader(Chip chip, bool named);

// Drift-free timing of a timer (not a counter) in `mode`: where the routine
// reloads and its instructions are not counted (STC mode 1 on a 1T core),
// no figure describes it; the 16-bit auto-reload keeps the same 16 bits
// exact instead.
bool DriftFreeNeedsHardwareReload(const ChipRow& row, int timer, int mode);

// "sfr AUXR = 0x8E;" or "__sfr __at(0x8E) AUXR;".
std::string FormatSfrDeclaration(const SfrDeclaration& sfr, Dialect dialect);
const DialectHeader& HeaderFor(const ChipRow& row, Dialect dialect);

// The statement that sets a bit: "ET2=1;" or "IE2|=0x04;".
std::string FormatSetBit(const SfrBit& bit);

} // namespace orlet
