#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;
class QFont;

// Which characters of a display's text vary with the value it shows.
enum class TextDigits {
    Decimal, // 0-9
    Hex, // 0-9 and a-f
    None, // none: a name as the user types it
};

// `text` with every varying character replaced by the widest one of the
// font, so that one measure covers every value of that form.
QString WidestForm(const QString& text, const QFont& font, TextDigits digits);

// The width `control` needs to show `text` whole: label, check box, push
// button and line edit; a combo box needs room for its longest item.
int WidthForText(const QWidget& control, const QString& text);
int WidthForItems(const QWidget& combo);

// The narrowest width at which `control` shows `text` whole: a list's text
// field just holds it; any other control as WidthForText.
int WidthToShow(const QWidget& control, const QString& text);

// The room a dialog child has on its row, from its left and right
// neighbours (controls on its row), the group box around it
// and the dialog's edges; group boxes themselves are no neighbours, nor are
// controls the template puts on top of it (one of them shows at a time).
struct RowRoom {
    int left;
    int right; // one past the last free column
};
RowRoom RoomAround(const QWidget& control);

// Widens `control` to `needed` pixels, to the right as far as its row
// allows and then to the left; never narrower, never over a neighbour.
void WidenWithinRoom(QWidget& control, int needed);
// The place WidenWithinRoom would give `control`.
QRect WidenedPlace(const QWidget& control, int needed);
