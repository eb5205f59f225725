#include "ControlIds.h"
#include "GenCommand.h"
#include "MainWindowFixture.h"
#include "Orlet.h"
#include "OrletDlg.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace {

enum Crystal { Mhz1 = 0, Mhz2 = 1, Mhz11_0592 = 5, Mhz12 = 6, Mhz22_1184 = 7, Mhz24 = 8, Mhz33 = 10, Custom = 11 };
enum Baud { B300 = 0, B4800 = 4, B9600 = 5, B19200 = 6, B115200 = 10 };

const QString kTooLow = QStringLiteral("波特率太低");
const QString kTooHigh = QStringLiteral("波特率太高");

// Controls of the serial block, in the order the block enables them.
constexpr int kUartControls[] = { ctl::BaudList, ctl::UartInterrupt, ctl::DoubleBaud, ctl::BaudReload, ctl::BaudError };
constexpr int kTimer1Controls[] = { ctl::Timer1Mode, ctl::Timer1Period, ctl::Gate1, ctl::Timer1Reload };

} // namespace

// The serial block: its use box, the baud list, doubling, the reload and
// error displays, and how it takes timer 1 away.
class SerialPortTest : public MainWindowFixture
{
    Q_OBJECT

private:
    // Picks "自定义" and accepts `mhz` in the custom-frequency dialog.
    void chooseCustomCrystal(const QString& mhz)
    {
        OnNextDialog([mhz](CDialogBase&, DialogDriver& custom) {
            custom.typeOver(ctl::CustomMhzInput, mhz);
            custom.click(ctl::CustomOkButton);
        });
        ui->choose(ctl::CrystalList, Custom);
    }

private slots:
    void baudReload_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<QString>("customMhz");
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("doubled");
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("listAfter");
        const struct {
            int crystal;
            const char* custom;
            int baud;
            bool doubled;
            const char* reload;
            const char* error;
            const char* message;
            int after;
        } rows[] = {
            // The whole table runs on the model (tests/core); here, that the
            // window shows its results, moves its list and raises its messages.
            { Mhz12, "", B9600, true, "0xf9", "-7.5200%", "", B9600 },
            { Custom, "14.7456", B300, true, "0x0", "-0.0020%", "", B300 },
            { Mhz24, "", B300, true, "0xf3", "0.1600%", "波特率太低", B9600 },
            { Mhz1, "", B9600, false, "0xff", "-84.6154%", "波特率太高", B4800 },
        };
        for (const auto& r : rows) {
            const QString crystal
                = r.crystal == Custom ? QString("custom %1").arg(r.custom) : QString("crystal %1").arg(r.crystal);
            QTest::addRow("%s %d%s", qPrintable(crystal), r.baud, r.doubled ? " doubled" : "")
                << r.crystal << QString(r.custom) << r.baud << r.doubled << QString(r.reload) << QString(r.error)
                << QString::fromUtf8(r.message) << r.after;
        }
    }

    void baudReload()
    {
        QFETCH(int, crystal);
        QFETCH(QString, customMhz);
        QFETCH(int, baud);
        QFETCH(bool, doubled);
        QFETCH(QString, reload);
        QFETCH(QString, error);
        QFETCH(QString, message);
        QFETCH(int, listAfter);
        if (crystal == Custom)
            chooseCustomCrystal(customMhz);
        else
            ui->choose(ctl::CrystalList, crystal);
        ui->click(ctl::UseUart);
        if (doubled)
            ui->click(ctl::DoubleBaud);
        recorder->clear();
        ui->choose(ctl::BaudList, baud);

        QCOMPARE(recorder->texts(), message.isEmpty() ? QStringList() : QStringList { message });
        if (!message.isEmpty()) {
            QCOMPARE(recorder->messages.first().caption, QString());
            QCOMPARE(recorder->messages.first().icon, MessageIcon::None);
            QCOMPARE(recorder->messages.first().owner, dlg.get());
        }
        QCOMPARE(ui->selected(ctl::BaudList), listAfter);
        QCOMPARE(ui->text(ctl::BaudReload), reload);
        QCOMPARE(ui->text(ctl::BaudError), error);
        const int byte = reload.mid(2).toInt(nullptr, 16);
        QCOMPARE(dlg->m_th1, byte);
        QCOMPARE(dlg->m_tl1, byte);
    }

    void switchingOnTakesTimer1Away()
    {
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 4); // timer 0's half must stay 0x05
        ui->click(ctl::UseTimer1);
        ui->choose(ctl::Timer1Mode, 1);
        ui->click(ctl::Gate1);
        ui->pasteOver(ctl::Timer1Period, "1000");
        QCOMPARE(dlg->m_tmod, 0x95);
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("fcH,18H"));
        QCOMPARE(dlg->m_th1, 0xFC);

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
        QCOMPARE(dlg->m_tmod, 0x05);
        QVERIFY(!ui->checked(ctl::Gate1)); // the tick goes with its bit
        QCOMPARE(ui->text(ctl::BaudReload), QStringLiteral("0xfd"));
        QCOMPARE(ui->text(ctl::BaudError), QStringLiteral("7.8400%"));
        QCOMPARE(dlg->m_th1, 0xFD);
        QCOMPARE(dlg->m_tl1, 0xFD);
        QVERIFY(recorder->messages.isEmpty());
    }

    void switchingOffKeepsTheLastValues()
    {
        ui->click(ctl::UseUart);
        ui->click(ctl::DoubleBaud);
        ui->click(ctl::UartInterrupt);
        ui->choose(ctl::BaudList, B115200); // 12 MHz doubled: count 1
        QCOMPARE(ui->text(ctl::BaudReload), QStringLiteral("0xff"));
        QCOMPARE(ui->text(ctl::BaudError), QStringLiteral("-84.6154%"));

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
        QCOMPARE(ui->text(ctl::BaudReload), QStringLiteral("0xf9"));
        QCOMPARE(ui->text(ctl::BaudError), QStringLiteral("-7.5200%"));
        QCOMPARE(dlg->m_th1, 0xF9);
    }

    void timer1CannotBeUsedWithTheSerialPort()
    {
        ui->click(ctl::UseTimer1);
        ui->click(ctl::UseUart);
        QVERIFY(!ui->enabled(ctl::UseTimer1));
        QVERIFY(!ui->checked(ctl::UseTimer1));
        // The crystal recalculates the serial reload, never timer 1.
        ui->choose(ctl::CrystalList, Mhz11_0592);
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("ffh,ffh"));
        QCOMPARE(ui->text(ctl::BaudReload), QStringLiteral("0xfd"));
        QCOMPARE(ui->text(ctl::BaudError), QStringLiteral("0.0000%"));
        QCOMPARE(dlg->m_th1, 0xFD);
    }

    void generateMatchesOrletGen_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<QString>("customMhz");
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("doubled");
        QTest::addColumn<bool>("interrupt");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("9600 at 12") << int(Mhz12) << "" << int(B9600) << false << false << "--uart 9600";
        QTest::newRow("11.0592 doubled interrupt") << int(Mhz11_0592) << "" << int(B9600) << true << true
                                                   << "--crystal 11.0592 --uart 9600 --double-baud --uart-interrupt";
        QTest::newRow("300 at 12 with comments")
            << int(Mhz12) << "" << int(B300) << false << true << "--uart 300 --uart-interrupt --comments";
        QTest::newRow("custom 14.7456, reload 0")
            << int(Custom) << "14.7456" << int(B300) << true << false << "--crystal 14.7456 --uart 300 --double-baud";
        QTest::newRow("300 doubled at 24 falls back to 9600")
            << int(Mhz24) << "" << int(B300) << true << false << "--crystal 24 --uart 9600 --double-baud";
        QTest::newRow("115200 at 11.0592 falls back to 9600")
            << int(Mhz11_0592) << "" << int(B115200) << false << true
            << "--crystal 11.0592 --uart 9600 --uart-interrupt --timer0 1:1000";
    }

    void generateMatchesOrletGen()
    {
        QFETCH(int, crystal);
        QFETCH(QString, customMhz);
        QFETCH(int, baud);
        QFETCH(bool, doubled);
        QFETCH(bool, interrupt);
        QFETCH(QString, genArgs);
        if (crystal == Custom)
            chooseCustomCrystal(customMhz);
        else
            ui->choose(ctl::CrystalList, crystal);
        if (genArgs.contains("--timer0")) {
            ui->click(ctl::UseTimer0);
            ui->choose(ctl::Timer0Mode, 1);
            ui->pasteOver(ctl::Timer0Period, "1000");
        }
        ui->click(ctl::UseUart);
        if (doubled)
            ui->click(ctl::DoubleBaud);
        if (interrupt)
            ui->click(ctl::UartInterrupt);
        ui->choose(ctl::BaudList, baud);
        if (genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
    }
};

QTEST_MAIN(SerialPortTest)
#include "SerialPortTest.moc"
