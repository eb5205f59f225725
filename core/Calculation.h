#pragma once

#include "BaudReload.h"
#include "ChipTable.h"
#include "Messages.h"
#include "Precision.h"
#include "TimerReload.h"
#include "TimerTiming.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orlet {

// AUXR of the STC15/STC8 (0x8E, not bit-addressable).
inline constexpr std::uint8_t kAuxrT0x12 = 0x80; // timer 0 counts at 1T
inline constexpr std::uint8_t kAuxrT1x12 = 0x40; // timer 1 counts at 1T
inline constexpr std::uint8_t kAuxrUartM0x6 = 0x20; // serial mode 0 at SYSclk/2
inline constexpr std::uint8_t kAuxrT2R = 0x10; // timer 2 runs
inline constexpr std::uint8_t kAuxrT2CT = 0x08; // timer 2 counts pulses on T2
inline constexpr std::uint8_t kAuxrT2x12 = 0x04; // timer 2 counts at 1T
inline constexpr std::uint8_t kAuxrExtram = 0x02;
inline constexpr std::uint8_t kAuxrS1st2 = 0x01; // UART1 from timer 2 (S1BRT on STC8)

// T2CON of the 8052 (0xC8, bit-addressable).
inline constexpr std::uint8_t kT2conTF2 = 0x80;
inline constexpr std::uint8_t kT2conEXF2 = 0x40;
inline constexpr std::uint8_t kT2conRCLK = 0x20;
inline constexpr std::uint8_t kT2conTCLK = 0x10;
inline constexpr std::uint8_t kT2conEXEN2 = 0x08;
inline constexpr std::uint8_t kT2conTR2 = 0x04;
inline constexpr std::uint8_t kT2conCT2 = 0x02;
inline constexpr std::uint8_t kT2conCPRL2 = 0x01;

// One timer's period or count as the window or orlet-gen asks for it.
struct TimerRequest {
    int timer = 0;
    int mode = 1; // TMOD mode; 0 for timer 2
    bool counter = false;
    std::uint32_t value = 0; // microseconds, or pulses when counting
    std::uint32_t clock = 12; // the clock choice: its clocks per count
    bool sixT = false;
    Precision precision = Precision::Classic; // on a chip of classic arithmetic

    bool operator==(const TimerRequest&) const = default;
};

struct TimerCalculation {
    std::optional<ChipError> error; // the request is a trap; nothing else is set
    TimerReload reload; // bytes, range message, corrected value, count
    std::uint32_t clocksPerCount = 12;
    bool hardwareReload = false; // no reload in the interrupt routine
    double actualPeriodUs = 0; // timer kinds in range: count * clocks / crystal
    // What the count took the crystal as: the request's precision on a chip
    // of classic arithmetic, the exact crystal on the others.
    Precision precision = Precision::Classic;

    bool operator==(const TimerCalculation&) const = default;
};

// The reload of one timer: at the clocks per count of its clock choice
// (halved in 6T), in the counter layout of its mode. A chip of classic
// arithmetic counts as ComputeTimerReload does with the request's precision
// and corrects a period too long as it always has; the others count from
// the exact crystal and correct a period too long to the longest one whose
// count still fits.
TimerCalculation CalculateTimer(Chip chip, std::uint32_t crystalHz, const TimerRequest& request);

// A period or count too large for its timer's mode, what it is corrected
// to, and for a period the splits of it into interrupts with the software
// count that reach it.
struct RangeError {
    TimerRequest request; // the value refused
    std::uint32_t longest = 0; // the most the mode takes: the corrected value
    Message message;
    std::uint32_t clocksPerCount = 12;
    // Exact: in the timer's mode that reloads in hardware with the most
    // counts (mode 2 on the classic timers, the 16-bit auto-reload on STC and
    // on timer 2); `mode` says which.
    std::optional<PostscaleSplit> hardwareSplit;
    std::optional<PostscaleSplit> split; // in the timer's own mode, unless the same as hardwareSplit
};
// `postscale` is the software count already set; the splits build on it.
RangeError DescribeRangeError(Chip chip, std::uint32_t crystalHz, const TimerRequest& request, std::uint32_t postscale);

// The split of a timer's count that the hardware reload keeps exact, as
// DescribeRangeError finds it; for drift-free timing where the routine
// cannot keep the count.
std::optional<PostscaleSplit> HardwareSplitFor(
    Chip chip, std::uint32_t crystalHz, const TimerRequest& request, std::uint32_t postscale);

// What a split costs on the chip: interrupts a second and, where the
// routine's cycles are counted, its share of the CPU.
struct ChipSplitCost {
    double interruptsPerSecond = 0;
    std::optional<double> cpuPercent;
};
ChipSplitCost SplitCostOf(
    Chip chip, const TimerRequest& request, const PostscaleSplit& split, std::uint32_t crystalHz, bool driftFree);

// Where drift-free timing cannot keep a timer's count: why, and on a classic
// core the split the hardware reload keeps exact instead.
struct DriftFreeLimit {
    Message refusal; // DriftFreeOutOfRange or DriftFreeNeedsHardwareReload
    int mode = 0;
    std::uint64_t count = 0;
    std::optional<PostscaleSplit> hardwareSplit;
};

struct BaudRequest {
    BaudSource source = BaudSource::Timer1Mode2;
    int rateIndex = kDefaultBaudIndex; // into kBaudRates
    bool smod = false; // PCON.SMOD; only a source it reaches feels it
    std::uint32_t clock = 12; // the clock choice of the timer that makes the rate
    bool sixT = false;
    Precision precision = Precision::Classic; // on a chip of classic arithmetic
    std::uint32_t customRate = 0; // the rate at kCustomBaudIndex

    bool operator==(const BaudRequest&) const = default;
};

struct BaudCalculation {
    std::optional<ChipError> error; // the request is a trap; nothing else is set
    bool fits = false;
    MessageCode refusal = MessageCode::BaudTooLow; // BaudTooLow or BaudTooHigh when !fits
    int rateIndex = kDefaultBaudIndex;
    std::uint32_t rate = 0;
    int k = 1; // 2 where PCON.SMOD doubles the rate
    // The count the rate asks for: from crystal / rate with the remainder
    // dropped (`q`) in the classic arithmetic's classic precision, from the
    // exact crystal otherwise.
    bool fromQuotient = false;
    std::uint32_t q = 0;
    double exactCount = 0;
    std::uint32_t count = 0; // limit - reload, counts per overflow
    std::uint32_t limit = 256;
    std::uint32_t reload = 0; // RCAP2, T2H:T2L, RL_TH1:RL_TL1 or TH1
    std::uint8_t high = 0; // RCAP2H, T2H, TH1
    std::uint8_t low = 0; // RCAP2L, T2L, TL1 (= TH1 in mode 2)
    double actualBaud = 0;
    // (1 - count / exactCount) * 100, positive when the real rate is above
    // the one asked for; in the classic arithmetic's classic precision
    // taken from the count in single precision, as the window always has.
    double errorPercent = 0;
    std::uint32_t clocksPerCount = 12;
    std::string reloadText; // "0x%x", or "%xH,%xH" of a 16-bit reload
    std::string errorText; // "%.4f%%"
    double errorShown = 0; // errorPercent to the four decimals of errorText

    bool operator==(const BaudCalculation&) const = default;
};

// Baud reload, real rate and error from the chip's baud source.
BaudCalculation CalculateBaud(Chip chip, std::uint32_t crystalHz, const BaudRequest& request);

// The whole rates a source fits (the count from 1 to its limit), with the
// request's doubling, clock and precision; empty where it fits none.
struct BaudRange {
    std::uint32_t lowest = 0;
    std::uint32_t highest = 0;

    bool operator==(const BaudRange&) const = default;
};
std::optional<BaudRange> ReachableBaudRates(Chip chip, std::uint32_t crystalHz, BaudRequest request);

// The rate asked for, or where it does not fit, why and the listed rate it
// falls back to (FallBackBaudIndex), on every chip and from every source.
struct BaudChoice {
    BaudCalculation baud;
    std::optional<MessageCode> refused; // BaudTooLow or BaudTooHigh
};
BaudChoice ChooseBaud(Chip chip, std::uint32_t crystalHz, const BaudRequest& request);

// The source's rate formula as the vendor writes it, for the clocks per
// count in use: "baud = fosc / (16 * (65536 - RCAP2))" for the 8052's timer 2 in 6T.
std::string BaudFormula(const BaudSourceRow& source, std::uint32_t clocksPerCount);

// What the STC15/STC8 init code leaves in AUXR; bits of timers not in use
// stay at their reset value 0.
struct StcAuxrChoice {
    bool timer0Used = false;
    std::uint32_t clock0 = 1;
    bool timer1Used = false; // as a timer or as the baud source
    std::uint32_t clock1 = 1;
    bool timer2Used = false; // as a timer or as the baud source
    std::uint32_t clock2 = 1;
    bool timer2Counter = false;
    bool timer2Running = true; // the init code sets T2R
    bool uartFromTimer2 = false; // S1ST2; implies timer 2 in use and running
};
std::uint8_t StcAuxrValue(const StcAuxrChoice& choice);

// What the 8052 init code leaves in T2CON: 0x34 when timer 2 makes the
// baud rate, 0x04 when it runs as a timer.
std::uint8_t Timer2ConValue(bool baudGenerator, bool counter, bool running = true);

} // namespace orlet
