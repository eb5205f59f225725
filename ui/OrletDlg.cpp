#include "OrletDlg.h"

#include "ControlFit.h"
#include "ControlIds.h"
#include "Crystal.h"
#include "DataExchange.h"
#include "EnabledFollower.h"
#include "MessageBox.h"
#include "MyCry.h"
#include "NativeSystemMenu.h"
#include "NoticesDlg.h"
#include "OrletVersion.h"
#include "PngIcon.h"
#include "SourceGenerator.h"
#include "Tmod.h"
#include "WindowTexts.h"
#include "ui_AboutDlg.h"
#include "ui_OrletDlg.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <utility>

namespace {

const char* const kWindowTitle = "Orlet 8051 C代码生成器";

const char* const kIntroduction[] = {
    "    欢迎使用 Orlet 系列软件，愿它为您减轻编程的负担。",
    "    本程序用 8051 C 语言生成常用的中断程序。串口固定为方式1，不能更改，需要其他方式的用户请自行编写；"
    "定时器0的方式3很少用到，所以没有提供；如果有需要，以后可能加入定时器2。",
    "    串口部分自动计算装入值，旁边显示的波特率误差仅供参考，因为计算方法不同，得出的误差也不同；"
    "误差超过2%的波特率不应使用。",
    "    本软件免费使用。错误在所难免，发现错误的用户请告诉我们。",
};

const char* const kTriggerItems[] = { "下降沿", "低电平" }; // added in this order; the sort puts 低电平 first

// A mode list holds its timer's modes as a timer, then as a counter: six
// items for timers 0 and 1, two for timer 2's one mode. The model counts
// three modes each (mode list indexes 0-5).
int ModeIndexOfItem(int item, int itemCount)
{
    const int modes = itemCount / 2;
    return item < modes ? item : 3 + item - modes;
}

int ItemOfModeIndex(int modeIndex, int itemCount)
{
    const orlet::ModeListEntry entry = orlet::ModeListEntryAt(modeIndex);
    return (entry.counter ? itemCount / 2 : 0) + entry.mode;
}

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
}

// Enables or disables the controls `ids` of `dialog`.
void enableAll(const CDialogBase& dialog, std::initializer_list<int> ids, bool on)
{
    for (int id : ids) {
        CWnd control;
        control.Attach(dialog.GetDlgItem(id));
        control.EnableWindow(on);
    }
}

} // namespace

const std::array<COrletDlg::TimerControlIds, COrletDlg::kTimerBlocks> COrletDlg::kTimerControls { {
    { ctl::UseTimer0, ctl::Timer0Mode, ctl::Gate0, ctl::Timer0Period, ctl::Timer0Unit, ctl::Timer0Reload,
        ctl::Timer0Actual, ctl::Timer0Postscale, ctl::Timer0Clock },
    { ctl::UseTimer1, ctl::Timer1Mode, ctl::Gate1, ctl::Timer1Period, ctl::Timer1Unit, ctl::Timer1Reload,
        ctl::Timer1Actual, ctl::Timer1Postscale, ctl::Timer1Clock },
    { ctl::UseTimer2, ctl::Timer2Mode, 0, ctl::Timer2Period, ctl::Timer2Unit, ctl::Timer2Reload, ctl::Timer2Actual,
        ctl::Timer2Postscale, ctl::Timer2Clock },
} };

QPoint CentredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight)
{
    return { (clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2 };
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : CDialogBase(parent)
    , m_ui(std::make_unique<Ui::AboutDlg>())
{
    m_ui->setupUi(this);
    m_ui->labelTitle->setText(m_ui->labelTitle->text().arg(QStringLiteral(ORLET_VERSION_MAJOR_MINOR)));
    const QString homepage = QStringLiteral(ORLET_HOMEPAGE);
    m_ui->labelContact->setText(m_ui->labelContact->text().arg(homepage, QString(homepage).remove("https://")));
    connect(m_ui->labelTitle, &QLabel::linkActivated, this, &CAboutDlg::ShowNotices);
    RegisterControls({ { ctl::AboutOkButton, m_ui->aboutOkButton } });
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::ShowNotices()
{
    CNoticesDlg notices(this);
    notices.exec();
}

static void initResources()
{
    Q_INIT_RESOURCE(orlet);
}

COrletDlg::COrletDlg(QWidget* parent)
    : CDialogBase(parent)
    , m_ui(std::make_unique<Ui::OrletDlg>())
{
    initResources();
    m_appIcon = PngIcon({ QStringLiteral(":/icons/orlet-32.png"), QStringLiteral(":/icons/orlet-16.png") });
    m_ui->setupUi(this);
    new EnabledFollower(m_ui->labelPostscale0, m_ui->timer0Postscale);
    new EnabledFollower(m_ui->labelPostscale1, m_ui->timer1Postscale);
    new EnabledFollower(m_ui->labelPostscale2, m_ui->timer2Postscale);
    RegisterControls({
        { ctl::CloseButton, m_ui->closeButton },
        { ctl::Int0Trigger, m_ui->int0Trigger },
        { ctl::OutputBox, m_ui->outputBox },
        { ctl::UseInt0, m_ui->useInt0 },
        { ctl::UseInt1, m_ui->useInt1 },
        { ctl::Int1Trigger, m_ui->int1Trigger },
        { ctl::GenerateButton, m_ui->generateButton },
        { ctl::AboutButton, m_ui->aboutButton },
        { ctl::CopyCheck, m_ui->copyCheck },
        { ctl::CommentCheck, m_ui->commentCheck },
        { ctl::UseTimer0, m_ui->useTimer0 },
        { ctl::UseTimer1, m_ui->useTimer1 },
        { ctl::CrystalList, m_ui->crystalList },
        { ctl::Timer0Mode, m_ui->timer0Mode },
        { ctl::Timer1Mode, m_ui->timer1Mode },
        { ctl::Timer0Period, m_ui->timer0Period },
        { ctl::Timer0Unit, m_ui->timer0Unit },
        { ctl::BaudError, m_ui->baudError },
        { ctl::Gate0, m_ui->gate0 },
        { ctl::CustomMhz, m_ui->customMhz },
        { ctl::Timer0Reload, m_ui->timer0Reload },
        { ctl::Gate1, m_ui->gate1 },
        { ctl::Timer1Period, m_ui->timer1Period },
        { ctl::Timer1Unit, m_ui->timer1Unit },
        { ctl::Timer1Reload, m_ui->timer1Reload },
        { ctl::BaudList, m_ui->baudList },
        { ctl::UartInterrupt, m_ui->uartInterrupt },
        { ctl::UseUart, m_ui->useUart },
        { ctl::DoubleBaud, m_ui->doubleBaud },
        { ctl::BaudReload, m_ui->baudReload },
        { ctl::ExactCheck, m_ui->exactCheck },
        { ctl::Timer0Actual, m_ui->timer0Actual },
        { ctl::Timer0Postscale, m_ui->timer0Postscale },
        { ctl::Timer1Actual, m_ui->timer1Actual },
        { ctl::Timer1Postscale, m_ui->timer1Postscale },
        { ctl::DriftFreeCheck, m_ui->driftFreeCheck },
        { ctl::ChipList, m_ui->chipList },
        { ctl::Timer0Clock, m_ui->timer0Clock },
        { ctl::Timer1Clock, m_ui->timer1Clock },
        { ctl::SixTCheck, m_ui->sixTCheck },
        { ctl::UartTimer2, m_ui->uartTimer2 },
        { ctl::UseTimer2, m_ui->useTimer2 },
        { ctl::Timer2Mode, m_ui->timer2Mode },
        { ctl::Timer2Period, m_ui->timer2Period },
        { ctl::Timer2Unit, m_ui->timer2Unit },
        { ctl::Timer2Reload, m_ui->timer2Reload },
        { ctl::Timer2Actual, m_ui->timer2Actual },
        { ctl::Timer2Postscale, m_ui->timer2Postscale },
        { ctl::Timer2Clock, m_ui->timer2Clock },
        { ctl::VendorHeader, m_ui->vendorHeader },
    });
    nameShownTexts();
    routeNotifications();
    // A dialog edit box: Enter presses the default button, Ctrl+Enter breaks the line.
    m_ui->outputBox->installEventFilter(this);
}

COrletDlg::~COrletDlg() = default;

void COrletDlg::nameShownTexts()
{
    // The longest error is that of a count of 1 for x = 0.5; every reload
    // pair prints with one or two hex digits per byte, in either spelling.
    ShowsTexts(ctl::BaudError, { QStringLiteral("00%"), QStringLiteral("-100.0000%") });
    ShowsTexts(ctl::BaudReload, { QStringLiteral("0xff") }, TextDigits::Hex);
    for (const TimerControlIds& ids : kTimerControls) {
        ShowsTexts(ids.reload, { QStringLiteral("ffH,ffH"), QStringLiteral("ffh,ffh") }, TextDigits::Hex);
        ShowsTexts(ids.unit, { QStringLiteral("us"), QStringLiteral("plus") });
    }
    ShowsTexts(ctl::CustomMhz, { u8(orlet::FormatCustomMhz(100.0f)) });
    // A usual header name of the longer kind: the chip's full part number.
    ShowsTexts(ctl::VendorHeader, { QStringLiteral("STC15F2K60S2.H") }, TextDigits::None);
    // What the other chips name: nameModeItems widens for it at the change.
    LeavesRoomFor(ctl::BaudReload, { QStringLiteral("ffH,ffH") }, TextDigits::Hex);
    for (int timer : { 0, 1 }) {
        QStringList items;
        for (const orlet::ChipRow& row : orlet::ChipRows()) {
            for (int i = 0; i < 6; ++i)
                items << u8(orlet::ModeItemText(orlet::Chip(row), timer, i));
        }
        LeavesRoomFor(kTimerControls[std::size_t(timer)].mode, items);
    }
}

void COrletDlg::routeNotifications()
{
    OnClicked(ctl::UseInt0, &COrletDlg::OnUseInt0);
    OnClicked(ctl::UseInt1, &COrletDlg::OnUseInt1);
    OnClicked(ctl::GenerateButton, &COrletDlg::GenerateSource);
    OnClicked(ctl::AboutButton, &COrletDlg::ShowAboutBox);
    OnSelChange(ctl::CrystalList, &COrletDlg::OnCrystalChange);
    OnClicked(ctl::UseUart, &COrletDlg::OnUseUart);
    OnSelChange(ctl::BaudList, &COrletDlg::UpdateBaudReload);
    OnClicked(ctl::DoubleBaud, &COrletDlg::OnDoubleBaud);
    OnClicked(ctl::ExactCheck, &COrletDlg::OnExactChange);
    OnClicked(ctl::DriftFreeCheck, &COrletDlg::OnDriftFreeChange);
    OnSelChange(ctl::ChipList, &COrletDlg::OnChipChange);
    OnClicked(ctl::SixTCheck, &COrletDlg::OnSixTChange);
    OnClicked(ctl::UartTimer2, &COrletDlg::OnUartTimerChange);
    for (int timer = 0; timer < kTimerBlocks; ++timer) {
        const TimerControlIds& ids = kTimerControls[std::size_t(timer)];
        OnClicked(ids.use, &COrletDlg::OnUseTimer, timer);
        OnSelChange(ids.mode, &COrletDlg::OnModeChange, timer);
        OnEditChange(ids.period, &COrletDlg::UpdateTimerReload, timer);
        if (ids.gate != 0)
            OnClicked(ids.gate, &COrletDlg::OnGate, timer);
        OnEditChange(ids.postscale, &COrletDlg::OnPostscaleChange, timer);
        OnClicked(ids.clock, &COrletDlg::OnClockChange, timer);
    }
}

void COrletDlg::ExchangeData(CDataExchange& dx)
{
    CDialogBase::ExchangeData(dx);
    dx.Control(ctl::BaudList, m_baudCombo);
    dx.Control(ctl::DoubleBaud, m_doubleBaudCheck);
    dx.Control(ctl::UartInterrupt, m_uartIntCheck);
    dx.Control(ctl::UseUart, m_useUartCheck);
    dx.Control(ctl::CustomMhz, m_customMhzEdit);
    dx.Control(ctl::UseTimer1, m_useTimerCheck[1]);
    dx.Control(ctl::Timer0Mode, m_modeCombo[0]);
    dx.Control(ctl::Timer1Mode, m_modeCombo[1]);
    dx.Control(ctl::UseTimer0, m_useTimerCheck[0]);
    dx.Control(ctl::CrystalList, m_crystalCombo);
    dx.Control(ctl::CommentCheck, m_commentCheck);
    dx.Control(ctl::CopyCheck, m_copyCheck);
    dx.Control(ctl::OutputBox, m_outputEdit);
    dx.Control(ctl::UseInt1, m_useInt1Check);
    dx.Control(ctl::UseInt0, m_useInt0Check);
    dx.Control(ctl::Int1Trigger, m_trigger1Combo);
    dx.Control(ctl::Int0Trigger, m_trigger0Combo);
    dx.Text(ctl::Timer0Unit, m_unit[0]);
    dx.Text(ctl::BaudError, m_baudErrorText);
    dx.Number(ctl::Timer0Period, m_time[0]);
    dx.Text(ctl::Timer0Reload, m_reloadText[0]);
    dx.Number(ctl::Timer1Period, m_time[1]);
    dx.Text(ctl::Timer1Reload, m_reloadText[1]);
    dx.Text(ctl::Timer1Unit, m_unit[1]);
    dx.Control(ctl::Gate0, m_gateCheck[0]);
    dx.Control(ctl::Gate1, m_gateCheck[1]);
    dx.Text(ctl::BaudReload, m_baudReloadText);
    dx.Control(ctl::ExactCheck, m_exactCheck);
    dx.Text(ctl::Timer0Actual, m_actualText[0]);
    dx.Number(ctl::Timer0Postscale, m_postscale[0]);
    dx.Text(ctl::Timer1Actual, m_actualText[1]);
    dx.Number(ctl::Timer1Postscale, m_postscale[1]);
    dx.Control(ctl::DriftFreeCheck, m_driftFreeCheck);
    dx.Control(ctl::ChipList, m_chipCombo);
    dx.Control(ctl::Timer0Clock, m_clockCheck[0]);
    dx.Control(ctl::Timer1Clock, m_clockCheck[1]);
    dx.Control(ctl::SixTCheck, m_sixTCheck);
    dx.Control(ctl::UartTimer2, m_uartTimer2Check);
    dx.Control(ctl::UseTimer2, m_useTimerCheck[2]);
    dx.Control(ctl::Timer2Mode, m_modeCombo[2]);
    dx.Control(ctl::Timer2Clock, m_clockCheck[2]);
    dx.Number(ctl::Timer2Period, m_time[2]);
    dx.Text(ctl::Timer2Unit, m_unit[2]);
    dx.Text(ctl::Timer2Reload, m_reloadText[2]);
    dx.Text(ctl::Timer2Actual, m_actualText[2]);
    dx.Number(ctl::Timer2Postscale, m_postscale[2]);
    dx.Control(ctl::VendorHeader, m_vendorHeaderEdit);
}

bool COrletDlg::InitialiseDialog()
{
    CDialogBase::InitialiseDialog();
    addSystemMenuEntry();
    setWindowIcon(m_appIcon);
    setWindowTitle(u8(kWindowTitle));

    QStringList paragraphs;
    for (const char* paragraph : kIntroduction)
        paragraphs << u8(paragraph);
    m_outputEdit.ReplaceSel(paragraphs.join(QStringLiteral("\r\n")));

    fillLists();
    m_crystalHz = orlet::kDefaultCrystalHz;
    for (int timer = 0; timer < kTimerBlocks; ++timer) {
        m_time[std::size_t(timer)] = 1;
        // Capital H here, small h after a switch-off: users and their notes
        // know both spellings, so neither is unified.
        m_reloadText[std::size_t(timer)] = QStringLiteral("ffH,ffH");
        m_unit[std::size_t(timer)] = QStringLiteral("us");
    }
    m_baudErrorText = QStringLiteral("00%");
    disableBlocks();
    UpdateData(false);
    showChipControls();
    return true;
}

void COrletDlg::fillLists()
{
    for (int i = 0; i < int(orlet::kCrystals.size()); ++i)
        m_crystalCombo.InsertString(i, u8(orlet::kCrystals[std::size_t(i)].text));
    m_crystalCombo.InsertString(int(orlet::kCrystals.size()), u8(orlet::kCustomCrystalText));
    m_crystalCombo.SetCurSel(orlet::kDefaultCrystalIndex);

    for (CComboBox* trigger : { &m_trigger0Combo, &m_trigger1Combo }) {
        for (const char* item : kTriggerItems)
            trigger->AddString(u8(item));
        trigger->SetCurSel(1);
    }
    for (int timer : { 0, 1 }) {
        CComboBox& mode = m_modeCombo[std::size_t(timer)];
        for (int i = 0; i < 6; ++i)
            mode.InsertString(i, u8(orlet::ModeItemText(orlet::Chip(), timer, i)));
        mode.SetCurSel(0);
    }
    for (int i = 0; i < int(orlet::kBaudRates.size()); ++i)
        m_baudCombo.InsertString(i, QString::number(orlet::kBaudRates[std::size_t(i)]));
    m_baudCombo.SetCurSel(orlet::kDefaultBaudIndex);

    for (const orlet::ChipRow& row : orlet::ChipRows()) {
        m_chipCombo.AddString(u8(std::string(row.title)));
        m_chipCombo.SetItemData(m_chipCombo.GetCount() - 1, u8(std::string(row.key)));
    }
    m_chipCombo.SetCurSel(m_chipCombo.FindItemData(u8(std::string(orlet::Chip().key()))));

    // Timer 2 has one mode: the timer, then the counter.
    for (int index : { 0, 3 })
        m_modeCombo[2].AddString(u8(orlet::ModeItemText(orlet::ChipNamed("8052"), 2, index)));
    m_modeCombo[2].SetCurSel(0);
}

void COrletDlg::disableBlocks()
{
    for (int id : { ctl::CustomMhz, ctl::Int0Trigger, ctl::Int1Trigger, ctl::Timer0Mode, ctl::Timer0Period, ctl::Gate0,
             ctl::Timer0Reload, ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload, ctl::BaudList,
             ctl::UartInterrupt, ctl::DoubleBaud, ctl::BaudReload, ctl::BaudError, ctl::Timer0Actual,
             ctl::Timer0Postscale, ctl::Timer1Actual, ctl::Timer1Postscale, ctl::UartTimer2, ctl::Timer2Mode,
             ctl::Timer2Period, ctl::Timer2Reload, ctl::Timer2Actual, ctl::Timer2Postscale })
        enableAll(*this, { id }, false);
}

QString COrletDlg::OutputText() const
{
    QString text = m_ui->outputBox->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// ---- Between the controls and the model -----------------------------------

orlet::WindowModel COrletDlg::pull() const
{
    orlet::WindowModel m = m_model;
    m.comments = m_commentCheck.GetCheck();
    m.copy = m_copyCheck.GetCheck();
    m.useInt0 = m_useInt0Check.GetCheck();
    m.trigger0 = m_trigger0Combo.GetCurSel();
    m.useInt1 = m_useInt1Check.GetCheck();
    m.trigger1 = m_trigger1Combo.GetCurSel();
    m.useUart = m_useUartCheck.GetCheck();
    m.doubleBaud = m_doubleBaudCheck.GetCheck();
    m.uartInterrupt = m_uartIntCheck.GetCheck();
    m.baudIndex = m_baudCombo.GetCurSel();
    m.crystalIndex = m_crystalCombo.GetCurSel();
    m.exact = m_exactCheck.GetCheck();
    m.driftFree = m_driftFreeCheck.GetCheck();
    m.chip = orlet::ChipNamed(m_chipCombo.GetItemData(m_chipCombo.GetCurSel()).toStdString());
    m.sixT = m_sixTCheck.GetCheck();
    m.uartTimer = m_uartTimer2Check.GetCheck() ? 2 : 1;
    for (int timer = 0; timer < kTimerBlocks; ++timer) {
        const auto i = std::size_t(timer);
        orlet::TimerState& t = m.timer(timer);
        const CComboBox& mode = m_modeCombo[i];
        t.use = m_useTimerCheck[i].GetCheck();
        t.modeIndex = ModeIndexOfItem(std::max(mode.GetCurSel(), 0), mode.GetCount());
        if (kTimerControls[i].gate != 0)
            t.gate = m_gateCheck[i].GetCheck();
        t.clock = m_clockCheck[i].GetCheck() ? 1 : 12;
        t.time = m_time[i];
        t.unit = m_unit[i].toStdString();
        t.th = m_th[i];
        t.tl = m_tl[i];
        t.reloadText = m_reloadText[i].toStdString();
        t.postscale = m_postscale[i];
    }
    // As typed: the core rule refuses blanks around it at Generate rather
    // than the window cutting them off unseen.
    m.vendorHeader = m_vendorHeaderEdit.GetWindowText().toStdString();
    m.crystalHz = m_crystalHz;
    m.customMhzText = m_customMhzEdit.GetWindowText().toStdString();
    m.tmod = m_tmod;
    m.baudReloadText = m_baudReloadText.toStdString();
    m.baudErrorText = m_baudErrorText.toStdString();
    return m;
}

void COrletDlg::push(const orlet::WindowModel& m)
{
    const orlet::WindowModel before = std::exchange(m_model, m);
    // Only what differs is set: a list's typed text or a box's tick that
    // the model did not change stays as the user left it.
    const auto tick = [](CButton& box, bool checked) {
        if (box.GetCheck() != checked)
            box.SetCheck(checked);
    };
    const auto select = [](CComboBox& list, int index) {
        if (list.GetCurSel() != index)
            list.SetCurSel(index);
    };
    for (int timer = 0; timer < kTimerBlocks; ++timer) {
        const auto i = std::size_t(timer);
        const orlet::TimerState& t = m.timer(timer);
        tick(m_useTimerCheck[i], t.use);
        if (kTimerControls[i].gate != 0)
            tick(m_gateCheck[i], t.gate);
        tick(m_clockCheck[i], t.clock == 1);
        select(m_modeCombo[i], ItemOfModeIndex(t.modeIndex, m_modeCombo[i].GetCount()));
        m_th[i] = t.th;
        m_tl[i] = t.tl;
        m_time[i] = t.time;
        m_unit[i] = u8(t.unit);
        m_reloadText[i] = u8(t.reloadText);
        m_postscale[i] = t.postscale;
    }
    tick(m_sixTCheck, m.sixT);
    tick(m_uartTimer2Check, m.uartTimer == 2);
    tick(m_doubleBaudCheck, m.doubleBaud);
    select(m_baudCombo, m.baudIndex);
    select(m_chipCombo, m_chipCombo.FindItemData(u8(std::string(m.chip.key()))));
    m_customMhzEdit.SetWindowText(u8(m.customMhzText));
    m_crystalHz = m.crystalHz;
    m_tmod = m.tmod;
    m_baudReloadText = u8(m.baudReloadText);
    m_baudErrorText = u8(m.baudErrorText);
    // The lines and tooltips change only with a calculation, a count or the
    // drift-free box.
    for (int timer = 0; timer < kTimerBlocks; ++timer) {
        const orlet::TimerState& b = before.timer(timer);
        const orlet::TimerState& n = m.timer(timer);
        if (b.run != n.run || before.driftFree != m.driftFree || b.postscale != n.postscale)
            showTiming(timer);
    }
    if (before.baudRun != m.baudRun)
        showBaudDerivation();
    if (before.chip != m.chip) {
        nameModeItems();
        nameTimer2Block();
        showChipControls();
    }
    UpdateData(false);
}

void COrletDlg::apply(const orlet::Transition& done)
{
    // Each message is up over the window as it stood when it was raised;
    // what it corrects shows once it is closed.
    orlet::WindowModel shown = pull();
    for (const orlet::Notice& notice : done.notices) {
        if (notice.shown != shown) {
            push(notice.shown);
            shown = notice.shown;
        }
        ShowMessageBox(this, u8(orlet::MessageText(notice.message)));
    }
    push(done.model);
}

// ---- Source generation ----------------------------------------------------

void COrletDlg::GenerateSource()
{
    const orlet::WindowModel model = pull();
    // A header name the include line cannot hold, or what drift-free timing
    // cannot keep exact, is not written, as orlet-gen refuses them.
    if (const std::optional<orlet::Message> refusal = orlet::GenerateRefusal(model)) {
        ShowMessageBox(this, u8(orlet::MessageText(*refusal)));
        return;
    }
    const std::string text = orlet::BuildSourceText(orlet::SettingsFor(model));
    // One undoable step over the whole box: Ctrl+Z brings back what it held,
    // edits included.
    m_outputEdit.SetSel(0, -1);
    m_outputEdit.ReplaceSel(u8(text), true);
    if (m_copyCheck.GetCheck()) {
        m_outputEdit.SetSel(0, -1);
        m_outputEdit.Copy();
    }
}

// ---- External interrupts --------------------------------------------------

void COrletDlg::OnUseInt0()
{
    m_trigger0Combo.EnableWindow(m_useInt0Check.GetCheck());
}

void COrletDlg::OnUseInt1()
{
    m_trigger1Combo.EnableWindow(m_useInt1Check.GetCheck());
}

// ---- Timer blocks ---------------------------------------------------------

void COrletDlg::enableTimerBlock(int timer, bool on)
{
    const TimerControlIds& ids = kTimerControls[std::size_t(timer)];
    for (int id : { ids.mode, ids.period, ids.gate, ids.reload, ids.actual, ids.postscale }) {
        if (id != 0)
            enableAll(*this, { id }, on);
    }
}

void COrletDlg::OnUseTimer(int timer)
{
    enableTimerBlock(timer, m_useTimerCheck[std::size_t(timer)].GetCheck());
    apply(orlet::OnUseTimer(pull(), timer));
}

void COrletDlg::OnGate(int timer)
{
    apply(orlet::OnGate(pull(), timer));
}

void COrletDlg::OnModeChange(int timer)
{
    const TimerControlIds& ids = kTimerControls[std::size_t(timer)];
    if (ids.gate == 0) { // timer 2: no GATE, and its period box stays as it is
        apply(orlet::OnModeChange(pull(), timer));
        return;
    }
    enableAll(*this, { ids.period }, true);
    const orlet::Transition done = orlet::OnModeChange(pull(), timer);
    // The GATE bit means nothing to a counter.
    m_gateCheck[std::size_t(timer)].EnableWindow(!orlet::ModeListEntryAt(done.model.timer(timer).modeIndex).counter);
    apply(done);
}

// ---- Reload calculation ---------------------------------------------------

void COrletDlg::UpdateTimerReload(int timer)
{
    UpdateData(true);
    apply(orlet::UpdateTimerReload(pull(), timer));
}

void COrletDlg::showTiming(int timer)
{
    const std::optional<orlet::TimerShown> shown = orlet::DescribeTimer(m_model, timer);
    const orlet::TimerTexts texts = shown ? orlet::TimerTextsOf(*shown) : orlet::TimerTexts {};
    m_actualText[std::size_t(timer)] = u8(texts.line);
    GetDlgItem(kTimerControls[std::size_t(timer)].reload)->setToolTip(u8(texts.tip));
}

// ---- Precision and software counters ---------------------------------------

void COrletDlg::OnExactChange()
{
    UpdateData(true);
    apply(orlet::OnExactChange(pull()));
}

void COrletDlg::OnPostscaleChange(int timer)
{
    const std::uint32_t before = m_postscale[std::size_t(timer)];
    UpdateData(true); // a refused text keeps the number as it was
    apply(orlet::OnPostscaleChange(pull(), timer, before));
}

void COrletDlg::OnDriftFreeChange()
{
    apply(orlet::OnDriftFreeChange(pull()));
}

// ---- Serial port ----------------------------------------------------------

void COrletDlg::OnUseUart()
{
    const bool on = m_useUartCheck.GetCheck();
    enableAll(*this,
        { ctl::BaudList, ctl::UartInterrupt, ctl::DoubleBaud, ctl::BaudReload, ctl::BaudError, ctl::UartTimer2 }, on);
    // The serial port runs on timer 1 (unless on timer 2), which is switched
    // off and locked.
    const bool onTimer1 = !m_uartTimer2Check.GetCheck();
    m_useTimerCheck[1].EnableWindow(!(on && onTimer1));
    if (on && onTimer1)
        enableTimerBlock(1, false);
    apply(orlet::OnUseUart(pull()));
    lockUartTimer();
}

void COrletDlg::OnDoubleBaud()
{
    apply(orlet::OnDoubleBaud(pull()));
}

void COrletDlg::UpdateBaudReload()
{
    apply(orlet::UpdateBaudReload(pull()));
}

void COrletDlg::showBaudDerivation()
{
    const std::optional<orlet::BaudDerivation> d = orlet::DescribeBaud(m_model);
    const QString tip = d ? u8(orlet::BaudTip(*d)) : QString();
    for (int id : { ctl::BaudReload, ctl::BaudError })
        GetDlgItem(id)->setToolTip(tip);
}

// ---- Chip -----------------------------------------------------------------

void COrletDlg::OnChipChange()
{
    apply(orlet::OnChipChange(pull()));
    lockUartTimer();
}

void COrletDlg::OnUartTimerChange()
{
    apply(orlet::OnUartTimerChange(pull()));
    lockUartTimer();
}

void COrletDlg::lockUartTimer()
{
    for (int timer : { 1, 2 }) {
        const bool locked = m_model.useUart && m_model.uartTimer == timer;
        m_useTimerCheck[std::size_t(timer)].EnableWindow(!locked);
        enableTimerBlock(timer, !locked && m_model.timer(timer).use);
    }
    // Beside a counter mode GATE1 stays disabled, as the mode list left it.
    if (orlet::ModeListEntryAt(m_model.timer(1).modeIndex).counter)
        m_gateCheck[1].EnableWindow(false);
    // PCON.SMOD reaches only timer 1 in mode 2.
    m_doubleBaudCheck.EnableWindow(m_model.useUart && orlet::SmodDoublesRate(m_model));
}

// ---- Timer 2 and the chip's clocks ------------------------------------------

void COrletDlg::OnClockChange(int timer)
{
    const std::uint32_t before = m_model.timer(timer).clock;
    apply(orlet::OnTimerClockChange(pull(), timer, before));
}

void COrletDlg::nameTimer2Block()
{
    const orlet::TimerRow* timer2 = m_model.chip->timers[2];
    if (timer2 == nullptr)
        return;
    m_ui->labelReload2->setText(u8(std::string(timer2->reloadHigh) + ',' + timer2->reloadLow));
    for (int item = 0; item < m_modeCombo[2].GetCount(); ++item)
        m_modeCombo[2].SetItemText(
            item, u8(orlet::ModeItemText(m_model.chip, 2, ModeIndexOfItem(item, m_modeCombo[2].GetCount()))));
}

void COrletDlg::OnSixTChange()
{
    apply(orlet::OnSixTChange(pull()));
}

void COrletDlg::showChipControls()
{
    const orlet::ChipRow& row = m_model.chip.row();
    // A timer's 1T box where it can count at 1T or 12T.
    const auto clockChoice = [&row](int timer) {
        const orlet::TimerRow* t = orlet::TimerOf(row, timer);
        return t != nullptr && t->clocks.size() > 1;
    };
    for (int timer = 0; timer < kTimerBlocks; ++timer)
        m_clockCheck[std::size_t(timer)].Widget()->setVisible(clockChoice(timer));
    m_sixTCheck.Widget()->setVisible(row.offersSixT);
    m_uartTimer2Check.Widget()->setVisible(orlet::BaudSourceOnTimer(row, 2) != nullptr);
    m_vendorHeaderEdit.Widget()->setVisible(row.acceptsVendorHeader);
    showTimer2Block(row.timers[2] != nullptr);
}

void COrletDlg::showTimer2Block(bool shown)
{
    QWidget& output = *m_ui->outputBox;
    if (m_classicHeight == 0) {
        m_classicHeight = height();
        m_classicOutputHeight = output.height();
    }
    for (QWidget* control : std::initializer_list<QWidget*> { m_ui->groupTIME2, m_ui->useTimer2, m_ui->timer2Mode,
             m_ui->labelPostscale2, m_ui->timer2Postscale, m_ui->timer2Period, m_ui->timer2Unit, m_ui->labelReload2,
             m_ui->timer2Reload, m_ui->timer2Actual })
        control->setVisible(shown);
    // The block stands below the serial port's; the output box grows with
    // the frame, as far below the block as the frame was below the port's.
    const QRect block = m_ui->groupTIME2->geometry();
    const int margin = m_classicHeight - m_ui->groupUART->geometry().bottom();
    const int grown = shown ? block.bottom() + margin - m_classicHeight : 0;
    setFixedSize(width(), m_classicHeight + grown);
    output.resize(output.width(), m_classicOutputHeight + grown);
}

void COrletDlg::nameModeItems()
{
    for (int timer : { 0, 1 }) {
        CComboBox& list = m_modeCombo[std::size_t(timer)];
        QWidget& box = *list.Widget();
        QRect& classicPlace = m_classicModeListPlace[std::size_t(timer)];
        if (classicPlace.isNull())
            classicPlace = box.geometry();
        for (int i = 0; i < 6; ++i)
            list.SetItemText(i, u8(orlet::ModeItemText(m_model.chip, timer, i)));
        // Longer names take the free room of the row; the classic names fit
        // the list as the window always had it.
        box.setGeometry(classicPlace);
        WidenWithinRoom(box, WidthForItems(box));
    }
    // From a 16-bit reload the serial reload is a pair ("ffH,e8H").
    QWidget& baudReload = *GetDlgItem(ctl::BaudReload);
    if (m_classicBaudReloadPlace.isNull())
        m_classicBaudReloadPlace = baudReload.geometry();
    baudReload.setGeometry(m_classicBaudReloadPlace);
    const auto& sources = m_model.chip->baudSources;
    if (std::any_of(sources.begin(), sources.end(), [](const auto& source) { return source.limit > 256; })) {
        const QString widest = WidestForm(QStringLiteral("ffH,ffH"), baudReload.font(), TextDigits::Hex);
        WidenWithinRoom(baudReload, WidthForText(baudReload, widest));
    }
}

// ---- Crystal --------------------------------------------------------------

void COrletDlg::OnCrystalChange()
{
    float customMhz = orlet::kDefaultCustomMhz;
    if (m_crystalCombo.GetCurSel() == m_crystalCombo.GetCount() - 1) {
        CMyCry dialog(this);
        dialog.DoModal();
        customMhz = g_customMhz;
    } else {
        m_customMhzEdit.EnableWindow(false);
    }
    UpdateData(true);
    apply(orlet::OnCrystalChange(pull(), customMhz));
}

// ---- Frame: About box, system menu, painting, Enter in the output box ------

void COrletDlg::ShowAboutBox()
{
    CAboutDlg about(this);
    about.DoModal();
}

void COrletDlg::HandleSystemCommand(unsigned id, qintptr lParam)
{
    Q_UNUSED(lParam);
    if ((id & 0xFFF0) == kAboutCommand)
        ShowAboutBox();
    else if ((id & 0xFFF0) == kCloseCommand)
        close();
}

void COrletDlg::addSystemMenuEntry()
{
    AppendToNativeSystemMenu(this, kAboutCommand, u8(kAboutMenuText));
    // Elsewhere the window manager owns the window menu: the same entries are
    // on the dialog's own menu, reached by a right click on the dialog or by
    // Alt+Space.
    m_systemMenu = new QMenu(this);
    m_systemMenu->addAction(QStringLiteral("关闭(&C)"), this, [this] { HandleSystemCommand(kCloseCommand, 0); });
    m_systemMenu->addSeparator();
    m_systemMenu->addAction(u8(kAboutMenuText), this, [this] { HandleSystemCommand(kAboutCommand, 0); });
#ifndef Q_OS_WIN
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(shortcut, &QShortcut::activated, this, [this] { m_systemMenu->popup(mapToGlobal(QPoint(0, 0))); });
#endif
}

void COrletDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_systemMenu)
        m_systemMenu->popup(event->globalPos());
}

void COrletDlg::paintEvent(QPaintEvent* event)
{
    if (!isMinimized()) {
        CDialogBase::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QPoint origin = CentredIconOrigin(width(), height(), 32, 32);
    m_appIcon.paint(&painter, QRect(origin, QSize(32, 32)));
}

bool COrletDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (const auto command = SystemCommandOf(eventType, message); command && (command->id & 0xFFF0) == kAboutCommand) {
        HandleSystemCommand(command->id, command->lParam);
        *result = 0;
        return true;
    }
    return CDialogBase::nativeEvent(eventType, message, result);
}

bool COrletDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->outputBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ControlModifier)
                m_ui->outputBox->insertPlainText(QStringLiteral("\n"));
            else
                m_ui->generateButton->click();
            return true;
        }
    }
    return CDialogBase::eventFilter(watched, event);
}
