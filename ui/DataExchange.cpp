#include "DataExchange.h"

#include "DecimalText.h"
#include "DialogBase.h"
#include "DialogControls.h"
#include "MessageBox.h"

#include <QLineEdit>

#include <cstdio>

CDataExchange::CDataExchange(CDialogBase& dialog, bool saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate)
    , m_dialog(dialog)
{
}

void CDataExchange::Control(int id, CWnd& wrapper)
{
    if (!skip() && !wrapper.IsAttached())
        wrapper.Attach(m_dialog.GetDlgItem(id));
}

void CDataExchange::Text(int id, QString& value)
{
    if (skip())
        return;
    CWnd control;
    control.Attach(m_dialog.GetDlgItem(id));
    if (m_bSaveAndValidate)
        value = control.GetWindowText();
    else
        control.SetWindowText(value);
}

bool ParseUnsignedText(const QString& text, std::uint32_t& value)
{
    const auto parsed = orlet::ParseUnsignedDecimal(text.trimmed().toStdString());
    if (parsed)
        value = *parsed;
    return parsed.has_value();
}

void CDataExchange::Number(int id, std::uint32_t& value)
{
    if (skip())
        return;
    CWnd control;
    control.Attach(m_dialog.GetDlgItem(id));
    if (!m_bSaveAndValidate) {
        control.SetWindowText(QString::number(value));
        return;
    }
    std::uint32_t parsed = 0;
    if (ParseUnsignedText(control.GetWindowText(), parsed))
        value = parsed;
    else
        fail(id, QString::fromUtf8(kEnterWholeNumberMessage));
}

void CDataExchange::Number(int id, float& value)
{
    if (skip())
        return;
    CWnd control;
    control.Attach(m_dialog.GetDlgItem(id));
    if (!m_bSaveAndValidate) {
        // Six significant digits, as single precision holds them.
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.6g", static_cast<double>(value));
        control.SetWindowText(QString::fromLatin1(buffer));
        return;
    }
    const auto parsed = orlet::ParseSingleDecimal(control.GetWindowText().toStdString());
    if (parsed)
        value = *parsed;
    else
        fail(id, QString::fromUtf8(kEnterNumberMessage));
}

void CDataExchange::fail(int id, const QString& message)
{
    m_failed = true;
    ShowMessageBox(&m_dialog, message);
    if (QWidget* control = m_dialog.GetDlgItem(id)) {
        control->setFocus();
        // Selected, so that typing replaces what was refused.
        if (auto* line = qobject_cast<QLineEdit*>(control))
            line->selectAll();
    }
}
