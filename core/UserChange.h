#pragma once

#include "WindowView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orlet {

// The user's one change to a control, as the control reports it: each kind
// of control fills its own member.
struct UserChange {
    Control control = Control::UseInt0;
    bool checked = false; // a box's tick
    int item = -1; // a list's chosen item; -1 for typed text that is none
    // A number box's number; empty where its text was refused, which keeps
    // the number the model holds.
    std::optional<std::uint32_t> number;
    std::string text; // a text box's text
    // The crystal list's custom entry: the MHz the custom-frequency dialog handed back.
    float customMhz = kDefaultCustomMhz;
    // The rate list's "其他…" entry: the rate typed in its dialog; 0 where
    // the dialog was cancelled.
    std::uint32_t typedBaud = 0;

    static UserChange Tick(Control control, bool checked);
    static UserChange Choice(Control control, int item, float customMhz = kDefaultCustomMhz);
    static UserChange OtherBaud(int item, std::uint32_t typedBaud);
    static UserChange Number(Control control, std::optional<std::uint32_t> number);
    static UserChange Text(Control control, std::string text);
};

// The model with the change read into it: the control shows it already.
WindowModel WithUserChange(WindowModel model, const UserChange& change);

// What the window does about it: the control's transition, run on the model
// with the change read into it (a display, a trigger or a text box has none
// beyond the reading). Choosing a fix (its list's items after the first)
// makes it; "其他…" with no rate typed changes nothing.
Transition OnUserChange(const WindowModel& model, const UserChange& change);

} // namespace orlet
