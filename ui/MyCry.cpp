#include "MyCry.h"

#include "ControlIds.h"
#include "Crystal.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "ui_MyCry.h"

float g_customMhz = orlet::kDefaultCustomMhz;

CMyCry::CMyCry(QWidget* parent)
    : CDialogBase(parent)
    , m_ui(std::make_unique<Ui::MyCry>())
{
    m_ui->setupUi(this);
    RegisterControls({
        { ctl::CustomOkButton, m_ui->customOkButton },
        { ctl::CustomCancelButton, m_ui->customCancelButton },
        { ctl::CustomMhzInput, m_ui->customMhzInput },
    });
    OnEditChange(ctl::CustomMhzInput, &CMyCry::OnChangeMhz);
}

CMyCry::~CMyCry() = default;

void CMyCry::ExchangeData(CDataExchange& dx)
{
    CDialogBase::ExchangeData(dx);
    dx.Number(ctl::CustomMhzInput, m_customMhz);
}

void CMyCry::OnChangeMhz()
{
    UpdateData(true);
    if (!orlet::IsCustomMhzAccepted(m_customMhz)) {
        ShowMessageBox(this, QString::fromUtf8(orlet::kCustomMhzRangeMessage),
            QString::fromUtf8(orlet::kCustomMhzCaption), MessageIcon::Stop);
        m_customMhz = orlet::kDefaultCustomMhz;
        UpdateData(false);
    }
}

void CMyCry::OnOK()
{
    // A text that is no number has been reported once; the dialog stays open.
    if (!UpdateData(true))
        return;
    g_customMhz = m_customMhz;
    CDialogBase::OnOK();
}

void CMyCry::OnCancel()
{
    g_customMhz = orlet::kDefaultCustomMhz;
    CDialogBase::OnCancel();
}
