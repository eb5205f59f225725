#include "ControlView.h"

#include "DialogControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QSignalBlocker>
#include <QStringList>

namespace {

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
}

// Qt on Unix names a list by its value and reads its name from a label whose
// buddy it is (the Label relation), as screen readers there expect: the
// list's name goes into such a label too. It is never shown and has no
// size, so that it takes no room, and it wraps, so that the fitting of
// captions leaves it alone.
void nameByLabel(QComboBox& list, const QString& name)
{
    QWidget& dialog = *list.parentWidget();
    QLabel* label = nullptr;
    for (QLabel* sibling : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (sibling->buddy() == &list)
            label = sibling;
    }
    if (label == nullptr) {
        label = new QLabel(&dialog);
        label->hide();
        label->setWordWrap(true);
        label->resize(0, 0);
        label->setBuddy(&list);
    }
    if (label->text() != name)
        label->setText(name);
}

void showItems(QComboBox& list, const orlet::ControlView& view)
{
    QStringList items;
    for (const std::string& item : view.items)
        items << u8(item);
    if (list.count() != items.size()) {
        list.clear();
        list.addItems(items);
    }
    // Renamed in place: the selection stays.
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i) != items.at(i))
            list.setItemText(i, items.at(i));
    }
    CComboBox selection;
    selection.Attach(&list);
    // Typed text that is no item counts as no selection, and stays.
    if (selection.GetCurSel() != view.index)
        list.setCurrentIndex(view.index);
}

// Red where the figure is beyond what works; disabled text stays grey.
void showWarning(QWidget& control, bool warning)
{
    if (control.property("warning").toBool() == warning)
        return;
    control.setProperty("warning", warning);
    if (!warning) {
        control.setPalette(QPalette());
        control.setAttribute(Qt::WA_SetPalette, false);
        return;
    }
    QPalette palette = control.palette();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
        palette.setColor(group, QPalette::WindowText, QColor(0xc0, 0, 0));
    control.setPalette(palette);
}

} // namespace

void ShowControlView(QWidget& control, const orlet::ControlView& view)
{
    const QSignalBlocker blocker(&control);
    if (control.isHidden() == view.visible)
        control.setVisible(view.visible);
    if (control.isEnabled() != view.enabled)
        control.setEnabled(view.enabled);
    if (control.toolTip() != u8(view.tooltip))
        control.setToolTip(u8(view.tooltip));
    if (control.accessibleName() != u8(view.accessibleName))
        control.setAccessibleName(u8(view.accessibleName));
    showWarning(control, view.warning);
    if (auto* list = qobject_cast<QComboBox*>(&control)) {
        nameByLabel(*list, u8(view.accessibleName));
        showItems(*list, view);
        return;
    }
    if (auto* box = qobject_cast<QAbstractButton*>(&control); box && view.checked && box->isChecked() != *view.checked)
        box->setChecked(*view.checked);
    CWnd text;
    text.Attach(&control);
    text.SetWindowText(u8(view.text));
}
