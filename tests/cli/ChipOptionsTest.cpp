#include "Arguments.h"
#include "Rendering.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using orlet::GenOutput;

struct Rendered {
    QString error; // the parse or the configuration refused
    GenOutput output;
};

// orlet-gen in process with each argument as given (names may hold blanks
// and control characters).
Rendered renderArgs(const QStringList& args)
{
    const orlet::GenParseResult parsed = orlet::ParseGenArguments(QStringList { QStringLiteral("orlet-gen") } + args);
    if (!parsed.request)
        return { parsed.error, { {}, parsed.error, orlet::kExitRefused, {}, {} } };
    GenOutput output = orlet::RenderGenOutput(*parsed.request);
    return { output.error, output };
}

// orlet-gen in process, on UTF-8 output.
Rendered render(const QString& line)
{
    return renderArgs(
        QStringList { QStringLiteral("--encoding"), QStringLiteral("utf-8") } + line.split(' ', Qt::SkipEmptyParts));
}

QJsonObject json(const QString& line)
{
    const Rendered r = render(line + QStringLiteral(" --json"));
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    return QJsonDocument::fromJson(r.output.bytes).object();
}

// The refusal as expected; one ending in "…" up to the chips it lists,
// which are the table's (WordingTest).
void expectRefusal(const QString& error, const QString& expected)
{
    if (expected.endsWith(QStringLiteral("…")))
        EXPECT_TRUE(error.startsWith(expected.chopped(1))) << error.toStdString();
    else
        EXPECT_EQ(error.toStdString(), expected.toStdString());
}

} // namespace

// --chip 8051 and the options that change nothing there leave every byte,
// every member and every refusal as it was.
TEST(ChipOptions, The8051IsTheDefault)
{
    const char* lines[] = {
        "",
        "--timer0 1:1000 --comments",
        "--timer0 0:5000 --timer1 2:100 --drift-free --dialect sdcc",
        "--crystal 11.0592 --uart 9600 --double-baud --uart-interrupt --timer0 2:200 --postscale0 50",
        "--counter1 1:300 --int0 level --exact",
        "--timer0 1:100000",
        "--crystal 3.6864 --uart 115200",
        "--timer0 1:80 --drift-free",
    };
    const char* chipOptions[]
        = { "--chip 8051", "--chip 8051 --clock0 12t --clock1 12t", "--chip 8051 --uart-timer 1" };
    for (const char* line : lines) {
        for (const char* extra : { "", " --json", " --explain", " --json --explain" }) {
            const QString plain = QString::fromLatin1(line) + QString::fromLatin1(extra);
            const Rendered before = render(plain);
            for (const char* chip : chipOptions) {
                const QString chosen = plain + ' ' + QString::fromLatin1(chip);
                if (chosen.contains("uart-timer") && !chosen.contains("--uart "))
                    continue;
                SCOPED_TRACE(chosen.toStdString());
                const Rendered after = render(chosen);
                EXPECT_EQ(after.error, before.error);
                EXPECT_EQ(after.output.bytes, before.output.bytes);
            }
        }
    }
}

TEST(ChipOptions, ReferenceValuesInTheJson)
{
    struct Case {
        const char* line;
        std::map<QString, int> members;
    };
    const Case cases[] = {
        { "--chip 8052 --timer2 1000",
            { { "th2", 0xFC }, { "tl2", 0x18 }, { "t2con", 0x04 }, { "cycles2", 1000 },
                { "interruptCycles2", 1000 } } },
        { "--chip 8052 --crystal 11.0592 --uart 9600 --uart-timer 2",
            { { "th2", 0xFF }, { "tl2", 0xDC }, { "t2con", 0x34 }, { "actualBaud", 9600 } } },
        { "--chip stc15 --crystal 11.0592 --uart 115200 --uart-timer 2",
            { { "th2", 0xFF }, { "tl2", 0xE8 }, { "auxr", 0x15 } } },
        { "--chip stc8 --crystal 11.0592 --uart 115200 --uart-timer 2",
            { { "th2", 0xFF }, { "tl2", 0xE8 }, { "auxr", 0x15 } } },
        { "--chip stc15 --timer0 0:1000 --clock0 1t",
            { { "th0", 0xD1 }, { "tl0", 0x20 }, { "auxr", 0x80 }, { "cycles0", 12000 } } },
        { "--chip stc15 --timer0 0:1000 --clock0 12t", { { "th0", 0xFC }, { "tl0", 0x18 }, { "auxr", 0x00 } } },
        { "--chip stc15 --timer0 0:1000", { { "th0", 0xD1 }, { "tl0", 0x20 }, { "auxr", 0x80 } } },
        { "--chip stc89 --6t --timer2 1000 --postscale2 10",
            { { "th2", 0xF8 }, { "tl2", 0x30 }, { "cycles2", 2000 }, { "postscale2", 10 } } },
        { "--chip stc8 --counter2 100 --crystal 24", { { "pulses2", 100 }, { "auxr", 0x1C } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const QJsonObject object = json(QString::fromLatin1(c.line));
        for (const auto& [name, value] : c.members)
            EXPECT_EQ(object.value(name).toInt(-1), value) << name.toStdString();
    }
    // The chip members only where a chip is chosen.
    const QJsonObject plain = json(QStringLiteral("--timer0 1:1000 --uart 9600"));
    for (const char* name : { "chip", "th2", "tl2", "t2con", "auxr", "cycles2", "uartTimer" })
        EXPECT_FALSE(plain.contains(QLatin1String(name))) << name;
}

TEST(ChipOptions, Stc1TRoutinesReloadNothingAndTheDriftIsNone)
{
    const QJsonObject object = json(QStringLiteral("--chip stc15 --timer0 0:1000 --timer1 1:1000"));
    const QString source = object.value("source").toString();
    const QString timer0 = source.section("void timer0(void) interrupt 1", 1).section('}', 0, 0);
    const QString timer1 = source.section("void timer1(void) interrupt 3", 1).section('}', 0, 0);
    EXPECT_FALSE(timer0.contains("TH0=")) << timer0.toStdString();
    EXPECT_TRUE(timer1.contains(" TH1=0xd1;\r\n TL1=0x20;")) << timer1.toStdString();
    EXPECT_EQ(object.value("interruptCycles0").toInt(), 12000);
    EXPECT_DOUBLE_EQ(object.value("driftPpm0").toDouble(-1), 0.0);
    // Timer 1 reloads in its routine on a 1T core: its latency is not counted.
    EXPECT_TRUE(object.value("interruptCycles1").isNull());
    EXPECT_TRUE(object.value("driftPpm1").isNull());
}

TEST(ChipOptions, ExplainShowsTheChipsWorking)
{
    const Rendered r = render(QStringLiteral("--chip stc15 --crystal 11.0592 --uart 115200 --uart-timer 2 --explain"));
    ASSERT_TRUE(r.error.isEmpty());
    const QString text = QString::fromUtf8(r.output.bytes);
    EXPECT_TRUE(text.contains("Reload: 65536 - 24 = 0xffe8: high byte 0xff, low byte 0xe8.")) << text.toStdString();
    EXPECT_TRUE(text.contains("AUXR after init: 0x15 (T2R, T2x12, S1ST2).")) << text.toStdString();
    for (const QChar c : text)
        EXPECT_LT(c.unicode(), 0x80) << "the derivation is ASCII";
}

TEST(ChipOptions, RefusalsInWords)
{
    struct Case {
        const char* line;
        const char* error;
    };
    const Case cases[] = {
        { "--chip 8053", "--chip takes …" },
        { "--timer2 1000", "the 8051 has no timer 2; choose --chip …" },
        { "--chip stc15 --timer0 3:100",
            "--timer0 3: mode 3 makes timer 0 of the STC15 a non-maskable 16-bit auto-reload timer (and stops timer 1);"
            " it is not generated: mode 0 is the same 16-bit auto-reload with a maskable interrupt" },
        { "--chip 8052 --timer1 3:100",
            "--timer1 3: mode 3 (timer 0 split into two 8-bit timers, timer 1 stopped) is not generated; the 8052"
            " offers modes 0, 1 and 2" },
        { "--timer0 3:100", "--timer0 \"3:100\": expected MODE:MICROSECONDS with MODE 0, 1 or 2 and a whole number" },
        { "--chip stc89 --clock1 1t",
            "--clock1 1t: the STC89 has no 1T timer clock (its AUXR holds only EXTRAM and ALEOFF); for double speed"
            " program it in 6T mode (--6t)" },
        { "--chip 8052 --clock2 1t", "--clock2 1t: the 8052 counts every 12 clocks; 1T timers are on …" },
        { "--chip stc8 --clock0 6t", "--clock0 takes 1t or 12t, got \"6t\"" },
        { "--chip 8052 --6t", "--6t: 6T mode is chosen when an STC89 is programmed; the 8052 has none" },
        { "--uart 9600 --uart-timer 2",
            "--uart-timer 2: the 8051 has no timer 2 to clock its serial port; choose --chip …" },
        { "--chip 8052 --uart-timer 2", "--uart-timer needs --uart" },
        { "--chip 8052 --uart 9600 --uart-timer 2 --timer2 100",
            "--timer2/--counter2 cannot be used with --uart-timer 2: timer 2 is the baud-rate generator" },
        { "--chip stc15 --uart 9600 --timer1 1:100",
            "--timer1/--counter1 cannot be used with --uart: timer 1 is the baud-rate generator" },
        { "--chip 8052 --uart 9600 --uart-timer 2 --double-baud",
            "--double-baud: PCON.SMOD does not reach the baud rate timer 2 makes on the 8052; leave it out" },
        { "--chip stc8 --uart 9600 --double-baud",
            "--double-baud: PCON.SMOD does not reach the baud rate timer 1 makes on the STC8; leave it out" },
        { "--chip stc15 --drift-free --timer1 1:1000",
            "--drift-free: timer1 mode 1 reloads in its routine on the STC15's 1T core; use mode 0, the 16-bit"
            " auto-reload the chip does in hardware" },
        { "--chip 8052 --timer2 1000 --counter2 5", "--timer2 and --counter2 exclude each other" },
        { "--chip 8052 --timer2 -5", "--timer2 \"-5\": a whole number from 0 to 4294967295" },
        { "--chip 8052 --postscale2 5", "--postscale2 needs --timer2 or --counter2" },
        // The most the count accepts, the split the hardware reload keeps
        // exact first; timer 2 has no modes to name.
        { "--chip 8052 --timer2 100000",
            "定时时间超出16位范围: timer2 accepts at most 65536 us, got 100000; use --timer2 50000 --postscale2 2"
            " (exact with the hardware reload: 50000 x 2 = 100000 counts; 20 interrupts/s, about 0.04% of the CPU)" },
        { "--chip 8052 --crystal 1 --timer2 786438",
            "定时时间超出16位范围: timer2 accepts at most 786437 us, got 786438; use --timer2 393219 --postscale2 2"
            " (2.543 interrupts/s, about 0.06% of the CPU)" },
        { "--chip stc15 --timer0 1:100000",
            "定时时间超出16位范围: timer0 mode 1 accepts at most 5461 us, got 100000; use --timer0 0:5000 --postscale0 "
            "20"
            " (exact with the hardware reload: 60000 x 20 = 1200000 counts; 200 interrupts/s)" },
        { "--chip 8052 --counter2 70000", "计数值超出16位范围: counter2 accepts at most 65536 pulses, got 70000" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Rendered r = render(QString::fromLatin1(c.line));
        expectRefusal(r.error, QString::fromUtf8(c.error));
        EXPECT_TRUE(r.output.bytes.isEmpty());
    }
    EXPECT_TRUE(render(QStringLiteral("--chip 8052 --crystal 1 --timer2 786437")).error.isEmpty());
    // Timer 1 is free while timer 2 makes the baud rate.
    EXPECT_TRUE(
        render(QStringLiteral("--chip 8052 --uart 9600 --uart-timer 2 --timer1 1:100 --postscale1 3")).error.isEmpty());
}

TEST(ChipOptions, HeaderRefusalsInWords)
{
    struct Case {
        QStringList args;
        std::string error;
    };
    const QString rule = QStringLiteral("; a header name holds no '\"', '<', '>', control, invisible or"
                                        " direction-changing character, line end or space other than U+0020");
    const Case cases[] = {
        { { "--header", "STC8H.h" },
            "--header: the 8051 text declares no registers of its own for a vendor header to replace; choose --chip"
            " …" },
        { { "--chip", "8052", "--header", "reg52.h" },
            "--header: the 8052 text declares no registers of its own for a vendor header to replace; choose --chip"
            " …" },
        { { "--chip", "stc89", "--timer2", "1000", "--header", "STC89.H" },
            "--header: the STC89 text declares no registers of its own for a vendor header to replace; choose --chip"
            " …" },
        { { "--chip", "stc15", "--header", "" }, "--header takes a file name, got an empty one" },
        { { "--chip", "stc15", "--header", "a.h", "--header", "b.h" }, "--header given more than once" },
        { { "--chip", "stc8", "--header", "<stc8.h>" }, "--header \"<stc8.h>\": the name holds '<'" },
        { { "--chip", "stc8", "--header", "a\"b.h" }, "--header \"a\"b.h\": the name holds '\"'" },
        { { "--chip", "stc15", "--header", "STC8H.h\n#define AUXR 0" },
            "--header \"STC8H.h\\n#define AUXR 0\": the name holds U+000A" },
        { { "--chip", "stc15", "--header", QString::fromUtf8("a\u2028b.h") },
            "--header \"a\\u2028b.h\": the name holds U+2028" },
        // The line shows the name as it is, not turned round.
        { { "--chip", "stc8", "--header", QString::fromUtf8("\u202Eh.H8CTS") },
            "--header \"\\u202eh.H8CTS\": the name holds U+202E" },
        { { "--chip", "stc8", "--header", " STC8H.h" },
            "--header \" STC8H.h\": the name starts with a space, which would be part of the file's name" },
        { { "--chip", "stc8", "--header", QString(101, 'x') },
            "--header \"" + std::string(101, 'x') + "\": the name has 101 bytes; the include line takes at most 100" },
        // The source is GBK unless asked otherwise: a name GBK cannot hold is refused, not written as '?'.
        { { "--chip", "stc8", "--header", QString::fromUtf8("\U0001F600.h") },
            "--header \"\U0001F600.h\": the name has no GBK form; use --encoding utf-8 or another name" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto [error, output] = renderArgs(c.args);
        QString expected = QString::fromStdString(c.error);
        if (expected.contains("the name holds"))
            expected += rule;
        expectRefusal(error, expected);
        EXPECT_EQ(output.exitStatus, orlet::kExitRefused);
        EXPECT_TRUE(output.bytes.isEmpty());
    }
}

// The name goes into the include line as the output encoding writes it.
TEST(ChipOptions, HeaderNameInEachEncoding)
{
    struct Case {
        QStringList args;
        QByteArray includeLine;
    };
    const QString emoji = QString::fromUtf8("\U0001F600.h");
    const Case cases[] = {
        { { "--header", "STC15F2K60S2.H" }, "#include \"STC15F2K60S2.H\"\r\n\r\n" },
        { { "--header", "inc/STC8H.h", "--dialect", "sdcc" }, "#include \"inc/STC8H.h\"\r\n\r\n" },
        { { "--header", QString::fromUtf8("中文/STC8H.h") }, "#include \"\xd6\xd0\xce\xc4/STC8H.h\"\r\n\r\n" },
        { { "--header", QString::fromUtf8("中文/STC8H.h"), "--encoding", "utf-8" },
            "#include \"\xe4\xb8\xad\xe6\x96\x87/STC8H.h\"\r\n\r\n" },
        { { "--header", emoji, "--encoding", "utf-8" }, "#include \"\xf0\x9f\x98\x80.h\"\r\n\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto [error, output]
            = renderArgs(QStringList { "--chip", "stc8", "--timer2", "1000", "--uart", "9600" } + c.args);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(output.bytes.startsWith(c.includeLine)) << output.bytes.left(60).toStdString();
        EXPECT_FALSE(output.bytes.contains("sfr"));
    }
    // JSON and the explanation are UTF-8 whatever --encoding says.
    const Rendered json = renderArgs({ "--chip", "stc15", "--header", emoji, "--json" });
    ASSERT_TRUE(json.error.isEmpty()) << json.error.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json.output.bytes).object().value("header").toString(), emoji);
}

// "header" only where --header was given; the rest of the JSON is the same.
TEST(ChipOptions, HeaderInTheJsonAndTheExplanation)
{
    const char* lines[] = {
        "--chip stc15 --timer0 0:1000 --uart 115200 --uart-timer 2",
        "--chip stc8 --crystal 24 --counter2 100 --timer1 2:10 --dialect sdcc",
        "--chip stc8",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        QJsonObject plain = json(QString::fromLatin1(line));
        QJsonObject named = json(QString::fromLatin1(line) + QStringLiteral(" --header STC8H.h"));
        EXPECT_FALSE(plain.contains("header"));
        EXPECT_EQ(named.take("header").toString(), QStringLiteral("STC8H.h"));
        const QString plainSource = plain.take("source").toString();
        const QString namedSource = named.take("source").toString();
        // The settings hold the header too.
        plain.remove("settings");
        named.remove("settings");
        EXPECT_EQ(named, plain);
        QStringList kept = plainSource.split(QStringLiteral("\r\n"));
        kept.removeIf([](const QString& l) { return l.startsWith("sfr ") || l.startsWith("__sfr "); });
        kept.first() = QStringLiteral("#include \"STC8H.h\"");
        EXPECT_EQ(namedSource, kept.join(QStringLiteral("\r\n")));
        const Rendered explained = render(QString::fromLatin1(line) + QStringLiteral(" --explain --header STC8H.h"));
        EXPECT_TRUE(explained.output.bytes.contains("Header: the vendor's \"STC8H.h\" is included"));
    }
}
