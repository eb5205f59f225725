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

    CorrectedField timeField(int timer)
    {
        constexpr std::array fields { CorrectedField::Time0, CorrectedField::Time1, CorrectedField::Time2 };
        return fields.at(static_cast<std::size_t>(timer));
    }

    CorrectedField postscaleField(int timer)
    {
        constexpr std::array fields { CorrectedField::Postscale0, CorrectedField::Postscale1,
            CorrectedField::Postscale2 };
        return fields.at(static_cast<std::size_t>(timer));
    }

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

    TriggerMode triggerAt(int index)
    {
        return index == 0 ? TriggerMode::Level : TriggerMode::FallingEdge;
    }

    void switchTimer(WindowModel& model, int timer)
    {
        TimerMembers t = MembersOf(model, timer);
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
            if (timer == 1)
                model.tmod = WithoutTimer(model.tmod, 1);
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
        TimerMembers t = MembersOf(model, timer);
        const ModeListEntry entry = TimerModeOf(model, timer);
        ChipTimerRequest request { timer, entry.mode, entry.counter, t.time,
            model.clocks[static_cast<std::size_t>(timer)], model.sixT };
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
            steps.raise(
                TimerRangeMessage(layoutModeFor(limit), entry.counter), { timeField(timer), result.reload.corrected });
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
        TimerMembers t = MembersOf(model, timer);
        const int mode = TimerModeIn(model.tmod, timer);
        const bool counter = TimerCountsIn(model.tmod, timer);
        // The mode lists never write mode 3; should the bits ever say 3, the
        // bytes keep what they hold rather than index past the mode table.
        if (mode != 3) {
            const TimerReload reload = ComputeTimerReload(model.crystalHz, mode, counter, t.time, PrecisionOf(model));
            if (!reload.inRange) {
                steps.raise(TimerRangeMessage(mode, counter), { timeField(timer), reload.corrected });
                t.th = t.tl = 0;
            } else {
                t.th = reload.th;
                t.tl = reload.tl;
            }
            t.run = TimerRun { model.crystalHz, PrecisionOf(model), mode, counter, t.time, t.postscale, reload,
                std::nullopt, 12, false };
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
        const std::uint32_t clock = model.clocks[static_cast<std::size_t>(model.uartTimer)];
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
            steps.raise({ code }, { CorrectedField::BaudIndex, static_cast<std::uint32_t>(index) });
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
        if (source == BaudSource::Timer2) {
            model.th2 = chip.high;
            model.tl2 = chip.low;
        } else {
            model.th1 = chip.high;
            model.tl1 = chip.low;
        }
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
            steps.raise({ code }, { CorrectedField::BaudIndex, static_cast<std::uint32_t>(baud.rateIndex) });
        }
        model.baudIndex = baud.rateIndex;
        model.baudReloadText = baud.reloadText;
        model.baudErrorText = baud.errorText;
        model.th1 = model.tl1 = baud.reload;
        model.baudRun
            = BaudRun { model.crystalHz, PrecisionOf(model), model.doubleBaud, baud, std::nullopt, 1, 12, false };
    }

    void recalculate(Steps& steps)
    {
        for (int timer = 0; timer < 3; ++timer) {
            if (MembersOf(steps.model(), timer).use)
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

    TimerConfig timerConfigOf(WindowModel& model, int timer)
    {
        const TimerMembers t = MembersOf(model, timer);
        const ModeListEntry entry = ModeListEntryAt(t.modeIndex);
        return { t.use, entry.counter, entry.mode, t.time, t.gate, t.postscale };
    }

    bool timerSettled(WindowModel& model, int timer)
    {
        const TimerMembers t = MembersOf(model, timer);
        if (!t.use)
            return true;
        const ModeListEntry entry = TimerModeOf(model, timer);
        return t.run && t.run->reload.inRange && t.run->crystalHz == model.crystalHz
            && t.run->precision == PrecisionOf(model) && t.run->mode == entry.mode && t.run->counter == entry.counter
            && t.run->asked == t.time && t.run->chip.has_value() == !classicChip(model)
            && (classicChip(model)
                || (t.run->clock == model.clocks[static_cast<std::size_t>(timer)] && t.run->sixT == model.sixT));
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
                        && run->clock == model.clocks[static_cast<std::size_t>(model.uartTimer)])));
    }

} // namespace

TimerMembers MembersOf(WindowModel& m, int timer)
{
    if (timer == 0) {
        return { m.useTimer0, m.mode0, m.gate0, m.time0, m.unit0, m.th0, m.tl0, m.reload0Text, m.postscale0,
            m.timerRuns[0] };
    }
    if (timer == 2) {
        return { m.useTimer2, m.mode2, m.gate2, m.time2, m.unit2, m.th2, m.tl2, m.reload2Text, m.postscale2,
            m.timer2Run };
    }
    return { m.useTimer1, m.mode1, m.gate1, m.time1, m.unit1, m.th1, m.tl1, m.reload1Text, m.postscale1,
        m.timerRuns[1] };
}

namespace {

    void keepTimer2(WindowModel& model)
    {
        if (!model.keptTimer2) {
            model.keptTimer2 = KeptTimer { model.useTimer2, model.mode2, model.time2, model.unit2, model.reload2Text,
                model.postscale2 };
        }
        model.useTimer2 = false;
        switchTimer(model, 2);
    }

    // The serial port left timer 2 when its chip went, so the block is the
    // user's again; Recalculate computes it where it is in use.
    void restoreTimer2(WindowModel& model)
    {
        const KeptTimer kept = *std::exchange(model.keptTimer2, std::nullopt);
        model.useTimer2 = kept.use;
        model.mode2 = kept.modeIndex;
        model.time2 = kept.time;
        model.unit2 = kept.unit;
        model.reload2Text = kept.reloadText;
        model.postscale2 = kept.postscale;
    }

} // namespace

Transition OnChipChange(WindowModel model)
{
    const ChipRow& row = model.chip.row();
    for (std::size_t t = 0; t < model.clocks.size(); ++t)
        model.clocks[t] = DefaultClock(row, int(t));
    if (!row.offersSixT)
        model.sixT = false;
    if (row.timers[2] != nullptr && model.keptTimer2)
        restoreTimer2(model);
    if (row.timers[2] == nullptr) {
        keepTimer2(model);
        if (model.uartTimer == 2 && model.useUart) {
            model.useTimer1 = false;
            switchTimer(model, 1);
        }
        model.uartTimer = 1;
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
    if (timer == 2)
        return ModeListEntryAt(model.mode2);
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
    if (timer == 2)
        return { std::move(model), {} };
    model.tmod = WithTimerGate(model.tmod, timer, MembersOf(model, timer).gate);
    return { std::move(model), {} };
}

Transition OnModeChange(WindowModel model, int timer)
{
    TimerMembers t = MembersOf(model, timer);
    const ModeListEntry entry = ModeListEntryAt(t.modeIndex);
    // "plus" (for pulses) is the label users know; it is not a typo to fix.
    t.unit = entry.counter ? "plus" : "us";
    if (timer == 2) {
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
    MembersOf(model, timer).use = false;
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
    std::uint32_t& postscale = MembersOf(steps.model(), timer).postscale;
    if (postscale < 1 || postscale > kMaxPostscale) {
        steps.raise({ MessageCode::PostscaleOutOfRange }, { postscaleField(timer), before });
        postscale = before;
    }
    return std::move(steps).done();
}

namespace {

    void putChipSettings(const WindowModel& model, GeneratorSettings& s)
    {
        s.chip = model.chip;
        s.sixT = model.sixT;
        s.clocks = model.clocks;
        s.uartSource = BaudSourceFor(model.chip, model.uartTimer);
        s.timer2Enabled = model.useTimer2;
        s.timer2Counter = model.useTimer2 && ModeListEntryAt(model.mode2).counter;
        s.th2 = model.th2;
        s.tl2 = model.tl2;
        if (s.timer2Enabled)
            s.postscale2 = static_cast<std::uint16_t>(model.postscale2);
        // A name the include line cannot hold never reaches the text
        // (Generate refuses it first).
        if (model.chip->acceptsVendorHeader && !FindHeaderNameProblem(model.vendorHeader))
            s.vendorHeader = model.vendorHeader;
    }

} // namespace

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
    s.timer0Enabled = model.useTimer0;
    s.timer1Enabled = model.useTimer1;
    s.uartEnabled = model.useUart;
    s.uartDoubleBaud = model.doubleBaud;
    s.uartInterrupt = model.uartInterrupt;
    s.tmod = model.tmod;
    s.th0 = model.th0;
    s.tl0 = model.tl0;
    s.th1 = model.th1;
    s.tl1 = model.tl1;
    s.driftFree = model.driftFree;
    // Switching a timer off returns its count to 1.
    if (s.timer0Enabled)
        s.postscale0 = static_cast<std::uint16_t>(model.postscale0);
    if (s.timer1Enabled)
        s.postscale1 = static_cast<std::uint16_t>(model.postscale1);
    if (!classicChip(model))
        putChipSettings(model, s);
    return s;
}

namespace {

    // The count a timer's bytes stand for as its routine reloads them.
    std::uint64_t reloadedCount(const WindowModel& model, int timer)
    {
        WindowModel m = model;
        const TimerMembers t = MembersOf(m, timer);
        const int mode = TimerModeIn(m.tmod, timer);
        if (!classicChip(model) && t.run && t.run->chip)
            return t.run->reload.count;
        const std::uint32_t lowBits = mode == 0 ? 32 : 256;
        return TimerModeLimit(mode) - (t.th * lowBits + t.tl % lowBits) % TimerModeLimit(mode);
    }

    std::optional<Message> driftFreeRefusal(const WindowModel& model, int timer)
    {
        if (timer == 2) // its one mode reloads in hardware
            return std::nullopt;
        WindowModel m = model;
        const TimerMembers t = MembersOf(m, timer);
        const int mode = TimerModeIn(m.tmod, timer);
        if (!t.use || TimerCountsIn(m.tmod, timer) || mode == 3)
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
    for (int timer = 0; timer < 2; ++timer) {
        if (auto refusal = driftFreeRefusal(model, timer))
            return refusal;
    }
    return std::nullopt;
}

Configuration ConfigurationOf(const WindowModel& model)
{
    WindowModel m = model;
    Configuration config;
    config.crystalHz = m.crystalHz;
    config.comments = m.comments;
    if (m.useInt0)
        config.int0 = triggerAt(m.trigger0);
    if (m.useInt1)
        config.int1 = triggerAt(m.trigger1);
    config.timer0 = timerConfigOf(m, 0);
    config.timer1 = timerConfigOf(m, 1);
    if (m.useUart)
        config.uartBaudIndex = m.baudIndex;
    config.uartDoubleBaud = m.doubleBaud;
    config.uartInterrupt = m.uartInterrupt;
    config.precision = PrecisionOf(m);
    config.driftFree = m.driftFree;
    if (!classicChip(m)) {
        config.chip.chip = m.chip;
        config.chip.sixT = m.sixT;
        for (std::size_t t = 0; t < 3; ++t)
            config.chip.clocks[t] = m.clocks[t];
        config.chip.timer2 = timerConfigOf(m, 2);
        config.chip.uartTimer = m.uartTimer;
        if (m.chip->acceptsVendorHeader && !m.vendorHeader.empty())
            config.chip.vendorHeader = m.vendorHeader;
    }
    return config;
}

bool IsSettled(const WindowModel& model)
{
    WindowModel m = model;
    return timerSettled(m, 0) && timerSettled(m, 1) && timerSettled(m, 2) && baudSettled(m);
}

std::optional<TimerShown> DescribeTimer(const WindowModel& model, int timer)
{
    // The line's and the tooltips' figures are the classic 12-clock core's:
    // off the 8051 they would be wrong (another clock per count, reloads in
    // hardware), so the window shows none there rather than wrong ones.
    if (!classicChip(model))
        return std::nullopt;
    WindowModel m = model;
    const TimerMembers t = MembersOf(m, timer);
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
        alone.timer0 = { true, run->counter, run->mode, run->asked, false, postscale };
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
    WindowModel m = model;
    const TimerMembers t = MembersOf(m, timer);
    const std::optional<TimerRun>& run = t.run;
    if (!run || !run->chip || !run->reload.inRange)
        return std::nullopt;
    Configuration config = ConfigurationOf(model);
    config.crystalHz = run->crystalHz;
    config.chip.sixT = run->sixT;
    config.chip.clocks[static_cast<std::size_t>(timer)] = run->clock;
    // Where the running-count add cannot keep the count, the routine the
    // window would write reloads plainly; Generate refuses it anyway.
    config.driftFree = model.driftFree && !driftFreeRefusal(model, timer);
    TimerConfig& c = timer == 0 ? config.timer0 : timer == 1 ? config.timer1 : config.chip.timer2;
    c = { true, run->counter, run->mode, run->asked, false, t.postscale };
    ResolvedConfiguration resolved;
    resolved.chipTimers[static_cast<std::size_t>(timer)] = *run->chip;
    return DeriveChipConfiguration(config, resolved).timers[static_cast<std::size_t>(timer)];
}

std::optional<ChipRangeError> DescribeChipRange(const WindowModel& model, int timer)
{
    WindowModel m = model;
    const std::optional<TimerRun>& run = MembersOf(m, timer).run;
    if (classicChip(model) || !run || !run->chip || !run->refused)
        return std::nullopt;
    const ChipTimerRequest request { timer, run->mode, run->counter, *run->refused, run->clock, run->sixT };
    return DescribeChipRangeError(model.chip, run->crystalHz, request, run->postscale);
}

std::optional<ChipDriftFreeLimit> DescribeChipDriftFreeLimit(const WindowModel& model, int timer)
{
    WindowModel m = model;
    const TimerMembers t = MembersOf(m, timer);
    const std::optional<TimerRun>& run = t.run;
    if (classicChip(model) || !model.driftFree || !run || !run->chip || timer == 2)
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
