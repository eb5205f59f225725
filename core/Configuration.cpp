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

    // What the window cannot even be asked for.
    std::optional<ConfigError> outsideTheWindow(const Configuration& config)
    {
        if (config.crystalHz < 1000000 || config.crystalHz > 100000000)
            return refusal(ConfigErrorCode::CrystalOutOfRange);
        if (!validTimer(config.timer0) || !validTimer(config.timer1))
            return refusal(ConfigErrorCode::TimerModeUnknown);
        if (!validPostscale(config.timer0) || !validPostscale(config.timer1))
            return refusal(ConfigErrorCode::PostscaleOutOfRange);
        if (Timer1ClashesWithSerialPort(config))
            return refusal(ConfigErrorCode::Timer1WithSerialPort);
        if (config.uartBaudIndex && (*config.uartBaudIndex < 0 || *config.uartBaudIndex >= int(kBaudRates.size())))
            return refusal(ConfigErrorCode::BaudRateUnknown);
        return std::nullopt;
    }

    ConfigError timerRefusal(const Notice& notice, int timer)
    {
        WindowModel shown = notice.shown;
        const TimerMembers t = MembersOf(shown, timer);
        ConfigError error = refusal(ConfigErrorCode::TimerOutOfRange);
        error.crystalHz = shown.crystalHz;
        error.message = notice.message;
        error.timer = timer;
        error.counter = TimerCountsIn(shown.tmod, timer);
        error.mode = TimerModeIn(shown.tmod, timer);
        error.value = t.time;
        error.limit = notice.corrects.value;
        error.postscale = t.postscale;
        error.driftFree = shown.driftFree;
        if (!error.counter) {
            const TimerTiming timing = ComputeTimerTiming(
                shown.crystalHz, error.mode, false, error.value, PrecisionOf(shown), error.postscale, shown.driftFree);
            error.split = timing.split;
            error.hardwareSplit = timing.hardwareSplit;
        }
        return error;
    }

    // Drift-free timing in modes 0 and 1 keeps only the counts for which the
    // routine adds to the running count in time.
    std::optional<ConfigError> outsideRunningAdd(const WindowModel& model)
    {
        for (int timer = 0; timer < 2; ++timer) {
            WindowModel m = model;
            const TimerMembers t = MembersOf(m, timer);
            if (!model.driftFree || !t.use || !t.run || TimerCountsIn(m.tmod, timer))
                continue;
            const int mode = TimerModeIn(m.tmod, timer);
            const std::uint64_t count = t.run->reload.count;
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

    // The refusal for the first message a step raised.
    ConfigError refusalFor(const Notice& notice)
    {
        switch (notice.corrects.field) {
        case CorrectedField::Time0:
            return timerRefusal(notice, 0);
        case CorrectedField::Time1:
            return timerRefusal(notice, 1);
        case CorrectedField::Postscale0:
        case CorrectedField::Postscale1:
            return refusal(ConfigErrorCode::PostscaleOutOfRange);
        case CorrectedField::BaudIndex:
            break;
        }
        ConfigError error = refusal(ConfigErrorCode::BaudRateDoesNotFit);
        error.crystalHz = notice.shown.crystalHz;
        error.message = notice.message;
        error.rate = kBaudRates.at(static_cast<std::size_t>(notice.shown.baudIndex));
        error.doubled = notice.shown.doubleBaud;
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

        void chooseCrystal(std::uint32_t hz)
        {
            for (int i = 0; i < int(kCrystals.size()); ++i) {
                if (kCrystals[std::size_t(i)].hz == hz) {
                    step([i](WindowModel& m) { m.crystalIndex = i; }, [](WindowModel m) { return OnCrystalChange(m); });
                    return;
                }
            }
            const std::optional<float> mhz = CustomMhzGiving(hz);
            if (!mhz) {
                error = refusal(ConfigErrorCode::CrystalNotReachable);
                error->crystalHz = hz;
                return;
            }
            step([](WindowModel& m) { m.crystalIndex = kCustomCrystalIndex; },
                [mhz](WindowModel m) { return OnCrystalChange(m, *mhz); });
        }

        // The use box, GATE, the mode list, the software count, and last the
        // period: what a range error reports is the period asked for.
        void setTimer(int timer, const TimerConfig& c)
        {
            if (!c.enabled)
                return;
            const auto members = [timer](WindowModel& m) { return MembersOf(m, timer); };
            step([&](WindowModel& m) { members(m).use = true; },
                [timer](WindowModel m) { return OnUseTimer(m, timer); });
            step([&](WindowModel& m) { members(m).gate = c.gate && !c.counter; },
                [timer](WindowModel m) { return OnGate(m, timer); });
            step([&](WindowModel& m) { members(m).modeIndex = c.mode + (c.counter ? 3 : 0); },
                [timer](WindowModel m) { return OnModeChange(m, timer); });
            const std::uint32_t before = members(model).postscale;
            step([&](WindowModel& m) { members(m).postscale = c.postscale; },
                [timer, before](WindowModel m) { return OnPostscaleChange(m, timer, before); });
            step([&](WindowModel& m) { members(m).time = c.value; },
                [timer](WindowModel m) { return UpdateTimerReload(m, timer); });
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
                },
                [](WindowModel m) { return OnUseUart(m); });
        }
    };

    WindowModel driven(const Configuration& config, Drive& drive)
    {
        drive.chooseCrystal(config.crystalHz);
        drive.step([&](WindowModel& m) { m.exact = config.precision == Precision::Exact; },
            [](WindowModel m) { return OnExactChange(m); });
        WindowModel& m = drive.model;
        m.driftFree = config.driftFree;
        m.comments = config.comments;
        m.useInt0 = config.int0.has_value();
        m.trigger0 = config.int0 == TriggerMode::Level ? 0 : 1;
        m.useInt1 = config.int1.has_value();
        m.trigger1 = config.int1 == TriggerMode::Level ? 0 : 1;
        // Both boxes keep their ticks while the serial port is off.
        m.doubleBaud = config.uartDoubleBaud;
        m.uartInterrupt = config.uartInterrupt;
        drive.setTimer(0, config.timer0);
        drive.setTimer(1, config.timer1);
        drive.setSerialPort(config);
        return drive.model;
    }

    ResolvedConfiguration resolvedFrom(const WindowModel& model)
    {
        ResolvedConfiguration out;
        out.settings = SettingsFor(model);
        if (model.useTimer0) {
            out.reload0Text = model.reload0Text;
            out.timers[0] = model.timerRuns[0]->reload;
        }
        if (model.useTimer1) {
            out.reload1Text = model.reload1Text;
            out.timers[1] = model.timerRuns[1]->reload;
        }
        if (model.useUart) {
            out.baudReloadText = model.baudReloadText;
            out.baudErrorText = model.baudErrorText;
            out.baud = model.baudRun->baud;
        }
        return out;
    }

} // namespace

bool Timer1ClashesWithSerialPort(const Configuration& config)
{
    return config.timer1.enabled && config.uartBaudIndex.has_value();
}

ResolveResult ResolveConfiguration(const Configuration& config)
{
    if (auto error = outsideTheWindow(config))
        return { std::nullopt, error };
    Drive drive;
    const WindowModel model = driven(config, drive);
    if (drive.error)
        return { std::nullopt, drive.error };
    if (auto error = outsideRunningAdd(model))
        return { std::nullopt, error };
    return { resolvedFrom(model), std::nullopt };
}

} // namespace orlet
