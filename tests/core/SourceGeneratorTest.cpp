#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <string>

using namespace orlet;

namespace {

GeneratorSettings timer0Mode1()
{
    GeneratorSettings s;
    s.timer(0).enabled = true;
    s.tmod = 0x01;
    s.timer(0).th = 0xFC;
    s.timer(0).tl = 0x18;
    return s;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(BuildSourceText, NothingTickedIsTheBareMain)
{
    const std::string text = BuildSourceText({});
    EXPECT_EQ(text, "#include \"reg51.h\"\r\n\r\nvoid main(void)\r\n{\r\n}");
    EXPECT_EQ(text.size(), 43u);

    GeneratorSettings commented;
    commented.comments = true;
    EXPECT_EQ(BuildSourceText(commented), "#include \"reg51.h\"\r\n\r\n//the main fun\r\nvoid main(void)\r\n{\r\n}");
}

TEST(BuildSourceText, Timer0Mode1WithCommentsIsExact)
{
    GeneratorSettings s = timer0Mode1();
    s.comments = true;
    EXPECT_EQ(BuildSourceText(s),
        "#include \"reg51.h\"\r\n\r\n"
        "//timer init\r\n"
        "void initTimer(void)\r\n{\r\n TMOD=0x1;\r\n TH0=0xfc;\r\n TL0=0x18;\r\n}\r\n\r\n"
        "//timer0/counter0 interrupt\r\n"
        "void timer0(void) interrupt 1\r\n{\r\n"
        " TH0=0xfc;\r\n TL0=0x18;\r\n //add your code here.\r\n\r\n}\r\n\r\n"
        "//the main fun\r\n"
        "void main(void)\r\n{\r\ninitTimer();\r\nTR0=1;\r\nET0=1;\r\n//EA=1;\r\n}");
}

TEST(BuildSourceText, ByteFormatHasNoLeadingZeros)
{
    GeneratorSettings s = timer0Mode1();
    s.timer(0).th = 0x05;
    s.timer(0).tl = 0x00;
    s.tmod = 0x21;
    s.timer(1).enabled = true;
    s.timer(1).th = 0xFF;
    s.timer(1).tl = 0x10;
    const std::string text = BuildSourceText(s);
    EXPECT_TRUE(contains(text, " TMOD=0x21;\r\n TH0=0x5;\r\n TL0=0x0;\r\n TH1=0xff;\r\n TL1=0x10;\r\n}\r\n\r\n"));
}

TEST(BuildSourceText, UartBlockWithDoublingAndInterrupt)
{
    GeneratorSettings s;
    s.comments = true;
    s.uartEnabled = true;
    s.uartDoubleBaud = true;
    s.uartInterrupt = true;
    s.timer(1).th = s.timer(1).tl = 0xF9;
    EXPECT_EQ(BuildSourceText(s),
        "#include \"reg51.h\"\r\n\r\n"
        "//UART init\r\n"
        "void initUart(void)\r\n{\r\n TMOD|=0x20;\r\n SCON=0x50;\r\n PCON|=0x80;\r\n"
        " TH1=0xf9;\r\n TL1=0xf9;\r\n TR1=1;\r\n ES=1;\r\n}\r\n\r\n"
        "//uart interrupt\r\n"
        "void uart(void) interrupt 4\r\n{\r\n"
        "if(RI)\r\n{\r\n    RI=0;\r\n//add your code here.\r\n\r\n}\r\n"
        "else\r\n    TI=0;\r\n}\r\n"
        "//the main fun\r\n"
        "void main(void)\r\n{\r\ninitUart();\r\n//EA=1;\r\n}");
}

TEST(BuildSourceText, SerialInterruptAloneBringsNoEaLine)
{
    GeneratorSettings s;
    s.uartInterrupt = true;
    const std::string text = BuildSourceText(s);
    EXPECT_TRUE(contains(text, "void uart(void) interrupt 4"));
    EXPECT_FALSE(contains(text, "initUart"));
    EXPECT_FALSE(contains(text, "//EA=1;"));
}

struct IntCase {
    bool comments;
    TriggerMode int0;
    TriggerMode int1;
    const char* expected;
};

TEST(IntBlocks, TriggerLinesRoutinesAndMain)
{
    const IntCase cases[] = { { false, TriggerMode::Level, TriggerMode::FallingEdge,
                                  "#include \"reg51.h\"\r\n\r\n"
                                  "void int0(void) interrupt 0\r\n{\r\n IE0=0;\r\n\r\n}\r\n\r\n"
                                  "void int1(void) interrupt 2\r\n{\r\n\r\n}\r\n\r\n"
                                  "void main(void)\r\n{\r\nIT0=0;\r\nEX0=1;\r\nIT1=1;\r\nEX1=1;\r\n//EA=1;\r\n}" },
        { true, TriggerMode::FallingEdge, TriggerMode::Level,
            "#include \"reg51.h\"\r\n\r\n"
            "//int0 interrupt\r\nvoid int0(void) interrupt 0\r\n{\r\n //add your code here\r\n\r\n\r\n}\r\n\r\n"
            "//int1 interrupt\r\nvoid int1(void) interrupt 2\r\n{\r\n IE1=0;\r\n //add your code here\r\n\r\n\r\n}"
            "\r\n\r\n"
            "//the main fun\r\nvoid main(void)\r\n{\r\n"
            "IT0=1;     //INT0下降沿中断\r\nEX0=1;     //允许INT0中断\r\n"
            "IT1=0;     //INT1低电平中断\r\nEX1=1;     //允许INT1中断\r\n//EA=1;\r\n}" } };
    for (const IntCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        GeneratorSettings s;
        s.comments = c.comments;
        s.int0Enabled = s.int1Enabled = true;
        s.int0Trigger = c.int0;
        s.int1Trigger = c.int1;
        EXPECT_EQ(BuildSourceText(s), c.expected);
    }
}

TEST(BuildSourceText, EveryBlockInOrder)
{
    GeneratorSettings s = timer0Mode1();
    s.int0Enabled = s.int1Enabled = true;
    s.uartEnabled = s.uartInterrupt = true;
    const std::string text = BuildSourceText(s);
    const char* order[] = { "initTimer(void)", "initUart(void)", "uart(void)", "timer0(void)", "int0(void)",
        "int1(void)", "main(void)", "initTimer();", "initUart();", "TR0=1;", "//EA=1;" };
    std::size_t at = 0;
    for (const char* part : order) {
        const std::size_t found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << part;
        at = found;
    }
    EXPECT_EQ(text.back(), '}');
    // Every line ends in CR LF: no lone LF anywhere.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
        }
    }
}

TEST(BuildSourceText, SdccDialectChangesOnlyIncludeAndInterruptKeyword)
{
    GeneratorSettings s = timer0Mode1();
    s.int0Enabled = s.int1Enabled = s.timer(1).enabled = s.uartEnabled = s.uartInterrupt = true;
    std::string keil = BuildSourceText(s, Dialect::Keil);
    const std::string sdcc = BuildSourceText(s, Dialect::Sdcc);
    EXPECT_TRUE(contains(sdcc, "#include <8051.h>\r\n"));
    EXPECT_TRUE(contains(sdcc, "void timer0(void) __interrupt(1)\r\n"));
    auto replaceAll = [](std::string& text, const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    replaceAll(keil, "#include \"reg51.h\"", "#include <8051.h>");
    for (int vector : { 0, 1, 2, 3, 4 })
        replaceAll(keil, ") interrupt " + std::to_string(vector), ") __interrupt(" + std::to_string(vector) + ")");
    EXPECT_EQ(keil, sdcc);
}

namespace {

struct PostscaleCase {
    int timer;
    std::uint8_t tmod;
    std::uint16_t postscale;
    bool comments;
    Dialect dialect;
    const char* routine; // from the routine's header to its last line
};

void PrintTo(const PostscaleCase& c, std::ostream* os)
{
    *os << "timer " << c.timer << " tmod " << int(c.tmod) << " x" << c.postscale << (c.comments ? " comments" : "");
}

} // namespace

TEST(PostscaleRoutines, CountsAfterTheReload)
{
    const PostscaleCase cases[] = { { 0, 0x01, 16, false, Dialect::Keil,
                                        "void timer0(void) interrupt 1\r\n{\r\n static unsigned char count=0;\r\n"
                                        " TH0=0x3c;\r\n TL0=0xb0;\r\n if(++count<16)\r\n  return;\r\n count=0;\r\n"
                                        " //add your code here.\r\n\r\n}\r\n\r\nvoid main" },
        // 255 still fits an unsigned char, 256 needs an unsigned int.
        { 0, 0x02, 255, false, Dialect::Sdcc,
            "void timer0(void) __interrupt(1)\r\n{\r\n static unsigned char count=0;\r\n if(++count<255)\r\n"
            "  return;\r\n count=0;\r\n //add your code here.\r\n\r\n}\r\nvoid main" },
        { 1, 0x20, 256, false, Dialect::Keil,
            "void timer1(void) interrupt 3\r\n{\r\n static unsigned int count=0;\r\n if(++count<256)\r\n"
            "  return;\r\n count=0;\r\n //add your code here.\r\n}\r\n\r\nvoid main" },
        { 1, 0x10, 65535, true, Dialect::Keil,
            "//timer1/counter1 interrupt\r\nvoid timer1(void) interrupt 3\r\n{\r\n static unsigned int count=0;\r\n"
            " TH1=0x3c;\r\n TL1=0xb0;\r\n if(++count<65535)     //每65535次中断执行一次下面的代码\r\n  return;\r\n"
            " count=0;\r\n //add your code here.\r\n}\r\n\r\n" } };
    for (const PostscaleCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        GeneratorSettings s;
        s.comments = c.comments;
        s.tmod = c.tmod;
        (c.timer == 0 ? s.timer(0).enabled : s.timer(1).enabled) = true;
        (c.timer == 0 ? s.timer(0).postscale : s.timer(1).postscale) = c.postscale;
        (c.timer == 0 ? s.timer(0).th : s.timer(1).th) = 0x3C;
        (c.timer == 0 ? s.timer(0).tl : s.timer(1).tl) = 0xB0;
        EXPECT_TRUE(contains(BuildSourceText(s, c.dialect), c.routine)) << BuildSourceText(s, c.dialect);
    }
}

TEST(BuildSourceText, PostscaleOfOneLeavesTheRoutinesAsTheyAre)
{
    GeneratorSettings s = timer0Mode1();
    s.timer(1).enabled = true;
    s.tmod = 0x21;
    const std::string plain = BuildSourceText(s);
    s.timer(0).postscale = 1;
    s.timer(1).postscale = 1;
    EXPECT_EQ(BuildSourceText(s), plain);
    EXPECT_FALSE(contains(plain, "count"));
    // A postscale only shows in the routine of an enabled timer.
    s.timer(1).enabled = false;
    s.timer(1).postscale = 16;
    EXPECT_FALSE(contains(BuildSourceText(s), "count"));
}

namespace {

struct RoutineCase {
    std::uint8_t tmod;
    bool timer0Reloads; // the routine reloads TH0/TL0 (not auto-reload mode 2)
    bool timer1Reloads;
};

} // namespace

// Each routine reads its own timer's mode bits, whatever the other timer does.
TEST(TimerRoutines, EachReadsItsOwnModeBits)
{
    const RoutineCase cases[]
        = { { 0x20, true, false }, { 0x02, false, true }, { 0x12, false, true }, { 0x21, true, false },
              { 0x60, true, false }, { 0x06, false, true }, { 0x22, false, false }, { 0x11, true, true } };
    for (const RoutineCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        GeneratorSettings s;
        s.timer(0).enabled = s.timer(1).enabled = true;
        s.tmod = c.tmod;
        s.timer(0).th = 0x12;
        s.timer(0).tl = 0x34;
        s.timer(1).th = 0x56;
        s.timer(1).tl = 0x78;
        const std::string text = BuildSourceText(s);
        const std::string timer0 = "void timer0(void) interrupt 1\r\n{\r\n";
        const std::string timer1 = "void timer1(void) interrupt 3\r\n{\r\n";
        EXPECT_TRUE(contains(text,
            timer0
                + (c.timer0Reloads ? " TH0=0x12;\r\n TL0=0x34;\r\n //add your code here.\r\n\r\n}\r\n\r\n"
                                   : " //add your code here.\r\n\r\n}\r\n" + timer1)))
            << text;
        EXPECT_TRUE(contains(text,
            timer1 + (c.timer1Reloads ? " TH1=0x56;\r\n TL1=0x78;\r\n" : "")
                + " //add your code here.\r\n}\r\n\r\nvoid main"))
            << text;
    }
}

TEST(BuildSourceText, DriftFreeAddsTheReloadToTheRunningCount)
{
    GeneratorSettings s = timer0Mode1();
    s.driftFree = true;
    s.timer(1).enabled = true;
    s.tmod = 0x01; // timer 1 in mode 0
    s.timer(1).th = 0x63;
    s.timer(1).tl = 0x18;
    s.timer(1).postscale = 300;
    EXPECT_EQ(BuildSourceText(s, Dialect::Sdcc),
        "#include <8051.h>\r\n\r\n"
        "void initTimer(void)\r\n{\r\n TMOD=0x1;\r\n TH0=0xfc;\r\n TL0=0x18;\r\n TH1=0x63;\r\n TL1=0x18;\r\n}\r\n\r\n"
        "void timer0(void) __interrupt(1)\r\n{\r\n"
        " TR0=0;\r\n TL0+=0x28;\r\n TH0+=0xfc+(TL0<0x28);\r\n TR0=1;\r\n //add your code here.\r\n\r\n}\r\n\r\n"
        "void timer1(void) __interrupt(3)\r\n{\r\n static unsigned int count=0;\r\n"
        " TR1=0;\r\n TL1|=0xe0;\r\n TL1+=0xa;\r\n TH1+=0x64+(TL1<0xa);\r\n TR1=1;\r\n"
        " if(++count<300)\r\n  return;\r\n count=0;\r\n //add your code here.\r\n}\r\n\r\n"
        "void main(void)\r\n{\r\ninitTimer();\r\nTR0=1;\r\nET0=1;\r\nTR1=1;\r\nET1=1;\r\n//EA=1;\r\n}");
    // Keil C51's code stands still 4 cycles less; the comment says how many.
    s.comments = true;
    EXPECT_TRUE(contains(BuildSourceText(s), " TL0+=0x24;     //重装值加停止的12个机器周期，加到已计的数上\r\n"));
}

TEST(BuildSourceText, DriftFreeLeavesModeTwoAndCountersAsTheyAre)
{
    for (const std::uint8_t tmod : { 0x42, 0x25, 0x66 }) {
        GeneratorSettings s = timer0Mode1();
        s.tmod = tmod;
        s.timer(1).enabled = true;
        s.timer(0).postscale = 16;
        const std::string plain = BuildSourceText(s);
        s.driftFree = true;
        EXPECT_EQ(BuildSourceText(s), plain) << int(tmod);
    }
}
