#pragma once

#include "DialogBase.h"
#include "DialogControls.h"
#include "WindowModel.h"

#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class OrletDlg;
class AboutDlg;
} // namespace Ui

class QMenu;

// Text of the About entry on the window's system menu, and its command.
inline const char* const kAboutMenuText = "关于 Orlet(&A)...";
constexpr unsigned kAboutCommand = 0x0010;
constexpr unsigned kCloseCommand = 0xF060;

// Where an icon of `iconSize` stands centred in a client area of
// `clientSize`; divisions truncate toward zero.
QPoint CentredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

class CAboutDlg : public CDialogBase
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // Opens the licence and the third-party notices.
    void ShowNotices();

private:
    std::unique_ptr<Ui::AboutDlg> m_ui;
};

// The main window: every setting of the generator and the calculators
// behind the option blocks.
class COrletDlg : public CDialogBase
{
    Q_OBJECT

public:
    explicit COrletDlg(QWidget* parent = nullptr);
    ~COrletDlg() override;

    // The output box's text with CR LF line ends, as the generator wrote it.
    QString OutputText() const;

    // The window's settings as its controls show them now.
    orlet::WindowModel CurrentModel() const { return pull(); }

    void HandleSystemCommand(unsigned id, qintptr lParam);
    QMenu* SystemMenu() const { return m_systemMenu; }

    // The controls of one timer's block (0: none; timer 2 has no GATE).
    struct TimerControlIds {
        int use, mode, gate, period, unit, reload, actual, postscale, clock;
    };
    static constexpr int kTimerBlocks = 3;
    static const std::array<TimerControlIds, kTimerBlocks> kTimerControls;

    // Settings members; the handlers keep them in step with the controls.
    std::uint8_t m_tmod = 0;
    std::array<std::uint8_t, kTimerBlocks> m_th { 0xFF, 0xFF, 0xFF };
    std::array<std::uint8_t, kTimerBlocks> m_tl { 0xFF, 0xFF, 0xFF };
    std::uint32_t m_crystalHz = 0;

    CComboBox m_baudCombo;
    CButton m_doubleBaudCheck;
    CButton m_uartIntCheck;
    CButton m_useUartCheck;
    CEdit m_customMhzEdit;
    CComboBox m_crystalCombo;
    CButton m_commentCheck;
    CButton m_copyCheck;
    CEdit m_outputEdit;
    CButton m_useInt1Check;
    CButton m_useInt0Check;
    CComboBox m_trigger1Combo;
    CComboBox m_trigger0Combo;
    QString m_baudErrorText;
    QString m_baudReloadText;
    QIcon m_appIcon;

    // Each timer's block: its use box, mode list, GATE (timers 0 and 1), the
    // period with its unit, the reload display, the real-period line, the
    // software counter (interrupts per run of the user's code) and, where
    // the chip offers it, the 1T (ticked) or 12T clock.
    std::array<CButton, kTimerBlocks> m_useTimerCheck;
    std::array<CComboBox, kTimerBlocks> m_modeCombo;
    std::array<CButton, kTimerBlocks> m_gateCheck;
    std::array<CButton, kTimerBlocks> m_clockCheck;
    std::array<std::uint32_t, kTimerBlocks> m_time {};
    std::array<QString, kTimerBlocks> m_unit;
    std::array<QString, kTimerBlocks> m_reloadText;
    std::array<QString, kTimerBlocks> m_actualText;
    std::array<std::uint32_t, kTimerBlocks> m_postscale { 1, 1, 1 };

    // Added after the template's members: the exact count and drift-free
    // timing (modes 0 and 1 add the reload to the running count).
    CButton m_exactCheck;
    CButton m_driftFreeCheck;
    // The chip the numbers and the code are for; "8051" is the classic chip.
    CComboBox m_chipCombo;
    // Shown where the chip offers them: STC89's 6T mode, the serial port
    // from timer 2.
    CButton m_sixTCheck;
    CButton m_uartTimer2Check;
    // STC15/STC8: the vendor's header, named instead of declaring registers.
    CEdit m_vendorHeaderEdit;

protected:
    void ExchangeData(CDataExchange& dx) override;
    bool InitialiseDialog() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void nameShownTexts();
    void routeNotifications();
    void addSystemMenuEntry();
    void fillLists();
    void disableBlocks();

    // Notification handlers.
    void GenerateSource();
    void ShowAboutBox();
    void OnUseInt0();
    void OnUseInt1();
    void OnUseTimer(int timer);
    void OnGate(int timer);
    void OnModeChange(int timer);
    void OnUseUart();
    void OnDoubleBaud();
    void OnCrystalChange();
    void UpdateTimerReload(int timer);
    void UpdateBaudReload();
    void OnExactChange();
    void OnPostscaleChange(int timer);
    void OnDriftFreeChange();
    void OnChipChange();
    void OnSixTChange();
    void OnClockChange(int timer);
    void OnUartTimerChange();
    // The timer the serial port runs on is locked.
    void lockUartTimer();

    // Every handler: pull the controls into the model, run its transition,
    // show the messages in order, push the model into the controls.
    orlet::WindowModel pull() const;
    void push(const orlet::WindowModel& model);
    void apply(const orlet::Transition& transition);

    void enableTimerBlock(int timer, bool on);
    // Writes the real-period line and the reload tooltip of `timer` from its
    // last calculation and its software count.
    void showTiming(int timer);
    void showBaudDerivation();
    // Names the mode lists' items for what each mode does on the chosen chip.
    void nameModeItems();
    // Shows the controls of what the chosen chip adds, hides the others;
    // the frame grows to hold timer 2's block and shrinks back without it.
    void showChipControls();
    void showTimer2Block(bool shown);
    // Names timer 2's reload registers and its mode items for the chip.
    void nameTimer2Block();

    // The mode lists' places at "8051", before longer names widened them.
    std::array<QRect, 2> m_classicModeListPlace;
    QRect m_classicBaudReloadPlace;
    // The heights of the frame and the output box without timer 2; their
    // widths are the template's, as wide as the font needs it.
    int m_classicHeight = 0;
    int m_classicOutputHeight = 0;

    // What the model knows beyond the members: the last calculations.
    orlet::WindowModel m_model;

    std::unique_ptr<Ui::OrletDlg> m_ui;
    QMenu* m_systemMenu = nullptr;
};
