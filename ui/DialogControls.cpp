#include "DialogControls.h"

#include "Gbk.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace {

// The GBK bytes order the sorted lists, whatever the system's collation.
QByteArray gbkSortKey(const QString& text)
{
    if (std::optional<std::string> bytes = orlet::EncodeGbk(text.toStdString()))
        return QByteArray::fromStdString(*bytes);
    return text.toUtf8();
}

} // namespace

void CWnd::EnableWindow(bool enable)
{
    m_widget->setEnabled(enable);
}

void CWnd::SetWindowText(const QString& text)
{
    const QSignalBlocker blocker(m_widget);
    if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        if (label->text() != text)
            label->setText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(m_widget)) {
        if (line->text() != text)
            line->setText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget)) {
        plain->setPlainText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) {
        button->setText(text);
    } else {
        m_widget->setWindowTitle(text);
    }
}

QString CWnd::GetWindowText() const
{
    if (auto* label = qobject_cast<QLabel*>(m_widget))
        return label->text();
    if (auto* line = qobject_cast<QLineEdit*>(m_widget))
        return line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget))
        return plain->toPlainText();
    if (auto* button = qobject_cast<QAbstractButton*>(m_widget))
        return button->text();
    return m_widget->windowTitle();
}

bool CButton::GetCheck() const
{
    return static_cast<QAbstractButton*>(m_widget)->isChecked();
}

void CButton::SetCheck(bool checked)
{
    const QSignalBlocker blocker(m_widget);
    static_cast<QAbstractButton*>(m_widget)->setChecked(checked);
}

QComboBox* CComboBox::combo() const
{
    return static_cast<QComboBox*>(m_widget);
}

int CComboBox::GetCurSel() const
{
    QComboBox* box = combo();
    if (box->isEditable()) {
        const int index = box->currentIndex();
        return index >= 0 && box->itemText(index) == box->currentText() ? index : box->findText(box->currentText());
    }
    return box->currentIndex();
}

void CComboBox::SetCurSel(int index)
{
    const QSignalBlocker blocker(m_widget);
    combo()->setCurrentIndex(index);
}

int CComboBox::GetCount() const
{
    return combo()->count();
}

void CComboBox::InsertString(int index, const QString& text)
{
    const QSignalBlocker blocker(m_widget);
    combo()->insertItem(index, text);
}

void CComboBox::SetItemText(int index, const QString& text)
{
    const QSignalBlocker blocker(m_widget);
    combo()->setItemText(index, text);
}

void CComboBox::AddString(const QString& text)
{
    const QSignalBlocker blocker(m_widget);
    QComboBox* box = combo();
    int at = box->count();
    if (box->property("sortedList").toBool()) {
        // Sorted in GBK order, the order the Chinese lists have always had.
        const QByteArray newKey = gbkSortKey(text);
        for (at = 0; at < box->count() && gbkSortKey(box->itemText(at)) <= newKey; ++at) { }
    }
    const int previous = box->currentIndex();
    box->insertItem(at, text);
    if (previous < 0)
        box->setCurrentIndex(-1);
}

void CComboBox::SetItemData(int index, const QString& key)
{
    const QSignalBlocker blocker(m_widget);
    combo()->setItemData(index, key);
}

QString CComboBox::GetItemData(int index) const
{
    return combo()->itemData(index).toString();
}

int CComboBox::FindItemData(const QString& key) const
{
    return combo()->findData(key);
}

void CEdit::SetSel(int start, int end)
{
    if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget)) {
        QTextCursor cursor = plain->textCursor();
        cursor.setPosition(start);
        cursor.movePosition(end < 0 ? QTextCursor::End : QTextCursor::Start, QTextCursor::KeepAnchor);
        if (end >= 0)
            cursor.setPosition(end, QTextCursor::KeepAnchor);
        plain->setTextCursor(cursor);
    } else if (auto* line = qobject_cast<QLineEdit*>(m_widget)) {
        const int last = end < 0 ? int(line->text().size()) : end;
        line->setSelection(start, last - start);
    }
}

void CEdit::ReplaceSel(const QString& text, bool canUndo)
{
    const QSignalBlocker blocker(m_widget);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget)) {
        if (canUndo) {
            // Removing the selection and inserting the text make one step.
            plain->insertPlainText(text);
            return;
        }
        // Not undoable: the user's undo history starts after this text.
        plain->setUndoRedoEnabled(false);
        plain->insertPlainText(text);
        plain->setUndoRedoEnabled(true);
    } else if (auto* line = qobject_cast<QLineEdit*>(m_widget)) {
        line->insert(text);
    }
}

void CEdit::Copy()
{
    QString text;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget))
        text = plain->textCursor().selection().toPlainText();
    else if (auto* line = qobject_cast<QLineEdit*>(m_widget))
        text = line->selectedText();
    if (text.isEmpty())
        return;
#ifdef Q_OS_WIN
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#endif
    // setText offers text/plain alone: no HTML or office format that would
    // bring the box's font into a word processor.
    QGuiApplication::clipboard()->setText(text);
}
