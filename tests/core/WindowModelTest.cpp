// What the window decides, on its model: the timer blocks, the serial port
// and the crystal, action by action as a user takes them.
#include "WindowModel.h"
#include "Configuration.h"
#include "Tmod.h"
#include "WindowTexts.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace orlet;

namespace {

enum Crystal {
    Mhz1 = 0,
    Mhz2 = 1,
    Mhz3_6864 = 2,
    Mhz11_0592 = 5,
    Mhz12 = 6,
    Mhz22_1184 = 7,
    Mhz24 = 8,
    Mhz30 = 9,
    Mhz33 = 10
};
enum Baud { B300 = 0, B4800 = 4, B9600 = 5, B19200 = 6, B115200 = 10 };

// TMOD half (C/T, M1 M0) for each mode list index; GATE comes on top.
constexpr int kModeBits[6] = { 0x0, 0x1, 0x2, 0x4, 0x5, 0x6 };

// Takes the actions a user takes on the window, and keeps its messages.
struct User {
    WindowModel m;
    std::vector<std::string> messages;

    void run(const Transition& done)
    {
        for (const Notice& notice : done.notices)
            messages.push_back(MessageText(notice.message));
        m = done.model;
    }
    TimerState& timer(int t) { return m.timer(t); }
    int half(int t) const { return (m.tmod >> (t * 4)) & 0x0F; }

    void clickUse(int t)
    {
        timer(t).use = !timer(t).use;
        run(OnUseTimer(m, t));
    }
    void chooseMode(int t, int index)
    {
        timer(t).modeIndex = index;
        run(OnModeChange(m, t));
    }
    void useTimer(int t, int index)
    {
        clickUse(t);
        chooseMode(t, index);
    }
    void clickGate(int t)
    {
        timer(t).gate = !timer(t).gate;
        run(OnGate(m, t));
    }
    void typePeriod(int t, std::uint32_t value)
    {
        timer(t).time = value;
        run(UpdateTimerReload(m, t));
    }
    void chooseCrystal(int index, float customMhz = kDefaultCustomMhz)
    {
        m.crystalIndex = index;
        run(OnCrystalChange(m, customMhz));
    }
    void clickUart()
    {
        m.useUart = !m.useUart;
        run(OnUseUart(m));
    }
    void chooseBaud(int index)
    {
        m.baudIndex = index;
        run(UpdateBaudReload(m));
    }
    void clickDoubling()
    {
        m.doubleBaud = !m.doubleBaud;
        run(OnDoubleBaud(m));
    }
    void clickDriftFree()
    {
        m.driftFree = !m.driftFree;
        run(OnDriftFreeChange(m));
    }
    void chooseChip(Chip chip)
    {
        m.chip = chip;
        run(OnChipChange(m));
    }
    void clickSixT()
    {
        m.sixT = !m.sixT;
        run(OnSixTChange(m));
    }
    void clickClock(int t)
    {
        auto& clock = m.timer(t).clock;
        const std::uint32_t before = clock;
        clock = clock == 1 ? 12 : 1;
        run(OnTimerClockChange(m, t, before));
    }
    void clickUartTimer()
    {
        m.uartTimer = m.uartTimer == 2 ? 1 : 2;
        run(OnUartTimerChange(m));
    }
    void typePostscale(int t, std::uint32_t value)
    {
        const std::uint32_t before = timer(t).postscale;
        timer(t).postscale = value;
        run(OnPostscaleChange(m, t, before));
    }
};

using Messages = std::vector<std::string>;

} // namespace

// ---- Modes and GATE ---------------------------------------------------------

TEST(TimerBlocks, ModeChangeSetsTheBitsUnitAndGate)
{
    for (int t = 0; t < 2; ++t) {
        for (int from = 0; from < 6; ++from) {
            for (bool gate : { false, true }) {
                if (gate && from >= 3)
                    continue; // GATE is disabled in the counter modes
                for (int to = 0; to < 6; ++to) {
                    User u;
                    const int other = 1 - t;
                    u.useTimer(other, 4); // the other half holds 0x05 and must keep it
                    u.useTimer(t, from);
                    if (gate)
                        u.clickGate(t);
                    u.chooseMode(t, to);
                    const bool timerMode = to < 3;
                    SCOPED_TRACE(
                        testing::Message() << "timer " << t << " " << from << (gate ? "+gate" : "") << "->" << to);
                    EXPECT_EQ(u.half(t), kModeBits[to] | (gate && timerMode ? 0x08 : 0));
                    EXPECT_EQ(u.half(other), 0x05);
                    EXPECT_EQ(u.timer(t).unit, timerMode ? "us" : "plus");
                    EXPECT_EQ(u.timer(t).gate, gate && timerMode);
                    EXPECT_TRUE(u.messages.empty());
                }
            }
        }
    }
}

// A GATE click flips its own bit and computes nothing.
TEST(TimerBlocks, GateClickChangesOnlyItsBit)
{
    User u;
    u.useTimer(0, 1);
    u.clickGate(0);
    u.useTimer(1, 2);
    u.typePeriod(1, 100);
    u.m.timer(1).th = 0x55; // a recalculation would show
    EXPECT_EQ(u.m.tmod, 0x29);
    u.clickGate(0);
    EXPECT_EQ(u.m.tmod, 0x21);
    u.clickGate(1);
    EXPECT_EQ(u.m.tmod, 0xA1);
    EXPECT_EQ(u.m.timer(1).th, 0x55);
    EXPECT_EQ(u.m.timer(1).reloadText, "9cH,9cH");
    EXPECT_EQ(u.m.timer(1).time, 100u);
    u.chooseMode(1, 5);
    EXPECT_EQ(u.m.tmod, 0x61);
}

// ---- Switching a timer off and on -----------------------------------------

TEST(TimerBlocks, Timer0OffKeepsItsModeAndBits)
{
    for (auto [mode, gate, unit] : { std::tuple { 1, true, "us" }, std::tuple { 4, false, "plus" } }) {
        User u;
        u.useTimer(0, mode);
        if (gate)
            u.clickGate(0);
        u.typePeriod(0, 1000);
        const int bits = kModeBits[mode] | (gate ? 0x08 : 0);
        u.clickUse(0);
        EXPECT_EQ(u.m.timer(0).modeIndex, mode);
        EXPECT_EQ(u.half(0), bits);
        EXPECT_EQ(u.m.timer(0).gate, gate);
        EXPECT_EQ(u.m.timer(0).unit, unit);
        EXPECT_EQ(u.m.timer(0).time, 1u);
        EXPECT_EQ(u.m.timer(0).reloadText, "ffh,ffh");
        EXPECT_EQ(u.m.timer(0).th & u.m.timer(0).tl, 0xFF);
        EXPECT_FALSE(u.m.timer(0).run);

        // On again: nothing computed.
        u.clickUse(0);
        EXPECT_EQ(u.half(0), bits);
        EXPECT_EQ(u.m.timer(0).reloadText, "ffh,ffh");
        EXPECT_EQ(u.m.timer(0).th & u.m.timer(0).tl, 0xFF);
        EXPECT_TRUE(u.messages.empty());

        // Timer 1 switched on later keeps timer 0's half.
        u.clickUse(0);
        u.useTimer(1, 1);
        EXPECT_EQ(u.m.tmod, 0x10 | bits);
    }
}

TEST(TimerBlocks, Timer1OffReturnsToMode0)
{
    for (auto [mode, gate] : { std::pair { 1, true }, std::pair { 3, false }, std::pair { 5, false } }) {
        User u;
        u.useTimer(0, 2); // timer 0's half stays
        u.useTimer(1, mode);
        if (gate)
            u.clickGate(1);
        u.typePeriod(1, 100);
        u.clickUse(1);
        EXPECT_EQ(u.m.tmod, 0x02);
        EXPECT_EQ(u.m.timer(1).modeIndex, 0);
        EXPECT_FALSE(u.m.timer(1).gate); // the tick goes with its bit
        EXPECT_EQ(u.m.timer(1).unit, "us");
        EXPECT_EQ(u.m.timer(1).time, 1u);
        EXPECT_EQ(u.m.timer(1).reloadText, "ffh,ffh");
        EXPECT_EQ(u.m.timer(1).th & u.m.timer(1).tl, 0xFF);

        u.clickUse(1);
        EXPECT_EQ(u.m.tmod, 0x02);
        EXPECT_EQ(u.m.timer(1).reloadText, "ffh,ffh");
        EXPECT_TRUE(u.messages.empty());
        // A period typed now gives the bytes and TMOD of the mode the block shows.
        u.typePeriod(1, 100);
        const GeneratorSettings s = SettingsFor(u.m);
        EXPECT_EQ(s.tmod, 0x02);
        EXPECT_EQ(s.timer(1).th, 0xFC);
        EXPECT_EQ(s.timer(1).tl, 0x1C);
    }
}

// ---- Reload calculation -----------------------------------------------------

// The arithmetic itself is TimerReload's; here each mode list entry reaches
// it with its own mode and kind, and its message and correction reach the box.
TEST(TimerBlocks, Reload)
{
    const struct {
        int crystal, mode;
        std::uint32_t value;
        int th, tl;
        const char* message;
        std::uint32_t after;
    } rows[] = {
        { Mhz12, 0, 1000, 0xE0, 0x18, "", 1000 },
        { Mhz11_0592, 1, 1000, 0xFC, 0x6C, "", 1000 },
        { Mhz12, 2, 100, 0x9C, 0x9C, "", 100 },
        { Mhz33, 2, 93, 0x01, 0x01, "", 93 }, // 33 x 93 / 12 = 255.75 counts 255
        { Mhz12, 3, 8193, 0, 0, "计数值超出13位范围", 8192 },
        { Mhz24, 4, 1, 0xFF, 0xFF, "", 1 }, // counts do not scale with the crystal
        { Mhz12, 4, 70000, 0, 0, "计数值超出16位范围", 65536 },
        { Mhz12, 5, 255, 0x01, 0x01, "", 255 },
        { Mhz11_0592, 1, 80000, 0, 0, "定时时间超出16位范围", 71111 },
        { Mhz24, 0, 5000, 0, 0, "定时时间超出13位范围", 4096 },
        { Mhz11_0592, 2, 300, 0, 0, "定时时间超出8位范围", 277 },
    };
    for (int t = 0; t < 2; ++t) {
        for (const auto& r : rows) {
            SCOPED_TRACE(testing::Message()
                << "timer " << t << " crystal " << r.crystal << " mode " << r.mode << " " << r.value);
            User u;
            u.chooseCrystal(r.crystal);
            u.useTimer(t, r.mode);
            ASSERT_TRUE(u.messages.empty());
            u.typePeriod(t, r.value);
            EXPECT_EQ(u.messages, *r.message ? Messages { r.message } : Messages {});
            EXPECT_EQ(u.timer(t).th, r.th);
            EXPECT_EQ(u.timer(t).tl, r.tl);
            EXPECT_EQ(u.timer(t).reloadText, FormatReloadText(r.th, r.tl));
            EXPECT_EQ(u.timer(t).time, r.after);
        }
    }
}

TEST(TimerBlocks, ARangeMessageSaysWhatItCorrects)
{
    User u;
    u.chooseCrystal(Mhz11_0592);
    u.useTimer(1, 1);
    WindowModel typed = u.m;
    typed.timer(1).time = 80000;
    const Transition done = UpdateTimerReload(typed, 1);
    ASSERT_EQ(done.notices.size(), 1u);
    EXPECT_EQ(done.notices[0].message, (Message { MessageCode::TimerOutOfRange, 1 }));
    EXPECT_EQ(done.notices[0].corrects, (Correction { CorrectedField::Time, 1, 71111 }));
    // While it is up, the window still shows what the user typed.
    EXPECT_EQ(done.notices[0].shown.timer(1).time, 80000u);
    EXPECT_EQ(done.notices[0].shown.timer(1).reloadText, u.m.timer(1).reloadText);
    // The corrected period counts at the next run.
    u.run(done);
    u.messages.clear();
    u.typePeriod(1, 71111);
    EXPECT_EQ(u.m.timer(1).reloadText, "1H,5fH");
    EXPECT_TRUE(u.messages.empty());
}

TEST(TimerBlocks, ModeChangeRecalculates)
{
    struct Case {
        int from;
        std::uint32_t value;
        int to;
        const char* message;
        std::uint32_t after;
        const char* display;
    } cases[] = {
        { 1, 1000, 2, "定时时间超出8位范围", 256, "0H,0H" },
        { 1, 1000, 3, "", 1000, "e0H,18H" },
        { 4, 60000, 3, "计数值超出13位范围", 8192, "0H,0H" },
        { 5, 200, 0, "", 200, "f9H,18H" },
    };
    for (int t = 0; t < 2; ++t) {
        for (const Case& c : cases) {
            User u;
            u.useTimer(t, c.from);
            u.typePeriod(t, c.value);
            ASSERT_TRUE(u.messages.empty());
            u.chooseMode(t, c.to);
            EXPECT_EQ(u.messages, *c.message ? Messages { c.message } : Messages {});
            EXPECT_EQ(u.timer(t).time, c.after);
            EXPECT_EQ(u.timer(t).reloadText, c.display);
        }
    }
}

TEST(TimerBlocks, RecalculationRunsTickedBlocksInOrder)
{
    User u;
    u.useTimer(0, 0);
    u.typePeriod(0, 8000);
    u.useTimer(1, 2);
    u.typePeriod(1, 200);
    EXPECT_EQ(u.m.timer(0).reloadText, "6H,0H");
    EXPECT_EQ(u.m.timer(1).reloadText, "38H,38H");

    u.chooseCrystal(Mhz24);
    EXPECT_EQ(u.messages, (Messages { "定时时间超出13位范围", "定时时间超出8位范围" }));
    EXPECT_EQ(u.m.timer(0).time, 4096u);
    EXPECT_EQ(u.m.timer(1).time, 128u);

    // A block that is switched off is left alone.
    u.clickUse(0);
    u.messages.clear();
    u.chooseCrystal(Mhz12);
    EXPECT_EQ(u.m.timer(0).reloadText, "ffh,ffh");
    EXPECT_EQ(u.m.timer(0).th, 0xFF);
    EXPECT_EQ(u.m.timer(1).reloadText, "80H,80H");
    EXPECT_TRUE(u.messages.empty());

    // A period box computes its own timer only.
    u.clickUse(0);
    u.typePeriod(0, 10);
    EXPECT_EQ(u.m.timer(0).reloadText, "ffH,16H");
    EXPECT_EQ(u.m.timer(1).reloadText, "80H,80H");
}

// ---- Serial port --------------------------------------------------------------

// The arithmetic is BaudReload's; here the crystal, the custom frequency and
// the doubling reach it, and the fallback reaches the list.
TEST(SerialPort, BaudReload)
{
    constexpr int kCustom = kCustomCrystalIndex;
    const struct {
        int crystal;
        float custom;
        int baud;
        bool doubled;
        const char* reload;
        const char* error;
        const char* message;
        int after;
    } rows[] = {
        { Mhz11_0592, 0, B9600, false, "0xfd", "0.0000%", "", B9600 },
        { Mhz12, 0, B9600, true, "0xf9", "-7.5200%", "", B9600 },
        { kCustom, 14.7456f, B300, true, "0x0", "-0.0020%", "", B300 },
        { kCustom, 100, B300, true, "0xca", "0.4608%", "波特率太低", B9600 },
        { Mhz11_0592, 0, B115200, false, "0xfd", "0.0000%", "波特率太高", B9600 },
        // At 1 MHz without doubling even 9600 bit/s counts 0: the fastest rate that fits, 4800.
        { Mhz1, 0, B19200, false, "0xff", "-84.6154%", "波特率太高", B4800 },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "crystal " << r.crystal << " " << r.custom << " baud " << r.baud
                                        << (r.doubled ? " doubled" : ""));
        User u;
        u.chooseCrystal(r.crystal, r.custom);
        u.m.doubleBaud = r.doubled; // ticked while the port is on, before the rate is chosen
        u.clickUart();
        u.messages.clear();
        u.chooseBaud(r.baud);
        EXPECT_EQ(u.messages, *r.message ? Messages { r.message } : Messages {});
        EXPECT_EQ(u.m.baudIndex, r.after);
        EXPECT_EQ(u.m.baudReloadText, r.reload);
        EXPECT_EQ(u.m.baudErrorText, r.error);
        const int byte = std::stoi(std::string(r.reload).substr(2), nullptr, 16);
        EXPECT_EQ(u.m.timer(1).th, byte);
        EXPECT_EQ(u.m.timer(1).tl, byte);
    }
}

TEST(SerialPort, DoublingRecomputesBothWaysAndFallsBackWithTheNewFactor)
{
    User u;
    u.clickUart();
    EXPECT_EQ(u.m.baudReloadText, "0xfd");
    u.clickDoubling();
    EXPECT_EQ(u.m.baudReloadText, "0xf9");
    EXPECT_EQ(u.m.baudErrorText, "-7.5200%");
    u.clickDoubling();
    EXPECT_EQ(u.m.baudReloadText, "0xfd");
    EXPECT_EQ(u.m.baudErrorText, "7.8400%");
    EXPECT_EQ(u.m.timer(1).th, 0xFD);

    u.chooseCrystal(Mhz24);
    u.chooseBaud(B300); // 24 MHz counts 208 at 300 bit/s
    EXPECT_EQ(u.m.baudReloadText, "0x30");
    EXPECT_TRUE(u.messages.empty());
    u.clickDoubling(); // doubled, 417: too low
    EXPECT_EQ(u.messages, Messages { "波特率太低" });
    EXPECT_EQ(u.m.baudIndex, B9600);
    EXPECT_EQ(u.m.baudReloadText, "0xf3");
    EXPECT_EQ(u.m.baudErrorText, "0.1600%");
}

TEST(SerialPort, SwitchingOnTakesTimer1Away)
{
    User u;
    u.useTimer(0, 4); // timer 0's half must stay 0x05
    u.useTimer(1, 1);
    u.clickGate(1);
    u.typePeriod(1, 1000);
    EXPECT_EQ(u.m.tmod, 0x95);
    EXPECT_EQ(u.m.timer(1).th, 0xFC);

    u.clickUart();
    EXPECT_FALSE(u.m.timer(1).use);
    EXPECT_EQ(u.m.timer(1).modeIndex, 0);
    EXPECT_EQ(u.m.timer(1).time, 1u);
    EXPECT_EQ(u.m.timer(1).reloadText, "ffh,ffh");
    EXPECT_EQ(u.m.tmod, 0x05);
    EXPECT_FALSE(u.m.timer(1).gate); // the tick goes with its bit
    EXPECT_EQ(u.m.baudReloadText, "0xfd");
    EXPECT_EQ(u.m.baudErrorText, "7.8400%");
    EXPECT_EQ(u.m.timer(1).th, 0xFD);
    EXPECT_EQ(u.m.timer(1).tl, 0xFD);
    EXPECT_TRUE(u.messages.empty());
}

TEST(SerialPort, SwitchingOffKeepsTheLastValues)
{
    User u;
    u.clickUart();
    u.clickDoubling();
    u.m.uartInterrupt = true;
    u.chooseBaud(B115200); // 12 MHz doubled: count 1
    EXPECT_EQ(u.m.baudReloadText, "0xff");

    u.clickUart();
    EXPECT_EQ(u.m.baudIndex, B9600);
    EXPECT_EQ(u.m.baudReloadText, "0xff");
    EXPECT_EQ(u.m.baudErrorText, "-84.6154%");
    EXPECT_EQ(u.m.timer(1).th, 0xFF);
    EXPECT_TRUE(u.m.doubleBaud);
    EXPECT_TRUE(u.m.uartInterrupt);
    EXPECT_TRUE(u.messages.empty());

    // On again: 9600 bit/s with the doubling that was left ticked.
    u.clickUart();
    EXPECT_EQ(u.m.baudReloadText, "0xf9");
    EXPECT_EQ(u.m.baudErrorText, "-7.5200%");
    EXPECT_EQ(u.m.timer(1).th, 0xF9);
}

TEST(SerialPort, Timer1AfterTheSerialPortShowsItsBytes)
{
    User u;
    u.clickUart();
    EXPECT_EQ(u.m.timer(1).th, 0xFD);
    u.clickUart();
    u.clickUse(1);
    EXPECT_EQ(u.m.timer(1).reloadText, "ffh,ffh");
    EXPECT_EQ(u.m.timer(1).th, 0xFF);
    EXPECT_EQ(u.m.timer(1).tl, 0xFF);
    EXPECT_NE(BuildSourceText(SettingsFor(u.m)).find(" TMOD=0x0;\r\n TH1=0xff;\r\n TL1=0xff;\r\n"), std::string::npos);
    u.typePeriod(1, 1000);
    EXPECT_EQ(u.m.timer(1).reloadText, "e0H,18H");
    EXPECT_EQ(u.m.timer(1).th, 0xE0);
}

TEST(SerialPort, CrystalRecalculatesTheSerialPortNeverTimer1)
{
    User u;
    u.clickUse(1);
    u.clickUart();
    u.chooseCrystal(Mhz11_0592);
    EXPECT_EQ(u.m.timer(1).reloadText, "ffh,ffh");
    EXPECT_EQ(u.m.baudReloadText, "0xfd");
    EXPECT_EQ(u.m.baudErrorText, "0.0000%");
    EXPECT_EQ(u.m.timer(1).th, 0xFD);
}

// Timer 0 first, then the baud rate; each message is up over the
// corrections made before it.
TEST(SerialPort, CrystalRecalculatesTimer0BeforeTheBaudRate)
{
    User u;
    u.useTimer(0, 2);
    u.typePeriod(0, 200);
    u.clickUart();
    u.clickDoubling();
    u.chooseBaud(B300); // 12 MHz doubled: count 208
    EXPECT_EQ(u.m.baudReloadText, "0x30");
    EXPECT_TRUE(u.messages.empty());

    WindowModel m = u.m;
    m.crystalIndex = Mhz24;
    const Transition done = OnCrystalChange(m);
    ASSERT_EQ(done.notices.size(), 2u);
    EXPECT_EQ(done.notices[0].shown.timer(0).time, 200u);
    EXPECT_EQ(done.notices[0].shown.crystalHz, 24000000u);
    EXPECT_EQ(done.notices[1].shown.timer(0).time, 128u); // timer 0's correction stands
    EXPECT_EQ(done.notices[1].shown.baudIndex, B300);
    EXPECT_EQ(done.notices[1].corrects, (Correction { CorrectedField::BaudIndex, 0, B9600 }));

    u.run(done);
    EXPECT_EQ(u.messages, (Messages { "定时时间超出8位范围", "波特率太低" }));
    EXPECT_EQ(u.m.timer(0).time, 128u);
    EXPECT_EQ(u.m.timer(0).reloadText, "0H,0H");
    EXPECT_EQ(u.m.baudIndex, B9600);
    EXPECT_EQ(u.m.baudReloadText, "0xf3");
}

TEST(SerialPort, Timer0ModeRecalculatesTheBaudRate)
{
    User u;
    u.clickUse(0);
    u.clickUart();
    u.clickDoubling();
    u.m.timer(1).th = u.m.timer(1).tl = 0x12;
    u.chooseMode(0, 1);
    EXPECT_EQ(u.m.timer(1).th, 0xF9);
    EXPECT_EQ(u.m.timer(1).tl, 0xF9);
}

// ---- Crystal and software counters -------------------------------------------

TEST(Crystal, ChangeRecalculates)
{
    User u;
    u.useTimer(0, 1);
    u.typePeriod(0, 1000);
    EXPECT_EQ(u.m.timer(0).reloadText, "fcH,18H");
    const struct {
        int index;
        float custom;
        std::uint32_t hz;
        const char* customText; // the MHz box beside the list
        const char* display;
    } steps[] = {
        { kCustomCrystalIndex, 22.1184f, 22118400, "22.118401", "f8H,d7H" }, // counts as 22 MHz
        { Mhz11_0592, 0, 11059200, "", "fcH,6cH" },
        { kCustomCrystalIndex, kDefaultCustomMhz, 12000000, "12.000000", "fcH,18H" }, // a cancelled dialog
        { kCustomCrystalIndex, 1.5f, 1500000, "1.500000", "ffH,adH" }, // counts as 1 MHz: 83 cycles
    };
    for (const auto& step : steps) {
        u.chooseCrystal(step.index, step.custom);
        EXPECT_EQ(u.m.crystalHz, step.hz);
        EXPECT_EQ(u.m.customMhzText, step.customText);
        EXPECT_EQ(u.m.timer(0).reloadText, step.display);
    }
    EXPECT_TRUE(u.messages.empty());

    // 9600 bit/s does not fit 1.5 MHz without doubling: 4800 does.
    u.clickUart();
    EXPECT_EQ(u.messages, Messages { "波特率太高" });
    EXPECT_EQ(u.m.baudIndex, B4800);
    u.messages.clear();
    u.chooseCrystal(kCustomCrystalIndex, 100);
    EXPECT_TRUE(u.messages.empty());
    EXPECT_EQ(u.m.timer(0).reloadText, "dfH,73H");
    EXPECT_EQ(u.m.baudReloadText, "0xca");
    EXPECT_EQ(u.m.baudErrorText, "0.4656%");
}

TEST(SoftwareCount, OutOfRangeCountsGoBack)
{
    for (std::uint32_t bad : { 0u, 65536u, 4294967295u }) {
        User u;
        u.useTimer(0, 1);
        u.typePostscale(0, 16);
        u.typePostscale(0, bad);
        EXPECT_EQ(u.messages, Messages { "软件计数应在1~65535之间" });
        EXPECT_EQ(u.m.timer(0).postscale, 16u);
    }
    User u;
    u.useTimer(1, 1);
    u.typePostscale(1, 65535);
    EXPECT_TRUE(u.messages.empty());
    EXPECT_EQ(SettingsFor(u.m).timer(1).postscale, 65535);
}

TEST(WindowModel, StartsAsTheWindowDoes)
{
    const WindowModel m;
    const GeneratorSettings s = SettingsFor(m);
    EXPECT_EQ(BuildSourceText(s), "#include \"reg51.h\"\r\n\r\nvoid main(void)\r\n{\r\n}");
    EXPECT_EQ(m.timer(0).reloadText, "ffH,ffH");
    EXPECT_EQ(m.baudErrorText, "00%");
    EXPECT_EQ(m.trigger0, 1);
    EXPECT_EQ(m.crystalHz, 12000000u);
    EXPECT_TRUE(IsSettled(m));
}

// The exact count recalculates both timers and the serial port, and back.
TEST(ExactCount, RecalculatesEveryBlockInUse)
{
    User u;
    u.chooseCrystal(Mhz22_1184);
    for (int t = 0; t < 2; ++t) {
        u.useTimer(t, 2);
        u.typePeriod(t, 100);
    }
    for (const char* expected : { "48H,48H", "49H,49H" }) {
        u.m.exact = !u.m.exact;
        u.run(OnExactChange(u.m));
        EXPECT_EQ(u.m.timer(0).reloadText, expected);
        EXPECT_EQ(u.m.timer(1).reloadText, expected);
    }

    User port;
    port.chooseCrystal(Mhz33);
    port.clickUart();
    port.clickDoubling();
    for (const char* expected : { "-0.5382%", "-0.5528%" }) {
        port.m.exact = !port.m.exact;
        port.run(OnExactChange(port.m));
        EXPECT_EQ(port.m.baudReloadText, "0xee");
        EXPECT_EQ(port.m.baudErrorText, expected);
    }
    EXPECT_TRUE(u.messages.empty() && port.messages.empty());
}

// ---- Drift-free timing ------------------------------------------------------

TEST(DriftFree, TickComputesNothing)
{
    User u;
    u.useTimer(0, 1);
    u.typePeriod(0, 1000);
    u.clickUse(1); // ticked, never calculated
    WindowModel before = u.m;
    u.clickDriftFree();
    EXPECT_TRUE(u.m.driftFree);
    before.driftFree = true;
    EXPECT_EQ(u.m, before);
    EXPECT_TRUE(u.messages.empty());
    EXPECT_EQ(u.m.timer(1).reloadText, "ffH,ffH");
    EXPECT_TRUE(SettingsFor(u.m).driftFree);
    EXPECT_TRUE(ConfigurationOf(u.m).driftFree);
}

// What the real-period line and tooltip describe: the interrupt period the
// routine gives, and whether drift-free timing keeps the count at all.
TEST(DriftFree, DescribeTimerShowsWhatTheRoutineKeeps)
{
    const struct {
        int modeIndex;
        std::uint32_t period;
        bool driftFree;
        std::uint64_t interruptCycles;
        bool refused, hardwareSplit;
    } rows[] = {
        { 1, 1000, false, 1007, false, false }, { 1, 1000, true, 1000, false, true }, // 250 us x 4 offered beside it
        { 0, 5000, true, 5000, false, true },
        { 1, 65536, true, 65536 + 7, true, true }, // beyond 65024: the plain reload's figures
        { 0, 8192, true, 8192 + 7, true, true }, { 1, 50, true, 50 + 7, true, false }, // under 100
        { 2, 100, true, 100, false, false }, // the hardware reload needs nothing
        { 4, 70, true, 0, false, false }, // counting pulses: the plain reload stays
    };
    for (const auto& r : rows) {
        User u;
        u.useTimer(0, r.modeIndex);
        u.typePeriod(0, r.period);
        if (r.driftFree)
            u.clickDriftFree();
        const std::optional<TimerShown> shown = DescribeTimer(u.m, 0);
        ASSERT_TRUE(shown);
        SCOPED_TRACE(r.period);
        ASSERT_TRUE(shown->derivation);
        const step::Interrupt& interrupt = *shown->derivation->find<step::Interrupt>();
        EXPECT_EQ(interrupt.interruptCycles.value_or(0), r.interruptCycles);
        EXPECT_EQ(shown->driftFreeLimit.has_value(), r.refused);
        // The tooltip says the routine adds to the running count only where it keeps the count.
        EXPECT_EQ(interrupt.kind == ReloadKind::RunningAdd, r.driftFree && !r.refused && r.modeIndex < 2);
        EXPECT_EQ(shown->derivation->find<step::HardwareSplit>() != nullptr, r.hardwareSplit);
    }
}

// Generate refuses what orlet-gen --drift-free refuses, from the bytes it
// would write; the message names the counts the mode keeps.
TEST(DriftFree, GenerateRefusesCountsItCannotKeep)
{
    const char* const mode1 = "无累积误差：方式1的计数应在100~65024个机器周期之间";
    const struct {
        int timer, modeIndex;
        std::uint32_t period; // 0: the box's 1 as the mode change computed it
        bool driftFree;
        const char* message; // empty: Generate writes
    } rows[] = {
        { 0, 1, 65536, false, "" },
        { 1, 1, 65024, true, "" },
        { 1, 1, 65025, true, mode1 },
        { 0, 1, 99, true, mode1 },
        { 0, 0, 8128, true, "" },
        { 0, 0, 8129, true, "无累积误差：方式0的计数应在100~8128个机器周期之间" },
        { 0, 1, 70000, true, mode1 }, // corrected, 0H,0H
        { 1, 1, 0, true, mode1 },
        { 0, 2, 10, true, "" },
        { 0, 4, 1, true, "" },
    };
    for (const auto& r : rows) {
        User u;
        u.useTimer(r.timer, r.modeIndex);
        if (r.period != 0)
            u.typePeriod(r.timer, r.period);
        u.m.driftFree = r.driftFree;
        const std::optional<Message> refusal = DriftFreeRefusal(u.m);
        SCOPED_TRACE(r.period);
        EXPECT_EQ(refusal ? MessageText(*refusal) : "", r.message);
        // orlet-gen refuses the same settings (70000 for its range first).
        EXPECT_EQ(!ResolveConfiguration(ConfigurationOf(u.m)).resolved, refusal.has_value());
    }
}

// ---- Chips --------------------------------------------------------------------

namespace {

User onChip(Chip chip, int crystal = Mhz12)
{
    User u;
    u.m.chip = chip;
    u.run(OnChipChange(u.m));
    u.chooseCrystal(crystal);
    return u;
}

} // namespace

// Generate refuses exactly what orlet-gen --drift-free refuses on each chip.
TEST(ChipWindow, DriftFreeRefusalFollowsTheChip)
{
    const char* const stcRoutine = "无累积误差：16位不自动重装由中断程序重装，请选16位自动重装";
    const char* const mode1Range = "无累积误差：方式1的计数应在100~65024个机器周期之间";
    const struct {
        Chip chip;
        int timer, modeIndex;
        std::uint32_t period;
        const char* message; // empty: Generate writes
    } rows[] = {
        { ChipNamed("stc15"), 0, 1, 1000, stcRoutine },
        { ChipNamed("stc8"), 1, 1, 50, stcRoutine },
        { ChipNamed("stc15"), 0, 0, 1000, "" }, // the hardware reload, any count
        { ChipNamed("stc15"), 0, 0, 5, "" },
        { ChipNamed("stc15"), 1, 2, 20, "" },
        { ChipNamed("stc15"), 0, 4, 10, "" }, // counting
        { ChipNamed("8052"), 0, 1, 1000, "" },
        { ChipNamed("8052"), 0, 1, 65025, mode1Range },
        { ChipNamed("stc89"), 1, 1, 99, mode1Range },
    };
    for (const auto& r : rows) {
        User u = onChip(r.chip);
        u.useTimer(r.timer, r.modeIndex);
        u.typePeriod(r.timer, r.period);
        u.m.driftFree = true;
        SCOPED_TRACE(testing::Message() << r.chip.row().title << " timer" << r.timer << " " << r.period);
        const std::optional<Message> refusal = DriftFreeRefusal(u.m);
        EXPECT_EQ(refusal ? MessageText(*refusal) : "", r.message);
        EXPECT_EQ(!ResolveConfiguration(ConfigurationOf(u.m)).resolved, refusal.has_value());
    }
}

// The real-period line off the 8051 comes from the chip's own working.
TEST(ChipWindow, RealPeriodFromTheChip)
{
    const struct {
        Chip chip;
        int timer, modeIndex;
        std::uint32_t period;
        std::optional<std::uint64_t> interruptCycles;
        const char* line;
    } rows[] = {
        { ChipNamed("8052"), 2, 0, 1000, 1000, "实际 1000.00us +0.00%" }, // hardware reload: no drift
        { ChipNamed("stc15"), 0, 0, 1000, 12000, "实际 1000.00us +0.00%" }, // 1T mode 0
        { ChipNamed("stc15"), 0, 1, 1000, std::nullopt, "计数 1000.00us 另加重装延迟" },
        { ChipNamed("8052"), 0, 1, 1000, 1007, "实际 1007.00us +0.70% 每天 +605s" },
    };
    for (const auto& r : rows) {
        User u = onChip(r.chip);
        u.useTimer(r.timer, r.modeIndex);
        u.typePeriod(r.timer, r.period);
        SCOPED_TRACE(testing::Message() << r.chip.row().title << " timer" << r.timer);
        const std::optional<TimerShown> shown = DescribeTimer(u.m, r.timer);
        ASSERT_TRUE(shown && shown->derivation);
        EXPECT_EQ(shown->derivation->find<step::Interrupt>()->interruptCycles, r.interruptCycles);
        EXPECT_EQ(TimerTextsOf(*shown).line, r.line);
    }
    // The 8052's timers 0 and 1 are the 8051's: the same line at 12 MHz.
    User classic;
    classic.chooseCrystal(Mhz12);
    classic.useTimer(0, 1);
    classic.typePeriod(0, 1000);
    EXPECT_EQ(TimerTextsOf(*DescribeTimer(classic.m, 0)).line, "实际 1007.00us +0.70% 每天 +605s");
}

// PCON.SMOD reaches only timer 1 in mode 2; elsewhere the doubling is off.
TEST(ChipWindow, DoublingOnlyWhereSmodReaches)
{
    User u = onChip(ChipNamed("8052"), Mhz11_0592);
    u.clickUart();
    u.clickDoubling();
    EXPECT_TRUE(SmodDoublesRate(u.m));
    u.m.uartTimer = 2;
    u.run(OnUartTimerChange(u.m));
    EXPECT_FALSE(SmodDoublesRate(u.m));
    EXPECT_FALSE(u.m.doubleBaud);
    EXPECT_EQ(u.m.baudReloadText, "ffH,dcH");
    const std::optional<BaudDerivation> baud = DescribeBaud(u.m);
    ASSERT_TRUE(baud);
    EXPECT_EQ(baud->find<step::BaudSource>()->timer, 2);
    EXPECT_NE(BaudTip(*baud).find("装入值 = 65536 − 36 = 0xffdc"), std::string::npos);
    EXPECT_TRUE(ResolveConfiguration(ConfigurationOf(u.m)).resolved);
    u.m.uartTimer = 1;
    u.run(OnUartTimerChange(u.m));
    u.clickDoubling();
    u.m.chip = ChipNamed("stc15"); // timer 1 in mode 0 there
    u.run(OnChipChange(u.m));
    EXPECT_FALSE(u.m.doubleBaud);
    EXPECT_TRUE(u.messages.empty());
}

// A vendor header's name: refused by Generate exactly where orlet-gen
// --header refuses it; chips that take no header ignore the box.
TEST(ChipWindow, GenerateRefusesTheHeaderNamesOrletGenRefuses)
{
    const struct {
        Chip chip;
        std::string name;
        bool refused;
    } rows[] = {
        { ChipNamed("stc15"), "STC15F2K60S2.H", false },
        { ChipNamed("stc8"), "inc/STC8H.h", false },
        { ChipNamed("stc8"), "", false }, // none: the declarations
        { ChipNamed("stc15"), "STC\"15.H", true },
        { ChipNamed("stc15"), "STC15.H>", true },
        { ChipNamed("stc8"), "STC8\nH.h", true },
        { ChipNamed("stc8"), std::string(101, 'a'), true },
        { ChipNamed("stc15"), " STC15.H", true }, // nothing is trimmed
        { ChipNamed("stc8"), "\xE2\x80\xAEh.H8CTS", true },
        { ChipNamed("8052"), "STC\"15.H", false },
        { ChipNamed("stc89"), "STC89.H", false },
    };
    for (const auto& r : rows) {
        User u = onChip(r.chip);
        u.useTimer(2, 0);
        u.typePeriod(2, 1000);
        u.m.vendorHeader = r.name;
        SCOPED_TRACE(testing::Message() << r.chip.row().title << " " << r.name);
        const std::optional<Message> refusal = GenerateRefusal(u.m);
        EXPECT_EQ(refusal.has_value(), r.refused);
        EXPECT_EQ(!ResolveConfiguration(ConfigurationOf(u.m)).resolved, r.refused);
        const bool named = !r.refused && !r.name.empty() && r.chip.row().acceptsVendorHeader;
        EXPECT_EQ(SettingsFor(u.m).vendorHeader, named ? r.name : "");
    }
}

// Off the 8051 a rate that no longer fits falls back as at the 8051, and the
// window then holds what orlet-gen gives for the rate it shows.
TEST(ChipWindow, ARefusedRateFallsBackOnEveryChip)
{
    const struct {
        const char* what;
        Chip chip;
        int crystal;
        bool sixT, onTimer2;
        int baud;
        std::function<void(User&)> then;
        const char* message;
        int baudAfter;
    } rows[] = {
        { "8052 timer 2, 1 MHz", ChipNamed("8052"), Mhz12, false, true, B115200, [](User& u) { u.chooseCrystal(Mhz1); },
            "波特率太高", B9600 },
        { "STC15 12T", ChipNamed("stc15"), Mhz1, false, false, B115200, [](User& u) { u.clickClock(1); }, "波特率太高",
            B9600 },
        { "STC89 6T cleared", ChipNamed("stc89"), Mhz12, true, false, B115200, [](User& u) { u.clickSixT(); },
            "波特率太高", B9600 },
        { "STC89 30 MHz", ChipNamed("stc89"), Mhz30, false, false, B9600, [](User& u) { u.chooseBaud(B300); },
            "波特率太低", B9600 },
        { "STC89 1 MHz", ChipNamed("stc89"), Mhz12, false, false, B9600, [](User& u) { u.chooseCrystal(Mhz1); },
            "波特率太高", B4800 },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        User u = onChip(r.chip, r.crystal);
        if (r.sixT)
            u.clickSixT();
        u.clickUart();
        if (r.onTimer2)
            u.clickUartTimer();
        u.chooseBaud(r.baud);
        ASSERT_TRUE(u.messages.empty());
        r.then(u);
        EXPECT_EQ(u.messages, Messages { r.message });
        EXPECT_EQ(u.m.baudIndex, r.baudAfter);
        ASSERT_TRUE(IsSettled(u.m));
        const ResolveResult gen = ResolveConfiguration(ConfigurationOf(u.m));
        ASSERT_TRUE(gen.resolved);
        EXPECT_EQ(gen.resolved->baudReloadText, u.m.baudReloadText);
        EXPECT_EQ(gen.resolved->baudErrorText, u.m.baudErrorText);
        EXPECT_EQ(BuildSourceText(gen.resolved->settings), BuildSourceText(SettingsFor(u.m)));
    }
}

// The serial tooltip gives the chip's rate formula for the clock in use.
TEST(ChipWindow, BaudTipPrintsTheFormulaOfTheClockInUse)
{
    const struct {
        Chip chip;
        bool sixT, onTimer2, twelveT;
        const char* formula;
    } rows[] = {
        { ChipNamed("stc89"), true, false, false, "baud = 2^SMOD * fosc / (32 * 6 * (256 - TH1))" },
        { ChipNamed("stc89"), true, true, false, "baud = fosc / (16 * (65536 - RCAP2))" },
        { ChipNamed("stc15"), false, false, false, "baud = SYSclk / (4 * (65536 - RL_TH1:RL_TL1))" },
        { ChipNamed("stc8"), false, true, true, "baud = SYSclk / (4 * 12 * (65536 - RL_T2H:RL_T2L))" },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.formula);
        User u = onChip(r.chip, Mhz11_0592);
        if (r.sixT)
            u.clickSixT();
        u.clickUart();
        if (r.onTimer2)
            u.clickUartTimer();
        if (r.twelveT)
            u.clickClock(u.m.uartTimer);
        const std::optional<BaudDerivation> baud = DescribeBaud(u.m);
        ASSERT_TRUE(baud);
        EXPECT_NE(BaudTip(*baud).find(std::string("\n") + r.formula + "\n"), std::string::npos) << BaudTip(*baud);
    }
}

// Timer 2's block survives a visit to the 8051, which neither shows nor
// writes anything of it meanwhile.
TEST(ChipWindow, Timer2ComesBackAfterAChipWithoutIt)
{
    const struct {
        int modeIndex;
        std::uint32_t period;
        int crystalMeanwhile;
        Messages messages; // when it comes back
        std::uint32_t periodAfter;
    } rows[] = {
        { 3, 500, Mhz12, {}, 500 },
        { 0, 60000, Mhz24, { "定时时间超出16位范围" }, 32768 }, // no longer fits the crystal
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.period);
        User u = onChip(ChipNamed("8052"));
        u.useTimer(2, r.modeIndex);
        u.typePeriod(2, r.period);
        u.typePostscale(2, 4);
        u.chooseChip(Chip());
        u.chooseCrystal(r.crystalMeanwhile);
        EXPECT_FALSE(SettingsFor(u.m).timer(2).enabled);
        EXPECT_EQ(BuildSourceText(SettingsFor(u.m)), BuildSourceText(SettingsFor(onChip(Chip()).m)));
        u.chooseChip(ChipNamed("8052"));
        EXPECT_EQ(u.messages, r.messages);
        EXPECT_TRUE(u.m.timer(2).use);
        EXPECT_EQ(u.m.timer(2).modeIndex, r.modeIndex);
        EXPECT_EQ(u.m.timer(2).time, r.periodAfter);
        EXPECT_EQ(u.m.timer(2).postscale, 4u);
        EXPECT_EQ(u.m.timer(2).unit, r.modeIndex == 3 ? "plus" : "us");
        ASSERT_TRUE(u.m.timer(2).run);
        EXPECT_EQ(u.m.timer(2).reloadText, FormatReloadText(u.m.timer(2).th, u.m.timer(2).tl));
    }
}

// Off the 8051 a range error corrects the value to the most the mode takes
// and computes from it at once; the line keeps the hint, the exact split
// first, until the next calculation.
TEST(ChipWindow, ARangeErrorComputesTheCorrectedValueAtOnce)
{
    const struct {
        Chip chip;
        int crystal;
        bool sixT;
        int timer, modeIndex;
        std::uint32_t value, corrected;
        const char* message;
        const char* reload;
        const char* hint; // none for a counter
    } rows[] = {
        { ChipNamed("stc15"), Mhz12, false, 1, 0, 6000, 5461, "定时时间超出16位范围", "0H,4H", "可用 3000us × 2" },
        { ChipNamed("8052"), Mhz12, false, 2, 0, 100000, 65536, "定时时间超出16位范围", "0H,0H", "可用 50000us × 2" },
        // The most the count accepts, rounded half up: 786437 / 12 = 65536.4.
        { ChipNamed("8052"), Mhz1, false, 2, 0, 786438, 786437, "定时时间超出16位范围", "0H,0H", "可用 393219us × 2" },
        { ChipNamed("stc89"), Mhz12, true, 0, 1, 100000, 32768, "定时时间超出16位范围", "0H,0H",
            "可用 方式2 125us × 800 或 25000us × 4" },
        { ChipNamed("stc15"), Mhz12, false, 0, 1, 100000, 5461, "定时时间超出16位范围", "0H,4H",
            "可用 方式0 5000us × 20" },
        { ChipNamed("8052"), Mhz12, false, 2, 3, 70000, 65536, "计数值超出16位范围", "0H,0H", nullptr },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.chip.row().title << " timer" << r.timer << " " << r.value);
        User u = onChip(r.chip, r.crystal);
        if (r.sixT)
            u.clickSixT();
        u.useTimer(r.timer, r.modeIndex);
        u.typePeriod(r.timer, r.value);
        EXPECT_EQ(u.messages, Messages { r.message });
        EXPECT_EQ(u.timer(r.timer).time, r.corrected);
        EXPECT_EQ(u.timer(r.timer).reloadText, r.reload);
        const std::optional<TimerShown> shown = DescribeTimer(u.m, r.timer);
        ASSERT_TRUE(shown && shown->range);
        EXPECT_EQ(shown->range->longest, r.corrected);
        EXPECT_EQ(TimerTextsOf(*shown).line, r.hint ? r.hint : "");
        // orlet-gen refuses the value asked for, and writes what the window
        // holds for the value it shows.
        ASSERT_TRUE(IsSettled(u.m));
        const ResolveResult gen = ResolveConfiguration(ConfigurationOf(u.m));
        ASSERT_TRUE(gen.resolved);
        EXPECT_EQ(BuildSourceText(gen.resolved->settings), BuildSourceText(SettingsFor(u.m)));
        u.typePeriod(r.timer, r.corrected);
        EXPECT_FALSE(DescribeTimer(u.m, r.timer)->range);
    }
}

// With drift-free timing the line says what the chip's routine cannot keep,
// on every chip as at the 8051.
TEST(ChipWindow, DriftFreeLimitLineOnEveryChip)
{
    const struct {
        Chip chip;
        int modeIndex;
        std::uint32_t period;
        const char* line; // empty: the real period
    } rows[] = {
        { ChipNamed("8052"), 1, 50, "无累积误差须100~65024周期" },
        { ChipNamed("stc89"), 1, 65536, "无累积误差 可用 方式2 256us × 256" },
        { ChipNamed("stc15"), 1, 1000, "无累积误差须16位自动重装" },
        { ChipNamed("8052"), 1, 1000, "" },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.chip.row().title << " " << r.period);
        User u = onChip(r.chip);
        u.useTimer(0, r.modeIndex);
        u.typePeriod(0, r.period);
        u.clickDriftFree();
        const TimerShown shown = *DescribeTimer(u.m, 0);
        EXPECT_EQ(shown.driftFreeLimit ? TimerTextsOf(shown).line : "", r.line);
        EXPECT_EQ(shown.driftFreeLimit.has_value(), DriftFreeRefusal(u.m).has_value());
    }
}
