#include "ControlIds.h"
#include "LayoutCheck.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"

#include <QLabel>
#include <QTest>

namespace {

enum ChipIndex { I8051 = 0, I8052 = 1, Stc89 = 2, Stc15 = 3, Stc8 = 4 };
enum Crystal { Mhz11_0592 = 5, Mhz12 = 6 };
enum Baud { B9600 = 5, B115200 = 10 };

const std::initializer_list<int> kTimer2Block { ctl::UseTimer2, ctl::Timer2Mode, ctl::Timer2Period, ctl::Timer2Unit,
    ctl::Timer2Reload, ctl::Timer2Actual, ctl::Timer2Postscale };

} // namespace

// Timer 2's block: shown where the chip has timer 2, in a frame that grows
// to hold it, and writing what orlet-gen --timer2/--counter2 writes.
class Timer2BlockTest : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void frameGrowsForTheBlockAndShrinksBack_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("reloadNames");
        QTest::addColumn<QStringList>("modeItems");
        const QStringList items { "定时16位自动重装", "计数16位自动重装" };
        QTest::newRow("8052") << int(I8052) << "RCAP2H,RCAP2L" << items;
        QTest::newRow("STC89") << int(Stc89) << "RCAP2H,RCAP2L" << items;
        QTest::newRow("STC15") << int(Stc15) << "T2H,T2L" << items;
        QTest::newRow("STC8") << int(Stc8) << "T2H,T2L" << items;
    }

    void frameGrowsForTheBlockAndShrinksBack()
    {
        QFETCH(int, chip);
        QFETCH(QString, reloadNames);
        QFETCH(QStringList, modeItems);
        const QSize classic = dlg->size();
        const QRect output = ui->item(ctl::OutputBox)->geometry();
        for (int id : kTimer2Block)
            QVERIFY(!ui->item(id)->isVisible());
        ui->choose(ctl::ChipList, chip);
        QCOMPARE(dlg->width(), classic.width());
        QVERIFY(dlg->height() > classic.height());
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
        QCOMPARE(ui->item(ctl::OutputBox)->height() - output.height(), dlg->height() - classic.height());
        for (int id : kTimer2Block)
            QVERIFY(ui->item(id)->isVisible());
        QCOMPARE(dlg->findChild<QLabel*>("labelReload2")->text(), reloadNames);
        QCOMPARE(ui->items(ctl::Timer2Mode), modeItems);
        QCOMPARE(MisplacedControls(*dlg), QStringList());
        QCOMPARE(ClippedControls(*dlg), QStringList());
        ui->choose(ctl::ChipList, I8051);
        QCOMPARE(dlg->size(), classic);
        QCOMPARE(ui->item(ctl::OutputBox)->geometry(), output);
        for (int id : kTimer2Block)
            QVERIFY(!ui->item(id)->isVisible());
    }

    void generateIsOrletGensText_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("crystal");
        QTest::addColumn<bool>("counter");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("postscale");
        QTest::addColumn<bool>("twelveT");
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("8052 1000 us") << int(I8052) << int(Mhz12) << false << "1000"
                                      << "1" << false << "fcH,18H"
                                      << "--chip 8052 --crystal 12 --timer2 1000";
        QTest::newRow("STC89 counter") << int(Stc89) << int(Mhz11_0592) << true << "100"
                                       << "10" << false << "ffH,9cH"
                                       << "--chip stc89 --crystal 11.0592 --counter2 100 --postscale2 10";
        QTest::newRow("STC15 1T") << int(Stc15) << int(Mhz12) << false << "1000"
                                  << "1" << false << "d1H,20H"
                                  << "--chip stc15 --crystal 12 --timer2 1000";
        QTest::newRow("STC8 12T x50") << int(Stc8) << int(Mhz11_0592) << false << "20000"
                                      << "50" << true << "b8H,0H"
                                      << "--chip stc8 --crystal 11.0592 --timer2 20000 --clock2 12t --postscale2 50";
    }

    void generateIsOrletGensText()
    {
        QFETCH(int, chip);
        QFETCH(int, crystal);
        QFETCH(bool, counter);
        QFETCH(QString, value);
        QFETCH(QString, postscale);
        QFETCH(bool, twelveT);
        QFETCH(QString, reload);
        QFETCH(QString, genArgs);
        ui->choose(ctl::ChipList, chip);
        ui->choose(ctl::CrystalList, crystal);
        QVERIFY(!ui->enabled(ctl::Timer2Period));
        ui->click(ctl::UseTimer2);
        QVERIFY(ui->enabled(ctl::Timer2Period));
        if (counter)
            ui->choose(ctl::Timer2Mode, 1);
        QCOMPARE(ui->text(ctl::Timer2Unit), QString(counter ? "plus" : "us"));
        if (twelveT)
            ui->click(ctl::Timer2Clock);
        ui->typeOver(ctl::Timer2Period, value);
        ui->typeOver(ctl::Timer2Postscale, postscale);
        QCOMPARE(ui->text(ctl::Timer2Reload), reload);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
        QVERIFY(recorder->messages.isEmpty());
    }

    // A stray choice of the 8051 hides the block; the next chip with timer 2
    // shows it as the user left it.
    void blockComesBackAfterTheClassicChip()
    {
        ui->choose(ctl::ChipList, I8052);
        ui->click(ctl::UseTimer2);
        ui->choose(ctl::Timer2Mode, 1);
        ui->typeOver(ctl::Timer2Period, "100");
        ui->typeOver(ctl::Timer2Postscale, "10");
        const QString reload = ui->text(ctl::Timer2Reload);
        ui->choose(ctl::ChipList, I8051);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({}));
        ui->choose(ctl::ChipList, Stc89);
        QVERIFY(ui->checked(ctl::UseTimer2) && ui->enabled(ctl::Timer2Period));
        QCOMPARE(ui->text(ctl::Timer2Reload), reload);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc89 --counter2 100 --postscale2 10").split(' ')));
        QVERIFY(recorder->messages.isEmpty());
    }

    // A chip change that computes the same numbers words them for the new
    // chip: its registers, and the routine's share of a 12T core.
    void chipChangeRewordsTheSameNumbers_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("period");
        QTest::addColumn<int>("shows");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("registers") << int(Stc15) << int(I8052) << "1000" << int(ctl::Timer2Reload)
                                   << "T2H = 0xfc，T2L = 0x18"
                                   << "RCAP2H = 0xfc，RCAP2L = 0x18";
        QTest::newRow("routine") << int(Stc8) << int(Stc89) << "10" << int(ctl::Timer2Actual) << "实际 10.00us +0.00%"
                                 << "实际 10.00us +0.00% 占CPU约 70%";
    }

    void chipChangeRewordsTheSameNumbers()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, period);
        QFETCH(int, shows);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const auto shown = [&] { return shows == ctl::Timer2Actual ? ui->text(shows) : ui->item(shows)->toolTip(); };
        ui->choose(ctl::ChipList, from);
        ui->click(ctl::UseTimer2);
        ui->click(ctl::Timer2Clock); // 12T, as the other chip counts
        ui->typeOver(ctl::Timer2Period, period);
        QVERIFY2(shown().contains(before), qPrintable(shown()));
        ui->choose(ctl::ChipList, to);
        QVERIFY2(shown().contains(after), qPrintable(shown()));
    }

    // Hardware reload: the period is the count, with no drift at all.
    void realPeriodLineHasNoDrift()
    {
        ui->choose(ctl::ChipList, I8052);
        ui->choose(ctl::CrystalList, Mhz12);
        ui->click(ctl::UseTimer2);
        ui->typeOver(ctl::Timer2Period, "1000");
        QCOMPARE(ui->text(ctl::Timer2Actual), QString("实际 1000.00us +0.00%"));
        QVERIFY(ui->item(ctl::Timer2Reload)->toolTip().contains("硬件自动重装"));
        ui->typeOver(ctl::Timer2Postscale, "20");
        QCOMPARE(ui->text(ctl::Timer2Actual), QString("实际 20.000ms +0.00%"));
    }

    // The serial port on timer 2 takes the block from the user, and gives
    // it back switched off.
    void serialPortOnTimer2LocksTheBlock()
    {
        ui->choose(ctl::ChipList, Stc15);
        ui->click(ctl::UseTimer2);
        ui->typeOver(ctl::Timer2Period, "500");
        ui->click(ctl::UseUart);
        QVERIFY(!ui->enabled(ctl::DoubleBaud)); // timer 1 in mode 0: SMOD has no effect
        ui->click(ctl::UartTimer2);
        QVERIFY(!ui->checked(ctl::UseTimer2));
        QVERIFY(!ui->enabled(ctl::UseTimer2));
        QVERIFY(!ui->enabled(ctl::Timer2Period));
        QCOMPARE(ui->text(ctl::Timer2Period), QString("1"));
        QVERIFY(ui->enabled(ctl::UseTimer1));
        ui->click(ctl::UartTimer2);
        QVERIFY(ui->enabled(ctl::UseTimer2));
        QVERIFY(!ui->enabled(ctl::Timer2Period));
        QVERIFY(recorder->messages.isEmpty());
    }

    // PCON.SMOD reaches only timer 1 in mode 2: elsewhere the box is off.
    void doublingFollowsTheBaudSource()
    {
        ui->choose(ctl::ChipList, I8052);
        ui->click(ctl::UseUart);
        ui->click(ctl::DoubleBaud);
        QVERIFY(ui->checked(ctl::DoubleBaud));
        ui->click(ctl::UartTimer2);
        QVERIFY(!ui->checked(ctl::DoubleBaud));
        QVERIFY(!ui->enabled(ctl::DoubleBaud));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip 8052 --uart 9600 --uart-timer 2").split(' ')));
        ui->click(ctl::UartTimer2);
        QVERIFY(ui->enabled(ctl::DoubleBaud));
        QVERIFY(recorder->messages.isEmpty());
    }

    // An STC timer reloading in its routine cannot be drift-free: Generate
    // says so and writes nothing, as orlet-gen --drift-free refuses it.
    void driftFreeRefusesTheStcSoftwareReload()
    {
        ui->choose(ctl::ChipList, Stc15);
        ui->click(ctl::DriftFreeCheck);
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 1);
        ui->typeOver(ctl::Timer0Period, "1000");
        const QString before = dlg->OutputText();
        ui->click(ctl::GenerateButton);
        QCOMPARE(recorder->texts(), QStringList { "无累积误差：16位不自动重装由中断程序重装，请选16位自动重装" });
        QCOMPARE(dlg->OutputText(), before);
        ui->choose(ctl::Timer0Mode, 0);
        ui->click(ctl::GenerateButton);
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc15 --drift-free --timer0 0:1000").split(' ')));
    }
};

QTEST_MAIN(Timer2BlockTest)
#include "Timer2BlockTest.moc"
