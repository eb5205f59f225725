#pragma once

#include "DialogBase.h"
#include "MessageBox.h"

#include <QComboBox>
#include <QList>
#include <QString>

#include <functional>

// Records every message box instead of showing it, for the lifetime of
// the recorder. `onMessage` may act as the user would while the box is up.
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();

    QList<MessageRequest> messages;
    std::function<void(const MessageRequest&)> onMessage;

    QStringList texts() const;
    void clear() { messages.clear(); }

private:
    MessageBoxHandler m_previous;
};

// Drives a dialog the way a user does: clicks, picks from lists, types.
class DialogDriver
{
public:
    explicit DialogDriver(CDialogBase& dialog)
        : m_dialog(dialog)
    {
    }

    QWidget* item(int id) const;
    template <typename T> T* as(int id) const { return qobject_cast<T*>(item(id)); }

    void click(int id);
    // Opens the list and clicks the item at `index`.
    void choose(int id, int index);
    // Selects the whole text (Ctrl+A) and types `keys` over it.
    void typeOver(int id, const QString& keys);
    // Selects the whole text (Ctrl+A) and pastes `text` over it (Ctrl+V).
    void pasteOver(int id, const QString& text);
    void pressKey(int id, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    QString text(int id) const;
    bool checked(int id) const;
    bool enabled(int id) const;
    int selected(int id) const;
    QStringList items(int id) const;

private:
    CDialogBase& m_dialog;
};

// Runs `action` on the next modal dialog, from inside its modal loop, once
// the dialog is active.
void OnNextModal(std::function<void(QWidget* modal)> action);
// Ends the watchers whose modal window never came (the fixture's cleanup
// does this after every test function), and counts those still waiting.
void CancelModalWatchers();
int PendingModalWatchers();

// Whether item `i` of `list` is one the user can choose, not a heading.
bool IsListItem(const QComboBox& list, int i);
// An item's position among those the user can choose, from its row in the
// list, and back.
int ListPositionOf(const QComboBox& list, int row);
int ListRowOf(const QComboBox& list, int position);

// The same for a dialog of the program, with a driver on it. An action that
// leaves the dialog open (a failed check returns early) fails the test, and
// the dialog is ended with Cancel so that the test never hangs in its loop.
void OnNextDialog(std::function<void(CDialogBase& dialog, DialogDriver& driver)> action);
