#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Whether `control` shows `text` whole: an empty answer, or what is cut off.
// Labels and check boxes are judged by the toolkit's own size hint, push
// buttons by their text and margins, line edits by the text in their frame,
// lists by every item in their text field.
QString ClippedText(QWidget& control, const QString& text);

// The same for what a control of `dialog` holds now (its caption, a
// list's items); one line per control that is cut off.
QStringList ClippedControls(QWidget& dialog);

// Controls of `dialog` that overlap another control on their row, leave the dialog or
// stick out of the group box they stand in; one line for each.
QStringList MisplacedControls(const QWidget& dialog);
