#include "BaudDlg.h"

#include "ControlIds.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "ui_BaudDlg.h"

CBaudDlg::CBaudDlg(Refusal refusal, QWidget* parent)
    : CDialogBase(parent)
    , m_refusal(std::move(refusal))
    , m_ui(std::make_unique<Ui::BaudDlg>())
{
    m_ui->setupUi(this);
    RegisterControls({
        { ctl::BaudOkButton, m_ui->baudOkButton },
        { ctl::BaudCancelButton, m_ui->baudCancelButton },
        { ctl::BaudInput, m_ui->baudInput },
    });
}

CBaudDlg::~CBaudDlg() = default;

void CBaudDlg::ExchangeData(CDataExchange& dx)
{
    CDialogBase::ExchangeData(dx);
    dx.Number(ctl::BaudInput, m_rate);
}

void CBaudDlg::OnOK()
{
    // A text that is no number, or a rate the port cannot make, has been
    // reported; the dialog stays open for another.
    if (!UpdateData(true))
        return;
    if (const std::optional<orlet::Message> refused = m_refusal ? m_refusal(m_rate) : std::nullopt) {
        ShowMessageBox(this, QString::fromStdString(orlet::MessageText(*refused)));
        GetDlgItem(ctl::BaudInput)->setFocus();
        return;
    }
    CDialogBase::OnOK();
}

void CBaudDlg::OnCancel()
{
    m_rate = 0;
    CDialogBase::OnCancel();
}
