#include "DialogControls.h"

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
        if (button->text() != text)
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

int CComboBox::GetCurSel() const
{
    const auto* box = static_cast<QComboBox*>(m_widget);
    if (box->isEditable()) {
        const int index = box->currentIndex();
        return index >= 0 && box->itemText(index) == box->currentText() ? index : box->findText(box->currentText());
    }
    return box->currentIndex();
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
