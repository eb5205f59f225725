#pragma once

#include "WindowModel.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orlet {

// The main window's controls whose state the model decides, by name (the
// window maps them to its control ids, a page to its elements).
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
    BaudActual, // the real rate and its deviation
    BaudFixes, // what brings a rate beyond the tolerance within it
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

// The timer and the part of a control of a timer's block.
struct TimerBlockPart {
    int timer = 0;
    TimerPart part = TimerPart::Use;
};
std::optional<TimerBlockPart> TimerBlockPartOf(Control control);

// What the user does to a control, and so what it reports.
enum class ControlKind {
    Box, // ticks it
    List, // chooses an item; into an editable list, types
    Number, // types a whole number
    Text, // types a text
    Display, // nothing: it shows what the model computed
};
ControlKind KindOf(Control control);

// What one control shows.
struct ControlView {
    bool visible = true;
    bool enabled = true;
    std::optional<bool> checked; // a box's tick
    // A box's caption, an edit's or a display's text, a list's selected item.
    std::string text;
    std::vector<std::string> items; // a list's items
    int index = -1; // a list's selection; -1 none
    std::string tooltip;
    // What a screen reader calls it: the label beside it, with its block
    // where the label alone is ambiguous ("定时器0 定时时间(us)"); empty for
    // a display, which its text names.
    std::string accessibleName;
    // A figure beyond what works, shown in red.
    bool warning = false;
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

// A mode list's item for the mode list index `modeIndex` (0-2 timer modes
// 0-2, 3-5 counter modes 0-2) of `timer` on `chip`, and back: the list
// holds the modes the timer has, as a timer and then as a counter.
int ModeListItem(Chip chip, int timer, int modeIndex);
int ModeIndexOfListItem(Chip chip, int timer, int item);

// The rate list's items after the listed rates: the typed rate, if any,
// then "其他…", which asks for one.
inline constexpr const char* kOtherBaudText = "其他…";
int OtherBaudItem(const WindowModel& model);

// What every control of the main window shows for `model`: a pure function,
// so that the window, and a page, only apply it.
WindowView ViewOf(const WindowModel& model);

} // namespace orlet
