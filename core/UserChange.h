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

    static UserChange Tick(Control control, bool checked);
    static UserChange Choice(Control control, int item, float customMhz = kDefaultCustomMhz);
    static UserChange Number(Control control, std::optional<std::uint32_t> number);
    static UserChange Text(Control control, std::string text);
};

// The model with the change read into it: the control shows it already.
WindowModel WithUserChange(WindowModel model, const UserChange& change);

// What the window does about it: the control's transition, run on the model
// with the change read into it (a display, a trigger or a text box has none
// beyond the reading).
Transition OnUserChange(const WindowModel& model, const UserChange& change);

} // namespace orlet
