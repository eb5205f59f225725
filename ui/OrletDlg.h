#pragma once

#include "DialogBase.h"
#include "UserChange.h"
#include "WindowModel.h"

#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace Ui {
class OrletDlg;
class AboutDlg;
} // namespace Ui

class QAction;
class QMenu;

// Text of the About entry on the window's system menu, and its command.
inline const char* const kAboutMenuText = "关于 Orlet(&A)...";
constexpr unsigned kAboutCommand = 0x0010;
// The settings file's entries beside it.
inline const char* const kOpenMenuText = "打开设置(&O)...\tCtrl+O";
inline const char* const kSaveMenuText = "保存设置(&S)...\tCtrl+S";
inline const char* const kSaveAsMenuText = "设置另存为(&V)...\tCtrl+Shift+S";
constexpr unsigned kOpenCommand = 0x0100;
constexpr unsigned kSaveCommand = 0x0110;
constexpr unsigned kSaveAsCommand = 0x0120;
// The compiler the text is written for.
inline const char* const kKeilMenuText = "Keil C51 代码(&K)";
inline const char* const kSdccMenuText = "SDCC 代码(&D)";
constexpr unsigned kKeilCommand = 0x0130;
constexpr unsigned kSdccCommand = 0x0140;
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

// The main window: a view of its model (orlet::WindowModel), the one copy
// of every setting. Each control's handler reads the user's one change
// into the model, runs its transition, shows the messages and shows the
// model's view.
class COrletDlg : public CDialogBase
{
    Q_OBJECT

public:
    explicit COrletDlg(QWidget* parent = nullptr);
    ~COrletDlg() override;

    // The output box's text with CR LF line ends, as the generator wrote it.
    QString OutputText() const;

    // The window's settings, as its controls show them.
    const orlet::WindowModel& Model() const { return m_model; }
    // Shows `model`: every control as its view has it. Runs no handler.
    void ShowModel(const orlet::WindowModel& model);

    void HandleSystemCommand(unsigned id, qintptr lParam);
    QMenu* SystemMenu() const { return m_systemMenu; }

    // Opens the settings file at `path`: the window shows it, or a message
    // says why not and nothing changes. True once it is open.
    bool OpenSettings(const QString& path);
    // Saves the window's settings to `path` as a whole new file, or leaves
    // the old one and says why not. True once it is saved.
    bool SaveSettings(const QString& path);
    // The settings file open or last saved; empty, none.
    QString SettingsPath() const { return m_settingsPath; }
    // Asks for the file to open or to save to (`saving`); an empty answer
    // cancels. A file dialog unless a test sets another.
    using PathChooser = std::function<QString(bool saving)>;
    void SetPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }

protected:
    // The number boxes, read into the model (and written from it).
    void ExchangeData(CDataExchange& dx) override;
    bool InitialiseDialog() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void nameShownTexts();
    void routeNotifications();
    void addSystemMenuEntry();

    // Notification handlers.
    void GenerateSource();
    void ShowAboutBox();
    void OpenChosenSettings();
    // Ctrl+S saves to the file open; `ask`, or without one, asks where.
    void SaveChosenSettings(bool ask);
    void ChooseDialect(orlet::Dialect dialect);
    void showCaption();
    void OnControlChange(orlet::Control control);

    // What the user did to `control`, as it reports it now.
    orlet::UserChange changeOf(orlet::Control control);
    // The frame grows to hold the serial block's real-rate row and timer 2's
    // block, and shrinks back without them.
    void layOutBlocks(bool serialRow, bool timer2Block);
    // Lists and displays take the free room of their row for what the
    // chosen chip names in them.
    void fitChipTexts();

    // The mode lists' places at "8051", before longer names widened them.
    std::array<QRect, 2> m_classicModeListPlace;
    QRect m_classicBaudReloadPlace;
    // The heights of the frame and the output box without timer 2; their
    // widths are the template's, as wide as the font needs it.
    int m_classicHeight = 0;
    int m_classicOutputHeight = 0;
    int m_classicSerialHeight = 0;
    // What stands below the serial block, at its template height.
    std::vector<std::pair<QWidget*, int>> m_belowSerialPort;
    bool m_serialRowShown = false;

    orlet::WindowModel m_model;
    QIcon m_appIcon;
    QString m_settingsPath;
    PathChooser m_choosePath;
    std::array<QAction*, 2> m_dialectEntries {};

    std::unique_ptr<Ui::OrletDlg> m_ui;
    QMenu* m_systemMenu = nullptr;
};
