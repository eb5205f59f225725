#include "ControlView.h"

#include "DialogControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>
#include <QStringList>

namespace {

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
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
    if (auto* list = qobject_cast<QComboBox*>(&control)) {
        showItems(*list, view);
        return;
    }
    if (auto* box = qobject_cast<QAbstractButton*>(&control); box && view.checked && box->isChecked() != *view.checked)
        box->setChecked(*view.checked);
    CWnd text;
    text.Attach(&control);
    text.SetWindowText(u8(view.text));
}
