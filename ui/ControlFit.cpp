#include "ControlFit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

bool varies(QChar c, TextDigits digits)
{
    return (c >= u'0' && c <= u'9') || (digits == TextDigits::Hex && c >= u'a' && c <= u'f');
}

// By the fractional advances: whole pixels would tie "0" and "b" at 7 in
// WenQuanYi Micro Hei, where "b" is the wider by 0.4 pixels a character.
QChar widestVarying(const QFont& font, TextDigits digits)
{
    const QFontMetricsF metrics(font);
    const QString candidates
        = digits == TextDigits::Hex ? QStringLiteral("0123456789abcdef") : QStringLiteral("0123456789");
    return *std::max_element(candidates.begin(), candidates.end(),
        [&metrics](QChar a, QChar b) { return metrics.horizontalAdvance(a) < metrics.horizontalAdvance(b); });
}

// The widget's own size hint for `text`, its own text put back afterwards.
template <typename Widget> int hintFor(const Widget& widget, const QString& text)
{
    auto& shown = const_cast<Widget&>(widget);
    const QString kept = shown.text();
    const bool blocked = shown.blockSignals(true);
    shown.setText(text);
    const int width = shown.sizeHint().width();
    shown.setText(kept);
    shown.blockSignals(blocked);
    return width;
}

// What the box paints its text into: the style's contents rectangle, less
// the text margins and the two pixels the box keeps free on each side. The
// style's size hint is no measure of it: the Windows Vista style asks 25
// pixels more than the header box needs for STC15F2K60S2.H.
int lineEditTextWidth(const QLineEdit& edit)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.state |= QStyle::State_Sunken;
    const QMargins margins = edit.textMargins();
    return edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit).width() - margins.left()
        - margins.right() - 4;
}

int lineEditWidth(const QLineEdit& edit, const QString& text)
{
    return edit.width() - lineEditTextWidth(edit) + edit.fontMetrics().horizontalAdvance(text);
}

int pushButtonWidth(const QPushButton& button, const QString& text)
{
    // Text, margins and frame, without the style's minimum width of a button.
    const QStyle* style = button.style();
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button)
        + style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
    return button.fontMetrics().size(Qt::TextShowMnemonic, text).width() + 2 * margin;
}

int comboFieldWidth(const QComboBox& combo)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo).width();
}

// Templates let the boxes of stacked check boxes overlap by a few pixels;
// a neighbour on the row shares more than half the height.
bool onOneRow(const QRect& a, const QRect& b)
{
    const int shared = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) + 1;
    return 2 * shared > std::min(a.height(), b.height());
}

} // namespace

QString WidestForm(const QString& text, const QFont& font, TextDigits digits)
{
    if (digits == TextDigits::None)
        return text;
    const QChar widest = widestVarying(font, digits);
    QString form = text;
    for (QChar& c : form) {
        if (varies(c, digits))
            c = widest;
    }
    return form;
}

int WidthForText(const QWidget& control, const QString& text)
{
    if (auto* label = qobject_cast<const QLabel*>(&control))
        return hintFor(*label, text);
    if (auto* push = qobject_cast<const QPushButton*>(&control))
        return pushButtonWidth(*push, text);
    if (auto* button = qobject_cast<const QAbstractButton*>(&control))
        return hintFor(*button, text);
    if (auto* edit = qobject_cast<const QLineEdit*>(&control))
        return lineEditWidth(*edit, text);
    return control.width();
}

int WidthForItems(const QWidget& control)
{
    auto* combo = qobject_cast<const QComboBox*>(&control);
    if (!combo)
        return control.width();
    auto& list = const_cast<QComboBox&>(*combo);
    const QComboBox::SizeAdjustPolicy kept = list.sizeAdjustPolicy();
    list.setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const int width = list.sizeHint().width();
    list.setSizeAdjustPolicy(kept);
    return width;
}

int WidthToShow(const QWidget& control, const QString& text)
{
    if (auto* combo = qobject_cast<const QComboBox*>(&control))
        return combo->width() - comboFieldWidth(*combo) + combo->fontMetrics().horizontalAdvance(text);
    return WidthForText(control, text);
}

RowRoom RoomAround(const QWidget& control)
{
    const QWidget* dialog = control.parentWidget();
    const QRect own = control.geometry();
    RowRoom room { 0, dialog ? dialog->width() : own.right() + 1 };
    if (!dialog)
        return room;
    for (const QWidget* other : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect r = other->geometry();
        if (other == &control || other->isWindow())
            continue;
        if (qobject_cast<const QGroupBox*>(other)) {
            // The frame of the group the control sits in bounds it.
            if (!r.contains(own.center()))
                continue;
            const int frame = other->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, other);
            room.left = std::max(room.left, r.left() + frame);
            room.right = std::min(room.right, r.right() + 1 - frame);
            continue;
        }
        if (!onOneRow(r, own) || r.intersects(own))
            continue;
        if (r.left() > own.left())
            room.right = std::min(room.right, r.left());
        else if (r.right() < own.right())
            room.left = std::max(room.left, r.right() + 1);
    }
    return room;
}

void WidenWithinRoom(QWidget& control, int needed)
{
    control.setGeometry(WidenedPlace(control, needed));
}

QRect WidenedPlace(const QWidget& control, int needed)
{
    QRect r = control.geometry();
    if (needed <= r.width())
        return r;
    const RowRoom room = RoomAround(control);
    const int right = std::clamp(r.left() + needed, r.right() + 1, std::max(room.right, r.right() + 1));
    r.setRight(right - 1);
    const int missing = needed - r.width();
    if (missing > 0)
        r.setLeft(std::max(std::min(room.left, r.left()), r.left() - missing));
    return r;
}
