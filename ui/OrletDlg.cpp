#include "OrletDlg.h"

#include "BaudDlg.h"
#include "ControlFit.h"
#include "ControlIds.h"
#include "ControlView.h"
#include "Crystal.h"
#include "DataExchange.h"
#include "DialogControls.h"
#include "EnabledFollower.h"
#include "MessageBox.h"
#include "MyCry.h"
#include "NativeSystemMenu.h"
#include "NoticesDlg.h"
#include "OrletVersion.h"
#include "OutputFile.h"
#include "PngIcon.h"
#include "SettingsFile.h"
#include "SourceGenerator.h"
#include "WindowTexts.h"
#include "ui_AboutDlg.h"
#include "ui_OrletDlg.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

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

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
}

const char* const kSettingsFilter = "Orlet 设置 (*.orlet);;所有文件 (*)";

bool isSettingsFile(const QUrl& url)
{
    return url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".orlet"), Qt::CaseInsensitive);
}

QString askForSettingsPath(QWidget* parent, bool saving)
{
    if (!saving)
        return QFileDialog::getOpenFileName(parent, QStringLiteral("打开设置"), {}, u8(kSettingsFilter));
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("保存设置"), {}, u8(kSettingsFilter));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".orlet");
    return path;
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
    m_choosePath = [this](bool saving) { return askForSettingsPath(this, saving); };
    setAcceptDrops(true);
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
        { ctl::BaudActual, m_ui->baudActual },
        { ctl::BaudFixes, m_ui->baudFixes },
    });
    nameShownTexts();
    routeNotifications();
    // A dialog edit box: Enter presses the default button, Ctrl+Enter breaks the line.
    m_ui->outputBox->installEventFilter(this);
}

COrletDlg::~COrletDlg() = default;

void COrletDlg::nameShownTexts()
{
    using orlet::TimerControl;
    using orlet::TimerPart;
    // The longest error is that of a count of 1 for x = 0.5; every reload
    // pair prints with one or two hex digits per byte, in either spelling.
    ShowsTexts(ctl::BaudError, { QStringLiteral("00%"), QStringLiteral("-100.0000%") });
    ShowsTexts(ctl::BaudReload, { QStringLiteral("0xff") }, TextDigits::Hex);
    for (int timer = 0; timer < orlet::kTimerBlocks; ++timer) {
        ShowsTexts(ctl::IdOf(TimerControl(timer, TimerPart::Reload)),
            { QStringLiteral("ffH,ffH"), QStringLiteral("ffh,ffh") }, TextDigits::Hex);
        ShowsTexts(ctl::IdOf(TimerControl(timer, TimerPart::Unit)), { QStringLiteral("us"), QStringLiteral("plus") });
    }
    ShowsTexts(ctl::CustomMhz, { u8(orlet::FormatCustomMhz(100.0f)) });
    // A usual header name of the longer kind: the chip's full part number.
    ShowsTexts(ctl::VendorHeader, { QStringLiteral("STC15F2K60S2.H") }, TextDigits::None);
    // What the other chips name: fitChipTexts widens for it at the change.
    LeavesRoomFor(ctl::BaudReload, { QStringLiteral("ffH,ffH") }, TextDigits::Hex);
    for (int timer : { 0, 1 }) {
        QStringList items;
        for (const orlet::ChipRow& row : orlet::ChipRows()) {
            for (int i = 0; i < 6; ++i)
                items << u8(orlet::ModeItemText(orlet::Chip(row), timer, i));
        }
        LeavesRoomFor(ctl::IdOf(TimerControl(timer, TimerPart::Mode)), items);
    }
}

void COrletDlg::routeNotifications()
{
    OnClicked(ctl::GenerateButton, &COrletDlg::GenerateSource);
    OnClicked(ctl::AboutButton, &COrletDlg::ShowAboutBox);
    for (const auto& [control, id] : ctl::kViewedControls) {
        switch (orlet::KindOf(control)) {
        case orlet::ControlKind::Box:
            OnClicked(id, &COrletDlg::OnControlChange, control);
            break;
        case orlet::ControlKind::List:
            if (qobject_cast<QComboBox*>(GetDlgItem(id))->isEditable())
                OnListTextChange(id, &COrletDlg::OnControlChange, control);
            else
                OnSelChange(id, &COrletDlg::OnControlChange, control);
            break;
        case orlet::ControlKind::Number:
        case orlet::ControlKind::Text:
            OnEditChange(id, &COrletDlg::OnControlChange, control);
            break;
        case orlet::ControlKind::Display:
            break;
        }
    }
}

void COrletDlg::ExchangeData(CDataExchange& dx)
{
    CDialogBase::ExchangeData(dx);
    // In the order the binding table has always read them: the first box
    // refused stops the reading there.
    using orlet::TimerPart;
    const std::pair<int, TimerPart> boxes[]
        = { { 0, TimerPart::Period }, { 1, TimerPart::Period }, { 0, TimerPart::Postscale },
              { 1, TimerPart::Postscale }, { 2, TimerPart::Period }, { 2, TimerPart::Postscale } };
    for (const auto& [timer, part] : boxes) {
        orlet::TimerState& t = m_model.timer(timer);
        dx.Number(ctl::IdOf(orlet::TimerControl(timer, part)), part == TimerPart::Period ? t.time : t.postscale);
    }
}

bool COrletDlg::InitialiseDialog()
{
    CDialogBase::InitialiseDialog();
    addSystemMenuEntry();
    setWindowIcon(m_appIcon);
    showCaption();

    QStringList paragraphs;
    for (const char* paragraph : kIntroduction)
        paragraphs << u8(paragraph);
    CEdit output;
    output.Attach(m_ui->outputBox);
    output.ReplaceSel(paragraphs.join(QStringLiteral("\r\n")));
    ShowModel(m_model);
    return true;
}

QString COrletDlg::OutputText() const
{
    QString text = m_ui->outputBox->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// ---- Between the controls and the model -----------------------------------

void COrletDlg::OnControlChange(orlet::Control control)
{
    const orlet::UserChange change = changeOf(control);
    const orlet::Transition done = orlet::OnUserChange(m_model, change);
    // Each message is up over the window as it stood when it was raised;
    // what it corrects shows once it is closed.
    orlet::WindowModel shown = orlet::WithUserChange(m_model, change);
    for (const orlet::Notice& notice : done.notices) {
        if (notice.shown != shown)
            ShowModel(shown = notice.shown);
        ShowMessageBox(this, u8(orlet::MessageText(notice.message)));
    }
    ShowModel(done.model);
}

orlet::UserChange COrletDlg::changeOf(orlet::Control control)
{
    using orlet::ControlKind;
    using orlet::UserChange;
    QWidget& widget = *GetDlgItem(ctl::IdOf(control));
    const ControlKind kind = orlet::KindOf(control);
    if (kind == ControlKind::Box)
        return UserChange::Tick(control, qobject_cast<QAbstractButton*>(&widget)->isChecked());
    if (kind == ControlKind::Text)
        return UserChange::Text(control, qobject_cast<QLineEdit*>(&widget)->text().toStdString());
    if (kind == ControlKind::Number) {
        std::uint32_t number = 0;
        return UserChange::Number(
            control, ReadNumber(ctl::IdOf(control), number) ? std::optional(number) : std::nullopt);
    }
    // A list: a display has no handler.
    CComboBox list;
    list.Attach(&widget);
    if (control == orlet::Control::CrystalList && list.GetCurSel() == orlet::kCustomCrystalIndex) {
        CMyCry dialog(this);
        dialog.DoModal();
        return UserChange::Choice(control, list.GetCurSel(), g_customMhz);
    }
    if (control == orlet::Control::BaudList && list.GetCurSel() == orlet::OtherBaudItem(m_model)) {
        CBaudDlg dialog([this](std::uint32_t rate) { return orlet::BaudRateRefusal(m_model, rate); }, this);
        dialog.m_rate = orlet::BaudRateAt(m_model.baudIndex, m_model.customBaud); // the rate it had
        dialog.DoModal();
        return UserChange::OtherBaud(list.GetCurSel(), dialog.m_rate);
    }
    return UserChange::Choice(control, list.GetCurSel());
}

void COrletDlg::ShowModel(const orlet::WindowModel& model)
{
    const bool chipChanged = model.chip != m_model.chip;
    m_model = model;
    const orlet::WindowView view = orlet::ViewOf(model);
    for (const auto& [control, id] : ctl::kViewedControls)
        ShowControlView(*GetDlgItem(id), view[control]);
    if (m_ui->labelReload2->text() != u8(view.timer2ReloadCaption))
        m_ui->labelReload2->setText(u8(view.timer2ReloadCaption));
    layOutBlocks(view[orlet::Control::BaudActual].visible, view.timer2BlockShown);
    if (chipChanged)
        fitChipTexts();
    if (m_dialectEntries[0] != nullptr)
        m_dialectEntries[model.dialect == orlet::Dialect::Sdcc ? 1 : 0]->setChecked(true);
}

void COrletDlg::layOutBlocks(bool serialRow, bool timer2Block)
{
    QWidget& output = *m_ui->outputBox;
    QWidget& serialPort = *m_ui->groupUART;
    if (m_classicHeight == 0) {
        m_classicHeight = height();
        m_classicOutputHeight = output.height();
        m_classicSerialHeight = serialPort.height();
        for (QWidget* widget : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (widget->y() > serialPort.geometry().bottom())
                m_belowSerialPort.push_back({ widget, widget->y() });
        }
    } else if (m_serialRowShown == serialRow && m_ui->groupTIME2->isHidden() != timer2Block) {
        return;
    }
    m_serialRowShown = serialRow;
    // The real rate's row sits at the foot of the serial block; what stands
    // below the block moves down with it. Only heights are the template's:
    // the widths follow the font.
    const int classicBottom = serialPort.y() + m_classicSerialHeight - 1;
    const int row = serialRow ? m_ui->baudFixes->geometry().bottom() + 4 - classicBottom : 0;
    serialPort.resize(serialPort.width(), m_classicSerialHeight + row);
    for (const auto& [widget, y] : m_belowSerialPort)
        widget->move(widget->x(), y + row);
    for (QWidget* caption :
        std::initializer_list<QWidget*> { m_ui->groupTIME2, m_ui->labelPostscale2, m_ui->labelReload2 })
        caption->setVisible(timer2Block);
    // The frame and the output box grow by what the blocks add, the frame as
    // far below the last block as it was below the serial block.
    const int margin = m_classicHeight - classicBottom;
    const int last = timer2Block ? m_ui->groupTIME2->geometry().bottom() : serialPort.geometry().bottom();
    const int grown = last + margin - m_classicHeight;
    setFixedSize(width(), m_classicHeight + grown);
    output.resize(output.width(), m_classicOutputHeight + grown);
}

void COrletDlg::fitChipTexts()
{
    for (int timer : { 0, 1 }) {
        QWidget& list = *GetDlgItem(ctl::IdOf(orlet::TimerControl(timer, orlet::TimerPart::Mode)));
        QRect& classicPlace = m_classicModeListPlace[std::size_t(timer)];
        if (classicPlace.isNull())
            classicPlace = list.geometry();
        // Longer names take the free room of the row; the classic names fit
        // the list as the window always had it.
        list.setGeometry(classicPlace);
        WidenWithinRoom(list, WidthForItems(list));
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

// ---- Source generation ----------------------------------------------------

void COrletDlg::GenerateSource()
{
    // A header name the include line cannot hold, or what drift-free timing
    // cannot keep exact, is not written, as orlet-gen refuses them.
    if (const std::optional<orlet::Message> refusal = orlet::GenerateRefusal(m_model)) {
        ShowMessageBox(this, u8(orlet::MessageText(*refusal)));
        return;
    }
    const std::string text = orlet::BuildSourceText(orlet::SettingsFor(m_model), m_model.dialect);
    // One undoable step over the whole box: Ctrl+Z brings back what it held,
    // edits included.
    CEdit output;
    output.Attach(m_ui->outputBox);
    output.SetSel(0, -1);
    output.ReplaceSel(u8(text), true);
    if (m_model.copy) {
        output.SetSel(0, -1);
        output.Copy();
    }
}

// ---- Settings files -------------------------------------------------------

bool COrletDlg::OpenSettings(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageBox(this, QStringLiteral("无法打开“%1”：%2").arg(name, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ShowMessageBox(this, QStringLiteral("无法打开“%1”：%2").arg(name, file.errorString()));
        return false;
    }
    const orlet::SettingsRead read
        = orlet::ReadSettingsFile(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!read.model) {
        ShowMessageBox(
            this, QStringLiteral("无法打开“%1”：\r\n%2").arg(name, u8(orlet::SettingsErrorText(*read.error))));
        return false;
    }
    orlet::WindowModel model = *read.model;
    model.copy = m_model.copy; // the window's own, not a setting
    ShowModel(model);
    m_settingsPath = path;
    showCaption();
    return true;
}

bool COrletDlg::SaveSettings(const QString& path)
{
    const std::string text = orlet::WriteSettingsFile(orlet::SettingsFileOf(m_model));
    if (const orlet::WriteFailure failure = orlet::WriteOutputFile(path, QByteArray::fromStdString(text))) {
        ShowMessageBox(this, QStringLiteral("无法保存“%1”：%2").arg(QFileInfo(path).fileName(), *failure));
        return false;
    }
    m_settingsPath = path;
    showCaption();
    return true;
}

void COrletDlg::OpenChosenSettings()
{
    if (const QString path = m_choosePath(false); !path.isEmpty())
        OpenSettings(path);
}

void COrletDlg::SaveChosenSettings(bool ask)
{
    const QString path = ask || m_settingsPath.isEmpty() ? m_choosePath(true) : m_settingsPath;
    if (!path.isEmpty())
        SaveSettings(path);
}

void COrletDlg::ChooseDialect(orlet::Dialect dialect)
{
    orlet::WindowModel model = m_model;
    model.dialect = dialect;
    ShowModel(model);
}

// The file's name before the program's once one is open.
void COrletDlg::showCaption()
{
    const QString title = u8(kWindowTitle);
    setWindowTitle(m_settingsPath.isEmpty() ? title : QFileInfo(m_settingsPath).fileName() + " - " + title);
}

void COrletDlg::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && isSettingsFile(urls.first()))
        event->acceptProposedAction();
}

void COrletDlg::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !isSettingsFile(urls.first()))
        return;
    event->acceptProposedAction();
    OpenSettings(urls.first().toLocalFile());
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
    switch (id & 0xFFF0) {
    case kAboutCommand:
        ShowAboutBox();
        break;
    case kOpenCommand:
        OpenChosenSettings();
        break;
    case kSaveCommand:
    case kSaveAsCommand:
        SaveChosenSettings((id & 0xFFF0) == kSaveAsCommand);
        break;
    case kKeilCommand:
    case kSdccCommand:
        ChooseDialect((id & 0xFFF0) == kSdccCommand ? orlet::Dialect::Sdcc : orlet::Dialect::Keil);
        break;
    case kCloseCommand:
        close();
        break;
    default:
        break;
    }
}

// The settings file's entries and the compiler, then About, last as it
// always was.
void COrletDlg::addSystemMenuEntry()
{
    const std::pair<unsigned, const char*> fileEntries[]
        = { { kOpenCommand, kOpenMenuText }, { kSaveCommand, kSaveMenuText }, { kSaveAsCommand, kSaveAsMenuText } };
    const std::pair<unsigned, const char*> dialectEntries[]
        = { { kKeilCommand, kKeilMenuText }, { kSdccCommand, kSdccMenuText } };
    for (const auto& [command, text] : fileEntries)
        AppendToNativeSystemMenu(this, command, u8(text), command == kOpenCommand);
    for (const auto& [command, text] : dialectEntries)
        AppendToNativeSystemMenu(this, command, u8(text), command == kKeilCommand);
    AppendToNativeSystemMenu(this, kAboutCommand, u8(kAboutMenuText));
    // Elsewhere the window manager owns the window menu: the same entries are
    // on the dialog's own menu, reached by a right click on the dialog or by
    // Alt+Space.
    m_systemMenu = new QMenu(this);
    m_systemMenu->addAction(QStringLiteral("关闭(&C)"), this, [this] { HandleSystemCommand(kCloseCommand, 0); });
    m_systemMenu->addSeparator();
    for (const auto& [command, text] : fileEntries)
        m_systemMenu->addAction(u8(text), this, [this, command = command] { HandleSystemCommand(command, 0); });
    m_systemMenu->addSeparator();
    auto* dialects = new QActionGroup(m_systemMenu);
    for (std::size_t i = 0; i < std::size(dialectEntries); ++i) {
        const auto [command, text] = dialectEntries[i];
        QAction* entry = m_systemMenu->addAction(u8(text));
        entry->setCheckable(true);
        entry->setActionGroup(dialects);
        // Only the user's choice runs the command; ShowModel sets the tick.
        connect(entry, &QAction::triggered, this, [this, command = command] { HandleSystemCommand(command, 0); });
        m_dialectEntries.at(i) = entry;
    }
    m_dialectEntries[0]->setChecked(true);
    m_systemMenu->addSeparator();
    m_systemMenu->addAction(u8(kAboutMenuText), this, [this] { HandleSystemCommand(kAboutCommand, 0); });
    const std::pair<QKeySequence, unsigned> keys[]
        = { { QKeySequence(Qt::CTRL | Qt::Key_O), kOpenCommand }, { QKeySequence(Qt::CTRL | Qt::Key_S), kSaveCommand },
              { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), kSaveAsCommand } };
    for (const auto& [key, command] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, command = command] { HandleSystemCommand(command, 0); });
    }
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
    const auto ours = [](unsigned id) {
        const unsigned command = id & 0xFFF0;
        return command == kAboutCommand || (command >= kOpenCommand && command <= kSdccCommand);
    };
    if (const auto command = SystemCommandOf(eventType, message); command && ours(command->id)) {
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
