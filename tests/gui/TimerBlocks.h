#pragma once

#include "ControlIds.h"

// The controls of one timer block and its half of TMOD, as the window tests
// drive them.
struct TimerBlock {
    int use, mode, gate, period, unit, display, shift;
};

inline constexpr TimerBlock kBlocks[2] = {
    { ctl::UseTimer0, ctl::Timer0Mode, ctl::Gate0, ctl::Timer0Period, ctl::Timer0Unit, ctl::Timer0Reload, 0 },
    { ctl::UseTimer1, ctl::Timer1Mode, ctl::Gate1, ctl::Timer1Period, ctl::Timer1Unit, ctl::Timer1Reload, 4 },
};

// TMOD half (C/T, M1 M0) for each mode list index; GATE comes on top.
inline constexpr int kModeBits[6] = { 0x0, 0x1, 0x2, 0x4, 0x5, 0x6 };
