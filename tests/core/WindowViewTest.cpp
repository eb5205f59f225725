#include "WindowView.h"

#include <gtest/gtest.h>

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
