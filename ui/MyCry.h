#pragma once

#include "DialogBase.h"

#include <memory>

namespace Ui {
class MyCry;
}

// The custom frequency in MHz that the last custom-frequency dialog handed
// over: the accepted value after OK, 12 after any kind of cancel.
extern float g_customMhz;

// Asks for a custom crystal frequency from 1 to 100 MHz.
class CMyCry : public CDialogBase
{
    Q_OBJECT

public:
    explicit CMyCry(QWidget* parent = nullptr);
    ~CMyCry() override;

    float m_customMhz = 12.0f;

protected:
    void ExchangeData(CDataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnChangeMhz();

    std::unique_ptr<Ui::MyCry> m_ui;
};
