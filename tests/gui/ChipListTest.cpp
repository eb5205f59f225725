#include "ControlFit.h"
#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"

#include <QTest>

#include <algorithm>

namespace {

enum ChipIndex { I8051 = 0, I8052 = 1, Stc89 = 2, Stc15 = 3, Stc8 = 4 };
enum Crystal { Mhz11_0592 = 5, Mhz12 = 6 };
enum Baud { B9600 = 5, B115200 = 10 };

const QStringList kClassicModeItems { "定时方式0", "定时方式1", "定时方式2", "计数方式0", "计数方式1", "计数方式2" };
const QStringList kStcModeItems { "定时16位自动重装", "定时16位不自动重装", "定时8位自动重装", "计数16位自动重装",
    "计数16位不自动重装", "计数8位自动重装" };

} // namespace

// The chip list: what it offers, how it renames the mode lists, and that
// Generate writes what orlet-gen --chip writes.
class ChipListTest : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void startsAtTheClassicChip()
    {
        QCOMPARE(ui->items(ctl::ChipList).mid(0, 5), (QStringList { "8051", "8052", "STC89", "STC15", "STC8" }));
        QCOMPARE(ui->selected(ctl::ChipList), int(I8051));
        QVERIFY(ui->enabled(ctl::ChipList));
        QCOMPARE(ui->items(ctl::Timer0Mode), kClassicModeItems);
        QCOMPARE(ui->items(ctl::Timer1Mode), kClassicModeItems);
    }

    void modeItemsSayWhatTheModeDoes_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("8052") << int(I8052) << kClassicModeItems;
        QTest::newRow("STC89") << int(Stc89) << kClassicModeItems;
        QTest::newRow("STC15") << int(Stc15) << kStcModeItems;
        QTest::newRow("STC8") << int(Stc8) << kStcModeItems;
    }

    void modeItemsSayWhatTheModeDoes()
    {
        QFETCH(int, chip);
        QFETCH(QStringList, items);
        const QRect classicPlace = ui->item(ctl::Timer0Mode)->geometry();
        const QRect baudPlace = ui->item(ctl::BaudReload)->geometry();
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 2);
        ui->choose(ctl::ChipList, chip);
        // The longer names take what the row has free.
        for (int list : { ctl::Timer0Mode, ctl::Timer1Mode }) {
            QWidget& box = *ui->item(list);
            const RowRoom room = RoomAround(box);
            QVERIFY(box.width() >= std::min(WidthForItems(box), room.right - room.left));
        }
        QCOMPARE(ui->items(ctl::Timer0Mode), items);
        QCOMPARE(ui->items(ctl::Timer1Mode), items);
        QCOMPARE(ui->selected(ctl::Timer0Mode), 2); // the selection stays
        ui->choose(ctl::ChipList, I8051);
        QCOMPARE(ui->items(ctl::Timer0Mode), kClassicModeItems);
        QCOMPARE(ui->item(ctl::Timer0Mode)->geometry(), classicPlace);
        QCOMPARE(ui->item(ctl::BaudReload)->geometry(), baudPlace);
        QVERIFY(recorder->messages.isEmpty());
    }

    // Back at "8051" every byte is the classic chip's again.
    void backAtTheClassicChipNothingChanged()
    {
        ui->click(ctl::UseTimer0);
        ui->typeOver(ctl::Timer0Period, "1000");
        ui->click(ctl::UseUart);
        ui->click(ctl::GenerateButton);
        const QString classic = dlg->OutputText();
        const QString reload = ui->text(ctl::Timer0Reload);
        ui->choose(ctl::ChipList, Stc15);
        QVERIFY(ui->text(ctl::Timer0Reload) != reload);
        ui->choose(ctl::ChipList, I8051);
        QCOMPARE(ui->text(ctl::Timer0Reload), reload);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), classic);
        QCOMPARE(classic, orletGen(QString("--timer0 0:1000 --uart 9600").split(' ')));
    }

    // A chip change enables timer 1's block again, but not GATE1 beside a
    // counter mode.
    void gateStaysDisabledBesideACounter()
    {
        ui->click(ctl::UseTimer1);
        ui->choose(ctl::Timer1Mode, 4);
        for (int chip : { int(I8052), int(Stc15), int(I8051) }) {
            ui->choose(ctl::ChipList, chip);
            QVERIFY(!ui->enabled(ctl::Gate1));
        }
        ui->choose(ctl::Timer1Mode, 1);
        ui->choose(ctl::ChipList, I8052);
        QVERIFY(ui->enabled(ctl::Gate1));
    }

    // Off the 8051 a range error computes the corrected period at once; the
    // line gives the hint, as at the 8051.
    void rangeErrorComputesTheCorrectedPeriod()
    {
        ui->choose(ctl::ChipList, Stc15);
        ui->click(ctl::UseTimer1);
        ui->typeOver(ctl::Timer1Period, "6000");
        QCOMPARE(recorder->texts(), QStringList { "定时时间超出16位范围" });
        QCOMPARE(ui->text(ctl::Timer1Period), QString("5461"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QString("0H,4H"));
        QCOMPARE(ui->text(ctl::Timer1Actual), QString("可用 3000us × 2"));
        QVERIFY(ui->item(ctl::Timer1Reload)->toolTip().contains("定时16位自动重装在此晶振下最多 5461 us"));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc15 --timer1 0:5461").split(' ')));
    }

    // The drift-free limit line of the 8051 on the 8052.
    void driftFreeLimitLine()
    {
        ui->choose(ctl::ChipList, I8052);
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 1);
        ui->typeOver(ctl::Timer0Period, "50");
        ui->click(ctl::DriftFreeCheck);
        QCOMPARE(ui->text(ctl::Timer0Actual), QString("无累积误差须100~65024周期"));
        ui->click(ctl::DriftFreeCheck);
        QVERIFY(ui->text(ctl::Timer0Actual).startsWith("实际 "));
    }

    // Each chip shows the clock choices it offers, and only those.
    void clockControlsFollowTheChip_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("clockChoice");
        QTest::addColumn<bool>("sixT");
        QTest::newRow("8051") << int(I8051) << false << false;
        QTest::newRow("8052") << int(I8052) << false << false;
        QTest::newRow("STC89") << int(Stc89) << false << true;
        QTest::newRow("STC15") << int(Stc15) << true << false;
        QTest::newRow("STC8") << int(Stc8) << true << false;
    }

    void clockControlsFollowTheChip()
    {
        QFETCH(int, chip);
        QFETCH(bool, clockChoice);
        QFETCH(bool, sixT);
        ui->choose(ctl::ChipList, Stc89);
        ui->click(ctl::SixTCheck);
        ui->choose(ctl::ChipList, chip);
        QCOMPARE(ui->item(ctl::Timer0Clock)->isVisible(), clockChoice);
        QCOMPARE(ui->item(ctl::Timer1Clock)->isVisible(), clockChoice);
        QCOMPARE(ui->item(ctl::SixTCheck)->isVisible(), sixT);
        // 1T is the STC default; 6T is off again after a chip without it.
        QCOMPARE(ui->checked(ctl::Timer0Clock), clockChoice);
        QCOMPARE(ui->checked(ctl::SixTCheck), chip == Stc89);
        ui->choose(ctl::ChipList, I8051);
        for (int id : { ctl::Timer0Clock, ctl::Timer1Clock, ctl::SixTCheck })
            QVERIFY(!ui->item(id)->isVisible());
    }

    // STC15 at 12 MHz, timer 0 in mode 0 for 1000 us: 12000 counts in 1T,
    // 1000 in 12T.
    void clockChoiceRecalculates()
    {
        ui->choose(ctl::ChipList, Stc15);
        ui->click(ctl::UseTimer0);
        ui->typeOver(ctl::Timer0Period, "1000");
        QCOMPARE(ui->text(ctl::Timer0Reload), QString("d1H,20H"));
        ui->click(ctl::Timer0Clock);
        QCOMPARE(ui->text(ctl::Timer0Reload), QString("fcH,18H"));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc15 --timer0 0:1000 --clock0 12t").split(' ')));
        ui->click(ctl::Timer0Clock);
        QCOMPARE(ui->text(ctl::Timer0Reload), QString("d1H,20H"));
        QVERIFY(recorder->messages.isEmpty());
    }

    // 6T halves the clocks per count: 2000 counts for 1000 us at 12 MHz.
    void sixTRecalculates()
    {
        ui->choose(ctl::ChipList, Stc89);
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 1);
        ui->typeOver(ctl::Timer0Period, "1000");
        QCOMPARE(ui->text(ctl::Timer0Reload), QString("fcH,18H"));
        ui->click(ctl::SixTCheck);
        QCOMPARE(ui->text(ctl::Timer0Reload), QString("f8H,30H"));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc89 --6t --timer0 1:1000").split(' ')));
        QVERIFY(recorder->messages.isEmpty());
    }

    // Timer 2 makes the rate; timer 1 stays free for a timer of its own.
    void serialPortOnTimer2_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("8052 9600") << int(I8052) << int(B9600) << "ffH,dcH"
                                   << "--chip 8052 --crystal 11.0592 --uart 9600 --uart-timer 2 --timer1 2:20";
        QTest::newRow("STC15 115200") << int(Stc15) << int(B115200) << "ffH,e8H"
                                      << "--chip stc15 --crystal 11.0592 --uart 115200 --uart-timer 2 --timer1 2:20";
        QTest::newRow("STC8 115200") << int(Stc8) << int(B115200) << "ffH,e8H"
                                     << "--chip stc8 --crystal 11.0592 --uart 115200 --uart-timer 2 --timer1 2:20";
    }

    void serialPortOnTimer2()
    {
        QFETCH(int, chip);
        QFETCH(int, baud);
        QFETCH(QString, reload);
        QFETCH(QString, genArgs);
        QVERIFY(!ui->item(ctl::UartTimer2)->isVisible());
        ui->choose(ctl::ChipList, chip);
        QVERIFY(ui->item(ctl::UartTimer2)->isVisible());
        QVERIFY(!ui->enabled(ctl::UartTimer2));
        ui->choose(ctl::CrystalList, Mhz11_0592);
        ui->click(ctl::UseUart);
        QVERIFY(!ui->enabled(ctl::UseTimer1));
        ui->click(ctl::UartTimer2);
        QVERIFY(ui->enabled(ctl::UseTimer1));
        ui->choose(ctl::BaudList, baud);
        QCOMPARE(ui->text(ctl::BaudReload), reload);
        ui->click(ctl::UseTimer1);
        QVERIFY(ui->enabled(ctl::Timer1Mode));
        ui->choose(ctl::Timer1Mode, 2);
        ui->typeOver(ctl::Timer1Period, "20");
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
        // Back on timer 1: timer 1 is taken from the user again.
        ui->click(ctl::UartTimer2);
        QVERIFY(!ui->checked(ctl::UseTimer1));
        QVERIFY(!ui->enabled(ctl::UseTimer1));
        QVERIFY(!ui->enabled(ctl::Timer1Mode));
        QVERIFY(recorder->messages.isEmpty());
        // A chip without timer 2 puts the port back on timer 1 (where
        // 115200 bit/s may be out of reach: its message is not looked at).
        ui->click(ctl::UartTimer2);
        ui->choose(ctl::ChipList, I8051);
        QVERIFY(!ui->checked(ctl::UartTimer2));
        QVERIFY(!ui->item(ctl::UartTimer2)->isVisible());
        QVERIFY(!ui->enabled(ctl::UseTimer1));
    }

    // STC15/STC8: the vendor's header named instead of the declarations;
    // a name the include line cannot hold writes nothing.
    void vendorHeaderTakesThePlaceOfTheDeclarations()
    {
        for (int chip : { int(I8051), int(I8052), int(Stc89) }) {
            ui->choose(ctl::ChipList, chip);
            QVERIFY(!ui->item(ctl::VendorHeader)->isVisible());
        }
        ui->choose(ctl::ChipList, Stc8);
        QVERIFY(ui->item(ctl::VendorHeader)->isVisible());
        ui->click(ctl::UseTimer2);
        ui->typeOver(ctl::Timer2Period, "500");
        ui->typeOver(ctl::VendorHeader, "STC8H.H");
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc8 --timer2 500 --header STC8H.H").split(' ')));
        QVERIFY(!dlg->OutputText().contains("sfr"));
        const QString written = dlg->OutputText();
        // Refused whole at Generate, as orlet-gen refuses them: the box cuts
        // and trims nothing, and the text stays as it was.
        const QString names[] = { "STC8H\".H", " STC8H.H ", QString(150, 'a'), QString::fromUtf8("\u202Eh.H8CTS") };
        for (const QString& name : names) {
            recorder->clear();
            ui->pasteOver(ctl::VendorHeader, name);
            QCOMPARE(ui->text(ctl::VendorHeader), name);
            ui->click(ctl::GenerateButton);
            QCOMPARE(recorder->texts(),
                QStringList { "头文件名不能含有引号、尖括号、控制字符或不可见字符，首尾不能有空格，且不超过100字节" });
            QCOMPARE(dlg->OutputText(), written);
        }
        // Another chip family does not take it: the declarations are back.
        ui->choose(ctl::ChipList, Stc89);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(QString("--chip stc89 --timer2 500").split(' ')));
    }

    void generateIsOrletGensText_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("crystal");
        QTest::addColumn<int>("mode0");
        QTest::addColumn<QString>("period0");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("8052") << int(I8052) << int(Mhz12) << 1 << "1000" << -1
                              << "--chip 8052 --crystal 12 --timer0 1:1000";
        QTest::newRow("STC89 serial") << int(Stc89) << int(Mhz11_0592) << 2 << "250" << int(B9600)
                                      << "--chip stc89 --crystal 11.0592 --timer0 2:250 --uart 9600";
        QTest::newRow("STC15 mode 0") << int(Stc15) << int(Mhz12) << 0 << "1000" << -1
                                      << "--chip stc15 --crystal 12 --timer0 0:1000";
        QTest::newRow("STC15 serial") << int(Stc15) << int(Mhz11_0592) << 1 << "5000" << int(B115200)
                                      << "--chip stc15 --crystal 11.0592 --timer0 1:5000 --uart 115200";
        QTest::newRow("STC8 serial") << int(Stc8) << int(Mhz11_0592) << 0 << "500" << int(B9600)
                                     << "--chip stc8 --crystal 11.0592 --timer0 0:500 --uart 9600";
    }

    void generateIsOrletGensText()
    {
        QFETCH(int, chip);
        QFETCH(int, crystal);
        QFETCH(int, mode0);
        QFETCH(QString, period0);
        QFETCH(int, baud);
        QFETCH(QString, genArgs);
        ui->choose(ctl::ChipList, chip);
        ui->choose(ctl::CrystalList, crystal);
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, mode0);
        ui->typeOver(ctl::Timer0Period, period0);
        if (baud >= 0) {
            ui->click(ctl::UseUart);
            ui->choose(ctl::BaudList, baud);
        }
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
        QVERIFY(recorder->messages.isEmpty());
        // The serial reload shows whole, a 16-bit pair included.
        QWidget& baudReload = *ui->item(ctl::BaudReload);
        const RowRoom room = RoomAround(baudReload);
        QVERIFY(baudReload.width()
            >= std::min(WidthForText(baudReload, ui->text(ctl::BaudReload)), room.right - room.left));
    }
};

QTEST_MAIN(ChipListTest)
#include "ChipListTest.moc"
