#pragma once

#include <QString>

class QWidget;
class QComboBox;

// Thin wrappers over the dialog's controls. Every change made through them
// is a program-made change: it never runs a notification handler.
class CWnd
{
public:
    void Attach(QWidget* widget) { m_widget = widget; }
    bool IsAttached() const { return m_widget != nullptr; }
    QWidget* Widget() const { return m_widget; }

    void EnableWindow(bool enable);
    void SetWindowText(const QString& text);
    QString GetWindowText() const;

protected:
    QWidget* m_widget = nullptr;
};

class CButton : public CWnd
{
public:
    bool GetCheck() const;
    void SetCheck(bool checked);
};

class CComboBox : public CWnd
{
public:
    // The selected index; -1 for none. In a list with an editable field,
    // typed text that matches no item counts as no selection.
    int GetCurSel() const;
    void SetCurSel(int index);
    int GetCount() const;
    void InsertString(int index, const QString& text);
    // Renames the item at `index`; the selection stays.
    void SetItemText(int index, const QString& text);
    // Adds in sorted order when the list has the sorted style, else at the end.
    void AddString(const QString& text);
    // A key kept with the item at `index`, and the item that keeps `key`
    // (-1: none), so that an item is known by its key rather than its place.
    void SetItemData(int index, const QString& key);
    QString GetItemData(int index) const;
    int FindItemData(const QString& key) const;

private:
    QComboBox* combo() const;
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
