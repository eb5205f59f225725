#include "../core/RandomSession.h"
#include "Arguments.h"
#include "Rendering.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace orlet;

namespace {

struct GenRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

GenRun orletGen(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(ORLET_GEN_PATH), args);
    process.waitForFinished(30000);
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// In the process: what orlet-gen writes for `args`, or its refusal.
GenOutput render(const QStringList& args)
{
    const GenParseResult parsed = ParseGenArguments(QStringList { QStringLiteral("orlet-gen") } + args);
    if (!parsed.request)
        return { {}, parsed.error, kExitRefused, {}, {} };
    return RenderGenOutput(*parsed.request);
}

} // namespace

// The window's settings saved, given to --config and saved again with
// --save-config: the text the configuration stands for, the same file.
TEST(ConfigFile, RandomModelsThroughConfigAndSaveConfig)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.orlet"));
    std::set<std::string_view> chips;
    int compared = 0;
    for (std::uint32_t seed = 1; compared < 1000; ++seed) {
        test::Session session(seed);
        for (int step = 1; step <= 300 && compared < 1000; ++step) {
            session.act();
            WindowModel m = session.model();
            if (step % 15 != 0 || !IsSettled(m) || GenerateRefusal(m))
                continue;
            m.dialect = seed % 2 == 0 ? Dialect::Sdcc : Dialect::Keil;
            const std::string text = WriteSettingsFile(SettingsFileOf(m));
            writeFile(path, QByteArray::fromStdString(text));
            const GenOutput output = render(
                { "--config", path, "--encoding", "utf-8", "--save-config", dir.filePath(QStringLiteral("again")) });
            ASSERT_TRUE(output.error.isEmpty()) << output.error.toStdString() << "\n" << text;
            const ResolveResult resolved = ResolveConfiguration(ConfigurationOf(m));
            ASSERT_TRUE(resolved.resolved) << text;
            EXPECT_EQ(output.bytes.toStdString(), BuildSourceText(resolved.resolved->settings, m.dialect)) << text;
            EXPECT_EQ(output.settingsFile.toStdString(), text);
            chips.insert(m.chip.key());
            ++compared;
        }
    }
    EXPECT_EQ(chips.size(), ChipRows().size());
}

// Options beside --config change what they name and keep the rest.
TEST(ConfigFile, OptionsOverrideTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stc15.orlet"));
    writeFile(path,
        R"({"orlet": 1, "chip": "stc15", "crystal": "11.0592", "dialect": "sdcc", "comments": true,
            "timer0": {"mode": 0, "us": 1000, "postscale": 4}, "clock1": "12t", "uart": 9600})");
    const struct {
        const char* given;
        const char* alone;
    } cases[] = {
        { "",
            "--chip stc15 --crystal 11.0592 --dialect sdcc --comments --timer0 0:1000 --postscale0 4 --clock1 12t "
            "--uart 9600" },
        { "--timer0 1:500 --gate0 --dialect keil",
            "--chip stc15 --crystal 11.0592 --comments --timer0 1:500 --gate0 --postscale0 4 --clock1 12t --uart "
            "9600" },
        { "--crystal 24 --uart 115200 --uart-timer 2 --counter1 2:10",
            "--chip stc15 --crystal 24 --dialect sdcc --comments --timer0 0:1000 --postscale0 4 --clock1 12t --uart "
            "115200 --uart-timer 2 --counter1 2:10" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        const QStringList given = QString::fromUtf8(c.given).split(' ', Qt::SkipEmptyParts);
        const GenOutput withFile = render(QStringList { "--config", path, "--json" } + given);
        const GenOutput alone = render(QString::fromUtf8(c.alone).split(' ') + QStringList { "--json" });
        ASSERT_TRUE(withFile.error.isEmpty()) << withFile.error.toStdString();
        EXPECT_EQ(withFile.bytes, alone.bytes);
    }
}

// --json holds the settings as --config reads them back.
TEST(ConfigFile, JsonCarriesTheSettings)
{
    QTemporaryDir dir;
    const QStringList args { "--chip", "stc8", "--crystal", "7.3728", "--counter1", "2:100", "--int0", "level",
        "--header", "STC8H.H", "--dialect", "sdcc" };
    const GenRun json = orletGen(args + QStringList { "--json" });
    ASSERT_EQ(json.exitCode, 0) << json.err.constData();
    const QJsonObject settings = QJsonDocument::fromJson(json.out).object().value("settings").toObject();
    const QString path = dir.filePath(QStringLiteral("from-json.orlet"));
    writeFile(path, QJsonDocument(settings).toJson());
    const GenRun again = orletGen({ "--config", path });
    ASSERT_EQ(again.exitCode, 0) << again.err.constData();
    EXPECT_EQ(again.out, orletGen(args).out);
}

// A file refused: one line naming the file and the member, status 2,
// nothing written, not even the settings.
TEST(ConfigFile, RefusedFilesEndTheRunWithOneLine)
{
    QTemporaryDir dir;
    const struct {
        const char* file;
        const char* line;
    } cases[] = {
        { "{\"orlet\": 1,\n  \"chip\" \"8052\"}",
            "bad.orlet: not JSON: line 2, column 15: syntax error while parsing object separator" },
        { R"({"orlet": 1, "timers": {}})", "bad.orlet: unknown member \"timers\"; the members there are orlet," },
        { R"({"orlet": 1, "uart": 9600, "timer1": {"mode": 2, "us": 100}})",
            "bad.orlet: \"timer1\": timer 1 is the baud-rate generator while the serial port is in use" },
        { R"({"orlet": 9})", "bad.orlet: written by a newer Orlet in format 9; this one reads format 1" },
    };
    const QString saved = dir.filePath(QStringLiteral("kept.orlet"));
    writeFile(saved, "old");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(dir.filePath(QStringLiteral("bad.orlet")), c.file);
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(ORLET_GEN_PATH), { "--config", "bad.orlet", "--save-config", saved });
        process.waitForFinished(30000);
        const QByteArray err = process.readAllStandardError();
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_TRUE(err.startsWith(QByteArray("orlet-gen: ") + c.line)) << err.constData();
        EXPECT_EQ(err.count('\n'), 1);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
        EXPECT_EQ(readFile(saved), "old");
    }
    const GenRun missing = orletGen({ "--config", dir.filePath(QStringLiteral("none.orlet")) });
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.constData();
}
