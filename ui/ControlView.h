#pragma once

#include "WindowView.h"

#include <QtCore/qnamespace.h>

class QWidget;

// Shows `view` in `control`. Only what differs is set, with the control's
// signals blocked: no handler runs, and where the view agrees with the
// control, what the user typed there, the caret and the selection stay.
void ShowControlView(QWidget& control, const orlet::ControlView& view);

class QComboBox;

// The item data role that marks a list's heading (a maker's name above its
// parts), which the user cannot choose.
inline constexpr int kListHeadingRole = Qt::UserRole + 1;

// What the model calls the item at `position` of a list ShowControlView
// filled: its value where the view gave one, else the position.
int ListValueOf(QComboBox& list, int position);
