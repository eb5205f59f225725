// Long random runs of the window's handlers on the model: whatever the model
// holds must hang together, and once every block in use has been calculated
// from what it shows, it must hold what orlet-gen's path gives for the
// same settings.
#include "Configuration.h"
#include "Tmod.h"
#include "WindowModel.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

using namespace orlet;

namespace {

constexpr std::uint32_t kPeriods[]
    = { 0, 1, 7, 255, 256, 300, 1000, 8192, 8193, 50000, 65536, 70000, 1000000, 4294967295u };
constexpr std::uint32_t kCounts[] = { 0, 1, 2, 16, 400, 65535, 65536, 4294967295u };
constexpr float kCustomMhz[] = { 3.6864f, 7.3728f, 14.7456f, 22.1184f, 1.0f, 100.0f, 55.0f, 12.0f };
constexpr std::uint32_t kTypedRates[] = { 31250, 250000, 100000, 9600, 1, 122, 62500, 500000, 4294967295u };

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

// The serial reload the model holds: timer 2's bytes where timer 2 makes
// the rate, timer 1's otherwise.
std::pair<std::uint8_t, std::uint8_t> serialBytes(const WindowModel& m)
{
    if (m.chip != Chip() && m.uartTimer == 2)
        return { m.timer(2).th, m.timer(2).tl };
    return { m.timer(1).th, m.timer(1).tl };
}

// What the serial port's last calculation put there.
std::pair<std::uint8_t, std::uint8_t> lastSerialReload(const BaudRun& run)
{
    return { run.baud.high, run.baud.low };
}

// What must hold after every action; empty when it does.
std::string problemIn(const WindowModel& m)
{
    for (int t = 0; t < 3; ++t) {
        const TimerState& timer = m.timer(t);
        const ModeListEntry entry = ModeListEntryAt(timer.modeIndex);
        if (t < 2 && (TimerModeIn(m.tmod, t) != entry.mode || TimerCountsIn(m.tmod, t) != entry.counter))
            return "the TMOD bits of timer " + std::to_string(t) + " are not its list's";
        if (t < 2 && WithTimerGate(m.tmod, t, timer.gate) != m.tmod)
            return "the GATE bit of timer " + std::to_string(t) + " is not its box's";
        if (timer.unit != (entry.counter ? "plus" : "us"))
            return "timer " + std::to_string(t) + " shows " + timer.unit;
        if (timer.postscale < 1 || timer.postscale > kMaxPostscale)
            return "a software count out of range";
        if (timer.run && timer.reloadText != FormatReloadText(timer.th, timer.tl))
            return "display " + timer.reloadText + " for other bytes";
        // Off the 8051 the bytes are those of the value shown, a corrected one included.
        if (m.chip != Chip() && timer.run
            && (!timer.run->calculation.reload.inRange || timer.run->request.value != timer.time))
            return "timer " + std::to_string(t) + " holds the bytes of another value than its box's";
    }
    if (m.useUart) {
        if ((m.uartTimer == 2 ? m.timer(2).use : m.timer(1).use))
            return "timer " + std::to_string(m.uartTimer) + " in use with the serial port it clocks";
        if (!m.baudRun || serialBytes(m) != lastSerialReload(*m.baudRun) || m.baudIndex != m.baudRun->baud.rateIndex)
            return "the serial reload is not the last calculation's";
    }
    if (m.chip.row().timers[2] == nullptr && (m.timer(2).use || m.uartTimer != 1))
        return "timer 2 in use on a chip without it";
    if (m.crystalHz < 1000000 || m.crystalHz > 100000000)
        return "a crystal out of range";
    return {};
}

// The generator's record with what it never prints made equal: timer 0
// keeps its TMOD bits when switched off, the serial port its reload.
GeneratorSettings printed(GeneratorSettings s)
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

std::string differenceFromOrletGen(const WindowModel& m)
{
    const ResolveResult resolved = ResolveConfiguration(ConfigurationOf(m));
    // Generate refuses what drift-free timing cannot keep, as orlet-gen does.
    const std::optional<Message> refusal = DriftFreeRefusal(m);
    if (!resolved.resolved) {
        const ConfigError& e = *resolved.error;
        const bool same = refusal
            && ((e.code == ConfigErrorCode::DriftFreeOutOfRange && refusal->code == MessageCode::DriftFreeOutOfRange
                    && refusal->mode == e.mode)
                || (e.code == ConfigErrorCode::DriftFreeNeedsHardwareReload
                    && refusal->code == MessageCode::DriftFreeNeedsHardwareReload));
        return same ? std::string() : "orlet-gen refuses what the window holds";
    }
    if (refusal)
        return "the window refuses to generate what orlet-gen writes";
    const ResolvedConfiguration& r = *resolved.resolved;
    for (Dialect dialect : { Dialect::Keil, Dialect::Sdcc }) {
        if (BuildSourceText(printed(SettingsFor(m)), dialect) != BuildSourceText(printed(r.settings), dialect))
            return "the window and orlet-gen write different texts";
    }
    if ((m.timer(0).use && r.reloadTexts[0] != m.timer(0).reloadText)
        || (m.timer(1).use && r.reloadTexts[1] != m.timer(1).reloadText)
        || (m.timer(2).use && r.reloadTexts[2] != m.timer(2).reloadText))
        return "the reload displays differ from orlet-gen's";
    if (m.useUart && (r.baudReloadText != m.baudReloadText || r.baudErrorText != m.baudErrorText))
        return "the serial displays differ from orlet-gen's";
    if (r.baudFixes != BaudFixesFor(m))
        return "the window and orlet-gen offer different fixes for the serial port";
    return {};
}

// The messages of one action correct what they say they correct.
std::string correctionProblem(const Transition& done)
{
    for (const Notice& notice : done.notices) {
        if (MessageText(notice.message).empty())
            return "a message without a text";
        const std::uint32_t value = notice.corrects.value;
        const WindowModel& m = done.model;
        const TimerState& timer = m.timer(notice.corrects.timer);
        const std::uint32_t now = notice.corrects.field == CorrectedField::Time ? timer.time
            : notice.corrects.field == CorrectedField::Postscale                ? timer.postscale
                                                                                : std::uint32_t(m.baudIndex);
        if (now != value)
            return "a message corrected a value to " + std::to_string(value) + ", which reads " + std::to_string(now);
    }
    return {};
}

struct SessionResult {
    std::string problem; // with the last actions, when there is one
    int compared = 0; // steps on which the model was compared with orlet-gen
};

SessionResult runSession(std::uint32_t seed, int steps)
{
    Session session(seed);
    std::vector<std::string> done;
    SessionResult result;
    for (int step = 0; step < steps; ++step) {
        done.push_back(session.act());
        std::string problem = problemIn(session.model());
        if (problem.empty())
            problem = correctionProblem(session.last());
        if (problem.empty() && IsSettled(session.model())) {
            ++result.compared;
            problem = differenceFromOrletGen(session.model());
        }
        if (!problem.empty()) {
            std::ostringstream out;
            out << "seed " << seed << ", step " << step << ": " << problem << "\nlast actions:";
            for (std::size_t i = done.size() > 12 ? done.size() - 12 : 0; i < done.size(); ++i)
                out << "\n  " << done[i];
            result.problem = out.str();
            return result;
        }
    }
    return result;
}

} // namespace

TEST(WindowSession, RandomSessionsAgreeWithOrletGen)
{
    constexpr int kSessions = 100;
    constexpr int kSteps = 1000;
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= kSessions; ++seed) {
        const SessionResult result = runSession(seed, kSteps);
        ASSERT_TRUE(result.problem.empty()) << result.problem;
        compared += result.compared;
    }
    // The comparison must not be a rare event.
    EXPECT_GT(compared, kSessions * kSteps / 4);
}
