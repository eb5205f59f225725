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

// Machine cycles the routine takes at an interrupt that does not reach the
// user's code, as s51 counts the time in it for SDCC's output: the CPU it costs.
unsigned RoutineCycles(const RoutineShape& shape);

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
