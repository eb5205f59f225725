#include "DisplayCheck.h"
#include "Orlet.h"
#include "OrletVersion.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using Action = OrletArguments::Action;

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
TEST(CanOpenWindow, JudgesThePlatformAsked)
{
    const struct {
        const char* platform;
        bool x11, wayland, canOpen;
    } rows[] = {
        { "", false, false, false },
        { "", true, false, true },
        { "", false, true, true },
        { "xcb", false, true, false },
        { "xcb", true, false, true },
        { "wayland", true, false, false },
        { "wayland-egl", false, true, true },
        { "wayland;xcb", true, false, true },
        { "xcb:nograb", false, false, false },
        { "offscreen", false, false, true },
        { "vnc:size=800x600", false, false, true },
        { "xcb;offscreen", false, false, true },
        { " ", false, false, false },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << '"' << r.platform << "\" DISPLAY " << r.x11 << " WAYLAND " << r.wayland);
        EXPECT_EQ(CanOpenWindow({ QString::fromUtf8(r.platform), r.x11, r.wayland }), r.canOpen);
    }
}
#endif

TEST(OrletArguments, AnswersOrOpensTheWindow)
{
    const struct {
        QStringList args; // after the program name
        Action action;
    } rows[] = {
        { {}, Action::OpenWindow },
        { { "--version" }, Action::PrintVersion },
        { { "-v" }, Action::PrintVersion },
        { { "--help" }, Action::PrintHelp },
        { { "-h" }, Action::PrintHelp },
        { { "-platform", "offscreen" }, Action::OpenWindow },
        { { "--platform", "offscreen", "-reverse" }, Action::OpenWindow },
        // The window's style is fixed: an option that would change nothing is refused.
        { { "-platform", "offscreen", "-style", "fusion" }, Action::Refuse },
        { { "--style=windows" }, Action::Refuse },
        { { "-platform", "offscreen", "--version" }, Action::PrintVersion },
        { { "--bogus" }, Action::Refuse },
        { { "main.c" }, Action::Refuse },
        { { "-platform", "offscreen", "board.ORLET" }, Action::OpenWindow },
        { { "a.orlet", "b.orlet" }, Action::Refuse },
        { { "-platform" }, Action::Refuse },
        { { "--x\ny" }, Action::Refuse },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        const OrletArguments parsed = ParseOrletArguments(QStringList { "orlet" } + r.args);
        EXPECT_EQ(parsed.action, r.action) << parsed.text.toStdString();
        if (parsed.action != Action::OpenWindow) {
            EXPECT_TRUE(parsed.text.endsWith('\n'));
        }
        if (parsed.action == Action::PrintVersion || parsed.action == Action::Refuse) {
            EXPECT_EQ(parsed.text.count('\n'), 1);
        }
    }
}

TEST(OrletArguments, NamesTheVersionAndTheRefusedArgument)
{
    EXPECT_EQ(ParseOrletArguments({ "orlet", "--version" }).text, QStringLiteral("orlet " ORLET_VERSION "\n"));
    EXPECT_TRUE(ParseOrletArguments({ "orlet", "--help" }).text.startsWith("Usage: orlet"));
    const QString refused = ParseOrletArguments({ "orlet", "--x\ny" }).text;
    EXPECT_TRUE(refused.startsWith("orlet: ")) << refused.toStdString();
    EXPECT_TRUE(refused.contains("x\\x0ay")) << refused.toStdString();
    EXPECT_EQ(ParseOrletArguments({ "orlet", "kept/board.orlet" }).settingsPath, QStringLiteral("kept/board.orlet"));
    EXPECT_TRUE(ParseOrletArguments({ "orlet" }).settingsPath.isEmpty());
}

#ifdef ORLET_PATH

namespace {

struct Finished {
    bool finished;
    QProcess::ExitStatus status;
    int exitCode;
    QByteArray out, err;
};

// The program started with no display in its environment but `set` (NAME=VALUE).
Finished runWithoutDisplay(const QStringList& set, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    for (const QString& assignment : set)
        environment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    QProcess orlet;
    orlet.setProcessEnvironment(environment);
    orlet.start(QStringLiteral(ORLET_PATH), arguments);
    const bool finished = orlet.waitForFinished(30000);
    return { finished, orlet.exitStatus(), orlet.exitCode(), orlet.readAllStandardOutput(),
        orlet.readAllStandardError() };
}

} // namespace

TEST(NoDisplayStart, SaysSoInOneLineAndEndsWithStatusOne)
{
    const struct {
        const char* name;
        QStringList set, arguments;
    } rows[] = {
        { "nothing set", {}, {} },
        { "xcb asked without DISPLAY", { "QT_QPA_PLATFORM=xcb" }, {} },
        { "wayland asked without WAYLAND_DISPLAY", { "QT_QPA_PLATFORM=wayland" }, {} },
        { "xcb asked on the command line", {}, { "-platform", "xcb" } },
        // No server answers there: the toolkit fails while starting.
        { "DISPLAY naming no server", { "DISPLAY=:4093" }, {} },
    };
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X11-unix/X4093")));
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Finished run = runWithoutDisplay(r.set, r.arguments);
        ASSERT_TRUE(run.finished) << "the window opened after all";
        EXPECT_EQ(run.status, QProcess::NormalExit) << "aborted: " << run.err.constData();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, QByteArray(kNoDisplayMessage));
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(NoDisplayStart, AnswersArgumentsInOneAnswer)
{
    const struct {
        QStringList arguments;
        int exitCode;
        bool onStandardOutput; // else one line on stderr
    } rows[] = {
        { { "--version" }, 0, true },
        { { "--help" }, 0, true },
        { { "-platform", "xcb", "-v" }, 0, true },
        { { "--bogus" }, 2, false },
        { { "extra" }, 2, false },
        { { "-style", "fusion" }, 2, false },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.arguments.join(' ').toStdString());
        const Finished run = runWithoutDisplay({}, r.arguments);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, r.exitCode) << run.err.constData();
        const QByteArray expected = ParseOrletArguments(QStringList { "orlet" } + r.arguments).text.toUtf8();
        EXPECT_EQ(r.onStandardOutput ? run.out : run.err, expected);
        EXPECT_TRUE((r.onStandardOutput ? run.err : run.out).isEmpty());
    }
}

#endif
