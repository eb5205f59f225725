#include "LayoutCheck.h"

#include "DialogControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

QString describe(const QWidget& control)
{
    return QStringLiteral("%1 (%2)").arg(control.objectName(), control.property("controlId").toString());
}

int comboFieldWidth(const QComboBox& combo)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo).width();
}

// Room the control has for a text, and the width the text takes there.
struct Fit {
    int room;
    int needed;
};

Fit fitOf(QWidget& control, const QString& text)
{
    const QFontMetrics metrics = control.fontMetrics();
    if (auto* combo = qobject_cast<QComboBox*>(&control))
        return { comboFieldWidth(*combo), metrics.horizontalAdvance(text) };
    if (auto* push = qobject_cast<QPushButton*>(&control)) {
        const int margin = push->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, push);
        return { push->width() - 2 * margin, metrics.size(Qt::TextShowMnemonic, text).width() };
    }
    if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        // As QLineEdit paints: the style's contents rectangle less two
        // pixels on each side.
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        option.state |= QStyle::State_Sunken;
        const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        return { contents.width() - 4, metrics.horizontalAdvance(text) };
    }
    CWnd wnd;
    wnd.Attach(&control);
    const QString kept = wnd.GetWindowText();
    wnd.SetWindowText(text);
    const Fit fit { control.width(), control.sizeHint().width() };
    wnd.SetWindowText(kept);
    return fit;
}

bool isCaptioned(const QWidget& control)
{
    if (auto* label = qobject_cast<const QLabel*>(&control))
        return !label->wordWrap() && label->pixmap().isNull();
    return qobject_cast<const QAbstractButton*>(&control);
}

// Stacked check boxes of the templates overlap by a few pixels of their
// boxes, not of their texts; controls on one row must not overlap at all.
bool overlapOnARow(const QRect& a, const QRect& b)
{
    const QRect shared = a.intersected(b);
    return !shared.isEmpty() && 2 * shared.height() > std::min(a.height(), b.height());
}

bool isControl(const QWidget& widget)
{
    return !widget.isWindow() && !qobject_cast<const QGroupBox*>(&widget) && widget.isVisibleTo(widget.parentWidget());
}

} // namespace

QString ClippedText(QWidget& control, const QString& text)
{
    const Fit fit = fitOf(control, text);
    if (fit.needed <= fit.room)
        return {};
    return QStringLiteral("%1 cuts \"%2\" off: %3 of %4 pixels")
        .arg(describe(control), text)
        .arg(fit.room)
        .arg(fit.needed);
}

QStringList ClippedControls(QWidget& dialog)
{
    QStringList clipped;
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QStringList texts;
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        } else if (isCaptioned(*control)) {
            CWnd wnd;
            wnd.Attach(control);
            texts << wnd.GetWindowText();
        }
        for (const QString& text : texts) {
            if (const QString problem = ClippedText(*control, text); !problem.isEmpty())
                clipped << problem;
        }
    }
    return clipped;
}

QStringList MisplacedControls(const QWidget& dialog)
{
    QStringList misplaced;
    const QList<QWidget*> children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < children.size(); ++i) {
        const QWidget& control = *children[i];
        if (!isControl(control))
            continue;
        const QRect r = control.geometry();
        if (!dialog.rect().contains(r))
            misplaced << QStringLiteral("%1 leaves the dialog").arg(describe(control));
        for (qsizetype j = 0; j < children.size(); ++j) {
            const QWidget& other = *children[j];
            if (qobject_cast<const QGroupBox*>(&other) && other.geometry().contains(r.center())
                && !other.geometry().contains(r))
                misplaced << QStringLiteral("%1 sticks out of %2").arg(describe(control), other.objectName());
            if (j > i && isControl(other) && overlapOnARow(other.geometry(), r))
                misplaced << QStringLiteral("%1 overlaps %2").arg(describe(control), describe(other));
        }
    }
    return misplaced;
}
