// A user acting at random on the window's model: one action on an enabled
// control at a time, each through its handler.
#pragma once

#include "WindowModel.h"

#include <random>
#include <string>

namespace orlet::test {

constexpr std::uint32_t kPeriods[]
    = { 0, 1, 7, 255, 256, 300, 1000, 8192, 8193, 50000, 65536, 70000, 1000000, 4294967295u };
constexpr std::uint32_t kCounts[] = { 0, 1, 2, 16, 400, 65535, 65536, 4294967295u };
constexpr float kCustomMhz[] = { 3.6864f, 7.3728f, 14.7456f, 22.1184f, 1.0f, 100.0f, 55.0f, 12.0f };
constexpr std::uint32_t kTypedRates[] = { 31250, 250000, 100000, 9600, 1, 122, 62500, 500000, 4294967295u };

// Acts on every chip of the table, as the window's chip list offers them.
class Session
{
public:
    explicit Session(std::uint32_t seed)
        : m_rng(seed)
    {
    }

    // One user action on an enabled control; returns its name.
    std::string act()
    {
        for (;;) {
            const int roll = pick(22);
            if (std::string done = tryAction(roll); !done.empty())
                return done;
        }
    }

    const WindowModel& model() const { return m_model; }
    const Transition& last() const { return m_last; }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool coin() { return pick(2) == 1; }

    template <std::size_t N, typename T> T pickFrom(const T (&choices)[N]) { return choices[pick(int(N))]; }

    std::string run(const char* name, Transition done)
    {
        m_last = std::move(done);
        m_model = m_last.model;
        return name;
    }

    std::string tryAction(int roll)
    {
        WindowModel m = m_model;
        const ChipRow& profile = m.chip.row();
        const bool timer2 = profile.timers[2] != nullptr;
        const int t = pick(timer2 ? 3 : 2);
        TimerState& timer = m.timer(t);
        switch (roll) {
        case 0:
            if (m.useUart && t == m.uartTimer)
                return {};
            timer.use = !timer.use;
            return run("use timer", OnUseTimer(m, t));
        case 1:
            // GATE is ticked where the window enables it: in a timer mode,
            // and for timer 0 after a switch-off and on in a counter mode too.
            if (!timer.use || t == 2 || (ModeListEntryAt(timer.modeIndex).counter && (t == 1 || coin())))
                return {};
            timer.gate = !timer.gate;
            return run("GATE", OnGate(m, t));
        case 2:
            if (!timer.use)
                return {};
            timer.modeIndex = t == 2 ? 3 * pick(2) : pick(6);
            return run("mode", OnModeChange(m, t));
        case 3:
            if (!timer.use)
                return {};
            timer.time = pickFrom(kPeriods);
            return run("period", UpdateTimerReload(m, t));
        case 4: {
            if (!timer.use)
                return {};
            const std::uint32_t before = timer.postscale;
            timer.postscale = pickFrom(kCounts);
            return run("software count", OnPostscaleChange(m, t, before));
        }
        case 5:
            m.crystalIndex = pick(kCustomCrystalIndex + 1);
            return run("crystal", OnCrystalChange(m, pickFrom(kCustomMhz)));
        case 6:
            m.useUart = !m.useUart;
            return run("use serial port", OnUseUart(m));
        case 7:
            if (!m.useUart)
                return {};
            m.baudIndex = pick(int(kBaudRates.size()));
            return run("baud list", UpdateBaudReload(m));
        case 8:
            if (!m.useUart || !SmodDoublesRate(m))
                return {};
            m.doubleBaud = !m.doubleBaud;
            return run("doubling", OnDoubleBaud(m));
        case 9:
            m.exact = !m.exact;
            return run("exact", OnExactChange(m));
        case 10:
            (t == 0 ? m.useInt0 : m.useInt1) = coin();
            (t == 0 ? m.trigger0 : m.trigger1) = pick(3) - 1; // -1: text typed over the list
            return run("interrupt", { m, {} });
        case 11:
            m.comments = coin();
            return run("comments", { m, {} });
        case 12:
            if (!m.useUart)
                return {};
            m.uartInterrupt = !m.uartInterrupt;
            return run("serial interrupt", { m, {} });
        case 13:
            m.driftFree = !m.driftFree;
            return run("drift-free", OnDriftFreeChange(m));
        case 14:
            m.chip = Chip(ChipRows()[std::size_t(pick(int(ChipRows().size())))]);
            return run("chip", OnChipChange(m));
        case 15:
            if (!profile.offersSixT)
                return {};
            m.sixT = !m.sixT;
            return run("6T", OnSixTChange(m));
        case 16: {
            if (TimerOf(profile, t) == nullptr || TimerOf(profile, t)->clocks.size() < 2)
                return {};
            std::uint32_t& clock = m.timer(t).clock;
            clock = clock == 1 ? 12 : 1;
            return run("1T", OnTimerClockChange(m, t));
        }
        case 17:
            if (!timer2 || !m.useUart)
                return {};
            m.uartTimer = 3 - m.uartTimer;
            return run("serial port's timer", OnUartTimerChange(m));
        case 18: {
            const std::uint32_t rate = pickFrom(kTypedRates);
            if (!m.useUart || BaudRateRefusal(m, rate))
                return {};
            return run("typed rate", OnCustomBaud(m, rate));
        }
        case 19: {
            const std::vector<BaudFix> fixes = BaudFixesFor(m);
            if (fixes.empty())
                return {};
            return run("baud fix", ApplyBaudFix(m, fixes[std::size_t(pick(int(fixes.size())))]));
        }
        default:
            return run("recalculate", Recalculate(m));
        }
    }

    std::mt19937 m_rng;
    WindowModel m_model;
    Transition m_last;
};

// The generator's record with what settings cannot carry made equal: timer
// 0 keeps its TMOD bits when switched off (TMOD prints them; they do
// nothing), a switched-off timer or serial port its last bytes.
inline GeneratorSettings printed(GeneratorSettings s)
{
    const bool uartOnTimer2 = s.uartEnabled && s.uartSource == BaudSource::Timer2;
    if (!s.timer(0).enabled)
        s.tmod &= 0xF0;
    if (!s.timer(1).enabled && (!s.uartEnabled || uartOnTimer2))
        s.timer(1).th = s.timer(1).tl = 0xFF;
    if (!s.timer(2).enabled && !uartOnTimer2)
        s.timer(2).th = s.timer(2).tl = 0xFF;
    return s;
}

} // namespace orlet::test
