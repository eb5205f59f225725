#include "RoutineTiming.h"

#include "TimerReload.h"

namespace orlet {

namespace {

    // From the overflow to the vector's first instruction (the hardware call)
    // and the LJMP there.
    constexpr unsigned kEntryCycles = 4;
    // MOV THx,#data takes 2 cycles; MOV TLx,#data restarts the count as it writes.
    constexpr unsigned kReloadMoveCycles = 2;
    // PUSH ACC and PUSH PSW, which a software counter needs before the reload.
    constexpr unsigned kCounterSaveCycles = 4;

    constexpr unsigned kSdccStoppedCycles = 16;

    // The cycles between CLR TRx and SETB TRx of the routine that adds to the
    // running count, as s51 counts them for SDCC's output (which reads THx and
    // TLx with MOV Rn,direct, 2 cycles each) and as Keil C51's code for the same
    // lines takes (MOV A,direct, 1 cycle each). Mode 0 adds ORL TLx,#0E0H.
    unsigned stoppedCycles(int mode, Dialect dialect)
    {
        const unsigned base = dialect == Dialect::Sdcc ? kSdccStoppedCycles : kSdccStoppedCycles - 4;
        return mode == 0 ? base + 2 : base;
    }

    bool plainReload(const RoutineShape& shape)
    {
        return shape.mode != 2 && !AddsToRunningCount(shape);
    }

} // namespace

bool AddsToRunningCount(const RoutineShape& shape)
{
    return shape.driftFree && !shape.counter && shape.mode != 2;
}

ReloadLatency ReloadLatencyOf(std::uint64_t count, const RoutineShape& shape)
{
    ReloadLatency latency;
    if (!plainReload(shape))
        return latency;
    latency.entry = kEntryCycles;
    latency.moves = kReloadMoveCycles;
    latency.saves = shape.postscale > 1 ? kCounterSaveCycles : 0;
    // The call comes only between instructions, and main's idle loop is one
    // 2-cycle SJMP. Behind the reload the plain routine runs an even number
    // of cycles (RETI), the one with a software counter an odd one, so the
    // whole period is odd, or even, and the latency is rounded up to make it so.
    const unsigned wantedParity = shape.postscale > 1 ? 0 : 1;
    latency.loopWait = (count + latency.total()) % 2 == wantedParity ? 0 : 1;
    return latency;
}

std::uint64_t InterruptCycles(std::uint64_t count, const RoutineShape& shape)
{
    return count + ReloadLatencyOf(count, shape).total();
}

RoutineCost RoutineCostOf(const RoutineShape& shape)
{
    const bool adds = AddsToRunningCount(shape);
    const bool counts = shape.postscale > 1;
    RoutineCost cost;
    cost.entry = kEntryCycles;
    cost.exit = 2;
    if (adds && shape.dialect == Dialect::Sdcc)
        cost.saves = 4 * 4 + 2; // ACC, R7, R6 and PSW, and the register bank chosen
    else if (adds || counts)
        cost.saves = 2 * 4; // ACC and PSW
    if (plainReload(shape)) {
        cost.body = 2 * kReloadMoveCycles;
        cost.bodyText = "MOV THx, MOV TLx";
    } else if (adds) {
        cost.body = stoppedCycles(shape.mode, shape.dialect) + 1; // with SETB TRx
        cost.bodyText = "CLR TRx to SETB TRx";
    } else if (shape.clearsFlag) {
        cost.body = 1;
        cost.bodyText = "CLR TF2";
    }
    if (counts) {
        // ++count and the test; an unsigned int counter above 255. Beside
        // the add, SDCC jumps once where elsewhere it jumps twice.
        const bool wide = shape.postscale > 255;
        cost.counter = (wide ? 11 : 5) + (adds ? 0 : 2);
    }
    return cost;
}

unsigned RoutineCycles(const RoutineShape& shape)
{
    RoutineShape sdcc = shape;
    sdcc.dialect = Dialect::Sdcc;
    return RoutineCostOf(sdcc).total() - 1;
}

unsigned CpuShare::percent() const
{
    if (!periodKept())
        return 100;
    return static_cast<unsigned>(100 * std::uint64_t { routineCycles() } / interruptCycles);
}

std::optional<CpuShare> LargeCpuShare(std::uint64_t interruptCycles, const RoutineShape& shape)
{
    const CpuShare share { RoutineCostOf(shape), interruptCycles };
    if (100.0 * share.routineCycles() < kLargeCpuSharePercent * double(interruptCycles))
        return std::nullopt;
    return share;
}

RunningCountAdd RunningCountAddFor(int mode, std::uint8_t th, std::uint8_t tl, Dialect dialect)
{
    const std::uint32_t limit = TimerModeLimit(mode);
    const std::uint32_t lowBits = mode == 0 ? 32 : 256;
    const std::uint32_t start = th * lowBits + tl % lowBits;
    RunningCountAdd add;
    add.stoppedCycles = stoppedCycles(mode, dialect);
    const std::uint32_t low = (start + add.stoppedCycles) % lowBits;
    add.extraStops = low < 2 ? 2 - low : 0;
    add.stoppedCycles += add.extraStops; // CLR TRx: 1 cycle each
    const std::uint32_t sum = (start + add.stoppedCycles) % limit;
    add.high = static_cast<std::uint8_t>(sum / lowBits);
    add.low = static_cast<std::uint8_t>(sum % lowBits);
    return add;
}

std::uint64_t MaxRunningAddCycles(int mode)
{
    return TimerModeLimit(mode) - 2 * (mode == 0 ? 32u : 256u);
}

bool DriftFreeKeeps(std::uint64_t count, int mode)
{
    return mode == 2 || (count >= kMinRunningAddCycles && count <= MaxRunningAddCycles(mode));
}

std::optional<Drift> DriftOf(std::uint64_t cycles, std::uint32_t crystalHz, std::uint32_t askedUs)
{
    if (askedUs == 0 || crystalHz == 0)
        return std::nullopt;
    Drift drift;
    drift.periodUs = static_cast<double>(cycles) * 12e6 / crystalHz;
    drift.ppm = (drift.periodUs - askedUs) / askedUs * 1e6;
    drift.secondsPerDay = drift.ppm * 86400.0 / 1e6;
    return drift;
}

} // namespace orlet
