#include "Derivation.h"

#include "Configuration.h"

#include <algorithm>

namespace orlet {

namespace {

    std::uint32_t scaledCrystal(std::uint32_t crystalHz, std::uint32_t clocksPerCount)
    {
        return static_cast<std::uint32_t>(std::uint64_t { crystalHz } * 12 / clocksPerCount);
    }

    CountMethod countMethod(const TimerInput& in)
    {
        if (in.request.counter)
            return CountMethod::Pulses;
        if (in.chip->arithmetic == Arithmetic::Exact)
            return CountMethod::ExactScaled;
        return in.calculation.precision == Precision::Exact ? CountMethod::ExactHalfUp : CountMethod::WholeMegahertz;
    }

    step::Count countStep(const TimerInput& in)
    {
        const TimerReload& r = in.calculation.reload;
        step::Count c { countMethod(in), in.crystalHz, in.request.value, in.crystalHz / 1000000u,
            in.calculation.clocksPerCount, r.count, r.countRaised, 0 };
        if (c.method == CountMethod::ExactHalfUp)
            c.classicCount = TimerCycleCount(in.crystalHz, in.request.value, Precision::Classic);
        return c;
    }

    step::Interrupt counterInterrupt(const TimerInput& in, const TimerRow& timer)
    {
        step::Interrupt i;
        i.kind = in.calculation.hardwareReload ? ReloadKind::Hardware : ReloadKind::RoutineUncounted;
        i.timer = in.request.timer;
        i.counter = true;
        i.count = in.calculation.reload.count;
        i.highName = timer.reloadHigh;
        i.lowName = timer.reloadLow;
        i.dialect = in.dialect;
        i.hardwareMode = WidestHardwareReload(in.chip.row(), in.request.timer);
        return i;
    }

    // How the timer starts again after each overflow, and the counts from one
    // interrupt to the next where the routine's cycles are counted.
    step::Interrupt timerInterrupt(const TimerInput& in, const TimerRow& timer, const RoutineShape& shape)
    {
        const TimerCalculation& c = in.calculation;
        step::Interrupt i = counterInterrupt(in, timer);
        i.counter = false;
        if (c.hardwareReload) {
            i.kind = ReloadKind::Hardware;
            i.interruptCycles = i.count;
            return i;
        }
        if (AddsToRunningCount(shape)) {
            i.kind = ReloadKind::RunningAdd;
            i.runningAdd = RunningCountAddFor(in.request.mode, c.reload.th, c.reload.tl, in.dialect);
        } else {
            i.kind = ReloadKind::Routine;
        }
        if (!in.chip->countsRoutineCycles) {
            if (i.kind == ReloadKind::Routine)
                i.kind = ReloadKind::RoutineUncounted;
            return i;
        }
        i.latency = ReloadLatencyOf(i.count, shape);
        i.interruptCycles = InterruptCycles(i.count, shape);
        return i;
    }

    void deriveTimerPeriod(const TimerInput& in, const TimerRow& timer, TimerDerivation& d)
    {
        const TimerRequest& r = in.request;
        const TimerCalculation& c = in.calculation;
        step::Period period { c.reload.count, c.clocksPerCount, in.crystalHz, r.value, c.actualPeriodUs, std::nullopt,
            in.postscale, c.actualPeriodUs * in.postscale };
        if (r.value != 0)
            period.errorPercent = (period.actualUs - r.value) / r.value * 100.0;
        d.steps.push_back(period);
        if (in.postscale > 1)
            d.steps.push_back(
                step::Postscale { in.postscale, false, r.value, period.actualUs, period.wholeUs, period.errorPercent });

        const RoutineShape shape { r.mode, false, in.postscale, in.driftFree, in.dialect };
        const step::Interrupt interrupt = timerInterrupt(in, timer, shape);
        d.steps.push_back(interrupt);
        if (!interrupt.interruptCycles)
            return;
        // The routine of a mode that reloads in hardware is mode 2's, and
        // clears the flag where the chip leaves it set; a 1T core's is not
        // counted.
        const RoutineShape routine { c.hardwareReload ? 2 : r.mode, false, in.postscale, in.driftFree, in.dialect,
            timer.flagToClear != nullptr };
        if (in.chip->countsRoutineCycles) {
            if (const std::optional<CpuShare> share = LargeCpuShare(*interrupt.interruptCycles, routine))
                d.steps.push_back(step::Cpu { *share });
        }
        const std::uint32_t scaledHz = scaledCrystal(in.crystalHz, c.clocksPerCount);
        if (const std::optional<Drift> drift = DriftOf(*interrupt.interruptCycles, scaledHz, r.value)) {
            const bool latencyAdds = interrupt.kind == ReloadKind::Routine && interrupt.latency.total() != 0;
            d.steps.push_back(step::Drift { *drift, *interrupt.interruptCycles, r.value, latencyAdds });
        }
        if (in.chip->arithmetic == Arithmetic::Classic && in.driftFreeAsked && !c.hardwareReload) {
            if (const auto split = HardwareSplitFor(in.chip, in.crystalHz, r, in.postscale))
                d.steps.push_back(step::HardwareSplit { *split, CostOf(*split, r.mode, in.crystalHz, true) });
        }
    }

    std::optional<ClockTolerance> toleranceOf(Chip chip, std::uint32_t crystalHz, bool internalClock)
    {
        if (!internalClock || FindInternalClock(chip.row(), crystalHz) == nullptr)
            return std::nullopt;
        return chip->tolerance;
    }

} // namespace

TimerDerivation DeriveTimer(const TimerInput& in)
{
    const ChipRow& row = in.chip.row();
    const TimerRequest& r = in.request;
    const TimerRow& timer = *TimerOf(row, r.timer);
    const ModeRow& mode = *FindTimerMode(row, r.timer, r.mode);
    const TimerCalculation& c = in.calculation;
    const std::uint32_t limit = CounterLimit(mode.counter);

    TimerDerivation d { r.timer, r.counter, in.postscale, row.arithmetic, {} };
    d.steps.push_back(step::Header {
        r.timer, r.counter, r.mode, mode.counter, mode.meaning, r.value, in.gate, c.clocksPerCount, r.sixT });
    d.steps.push_back(countStep(in));
    // Every chip tells a timer's limit; only the classic words tell a counter's.
    if (!r.counter || row.arithmetic == Arithmetic::Classic)
        d.steps.push_back(step::Limit { limit });
    d.steps.push_back(
        step::Start { r.timer, mode.counter, limit, c.reload.count, static_cast<std::uint32_t>(limit - c.reload.count),
            c.reload.th, c.reload.tl, timer.reloadHigh, timer.reloadLow });
    if (!r.counter) {
        deriveTimerPeriod(in, timer, d);
        if (const auto tolerance = toleranceOf(in.chip, in.crystalHz, in.internalClock))
            d.steps.push_back(step::Tolerance { in.crystalHz, *tolerance, tolerance->percent / 100 * 86400 });
        return d;
    }
    if (row.arithmetic == Arithmetic::Classic)
        d.steps.push_back(step::Pulses { c.reload.count == 0 ? limit : c.reload.count });
    if (in.postscale > 1)
        d.steps.push_back(step::Postscale { in.postscale, true, r.value, 0, 0, std::nullopt });
    d.steps.push_back(counterInterrupt(in, timer));
    return d;
}

BaudDerivation DeriveBaud(
    Chip chip, std::uint32_t crystalHz, const BaudRequest& request, const BaudCalculation& b, bool internalClock)
{
    const BaudSourceRow& source = *FindBaudSource(chip.row(), request.source);
    // From this chip's source: a calculation the window kept from another
    // chip is worded as this one counts, as it always was.
    const std::uint32_t countingClocks = BaudCountingClocks(chip.row(), source, request.clock, request.sixT);
    BaudDerivation d { chip->arithmetic, {} };
    d.steps.push_back(step::BaudSource {
        b.rate, source.timer, b.clocksPerCount, source.smodDoubles, request.smod, b.k, &source, countingClocks });
    d.steps.push_back(step::BaudCount { b.fromQuotient, chip->arithmetic == Arithmetic::Classic && !b.fromQuotient,
        crystalHz, b.rate, b.k, crystalHz / b.rate, b.exactCount, b.count });
    d.steps.push_back(
        step::BaudReload { b.limit, b.count, b.reload, b.high, b.low, source.reloadHigh, source.reloadLow });
    const auto bitClocks = static_cast<std::uint32_t>(source.overflowsPerBit * countingClocks * b.count / b.k);
    d.steps.push_back(step::BaudRate {
        crystalHz, b.rate, b.k, b.count, b.actualBaud, (b.actualBaud / b.rate - 1.0) * 100.0, bitClocks });
    d.steps.push_back(step::BaudError { b.errorPercent, b.errorShown });
    if (const auto tolerance = toleranceOf(chip, crystalHz, internalClock)) {
        const double real = b.actualBaud / b.rate;
        const double p = tolerance->percent / 100;
        d.steps.push_back(
            step::BaudTolerance { *tolerance, (real * (1 - p) - 1) * 100.0, (real * (1 + p) - 1) * 100.0 });
    }
    return d;
}

Derivation DeriveConfiguration(const Configuration& config, const ResolvedConfiguration& resolved, Dialect dialect)
{
    const GeneratorSettings& s = resolved.settings;
    const ChipRow& row = config.chip.row();
    Derivation d;
    d.chip = config.chip;
    d.crystalHz = config.crystalHz;
    d.dialect = dialect;
    d.sixT = config.sixT;
    d.tmod = s.tmod;
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        const auto& calculation = resolved.timers.at(static_cast<std::size_t>(timer));
        if (!calculation)
            continue;
        const TimerConfig& c = config.timer(timer);
        const TimerRequest request { timer, c.mode, c.counter, c.value, c.clock.value_or(DefaultClock(row, timer)),
            config.sixT, config.precision };
        d.timers.at(static_cast<std::size_t>(timer)) = DeriveTimer({ config.chip, config.crystalHz, request,
            *calculation, c.postscale, c.gate, config.driftFree, config.driftFree, dialect, config.internalClock });
    }
    if (resolved.baud) {
        const BaudSource source = BaudSourceFor(config.chip, UartTimerOf(config));
        const int sourceTimer = FindBaudSource(row, source)->timer;
        const BaudRequest request { source, resolved.baud->rateIndex, config.uartDoubleBaud,
            config.timer(sourceTimer).clock.value_or(DefaultClock(row, sourceTimer)), config.sixT, config.precision };
        d.baud = DeriveBaud(config.chip, config.crystalHz, request, *resolved.baud, config.internalClock);
    }
    // STC's AUXR is told even untouched, as it always was.
    const auto written = RegistersSetUp(s);
    for (std::string_view sfr : SetUpRegisters(row)) {
        if (sfr == "AUXR" || std::find(written.begin(), written.end(), sfr) != written.end())
            d.registers.push_back({ sfr, RegisterAfterInit(s, sfr) });
    }
    if (TimersUseRegister(row, "AUXR"))
        d.auxr = AuxrAfterInit(s);
    if (config.internalClock)
        d.internalClock = FindInternalClock(row, config.crystalHz);
    const bool timer2InUse = s.timer(2).enabled || (s.uartEnabled && s.uartSource == BaudSource::Timer2);
    if (timer2InUse && TimersUseRegister(row, "T2CON"))
        d.t2con = T2conAfterInit(s);
    d.vendorHeader = s.vendorHeader;
    return d;
}

} // namespace orlet
