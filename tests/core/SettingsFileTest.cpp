#include "SettingsFile.h"
#include "RandomSession.h"
#include "WindowView.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace orlet;
using orlet::test::printed;
using orlet::test::Session;

namespace {

// The table's chips as a refusal lists them.
std::string chipKeys()
{
    std::string keys;
    for (const ChipRow& row : ChipRows())
        keys += (keys.empty() ? "" : "、") + std::string(row.key);
    return keys;
}

std::string file(const std::string& members)
{
    return "{\"orlet\": 1" + (members.empty() ? std::string() : ", " + members) + "}";
}

// What a user sees of the settings: the controls of what is in use. A
// switched-off block keeps what the user left in it, which no setting says.
bool shownAsSetting(const WindowModel& m, Control c)
{
    const int first = int(Control::TimerBlocks);
    if (int(c) >= first) {
        const int timer = (int(c) - first) / kTimerParts;
        const auto part = TimerPart((int(c) - first) % kTimerParts);
        return part == TimerPart::Use || part == TimerPart::Clock || m.timer(timer).use;
    }
    switch (c) {
    case Control::Int0Trigger:
        return m.useInt0;
    case Control::Int1Trigger:
        return m.useInt1;
    case Control::BaudList:
    case Control::BaudReload:
    case Control::BaudError:
        return m.useUart;
    default:
        return true;
    }
}

// What the window shows of a setting as it opens it: text typed over a
// trigger list is a falling edge, a custom frequency of a listed crystal
// the listed one, a GATE box is set after its mode (GATE0 ticked again
// beside a counter mode would be enabled), and the baud list keeps no rate
// typed before.
WindowModel asOpened(WindowModel m)
{
    m.trigger0 = m.trigger0 == 0 ? 0 : 1;
    m.trigger1 = m.trigger1 == 0 ? 0 : 1;
    for (TimerState& t : m.timers)
        t.gateEnabled = !ModeListEntryAt(t.modeIndex).counter;
    // A rate typed and then left for a listed one is the list's memory.
    if (m.baudIndex != kCustomBaudIndex)
        m.customBaud = 0;
    if (m.crystalIndex == kCustomCrystalIndex) {
        for (int i = 0; i < int(kCrystals.size()); ++i) {
            if (CrystalMhzText(m.crystalHz, m.customMhz) == kCrystals[std::size_t(i)].text) {
                m.crystalIndex = i;
                m.customMhzText.clear();
            }
        }
    }
    return m;
}

std::string viewDifference(const WindowModel& saved, const WindowModel& opened)
{
    const WindowView before = ViewOf(asOpened(saved));
    const WindowView after = ViewOf(opened);
    for (int c = 0; c < int(Control::Count); ++c) {
        const ControlView& a = before[Control(c)];
        const ControlView& b = after[Control(c)];
        if (a.visible != b.visible || !a.visible)
            continue;
        if (a.enabled != b.enabled
            || (shownAsSetting(saved, Control(c))
                && (a.checked != b.checked || a.text != b.text || a.items != b.items || a.index != b.index
                    || a.tooltip != b.tooltip)))
            return "control " + std::to_string(c) + " shows \"" + a.text + "\" " + std::to_string(a.enabled)
                + std::to_string(a.checked.value_or(false)) + " " + std::to_string(a.index) + ", opened \"" + b.text
                + "\" " + std::to_string(b.enabled) + std::to_string(b.checked.value_or(false)) + " "
                + std::to_string(b.index);
    }
    return {};
}

// Saved, opened, and saved again: the same file, the same text and what
// the user sees of the settings.
std::string roundTripProblem(const WindowModel& m)
{
    const std::string text = WriteSettingsFile(SettingsFileOf(m));
    const SettingsRead read = ReadSettingsFile(text);
    if (!read.model)
        return "refused: " + SettingsErrorText(*read.error) + "\n" + text;
    WindowModel opened = *read.model;
    opened.copy = m.copy; // the window's own, not a setting
    if (WriteSettingsFile(SettingsFileOf(opened)) != text)
        return "saved again differently:\n" + text;
    const SettingsRead fromFragment = ReadSettingsFragment(SettingsFragment(*read.settings));
    if (!fromFragment.settings || WriteSettingsFile(*fromFragment.settings) != text)
        return "another file through the fragment " + SettingsFragment(*read.settings) + ":\n" + text;
    for (Dialect dialect : { m.dialect, Dialect::Keil }) {
        if (BuildSourceText(printed(SettingsFor(m)), dialect) != BuildSourceText(printed(SettingsFor(opened)), dialect))
            return "another text:\n" + text;
    }
    if (std::string difference = viewDifference(m, opened); !difference.empty())
        return difference + "\n" + text;
    return {};
}

// Every block in use computed from what it shows, no range message's hint
// left on a line: what a user saves.
bool atRest(const WindowModel& m)
{
    for (const TimerState& t : m.timers) {
        if (t.run && t.run->refused)
            return false;
    }
    return IsSettled(m);
}

} // namespace

TEST(SettingsFile, RandomModelsSavedAndOpenedShowTheSameAndWriteTheSameText)
{
    constexpr int kModels = 1000;
    int compared = 0;
    std::set<std::string_view> chips;
    for (std::uint32_t seed = 1; compared < kModels; ++seed) {
        Session session(seed);
        for (int step = 1; step <= 400 && compared < kModels; ++step) {
            const std::string action = session.act();
            if (step % 20 != 0 || !atRest(session.model()))
                continue;
            WindowModel m = session.model();
            m.dialect = seed % 2 == 0 ? Dialect::Sdcc : Dialect::Keil;
            // No action of the session names a header; one Generate refuses among them.
            const char* headers[] = { "", "STC15.H", "厂商/stc8h.h", "a<b>.h" };
            m.vendorHeader = headers[(seed + std::uint32_t(step)) % 4];
            const std::string problem = roundTripProblem(m);
            ASSERT_TRUE(problem.empty()) << "seed " << seed << ", step " << step << " (" << action << "): " << problem;
            ++compared;
            chips.insert(m.chip.key());
        }
    }
    EXPECT_EQ(chips.size(), ChipRows().size());
}

TEST(SettingsFile, RefusalsNameTheKey)
{
    struct Case {
        std::string text;
        SettingsFault fault;
        std::string shown;
    } cases[] = {
        { "{\n  \"orlet\": 1,\n  chip: \"8052\"\n}", SettingsFault::NotJson, "不是 JSON 文件：第 3 行第 3 列有误。" },
        { "", SettingsFault::NotJson, "不是 JSON 文件：第 1 行第 1 列有误。" },
        { "[1]", SettingsFault::WrongType, "文件应为一个对象（{…}）。" },
        { "{\"chip\": \"8052\"}", SettingsFault::NotSettings, "不是 Orlet 的设置文件：没有 “orlet” 项。" },
        { "{\"orlet\": 2, \"new\": {}}", SettingsFault::NewerFormat,
            "此文件由较新版本的 Orlet 写成（格式 2），本程序只能读格式 1。" },
        { file("\"exact\": \"yes\""), SettingsFault::WrongType, "“exact” 应为 true 或 false。" },
        { file("\"timer0\": {\"mode\": 1, \"us\": 1.5}"), SettingsFault::WrongType,
            "“timer0.us” 应为 0 到 4294967295 的整数。" },
        { file("\"uart\": -9600"), SettingsFault::OutOfRange,
            "“uart” 的值 -9600 超出范围，应为 0 到 4294967295 的整数。" },
        { file("\"crystal\": \"0.5\""), SettingsFault::OutOfRange,
            "“crystal” 的值 \"0.5\" 超出范围，应为 1 到 100 之间的兆赫数，写成文字，如 \"11.0592\"。" },
        { file("\"chip\": \"8086\""), SettingsFault::UnknownValue,
            "“chip” 不能是 \"8086\"，可用：" + chipKeys() + "。" },
        { file("\"int0\": \"rising\""), SettingsFault::UnknownValue,
            "“int0” 不能是 \"rising\"，可用：level、falling。" },
        { file("\"uart\": 0"), SettingsFault::Refused, "“uart”：波特率不在列表中。" },
        { file("\"timer0\": {\"mode\": 1, \"period\": 1000}"), SettingsFault::UnknownKey,
            "没有 “timer0.period” 这一项。可用的项：mode、us、gate、postscale。" },
        { file("\"exact\": true, \"exact\": false"), SettingsFault::DuplicateKey, "“exact” 出现了两次。" },
        { file("\"counter1\": {\"mode\": 2}"), SettingsFault::MissingKey, "缺少 “counter1.pulses”。" },
        { file("\"timer1\": {\"mode\": 1, \"us\": 1}, \"counter1\": {\"mode\": 1, \"pulses\": 1}"),
            SettingsFault::Exclusive, "“timer1” 和 “counter1” 不能同时使用。" },
        // The window's rules, with its own messages where it has them.
        { file("\"timer0\": {\"mode\": 1, \"us\": 70000}"), SettingsFault::Refused,
            "“timer0.us”：定时时间超出16位范围（最多 65536，文件中为 70000）。" },
        { file("\"counter1\": {\"mode\": 1, \"pulses\": 1, \"postscale\": 0}"), SettingsFault::Refused,
            "“counter1.postscale”：软件计数应在1~65535之间。" },
        { file("\"crystal\": \"24\", \"uart\": 300, \"double-baud\": true"), SettingsFault::Refused,
            "“uart”：波特率太低（300bps 不适合此晶振）。" },
        { file("\"timer2\": {\"us\": 1000}"), SettingsFault::Refused, "“timer2”：8051 没有定时器2。" },
        { file("\"chip\": \"8052\", \"uart-timer\": 4"), SettingsFault::Refused, "“uart-timer”：8052 没有定时器4。" },
        { file("\"chip\": \"stc89\", \"clock1\": \"1t\""), SettingsFault::Refused,
            "“clock1”：STC89 的定时器1没有 1T 时钟。" },
        { file("\"chip\": \"8052\", \"timer0\": {\"mode\": 3, \"us\": 1}"), SettingsFault::Refused,
            "“timer0.mode”：8052 的定时器0没有方式3。" },
        { file("\"header\": \"reg52.h\""), SettingsFault::Refused, "“header”：8051 的代码不用厂商头文件。" },
        { file("\"timer1\": {\"mode\": 2, \"us\": 100}, \"uart\": 9600"), SettingsFault::Refused,
            "“timer1”：使用串口时，定时器1用作波特率发生器。" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SettingsRead read = ReadSettingsFile(c.text);
        ASSERT_TRUE(read.error);
        EXPECT_FALSE(read.settings || read.model);
        EXPECT_EQ(read.error->fault, c.fault);
        EXPECT_EQ(SettingsErrorText(*read.error), c.shown);
    }
}

// What the window holds and only Generate refuses opens as it was saved.
TEST(SettingsFile, OpensWhatOnlyGenerateRefuses)
{
    for (const std::string members : { "\"drift-free\": true, \"timer0\": {\"mode\": 1, \"us\": 10}",
             "\"chip\": \"stc15\", \"header\": \"a<b>.h\"" }) {
        const SettingsRead read = ReadSettingsFile(file(members));
        ASSERT_TRUE(read.model) << SettingsErrorText(*read.error);
        EXPECT_TRUE(GenerateRefusal(*read.model));
        EXPECT_FALSE(ResolveConfiguration(read.settings->config).resolved);
    }
}

TEST(SettingsFile, TheCustomCrystalAsTyped)
{
    struct Case {
        float typed;
        const char* written;
    } cases[] = { { 7.3728f, "7.3728" }, { 1.0000001f, "1.0000001" }, { 55.0f, "55" }, { 99.99999f, "99.99999" } };
    for (const Case& c : cases) {
        WindowModel m;
        m.crystalIndex = kCustomCrystalIndex;
        m = OnCrystalChange(m, c.typed).model;
        const std::string text = WriteSettingsFile(SettingsFileOf(m));
        EXPECT_NE(text.find(std::string("\"crystal\": \"") + c.written + "\""), std::string::npos) << text;
        const SettingsRead read = ReadSettingsFile(text);
        ASSERT_TRUE(read.model);
        EXPECT_EQ(read.model->customMhzText, m.customMhzText);
        EXPECT_EQ(read.model->crystalHz, m.crystalHz);
    }
}

// Files of format 1 as the first version wrote them: each loads in every
// later version and, while 1 is the format written, is written again byte
// for byte.
TEST(SettingsFile, KeptFilesOfTheFirstFormatLoad)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ORLET_SETTINGS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const SettingsRead read = ReadSettingsFile(text.str());
        ASSERT_TRUE(read.settings) << entry.path() << ": " << SettingsErrorText(*read.error);
        EXPECT_EQ(WriteSettingsFile(*read.settings), text.str()) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 4);
}

// The fragment names the options as orlet-gen does and reads as the file.
TEST(SettingsFile, FragmentsReadAsTheFile)
{
    const struct {
        const char* fragment;
        const char* sameAs; // a file's members, or the refusal shown
    } cases[] = {
        { "#orlet=1&chip=stc15&timer0=0:1000&gate0&postscale0=5&header=%E5%8E%82%2Fstc.h&exact&uart=9600",
            R"("chip": "stc15", "timer0": {"mode": 0, "us": 1000, "gate": true, "postscale": 5},
               "header": "厂/stc.h", "exact": true, "uart": 9600)" },
        { "orlet=1&chip=8052&counter2=40&postscale2=3&int1=level&comments=false",
            R"("chip": "8052", "counter2": {"pulses": 40, "postscale": 3}, "int1": "level")" },
        { "orlet=1&timer0=1:1000&timer0=1:500", "“timer0” 出现了两次。" },
        { "orlet=1&gate1", "缺少 “timer1.mode”。" },
        { "orlet=1&timer0=1000", "“timer0” 应为一个对象（{…}）。" },
        { "orlet=1&chip=8052&gate2&timer2=10", "没有 “timer2.gate” 这一项。可用的项：us、postscale。" },
        { "orlet=1&uart=fast", "“uart” 应为 0 到 4294967295 的整数。" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fragment);
        const SettingsRead read = ReadSettingsFragment(c.fragment);
        if (std::string(c.sameAs).front() != '"') {
            ASSERT_TRUE(read.error);
            EXPECT_EQ(SettingsErrorText(*read.error), c.sameAs);
            continue;
        }
        ASSERT_TRUE(read.settings) << SettingsErrorText(*read.error);
        const SettingsRead file = ReadSettingsFile(::file(c.sameAs));
        ASSERT_TRUE(file.settings) << SettingsErrorText(*file.error);
        EXPECT_EQ(WriteSettingsFile(*read.settings), WriteSettingsFile(*file.settings));
    }
}
