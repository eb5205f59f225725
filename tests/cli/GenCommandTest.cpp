#include "Arguments.h"
#include "Gbk.h"
#include "Rendering.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "OrletVersion.h"

#include <gtest/gtest.h>

#include <functional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct GenRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs orlet-gen; `stdoutFile`, when given, takes its standard output.
GenRun orletGen(const QStringList& args, const QString& stdoutFile = {}, const QString& workingDirectory = {},
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(ORLET_GEN_PATH), args);
    process.waitForFinished(30000);
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

QStringList words(const char* line)
{
    return QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts);
}

} // namespace

TEST(OrletGen, TypicalTimerExampleIsByteExact)
{
    const GenRun run = orletGen(words("--timer0 1:1000 --encoding utf-8"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out,
        QByteArray("#include \"reg51.h\"\r\n\r\n"
                   "void initTimer(void)\r\n{\r\n TMOD=0x1;\r\n TH0=0xfc;\r\n TL0=0x18;\r\n}\r\n\r\n"
                   "void timer0(void) interrupt 1\r\n{\r\n"
                   " TH0=0xfc;\r\n TL0=0x18;\r\n //add your code here.\r\n\r\n}\r\n\r\n"
                   "void main(void)\r\n{\r\ninitTimer();\r\nTR0=1;\r\nET0=1;\r\n//EA=1;\r\n}"));
    EXPECT_TRUE(run.err.isEmpty());
}

#ifndef Q_OS_WIN
// Qt hands the C library the user's locale: numbers are read and written
// with a point whatever it is. A German one, made here, has a comma.
TEST(OrletGen, NumbersKeepTheirPointInEveryLocale)
{
    QTemporaryDir locales;
    QProcess make;
    make.start(QStringLiteral("localedef"), { "-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8") });
    if (!make.waitForFinished(60000) || make.exitCode() != 0)
        GTEST_SKIP() << "localedef cannot make de_DE.UTF-8 (Debian's locales package holds its source)";
    QProcessEnvironment german = QProcessEnvironment::systemEnvironment();
    german.insert("LOCPATH", locales.path());
    german.insert("LC_ALL", "de_DE.UTF-8");
    const QStringList args = words("--crystal 11.0592 --uart 9600 --timer0 1:1000 --explain --encoding utf-8");
    const GenRun plain = orletGen(args);
    const GenRun inGerman = orletGen(args, {}, {}, german);
    ASSERT_EQ(plain.exitCode, 0) << plain.err.constData();
    EXPECT_EQ(inGerman.exitCode, 0) << inGerman.err.constData();
    EXPECT_EQ(inGerman.out, plain.out);
    EXPECT_EQ(inGerman.err, plain.err);
}
#endif

TEST(OrletGen, DefaultIsTheBareMainIn43Bytes)
{
    const GenRun run = orletGen({});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.size(), 43);
}

TEST(OrletGen, CommentsAreGbkByDefault)
{
    const GenRun gbk = orletGen(words("--comments --int0 level --int1 falling"));
    ASSERT_EQ(gbk.exitCode, 0);
    // "低电平" "下降沿" "允许" in GBK
    EXPECT_TRUE(gbk.out.contains(QByteArray("//INT0\xb5\xcd\xb5\xe7\xc6\xbd\xd6\xd0\xb6\xcf\r\n")));
    EXPECT_TRUE(gbk.out.contains(QByteArray("//INT1\xcf\xc2\xbd\xb5\xd1\xd8\xd6\xd0\xb6\xcf\r\n")));
    EXPECT_TRUE(gbk.out.contains(QByteArray("EX0=1;     //\xd4\xca\xd0\xedINT0\xd6\xd0\xb6\xcf\r\n")));
    const GenRun utf8 = orletGen(words("--comments --int0 level --int1 falling --encoding utf-8"));
    EXPECT_TRUE(utf8.out.contains("IT0=0;     //INT0低电平中断\r\n"));
    // 18 Chinese characters: three bytes each in UTF-8, two in GBK; the rest is identical.
    EXPECT_EQ(gbk.out.size(), utf8.out.size() - 18);
    QStringDecoder fromGbk("GBK");
    if (fromGbk.isValid()) { // a Qt without ICU (the Windows builds) has no GBK decoder
        EXPECT_EQ(QString::fromUtf8(utf8.out), fromGbk.decode(gbk.out));
    }
}

TEST(OrletGen, JsonCarriesTheComputedValues)
{
    const GenRun run = orletGen(words("--json --crystal 11.0592 --timer0 1:1000 --gate0 --uart 9600 --double-baud"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o["crystalHz"].toInteger(), 11059200);
    EXPECT_EQ(o["tmod"].toInt(), 0x09);
    EXPECT_EQ(o["th0"].toInt(), 0xFC);
    EXPECT_EQ(o["tl0"].toInt(), 0x6C);
    EXPECT_EQ(o["th1"].toInt(), 0xFA);
    EXPECT_EQ(o["tl1"].toInt(), 0xFA);
    EXPECT_EQ(o["reload0Text"].toString(), "fcH,6cH");
    EXPECT_FALSE(o.contains("reload1Text"));
    EXPECT_EQ(o["baudReloadText"].toString(), "0xfa");
    EXPECT_EQ(o["baudErrorText"].toString(), "0.0000%");
    EXPECT_TRUE(o["source"].toString().contains(" PCON|=0x80;\r\n TH1=0xfa;"));

    // A custom crystal takes the window's single-precision path; --exact reaches the count.
    const QJsonObject custom
        = QJsonDocument::fromJson(orletGen(words("--json --crystal 14.7456 --uart 300 --double-baud")).out).object();
    EXPECT_EQ(custom["crystalHz"].toInteger(), 14745599);
    EXPECT_EQ(custom["baudReloadText"].toString(), "0x0");
    EXPECT_EQ(custom["baudErrorText"].toString(), "-0.0020%");
    const QJsonObject exact
        = QJsonDocument::fromJson(orletGen(words("--json --exact --crystal 11.0592 --timer0 1:1000")).out).object();
    EXPECT_TRUE(exact["exact"].toBool());
    EXPECT_EQ(exact["reload0Text"].toString(), "fcH,66H");
}

TEST(OrletGen, JsonCarriesTheDerivationNumbers)
{
    const GenRun run = orletGen(words("--json --crystal 11.0592 --timer0 1:1000 --counter1 2:100"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o["cycles0"].toInteger(), 916);
    EXPECT_NEAR(o["actualPeriod0Us"].toDouble(), 993.9236, 1e-4);
    EXPECT_NEAR(o["periodError0"].toDouble(), -0.6076, 1e-4);
    EXPECT_EQ(o["pulses1"].toInteger(), 100);
    EXPECT_FALSE(o.contains("cycles1"));
    EXPECT_FALSE(o.contains("actualBaud"));

    const GenRun uart = orletGen(words("--json --crystal 12 --uart 9600 --timer0 1:0"));
    const QJsonObject u = QJsonDocument::fromJson(uart.out).object();
    EXPECT_NEAR(u["actualBaud"].toDouble(), 10416.667, 1e-3);
    EXPECT_DOUBLE_EQ(u["baudError"].toDouble(), 7.84);
    EXPECT_TRUE(u["periodError0"].isNull()) << "a period of 0 us has no error";
    EXPECT_FALSE(u.contains("explain"));
}

TEST(OrletGen, ExplainReplacesTheSource)
{
    const GenRun run = orletGen(words("--explain --crystal 11.0592 --timer0 1:1000 --uart 9600 --double-baud"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_FALSE(run.out.contains("#include"));
    EXPECT_TRUE(run.out.contains("n = floor(11 * 1000 / 12) = 916.\n"));
    EXPECT_TRUE(run.out.contains("TH1 = TL1 = 0xfa."));
    // The same text whatever the encoding, and inside --json in place of the source.
    EXPECT_EQ(
        orletGen(words("--explain --encoding utf-8 --crystal 11.0592 --timer0 1:1000 --uart 9600 --double-baud")).out,
        run.out);
    const GenRun json = orletGen(words("--json --explain --crystal 11.0592 --timer0 1:1000 --uart 9600 --double-baud"));
    const QJsonObject o = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(o["explain"].toString().toUtf8(), run.out);
    EXPECT_FALSE(o.contains("source"));
    EXPECT_EQ(o["cycles0"].toInteger(), 916);

    const GenRun exact = orletGen(words("--explain --exact --crystal 11.0592 --timer0 1:1000"));
    EXPECT_TRUE(exact.out.contains("= 922 (whole megahertz, 11 MHz, would give 916).\n")) << exact.out.constData();
}

namespace {

struct ErrorCase {
    const char* args;
    const char* stderrPart;
};

void PrintTo(const ErrorCase& c, std::ostream* os)
{
    *os << c.args;
}

} // namespace

TEST(OrletGenErrors, ExitTwoWithOneLine)
{
    const ErrorCase cases[] = { { "--timer0 1:65537", "定时时间超出16位范围: timer0 mode 1 accepts at most 65536 us" },
        { "--crystal 11.0592 --timer0 1:80000", "at most 71111 us" },
        { "--counter1 2:300", "计数值超出8位范围: counter1 mode 2 accepts at most 256 pulses" },
        { "--crystal 24 --uart 300 --double-baud", "波特率太低: 300 bit/s does not fit this crystal with doubling" },
        { "--crystal 1 --uart 115200", "波特率太高: 115200 bit/s does not fit this crystal without doubling" },
        { "--timer1 1:10 --uart 9600", "timer 1 is the baud-rate generator" },
        { "--counter1 1:10 --uart 9600", "timer 1 is the baud-rate generator" },
        { "--crystal 100.00001", "数值应该在0~100之间 不能带有非数字输入" }, { "--crystal 0.5", "from 1 to 100" },
        { "--crystal abc", "--crystal \"abc\"" }, { "--uart 0", "not a rate of the list" },
        { "--uart 1000000",
            "波特率应在122~62500bps之间: --uart 1000000 is out of reach: timer 1 makes 122 to 62500 bit/s at this"
            " crystal without doubling" },
        { "--uart 9600 --max-baud-error 2",
            "--max-baud-error 2: the serial port runs at 10416.67 bit/s for the 9600 bit/s asked, +8.51% off; fixes,"
            " best first: --crystal 11.0592 (9600.00 bit/s, 0.00%); --uart 2400 (2403.85 bit/s, +0.16%)" },
        { "--max-baud-error 2", "--max-baud-error needs --uart" },
        { "--uart 9600 --max-baud-error -1", "a number of per cent, 0 or more" },
        { "--baud-table --explain", "exclude each other" }, { "--timer0 3:10", "expected MODE:MICROSECONDS" },
        { "--counter0 1", "expected MODE:PULSES" }, { "--timer0 1:-5", "expected MODE:MICROSECONDS" },
        { "--timer0 1:4294967296", "from 0 to 4294967295" },
        { "--timer0 1:99999999999999999999999", "from 0 to 4294967295" },
        { "--timer0 1:5 --counter0 1:5", "exclude each other" }, { "--gate0", "--gate0 needs --timer0 or --counter0" },
        { "--int0 rising", "level or falling" }, { "--encoding latin1", "gbk or utf-8" },
        { "--dialect iar", "keil or sdcc" }, { "--timer0 1:5 --timer0 1:6", "more than once" },
        { "--no-such-flag", "no-such-flag" }, { "stray", "unexpected argument" },
        { "--crystal 12 --timer0 1:1000000",
            "定时时间超出16位范围: timer0 mode 1 accepts at most 65536 us, got 1000000; use --timer0 "
            "2:250 --postscale0 4000 (exact with the hardware reload: 250 x 4000 = 1000000 cycles;" },
        { "--crystal 12 --timer0 1:1000000", " or --timer0 1:62500 --postscale0 16 (16 interrupts/s" },
        { "--exact --crystal 11.0592 --timer0 1:1000000",
            "at most 71111 us, got 1000000; use --timer0 2:278 --postscale0 3600 (exact with the hardware reload: "
            "256 x 3600 = 921600 cycles;" },
        { "--postscale0 16", "--postscale0 needs --timer0 or --counter0" },
        { "--timer0 1:10 --postscale0 0", "--postscale0 \"0\": a whole number from 1 to 65535" },
        { "--timer0 1:10 --postscale0 65536", "--postscale0 \"65536\": a whole number from 1 to 65535" },
        { "--timer0 1:10 --postscale0 +5", "from 1 to 65535" },
        { "--timer0 1:10 --postscale0 2 --postscale0 3", "more than once" },
        { "--uart 9600 --postscale1 16", "--postscale1 cannot be used with --uart" } };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const GenRun run = orletGen(words(c.args));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(c.stderrPart)) << run.err.constData();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
    }
}

// Every number option takes blanks around its number, as the window's boxes
// do, and nothing else there.
TEST(OrletGen, NumbersTakeBlanksAroundThemAndNothingElse)
{
    const char* options[] = { "--crystal 11.0592", "--timer0 1:1000", "--counter1 2:100",
        "--timer0 1:5 --postscale0 16", "--chip 8052 --timer2 1000", "--chip 8052 --counter2 100",
        "--chip 8052 --timer2 1 --postscale2 300", "--uart 9600", "--chip 8052 --uart 9600 --uart-timer 2" };
    for (const char* option : options) {
        const auto render = [option](const char* around) {
            QStringList args = QStringList { "orlet-gen" } + words(option);
            args.last() = QString::fromLatin1(around).arg(args.last());
            const orlet::GenParseResult parsed = orlet::ParseGenArguments(args);
            return parsed.request ? orlet::RenderGenOutput(*parsed.request).bytes : QByteArray();
        };
        for (const char* around : { " %1", "\t%1 \t" })
            EXPECT_EQ(render(around), render("%1")) << option << " with \"" << around << '"';
        for (const char* around : { "%1\n", "\n%1", "%1\r", "%1x" })
            EXPECT_TRUE(render(around).isEmpty()) << option << " with \"" << around << '"';
    }
}

TEST(OrletGen, AcceptsTheLargestValues)
{
    EXPECT_TRUE(orletGen(words("--counter0 0:100 --gate0")).out.contains(" TMOD=0xc;\r\n")); // a gated counter
    EXPECT_EQ(orletGen(words("--counter0 0:8192")).exitCode, 0);
    EXPECT_EQ(orletGen(words("--crystal 1 --timer0 1:786432")).exitCode, 0);
    EXPECT_EQ(orletGen(words("--uart-interrupt")).exitCode, 0);
}

TEST(OrletGen, OutputFileIsWrittenWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.c");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    EXPECT_EQ(orletGen({ "--timer0", "1:65537", "-o", path }).exitCode, 2);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("keep me"));
    existing.close();

    const GenRun ok = orletGen({ "--timer0", "1:1000", "--output", path });
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_TRUE(ok.out.isEmpty());
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), orletGen(words("--timer0 1:1000")).out);

    const GenRun unwritable = orletGen({ "-o", dir.filePath("missing/dir/out.c") });
    EXPECT_EQ(unwritable.exitCode, 1) << "a failed write is no refused argument";
    EXPECT_TRUE(unwritable.err.contains("cannot write"));
    EXPECT_EQ(unwritable.err.count('\n'), 1);
}

TEST(OrletGen, DashIsStandardOutputAndAnEmptyNameIsRefused)
{
    QTemporaryDir dir;
    const GenRun dash = orletGen({ "--timer0", "1:1000", "-o", "-" }, {}, dir.path());
    EXPECT_EQ(dash.exitCode, 0) << dash.err.constData();
    EXPECT_EQ(dash.out, orletGen(words("--timer0 1:1000")).out);
    EXPECT_FALSE(QFile::exists(dir.filePath("-")));

    const GenRun empty = orletGen({ "--timer0", "1:1000", "-o", "" }, {}, dir.path());
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.out.isEmpty());
    EXPECT_TRUE(empty.err.contains("-o takes a file name")) << empty.err.constData();
    EXPECT_EQ(empty.err.count('\n'), 1);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(OrletGen, ControlCharactersInArgumentsAreEscapedSoTheErrorStaysOneLine)
{
    const std::pair<QStringList, const char*> cases[]
        = { { { "--int0", "lev\nel" }, R"("lev\nel")" }, { { "--int1", "level\r" }, R"("level\r")" },
              { { "--crystal", "1\r\n2" }, R"("1\r\n2")" }, { { "--uart", "96\x1b[2J00" }, R"("96\x1b[2J00")" },
              { { "--timer0", "1:\t5" }, R"("1:\t5")" }, { { "--encoding", "gbk\x7f" }, R"("gbk\x7f")" },
              { { QString::fromUtf8("stray\u2028line") }, R"("stray\u2028line")" }, { { "--no\nflag" }, R"(no\nflag)" },
              { { "-o", "a\nb", "--timer0", "1:65537" }, "65536" } };
    for (const auto& [args, escaped] : cases) { // how the message shows the argument
        SCOPED_TRACE(args.join(' ').toUtf8().toPercentEncoding(" -:").constData());
        const GenRun run = orletGen(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
        EXPECT_FALSE(run.err.contains('\r'));
        EXPECT_FALSE(run.err.contains('\x1b'));
        EXPECT_TRUE(run.err.contains(escaped)) << run.err.constData();
    }
}

#ifdef Q_OS_UNIX

// Arguments are bytes: one that is not UTF-8 is refused as it came, and a
// leading U+FEFF kept, where Qt would make U+FFFD of the bytes or drop the
// U+FEFF, and the name another one.
TEST(OrletGen, ArgumentsAreReadAsTheyCame)
{
    const std::pair<const char*, const char*> cases[] = {
        { "--chip stc15 --header \"$(printf 'caf\\351.h')\" --encoding utf-8",
            R"(argument 4, "caf\xe9.h", is not UTF-8 (at byte 3))" },
        { "--timer0 1:1 -o \"$(printf '\\377c\\300.c')\"", R"(argument 4, "\xffc\xc0.c", is not UTF-8 (at byte 0))" },
        { "--chip stc15 --header \"$(printf '\\357\\273\\277STC8H.h')\"",
            R"(--header "\ufeffSTC8H.h": the name holds U+FEFF)" }
    };
    for (const auto& [args, said] : cases) {
        SCOPED_TRACE(args);
        QTemporaryDir dir;
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start("/bin/sh", { "-c", QStringLiteral("exec \"$0\" %1").arg(args), ORLET_GEN_PATH });
        shell.waitForFinished(30000);
        const QByteArray err = shell.readAllStandardError();
        EXPECT_EQ(shell.exitCode(), 2);
        EXPECT_TRUE(err.contains(said) && err.count('\n') == 1) << err.constData();
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
    }
}

namespace {

bool isFifo(const QString& path)
{
    struct stat status {
    };
    return ::stat(path.toLocal8Bit().constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool isCharacterDevice(const char* path)
{
    struct stat status {
    };
    return ::stat(path, &status) == 0 && S_ISCHR(status.st_mode);
}

// Runs orlet-gen with `-o` on a new FIFO and returns what a reader got.
QByteArray throughFifo(const QString& fifo, const QStringList& args, GenRun& run)
{
    if (::mkfifo(fifo.toLocal8Bit().constData(), 0600) != 0)
        return {};
    // Opened first without waiting, so that orlet-gen's open finds a reader.
    const int reader = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    run = orletGen(args + QStringList { "-o", fifo });
    QByteArray got;
    char buffer[4096];
    for (ssize_t n; reader >= 0 && (n = ::read(reader, buffer, sizeof buffer)) > 0;)
        got.append(buffer, n);
    if (reader >= 0)
        ::close(reader);
    return got;
}

} // namespace

TEST(OrletGen, FifoIsWrittenIntoAndStaysAFifo)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    GenRun run;
    const QByteArray got = throughFifo(fifo, words("--timer0 1:1000"), run);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(got, orletGen(words("--timer0 1:1000")).out);
    EXPECT_TRUE(isFifo(fifo)) << "the FIFO was replaced";
    EXPECT_EQ(
        QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System), QStringList { "pipe" });
}

TEST(OrletGen, StandardOutputOnAFullDeviceFailsForEveryOutput)
{
    for (const char* args : { "--timer0 1:1000", "", "--json --uart 9600", "--explain --timer0 1:1000", "--help",
             "--version", "-o - --comments" }) {
        SCOPED_TRACE(args);
        QTemporaryDir dir; // where a build that took "-o -" for a file name would put it
        const GenRun run = orletGen(words(args), QStringLiteral("/dev/full"), dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.startsWith("orlet-gen: cannot write to standard output")) << run.err.constData();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
    }
}

TEST(OrletGen, DeviceIsWrittenIntoAndAWriteErrorReported)
{
    // A build that still renamed over its target would replace the device
    // itself; the FIFO shows first that this one writes into it.
    QTemporaryDir dir;
    GenRun fifoRun;
    throughFifo(dir.filePath("pipe"), {}, fifoRun);
    ASSERT_TRUE(isFifo(dir.filePath("pipe"))) << "not trying /dev/full with a build that replaces special files";

    ASSERT_TRUE(isCharacterDevice("/dev/full"));
    const GenRun run = orletGen({ "--timer0", "1:1000", "-o", "/dev/full" });
    EXPECT_TRUE(isCharacterDevice("/dev/full"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("cannot write \"/dev/full\"")) << run.err.constData();
    EXPECT_EQ(run.err.count('\n'), 1);
}

#endif // Q_OS_UNIX

// orlet-gen wrote Qt's GBK until the core had its own table: the bytes stay.
// Only the private use area, which GBK's user-defined codes hold in Qt's
// codec and nowhere in the C library's, is refused now.
TEST(GbkCodec, CoreWritesQtsBytes)
{
    if (!QStringEncoder("GBK").isValid())
        GTEST_SKIP() << "this Qt has no GBK codec";
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QString text = QString::fromUcs4(&c, 1);
        QStringEncoder encoder("GBK");
        const QByteArray bytes = encoder.encode(text);
        const std::optional<std::string> core = orlet::EncodeGbk(text.toStdString());
        const bool privateUse = (c >= 0xE000 && c <= 0xF8FF);
        if (core || !privateUse) {
            ASSERT_EQ(core ? QByteArray::fromStdString(*core).toHex() : "nothing",
                encoder.hasError() ? "nothing" : bytes.toHex())
                << "U+" << std::hex << std::uint32_t(c);
        }
    }
}

TEST(OrletGen, NewMembersOnlyWithTheNewOptions)
{
    const QJsonObject plain
        = QJsonDocument::fromJson(orletGen(words("--json --timer0 1:1000 --timer1 2:100")).out).object();
    for (const char* member : { "exact", "postscale0", "postscale1", "wholePeriod0Us", "wholePeriodError0" })
        EXPECT_FALSE(plain.contains(member)) << member;

    const GenRun run = orletGen(words("--json --crystal 11.0592 --timer0 1:62500 --postscale0 16 --counter1 1:10 "
                                      "--postscale1 300"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_FALSE(o.contains("exact"));
    EXPECT_EQ(o["postscale0"].toInt(), 16);
    EXPECT_NEAR(o["wholePeriod0Us"].toDouble(), 16 * 57291 * 12e6 / 11059200, 1e-6);
    EXPECT_NEAR(o["wholePeriodError0"].toDouble(), o["periodError0"].toDouble(), 1e-12);
    EXPECT_EQ(o["postscale1"].toInt(), 300);
    EXPECT_FALSE(o.contains("wholePeriod1Us")) << "a counter has no period";
    EXPECT_TRUE(o["source"].toString().contains(" static unsigned int count=0;\r\n TH1=0xff;\r\n TL1=0xf6;\r\n"));
}

TEST(OrletGen, JsonGivesTheInterruptPeriodAndItsDrift)
{
    // 1007: what s51 measures for the SDCC output with main() idle.
    const QJsonObject plain
        = QJsonDocument::fromJson(orletGen(words("--json --dialect sdcc --timer0 1:1000 --counter1 1:10")).out)
              .object();
    EXPECT_EQ(plain["interruptCycles0"].toInteger(), 1007);
    EXPECT_NEAR(plain["driftPpm0"].toDouble(), 7000, 1e-9);
    EXPECT_NEAR(plain["driftSecondsPerDay0"].toDouble(), 604.8, 1e-9);
    EXPECT_EQ(plain["actualPeriod0Us"].toDouble(), 1000) << "what the count lasts stays as it was";
    EXPECT_FALSE(plain.contains("interruptCycles1")) << "a counter has no period";
    EXPECT_FALSE(plain.contains("driftFree"));

    const GenRun run = orletGen(words("--json --drift-free --dialect sdcc --timer0 1:1000 --timer1 0:5000"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonObject kept = QJsonDocument::fromJson(run.out).object();
    EXPECT_TRUE(kept["driftFree"].toBool());
    EXPECT_EQ(kept["hardwareSplit0"].toObject()["periodUs"].toInt(), 250) << "1000 cycles are 250 x 4 in mode 2";
    EXPECT_EQ(kept["hardwareSplit0"].toObject()["postscale"].toInt(), 4);
    EXPECT_FALSE(plain.contains("hardwareSplit0"));
    for (const char* n : { "0", "1" }) {
        EXPECT_EQ(kept[QStringLiteral("interruptCycles") + n], kept[QStringLiteral("cycles") + n]) << n;
        EXPECT_EQ(kept[QStringLiteral("driftPpm") + n].toDouble(), 0) << n;
    }
    EXPECT_TRUE(kept["source"].toString().contains(" TR0=0;\r\n TL0+=0x28;\r\n TH0+=0xfc+(TL0<0x28);\r\n TR0=1;\r\n"));

    const QJsonObject none = QJsonDocument::fromJson(orletGen(words("--json --timer0 1:0")).out).object();
    EXPECT_TRUE(none["driftPpm0"].isNull()) << "a period of 0 us has no error";
}

// A routine that takes a large share of the CPU, or more than its period:
// a warning on stderr and a line in --explain; the text is written all the same.
TEST(OrletGen, ShortPeriodsWarnAndAreWritten)
{
    const char* cases[][3] = {
        { "--timer0 1:1", "timer 0's interrupt routine takes 10 machine cycles and its period is 7: the period cannot",
            "= 10 machine cycles, and the next interrupt is due 7 cycles after the last: the period cannot be kept" },
        { "--timer1 2:20", "timer 1's interrupt routine takes about 30% of the CPU (6 of every 20",
            "CPU: the routine takes 4 (the hardware call and the LJMP at the vector) + 2 (RETI) = 6 of the 20" },
        { "--chip 8052 --timer2 10", "timer 2's interrupt routine takes about 70%", "+ 1 (CLR TF2) + 2 (RETI) = 7 of" },
        { "--chip stc15 --timer2 10", nullptr, nullptr }, // a 1T core's instructions are not counted
        { "--timer0 1:1000", nullptr, nullptr },
    };
    for (const auto& [args, warning, explained] : cases) {
        SCOPED_TRACE(args);
        const GenRun run = orletGen(words(args));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.startsWith("#include"));
        if (warning)
            EXPECT_TRUE(run.err.startsWith("orlet-gen: warning: " + QByteArray(warning)) && run.err.count('\n') == 1)
                << run.err.constData();
        else
            EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();
        const QByteArray explain = orletGen(words(args) + QStringList { "--explain" }).out;
        EXPECT_EQ(explain.contains("CPU:"), explained != nullptr);
        EXPECT_TRUE(!explained || explain.contains(explained)) << explain.constData();
    }
}

TEST(OrletGen, DriftFreeChangesOnlyTheTimerRoutines)
{
    const QByteArray plain = orletGen(words("--timer0 2:100 --counter1 1:10 --uart-interrupt --comments")).out;
    EXPECT_EQ(orletGen(words("--drift-free --timer0 2:100 --counter1 1:10 --uart-interrupt --comments")).out, plain);
    const GenRun tooShort = orletGen(words("--drift-free --timer0 1:50"));
    EXPECT_EQ(tooShort.exitCode, 2);
    EXPECT_TRUE(tooShort.err.contains("drift-free timing takes 100 to 65024 in this mode")) << tooShort.err.constData();
    EXPECT_EQ(orletGen(words("--drift-free --timer0 0:8129")).exitCode, 2) << "THx would get 1 to add";
    EXPECT_EQ(orletGen(words("--drift-free --timer0 0:8128")).exitCode, 0);
}

// Help and version end the run before -o is looked at: no file is written.
TEST(OrletGen, EarlyExitsPrintAndWriteNoFile)
{
    const QByteArray help = orletGen({ "--help" }).out, version = "orlet-gen " ORLET_VERSION "\n";
    const std::pair<const char*, QByteArray> cases[]
        = { { "-h", help }, { "--help-all", help }, { "-v", version }, { "--version", version } };
    QTemporaryDir dir;
    for (const auto& [option, printed] : cases) {
        SCOPED_TRACE(option);
        const GenRun run = orletGen({ "--timer0", "1:1000", option, "-o", dir.filePath("f.c") });
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, printed);
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
    }
}

TEST(OrletGen, VersionIsTheProjectVersion)
{
    const GenRun run = orletGen({ QStringLiteral("--version") });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("orlet-gen " ORLET_VERSION "\n"));
}

// Refusals no flag can reach, for a configuration set by other means: each
// in its own words, with status 2.
TEST(RenderGenOutput, RefusalsInWords)
{
    struct Case {
        std::function<void(orlet::Configuration&)> set;
        const char* error;
    } cases[] = {
        { [](orlet::Configuration& c) { c.crystalHz = 999999; }, "the crystal must be from 1 to 100 MHz" },
        { [](orlet::Configuration& c) { c.crystalHz = 99999951; },
            "no custom frequency of the window gives exactly 99999951 Hz" },
        { [](orlet::Configuration& c) {
             c.timer(0) = { true, false, 3, 10 };
         },
            "timer modes are 0, 1 and 2" },
        { [](orlet::Configuration& c) {
             c.timer(1) = { true, false, 1, 10, false, 0 };
         },
            "a postscale is from 1 to 65535" },
        { [](orlet::Configuration& c) { c.uartBaudIndex = 11; }, "unknown baud rate" },
    };
    for (const Case& c : cases) {
        orlet::GenRequest request;
        c.set(request.config);
        const orlet::GenOutput out = orlet::RenderGenOutput(request);
        EXPECT_EQ(out.error.toStdString(), c.error);
        EXPECT_EQ(out.exitStatus, orlet::kExitRefused);
        EXPECT_TRUE(out.bytes.isEmpty());
    }
}

// Beyond 2 % one warning line names the fixes and the code is written; a
// limit given refuses beyond it instead. Rates off the list are any the
// timer makes.
TEST(OrletGen, SerialRateBeyondTheToleranceWarns)
{
    const struct {
        const char* args;
        const char* warning;
    } cases[] = {
        { "--uart 9600",
            "orlet-gen: warning: the serial port runs at 10416.67 bit/s for the 9600 bit/s asked, +8.51% off, beyond"
            " the +/-2% a receiver tolerates; fixes, best first: --crystal 11.0592 (9600.00 bit/s, 0.00%); --uart 2400"
            " (2403.85 bit/s, +0.16%)\n" },
        { "--chip 8052 --crystal 11.0592 --uart 115200 --double-baud",
            "fixes, best first: --uart-timer 2 without --double-baud (115200.00 bit/s, 0.00%); --crystal 22.1184" },
        { "--uart 9600 --max-baud-error 9", nullptr },
        { "--crystal 11.0592 --uart 9600", nullptr },
        { "--uart 31250", nullptr },
        { "--chip 8052 --crystal 16 --uart 250000 --uart-timer 2", nullptr },
    };
    for (const auto& [args, warning] : cases) {
        SCOPED_TRACE(args);
        const GenRun run = orletGen(words(args));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.startsWith("#include"));
        EXPECT_EQ(run.err.count('\n'), warning ? 1 : 0) << run.err.constData();
        EXPECT_TRUE(!warning || run.err.contains(warning)) << run.err.constData();
    }
    const QJsonObject json = QJsonDocument::fromJson(orletGen(words("--uart 31250 --json")).out).object();
    EXPECT_EQ(json["baudReloadText"].toString(), "0xff");
    EXPECT_EQ(json["actualBaud"].toDouble(), 31250.0);
    EXPECT_EQ(json["baudDeviationPercent"].toDouble(), 0.0);
    const QJsonObject off = QJsonDocument::fromJson(orletGen(words("--uart 9600 --json")).out).object();
    EXPECT_NEAR(off["baudDeviationPercent"].toDouble(), 8.5069, 1e-4);
}

TEST(OrletGen, BaudTableGivesEveryListedRate)
{
    const GenRun text = orletGen(words("--baud-table"));
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.startsWith("Baud rates of the 8051 at 12 MHz from timer 1, not doubled"))
        << text.out.constData();
    EXPECT_TRUE(text.out.contains("\n  2400  0xf3          2403.85  +0.16%\n"));
    EXPECT_TRUE(text.out.contains("\n  9600  0xfd         10416.67  +8.51% *\n"));
    EXPECT_TRUE(text.out.endsWith("\n115200  out of reach\n"));
    const QJsonObject json
        = QJsonDocument::fromJson(orletGen(words("--baud-table --json --chip 8052 --uart-timer 2")).out).object();
    const QJsonArray rates = json["rates"].toArray();
    ASSERT_EQ(rates.size(), 11);
    EXPECT_EQ(json["uartTimer"].toInt(), 2);
    EXPECT_EQ(rates[5].toObject()["reloadText"].toString(), "ffH,d9H");
    EXPECT_FALSE(rates[5].toObject()["beyondTolerance"].toBool());
    EXPECT_EQ(orletGen(words("--baud-table --chip 8051 --uart-timer 2")).exitCode, 2);
    // A generator that is no timer (BRT) names itself.
    const GenRun brt = orletGen(words("--baud-table --chip stc12c5a60s2 --crystal 11.0592"));
    EXPECT_EQ(brt.exitCode, 0);
    EXPECT_TRUE(brt.out.contains("from BRT at 1t") && brt.out.contains("\n  9600  0xdc ")) << brt.out.constData();
}
