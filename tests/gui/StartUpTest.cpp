#include "DisplayCheck.h"
#include "Orlet.h"
#include "OrletVersion.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct DisplayCase {
    const char* platform;
    bool x11;
    bool wayland;
    bool canOpen;
};

void PrintTo(const DisplayCase& c, std::ostream* os)
{
    *os << '"' << c.platform << "\" DISPLAY " << c.x11 << " WAYLAND_DISPLAY " << c.wayland;
}

class CanOpenWindowTest : public testing::TestWithParam<DisplayCase>
{
};

} // namespace

TEST_P(CanOpenWindowTest, JudgesThePlatformAsked)
{
    const DisplayCase& c = GetParam();
    EXPECT_EQ(CanOpenWindow({ QString::fromUtf8(c.platform), c.x11, c.wayland }), c.canOpen);
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
INSTANTIATE_TEST_SUITE_P(Platforms, CanOpenWindowTest,
    testing::Values(DisplayCase { "", false, false, false }, DisplayCase { "", true, false, true },
        DisplayCase { "", false, true, true }, DisplayCase { "xcb", false, true, false },
        DisplayCase { "xcb", true, false, true }, DisplayCase { "wayland", true, false, false },
        DisplayCase { "wayland-egl", false, true, true }, DisplayCase { "wayland;xcb", true, false, true },
        DisplayCase { "xcb:nograb", false, false, false }, DisplayCase { "offscreen", false, false, true },
        DisplayCase { "vnc:size=800x600", false, false, true }, DisplayCase { "xcb;offscreen", false, false, true },
        DisplayCase { " ", false, false, false }));
#endif

namespace {

struct ArgumentCase {
    QStringList args; // after the program name
    OrletArguments::Action action;
};

void PrintTo(const ArgumentCase& c, std::ostream* os)
{
    *os << '"' << c.args.join(' ').toStdString() << '"';
}

class OrletArgumentsTest : public testing::TestWithParam<ArgumentCase>
{
};

using Action = OrletArguments::Action;

} // namespace

TEST_P(OrletArgumentsTest, AnswersOrOpensTheWindow)
{
    const ArgumentCase& c = GetParam();
    const OrletArguments parsed = ParseOrletArguments(QStringList { "orlet" } + c.args);
    EXPECT_EQ(parsed.action, c.action) << parsed.text.toStdString();
    if (parsed.action != Action::OpenWindow) {
        EXPECT_TRUE(parsed.text.endsWith('\n'));
    }
    if (parsed.action == Action::PrintVersion || parsed.action == Action::Refuse) {
        EXPECT_EQ(parsed.text.count('\n'), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(CommandLines, OrletArgumentsTest,
    testing::Values(ArgumentCase { {}, Action::OpenWindow }, ArgumentCase { { "--version" }, Action::PrintVersion },
        ArgumentCase { { "-v" }, Action::PrintVersion }, ArgumentCase { { "--help" }, Action::PrintHelp },
        ArgumentCase { { "-h" }, Action::PrintHelp }, ArgumentCase { { "-platform", "offscreen" }, Action::OpenWindow },
        ArgumentCase { { "--platform", "offscreen", "-style", "fusion", "-reverse" }, Action::OpenWindow },
        ArgumentCase { { "-platform", "offscreen", "--version" }, Action::PrintVersion },
        ArgumentCase { { "--bogus" }, Action::Refuse }, ArgumentCase { { "main.c" }, Action::Refuse },
        ArgumentCase { { "-platform" }, Action::Refuse }, ArgumentCase { { "--x\ny" }, Action::Refuse }));

TEST(OrletArgumentsTest, NamesTheVersionAndTheRefusedArgument)
{
    EXPECT_EQ(ParseOrletArguments({ "orlet", "--version" }).text, QStringLiteral("orlet " ORLET_VERSION "\n"));
    EXPECT_TRUE(ParseOrletArguments({ "orlet", "--help" }).text.startsWith("Usage: orlet"));
    const QString refused = ParseOrletArguments({ "orlet", "--x\ny" }).text;
    EXPECT_TRUE(refused.startsWith("orlet: ")) << refused.toStdString();
    EXPECT_TRUE(refused.contains("x\\x0ay")) << refused.toStdString();
}

#ifdef ORLET_PATH

namespace {

struct StartCase {
    const char* name;
    QStringList set; // NAME=VALUE
    QStringList arguments;
};

void PrintTo(const StartCase& c, std::ostream* os)
{
    *os << c.name;
}

class NoDisplayStart : public testing::TestWithParam<StartCase>
{
};

} // namespace

TEST_P(NoDisplayStart, SaysSoInOneLineAndEndsWithStatusOne)
{
    const StartCase& c = GetParam();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    for (const QString& assignment : c.set)
        environment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    QProcess orlet;
    orlet.setProcessEnvironment(environment);
    orlet.start(QStringLiteral(ORLET_PATH), c.arguments);
    ASSERT_TRUE(orlet.waitForFinished(30000)) << "the window opened after all";
    const QByteArray err = orlet.readAllStandardError();
    EXPECT_EQ(orlet.exitStatus(), QProcess::NormalExit) << "aborted: " << err.constData();
    EXPECT_EQ(orlet.exitCode(), 1);
    EXPECT_EQ(err, QByteArray(kNoDisplayMessage));
    EXPECT_TRUE(orlet.readAllStandardOutput().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Environments, NoDisplayStart,
    testing::Values(StartCase { "nothing set", {}, {} },
        StartCase { "xcb asked without DISPLAY", { "QT_QPA_PLATFORM=xcb" }, {} },
        StartCase { "wayland asked without WAYLAND_DISPLAY", { "QT_QPA_PLATFORM=wayland" }, {} },
        StartCase { "xcb asked on the command line", {}, { "-platform", "xcb" } },
        // No server answers there: the toolkit fails while starting.
        StartCase { "DISPLAY naming no server", { "DISPLAY=:4093" }, {} }));

namespace {

struct AnswerCase {
    QStringList arguments;
    int exitCode;
    bool onStandardOutput; // else one line on stderr
};

void PrintTo(const AnswerCase& c, std::ostream* os)
{
    *os << '"' << c.arguments.join(' ').toStdString() << '"';
}

class AnswerWithoutDisplay : public testing::TestWithParam<AnswerCase>
{
};

} // namespace

TEST_P(AnswerWithoutDisplay, PrintsOneAnswerAndEnds)
{
    const AnswerCase& c = GetParam();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    QProcess orlet;
    orlet.setProcessEnvironment(environment);
    orlet.start(QStringLiteral(ORLET_PATH), c.arguments);
    ASSERT_TRUE(orlet.waitForFinished(30000));
    const QByteArray out = orlet.readAllStandardOutput();
    const QByteArray err = orlet.readAllStandardError();
    EXPECT_EQ(orlet.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(orlet.exitCode(), c.exitCode) << err.constData();
    const QByteArray expected = ParseOrletArguments(QStringList { "orlet" } + c.arguments).text.toUtf8();
    EXPECT_EQ(c.onStandardOutput ? out : err, expected);
    EXPECT_TRUE((c.onStandardOutput ? err : out).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Arguments, AnswerWithoutDisplay,
    testing::Values(AnswerCase { { "--version" }, 0, true }, AnswerCase { { "--help" }, 0, true },
        AnswerCase { { "-platform", "xcb", "-v" }, 0, true }, AnswerCase { { "--bogus" }, 2, false },
        AnswerCase { { "extra" }, 2, false }));

TEST(NoDisplayStart, NoServerAnswersOnTheDisplayUsedAbove)
{
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X11-unix/X4093")));
}

#endif
