#include "TimerBlocks.h"
#include "ControlIds.h"
#include "GenCommand.h"
#include "MainWindowFixture.h"
#include "Orlet.h"
#include "OrletDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

enum Crystal { Mhz3_6864 = 2, Mhz11_0592 = 5, Mhz12 = 6, Mhz24 = 8, Mhz33 = 10 };

const QString kNoNumber = QStringLiteral("请输入一个正整数。");

} // namespace

// The two timer blocks: use boxes, mode lists, GATE boxes, period boxes and
// the reload calculation behind them.
class TimerBlocksTest : public MainWindowFixture
{
    Q_OBJECT

private:
    int half(int t) const { return (dlg->m_tmod >> kBlocks[t].shift) & 0x0F; }
    std::uint32_t period(int t) const { return t == 0 ? dlg->m_time0 : dlg->m_time1; }
    int th(int t) const { return t == 0 ? dlg->m_th0 : dlg->m_th1; }
    int tl(int t) const { return t == 0 ? dlg->m_tl0 : dlg->m_tl1; }

    // Ticks the block's use box and picks its mode.
    void useTimer(int t, int modeIndex)
    {
        ui->click(kBlocks[t].use);
        ui->choose(kBlocks[t].mode, modeIndex);
    }

private slots:
    // ---- Modes and GATE ---------------------------------------------------

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

    // ---- Switching a timer off and on -------------------------------------

    void timer0OffKeepsItsMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("gate");
        QTest::addColumn<QString>("unit");
        QTest::newRow("定时方式1 with GATE0") << 1 << true << "us";
        QTest::newRow("计数方式1") << 4 << false << "plus";
    }

    void timer0OffKeepsItsMode()
    {
        QFETCH(int, mode);
        QFETCH(bool, gate);
        QFETCH(QString, unit);
        useTimer(0, mode);
        if (gate)
            ui->click(ctl::Gate0);
        ui->pasteOver(ctl::Timer0Period, "1000");
        const int bits = kModeBits[mode] | (gate ? 0x08 : 0);
        QCOMPARE(half(0), bits);

        ui->click(ctl::UseTimer0);
        for (int id : { ctl::Timer0Mode, ctl::Timer0Period, ctl::Gate0, ctl::Timer0Reload })
            QVERIFY2(!ui->enabled(id), qPrintable(QString::number(id)));
        QCOMPARE(ui->selected(ctl::Timer0Mode), mode);
        QCOMPARE(half(0), bits);
        QCOMPARE(ui->checked(ctl::Gate0), gate);
        QCOMPARE(ui->text(ctl::Timer0Unit), unit);
        QCOMPARE(ui->text(ctl::Timer0Period), QStringLiteral("1"));
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("ffh,ffh"));
        QCOMPARE(dlg->m_time0, 1u);
        QCOMPARE(dlg->m_th0, 0xFF);
        QCOMPARE(dlg->m_tl0, 0xFF);

        // On again: enabled as left, GATE0 even in a counter mode, and nothing computed.
        ui->click(ctl::UseTimer0);
        for (int id : { ctl::Timer0Mode, ctl::Timer0Period, ctl::Gate0, ctl::Timer0Reload })
            QVERIFY2(ui->enabled(id), qPrintable(QString::number(id)));
        QCOMPARE(ui->selected(ctl::Timer0Mode), mode);
        QCOMPARE(half(0), bits);
        QCOMPARE(ui->text(ctl::Timer0Unit), unit);
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("ffh,ffh"));
        QCOMPARE(dlg->m_th0, 0xFF);
        QCOMPARE(dlg->m_tl0, 0xFF);
        QVERIFY(recorder->messages.isEmpty());
    }

    void timer1OffReturnsToMode0_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("gate");
        QTest::newRow("定时方式1 with GATE1") << 1 << true;
        QTest::newRow("计数方式0") << 3 << false;
        QTest::newRow("计数方式2") << 5 << false;
    }

    // Unlike timer 0, the whole block returns to its starting state: mode
    // list, bits, GATE1 tick and unit.
    void timer1OffReturnsToMode0()
    {
        QFETCH(int, mode);
        QFETCH(bool, gate);
        useTimer(0, 2); // timer 0's half stays
        useTimer(1, mode);
        if (gate)
            ui->click(ctl::Gate1);
        ui->pasteOver(ctl::Timer1Period, "100");
        QCOMPARE(half(1), kModeBits[mode] | (gate ? 0x08 : 0));

        ui->click(ctl::UseTimer1);
        for (int id : { ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload })
            QVERIFY2(!ui->enabled(id), qPrintable(QString::number(id)));
        QCOMPARE(dlg->m_tmod, 0x02);
        QCOMPARE(ui->selected(ctl::Timer1Mode), 0);
        QVERIFY(!ui->checked(ctl::Gate1)); // the tick goes with its bit
        QCOMPARE(ui->text(ctl::Timer1Unit), QStringLiteral("us"));
        QCOMPARE(ui->text(ctl::Timer1Period), QStringLiteral("1"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("ffh,ffh"));
        QCOMPARE(dlg->m_time1, 1u);
        QCOMPARE(dlg->m_th1, 0xFF);
        QCOMPARE(dlg->m_tl1, 0xFF);

        ui->click(ctl::UseTimer1);
        for (int id : { ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload })
            QVERIFY2(ui->enabled(id), qPrintable(QString::number(id)));
        QCOMPARE(ui->selected(ctl::Timer1Mode), 0);
        QCOMPARE(dlg->m_tmod, 0x02);
        QVERIFY(!ui->checked(ctl::Gate1));
        QCOMPARE(ui->text(ctl::Timer1Unit), QStringLiteral("us"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("ffh,ffh"));
        QVERIFY(recorder->messages.isEmpty());

        // A period typed now gives the bytes and TMOD of the mode the block shows.
        ui->typeOver(ctl::Timer1Period, "100");
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({ "--timer0", "2:1", "--timer1", "0:100" }));
    }

    // ---- Reload calculation ------------------------------------------------

    void reload_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("crystal");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("wantTh");
        QTest::addColumn<int>("wantTl");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        const struct {
            int crystal, mode;
            const char* value;
            int th, tl;
            const char* display;
            const char* message;
            const char* after;
        } rows[] = {
            // The whole table runs on the model (tests/core); here, that the
            // window shows its results and raises its messages plainly.
            { Mhz12, 1, "1000", 0xFC, 0x18, "fcH,18H", "", "1000" },
            { Mhz3_6864, 1, "1000", 0xFF, 0x06, "ffH,6H", "", "1000" },
            { Mhz11_0592, 1, "80000", 0, 0, "0H,0H", "定时时间超出16位范围", "71111" },
            { Mhz12, 5, "300", 0, 0, "0H,0H", "计数值超出8位范围", "256" },
        };
        for (int t = 0; t < 2; ++t) {
            for (const auto& r : rows) {
                QTest::addRow("timer%d crystal%d mode%d %s", t, r.crystal, r.mode, r.value)
                    << t << r.crystal << r.mode << QString(r.value) << r.th << r.tl << QString(r.display)
                    << QString::fromUtf8(r.message) << QString(r.after);
            }
        }
    }

    void reload()
    {
        QFETCH(int, timer);
        QFETCH(int, crystal);
        QFETCH(int, mode);
        QFETCH(QString, value);
        QFETCH(int, wantTh);
        QFETCH(int, wantTl);
        QFETCH(QString, display);
        QFETCH(QString, message);
        QFETCH(QString, after);
        const TimerBlock& b = kBlocks[timer];
        ui->choose(ctl::CrystalList, crystal);
        useTimer(timer, mode);
        QVERIFY(recorder->messages.isEmpty());

        ui->pasteOver(b.period, value);
        QCOMPARE(recorder->texts(), message.isEmpty() ? QStringList() : QStringList { message });
        if (!message.isEmpty()) {
            QCOMPARE(recorder->messages.first().caption, QString());
            QCOMPARE(recorder->messages.first().icon, MessageIcon::None);
            QCOMPARE(recorder->messages.first().owner, dlg.get());
        }
        QCOMPARE(th(timer), wantTh);
        QCOMPARE(tl(timer), wantTl);
        QCOMPARE(ui->text(b.display), display);
        QCOMPARE(ui->text(b.period), after);
        QCOMPARE(period(timer), after.toUInt());
    }

    void everyKeystrokeComputes_data()
    {
        QTest::addColumn<int>("timer");
        QTest::newRow("timer0") << 0;
        QTest::newRow("timer1") << 1;
    }

    void everyKeystrokeComputes()
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
        QCOMPARE(recorder->texts(), QStringList { "计数值超出8位范围" });
        QCOMPARE(ui->text(b.period), QStringLiteral("256"));
        QCOMPARE(ui->text(b.display), QStringLiteral("0H,0H"));
        QCOMPARE(th(timer), 0);
        QCOMPARE(tl(timer), 0);
    }

    void modeChangeRecalculates_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("display");
        // The other cases run on the model (tests/core).
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("timer%d 1000 us to 定时方式2", t) << t << 1 << "1000" << 2 << "定时时间超出8位范围"
                                                             << "256"
                                                             << "0H,0H";
        }
    }

    void modeChangeRecalculates()
    {
        QFETCH(int, timer);
        QFETCH(int, from);
        QFETCH(QString, value);
        QFETCH(int, to);
        QFETCH(QString, message);
        QFETCH(QString, after);
        QFETCH(QString, display);
        const TimerBlock& b = kBlocks[timer];
        useTimer(timer, from);
        ui->pasteOver(b.period, value);
        QVERIFY(recorder->messages.isEmpty());
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);
        ui->choose(b.mode, to);
        QCOMPARE(handlers.count(), 1); // the corrected period written back runs nothing
        QCOMPARE(recorder->texts(), message.isEmpty() ? QStringList() : QStringList { message });
        QCOMPARE(ui->text(b.period), after);
        QCOMPARE(period(timer), after.toUInt());
        QCOMPARE(ui->text(b.display), display);
    }

    // ---- Input that is no number -------------------------------------------

    void badPeriodInput_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused");
        enum { Paste, Erase, Cut, Type };
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("timer%d backspace", t) << t << int(Erase) << QString() << true;
            QTest::addRow("timer%d cut", t) << t << int(Cut) << QString() << true;
            QTest::addRow("timer%d 4294967296", t) << t << int(Paste) << "4294967296" << true;
            QTest::addRow("timer%d 99999999999999999999", t) << t << int(Paste) << "99999999999999999999" << true;
            QTest::addRow("timer%d letters", t) << t << int(Paste) << "abc" << false;
            QTest::addRow("timer%d digits and letters", t) << t << int(Paste) << "12ab" << false;
            QTest::addRow("timer%d blanks", t) << t << int(Paste) << " 12 " << false;
            QTest::addRow("timer%d minus", t) << t << int(Paste) << "-5" << false;
            QTest::addRow("timer%d full-width digits", t) << t << int(Paste) << "１２" << false;
            QTest::addRow("timer%d typed letter", t) << t << int(Type) << "x" << false;
            QTest::addRow("timer%d typed through the input method", t) << t << int(Type) << "五" << false;
        }
    }

    void badPeriodInput()
    {
        QFETCH(int, timer);
        QFETCH(int, action);
        QFETCH(QString, text);
        QFETCH(bool, refused);
        const TimerBlock& b = kBlocks[timer];
        useTimer(timer, 1);
        ui->pasteOver(b.period, "1000");
        QCOMPARE(ui->text(b.display), QStringLiteral("fcH,18H"));
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);

        if (action == 0) {
            ui->pasteOver(b.period, text);
        } else if (action == 3) {
            ui->typeOver(b.period, text);
        } else {
            ui->pressKey(b.period, Qt::Key_A, Qt::ControlModifier);
            if (action == 1)
                ui->pressKey(b.period, Qt::Key_Backspace);
            else
                ui->pressKey(b.period, Qt::Key_X, Qt::ControlModifier);
        }

        if (refused) {
            QCOMPARE(recorder->texts(), QStringList { kNoNumber });
            QCOMPARE(recorder->messages.first().caption, QString());
            QCOMPARE(QApplication::focusWidget(), ui->item(b.period));
            QCOMPARE(handlers.count(), 1);
        } else {
            QVERIFY(recorder->messages.isEmpty());
            QCOMPARE(handlers.count(), 0);
        }
        QCOMPARE(ui->text(b.period), QStringLiteral("1000"));
        QCOMPARE(period(timer), 1000u);
        QCOMPARE(ui->text(b.display), QStringLiteral("fcH,18H"));
        QCOMPARE(th(timer), 0xFC);
        QCOMPARE(tl(timer), 0x18);

        // The box still works afterwards.
        recorder->clear();
        ui->typeOver(b.period, "10");
        QCOMPARE(ui->text(b.display), QStringLiteral("ffH,f6H"));
        QVERIFY(recorder->messages.isEmpty());
    }

    void emptyingAfterACorrectionPutsTheCorrectionBack()
    {
        useTimer(1, 5);
        ui->typeOver(ctl::Timer1Period, "300");
        QCOMPARE(ui->text(ctl::Timer1Period), QStringLiteral("256"));
        recorder->clear();
        ui->pressKey(ctl::Timer1Period, Qt::Key_A, Qt::ControlModifier);
        ui->pressKey(ctl::Timer1Period, Qt::Key_Delete);
        QCOMPARE(recorder->texts(), QStringList { kNoNumber });
        QCOMPARE(ui->text(ctl::Timer1Period), QStringLiteral("256"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("0H,0H"));
        QCOMPARE(dlg->m_th1, 0);
    }

    // ---- Generate ----------------------------------------------------------

    void generateMatchesOrletGen_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<int>("mode0");
        QTest::addColumn<bool>("gate0");
        QTest::addColumn<QString>("value0");
        QTest::addColumn<int>("mode1");
        QTest::addColumn<bool>("gate1");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("genArgs");
        // Mode -1: the timer is not used.
        QTest::newRow("timer0 mode 1") << int(Mhz12) << 1 << false << "1000" << -1 << false << ""
                                       << "--timer0 1:1000";
        QTest::newRow("timer0 mode 2 gate, timer1 counter 1")
            << int(Mhz11_0592) << 2 << true << "200" << 4 << false << "50000"
            << "--crystal 11.0592 --timer0 2:200 --gate0 --counter1 1:50000 --comments";
        QTest::newRow("timer1 mode 0 gate") << int(Mhz33) << -1 << false << "" << 0 << true << "1234"
                                            << "--crystal 33 --timer1 0:1234 --gate1";
        QTest::newRow("counters 0 and 2") << int(Mhz24) << 3 << false << "100" << 5 << false << "7"
                                          << "--crystal 24 --counter0 0:100 --counter1 2:7 --comments";
        QTest::newRow("corrected period") << int(Mhz12) << 1 << false << "70000" << 2 << true << "1000"
                                          << "--timer0 1:65536 --timer1 2:256 --gate1";
    }

    void generateMatchesOrletGen()
    {
        QFETCH(int, crystal);
        QFETCH(int, mode0);
        QFETCH(bool, gate0);
        QFETCH(QString, value0);
        QFETCH(int, mode1);
        QFETCH(bool, gate1);
        QFETCH(QString, value1);
        QFETCH(QString, genArgs);
        ui->choose(ctl::CrystalList, crystal);
        const int modes[] = { mode0, mode1 };
        const bool gates[] = { gate0, gate1 };
        const QString values[] = { value0, value1 };
        for (int t = 0; t < 2; ++t) {
            if (modes[t] < 0)
                continue;
            useTimer(t, modes[t]);
            if (gates[t])
                ui->click(kBlocks[t].gate);
            ui->pasteOver(kBlocks[t].period, values[t]);
        }
        if (genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
    }
};

QTEST_MAIN(TimerBlocksTest)
#include "TimerBlocksTest.moc"
