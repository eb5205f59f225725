#include "ControlIds.h"
#include "DialogDriver.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"

#include <QTest>

namespace {

enum Crystal { Mhz1 = 0, Mhz11_0592 = 5, Mhz12 = 6, Mhz24 = 8, Custom = 11 };
enum Baud { B300 = 0, B4800 = 4, B9600 = 5, B115200 = 10 };

// Controls of the serial block, in the order the block enables them.
constexpr int kUartControls[] = { ctl::BaudList, ctl::UartInterrupt, ctl::DoubleBaud, ctl::BaudReload, ctl::BaudError };
constexpr int kTimer1Controls[] = { ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload };

struct BaudRow {
    const char* name;
    int crystal;
    QString customMhz;
    int baud;
    bool doubled, interrupt;
    QString reload, error, message;
    int listAfter;
    QString genArgs;
};

} // namespace

// The serial block: its use box, the baud list, doubling, the reload and
// error displays, and how it takes timer 1 away.
class SerialPortTest : public MainWindowFixture
{
    Q_OBJECT

private:
    // Picks a crystal of the list, or "自定义" with `mhz` accepted in its dialog.
    void chooseCrystal(int index, const QString& mhz)
    {
        if (index == Custom) {
            OnNextDialog([mhz](CDialogBase&, DialogDriver& custom) {
                custom.typeOver(ctl::CustomMhzInput, mhz);
                custom.click(ctl::CustomOkButton);
            });
        }
        ui->choose(ctl::CrystalList, index);
    }

    void expectBaud(const char* reload, const char* error, int byte)
    {
        QCOMPARE(ui->text(ctl::BaudReload), QString(reload));
        QCOMPARE(ui->text(ctl::BaudError), QString(error));
        QCOMPARE((std::pair<int, int>(dlg->Model().timer(1).th, dlg->Model().timer(1).tl)), std::pair(byte, byte));
    }

private slots:
    // The reload, the error and the list's fall-back run on the model
    // (tests/core); here, that the window shows them, raises its messages
    // and writes what orlet-gen writes for the rate the list then shows.
    void baudReload_data()
    {
        const BaudRow rows[] = {
            { "12 MHz 9600 doubled", Mhz12, "", B9600, true, false, "0xf9", "-7.5200%", "", B9600,
                "--uart 9600 --double-baud" },
            { "custom 14.7456 300 doubled, reload 0", Custom, "14.7456", B300, true, false, "0x0", "-0.0020%", "", B300,
                "--crystal 14.7456 --uart 300 --double-baud" },
            { "24 MHz 300 doubled is too low", Mhz24, "", B300, true, false, "0xf3", "0.1600%", "波特率太低", B9600,
                "--crystal 24 --uart 9600 --double-baud" },
            { "1 MHz 9600 is too high", Mhz1, "", B9600, false, false, "0xff", "-84.6154%", "波特率太高", B4800,
                "--crystal 1 --uart 4800" },
            { "11.0592 MHz doubled, interrupt", Mhz11_0592, "", B9600, true, true, "0xfa", "0.0000%", "", B9600,
                "--crystal 11.0592 --uart 9600 --double-baud --uart-interrupt" },
            { "12 MHz 300, interrupt, comments", Mhz12, "", B300, false, true, "0x98", "0.1600%", "", B300,
                "--uart 300 --uart-interrupt --comments" },
            { "115200 at 11.0592 MHz beside timer 0", Mhz11_0592, "", B115200, false, true, "0xfd", "0.0000%",
                "波特率太高", B9600, "--crystal 11.0592 --uart 9600 --uart-interrupt --timer0 1:1000" },
        };
        AddRows(rows);
    }

    void baudReload()
    {
        QFETCH(BaudRow, row);
        chooseCrystal(row.crystal, row.customMhz);
        if (row.genArgs.contains("--timer0")) {
            ui->click(ctl::UseTimer0);
            ui->choose(ctl::Timer0Mode, 1);
            ui->pasteOver(ctl::Timer0Period, "1000");
        }
        ui->click(ctl::UseUart);
        if (row.doubled)
            ui->click(ctl::DoubleBaud);
        if (row.interrupt)
            ui->click(ctl::UartInterrupt);
        recorder->clear();
        ui->choose(ctl::BaudList, row.baud);

        expectMessage(row.message);
        QCOMPARE(ui->selected(ctl::BaudList), row.listAfter);
        expectBaud(qPrintable(row.reload), qPrintable(row.error), row.reload.mid(2).toInt(nullptr, 16));
        if (row.genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(row.genArgs.split(' ')));
    }

    // The serial port takes timer 1 over: its block returns to the start and
    // locks, and the crystal recalculates the serial reload, never timer 1.
    void switchingOnTakesTimer1Away()
    {
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 4); // timer 0's half must stay 0x05
        ui->click(ctl::UseTimer1);
        ui->choose(ctl::Timer1Mode, 1);
        ui->click(ctl::Gate1);
        ui->pasteOver(ctl::Timer1Period, "1000");
        QCOMPARE(dlg->Model().tmod, 0x95);
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("fcH,18H"));

        ui->click(ctl::UseUart);
        for (int id : kUartControls)
            QVERIFY2(ui->enabled(id), qPrintable(QString::number(id)));
        QVERIFY(!ui->checked(ctl::UseTimer1));
        QVERIFY(!ui->enabled(ctl::UseTimer1));
        for (int id : kTimer1Controls)
            QVERIFY2(!ui->enabled(id), qPrintable(QString::number(id)));
        QCOMPARE(ui->selected(ctl::Timer1Mode), 0);
        QCOMPARE(ui->text(ctl::Timer1Period), QStringLiteral("1"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("ffh,ffh"));
        QCOMPARE(dlg->Model().tmod, 0x05);
        QVERIFY(!ui->checked(ctl::Gate1)); // the tick goes with its bit
        expectBaud("0xfd", "7.8400%", 0xFD);

        ui->choose(ctl::CrystalList, Mhz11_0592);
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("ffh,ffh"));
        QVERIFY(!ui->enabled(ctl::UseTimer1));
        expectBaud("0xfd", "0.0000%", 0xFD);
        QVERIFY(recorder->messages.isEmpty());
    }

    void switchingOffKeepsTheLastValues()
    {
        ui->click(ctl::UseUart);
        ui->click(ctl::DoubleBaud);
        ui->click(ctl::UartInterrupt);
        ui->choose(ctl::BaudList, B115200); // 12 MHz doubled: count 1
        expectBaud("0xff", "-84.6154%", 0xFF);

        ui->click(ctl::UseUart);
        for (int id : kUartControls)
            QVERIFY2(!ui->enabled(id), qPrintable(QString::number(id)));
        QVERIFY(ui->enabled(ctl::UseTimer1));
        QVERIFY(!ui->checked(ctl::UseTimer1));
        QCOMPARE(ui->selected(ctl::BaudList), int(B9600));
        QCOMPARE(ui->text(ctl::BaudReload), QStringLiteral("0xff"));
        QCOMPARE(ui->text(ctl::BaudError), QStringLiteral("-84.6154%"));
        QVERIFY(ui->checked(ctl::DoubleBaud));
        QVERIFY(ui->checked(ctl::UartInterrupt));
        QVERIFY(recorder->messages.isEmpty());

        // On again: 9600 bit/s with the doubling that was left ticked.
        ui->click(ctl::UseUart);
        expectBaud("0xf9", "-7.5200%", 0xF9);
    }

    // Beyond 2 % the real rate is red and the fixes beside it are one
    // choice each; the block grows by the row from the first calculation on.
    void realRateAndItsFixes()
    {
        ui->choose(ctl::ChipList, 1); // 8052
        const int firstHeight = dlg->height();
        ui->click(ctl::UseUart);
        QCOMPARE(ui->text(ctl::BaudActual), QStringLiteral("实际 10416.67bps +8.51%"));
        QVERIFY(ui->item(ctl::BaudActual)->property("warning").toBool());
        QVERIFY(dlg->height() > firstHeight);
        QCOMPARE(ui->items(ctl::BaudFixes),
            QStringList({ "改正…", "用定时器2 9615.38bps +0.16%", "晶振11.0592MHz 9600.00bps 0.00%",
                "改用2400bps 2403.85bps +0.16%" }));

        ui->choose(ctl::BaudFixes, 1);
        QVERIFY(ui->checked(ctl::UartTimer2));
        QCOMPARE(ui->text(ctl::BaudActual), QStringLiteral("实际 9615.38bps +0.16%"));
        QVERIFY(!ui->item(ctl::BaudActual)->property("warning").toBool());
        QVERIFY(ui->item(ctl::BaudFixes)->isHidden());
        QVERIFY(recorder->messages.isEmpty());
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({ "--chip", "8052", "--uart", "9600", "--uart-timer", "2" }));
    }

    // "其他…" asks for a rate: one out of reach is refused with the reach and
    // the dialog stays; the rate typed joins the list; Cancel changes nothing.
    void typedRate()
    {
        ui->click(ctl::UseUart);
        const int other = ui->items(ctl::BaudList).indexOf(QStringLiteral("其他…"));
        QCOMPARE(other, 11);
        OnNextDialog([](CDialogBase&, DialogDriver& asked) {
            QCOMPARE(asked.text(ctl::BaudInput), QStringLiteral("9600")); // the rate the list had
            asked.typeOver(ctl::BaudInput, "1000000");
            asked.click(ctl::BaudOkButton);
            asked.typeOver(ctl::BaudInput, "31250");
            asked.click(ctl::BaudOkButton);
        });
        ui->choose(ctl::BaudList, other);
        QCOMPARE(recorder->texts(), QStringList { QStringLiteral("波特率应在122~62500bps之间") }); // over the dialog
        QCOMPARE(ui->text(ctl::BaudList), QStringLiteral("31250"));
        QCOMPARE(ui->items(ctl::BaudList).size(), 13);
        QCOMPARE(ui->text(ctl::BaudActual), QStringLiteral("实际 31250.00bps 0.00%"));
        expectBaud("0xff", "0.0000%", 0xFF);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({ "--uart", "31250" }));

        OnNextDialog([](CDialogBase&, DialogDriver& asked) { asked.click(ctl::BaudCancelButton); });
        ui->choose(ctl::BaudList, 12);
        QCOMPARE(ui->text(ctl::BaudList), QStringLiteral("31250"));
    }
};

QTEST_MAIN(SerialPortTest)
#include "SerialPortTest.moc"
