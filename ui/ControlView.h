#pragma once

#include "WindowView.h"

class QWidget;

// Shows `view` in `control`. Only what differs is set, with the control's
// signals blocked: no handler runs, and where the view agrees with the
// control, what the user typed there, the caret and the selection stay.
void ShowControlView(QWidget& control, const orlet::ControlView& view);
