#pragma once

#include <cstdint>

namespace orlet {

// The bit rules of the 8051 TMOD register. Each timer owns one half:
// timer 0 bits 0-3, timer 1 bits 4-7, each laid out as GATE, C/T, M1, M0.
inline constexpr std::uint8_t kTmodModeBits = 0x03;
inline constexpr std::uint8_t kTmodCounterBit = 0x04;
inline constexpr std::uint8_t kTmodGateBit = 0x08;

// What an entry of a timer's mode list stands for: indexes 0-2 are the
// timer modes 0-2, indexes 3-5 the counter modes 0-2.
struct ModeListEntry {
    bool counter = false;
    int mode = 0;
};
ModeListEntry ModeListEntryAt(int index);

// `tmod` with the C/T and M1 M0 bits of `timer` (0 or 1) set for a timer or
// counter in `mode`; its GATE bit stays. Only modes 1 and 2 set mode bits:
// mode 3 is never written.
std::uint8_t WithTimerMode(std::uint8_t tmod, int timer, bool counter, int mode);

// `tmod` with the GATE bit of `timer` set or cleared.
std::uint8_t WithTimerGate(std::uint8_t tmod, int timer, bool gate);

// `tmod` with the whole half of `timer` cleared, GATE included.
std::uint8_t WithoutTimer(std::uint8_t tmod, int timer);

// The M1 M0 value (0-3), the C/T bit and the GATE bit of `timer` in `tmod`.
int TimerModeIn(std::uint8_t tmod, int timer);
bool TimerCountsIn(std::uint8_t tmod, int timer);
bool TimerGatedIn(std::uint8_t tmod, int timer);

} // namespace orlet
