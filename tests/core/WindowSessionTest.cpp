// Long random runs of the window's handlers on the model: whatever the model
// holds must hang together, and once every block in use has been calculated
// from what it shows, it must hold what orlet-gen's path gives for the
// same settings.
#include "Configuration.h"
#include "RandomSession.h"
#include "Tmod.h"
#include "WindowModel.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

using namespace orlet;
using orlet::test::printed;
using orlet::test::Session;

namespace {

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
