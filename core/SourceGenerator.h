#pragma once

#include "ChipTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlet {

// How an external interrupt input requests service (the 8051 ITx bit).
enum class TriggerMode {
    Level, // ITx = 0: interrupt while the pin is low
    FallingEdge, // ITx = 1: interrupt on a falling edge
};

// Which C51 compiler family the text is written for.
enum class Dialect {
    Keil, // #include "reg51.h", `interrupt N`
    Sdcc, // #include <8051.h>, `__interrupt(N)`
};

// One timer as the generator writes it.
struct TimerSettings {
    bool enabled = false;
    // A timer outside TMOD (timer 2) counting pulses; TMOD holds timers 0
    // and 1's kind.
    bool counter = false;
    // The reload (RCAP2H/RCAP2L or T2H/T2L for timer 2), or the serial one
    // on the timer that makes the baud rate.
    std::uint8_t th = 0xFF;
    std::uint8_t tl = 0xFF;
    // Interrupts per run of the user's code in the timer's routine; 1 leaves
    // the routine as it has always been.
    std::uint16_t postscale = 1;
    std::uint32_t clock = 12; // the clock choice: its clocks per count
};

// Everything the source generator reads: the ticks of the window and the
// bytes the calculators last stored.
struct GeneratorSettings {
    bool comments = false;
    bool int0Enabled = false;
    TriggerMode int0Trigger = TriggerMode::FallingEdge;
    bool int1Enabled = false;
    TriggerMode int1Trigger = TriggerMode::FallingEdge;
    std::array<TimerSettings, kMaxTimers> timers; // by timer number
    bool uartEnabled = false;
    bool uartDoubleBaud = false;
    bool uartInterrupt = false;
    std::uint8_t tmod = 0;
    // Timers in modes 0 and 1 add the reload to the running count instead
    // of overwriting it, so that no period grows by the routine's latency.
    bool driftFree = false;

    // The chip the text is written for: its row names the registers, bits and
    // vectors. The members below keep their defaults on the 8051's row.
    Chip chip;
    bool sixT = false; // STC89 programmed in 6T mode
    BaudSource uartSource = BaudSource::Timer1Mode2;
    // The vendor's header (UTF-8) the user includes on a chip that accepts
    // one: `#include "NAME"` in both dialects, and no register declarations.
    // Empty: the dialect's header and the declarations the text needs.
    std::string vendorHeader;
    // The frequency every count assumes, and whether it is the chip's
    // internal oscillator: a chip that divides its clock in a register
    // (the CH552) is set to it, and a setting no code here makes is named.
    std::uint32_t crystalHz = 0;
    bool internalClock = false;

    TimerSettings& timer(int number) { return timers.at(static_cast<std::size_t>(number)); }
    const TimerSettings& timer(int number) const { return timers.at(static_cast<std::size_t>(number)); }
};

// What the init code leaves in the chip's own registers once main() has
// started everything: one of SetUpRegisters (AUXR on STC, CKCON and T3CON
// on the N76E003, T2MOD on the CH552), from their reset value 0; T2CON on
// the 8052, STC89 and CH552 while timer 2 is in use.
std::uint8_t RegisterAfterInit(const GeneratorSettings& settings, std::string_view sfr);
// The set-up registers the init code writes, in the order it writes them.
std::vector<std::string_view> RegistersSetUp(const GeneratorSettings& settings);
std::uint8_t AuxrAfterInit(const GeneratorSettings& settings);
std::uint8_t T2conAfterInit(const GeneratorSettings& settings);

// The 8051 C skeleton for `settings`: UTF-8, CR LF line ends, no line end
// after the closing brace of main().
std::string BuildSourceText(const GeneratorSettings& settings, Dialect dialect = Dialect::Keil);

} // namespace orlet
