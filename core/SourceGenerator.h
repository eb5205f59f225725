#pragma once

#include "ChipTable.h"

#include <array>
#include <cstdint>
#include <string>

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

// Everything the source generator reads: the ticks of the window and the
// bytes the calculators last stored.
struct GeneratorSettings {
    bool comments = false;
    bool int0Enabled = false;
    TriggerMode int0Trigger = TriggerMode::FallingEdge;
    bool int1Enabled = false;
    TriggerMode int1Trigger = TriggerMode::FallingEdge;
    bool timer0Enabled = false;
    bool timer1Enabled = false;
    bool uartEnabled = false;
    bool uartDoubleBaud = false;
    bool uartInterrupt = false;
    std::uint8_t tmod = 0;
    std::uint8_t th0 = 0xFF;
    std::uint8_t tl0 = 0xFF;
    std::uint8_t th1 = 0xFF;
    std::uint8_t tl1 = 0xFF;
    // Interrupts per run of the user's code in each timer routine; 1 leaves
    // the routine as it has always been.
    std::uint16_t postscale0 = 1;
    std::uint16_t postscale1 = 1;
    // Timers in modes 0 and 1 add the reload to the running count instead
    // of overwriting it, so that no period grows by the routine's latency.
    bool driftFree = false;

    // The chip the text is written for. At the 8051 the members below keep
    // their defaults and the text is the classic one.
    Chip chip;
    bool sixT = false; // STC89 programmed in 6T mode
    std::array<std::uint32_t, 3> clocks { 12, 12, 12 }; // each timer's clock choice
    bool timer2Enabled = false; // timer 2 as a timer or counter
    bool timer2Counter = false;
    std::uint8_t th2 = 0xFF; // RCAP2H or T2H: timer 2's reload, or the serial one
    std::uint8_t tl2 = 0xFF;
    std::uint16_t postscale2 = 1;
    BaudSource uartSource = BaudSource::Timer1Mode2;
    // The vendor's header (UTF-8) the user includes on a chip that accepts
    // one: `#include "NAME"` in both dialects, and no register declarations.
    // Empty: the dialect's header and the declarations the text needs.
    std::string vendorHeader;
};

// What the init code leaves in the chip's own registers once main() has
// started everything: AUXR on STC15/STC8, T2CON on the 8052 and STC89 while
// timer 2 is in use.
std::uint8_t AuxrAfterInit(const GeneratorSettings& settings);
std::uint8_t T2conAfterInit(const GeneratorSettings& settings);

// The 8051 C skeleton for `settings`: UTF-8, CR LF line ends, no line end
// after the closing brace of main().
std::string BuildSourceText(const GeneratorSettings& settings, Dialect dialect = Dialect::Keil);

} // namespace orlet
