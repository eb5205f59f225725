#include "WindowModel.h"

#include "RoutineTiming.h"
#include "TextFormat.h"
#include "Tmod.h"
#include "VendorHeader.h"

#include <cmath>
#include <utility>

namespace orlet {

namespace {

    // A handler on its way: the model as it stands and the messages so far.
    class Steps
    {
    public:
        explicit Steps(WindowModel model)
            : m_done { std::move(model), {} }
        {
        }

        WindowModel& model() { return m_done.model; }
        // The message is up over the window as it stands before the correction.
        void raise(Message message, Correction corrects)
        {
            m_done.notices.push_back({ message, corrects, m_done.model });
        }
        Transition done() && { return std::move(m_done); }

    private:
        Transition m_done;
    };

    // ComputeTimerReload's counter layout, and so its range message, for a
    // counter that holds `limit`.
    int layoutModeFor(std::uint32_t limit)
    {
        return limit == 8192 ? 0 : limit == 256 ? 2 : 1;
    }

    // Timers 0 and 1 keep their mode and GATE in TMOD; timer 2 has its one
    // mode and no GATE.
    bool modeInTmod(const WindowModel& model, int timer)
    {
        const TimerRow* row = TimerOf(model.chip.row(), timer);
        return row != nullptr && row->control == TimerControl::Tmod;
    }

    // The serial port's use box locks the timers it can take; a GATE box
    // among them is enabled again but in a counter mode.
    void relockGates(WindowModel& model)
    {
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            if (BaudSourceOnTimer(model.chip.row(), timer) != nullptr)
                model.timer(timer).gateEnabled = !ModeListEntryAt(model.timer(timer).modeIndex).counter;
        }
    }

    TriggerMode triggerAt(int index)
    {
        return index == 0 ? TriggerMode::Level : TriggerMode::FallingEdge;
    }

    void switchTimer(WindowModel& model, int timer)
    {
        TimerState& t = model.timer(timer);
        if (t.use) {
            // Timer 1's bytes (or timer 2's) may hold the serial reload; the
            // display still shows those of the switch-off, and so must the bytes.
            if (timer != 0)
                t.th = t.tl = 0xFF;
            return;
        }
        if (timer != 0) {
            // Unlike timer 0, timer 1 returns to its whole starting state: a
            // GATE1 tick or a "plus" kept beside "定时方式0" would show what
            // the generated code no longer has. So does timer 2.
            t.modeIndex = 0;
            t.gate = false;
            t.unit = "us";
            if (modeInTmod(model, timer))
                model.tmod = WithoutTimer(model.tmod, timer);
        }
        t.time = 1;
        t.th = t.tl = 0xFF;
        t.reloadText = "ffh,ffh";
        t.postscale = 1;
        t.run.reset();
    }

    TimerRequest requestOf(const WindowModel& model, int timer)
    {
        const TimerState& t = model.timer(timer);
        const ModeListEntry entry = TimerModeOf(model, timer);
        return { timer, entry.mode, entry.counter, t.time, t.clock, model.sixT, PrecisionOf(model) };
    }

    // The reload from the period box. A value out of range is corrected with
    // a message: the classic arithmetic leaves the bytes at 0 until the next
    // calculation, as the window always has; the exact one computes from the
    // corrected value at once, since bytes of 0 would stand for a period its
    // chip never runs.
    void updateTimerReload(Steps& steps, int timer)
    {
        WindowModel& model = steps.model();
        TimerState& t = model.timer(timer);
        TimerRequest request = requestOf(model, timer);
        TimerCalculation result = CalculateTimer(model.chip, model.crystalHz, request);
        // What the chip refuses (mode 3 in TMOD) leaves the bytes as they are.
        if (result.error) {
            t.reloadText = FormatReloadText(t.th, t.tl);
            return;
        }
        std::optional<std::uint32_t> refused;
        if (!result.reload.inRange) {
            const std::uint32_t limit = CounterLimit(FindTimerMode(model.chip.row(), timer, request.mode)->counter);
            steps.raise(TimerRangeMessage(layoutModeFor(limit), request.counter),
                { CorrectedField::Time, timer, result.reload.corrected });
            if (model.chip->arithmetic == Arithmetic::Classic) {
                t.th = t.tl = 0;
                t.run
                    = TimerRun { model.chip->arithmetic, model.crystalHz, request, t.postscale, result, std::nullopt };
                t.time = result.reload.corrected;
                t.reloadText = FormatReloadText(t.th, t.tl);
                return;
            }
            refused = std::exchange(t.time, result.reload.corrected);
            request.value = t.time;
            result = CalculateTimer(model.chip, model.crystalHz, request);
        }
        t.th = result.reload.th;
        t.tl = result.reload.tl;
        t.run = TimerRun { model.chip->arithmetic, model.crystalHz, request, t.postscale, result, refused };
        t.reloadText = FormatReloadText(t.th, t.tl);
    }

    // The serial reload from the rate; a rate that does not fit falls back
    // to one of the chip's baud source that does.
    void updateBaudReload(Steps& steps)
    {
        WindowModel& model = steps.model();
        BaudRequest request = BaudRequestOf(model);
        const BaudChoice choice = ChooseBaud(model.chip, model.crystalHz, request);
        if (choice.baud.error)
            return;
        if (choice.refused) {
            request.rateIndex = choice.baud.rateIndex;
            request.customRate = 0; // the fall-back is a listed rate
            steps.raise({ *choice.refused }, { CorrectedField::BaudIndex, 0, std::uint32_t(request.rateIndex) });
        }
        model.baudIndex = request.rateIndex;
        // Some listed rate fits every source from 1 to 100 MHz; should none,
        // the bytes keep what they hold.
        if (!choice.baud.fits)
            return;
        model.baudReloadText = choice.baud.reloadText;
        model.baudErrorText = choice.baud.errorText;
        TimerState& timer = model.timer(FindBaudSource(model.chip.row(), request.source)->timer);
        timer.th = choice.baud.high;
        timer.tl = choice.baud.low;
        model.baudRun = BaudRun { model.chip->arithmetic, model.crystalHz, request, choice.baud, model.uartTimer };
    }

    void recalculate(Steps& steps)
    {
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            if (steps.model().timer(timer).use)
                updateTimerReload(steps, timer);
        }
        if (steps.model().useUart)
            updateBaudReload(steps);
    }

    Transition recalculated(WindowModel model)
    {
        Steps steps(std::move(model));
        recalculate(steps);
        return std::move(steps).done();
    }

    TimerConfig timerConfigOf(const WindowModel& model, int timer)
    {
        const TimerState& t = model.timer(timer);
        const ModeListEntry entry = ModeListEntryAt(t.modeIndex);
        return { t.use, entry.counter, entry.mode, t.time, t.gate, t.postscale, std::nullopt };
    }

    bool timerSettled(const WindowModel& model, int timer)
    {
        const TimerState& t = model.timer(timer);
        if (!t.use)
            return true;
        const std::optional<TimerRun>& run = t.run;
        return run && run->calculation.reload.inRange && run->arithmetic == model.chip->arithmetic
            && run->crystalHz == model.crystalHz && run->request == requestOf(model, timer);
    }

    bool baudSettled(const WindowModel& model)
    {
        const std::optional<BaudRun>& run = model.baudRun;
        return !model.useUart
            || (run && run->arithmetic == model.chip->arithmetic && run->crystalHz == model.crystalHz
                && run->uartTimer == model.uartTimer && run->request == BaudRequestOf(model));
    }

} // namespace

namespace {

    // A timer the chip lacks keeps its block as the user left it, and is off.
    void keepTimer(WindowModel& model, int timer)
    {
        TimerState& t = model.timer(timer);
        if (!t.kept)
            t.kept = KeptTimer { t.use, t.modeIndex, t.time, t.unit, t.reloadText, t.postscale };
        t.use = false;
        switchTimer(model, timer);
    }

    // The serial port left the timer when its chip went, so the block is the
    // user's again; Recalculate computes it where it is in use.
    void restoreTimer(TimerState& t)
    {
        const KeptTimer kept = *std::exchange(t.kept, std::nullopt);
        t.use = kept.use;
        t.modeIndex = kept.modeIndex;
        t.time = kept.time;
        t.unit = kept.unit;
        t.reloadText = kept.reloadText;
        t.postscale = kept.postscale;
    }

} // namespace

Transition OnChipChange(WindowModel model)
{
    const ChipRow& row = model.chip.row();
    if (!row.offersSixT)
        model.sixT = false;
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        TimerState& t = model.timer(timer);
        t.clock = DefaultClock(row, timer);
        if (TimerOf(row, timer) == nullptr)
            keepTimer(model, timer);
        else if (t.kept)
            restoreTimer(t);
    }
    // Where the serial port's timer cannot clock it, the first that can does,
    // and is switched off for it while the port is in use.
    if (BaudSourceOnTimer(row, model.uartTimer) == nullptr) {
        model.uartTimer = row.baudSources.front().timer;
        if (model.useUart) {
            model.timer(model.uartTimer).use = false;
            switchTimer(model, model.uartTimer);
        }
    }
    model.doubleBaud = model.doubleBaud && SmodDoublesRate(model);
    relockGates(model);
    return recalculated(std::move(model));
}

Transition OnSixTChange(WindowModel model)
{
    return recalculated(std::move(model));
}

Transition OnTimerClockChange(WindowModel model, int /*timer*/)
{
    return recalculated(std::move(model));
}

Transition OnUartTimerChange(WindowModel model)
{
    model.doubleBaud = model.doubleBaud && SmodDoublesRate(model);
    if (!model.useUart) {
        relockGates(model);
        return { std::move(model), {} };
    }
    return OnUseUart(std::move(model));
}

BaudRequest BaudRequestOf(const WindowModel& model)
{
    const BaudSource source = BaudSourceFor(model.chip, model.uartTimer);
    const BaudSourceRow* row = FindBaudSource(model.chip.row(), source);
    const std::uint32_t clock = row == nullptr ? 12 : model.timer(row->timer).clock;
    const int rateIndex = model.baudIndex < 0 ? kDefaultBaudIndex : model.baudIndex;
    return { source, rateIndex, model.doubleBaud, clock, model.sixT, PrecisionOf(model),
        rateIndex == kCustomBaudIndex ? model.customBaud : 0 };
}

ModeListEntry TimerModeOf(const WindowModel& model, int timer)
{
    if (!modeInTmod(model, timer))
        return ModeListEntryAt(model.timer(timer).modeIndex);
    return { TimerCountsIn(model.tmod, timer), TimerModeIn(model.tmod, timer) };
}

bool SmodDoublesRate(const WindowModel& model)
{
    return FindBaudSource(model.chip.row(), BaudSourceFor(model.chip, model.uartTimer))->smodDoubles;
}

Precision PrecisionOf(const WindowModel& model)
{
    return model.exact ? Precision::Exact : Precision::Classic;
}

Transition OnUseTimer(WindowModel model, int timer)
{
    model.timer(timer).gateEnabled = true;
    switchTimer(model, timer);
    return { std::move(model), {} };
}

Transition OnGate(WindowModel model, int timer)
{
    if (!modeInTmod(model, timer))
        return { std::move(model), {} };
    model.tmod = WithTimerGate(model.tmod, timer, model.timer(timer).gate);
    return { std::move(model), {} };
}

Transition OnModeChange(WindowModel model, int timer)
{
    TimerState& t = model.timer(timer);
    const ModeListEntry entry = ModeListEntryAt(t.modeIndex);
    // "plus" (for pulses) is the label users know; it is not a typo to fix.
    t.unit = entry.counter ? "plus" : "us";
    if (!modeInTmod(model, timer)) {
        t.gate = false;
        return recalculated(std::move(model));
    }
    t.gateEnabled = !entry.counter; // the GATE bit means nothing to a counter
    if (entry.counter) {
        t.gate = false;
        model.tmod = WithTimerGate(model.tmod, timer, false);
    }
    model.tmod = WithTimerMode(model.tmod, timer, entry.counter, entry.mode);
    return recalculated(std::move(model));
}

Transition UpdateTimerReload(WindowModel model, int timer)
{
    Steps steps(std::move(model));
    updateTimerReload(steps, timer);
    return std::move(steps).done();
}

Transition Recalculate(WindowModel model)
{
    return recalculated(std::move(model));
}

Transition OnUseUart(WindowModel model)
{
    if (!model.useUart) {
        // Nothing is computed: the displays and the bytes keep their values.
        model.baudIndex = kDefaultBaudIndex;
        relockGates(model);
        return { std::move(model), {} };
    }
    // The serial port runs on timer 1 (or, on a chip that offers it, timer 2).
    const int timer = FindBaudSource(model.chip.row(), BaudSourceFor(model.chip, model.uartTimer))->timer;
    model.timer(timer).use = false;
    switchTimer(model, timer);
    relockGates(model);
    return UpdateBaudReload(std::move(model));
}

Transition OnDoubleBaud(WindowModel model)
{
    return UpdateBaudReload(std::move(model));
}

Transition UpdateBaudReload(WindowModel model)
{
    Steps steps(std::move(model));
    updateBaudReload(steps);
    return std::move(steps).done();
}

Transition OnCustomBaud(WindowModel model, std::uint32_t rate)
{
    model.baudIndex = BaudIndexOf(rate);
    if (model.baudIndex == kCustomBaudIndex)
        model.customBaud = rate;
    return UpdateBaudReload(std::move(model));
}

std::optional<Message> BaudRateRefusal(const WindowModel& model, std::uint32_t rate)
{
    BaudRequest request = BaudRequestOf(model);
    request.rateIndex = kCustomBaudIndex;
    request.customRate = rate;
    if (CalculateBaud(model.chip, model.crystalHz, request).fits)
        return std::nullopt;
    Message refusal { MessageCode::BaudOutOfReach };
    if (const std::optional<BaudRange> range = ReachableBaudRates(model.chip, model.crystalHz, request)) {
        refusal.lowest = range->lowest;
        refusal.highest = range->highest;
    }
    return refusal;
}

Transition OnCrystalChange(WindowModel model, float customMhz)
{
    if (model.crystalIndex == kCustomCrystalIndex) {
        model.crystalHz = CustomMhzToHz(customMhz);
        model.customMhz = customMhz;
        model.customMhzText = FormatCustomMhz(customMhz);
    } else {
        model.crystalHz = CrystalHzAt(model.crystalIndex);
        model.customMhzText.clear();
    }
    return recalculated(std::move(model));
}

Transition OnExactChange(WindowModel model)
{
    return recalculated(std::move(model));
}

Transition OnDriftFreeChange(WindowModel model)
{
    return { std::move(model), {} };
}

Transition OnPostscaleChange(WindowModel model, int timer, std::uint32_t before)
{
    Steps steps(std::move(model));
    std::uint32_t& postscale = steps.model().timer(timer).postscale;
    if (postscale < 1 || postscale > kMaxPostscale) {
        steps.raise({ MessageCode::PostscaleOutOfRange }, { CorrectedField::Postscale, timer, before });
        postscale = before;
    }
    return std::move(steps).done();
}

GeneratorSettings SettingsFor(const WindowModel& model)
{
    GeneratorSettings s;
    s.comments = model.comments;
    s.int0Enabled = model.useInt0;
    if (s.int0Enabled)
        s.int0Trigger = triggerAt(model.trigger0);
    s.int1Enabled = model.useInt1;
    if (s.int1Enabled)
        s.int1Trigger = triggerAt(model.trigger1);
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        const TimerState& t = model.timer(timer);
        TimerSettings& out = s.timer(timer);
        out.enabled = t.use;
        out.counter = t.use && TimerModeOf(model, timer).counter;
        out.th = t.th;
        out.tl = t.tl;
        // Switching a timer off returns its count to 1.
        if (t.use)
            out.postscale = static_cast<std::uint16_t>(t.postscale);
        out.clock = t.clock;
    }
    s.uartEnabled = model.useUart;
    s.uartDoubleBaud = model.doubleBaud;
    s.uartInterrupt = model.uartInterrupt;
    s.tmod = model.tmod;
    s.driftFree = model.driftFree;
    s.chip = model.chip;
    s.sixT = model.sixT;
    s.uartSource = BaudSourceFor(model.chip, model.uartTimer);
    // A name the include line cannot hold never reaches the text (Generate
    // refuses it first).
    if (model.chip->acceptsVendorHeader && !FindHeaderNameProblem(model.vendorHeader))
        s.vendorHeader = model.vendorHeader;
    return s;
}

namespace {

    // Why drift-free timing cannot keep what a timer in use counts: its
    // routine reloads where no figure describes it, or its bytes stand for a
    // count the running-count add cannot keep. Timer 2's one mode reloads in
    // hardware.
    std::optional<Message> driftFreeRefusal(const WindowModel& model, int timer)
    {
        if (!modeInTmod(model, timer))
            return std::nullopt;
        const TimerState& t = model.timer(timer);
        const int mode = TimerModeIn(model.tmod, timer);
        const ModeRow* row = FindTimerMode(model.chip.row(), timer, mode);
        if (!t.use || TimerCountsIn(model.tmod, timer) || row == nullptr)
            return std::nullopt;
        if (DriftFreeNeedsHardwareReload(model.chip.row(), timer, mode))
            return Message { MessageCode::DriftFreeNeedsHardwareReload, mode };
        if (ReloadsInHardware(row->counter))
            return std::nullopt;
        const std::uint32_t lowCounts = row->counter == CounterKind::Bits13 ? 32 : 256;
        if (!DriftFreeKeeps(CountOfBytes(CounterLimit(row->counter), lowCounts, t.th, t.tl), mode))
            return Message { MessageCode::DriftFreeOutOfRange, mode };
        return std::nullopt;
    }

} // namespace

std::optional<Message> GenerateRefusal(const WindowModel& model)
{
    if (model.chip->acceptsVendorHeader && !model.vendorHeader.empty() && FindHeaderNameProblem(model.vendorHeader))
        return Message { MessageCode::VendorHeaderUnsafe };
    return DriftFreeRefusal(model);
}

std::optional<Message> DriftFreeRefusal(const WindowModel& model)
{
    if (!model.driftFree)
        return std::nullopt;
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        if (auto refusal = driftFreeRefusal(model, timer))
            return refusal;
    }
    return std::nullopt;
}

Configuration ConfigurationOf(const WindowModel& model)
{
    const WindowModel& m = model;
    Configuration config;
    config.crystalHz = m.crystalHz;
    if (m.crystalIndex == kCustomCrystalIndex)
        config.customMhz = m.customMhz;
    config.comments = m.comments;
    if (m.useInt0)
        config.int0 = triggerAt(m.trigger0);
    if (m.useInt1)
        config.int1 = triggerAt(m.trigger1);
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        const TimerRow* row = TimerOf(m.chip.row(), timer);
        if (row == nullptr)
            continue;
        config.timer(timer) = timerConfigOf(m, timer);
        if (row->clocks.size() > 1)
            config.timer(timer).clock = m.timer(timer).clock;
    }
    if (m.useUart)
        config.uartBaudIndex = m.baudIndex;
    if (m.useUart && m.baudIndex == kCustomBaudIndex)
        config.uartCustomBaud = m.customBaud;
    config.uartDoubleBaud = m.doubleBaud;
    config.uartInterrupt = m.uartInterrupt;
    config.precision = PrecisionOf(m);
    config.driftFree = m.driftFree;
    config.chip = m.chip;
    config.sixT = m.sixT;
    config.uartTimer = m.uartTimer;
    if (m.chip->acceptsVendorHeader && !m.vendorHeader.empty())
        config.vendorHeader = m.vendorHeader;
    return config;
}

bool IsSettled(const WindowModel& model)
{
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        if (!timerSettled(model, timer))
            return false;
    }
    return baudSettled(model);
}

std::optional<TimerShown> DescribeTimer(const WindowModel& model, int timer)
{
    const TimerState& t = model.timer(timer);
    if (!t.run || FindTimerMode(model.chip.row(), timer, t.run->request.mode) == nullptr)
        return std::nullopt;
    const TimerRun& run = *t.run;
    // The run is the chip's now: a chip change computes every timer in use
    // again.
    TimerShown shown { timer, model.chip, run.crystalHz, {}, {}, {}, model.driftFree };
    // After a range error the line keeps the hint the error gave, with the
    // software count at the time, until the next calculation.
    const bool inRange = run.calculation.reload.inRange;
    if (!inRange || run.refused) {
        TimerRequest refused = run.request;
        refused.value = run.refused.value_or(run.request.value);
        shown.range = DescribeRangeError(model.chip, run.crystalHz, refused, run.postscale);
    }
    if (!inRange)
        return shown;
    std::optional<Message> refusal;
    if (model.driftFree)
        refusal = driftFreeRefusal(model, timer);
    if (refusal && !shown.range) {
        DriftFreeLimit limit { *refusal, run.request.mode, run.calculation.reload.count, std::nullopt };
        if (refusal->code == MessageCode::DriftFreeOutOfRange)
            limit.hardwareSplit = HardwareSplitFor(model.chip, run.crystalHz, run.request, t.postscale);
        shown.driftFreeLimit = limit;
    }
    // In range the line follows the software count as it is changed. Where
    // the running-count add cannot keep the count, the routine the window
    // would write reloads plainly; Generate refuses it anyway.
    shown.derivation = DeriveTimer({ model.chip, run.crystalHz, run.request, run.calculation, t.postscale, false,
        model.driftFree && !refusal, model.driftFree, Dialect::Keil });
    return shown;
}

std::optional<BaudDerivation> DescribeBaud(const WindowModel& model)
{
    const std::optional<BaudRun>& run = model.baudRun;
    // A calculation another chip kept, from a source this one lacks, has no words here.
    if (!run || FindBaudSource(model.chip.row(), run->request.source) == nullptr)
        return std::nullopt;
    return DeriveBaud(model.chip, run->crystalHz, run->request, run->baud);
}

} // namespace orlet
