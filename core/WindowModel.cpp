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

    bool classicChip(const WindowModel& model)
    {
        return model.chip->arithmetic == Arithmetic::Classic;
    }

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

    // Off the 8051: the chip's own clocks per count, modes and crystal. A
    // value out of range is corrected and computed from at once: there
    // "bytes 0 until the next run" of the 8051 would stand for a period no
    // chip runs.
    void updateChipTimerReload(Steps& steps, int timer)
    {
        WindowModel& model = steps.model();
        TimerState& t = model.timer(timer);
        const ModeListEntry entry = TimerModeOf(model, timer);
        ChipTimerRequest request { timer, entry.mode, entry.counter, t.time, t.clock, model.sixT };
        const auto computed
            = [&] { return ComputeChipTimerReload(model.chip, model.crystalHz, request, PrecisionOf(model)); };
        ChipTimerReload result = computed();
        // A trap is refused before the model is driven; the bytes keep what they hold.
        if (result.error) {
            t.reloadText = FormatReloadText(t.th, t.tl);
            return;
        }
        std::optional<std::uint32_t> refused;
        if (!result.reload.inRange) {
            const std::uint32_t limit = CounterLimit(FindTimerMode(model.chip.row(), timer, entry.mode)->counter);
            steps.raise(TimerRangeMessage(layoutModeFor(limit), entry.counter),
                { CorrectedField::Time, timer, result.reload.corrected });
            refused = std::exchange(t.time, result.reload.corrected);
            request.value = t.time;
            result = computed();
        }
        t.th = result.reload.th;
        t.tl = result.reload.tl;
        t.run = TimerRun { model.crystalHz, PrecisionOf(model), entry.mode, entry.counter, t.time, t.postscale,
            result.reload, result, request.clock, model.sixT, refused };
        t.reloadText = FormatReloadText(t.th, t.tl);
    }

    void updateTimerReload(Steps& steps, int timer)
    {
        if (!classicChip(steps.model())) {
            updateChipTimerReload(steps, timer);
            return;
        }
        WindowModel& model = steps.model();
        TimerState& t = model.timer(timer);
        const int mode = TimerModeIn(model.tmod, timer);
        const bool counter = TimerCountsIn(model.tmod, timer);
        // The mode lists never write mode 3; should the bits ever say 3, the
        // bytes keep what they hold rather than index past the mode table.
        if (mode != 3) {
            const TimerReload reload = ComputeTimerReload(model.crystalHz, mode, counter, t.time, PrecisionOf(model));
            if (!reload.inRange) {
                steps.raise(TimerRangeMessage(mode, counter), { CorrectedField::Time, timer, reload.corrected });
                t.th = t.tl = 0;
            } else {
                t.th = reload.th;
                t.tl = reload.tl;
            }
            t.run = TimerRun { model.crystalHz, PrecisionOf(model), mode, counter, t.time, t.postscale, reload,
                std::nullopt, 12, false, std::nullopt };
            t.time = reload.corrected;
        }
        t.reloadText = FormatReloadText(t.th, t.tl);
    }

    // The serial reload in the form of the chip's baud source: one byte
    // for timer 1 in mode 2 as on the 8051, two for a 16-bit reload.
    BaudReload baudReloadOf(const ChipBaud& chip, int rateIndex, bool sixteenBit)
    {
        BaudReload baud;
        baud.rateIndex = rateIndex;
        baud.reload = chip.low;
        baud.count = static_cast<int>(chip.count);
        baud.exactCount = chip.exactCount;
        baud.reloadText
            = sixteenBit ? FormatReloadText(chip.high, chip.low) : TextFormat("0x%x", unsigned { chip.low });
        baud.errorText = TextFormat("%.4f%%", chip.errorPercent);
        // The number the text shows, to its four decimals.
        baud.errorPercent = std::round(chip.errorPercent * 1e4) / 1e4;
        return baud;
    }

    // Off the 8051 a rate that does not fit falls back as at the 8051, to a
    // rate of the chip's baud source that does.
    void updateChipBaudReload(Steps& steps)
    {
        WindowModel& model = steps.model();
        int index = model.baudIndex < 0 ? kDefaultBaudIndex : model.baudIndex;
        const BaudSource source = BaudSourceFor(model.chip, model.uartTimer);
        const std::uint32_t clock = model.timer(model.uartTimer).clock;
        const auto baudAt = [&](int rateIndex) {
            return ComputeChipBaud(model.chip, model.crystalHz,
                { source, kBaudRates.at(static_cast<std::size_t>(rateIndex)), model.doubleBaud, clock, model.sixT });
        };
        ChipBaud chip = baudAt(index);
        if (chip.error)
            return;
        if (!chip.fits) {
            const MessageCode code
                = chip.message == kBaudTooLowMessage ? MessageCode::BaudTooLow : MessageCode::BaudTooHigh;
            index = FallBackBaudIndex([&](int rateIndex) { return baudAt(rateIndex).fits; });
            steps.raise({ code }, { CorrectedField::BaudIndex, 0, static_cast<std::uint32_t>(index) });
            chip = baudAt(index);
        }
        model.baudIndex = index;
        // Some listed rate fits every source from 1 to 100 MHz; should none,
        // the bytes keep what they hold.
        if (!chip.fits)
            return;
        const BaudReload baud = baudReloadOf(chip, index, source != BaudSource::Timer1Mode2);
        model.baudReloadText = baud.reloadText;
        model.baudErrorText = baud.errorText;
        TimerState& timer = model.timer(FindBaudSource(model.chip.row(), source)->timer);
        timer.th = chip.high;
        timer.tl = chip.low;
        model.baudRun = BaudRun { model.crystalHz, PrecisionOf(model), model.doubleBaud, baud, chip, model.uartTimer,
            clock, model.sixT };
    }

    void updateBaudReload(Steps& steps)
    {
        WindowModel& model = steps.model();
        if (!classicChip(model)) {
            updateChipBaudReload(steps);
            return;
        }
        const int index = model.baudIndex < 0 ? kDefaultBaudIndex : model.baudIndex;
        const BaudReload baud = ComputeBaudReload(model.crystalHz, index, model.doubleBaud, PrecisionOf(model));
        if (!baud.message.empty()) {
            const MessageCode code
                = baud.message == kBaudTooLowMessage ? MessageCode::BaudTooLow : MessageCode::BaudTooHigh;
            steps.raise({ code }, { CorrectedField::BaudIndex, 0, static_cast<std::uint32_t>(baud.rateIndex) });
        }
        model.baudIndex = baud.rateIndex;
        model.baudReloadText = baud.reloadText;
        model.baudErrorText = baud.errorText;
        model.timer(1).th = model.timer(1).tl = baud.reload;
        model.baudRun
            = BaudRun { model.crystalHz, PrecisionOf(model), model.doubleBaud, baud, std::nullopt, 1, 12, false };
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
        const ModeListEntry entry = TimerModeOf(model, timer);
        return t.run && t.run->reload.inRange && t.run->crystalHz == model.crystalHz
            && t.run->precision == PrecisionOf(model) && t.run->mode == entry.mode && t.run->counter == entry.counter
            && t.run->asked == t.time && t.run->chip.has_value() == !classicChip(model)
            && (classicChip(model) || (t.run->clock == t.clock && t.run->sixT == model.sixT));
    }

    bool baudSettled(const WindowModel& model)
    {
        const std::optional<BaudRun>& run = model.baudRun;
        return !model.useUart
            || (run && run->crystalHz == model.crystalHz && run->precision == PrecisionOf(model)
                && run->doubled == model.doubleBaud && run->baud.rateIndex == model.baudIndex
                && run->chip.has_value() == !classicChip(model)
                && (classicChip(model)
                    || (run->uartTimer == model.uartTimer && run->sixT == model.sixT
                        && run->clock == model.timer(model.uartTimer).clock)));
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
    if (!model.useUart)
        return { std::move(model), {} };
    return OnUseUart(std::move(model));
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
        return { std::move(model), {} };
    }
    // The serial port runs on timer 1 (or, on a chip that offers it, timer 2).
    const int timer = model.uartTimer == 2 ? 2 : 1;
    model.timer(timer).use = false;
    switchTimer(model, timer);
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

Transition OnCrystalChange(WindowModel model, float customMhz)
{
    if (model.crystalIndex == kCustomCrystalIndex) {
        model.crystalHz = CustomMhzToHz(customMhz);
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

    // The count a timer's bytes stand for as its routine reloads them.
    std::uint64_t reloadedCount(const WindowModel& model, int timer)
    {
        const TimerState& t = model.timer(timer);
        const int mode = TimerModeIn(model.tmod, timer);
        if (!classicChip(model) && t.run && t.run->chip)
            return t.run->reload.count;
        const std::uint32_t lowBits = mode == 0 ? 32 : 256;
        return TimerModeLimit(mode) - (t.th * lowBits + t.tl % lowBits) % TimerModeLimit(mode);
    }

    std::optional<Message> driftFreeRefusal(const WindowModel& model, int timer)
    {
        // Timer 2's one mode reloads in hardware.
        if (!modeInTmod(model, timer))
            return std::nullopt;
        const TimerState& t = model.timer(timer);
        const int mode = TimerModeIn(model.tmod, timer);
        if (!t.use || TimerCountsIn(model.tmod, timer) || mode == 3)
            return std::nullopt;
        if (DriftFreeNeedsHardwareReload(model.chip.row(), timer, mode))
            return Message { MessageCode::DriftFreeNeedsHardwareReload, mode };
        if (!model.chip->countsRoutineCycles) // modes 0 and 2 reload in hardware
            return std::nullopt;
        if (!DriftFreeKeeps(reloadedCount(model, timer), mode))
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
    // The line's and the tooltips' figures are the classic 12-clock core's:
    // off the 8051 they would be wrong (another clock per count, reloads in
    // hardware), so the window shows none there rather than wrong ones.
    if (!classicChip(model))
        return std::nullopt;
    const TimerState& t = model.timer(timer);
    const std::optional<TimerRun>& run = t.run;
    if (!run)
        return std::nullopt;
    // In range the line follows the count as it is changed; after a range
    // error it keeps the hint the error gave until the next calculation.
    const std::uint32_t postscale = !run->reload.inRange ? run->postscale : t.postscale;
    const auto timingWith = [&](bool driftFree) {
        return ComputeTimerTiming(
            run->crystalHz, run->mode, run->counter, run->asked, run->precision, postscale, driftFree);
    };
    TimerShown shown { *run, timingWith(model.driftFree), {} };
    shown.driftFreeRefused
        = model.driftFree && run->reload.inRange && !run->counter && !DriftFreeKeeps(run->reload.count, run->mode);
    const bool driftFree = model.driftFree && !shown.driftFreeRefused;
    if (shown.driftFreeRefused) {
        const std::optional<PostscaleSplit> hardware = shown.timing.hardwareSplit;
        shown.timing = timingWith(false);
        shown.timing.hardwareSplit = hardware;
    }
    if (run->reload.inRange) {
        Configuration alone;
        alone.crystalHz = run->crystalHz;
        alone.precision = run->precision;
        alone.timers[0] = { true, run->counter, run->mode, run->asked, false, postscale, std::nullopt };
        alone.driftFree = driftFree;
        ResolvedConfiguration resolved;
        resolved.timers[0] = run->reload;
        shown.derivation = DeriveConfiguration(alone, resolved).timers[0];
        shown.derivation->hardwareSplit = shown.timing.hardwareSplit;
    }
    return shown;
}

std::optional<BaudDerivation> DescribeBaud(const WindowModel& model)
{
    const std::optional<BaudRun>& run = model.baudRun;
    if (!run || !classicChip(model)) // as DescribeTimer
        return std::nullopt;
    Configuration alone;
    alone.crystalHz = run->crystalHz;
    alone.precision = run->precision;
    alone.uartBaudIndex = run->baud.rateIndex;
    alone.uartDoubleBaud = run->doubled;
    ResolvedConfiguration resolved;
    resolved.baud = run->baud;
    return DeriveConfiguration(alone, resolved).baud;
}

std::optional<ChipBaudDerivation> DescribeChipBaud(const WindowModel& model)
{
    const std::optional<BaudRun>& run = model.baudRun;
    if (classicChip(model) || !run || !run->chip)
        return std::nullopt;
    const BaudSourceRow* source = FindBaudSource(model.chip.row(), BaudSourceFor(model.chip, run->uartTimer));
    return ChipBaudDerivation { source, kBaudRates.at(static_cast<std::size_t>(run->baud.rateIndex)), run->doubled,
        *run->chip };
}

std::optional<ChipTimerDerivation> DescribeChipTimer(const WindowModel& model, int timer)
{
    if (classicChip(model))
        return std::nullopt;
    const TimerState& t = model.timer(timer);
    const std::optional<TimerRun>& run = t.run;
    if (!run || !run->chip || !run->reload.inRange)
        return std::nullopt;
    Configuration config = ConfigurationOf(model);
    config.crystalHz = run->crystalHz;
    config.sixT = run->sixT;
    // Where the running-count add cannot keep the count, the routine the
    // window would write reloads plainly; Generate refuses it anyway.
    config.driftFree = model.driftFree && !driftFreeRefusal(model, timer);
    config.timer(timer) = { true, run->counter, run->mode, run->asked, false, t.postscale, run->clock };
    ResolvedConfiguration resolved;
    resolved.chipTimers[static_cast<std::size_t>(timer)] = *run->chip;
    return DeriveChipConfiguration(config, resolved).timers[static_cast<std::size_t>(timer)];
}

std::optional<ChipRangeError> DescribeChipRange(const WindowModel& model, int timer)
{
    const std::optional<TimerRun>& run = model.timer(timer).run;
    if (classicChip(model) || !run || !run->chip || !run->refused)
        return std::nullopt;
    const ChipTimerRequest request { timer, run->mode, run->counter, *run->refused, run->clock, run->sixT };
    return DescribeChipRangeError(model.chip, run->crystalHz, request, run->postscale);
}

std::optional<ChipDriftFreeLimit> DescribeChipDriftFreeLimit(const WindowModel& model, int timer)
{
    const TimerState& t = model.timer(timer);
    const std::optional<TimerRun>& run = t.run;
    if (classicChip(model) || !model.driftFree || !run || !run->chip)
        return std::nullopt;
    const std::optional<Message> refusal = driftFreeRefusal(model, timer);
    if (!refusal)
        return std::nullopt;
    ChipDriftFreeLimit limit { *refusal, run->mode, run->reload.count, std::nullopt };
    if (refusal->code == MessageCode::DriftFreeOutOfRange) {
        const ChipTimerRequest request { timer, run->mode, false, run->asked, run->clock, run->sixT };
        limit.hardwareSplit = ChipHardwareSplit(model.chip, run->crystalHz, request, t.postscale);
    }
    return limit;
}

} // namespace orlet
