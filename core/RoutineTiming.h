#pragma once

#include "SourceGenerator.h"

#include <cstdint>
#include <optional>

namespace orlet {

// What the generated interrupt routine of one timer looks like, as far as
// its timing goes.
struct RoutineShape {
    int mode = 0; // 0, 1 or 2
    bool counter = false; // C/T = 1
    std::uint32_t postscale = 1; // a software counter when above 1
    bool driftFree = false; // modes 0 and 1 add the reload to the running count
    Dialect dialect = Dialect::Keil;
    bool clearsFlag = false; // timer 2 of the 8052 and STC89: CLR TF2
};

// A routine that adds the reload to the running count (timer kinds in modes
// 0 and 1 with drift-free timing on).
bool AddsToRunningCount(const RoutineShape& shape);

// Why the plain reload of modes 0 and 1 lengthens every period: the timer
// counts on from zero after the overflow and the reload throws those counts
// away. Machine cycles as the generated routine runs with main() idle in an
// endless loop (SDCC output in s51; the Keil C51 output is counted from the
// same instructions).
struct ReloadLatency {
    unsigned entry = 0; // overflow to the vector's first instruction, and the jump there
    unsigned saves = 0; // registers saved before the reload (2 cycles each)
    unsigned moves = 0; // the two MOV THx / MOV TLx
    unsigned loopWait = 0; // 0 or 1: main's 2-cycle SJMP finishing before the call
    unsigned total() const { return entry + saves + moves + loopWait; }
};

// The latency the routine adds to each period of `count` machine cycles;
// all zero for a hardware reload (mode 2) or a routine that adds to the
// running count.
ReloadLatency ReloadLatencyOf(std::uint64_t count, const RoutineShape& shape);

// Machine cycles from one interrupt to the next: `count` plus the latency.
std::uint64_t InterruptCycles(std::uint64_t count, const RoutineShape& shape);

// What the routine takes from main() at an interrupt that does not reach
// the user's code, in machine cycles, instruction by instruction as the
// compilers write it: SDCC's code as it compiles here and s51 runs it; Keil
// C51's the same but for the running-count add, which it does in A alone
// (1-cycle MOV A,direct; no R6, R7 or register bank to save).
struct RoutineCost {
    unsigned entry = 0; // the hardware call and the LJMP at the vector
    unsigned saves = 0; // PUSH and POP of what the routine uses, and SDCC's MOV PSW,#0
    unsigned body = 0; // MOV THx and MOV TLx, or CLR TRx to SETB TRx, or CLR TF2
    unsigned counter = 0; // the software counter's increment and test
    unsigned exit = 0; // RETI
    const char* bodyText = ""; // what `body` is, in the instructions' words
    unsigned total() const { return entry + saves + body + counter + exit; }
};
RoutineCost RoutineCostOf(const RoutineShape& shape);

// The time s51 books to the routine for SDCC's output (one cycle of the
// hardware call it books to the code interrupted): the CPU the splits cost.
unsigned RoutineCycles(const RoutineShape& shape);

// From this share of the machine cycles between two interrupts, the time
// the routine takes from main() is worth saying.
inline constexpr double kLargeCpuSharePercent = 20;

struct CpuShare {
    RoutineCost routine;
    std::uint64_t interruptCycles = 0;
    unsigned routineCycles() const { return routine.total(); }
    // When the routine takes as long as the period or longer, the next
    // interrupt is due before it has returned: the period cannot be kept,
    // and main() runs one instruction between interrupts at most.
    bool periodKept() const { return routineCycles() < interruptCycles; }
    // Whole per cent, 100 only when the period cannot be kept.
    unsigned percent() const;
};

// The routine's share of the `interruptCycles` from one interrupt to the
// next, where it is kLargeCpuSharePercent or more; nothing below that.
std::optional<CpuShare> LargeCpuShare(std::uint64_t interruptCycles, const RoutineShape& shape);

// Drift-free modes 0 and 1: the routine stops the timer, adds `start` plus
// the cycles it stands still to the count it has reached, and starts it
// again. `high`/`low` are the bytes added to THx/TLx (TLx in mode 0 holds
// the low 5 bits).
struct RunningCountAdd {
    std::uint8_t high = 0;
    // Never 0 or 1: compilers turn "TLx+=0" and "TLx+=1" into shorter code,
    // and the cycles the timer stands still with it. Where the sum would end
    // so, one or two more CLR TRx keep the timer stopped that much longer.
    std::uint8_t low = 0;
    unsigned extraStops = 0;
    unsigned stoppedCycles = 0;
};
RunningCountAdd RunningCountAddFor(int mode, std::uint8_t th, std::uint8_t tl, Dialect dialect);

// The counts a routine that adds to the running count keeps exact: the
// timer must not overflow again before the routine has added, and THx must
// get at least 2 to add (compilers shorten "THx+=0" and "THx+=1" as well).
inline constexpr std::uint64_t kMinRunningAddCycles = 100;
std::uint64_t MaxRunningAddCycles(int mode);
// Whether drift-free timing keeps a timer-kind count in `mode` exact: mode
// 2 always, modes 0 and 1 from kMinRunningAddCycles to MaxRunningAddCycles.
bool DriftFreeKeeps(std::uint64_t count, int mode);

// Long-run error of a period of `cycles` machine cycles against `askedUs`.
struct Drift {
    double periodUs = 0; // what `cycles` last at the crystal
    double ppm = 0;
    double secondsPerDay = 0;
};
std::optional<Drift> DriftOf(std::uint64_t cycles, std::uint32_t crystalHz, std::uint32_t askedUs);

} // namespace orlet
