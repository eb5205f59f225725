#include "Configuration.h"

#include "RoutineTiming.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "Tmod.h"

#include <cstdio>
#include <string>

namespace orlet {

namespace {

    std::uint8_t withTimer(std::uint8_t tmod, int index, const TimerConfig& timer)
    {
        if (!timer.enabled)
            return tmod;
        tmod = WithTimerMode(tmod, index, timer.counter, timer.mode);
        return WithTimerGate(tmod, index, timer.gate && !timer.counter);
    }

    std::string splitFlags(int timer, int mode, const PostscaleSplit& split)
    {
        const std::string t = std::to_string(timer);
        return "--timer" + t + " " + std::to_string(split.mode < 0 ? mode : split.mode) + ":"
            + std::to_string(split.periodUs) + " --postscale" + t + " " + std::to_string(split.postscale);
    }

    std::string splitCost(const PostscaleSplit& split, int mode, std::uint32_t crystalHz, bool driftFree)
    {
        const SplitCost cost = CostOf(split, mode, crystalHz, driftFree);
        char text[96];
        std::snprintf(
            text, sizeof text, "%.4g interrupts/s, about %.2f%% of the CPU", cost.interruptsPerSecond, cost.cpuPercent);
        return text;
    }

    // "; use --timer0 2:250 --postscale0 4000 (…) or --timer0 1:62500
    // --postscale0 16 (…)" for a period the software counter can reach: the
    // split the hardware reload keeps exact first, with what each costs.
    std::string splitHint(int timer, const TimerConfig& config, const Configuration& whole)
    {
        if (config.counter)
            return {};
        const TimerTiming timing = ComputeTimerTiming(
            whole.crystalHz, config.mode, false, config.value, whole.precision, config.postscale, whole.driftFree);
        const auto& hardware = timing.hardwareSplit;
        const auto& other = timing.split;
        std::string hint;
        if (hardware) {
            hint = "; use " + splitFlags(timer, config.mode, *hardware)
                + " (exact with the hardware reload: " + std::to_string(hardware->cycles) + " x "
                + std::to_string(hardware->postscale) + " = " + std::to_string(hardware->cycles * hardware->postscale)
                + " cycles; " + splitCost(*hardware, config.mode, whole.crystalHz, whole.driftFree) + ")";
        }
        const bool same = hardware && other && config.mode == 2 && hardware->periodUs == other->periodUs
            && hardware->postscale == other->postscale;
        if (other && !same) {
            hint += (hint.empty() ? "; use " : " or ") + splitFlags(timer, config.mode, *other) + " ("
                + splitCost(*other, config.mode, whole.crystalHz, whole.driftFree) + ")";
        }
        return hint;
    }

    std::string timerError(int timer, const TimerConfig& config, const TimerReload& reload, const Configuration& whole)
    {
        const std::string kind = config.counter ? "counter" : "timer";
        const std::string unit = config.counter ? " pulses" : " us";
        return reload.message + ": " + kind + std::to_string(timer) + " mode " + std::to_string(config.mode)
            + " accepts at most " + std::to_string(reload.corrected) + unit + ", got " + std::to_string(config.value)
            + splitHint(timer, config, whole);
    }

    bool validTimer(const TimerConfig& timer)
    {
        return timer.mode >= 0 && timer.mode <= 2;
    }

    bool outsideRunningAdd(const TimerConfig& timer, const TimerReload& reload, bool driftFree)
    {
        return driftFree && !timer.counter && timer.mode != 2
            && (reload.count < kMinRunningAddCycles || reload.count > MaxRunningAddCycles(timer.mode));
    }

    bool validPostscale(const TimerConfig& timer)
    {
        return timer.postscale >= 1 && timer.postscale <= kMaxPostscale;
    }

} // namespace

std::uint8_t TmodFor(const TimerConfig& timer0, const TimerConfig& timer1)
{
    return withTimer(withTimer(0, 0, timer0), 1, timer1);
}

bool Timer1ClashesWithSerialPort(const Configuration& config)
{
    return config.timer1.enabled && config.uartBaudIndex.has_value();
}

ResolveResult ResolveConfiguration(const Configuration& config)
{
    if (config.crystalHz < 1000000 || config.crystalHz > 100000000)
        return { std::nullopt, "the crystal must be from 1 to 100 MHz" };
    if (!validTimer(config.timer0) || !validTimer(config.timer1))
        return { std::nullopt, "timer modes are 0, 1 and 2" };
    if (!validPostscale(config.timer0) || !validPostscale(config.timer1))
        return { std::nullopt, "a postscale is from 1 to 65535" };
    if (Timer1ClashesWithSerialPort(config))
        return { std::nullopt, "timer 1 is the baud-rate generator while the serial port is in use" };
    if (config.uartBaudIndex && (*config.uartBaudIndex < 0 || *config.uartBaudIndex >= int(kBaudRates.size())))
        return { std::nullopt, "unknown baud rate" };

    ResolvedConfiguration out;
    GeneratorSettings& s = out.settings;
    s.comments = config.comments;
    s.int0Enabled = config.int0.has_value();
    s.int0Trigger = config.int0.value_or(TriggerMode::FallingEdge);
    s.int1Enabled = config.int1.has_value();
    s.int1Trigger = config.int1.value_or(TriggerMode::FallingEdge);
    s.timer0Enabled = config.timer0.enabled;
    s.timer1Enabled = config.timer1.enabled;
    s.uartEnabled = config.uartBaudIndex.has_value();
    s.uartDoubleBaud = config.uartDoubleBaud;
    s.uartInterrupt = config.uartInterrupt;
    s.tmod = TmodFor(config.timer0, config.timer1);
    s.driftFree = config.driftFree;
    if (config.timer0.enabled)
        s.postscale0 = static_cast<std::uint16_t>(config.timer0.postscale);
    if (config.timer1.enabled)
        s.postscale1 = static_cast<std::uint16_t>(config.timer1.postscale);

    const TimerConfig* timers[] = { &config.timer0, &config.timer1 };
    std::uint8_t* bytes[][2] = { { &s.th0, &s.tl0 }, { &s.th1, &s.tl1 } };
    std::string* texts[] = { &out.reload0Text, &out.reload1Text };
    for (int t = 0; t < 2; ++t) {
        const TimerConfig& timer = *timers[t];
        if (!timer.enabled)
            continue;
        const TimerReload reload
            = ComputeTimerReload(config.crystalHz, timer.mode, timer.counter, timer.value, config.precision);
        if (!reload.inRange)
            return { std::nullopt, timerError(t, timer, reload, config) };
        if (outsideRunningAdd(timer, reload, config.driftFree)) {
            return { std::nullopt,
                "timer" + std::to_string(t) + " mode " + std::to_string(timer.mode) + " counts "
                    + std::to_string(reload.count) + " cycles; drift-free timing takes "
                    + std::to_string(kMinRunningAddCycles) + " to " + std::to_string(MaxRunningAddCycles(timer.mode))
                    + " in this mode" };
        }
        *bytes[t][0] = reload.th;
        *bytes[t][1] = reload.tl;
        *texts[t] = FormatReloadText(reload.th, reload.tl);
        out.timers[std::size_t(t)] = reload;
    }

    if (config.uartBaudIndex) {
        const BaudReload baud
            = ComputeBaudReload(config.crystalHz, *config.uartBaudIndex, config.uartDoubleBaud, config.precision);
        if (!baud.message.empty()) {
            return { std::nullopt,
                baud.message + ": " + std::to_string(kBaudRates[std::size_t(*config.uartBaudIndex)])
                    + " bit/s does not fit this crystal"
                    + (config.uartDoubleBaud ? " with doubling" : " without doubling") };
        }
        s.th1 = s.tl1 = baud.reload;
        out.baudReloadText = baud.reloadText;
        out.baudErrorText = baud.errorText;
        out.baud = baud;
    }
    return { std::move(out), {} };
}

} // namespace orlet
