#include "DialogDriver.h"

#include "ControlView.h"
#include "DialogControls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <utility>

MessageRecorder::MessageRecorder()
{
    m_previous = SetMessageBoxHandler([this](const MessageRequest& request) {
        messages.append(request);
        if (onMessage)
            onMessage(request);
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageBoxHandler(std::move(m_previous));
}

QStringList MessageRecorder::texts() const
{
    QStringList result;
    for (const MessageRequest& m : messages)
        result << m.text;
    return result;
}

QWidget* DialogDriver::item(int id) const
{
    QWidget* widget = m_dialog.GetDlgItem(id);
    if (!widget)
        qFatal("no control %d", id);
    return widget;
}

void DialogDriver::click(int id)
{
    QWidget* widget = item(id);
    if (!widget->isEnabled())
        qFatal("control %d is disabled", id);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
}

void DialogDriver::choose(int id, int index)
{
    auto* combo = as<QComboBox>(id);
    if (!combo->isEnabled())
        qFatal("list %d is disabled", id);
    // The handler may move the selection on (a fall-back), so what counts
    // is the item the list reported as chosen.
    int chosen = -1;
    const auto connection = QObject::connect(
        combo, &QComboBox::activated, [&chosen, combo](int row) { chosen = ListPositionOf(*combo, row); });
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QModelIndex modelIndex = view->model()->index(ListRowOf(*combo, index), 0);
    view->scrollTo(modelIndex);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(modelIndex).center());
    QObject::disconnect(connection);
    if (chosen != index)
        qFatal("list %d did not take item %d", id, index);
}

void DialogDriver::typeOver(int id, const QString& keys)
{
    QWidget* widget = item(id);
    if (!widget->isEnabled())
        qFatal("box %d is disabled", id);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    for (const QChar c : keys) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            // Chinese arrives through the input method as committed text.
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(widget->focusProxy() ? widget->focusProxy() : widget, &commit);
        }
    }
}

void DialogDriver::pasteOver(int id, const QString& text)
{
    QWidget* widget = item(id);
    if (!widget->isEnabled())
        qFatal("box %d is disabled", id);
    QApplication::clipboard()->setText(text);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

void DialogDriver::pressKey(int id, int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* widget = item(id);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key(key), modifiers);
}

QString DialogDriver::text(int id) const
{
    QWidget* widget = item(id);
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText();
    CWnd control;
    control.Attach(widget);
    return control.GetWindowText();
}

bool DialogDriver::checked(int id) const
{
    return as<QAbstractButton>(id)->isChecked();
}

bool DialogDriver::enabled(int id) const
{
    return item(id)->isEnabled();
}

int DialogDriver::selected(int id) const
{
    const QComboBox& combo = *as<QComboBox>(id);
    return combo.currentIndex() < 0 ? -1 : ListPositionOf(combo, combo.currentIndex());
}

bool IsListItem(const QComboBox& list, int i)
{
    return !list.itemData(i, kListHeadingRole).toBool();
}

int ListPositionOf(const QComboBox& list, int row)
{
    int position = 0;
    for (int i = 0; i < row; ++i)
        position += IsListItem(list, i) ? 1 : 0;
    return position;
}

int ListRowOf(const QComboBox& list, int position)
{
    for (int row = 0; row < list.count(); ++row) {
        if (IsListItem(list, row) && position-- == 0)
            return row;
    }
    return -1;
}

QStringList DialogDriver::items(int id) const
{
    auto* combo = as<QComboBox>(id);
    QStringList result;
    for (int i = 0; i < combo->count(); ++i) {
        if (IsListItem(*combo, i))
            result << combo->itemText(i);
    }
    return result;
}

namespace {

// The watchers still waiting for their modal window; a test's cleanup ends
// them, since their actions hold references to that test's locals.
QList<QPointer<QTimer>>& pendingWatchers()
{
    static QList<QPointer<QTimer>> watchers;
    return watchers;
}

// Polls of 5 ms to wait for the window system to activate a shown modal
// window before acting on it anyway.
constexpr int kActivationPolls = 200;

} // namespace

int PendingModalWatchers()
{
    auto& watchers = pendingWatchers();
    watchers.removeAll(nullptr);
    return int(watchers.size());
}

void CancelModalWatchers()
{
    for (const QPointer<QTimer>& timer : std::exchange(pendingWatchers(), {}))
        delete timer.data();
}

void OnNextModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(5);
    pendingWatchers().append(timer);
    QObject::connect(timer, &QTimer::timeout, [timer, action, polls = 0]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        // Keys and focus go to the active window: a slow start (a sanitizer
        // build) may show the dialog before the window system activates it.
        if (!modal->isActiveWindow() && ++polls < kActivationPolls)
            return;
        pendingWatchers().removeAll(timer);
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

void OnNextDialog(std::function<void(CDialogBase&, DialogDriver&)> action)
{
    OnNextModal([action](QWidget* modal) {
        auto* dialog = qobject_cast<CDialogBase*>(modal);
        if (!dialog)
            qFatal("the modal window is no dialog of the program");
        DialogDriver driver(*dialog);
        action(*dialog, driver);
        if (dialog->isVisible()) {
            dialog->EndDialog(CDialogBase::IDCANCEL);
            QFAIL("the dialog was left open");
        }
    });
}
