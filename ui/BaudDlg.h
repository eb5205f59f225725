#pragma once

#include "DialogBase.h"
#include "Messages.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class BaudDlg;
}

// Asks for a rate off the list (the rate list's "其他…"): a whole number of
// bit/s the serial port can make, which `refusal` names otherwise.
class CBaudDlg : public CDialogBase
{
    Q_OBJECT

public:
    using Refusal = std::function<std::optional<orlet::Message>(std::uint32_t rate)>;

    explicit CBaudDlg(Refusal refusal = {}, QWidget* parent = nullptr);
    ~CBaudDlg() override;

    // The rate shown at the start, then the one accepted with OK; 0 after
    // any kind of cancel.
    std::uint32_t m_rate = 0;

protected:
    void ExchangeData(CDataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    Refusal m_refusal;
    std::unique_ptr<Ui::BaudDlg> m_ui;
};
