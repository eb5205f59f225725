#include "Orlet.h"

#include "ConsoleWriter.h"
#include "DialogFont.h"
#include "DisplayCheck.h"
#include "OrletDlg.h"
#include "OrletVersion.h"
#include "PngIcon.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <optional>

COrletApp theOrletApp;

void ApplyDialogFont()
{
    // The classic flat-3D look matches the dialog templates' metrics; the
    // native style is kept where it is that look already.
    if (QApplication::style()->name() != QLatin1String("windowsvista")) {
        if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows")))
            QApplication::setStyle(classic);
    }
    if (const QString family = DialogFontFamily(); !family.isEmpty())
        QApplication::setFont(QFont(family, 9));
}

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Orlet"));
    QApplication::setApplicationVersion(QStringLiteral(ORLET_VERSION));
    QApplication::setWindowIcon(PngIcon({ QStringLiteral(":/icons/orlet-32.png") }));
    ApplyDialogFont();
}

namespace {

const char* const kHelpText = "Usage: orlet [--help | --version | FILE.orlet]\n"
                              "Opens the Orlet window, which writes the 8051 C start-up code for the timers,\n"
                              "the external interrupts and the serial port. orlet-gen writes the same code on\n"
                              "the command line (orlet-gen --help). FILE.orlet, a settings file the window\n"
                              "or orlet-gen --save-config saved, opens in the window.\n"
                              "\n"
                              "Options:\n"
                              "  -h, --help     Shows this help and ends.\n"
                              "  -v, --version  Shows the version and ends.\n"
                              "\n"
                              "Qt's own options (-platform NAME, -reverse, ...) go to the toolkit; the\n"
                              "window's style is fixed, and -style is refused.\n";

// The options QGuiApplication and QApplication take out of the command line,
// but -style: the window sets its classic style itself, so the option would
// change nothing, and it is refused as unknown.
void addToolkitOptions(QCommandLineParser& parser)
{
    for (const char* name : { "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
             "qwindowicon", "qwindowtitle", "session", "stylesheet", "display", "geometry", "title", "qmljsdebugger" })
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char* name : { "reverse", "widgetcount", "nograb", "dograb", "sync", "testability" })
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
}

QStringList argumentList(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

// One line, whatever the arguments held: control characters as \xNN.
QString escapeControls(const QString& text)
{
    QString escaped;
    for (const QChar c : text)
        escaped += c.unicode() < 0x20 || c.unicode() == 0x7f
            ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
            : QString(c);
    return escaped;
}

// Prints the answer that stands in for the window; returns the exit status.
int answer(const OrletArguments& arguments)
{
    if (arguments.action == OrletArguments::Action::Refuse) {
        orlet::ConsoleWriter(orlet::ConsoleWriter::Stream::Error).write(arguments.text.toUtf8());
        return 2;
    }
    return orlet::ConsoleWriter(orlet::ConsoleWriter::Stream::Output).write(arguments.text.toUtf8()) ? 0 : 1;
}

} // namespace

OrletArguments ParseOrletArguments(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version(QStringList { QStringLiteral("v"), QStringLiteral("version") });
    parser.addOptions({ help, version });
    addToolkitOptions(parser);
    const auto refuse = [](const QString& reason) {
        return OrletArguments { OrletArguments::Action::Refuse,
            QStringLiteral("orlet: %1 (see orlet --help)\n").arg(escapeControls(reason)), {} };
    };
    if (!parser.parse(args))
        return refuse(parser.errorText().chopped(parser.errorText().endsWith('.') ? 1 : 0));
    QStringList positional = parser.positionalArguments();
    QString settingsPath;
    if (positional.size() == 1 && positional.constFirst().endsWith(QStringLiteral(".orlet"), Qt::CaseInsensitive))
        settingsPath = positional.takeFirst();
    if (!positional.isEmpty())
        return refuse(QStringLiteral("unexpected argument \"%1\"").arg(positional.constFirst()));
    if (parser.isSet(help))
        return { OrletArguments::Action::PrintHelp, QString::fromUtf8(kHelpText), {} };
    if (parser.isSet(version))
        return { OrletArguments::Action::PrintVersion, QStringLiteral("orlet " ORLET_VERSION "\n"), {} };
    return { OrletArguments::Action::OpenWindow, {}, settingsPath };
}

int COrletApp::Run(int& argc, char** argv)
{
    // --help and --version answer without a window, and need no display.
    const OrletArguments arguments = ParseOrletArguments(argumentList(argc, argv));
    if (arguments.action != OrletArguments::Action::OpenWindow)
        return answer(arguments);
    m_settingsPath = arguments.settingsPath;
    // Without a display the toolkit would abort with advice to reinstall.
    if (!CanOpenWindow(CurrentDisplayEnvironment(argc, argv))) {
        std::fputs(kNoDisplayMessage, stderr);
        return 1;
    }
    std::optional<DisplayStartGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    // Qt hands the C library the user's locale; the core reads and writes
    // its numbers with strtod and printf, whose decimal point must stay '.'
    // (a German locale refused the crystal "11.0592").
    std::setlocale(LC_NUMERIC, "C");
    PrepareApplication();
    StartUp();
    return 0;
}

bool COrletApp::StartUp()
{
    COrletDlg dialog;
    // Once the window stands, so that a refusal shows over it.
    if (!m_settingsPath.isEmpty())
        QTimer::singleShot(0, &dialog, [&dialog, path = m_settingsPath] { dialog.OpenSettings(path); });
    dialog.DoModal();
    return false;
}
