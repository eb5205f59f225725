#include "Configuration.h"

#include "Crystal.h"
#include "RoutineTiming.h"
#include "Tmod.h"
#include "WindowModel.h"

namespace orlet {

namespace {

    ConfigError refusal(ConfigErrorCode code)
    {
        ConfigError error;
        error.code = code;
        return error;
    }

    bool validTimer(const TimerConfig& timer)
    {
        return timer.mode >= 0 && timer.mode <= 2;
    }

    bool validPostscale(const TimerConfig& timer)
    {
        return timer.postscale >= 1 && timer.postscale <= kMaxPostscale;
    }

    ConfigError chipRefusal(ConfigErrorCode code, const Configuration& config)
    {
        ConfigError error = refusal(code);
        error.chip = config.chip;
        error.crystalHz = config.crystalHz;
        error.uartTimer = config.uartTimer;
        return error;
    }

    ConfigError trap(const Configuration& config, const ChipError& chipError, int timer = 0, int mode = 0)
    {
        ConfigError error = chipRefusal(ConfigErrorCode::ChipTrap, config);
        error.chipError = chipError.code;
        error.timer = timer;
        error.mode = mode;
        return error;
    }

    // A timer, mode or clock the chip does not have.
    std::optional<ConfigError> timerTrap(const Configuration& config, int timer)
    {
        const Chip chip = config.chip;
        const TimerConfig& t = config.timer(timer);
        // The modes of the default chip's own timers are checked as they
        // always were (TimerModeUnknown).
        if (t.enabled && !(chip.isDefault() && TimerOf(chip.row(), timer) != nullptr)) {
            if (auto refused = CheckTimerMode(chip, timer, t.mode))
                return trap(config, *refused, timer, t.mode);
        }
        if (const auto& clock = t.clock) {
            if (auto refused = CheckTimerClock(chip, timer, *clock)) {
                ConfigError error = trap(config, *refused, timer);
                error.clock = *clock;
                return error;
            }
        }
        return std::nullopt;
    }

    std::optional<ConfigError> uartTrap(const Configuration& config)
    {
        const Chip chip = config.chip;
        const int timer = config.uartTimer;
        if (timer != 1 && timer != 2) {
            ChipError noSuch { ChipErrorCode::NoSuchTimer, chip, timer };
            return trap(config, noSuch, timer);
        }
        // The port's timer is kept while the port is off, so it must be one
        // that can clock it then too.
        const BaudSource source = BaudSourceFor(chip, config.uartTimer);
        if (auto refused = CheckBaudSource(chip, source))
            return trap(config, *refused, config.uartTimer);
        if (!config.uartBaudIndex)
            return std::nullopt;
        // Timer 1 beside the serial port is refused as it always was (Timer1WithSerialPort).
        for (int other = 2; other < kMaxTimers; ++other) {
            if (!config.timer(other).enabled)
                continue;
            if (auto refused = CheckTimerFree(chip, other, source))
                return trap(config, *refused, other);
        }
        if (config.uartDoubleBaud && !FindBaudSource(chip.row(), source)->smodDoubles)
            return chipRefusal(ConfigErrorCode::DoubleBaudWithoutEffect, config);
        return std::nullopt;
    }

    std::optional<ConfigError> driftFreeTrap(const Configuration& config)
    {
        if (!config.driftFree)
            return std::nullopt;
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            const TimerConfig& t = config.timer(timer);
            if (t.enabled && !t.counter && DriftFreeNeedsHardwareReload(config.chip.row(), timer, t.mode)) {
                ConfigError error = chipRefusal(ConfigErrorCode::DriftFreeNeedsHardwareReload, config);
                error.timer = timer;
                error.mode = 1;
                error.driftFree = true;
                return error;
            }
        }
        return std::nullopt;
    }

    // Whether the refusals of Generate count: the window holds the settings
    // they refuse, and only its Generate refuses them.
    enum class Purpose { Generate, Window };

    // A vendor header on a chip that takes one, under a name the include
    // line can hold.
    std::optional<ConfigError> vendorHeaderTrap(const Configuration& config, Purpose purpose)
    {
        const auto& name = config.vendorHeader;
        if (auto refused = CheckVendorHeader(config.chip, name.has_value()))
            return trap(config, *refused);
        if (!name || purpose == Purpose::Window)
            return std::nullopt;
        if (auto problem = FindHeaderNameProblem(*name)) {
            ConfigError error = chipRefusal(ConfigErrorCode::VendorHeaderUnsafe, config);
            error.headerProblem = *problem;
            return error;
        }
        return std::nullopt;
    }

    // What the chip does not have. At the default chip options nothing is refused.
    std::optional<ConfigError> outsideTheChip(const Configuration& config, Purpose purpose)
    {
        if (auto refused = CheckSixT(config.chip, config.sixT))
            return trap(config, *refused);
        if (auto refused = vendorHeaderTrap(config, purpose))
            return refused;
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            if (auto refused = timerTrap(config, timer))
                return refused;
        }
        if (auto refused = uartTrap(config))
            return refused;
        if (purpose == Purpose::Window)
            return std::nullopt;
        return driftFreeTrap(config);
    }

    ConfigError timerFieldRefusal(ConfigErrorCode code, int timer)
    {
        ConfigError error = refusal(code);
        error.timer = timer;
        return error;
    }

    // What the window cannot even be asked for.
    std::optional<ConfigError> outsideTheWindow(const Configuration& config, Purpose purpose)
    {
        if (config.crystalHz < kMinCustomMhz * 1000000u || config.crystalHz > kMaxCustomMhz * 1000000u)
            return refusal(ConfigErrorCode::CrystalOutOfRange);
        if (auto refused = outsideTheChip(config, purpose))
            return refused;
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            if (!validTimer(config.timer(timer)))
                return timerFieldRefusal(ConfigErrorCode::TimerModeUnknown, timer);
        }
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            if (!validPostscale(config.timer(timer)))
                return timerFieldRefusal(ConfigErrorCode::PostscaleOutOfRange, timer);
        }
        if (Timer1ClashesWithSerialPort(config))
            return refusal(ConfigErrorCode::Timer1WithSerialPort);
        if (config.uartBaudIndex && BaudRateAt(*config.uartBaudIndex, config.uartCustomBaud) == 0)
            return refusal(ConfigErrorCode::BaudRateUnknown);
        return std::nullopt;
    }

    ConfigError timerRefusal(const Notice& notice, int timer)
    {
        const WindowModel& shown = notice.shown;
        const TimerState& t = shown.timer(timer);
        ConfigError error = refusal(ConfigErrorCode::TimerOutOfRange);
        error.crystalHz = shown.crystalHz;
        error.message = notice.message;
        error.timer = timer;
        error.counter = TimerModeOf(shown, timer).counter;
        error.mode = TimerModeOf(shown, timer).mode;
        error.value = t.time;
        error.limit = notice.corrects.value;
        error.postscale = t.postscale;
        error.driftFree = shown.driftFree;
        error.chip = shown.chip;
        const TimerRequest request { timer, error.mode, error.counter, error.value, t.clock, shown.sixT,
            PrecisionOf(shown) };
        error.range = DescribeRangeError(shown.chip, shown.crystalHz, request, error.postscale);
        return error;
    }

    // Drift-free timing in modes 0 and 1 keeps only the counts for which the
    // routine adds to the running count in time.
    std::optional<ConfigError> outsideRunningAdd(const WindowModel& model)
    {
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            const WindowModel& m = model;
            const TimerState& t = m.timer(timer);
            const TimerRow* row = TimerOf(m.chip.row(), timer);
            if (!model.driftFree || !t.use || !t.run || row == nullptr || row->control != TimerControl::Tmod
                || TimerCountsIn(m.tmod, timer))
                continue;
            const int mode = TimerModeIn(m.tmod, timer);
            if (t.run->calculation.hardwareReload)
                continue;
            const std::uint64_t count = t.run->calculation.reload.count;
            if (DriftFreeKeeps(count, mode))
                continue;
            ConfigError error = refusal(ConfigErrorCode::DriftFreeOutOfRange);
            error.crystalHz = m.crystalHz;
            error.timer = timer;
            error.mode = mode;
            error.value = static_cast<std::uint32_t>(count);
            error.minCount = kMinRunningAddCycles;
            error.maxCount = MaxRunningAddCycles(mode);
            error.driftFree = true;
            return error;
        }
        return std::nullopt;
    }

    // The real rate further off than the configuration allows.
    std::optional<ConfigError> outsideBaudDeviation(const Configuration& config, const WindowModel& model)
    {
        const auto& most = config.maxBaudDeviationPercent;
        if (!most || !model.useUart || !BeyondTolerance(model.baudRun->baud, *most))
            return std::nullopt;
        ConfigError error = chipRefusal(ConfigErrorCode::BaudDeviationTooLarge, config);
        error.baud = model.baudRun->baud;
        error.rate = error.baud->rate;
        error.doubled = model.doubleBaud;
        error.deviationPercent = BaudDeviationPercent(*error.baud);
        error.maxDeviationPercent = *most;
        error.baudFixes = BaudFixesFor(model, *most);
        return error;
    }

    // The refusal for the first message a step raised.
    ConfigError refusalFor(const Notice& notice)
    {
        switch (notice.corrects.field) {
        case CorrectedField::Time:
            return timerRefusal(notice, notice.corrects.timer);
        case CorrectedField::Postscale:
            return timerFieldRefusal(ConfigErrorCode::PostscaleOutOfRange, notice.corrects.timer);
        case CorrectedField::BaudIndex:
            break;
        }
        const WindowModel& shown = notice.shown;
        const BaudRequest request = BaudRequestOf(shown);
        // A rate off the list is refused with the rates the source makes.
        const bool offTheList = request.rateIndex == kCustomBaudIndex;
        ConfigError error
            = refusal(offTheList ? ConfigErrorCode::BaudRateUnreachable : ConfigErrorCode::BaudRateDoesNotFit);
        error.crystalHz = shown.crystalHz;
        error.message = notice.message;
        error.rate = BaudRateAt(request.rateIndex, request.customRate);
        error.doubled = shown.doubleBaud;
        error.chip = shown.chip;
        error.uartTimer = shown.uartTimer;
        if (offTheList)
            error.reachable = ReachableBaudRates(shown.chip, shown.crystalHz, request);
        return error;
    }

    // The window driven step by step; the first message ends the drive.
    class Drive
    {
    public:
        WindowModel model;
        std::optional<ConfigError> error;

        // Runs one handler on the model with the user's change made by `change`.
        template <typename Change, typename Handler> void step(Change change, Handler handler)
        {
            if (error)
                return;
            change(model);
            Transition done = handler(model);
            if (!done.notices.empty())
                error = refusalFor(done.notices.front());
            model = std::move(done.model);
        }

        // The custom frequency as typed where it gives the crystal.
        void chooseCrystal(std::uint32_t hz, std::optional<float> typed)
        {
            for (int i = 0; i < int(kCrystals.size()) && !typed; ++i) {
                if (kCrystals[std::size_t(i)].hz == hz) {
                    step([i](WindowModel& m) { m.crystalIndex = i; }, [](WindowModel m) { return OnCrystalChange(m); });
                    return;
                }
            }
            const std::optional<float> mhz = typed && CustomMhzToHz(*typed) == hz ? typed : CustomMhzGiving(hz);
            if (!mhz) {
                error = refusal(ConfigErrorCode::CrystalNotReachable);
                error->crystalHz = hz;
                return;
            }
            step([](WindowModel& m) { m.crystalIndex = kCustomCrystalIndex; },
                [mhz](WindowModel m) { return OnCrystalChange(m, *mhz); });
        }

        // The use box, the mode list, GATE, the software count, and last the
        // period: what a range error reports is the period asked for. GATE
        // after the mode, as a counter's GATE is ticked in the window (the
        // mode list unticks it); timer 2 has none.
        void setTimer(int timer, const TimerConfig& c)
        {
            if (!c.enabled)
                return;
            const TimerRow* row = TimerOf(model.chip.row(), timer);
            const bool hasGate = row != nullptr && row->control == TimerControl::Tmod;
            step([&](WindowModel& m) { m.timer(timer).use = true; },
                [timer](WindowModel m) { return OnUseTimer(m, timer); });
            step([&](WindowModel& m) { m.timer(timer).modeIndex = c.mode + (c.counter ? 3 : 0); },
                [timer](WindowModel m) { return OnModeChange(m, timer); });
            step([&](WindowModel& m) { m.timer(timer).gate = c.gate && hasGate; },
                [timer](WindowModel m) { return OnGate(m, timer); });
            const std::uint32_t before = model.timer(timer).postscale;
            step([&](WindowModel& m) { m.timer(timer).postscale = c.postscale; },
                [timer, before](WindowModel m) { return OnPostscaleChange(m, timer, before); });
            step([&](WindowModel& m) { m.timer(timer).time = c.value; },
                [timer](WindowModel m) { return UpdateTimerReload(m, timer); });
        }

        // The chip first: it decides what the timers and the port compute.
        void setChip(const Configuration& c)
        {
            step([&](WindowModel& m) { m.chip = c.chip; }, [](WindowModel m) { return OnChipChange(m); });
            step([&](WindowModel& m) { m.sixT = c.sixT; }, [](WindowModel m) { return OnSixTChange(m); });
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (const auto& clock = c.timer(timer).clock) {
                    step([&](WindowModel& m) { m.timer(timer).clock = *clock; },
                        [timer](WindowModel m) { return OnTimerClockChange(m, timer); });
                }
            }
            step(
                [&](WindowModel& m) { m.uartTimer = c.uartTimer; }, [](WindowModel m) { return OnUartTimerChange(m); });
        }

        // The rate as the list stands when the box is ticked.
        void setSerialPort(const Configuration& config)
        {
            if (!config.uartBaudIndex)
                return;
            step(
                [&](WindowModel& m) {
                    m.useUart = true;
                    m.baudIndex = *config.uartBaudIndex;
                    m.customBaud = config.uartCustomBaud;
                },
                [](WindowModel m) { return OnUseUart(m); });
        }
    };

    WindowModel driven(const Configuration& config, Drive& drive)
    {
        drive.chooseCrystal(config.crystalHz, config.customMhz);
        drive.setChip(config);
        drive.step([&](WindowModel& m) { m.exact = config.precision == Precision::Exact; },
            [](WindowModel m) { return OnExactChange(m); });
        WindowModel& m = drive.model;
        m.driftFree = config.driftFree;
        m.comments = config.comments;
        m.vendorHeader = config.vendorHeader.value_or(std::string());
        m.useInt0 = config.int0.has_value();
        m.trigger0 = config.int0 == TriggerMode::Level ? 0 : 1;
        m.useInt1 = config.int1.has_value();
        m.trigger1 = config.int1 == TriggerMode::Level ? 0 : 1;
        // Both boxes keep their ticks while the serial port is off; the
        // doubling only where it reaches the port's timer, as a chip change
        // leaves it (with the port in use, outsideTheChip refused it).
        m.doubleBaud = config.uartDoubleBaud && SmodDoublesRate(m);
        m.uartInterrupt = config.uartInterrupt;
        for (int timer = 0; timer < kMaxTimers; ++timer)
            drive.setTimer(timer, config.timer(timer));
        drive.setSerialPort(config);
        return drive.model;
    }

    ResolvedConfiguration resolvedFrom(const WindowModel& model)
    {
        ResolvedConfiguration out;
        out.settings = SettingsFor(model);
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            const TimerState& t = model.timer(timer);
            if (!t.use)
                continue;
            out.reloadTexts.at(std::size_t(timer)) = t.reloadText;
            if (t.run)
                out.timers.at(std::size_t(timer)) = t.run->calculation;
        }
        if (model.useUart) {
            out.baudReloadText = model.baudReloadText;
            out.baudErrorText = model.baudErrorText;
            out.baud = model.baudRun->baud;
            out.baudFixes = BaudFixesFor(model);
        }
        return out;
    }

} // namespace

bool Timer1ClashesWithSerialPort(const Configuration& config)
{
    return config.timer(1).enabled && config.uartBaudIndex.has_value() && config.uartTimer != 2;
}

BaudSource BaudSourceFor(Chip chip, int uartTimer)
{
    const BaudSourceRow* source = BaudSourceOnTimer(chip.row(), uartTimer);
    if (source == nullptr)
        return uartTimer == 2 ? BaudSource::Timer2 : BaudSource::Timer1Mode2;
    return source->source;
}

ResolveResult ResolveConfiguration(const Configuration& config)
{
    if (auto error = outsideTheWindow(config, Purpose::Generate))
        return { std::nullopt, error };
    Drive drive;
    const WindowModel model = driven(config, drive);
    if (drive.error)
        return { std::nullopt, drive.error };
    if (auto error = outsideRunningAdd(model))
        return { std::nullopt, error };
    if (auto error = outsideBaudDeviation(config, model))
        return { std::nullopt, error };
    ResolvedConfiguration resolved = resolvedFrom(model);
    // The window has no box for it: the name goes straight to the generator.
    resolved.settings.vendorHeader = config.vendorHeader.value_or(std::string());
    return { std::move(resolved), std::nullopt };
}

ModelResult WindowModelFor(const Configuration& config)
{
    if (auto error = outsideTheWindow(config, Purpose::Window))
        return { std::nullopt, error };
    Drive drive;
    WindowModel model = driven(config, drive);
    if (drive.error)
        return { std::nullopt, drive.error };
    return { std::move(model), std::nullopt };
}

BaudTableResult BaudTableFor(const Configuration& config)
{
    // The chip's checks of a serial port, whatever rate it asks for.
    Configuration port = config;
    port.uartBaudIndex = port.uartBaudIndex.value_or(kDefaultBaudIndex);
    if (auto error = outsideTheWindow(port, Purpose::Generate))
        return { {}, {}, error };
    Drive drive;
    const WindowModel model = driven(config, drive);
    if (drive.error)
        return { {}, {}, drive.error };
    const BaudRequest request = BaudRequestOf(model);
    return { BaudTable(model.chip, model.crystalHz, request), request, std::nullopt };
}

} // namespace orlet
