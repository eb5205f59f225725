#include "TimerBlocks.h"
#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

enum Crystal { Mhz3_6864 = 2, Mhz11_0592 = 5, Mhz12 = 6, Mhz24 = 8, Mhz33 = 10 };

const QString kNoNumber = QStringLiteral("请输入一个正整数。");

// A block switched off and on again, the other timer in 定时方式2 beside it.
struct SwitchRow {
    const char* name;
    int timer, mode;
    bool gate;
    int modeAfter, halfAfter;
    bool gateAfter;
    QString unitAfter;
    QString genArgs; // with the period 100 typed in afterwards
};

// The whole table runs on the model (tests/core); here, that the window
// shows its results and raises its messages plainly.
struct ReloadRow {
    const char* name;
    int crystal, mode;
    QString value;
    int th, tl;
    QString display, message, after;
};

enum Input { Paste, Erase, Cut, Type };

struct BadInputRow {
    const char* name;
    Input action;
    QString text;
    bool refused;
};

// Mode -1: the timer is not used.
struct GenerateRow {
    const char* name;
    int crystal, modes[2];
    bool gates[2];
    QString values[2];
    QString genArgs;
};

} // namespace

// The two timer blocks: use boxes, mode lists, GATE boxes, period boxes and
// the reload calculation behind them.
class TimerBlocksTest : public MainWindowFixture
{
    Q_OBJECT

private:
    int half(int t) const { return (dlg->Model().tmod >> kBlocks[t].shift) & 0x0F; }
    std::uint32_t period(int t) const { return dlg->Model().timer(t).time; }
    std::pair<int, int> bytes(int t) const { return std::pair { dlg->Model().timer(t).th, dlg->Model().timer(t).tl }; }

    // Ticks the block's use box and picks its mode.
    void useTimer(int t, int modeIndex)
    {
        ui->click(kBlocks[t].use);
        ui->choose(kBlocks[t].mode, modeIndex);
    }

    void generateMatches(const QString& genArgs)
    {
        if (genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
    }

private slots:
    // What the mode decides is the model's (tests/core); here, what the
    // block enables and shows.
    void modeChange_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("to");
        for (int t = 0; t < 2; ++t) {
            for (int to = 0; to < 6; ++to)
                QTest::addRow("timer%d 1+gate->%d", t, to) << t << to;
        }
    }

    void modeChange()
    {
        QFETCH(int, timer);
        QFETCH(int, to);
        const TimerBlock& b = kBlocks[timer];
        useTimer(timer, 1);
        ui->click(b.gate);
        ui->choose(b.mode, to);

        const bool timerMode = to < 3;
        QCOMPARE(half(timer), kModeBits[to] | (timerMode ? 0x08 : 0));
        QCOMPARE(ui->text(b.unit), timerMode ? QStringLiteral("us") : QStringLiteral("plus"));
        QCOMPARE(ui->enabled(b.gate), timerMode);
        QCOMPARE(ui->checked(b.gate), timerMode);
        QVERIFY(ui->enabled(b.period));
        QVERIFY(recorder->messages.isEmpty());
    }

    // Timer 0 keeps its mode, bits and GATE0 tick; timer 1's whole block
    // returns to its starting state. Both forget the period and bytes, and
    // ticked again compute nothing until a period is typed.
    void switchingOffAndOn_data()
    {
        const SwitchRow rows[] = {
            { "timer0 定时方式1 with GATE0", 0, 1, true, 1, 0x09, true, "us", "--timer0 1:100 --gate0 --timer1 2:1" },
            { "timer0 计数方式1", 0, 4, false, 4, 0x05, false, "plus", "--counter0 1:100 --timer1 2:1" },
            { "timer1 定时方式1 with GATE1", 1, 1, true, 0, 0, false, "us", "--timer0 2:1 --timer1 0:100" },
            { "timer1 计数方式0", 1, 3, false, 0, 0, false, "us", "--timer0 2:1 --timer1 0:100" },
            { "timer1 计数方式2", 1, 5, false, 0, 0, false, "us", "--timer0 2:1 --timer1 0:100" },
        };
        AddRows(rows);
    }

    void switchingOffAndOn()
    {
        QFETCH(SwitchRow, row);
        const int t = row.timer;
        const TimerBlock& b = kBlocks[t];
        useTimer(1 - t, 2);
        useTimer(t, row.mode);
        if (row.gate)
            ui->click(b.gate);
        ui->pasteOver(b.period, "100");
        QCOMPARE(half(t), kModeBits[row.mode] | (row.gate ? 0x08 : 0));

        for (bool on : { false, true }) {
            ui->click(b.use);
            for (int id : { b.mode, b.period, b.gate, b.display })
                QVERIFY2(ui->enabled(id) == on, qPrintable(QString::number(id)));
            QCOMPARE(ui->selected(b.mode), row.modeAfter);
            QCOMPARE(half(t), row.halfAfter);
            QCOMPARE(half(1 - t), 0x2);
            QCOMPARE(ui->checked(b.gate), row.gateAfter); // the tick goes with its bit
            QCOMPARE(ui->text(b.unit), row.unitAfter);
            QCOMPARE(ui->text(b.period), QStringLiteral("1"));
            QCOMPARE(period(t), 1u);
            QCOMPARE(ui->text(b.display), QStringLiteral("ffh,ffh"));
            QCOMPARE(bytes(t), std::pair(0xFF, 0xFF));
        }
        QVERIFY(recorder->messages.isEmpty());
        // A period typed now gives the bytes and TMOD of the mode the block shows.
        ui->typeOver(b.period, "100");
        generateMatches(row.genArgs);
    }

    // ---- Reload calculation ------------------------------------------------

    void reload_data()
    {
        const ReloadRow rows[] = {
            { "12 MHz 1000 us", Mhz12, 1, "1000", 0xFC, 0x18, "fcH,18H", "", "1000" },
            { "3.6864 MHz 1000 us", Mhz3_6864, 1, "1000", 0xFF, 0x06, "ffH,6H", "", "1000" },
            { "too long", Mhz11_0592, 1, "80000", 0, 0, "0H,0H", "定时时间超出16位范围", "71111" },
            { "too many pulses", Mhz12, 5, "300", 0, 0, "0H,0H", "计数值超出8位范围", "256" },
        };
        AddRowsPerTimer(rows);
    }

    void reload()
    {
        QFETCH(int, timer);
        QFETCH(ReloadRow, row);
        const TimerBlock& b = kBlocks[timer];
        ui->choose(ctl::CrystalList, row.crystal);
        useTimer(timer, row.mode);
        QVERIFY(recorder->messages.isEmpty());

        ui->pasteOver(b.period, row.value);
        expectMessage(row.message);
        QCOMPARE(bytes(timer), std::pair(row.th, row.tl));
        QCOMPARE(ui->text(b.display), row.display);
        QCOMPARE(ui->text(b.period), row.after);
        QCOMPARE(period(timer), row.after.toUInt());
    }

    // Every keystroke computes, and a box emptied after a correction gets
    // the correction back; the mode list recomputes, and the corrected
    // period it writes back runs no handler.
    void keystrokesAndModeChangeCompute_data()
    {
        QTest::addColumn<int>("timer");
        QTest::newRow("timer0") << 0;
        QTest::newRow("timer1") << 1;
    }

    void keystrokesAndModeChangeCompute()
    {
        QFETCH(int, timer);
        const TimerBlock& b = kBlocks[timer];
        useTimer(timer, 5);
        ui->typeOver(b.period, "3");
        QCOMPARE(ui->text(b.display), QStringLiteral("fdH,fdH"));
        ui->pressKey(b.period, Qt::Key_0);
        QCOMPARE(ui->text(b.display), QStringLiteral("e2H,e2H"));
        QVERIFY(recorder->messages.isEmpty());
        ui->pressKey(b.period, Qt::Key_0);
        expectMessage("计数值超出8位范围");
        QCOMPARE(ui->text(b.period), QStringLiteral("256"));
        QCOMPARE(ui->text(b.display), QStringLiteral("0H,0H"));
        QCOMPARE(bytes(timer), std::pair(0, 0));
        recorder->clear();
        ui->pressKey(b.period, Qt::Key_A, Qt::ControlModifier);
        ui->pressKey(b.period, Qt::Key_Delete); // emptied: the correction comes back
        expectMessage(kNoNumber);
        QCOMPARE(ui->text(b.period), QStringLiteral("256"));
        QCOMPARE(ui->text(b.display), QStringLiteral("0H,0H"));

        recorder->clear();
        ui->choose(b.mode, 1);
        ui->pasteOver(b.period, "1000");
        QVERIFY(recorder->messages.isEmpty());
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);
        ui->choose(b.mode, 2);
        QCOMPARE(handlers.count(), 1);
        expectMessage("定时时间超出8位范围");
        QCOMPARE(ui->text(b.period), QStringLiteral("256"));
        QCOMPARE(period(timer), 256u);
        QCOMPARE(ui->text(b.display), QStringLiteral("0H,0H"));
    }

    // ---- Input that is no number -------------------------------------------

    void badPeriodInput_data()
    {
        const BadInputRow rows[] = {
            { "backspace", Erase, "", true },
            { "cut", Cut, "", true },
            { "4294967296", Paste, "4294967296", true },
            { "99999999999999999999", Paste, "99999999999999999999", true },
            { "letters", Paste, "abc", false },
            { "blanks", Paste, " 12 ", false },
            { "full-width digits", Paste, "１２", false },
            { "typed letter", Type, "x", false },
            { "typed through the input method", Type, "五", false },
        };
        AddRowsPerTimer(rows);
    }

    void badPeriodInput()
    {
        QFETCH(int, timer);
        QFETCH(BadInputRow, row);
        const TimerBlock& b = kBlocks[timer];
        useTimer(timer, 1);
        ui->pasteOver(b.period, "1000");
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);

        if (row.action == Paste) {
            ui->pasteOver(b.period, row.text);
        } else if (row.action == Type) {
            ui->typeOver(b.period, row.text);
        } else {
            ui->pressKey(b.period, Qt::Key_A, Qt::ControlModifier);
            if (row.action == Erase)
                ui->pressKey(b.period, Qt::Key_Backspace);
            else
                ui->pressKey(b.period, Qt::Key_X, Qt::ControlModifier);
        }

        expectMessage(row.refused ? kNoNumber : QString());
        QCOMPARE(handlers.count(), row.refused ? 1 : 0);
        if (row.refused)
            QCOMPARE(QApplication::focusWidget(), ui->item(b.period));
        QCOMPARE(ui->text(b.period), QStringLiteral("1000"));
        QCOMPARE(period(timer), 1000u);
        QCOMPARE(ui->text(b.display), QStringLiteral("fcH,18H"));
        QCOMPARE(bytes(timer), std::pair(0xFC, 0x18));

        // The box still works afterwards.
        recorder->clear();
        ui->typeOver(b.period, "10");
        QCOMPARE(ui->text(b.display), QStringLiteral("ffH,f6H"));
        QVERIFY(recorder->messages.isEmpty());
    }

    // ---- Generate ----------------------------------------------------------

    void generateMatchesOrletGen_data()
    {
        const GenerateRow rows[] = {
            { "timer0 mode 1", Mhz12, { 1, -1 }, { false, false }, { "1000", "" }, "--timer0 1:1000" },
            { "timer0 mode 2 gate, timer1 counter 1", Mhz11_0592, { 2, 4 }, { true, false }, { "200", "50000" },
                "--crystal 11.0592 --timer0 2:200 --gate0 --counter1 1:50000 --comments" },
            { "timer1 mode 0 gate", Mhz33, { -1, 0 }, { false, true }, { "", "1234" },
                "--crystal 33 --timer1 0:1234 --gate1" },
            { "counters 0 and 2", Mhz24, { 3, 5 }, { false, false }, { "100", "7" },
                "--crystal 24 --counter0 0:100 --counter1 2:7 --comments" },
            { "corrected period", Mhz12, { 1, 2 }, { false, true }, { "70000", "1000" },
                "--timer0 1:65536 --timer1 2:256 --gate1" },
        };
        AddRows(rows);
    }

    void generateMatchesOrletGen()
    {
        QFETCH(GenerateRow, row);
        ui->choose(ctl::CrystalList, row.crystal);
        for (int t = 0; t < 2; ++t) {
            if (row.modes[t] < 0)
                continue;
            useTimer(t, row.modes[t]);
            if (row.gates[t])
                ui->click(kBlocks[t].gate);
            ui->pasteOver(kBlocks[t].period, row.values[t]);
        }
        generateMatches(row.genArgs);
    }
};

QTEST_MAIN(TimerBlocksTest)
#include "TimerBlocksTest.moc"
