#pragma once

#include <QString>

class QWidget;

// Thin wrappers over the dialog's controls. Every change made through them
// is a program-made change: it never runs a notification handler.
class CWnd
{
public:
    void Attach(QWidget* widget) { m_widget = widget; }
    bool IsAttached() const { return m_widget != nullptr; }
    QWidget* Widget() const { return m_widget; }

    void SetWindowText(const QString& text);
    QString GetWindowText() const;

protected:
    QWidget* m_widget = nullptr;
};

class CComboBox : public CWnd
{
public:
    // The selected index; -1 for none. In a list with an editable field,
    // typed text that matches no item counts as no selection.
    int GetCurSel() const;
};

// A single-line box or the multi-line output box.
class CEdit : public CWnd
{
public:
    // Selects characters [start, end); end -1 means to the end of the text.
    void SetSel(int start, int end);
    // Replaces the selection; with `canUndo`, as one step that Ctrl+Z takes
    // back, otherwise outside the undo history.
    void ReplaceSel(const QString& text, bool canUndo = false);
    // Puts the selection on the clipboard as plain text only, with the
    // platform's line ends.
    void Copy();
};
