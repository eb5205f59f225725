#pragma once

#include "WindowModel.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orlet {

// The main window's controls whose state the model decides, by name (the
// window maps them to its control ids).
enum class Control {
    UseInt0,
    Int0Trigger,
    UseInt1,
    Int1Trigger,
    CrystalList,
    CustomMhz,
    ChipList,
    SixTCheck,
    ExactCheck,
    DriftFreeCheck,
    VendorHeader,
    CommentCheck,
    CopyCheck,
    UseUart,
    BaudList,
    DoubleBaud,
    UartInterrupt,
    UartTimer2,
    BaudReload,
    BaudError,
    // Each timer's block, in the order of TimerPart, timer 0 first.
    TimerBlocks,
    Count = TimerBlocks + 3 * 9,
};

// The controls of one timer's block.
enum class TimerPart { Use, Mode, Gate, Period, Unit, Reload, Actual, Postscale, Clock };
inline constexpr int kTimerParts = 9;
inline constexpr int kTimerBlocks = 3; // the window has blocks for timers 0, 1 and 2

inline constexpr Control TimerControl(int timer, TimerPart part)
{
    return static_cast<Control>(static_cast<int>(Control::TimerBlocks) + timer * kTimerParts + static_cast<int>(part));
}

// What one control shows.
struct ControlView {
    bool visible = true;
    bool enabled = true;
    std::optional<bool> checked; // a box's tick
    std::string text; // a display's or a box's text, a list's selected item
    std::vector<std::string> items; // a list's items
    int index = -1; // a list's selection; -1 none
    // A tooltip the model writes (the displays'); empty: the template's own.
    std::optional<std::string> tooltip;
};

struct WindowView {
    std::array<ControlView, static_cast<std::size_t>(Control::Count)> controls;
    // Timer 2's reload registers as the caption beside its display names
    // them ("RCAP2H,RCAP2L", "T2H,T2L"), and whether its block shows.
    std::string timer2ReloadCaption;
    bool timer2BlockShown = false;

    ControlView& operator[](Control c) { return controls.at(static_cast<std::size_t>(c)); }
    const ControlView& operator[](Control c) const { return controls.at(static_cast<std::size_t>(c)); }
};

// What every control of the main window shows for `model`: a pure function,
// so that the window, and a page, only apply it.
WindowView ViewOf(const WindowModel& model);

} // namespace orlet
