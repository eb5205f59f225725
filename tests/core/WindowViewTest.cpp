#include "WindowView.h"
#include "UserChange.h"

#include <gtest/gtest.h>

#include <set>

using namespace orlet;

namespace {

WindowModel ticked(WindowModel m, int timer)
{
    m.timer(timer).use = !m.timer(timer).use;
    return OnUseTimer(m, timer).model;
}

WindowModel withMode(WindowModel m, int timer, int modeIndex)
{
    m.timer(timer).modeIndex = modeIndex;
    return OnModeChange(m, timer).model;
}

WindowModel withUart(WindowModel m, bool on)
{
    m.useUart = on;
    return OnUseUart(m).model;
}

} // namespace

// What enables a block's controls depends on the way there: the view reads
// it from the model alone.
TEST(WindowView, EnablingFollowsTheActionsThatLedThere)
{
    const WindowModel start;
    const WindowModel counting = withMode(ticked(start, 0), 0, 3);
    const WindowModel again = ticked(ticked(counting, 0), 0); // off and on: the list still counts
    const WindowModel uartOn = withUart(ticked(start, 1), true);
    const WindowModel uartOff = withUart(uartOn, false);
    const struct {
        const char* what;
        WindowModel model;
        Control control;
        bool enabled;
    } rows[] = {
        { "a block off", start, TimerControl(0, TimerPart::Period), false },
        { "the unit stays enabled", start, TimerControl(0, TimerPart::Unit), true },
        { "a counter's GATE", counting, TimerControl(0, TimerPart::Gate), false },
        { "timer 0 ticked again beside a counter mode", again, TimerControl(0, TimerPart::Gate), true },
        { "timer 1 taken by the serial port", uartOn, TimerControl(1, TimerPart::Use), false },
        { "and its block", uartOn, TimerControl(1, TimerPart::Period), false },
        { "given back", uartOff, TimerControl(1, TimerPart::Use), true },
        { "the doubling where SMOD reaches", uartOn, Control::DoubleBaud, true },
        { "the serial block off", uartOff, Control::BaudList, false },
        { "the triggers follow their boxes", start, Control::Int0Trigger, false },
    };
    for (const auto& r : rows)
        EXPECT_EQ(ViewOf(r.model)[r.control].enabled, r.enabled) << r.what;
}

TEST(WindowView, TheChipDecidesWhatShowsAndHowModesAreNamed)
{
    WindowModel stc;
    stc.chip = ChipNamed("stc15");
    stc = OnChipChange(stc).model;
    const WindowView classic = ViewOf(WindowModel {});
    const WindowView chip = ViewOf(stc);
    EXPECT_FALSE(classic[TimerControl(2, TimerPart::Period)].visible);
    EXPECT_TRUE(chip[TimerControl(2, TimerPart::Period)].visible);
    EXPECT_FALSE(classic[TimerControl(0, TimerPart::Clock)].visible);
    EXPECT_EQ(chip[TimerControl(0, TimerPart::Clock)].checked, true);
    EXPECT_EQ(classic[TimerControl(0, TimerPart::Mode)].text, "定时方式0");
    EXPECT_EQ(chip[TimerControl(0, TimerPart::Mode)].text, "定时16位自动重装");
    EXPECT_EQ(chip[Control::ChipList].text, "STC15");
    EXPECT_EQ(chip.timer2ReloadCaption, "T2H,T2L");
    EXPECT_TRUE(chip[Control::VendorHeader].visible && !classic[Control::VendorHeader].visible);
}

namespace {

WindowModel onChip(const char* key)
{
    WindowModel m;
    m.chip = ChipNamed(key);
    return OnChipChange(m).model;
}

std::vector<Control> allControls()
{
    std::vector<Control> controls;
    for (int c = 0; c < static_cast<int>(Control::Count); ++c)
        controls.push_back(static_cast<Control>(c));
    return controls;
}

} // namespace

// A screen reader names each edit and list after the label beside it, and
// no two controls alike.
TEST(WindowView, EveryEditAndListIsNamedOnce)
{
    const WindowModel counting = withMode(ticked(WindowModel {}, 1), 1, 4);
    const struct {
        WindowModel model;
        Control control;
        const char* name;
    } rows[] = {
        { WindowModel {}, Control::Int0Trigger, "INT0 触发方式" },
        { WindowModel {}, Control::Int1Trigger, "INT1 触发方式" },
        { WindowModel {}, TimerControl(0, TimerPart::Period), "定时器0 定时时间(us)" },
        { counting, TimerControl(1, TimerPart::Period), "定时器1 计数值(plus)" },
        { WindowModel {}, TimerControl(2, TimerPart::Postscale), "定时器2 软件计数(×N)" },
        { WindowModel {}, TimerControl(1, TimerPart::Clock), "定时器1 1T" },
        { WindowModel {}, TimerControl(0, TimerPart::Reload), "" }, // its text names it
    };
    for (const auto& r : rows)
        EXPECT_EQ(ViewOf(r.model)[r.control].accessibleName, r.name);

    for (const WindowModel& m : { WindowModel {}, counting, onChip("stc15") }) {
        const WindowView v = ViewOf(m);
        std::set<std::string> names;
        for (Control c : allControls()) {
            const std::string& name = v[c].accessibleName;
            // The MHz box shows its value as an edit does, beside its name.
            EXPECT_EQ(name.empty(), KindOf(c) == ControlKind::Display && c != Control::CustomMhz) << int(c);
            EXPECT_TRUE(name.empty() || names.insert(name).second) << name;
        }
    }
}

// What a user does to a control reads into the model so that the view
// shows it back: every box, every item of every list, a number, a text.
TEST(WindowView, AChangeReadIntoTheModelShowsAsTheUserLeftIt)
{
    for (const WindowModel& m : { WindowModel {}, onChip("8052"), onChip("stc15") }) {
        const WindowView before = ViewOf(m);
        for (Control c : allControls()) {
            const ControlKind kind = KindOf(c);
            if (kind == ControlKind::Box) {
                const bool ticked = !*before[c].checked;
                EXPECT_EQ(ViewOf(WithUserChange(m, UserChange::Tick(c, ticked)))[c].checked, ticked) << int(c);
            }
            // Only the trigger lists take typed text, which is no item (-1);
            // the rate list's "其他…" asks for a rate and is no selection.
            const int first = c == Control::Int0Trigger || c == Control::Int1Trigger ? -1 : 0;
            const int end = c == Control::BaudList ? OtherBaudItem(m) : int(before[c].items.size());
            for (int item = first; kind == ControlKind::List && item < end; ++item)
                EXPECT_EQ(ViewOf(WithUserChange(m, UserChange::Choice(c, item)))[c].index, item) << int(c);
            if (kind == ControlKind::Number) {
                EXPECT_EQ(ViewOf(WithUserChange(m, UserChange::Number(c, 4321)))[c].text, "4321");
            } else if (kind == ControlKind::Text) {
                EXPECT_EQ(ViewOf(WithUserChange(m, UserChange::Text(c, " x.h")))[c].text, " x.h");
            }
        }
    }
}

// Each control runs its handler's transition on the model with the change in it.
TEST(WindowView, AChangeRunsItsControlsTransition)
{
    const WindowModel timer0 = ticked(WindowModel {}, 0); // mode 0: 8192 counts
    const auto period = TimerControl(0, TimerPart::Period);
    const struct {
        const char* what;
        UserChange change;
        std::string reload; // timer 0's display afterwards
        std::uint32_t time, postscale;
        std::vector<Message> messages;
    } rows[] = {
        { "a period", UserChange::Number(period, 1000), "e0H,18H", 1000, 1, {} },
        { "a period out of range", UserChange::Number(period, 70000), "0H,0H", 8192, 1,
            { { MessageCode::TimerOutOfRange, 0 } } },
        { "a refused text computes the period kept", UserChange::Number(period, std::nullopt), "ffH,1fH", 1, 1, {} },
        { "a count out of range", UserChange::Number(TimerControl(0, TimerPart::Postscale), 0), "ffH,ffH", 1, 1,
            { { MessageCode::PostscaleOutOfRange } } },
        { "the crystal", UserChange::Choice(Control::CrystalList, 8), "ffH,1eH", 1, 1, {} },
        { "GATE computes nothing", UserChange::Tick(TimerControl(0, TimerPart::Gate), true), "ffH,ffH", 1, 1, {} },
    };
    for (const auto& r : rows) {
        const Transition done = OnUserChange(timer0, r.change);
        const TimerState& t = done.model.timer(0);
        std::vector<Message> messages;
        for (const Notice& n : done.notices)
            messages.push_back(n.message);
        EXPECT_EQ(t.reloadText, r.reload) << r.what;
        EXPECT_EQ(t.time, r.time) << r.what;
        EXPECT_EQ(t.postscale, r.postscale) << r.what;
        EXPECT_EQ(messages, r.messages) << r.what;
    }
    const UserChange custom = UserChange::Choice(Control::CrystalList, kCustomCrystalIndex, 8.0f);
    EXPECT_EQ(OnUserChange(WindowModel {}, custom).model.crystalHz, 8000000u);
    const UserChange chip = UserChange::Choice(Control::ChipList, 1);
    EXPECT_TRUE(ViewOf(OnUserChange(WindowModel {}, chip).model).timer2BlockShown);
}

namespace {

WindowModel serialPortAt(const char* chip, int crystalIndex)
{
    WindowModel m = onChip(chip);
    m.crystalIndex = crystalIndex;
    m = OnCrystalChange(m).model;
    return withUart(m, true);
}

} // namespace

// The real rate shows from the first calculation on; beyond the tolerance
// in red, with the fixes beside it; each fix and a typed rate are one choice.
TEST(WindowView, TheSerialPortsRealRateWarnsAndOffersItsFixes)
{
    const WindowModel at12 = serialPortAt("8052", 6);
    const struct {
        const char* what;
        WindowModel model;
        bool shown, enabled, warning;
        std::string line;
        std::vector<std::string> fixes;
    } rows[] = {
        { "the first state", WindowModel {}, false, false, false, "", {} },
        { "12 MHz 9600 on an 8052", at12, true, true, true, "实际 10416.67bps +8.51%",
            { "改正…", "用定时器2 9615.38bps +0.16%", "晶振11.0592MHz 9600.00bps 0.00%",
                "改用2400bps 2403.85bps +0.16%" } },
        { "11.0592 MHz", serialPortAt("8051", 5), true, true, false, "实际 9600.00bps 0.00%", {} },
        { "the port off keeps the line", withUart(at12, false), true, false, true, "实际 10416.67bps +8.51%", {} },
    };
    for (const auto& r : rows) {
        const WindowView v = ViewOf(r.model);
        EXPECT_EQ(v[Control::BaudActual].visible, r.shown) << r.what;
        EXPECT_EQ(v[Control::BaudActual].enabled, r.enabled) << r.what;
        EXPECT_EQ(v[Control::BaudActual].warning, r.warning) << r.what;
        EXPECT_EQ(v[Control::BaudActual].text, r.line) << r.what;
        EXPECT_EQ(v[Control::BaudFixes].visible, !r.fixes.empty()) << r.what;
        EXPECT_EQ(v[Control::BaudFixes].items, r.fixes) << r.what;
    }

    const WindowModel fixed = OnUserChange(at12, UserChange::Choice(Control::BaudFixes, 2)).model;
    EXPECT_EQ(ViewOf(fixed)[Control::BaudActual].text, "实际 9600.00bps 0.00%");
    EXPECT_EQ(ViewOf(fixed)[Control::CrystalList].text, "11.0592");

    const int other = OtherBaudItem(at12);
    EXPECT_EQ(ViewOf(at12)[Control::BaudList].items.at(std::size_t(other)), kOtherBaudText);
    const WindowModel typed = OnUserChange(at12, UserChange::OtherBaud(other, 31250)).model;
    const ControlView list = ViewOf(typed)[Control::BaudList];
    EXPECT_EQ(list.text, "31250");
    EXPECT_EQ(list.items.size(), 13u); // the eleven, the typed rate and "其他…"
    EXPECT_EQ(ViewOf(typed)[Control::BaudActual].text, "实际 31250.00bps 0.00%");
    const Transition cancelled = OnUserChange(typed, UserChange::OtherBaud(OtherBaudItem(typed), 0));
    EXPECT_EQ(cancelled.model, typed);
    EXPECT_EQ(OnUserChange(typed, UserChange::OtherBaud(OtherBaudItem(typed), 9600)).model.baudIndex, 5);
}
