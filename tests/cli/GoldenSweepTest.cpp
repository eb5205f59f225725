// orlet-gen over a generated matrix of chips, crystals, timers, options and
// serial rates, every case in four forms (Keil in GBK, SDCC in UTF-8 with
// comments, --json, --explain): what it prints and its exit status, held
// against tests/golden/orlet-gen.txt as one hash per case.
//
//   ORLET_GOLDEN_RECORD=1  writes the file anew (for an intended change)
//   ORLET_GOLDEN_DUMP=DIR  writes every case's full texts into DIR/orlet-gen

#include "Arguments.h"
#include "Rendering.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace {

const QStringList kChips { "8051", "8052", "stc89", "stc15", "stc8" };
const QStringList kCrystals { "1", "11.0592", "12", "24", "33", "7.3728" };
const QStringList kRates { "300", "1200", "9600", "19200", "57600", "115200" };

const QList<QStringList> kForms {
    {},
    { "--dialect", "sdcc", "--comments", "--encoding", "utf-8" },
    { "--json" },
    { "--explain" },
};

QStringList words(const QString& line)
{
    return line.split(' ', Qt::SkipEmptyParts);
}

bool isStc(const QString& chip)
{
    return chip.startsWith("stc") && chip != "stc89";
}

// Counts a mode's counter holds (timer 2: mode 0, its one mode).
std::uint32_t counterLimit(const QString& chip, int timer, int mode)
{
    if (mode == 2)
        return 256;
    if (mode == 0 && timer != 2 && !isStc(chip))
        return 8192;
    return 65536;
}

// Periods around the longest one the mode takes, and far beyond it.
QList<std::uint64_t> periodsFor(std::uint32_t limit, double clocksPerCount, double mhz)
{
    const auto longest = static_cast<std::uint64_t>(std::floor(limit * clocksPerCount / mhz));
    return { 0, 1, 1000, longest, longest + 1, longest * 10 + 7 };
}

QList<QString> timerCases(const QString& chip, double mhz)
{
    QList<QString> cases;
    const double clocks = isStc(chip) ? 1 : 12;
    for (int timer = 0; timer < 2; ++timer) {
        for (int mode = 0; mode < 3; ++mode) {
            const std::uint32_t limit = counterLimit(chip, timer, mode);
            for (std::uint64_t us : periodsFor(limit, clocks, mhz))
                cases << QString("--timer%1 %2:%3").arg(timer).arg(mode).arg(us);
            for (std::uint64_t pulses : { std::uint64_t { 0 }, std::uint64_t { limit }, std::uint64_t { limit } + 1 })
                cases << QString("--counter%1 %2:%3").arg(timer).arg(mode).arg(pulses);
        }
        cases << QString("--timer%1 3:1000").arg(timer);
    }
    for (std::uint64_t us : periodsFor(65536, clocks, mhz))
        cases << QString("--timer2 %1").arg(us);
    for (int pulses : { 0, 65536, 65537 })
        cases << QString("--counter2 %1").arg(pulses);
    return cases;
}

const QStringList kOptionCases {
    "--timer0 1:1000 --gate0",
    "--counter1 2:100 --gate1",
    "--counter0 0:100 --gate0",
    "--gate0",
    "--timer0 1:50000 --postscale0 20",
    "--timer1 2:100 --postscale1 300",
    "--timer0 1:1000 --postscale0 0",
    "--timer0 1:10000000 --postscale0 3",
    "--timer0 2:1000000",
    "--timer1 0:250000",
    "--timer2 1000 --postscale2 1000",
    "--timer2 9000000",
    "--postscale1 5",
    "--timer0 1:1000 --clock0 12t",
    "--timer1 0:5000 --clock1 1t",
    "--timer2 1000 --clock2 12t",
    "--uart 9600 --clock1 12t",
    "--uart 9600 --uart-timer 2 --clock2 12t",
    "--clock0 2t --timer0 1:10",
    "--6t --timer0 1:1000",
    "--6t --uart 9600",
    "--6t --timer2 500 --counter1 1:10",
    "--exact --timer0 1:1000",
    "--exact --timer0 2:200 --uart 9600",
    "--exact --counter0 0:77 --timer1 0:7777",
    "--drift-free --timer0 1:1000",
    "--drift-free --timer0 0:5000",
    "--drift-free --timer1 1:50",
    "--drift-free --timer0 2:100",
    "--drift-free --timer0 1:1000 --postscale0 10",
    "--drift-free --counter0 1:100",
    "--drift-free --timer0 1:100000",
    "--uart 12345",
    "--uart 9600 --uart-timer 3",
    "--uart-timer 2",
    "--timer1 1:100 --uart 9600",
    "--timer2 100 --uart 9600 --uart-timer 2",
    "--postscale1 3 --uart 2400",
    "--int0 level --int1 falling --comments",
    "--int0 edge",
    "--header STC15F2K60S2.H --timer2 1000 --uart 9600",
    "--header bad<name --timer0 1:10",
    "--header STC8H.H --timer0 1:500 --uart 4800 --uart-timer 2",
    "--timer0 1:1000 --counter1 2:10 --int0 level --int1 falling",
    "--timer0 2:100 --uart 9600 --double-baud --uart-interrupt --timer2 2000",
    "--timer0 0:2000 --timer1 1:20000 --timer2 50000 --postscale2 20",
    "--counter0 0:100 --timer2 1000 --uart 4800 --uart-timer 1",
    "--timer0 1:1 --timer1 1:2 --drift-free",
    "--timer0 2:5 --postscale0 2",
    "--timer0 1:40 --postscale0 200",
};

QList<QString> uartCases()
{
    QList<QString> cases;
    for (const QString& rate : kRates) {
        for (const char* timer : { "1", "2" }) {
            for (const char* doubling : { "", " --double-baud" })
                cases << QString("--uart %1 --uart-timer %2%3").arg(rate, timer, doubling);
        }
    }
    cases << "--uart 9600 --uart-interrupt"
          << "--uart 2400 --double-baud --uart-interrupt --comments";
    return cases;
}

// Every case's argument line, in a fixed order.
QStringList goldenCases()
{
    QStringList cases { "--help", "--chip foo", "--chip STC15 --timer0 1:10", "--chip 8051 --timer0 1:1000",
        "--crystal 0.5", "--crystal 101", "--crystal 12.34567 --timer0 1:1000", "" };
    for (const QString& chip : kChips) {
        const QString chipArgs = chip == "8051" ? QString() : QString("--chip %1 ").arg(chip);
        for (const QString& crystal : kCrystals) {
            const QString prefix = chipArgs + QString("--crystal %1 ").arg(crystal);
            for (const QString& rest : timerCases(chip, crystal.toDouble()) + kOptionCases + uartCases())
                cases << prefix + rest;
        }
    }
    return cases;
}

// What orlet-gen run with `args` writes and ends with, as RunGenCommand
// does it.
QByteArray runOrletGen(const QStringList& args)
{
    QByteArray out, err;
    int status = orlet::kExitSuccess;
    const orlet::GenParseResult parsed = orlet::ParseGenArguments(QStringList { "orlet-gen" } + args);
    if (!parsed.earlyExit.isEmpty()) {
        // Qt's help differs by platform: the usage line names the program
        // by how it was started (a full path on Windows), and Windows adds -?.
        static const QRegularExpression usage(QStringLiteral("^Usage: .* \\[options\\]"));
        out = QString(parsed.earlyExit)
                  .replace(usage, QStringLiteral("Usage: <executable_name> [options]"))
                  .replace(QStringLiteral("  -?, -h, --help    "), QStringLiteral("  -h, --help        "))
                  .toUtf8();
    } else if (!parsed.request) {
        err = "orlet-gen: " + parsed.error.toUtf8() + '\n';
        status = orlet::kExitRefused;
    } else {
        const orlet::GenOutput output = orlet::RenderGenOutput(*parsed.request);
        if (!output.error.isEmpty()) {
            err = "orlet-gen: " + output.error.toUtf8() + '\n';
            status = output.exitStatus;
        } else {
            out = output.bytes;
            for (const QString& warning : output.warnings)
                err += "orlet-gen: " + warning.toUtf8() + '\n';
        }
    }
    return "status " + QByteArray::number(status) + "\n--- stdout\n" + out + "\n--- stderr\n" + err;
}

QByteArray allForms(const QString& line)
{
    QByteArray texts;
    for (const QStringList& form : kForms)
        texts += "=== " + (words(line) + form).join(' ').toUtf8() + '\n' + runOrletGen(words(line) + form) + '\n';
    return texts;
}

QByteArray fnv1a(const QByteArray& bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3ull;
    }
    return QByteArray::number(static_cast<qulonglong>(hash), 16).rightJustified(16, '0');
}

QString goldenPath()
{
    return QStringLiteral(ORLET_GOLDEN_DIR "/orlet-gen.txt");
}

std::map<QString, QByteArray> readGolden()
{
    std::map<QString, QByteArray> golden;
    QFile file(goldenPath());
    if (!file.open(QIODevice::ReadOnly))
        return golden;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().chopped(1);
        golden[QString::fromUtf8(line.mid(17))] = line.left(16);
    }
    return golden;
}

} // namespace

TEST(GoldenSweep, OrletGenPrintsWhatItPrintedWhenRecorded)
{
    const QStringList cases = goldenCases();
    const QString dump = qEnvironmentVariable("ORLET_GOLDEN_DUMP");
    if (!dump.isEmpty())
        QDir().mkpath(dump + "/orlet-gen");
    QByteArray recorded;
    std::vector<QString> changed;
    const std::map<QString, QByteArray> golden = readGolden();
    for (int i = 0; i < cases.size(); ++i) {
        const QByteArray texts = allForms(cases[i]);
        const QByteArray hash = fnv1a(texts);
        recorded += hash + ' ' + cases[i].toUtf8() + '\n';
        const auto found = golden.find(cases[i]);
        if (found == golden.end() || found->second != hash)
            changed.push_back(cases[i]);
        if (!dump.isEmpty()) {
            QFile file(QString("%1/orlet-gen/%2.txt").arg(dump).arg(i, 4, 10, QLatin1Char('0')));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(texts);
        }
    }
    if (qEnvironmentVariableIsSet("ORLET_GOLDEN_RECORD")) {
        QFile file(goldenPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(recorded);
        return;
    }
    EXPECT_EQ(golden.size(), std::size_t(cases.size())) << "the case list changed: record it anew";
    QStringList shown;
    for (std::size_t i = 0; i < changed.size() && i < 20; ++i)
        shown << changed[i];
    EXPECT_TRUE(changed.empty()) << changed.size() << " cases differ, among them:\n"
                                 << shown.join('\n').toStdString()
                                 << "\n(scripts/golden.sh dumps the texts of two builds to compare)";
}
