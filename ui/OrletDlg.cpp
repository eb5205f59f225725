#include "OrletDlg.h"

#include "BaudReload.h"
#include "Configuration.h"
#include "ControlIds.h"
#include "Crystal.h"
#include "DataExchange.h"
#include "Explain.h"
#include "MessageBox.h"
#include "MyCry.h"
#include "NativeSystemMenu.h"
#include "OrletVersion.h"
#include "SourceGenerator.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "TimingTexts.h"
#include "Tmod.h"
#include "ui_AboutDlg.h"
#include "ui_OrletDlg.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

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

const char* const kModeItems[] = { "定时方式0", "定时方式1", "定时方式2", "计数方式0", "计数方式1", "计数方式2" };
const char* const kTriggerItems[] = { "下降沿", "低电平" }; // added in this order; the sort puts 低电平 first

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
}

orlet::TriggerMode triggerAt(int index)
{
    return index == 0 ? orlet::TriggerMode::Level : orlet::TriggerMode::FallingEdge;
}

// How one block's values came about, from the same resolver orlet-gen uses;
// empty when it refuses them.
orlet::Derivation deriveAlone(const orlet::Configuration& config)
{
    const orlet::ResolveResult result = orlet::ResolveConfiguration(config);
    return result.resolved ? orlet::DeriveConfiguration(config, *result.resolved) : orlet::Derivation {};
}

} // namespace

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
    RegisterControls({ { ctl::AboutOkButton, m_ui->aboutOkButton } });
}

CAboutDlg::~CAboutDlg() = default;

static void initResources()
{
    Q_INIT_RESOURCE(orlet);
}

COrletDlg::COrletDlg(QWidget* parent)
    : CDialogBase(parent)
    , m_appIcon(QStringLiteral(":/icons/orlet-32.png"))
    , m_ui(std::make_unique<Ui::OrletDlg>())
{
    initResources();
    m_appIcon.addFile(QStringLiteral(":/icons/orlet-16.png"));
    m_ui->setupUi(this);
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
    for (int id : { ctl::Timer0Reload, ctl::Timer1Reload })
        ShowsTexts(id, { QStringLiteral("ffH,ffH"), QStringLiteral("ffh,ffh") }, TextDigits::Hex);
    for (int id : { ctl::Timer0Unit, ctl::Timer1Unit })
        ShowsTexts(id, { QStringLiteral("us"), QStringLiteral("plus") });
    ShowsTexts(ctl::CustomMhz, { u8(orlet::FormatCustomMhz(100.0f)) });
}

void COrletDlg::routeNotifications()
{
    OnClicked(ctl::UseInt0, &COrletDlg::OnUseInt0);
    OnClicked(ctl::UseInt1, &COrletDlg::OnUseInt1);
    OnClicked(ctl::GenerateButton, &COrletDlg::GenerateSource);
    OnClicked(ctl::AboutButton, &COrletDlg::ShowAboutBox);
    OnClicked(ctl::UseTimer0, &COrletDlg::OnUseTimer0);
    OnSelChange(ctl::Timer0Mode, &COrletDlg::OnMode0Change);
    OnSelChange(ctl::CrystalList, &COrletDlg::OnCrystalChange);
    OnEditChange(ctl::Timer0Period, &COrletDlg::UpdateTimer0Reload);
    OnClicked(ctl::UseTimer1, &COrletDlg::OnUseTimer1);
    OnSelChange(ctl::Timer1Mode, &COrletDlg::OnMode1Change);
    OnEditChange(ctl::Timer1Period, &COrletDlg::UpdateTimer1Reload);
    OnClicked(ctl::Gate0, &COrletDlg::OnGate0);
    OnClicked(ctl::Gate1, &COrletDlg::OnGate1);
    OnClicked(ctl::UseUart, &COrletDlg::OnUseUart);
    OnSelChange(ctl::BaudList, &COrletDlg::UpdateBaudReload);
    OnClicked(ctl::DoubleBaud, &COrletDlg::OnDoubleBaud);
    OnClicked(ctl::ExactCheck, &COrletDlg::OnExactChange);
    OnEditChange(ctl::Timer0Postscale, &COrletDlg::OnPostscale0Change);
    OnEditChange(ctl::Timer1Postscale, &COrletDlg::OnPostscale1Change);
}

void COrletDlg::ExchangeData(CDataExchange& dx)
{
    CDialogBase::ExchangeData(dx);
    dx.Control(ctl::BaudList, m_baudCombo);
    dx.Control(ctl::DoubleBaud, m_doubleBaudCheck);
    dx.Control(ctl::UartInterrupt, m_uartIntCheck);
    dx.Control(ctl::UseUart, m_useUartCheck);
    dx.Control(ctl::CustomMhz, m_customMhzEdit);
    dx.Control(ctl::UseTimer1, m_useTimer1Check);
    dx.Control(ctl::Timer0Mode, m_mode0Combo);
    dx.Control(ctl::Timer1Mode, m_mode1Combo);
    dx.Control(ctl::UseTimer0, m_useTimer0Check);
    dx.Control(ctl::CrystalList, m_crystalCombo);
    dx.Control(ctl::CommentCheck, m_commentCheck);
    dx.Control(ctl::CopyCheck, m_copyCheck);
    dx.Control(ctl::OutputBox, m_outputEdit);
    dx.Control(ctl::UseInt1, m_useInt1Check);
    dx.Control(ctl::UseInt0, m_useInt0Check);
    dx.Control(ctl::Int1Trigger, m_trigger1Combo);
    dx.Control(ctl::Int0Trigger, m_trigger0Combo);
    dx.Text(ctl::Timer0Unit, m_unit0);
    dx.Text(ctl::BaudError, m_baudErrorText);
    dx.Number(ctl::Timer0Period, m_time0);
    dx.Text(ctl::Timer0Reload, m_reload0Text);
    dx.Number(ctl::Timer1Period, m_time1);
    dx.Text(ctl::Timer1Reload, m_reload1Text);
    dx.Text(ctl::Timer1Unit, m_unit1);
    dx.Control(ctl::Gate0, m_gate0Check);
    dx.Control(ctl::Gate1, m_gate1Check);
    dx.Text(ctl::BaudReload, m_baudReloadText);
    dx.Control(ctl::ExactCheck, m_exactCheck);
    dx.Text(ctl::Timer0Actual, m_actual0Text);
    dx.Number(ctl::Timer0Postscale, m_postscale0);
    dx.Text(ctl::Timer1Actual, m_actual1Text);
    dx.Number(ctl::Timer1Postscale, m_postscale1);
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
    m_time0 = 1;
    // Capital H here, small h after a switch-off: users and their notes know
    // both spellings, so neither is unified.
    m_reload0Text = QStringLiteral("ffH,ffH");
    m_unit0 = QStringLiteral("us");
    m_time1 = 1;
    m_reload1Text = QStringLiteral("ffH,ffH");
    m_unit1 = QStringLiteral("us");
    m_baudErrorText = QStringLiteral("00%");
    disableBlocks();
    UpdateData(false);
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
    for (CComboBox* mode : { &m_mode0Combo, &m_mode1Combo }) {
        for (int i = 0; i < 6; ++i)
            mode->InsertString(i, u8(kModeItems[i]));
        mode->SetCurSel(0);
    }
    for (int i = 0; i < int(orlet::kBaudRates.size()); ++i)
        m_baudCombo.InsertString(i, QString::number(orlet::kBaudRates[std::size_t(i)]));
    m_baudCombo.SetCurSel(orlet::kDefaultBaudIndex);
}

void COrletDlg::disableBlocks()
{
    for (int id : { ctl::CustomMhz, ctl::Int0Trigger, ctl::Int1Trigger, ctl::Timer0Mode, ctl::Timer0Period, ctl::Gate0,
             ctl::Timer0Reload, ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload, ctl::BaudList,
             ctl::UartInterrupt, ctl::DoubleBaud, ctl::BaudReload, ctl::BaudError, ctl::Timer0Actual,
             ctl::Timer0Postscale, ctl::Timer1Actual, ctl::Timer1Postscale })
        enable(id, false);
}

void COrletDlg::enable(int id, bool on)
{
    GetDlgItem(id)->setEnabled(on);
}

QString COrletDlg::OutputText() const
{
    QString text = m_ui->outputBox->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// ---- Source generation ----------------------------------------------------

void COrletDlg::GenerateSource()
{
    orlet::GeneratorSettings s;
    s.comments = m_commentCheck.GetCheck();
    s.int0Enabled = m_useInt0Check.GetCheck();
    if (s.int0Enabled)
        s.int0Trigger = triggerAt(m_trigger0Combo.GetCurSel());
    s.int1Enabled = m_useInt1Check.GetCheck();
    if (s.int1Enabled)
        s.int1Trigger = triggerAt(m_trigger1Combo.GetCurSel());
    s.timer0Enabled = m_useTimer0Check.GetCheck();
    s.timer1Enabled = m_useTimer1Check.GetCheck();
    s.uartEnabled = m_useUartCheck.GetCheck();
    s.uartDoubleBaud = m_doubleBaudCheck.GetCheck();
    s.uartInterrupt = m_uartIntCheck.GetCheck();
    s.tmod = m_tmod;
    s.th0 = m_th0;
    s.tl0 = m_tl0;
    s.th1 = m_th1;
    s.tl1 = m_tl1;
    s.postscale0 = static_cast<std::uint16_t>(m_postscale0);
    s.postscale1 = static_cast<std::uint16_t>(m_postscale1);
    // One undoable step over the whole box: Ctrl+Z brings back what it held,
    // edits included.
    m_outputEdit.SetSel(0, -1);
    m_outputEdit.ReplaceSel(u8(orlet::BuildSourceText(s)), true);
    if (m_copyCheck.GetCheck()) {
        m_outputEdit.SetSel(0, -1);
        m_outputEdit.Copy();
    }
}

// ---- External interrupts --------------------------------------------------

void COrletDlg::OnUseInt0()
{
    enable(ctl::Int0Trigger, m_useInt0Check.GetCheck());
}

void COrletDlg::OnUseInt1()
{
    enable(ctl::Int1Trigger, m_useInt1Check.GetCheck());
}

// ---- Timer blocks ---------------------------------------------------------

void COrletDlg::OnUseTimer0()
{
    const bool on = m_useTimer0Check.GetCheck();
    for (int id :
        { ctl::Timer0Mode, ctl::Timer0Period, ctl::Gate0, ctl::Timer0Reload, ctl::Timer0Actual, ctl::Timer0Postscale })
        enable(id, on);
    if (on)
        return;
    m_time0 = 1;
    m_th0 = m_tl0 = 0xFF;
    m_reload0Text = QStringLiteral("ffh,ffh"); // small h, unlike the start: see InitialiseDialog
    m_postscale0 = 1;
    m_timerRuns[0].reset();
    showTiming(0);
    UpdateData(false);
}

void COrletDlg::OnUseTimer1()
{
    const bool on = m_useTimer1Check.GetCheck();
    for (int id :
        { ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload, ctl::Timer1Actual, ctl::Timer1Postscale })
        enable(id, on);
    if (on) {
        // The serial port may have left its reload in the shared bytes; the
        // display still shows the bytes of the switch-off, and so must they.
        m_th1 = m_tl1 = 0xFF;
        return;
    }
    // Unlike timer 0, timer 1 returns to its whole starting state: its list
    // and bits already did, and a GATE1 tick or a "plus" kept beside
    // "定时方式0" would show what the generated code no longer has.
    m_mode1Combo.SetCurSel(0);
    m_gate1Check.SetCheck(false);
    m_unit1 = QStringLiteral("us");
    m_time1 = 1;
    m_th1 = m_tl1 = 0xFF;
    m_reload1Text = QStringLiteral("ffh,ffh");
    m_tmod = orlet::WithoutTimer(m_tmod, 1);
    m_postscale1 = 1;
    m_timerRuns[1].reset();
    showTiming(1);
    UpdateData(false);
}

void COrletDlg::OnGate0()
{
    m_tmod = orlet::WithTimerGate(m_tmod, 0, m_gate0Check.GetCheck());
}

void COrletDlg::OnGate1()
{
    m_tmod = orlet::WithTimerGate(m_tmod, 1, m_gate1Check.GetCheck());
}

void COrletDlg::applyModeChange(int index, int periodBox, QString& unit, CButton& gate, int timer)
{
    enable(periodBox, true);
    const orlet::ModeListEntry entry = orlet::ModeListEntryAt(index);
    if (entry.counter) {
        // "plus" (for pulses) is the label users know; it is not a typo to fix.
        unit = QStringLiteral("plus");
        gate.SetCheck(false);
        m_tmod = orlet::WithTimerGate(m_tmod, timer, false);
        UpdateData(false);
        gate.EnableWindow(false);
    } else {
        unit = QStringLiteral("us");
        UpdateData(false);
        gate.EnableWindow(true);
    }
    m_tmod = orlet::WithTimerMode(m_tmod, timer, entry.counter, entry.mode);
    UpdateData(true);
    Recalculate();
}

void COrletDlg::OnMode0Change()
{
    applyModeChange(m_mode0Combo.GetCurSel(), ctl::Timer0Period, m_unit0, m_gate0Check, 0);
}

void COrletDlg::OnMode1Change()
{
    applyModeChange(m_mode1Combo.GetCurSel(), ctl::Timer1Period, m_unit1, m_gate1Check, 1);
}

// ---- Reload calculation ---------------------------------------------------

void COrletDlg::updateTimerReload(int timer, std::uint32_t& period, std::uint8_t& th, std::uint8_t& tl, QString& text)
{
    UpdateData(true);
    const int mode = orlet::TimerModeIn(m_tmod, timer);
    const bool counter = orlet::TimerCountsIn(m_tmod, timer);
    // The mode lists never write mode 3; should the bits ever say 3, the
    // bytes keep what they hold rather than index past the mode table.
    if (mode != 3) {
        const orlet::TimerReload reload = orlet::ComputeTimerReload(m_crystalHz, mode, counter, period, precision());
        m_timerRuns[timer] = TimerRun { m_crystalHz, precision(), mode, counter, period,
            timer == 0 ? m_postscale0 : m_postscale1, reload };
        if (!reload.inRange) {
            ShowMessageBox(this, u8(reload.message));
            th = tl = 0;
            period = reload.corrected;
        } else {
            th = reload.th;
            tl = reload.tl;
        }
        showTiming(timer);
    }
    text = u8(orlet::FormatReloadText(th, tl));
    UpdateData(false);
    // Read straight back, so that the members hold exactly what the boxes
    // now show (a corrected period included) before anything else runs.
    UpdateData(true);
}

void COrletDlg::UpdateTimer0Reload()
{
    updateTimerReload(0, m_time0, m_th0, m_tl0, m_reload0Text);
}

void COrletDlg::UpdateTimer1Reload()
{
    updateTimerReload(1, m_time1, m_th1, m_tl1, m_reload1Text);
}

orlet::Precision COrletDlg::precision() const
{
    return m_exactCheck.GetCheck() ? orlet::Precision::Exact : orlet::Precision::Classic;
}

void COrletDlg::showTiming(int timer)
{
    QString& line = timer == 0 ? m_actual0Text : m_actual1Text;
    QWidget* display = GetDlgItem(timer == 0 ? ctl::Timer0Reload : ctl::Timer1Reload);
    line.clear();
    display->setToolTip(QString());
    const std::optional<TimerRun>& run = m_timerRuns[timer];
    if (!run)
        return;
    // In range the line follows the postscale as it is changed; after a range
    // error it keeps the hint the error gave until the next calculation.
    const std::uint32_t postscale = !run->reload.inRange ? run->postscale : timer == 0 ? m_postscale0 : m_postscale1;
    const orlet::TimerTiming timing
        = orlet::ComputeTimerTiming(run->crystalHz, run->mode, run->counter, run->asked, run->precision, postscale);
    if (!run->reload.inRange) {
        if (!run->counter)
            line = RangeHintText(timing, run->mode);
        display->setToolTip(
            TimerRangeTip(timer, run->counter, run->mode, run->asked, run->reload, timing, run->crystalHz));
        return;
    }
    if (!run->counter)
        line = RealPeriodText(timing);
    orlet::Configuration alone;
    alone.crystalHz = run->crystalHz;
    alone.precision = run->precision;
    alone.timer0 = { true, run->counter, run->mode, run->asked, false, postscale };
    const orlet::Derivation d = deriveAlone(alone);
    if (d.timers[0])
        display->setToolTip(TimerDerivationTip(timer, run->crystalHz, *d.timers[0]));
}

void COrletDlg::Recalculate()
{
    if (m_useTimer0Check.GetCheck())
        UpdateTimer0Reload();
    if (m_useTimer1Check.GetCheck())
        UpdateTimer1Reload();
    if (m_useUartCheck.GetCheck())
        UpdateBaudReload();
}

// ---- Serial port ----------------------------------------------------------

void COrletDlg::OnExactChange()
{
    Recalculate();
}

void COrletDlg::updatePostscale(int timer, std::uint32_t& postscale)
{
    const std::uint32_t before = postscale;
    UpdateData(true); // a refused text keeps the number as it was
    if (postscale < 1 || postscale > orlet::kMaxPostscale) {
        ShowMessageBox(this, QStringLiteral("软件计数应在1~%1之间").arg(orlet::kMaxPostscale));
        postscale = before;
    }
    showTiming(timer);
    UpdateData(false);
}

void COrletDlg::OnPostscale0Change()
{
    updatePostscale(0, m_postscale0);
}

void COrletDlg::OnPostscale1Change()
{
    updatePostscale(1, m_postscale1);
}

void COrletDlg::OnUseUart()
{
    const bool on = m_useUartCheck.GetCheck();
    for (int id : { ctl::BaudList, ctl::UartInterrupt, ctl::DoubleBaud, ctl::BaudReload, ctl::BaudError })
        enable(id, on);
    if (on) {
        m_useTimer1Check.SetCheck(false);
        enable(ctl::UseTimer1, false);
        OnUseTimer1();
        UpdateBaudReload();
    } else {
        enable(ctl::UseTimer1, true);
        m_baudCombo.SetCurSel(orlet::kDefaultBaudIndex);
    }
}

void COrletDlg::OnDoubleBaud()
{
    UpdateBaudReload();
}

void COrletDlg::UpdateBaudReload()
{
    const bool doubled = m_doubleBaudCheck.GetCheck();
    int index = m_baudCombo.GetCurSel();
    if (index < 0)
        index = orlet::kDefaultBaudIndex;
    const orlet::BaudReload baud = orlet::ComputeBaudReload(m_crystalHz, index, doubled, precision());
    if (!baud.message.empty()) {
        ShowMessageBox(this, u8(baud.message));
        m_baudCombo.SetCurSel(baud.rateIndex);
    }
    m_baudReloadText = u8(baud.reloadText);
    m_baudErrorText = u8(baud.errorText);
    m_th1 = m_tl1 = baud.reload;
    showBaudDerivation(baud.rateIndex, doubled);
    UpdateData(false);
}

void COrletDlg::showBaudDerivation(int rateIndex, bool doubled)
{
    orlet::Configuration alone;
    alone.crystalHz = m_crystalHz;
    alone.precision = precision();
    alone.uartBaudIndex = rateIndex;
    alone.uartDoubleBaud = doubled;
    const orlet::Derivation d = deriveAlone(alone);
    const QString tip = d.baud ? BaudDerivationTip(m_crystalHz, *d.baud) : QString();
    for (int id : { ctl::BaudReload, ctl::BaudError })
        GetDlgItem(id)->setToolTip(tip);
}

// ---- Crystal --------------------------------------------------------------

std::uint32_t COrletDlg::GetListCrystalHz() const
{
    return orlet::CrystalHzAt(m_crystalCombo.GetCurSel());
}

void COrletDlg::OnCrystalChange()
{
    const int index = m_crystalCombo.GetCurSel();
    if (index == m_crystalCombo.GetCount() - 1) {
        CMyCry dialog(this);
        dialog.DoModal();
        m_crystalHz = orlet::CustomMhzToHz(g_customMhz);
        m_customMhzEdit.SetWindowText(u8(orlet::FormatCustomMhz(g_customMhz)));
    } else {
        m_customMhzEdit.EnableWindow(false);
        m_crystalHz = GetListCrystalHz();
        m_customMhzEdit.SetWindowText(QString());
        UpdateData(false);
    }
    Recalculate();
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
