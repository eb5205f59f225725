#pragma once

#include "WindowView.h"

class QWidget;

// Shows `view` in `control`. Only what differs is set, with the control's
// signals blocked: no handler runs, and where the view agrees with the
// control, what the user typed there, the caret and the selection stay.
void ShowControlView(QWidget& control, const orlet::ControlView& view);

class QComboBox;

// What the model calls the item at `position` of a list ShowControlView
// filled: its value where the view gave one, else the position.
int ListValueOf(QComboBox& list, int position);
