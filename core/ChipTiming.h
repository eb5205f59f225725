#pragma once

#include "ChipTable.h"
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

struct ChipTimerRequest {
    int timer = 0;
    int mode = 1; // TMOD mode; 0 for timer 2
    bool counter = false;
    std::uint32_t value = 0; // microseconds, or pulses when counting
    std::uint32_t clock = 12; // the clock choice: its clocks per count
    bool sixT = false;
};

struct ChipTimerReload {
    std::optional<ChipError> error; // the request is a trap; nothing else is set
    TimerReload reload; // bytes, range message, corrected value, count
    std::uint32_t clocksPerCount = 12;
    bool hardwareReload = false; // no reload in the interrupt routine
    double actualPeriodUs = 0; // timer kinds in range: count * clocks / crystal

    bool operator==(const ChipTimerReload&) const = default;
};

// The reload for one timer of `profile`. Chips other than the 8051 count
// from the exact crystal whatever `precision` says, and correct a period
// too long to the longest one whose count still fits; the 8051 counts as
// ComputeTimerReload does with `precision`, byte for byte.
ChipTimerReload ComputeChipTimerReload(
    Chip chip, std::uint32_t crystalHz, const ChipTimerRequest& request, Precision precision = Precision::Classic);

// Off the 8051: a period or count too large for its timer's mode, what it
// is corrected to, and for a period the splits of it into interrupts with
// the software count that reach it.
struct ChipRangeError {
    ChipTimerRequest request; // the value refused
    std::uint32_t longest = 0; // the most the mode takes: the corrected value
    Message message;
    std::uint32_t clocksPerCount = 12;
    // Exact: in the timer's mode that reloads in hardware with the most
    // counts (mode 2 on the classic timers, the 16-bit auto-reload on STC
    // and on timer 2); `mode` says which.
    std::optional<PostscaleSplit> hardwareSplit;
    std::optional<PostscaleSplit> split; // in the timer's own mode, unless the same as hardwareSplit
};
// `postscale` is the software count already set; the splits build on it.
ChipRangeError DescribeChipRangeError(
    Chip chip, std::uint32_t crystalHz, const ChipTimerRequest& request, std::uint32_t postscale);

// Off the 8051: the split of a timer's count (in range) that the hardware
// reload keeps exact, as DescribeChipRangeError finds it; for drift-free
// timing where the routine cannot keep the count.
std::optional<PostscaleSplit> ChipHardwareSplit(
    Chip chip, std::uint32_t crystalHz, const ChipTimerRequest& request, std::uint32_t postscale);

// Off the 8051, where drift-free timing cannot keep a timer's count: why,
// and on a classic core the split the hardware reload keeps exact instead.
struct ChipDriftFreeLimit {
    Message refusal; // DriftFreeOutOfRange or DriftFreeNeedsHardwareReload
    int mode = 0;
    std::uint64_t count = 0;
    std::optional<PostscaleSplit> hardwareSplit;
};

// What a split costs on the chip: interrupts a second and, on a classic
// core, the routine's share of the CPU (a 1T core's routine is not counted
// here).
struct ChipSplitCost {
    double interruptsPerSecond = 0;
    std::optional<double> cpuPercent;
};
ChipSplitCost ChipCostOf(
    Chip chip, const ChipRangeError& range, const PostscaleSplit& split, std::uint32_t crystalHz, bool driftFree);

struct ChipBaudRequest {
    BaudSource source = BaudSource::Timer1Mode2;
    std::uint32_t rate = 9600;
    bool smod = false; // PCON.SMOD; only timer 1 in mode 2 feels it
    std::uint32_t clock = 12; // the clock choice of the timer that makes the rate
    bool sixT = false;
};

struct ChipBaud {
    std::optional<ChipError> error; // the request is a trap; nothing else is set
    bool fits = false;
    std::string message; // kBaudTooLowMessage or kBaudTooHighMessage when !fits
    std::uint32_t reload = 0; // RCAP2, T2H:T2L, RL_TH1:RL_TL1 or TH1
    std::uint8_t high = 0; // RCAP2H, T2H, TH1
    std::uint8_t low = 0; // RCAP2L, T2L, TL1 (= TH1 in mode 2)
    std::uint32_t count = 0; // limit - reload, counts per overflow
    double exactCount = 0; // the count the rate asks for
    double actualBaud = 0;
    // (1 - count / exactCount) * 100: the baud display's error, positive
    // when the real rate is above the one asked for.
    double errorPercent = 0;
    std::uint32_t clocksPerCount = 12;

    bool operator==(const ChipBaud&) const = default;
};

// Baud reload, real rate and error from the exact crystal, for every
// source. (The 8051 window keeps ComputeBaudReload with its list and
// fall-back; for a rate that fits, its Exact result is the same.)
ChipBaud ComputeChipBaud(Chip chip, std::uint32_t crystalHz, const ChipBaudRequest& request);

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
