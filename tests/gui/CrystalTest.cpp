#include "ControlIds.h"
#include "GenCommand.h"
#include "MainWindowFixture.h"
#include "MyCry.h"
#include "Orlet.h"
#include "OrletDlg.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace {

constexpr int kCustomEntry = 11;

enum Close { ClickOk, PressEnter, ClickCancel, PressEscape, CloseBox };

const QString kRangeMessage = QStringLiteral("数值应该在0~100之间\r\n不能带有非数字输入");
const QString kNotANumber = QStringLiteral("请输入一个数字。");

} // namespace

// The crystal list, the MHz display beside it and the custom-frequency
// dialog.
class CrystalTest : public MainWindowFixture
{
    Q_OBJECT

private:
    struct CustomRun {
        QString title; // of the custom dialog
        QString shownAtOpen; // its edit box as it opened
        const QWidget* dialog = nullptr;
    };

    static void close(CDialogBase& dialog, DialogDriver& custom, int how)
    {
        switch (how) {
        case ClickOk:
            custom.click(ctl::CustomOkButton);
            break;
        case PressEnter:
            custom.pressKey(ctl::CustomMhzInput, Qt::Key_Return);
            break;
        case ClickCancel:
            custom.click(ctl::CustomCancelButton);
            break;
        case PressEscape:
            custom.pressKey(ctl::CustomMhzInput, Qt::Key_Escape);
            break;
        case CloseBox:
            dialog.close();
            break;
        }
    }

    // Picks "自定义", types `keys` over the custom dialog's edit and closes it.
    CustomRun chooseCustom(const QString& keys, int how = ClickOk)
    {
        CustomRun run;
        OnNextDialog([&run, keys, how](CDialogBase& dialog, DialogDriver& custom) {
            run.title = dialog.windowTitle();
            run.shownAtOpen = custom.text(ctl::CustomMhzInput);
            run.dialog = &dialog;
            custom.typeOver(ctl::CustomMhzInput, keys);
            close(dialog, custom, how);
        });
        ui->choose(ctl::CrystalList, kCustomEntry);
        return run;
    }

private slots:
    void fixedEntries_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<unsigned>("hz");
        const unsigned table[] = { 1000000, 2000000, 3686400, 6000000, 10000000, 11059200, 12000000, 22118400, 24000000,
            30000000, 33000000 };
        for (int i = 0; i < 11; ++i)
            QTest::addRow("%d", i) << i << table[i];
    }

    void fixedEntries()
    {
        QFETCH(int, index);
        QFETCH(unsigned, hz);
        chooseCustom("5");
        QCOMPARE(ui->text(ctl::CustomMhz), QStringLiteral("5.000000"));
        ui->choose(ctl::CrystalList, index);
        QCOMPARE(dlg->m_crystalHz, hz);
        QCOMPARE(ui->text(ctl::CustomMhz), QString());
        QVERIFY(!ui->enabled(ctl::CustomMhz));
        QVERIFY(recorder->messages.isEmpty());
    }

    void customFrequency_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("how");
        QTest::addColumn<unsigned>("hz");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("messages");
        const QStringList none;
        const QStringList range { kRangeMessage };
        QTest::newRow("3.6864") << "3.6864" << int(ClickOk) << 3686400u << "3.686400" << none;
        QTest::newRow("7.3728") << "7.3728" << int(ClickOk) << 7372799u << "7.372800" << none;
        QTest::newRow("11.0592") << "11.0592" << int(ClickOk) << 11059200u << "11.059200" << none;
        QTest::newRow("14.7456") << "14.7456" << int(ClickOk) << 14745599u << "14.745600" << none;
        QTest::newRow("22.1184") << "22.1184" << int(ClickOk) << 22118400u << "22.118401" << none;
        QTest::newRow("1") << "1" << int(ClickOk) << 1000000u << "1.000000" << none;
        QTest::newRow("100") << "100" << int(ClickOk) << 100000000u << "100.000000" << none;
        QTest::newRow("100.000001") << "100.000001" << int(ClickOk) << 100000000u << "100.000000" << none;
        QTest::newRow("blanks around") << " 5 " << int(ClickOk) << 5000000u << "5.000000"
                                       << QStringList { kNotANumber };
        QTest::newRow("Enter") << "7.3728" << int(PressEnter) << 7372799u << "7.372800" << none;
        // Refused values: the message, then 12 in the box.
        QTest::newRow("100.00001") << "100.00001" << int(ClickOk) << 12000000u << "12.000000" << range;
        QTest::newRow("101") << "101" << int(ClickOk) << 12000000u << "12.000000" << range;
        QTest::newRow("0") << "0" << int(ClickOk) << 12000000u << "12.000000" << range;
        // 0 is refused at once; the rest of "0.5" is typed after the 12.
        QTest::newRow("0.5") << "0.5" << int(ClickOk) << 12500000u << "12.500000" << range;
        QTest::newRow("lone minus") << "-" << int(ClickCancel) << 12000000u << "12.000000"
                                    << QStringList { kNotANumber };
        QTest::newRow("letters") << "abc" << int(PressEscape) << 12000000u << "12.000000"
                                 << QStringList { kNotANumber, kNotANumber, kNotANumber };
        // Any kind of cancel hands over 12.
        QTest::newRow("Cancel") << "3.6864" << int(ClickCancel) << 12000000u << "12.000000" << none;
        QTest::newRow("Escape") << "3.6864" << int(PressEscape) << 12000000u << "12.000000" << none;
        QTest::newRow("close box") << "3.6864" << int(CloseBox) << 12000000u << "12.000000" << none;
    }

    void customFrequency()
    {
        QFETCH(QString, keys);
        QFETCH(int, how);
        QFETCH(unsigned, hz);
        QFETCH(QString, shown);
        QFETCH(QStringList, messages);
        ui->choose(ctl::CrystalList, 5); // a crystal other than 12 MHz before
        const CustomRun run = chooseCustom(keys, how);

        QCOMPARE(run.title, QStringLiteral("Dialog"));
        QCOMPARE(run.shownAtOpen, QStringLiteral("12"));
        QCOMPARE(recorder->texts(), messages);
        for (const MessageRequest& m : recorder->messages) {
            QCOMPARE(m.owner, run.dialog);
            if (m.text == kRangeMessage) {
                QCOMPARE(m.caption, QStringLiteral("错误输入"));
                QCOMPARE(m.icon, MessageIcon::Stop);
            }
        }
        QCOMPARE(dlg->m_crystalHz, hz);
        QCOMPARE(ui->text(ctl::CustomMhz), shown);
        QVERIFY(!ui->enabled(ctl::CustomMhz));
        QCOMPARE(ui->selected(ctl::CrystalList), kCustomEntry);
        QCOMPARE(ui->text(ctl::CrystalList), QStringLiteral("自定义"));
    }

    void rangeMessageResetsTheBoxTo12()
    {
        QString afterRefusal;
        float memberAfterRefusal = 0;
        OnNextDialog([&](CDialogBase& dialog, DialogDriver& custom) {
            custom.typeOver(ctl::CustomMhzInput, "100.00001");
            afterRefusal = custom.text(ctl::CustomMhzInput);
            memberAfterRefusal = qobject_cast<CMyCry*>(&dialog)->m_customMhz;
            custom.pressKey(ctl::CustomMhzInput, Qt::Key_5); // typed on after the 12
            custom.click(ctl::CustomOkButton);
        });
        ui->choose(ctl::CrystalList, kCustomEntry);
        QCOMPARE(afterRefusal, QStringLiteral("12"));
        QCOMPARE(memberAfterRefusal, 12.0f);
        QCOMPARE(dlg->m_crystalHz, 12000000u); // 125 was refused as well
        QCOMPARE(recorder->texts(), (QStringList { kRangeMessage, kRangeMessage }));
    }

    void pastedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("boxAfter");
        QTest::newRow("negative") << "-5" << kRangeMessage << "12";
        QTest::newRow("beyond single precision") << "1e39" << kRangeMessage << "12";
        QTest::newRow("exponent") << "2.5e1" << QString() << "2.5e1";
        QTest::newRow("nan") << "nan" << kNotANumber << "nan";
        QTest::newRow("inf") << "inf" << kNotANumber << "inf";
        QTest::newRow("hexadecimal") << "0x10" << kNotANumber << "0x10";
        QTest::newRow("decimal comma") << "3,6864" << kNotANumber << "3,6864";
        QTest::newRow("full-width digits") << "１２" << kNotANumber << "１２";
        QTest::newRow("two numbers") << "1 2" << kNotANumber << "1 2";
    }

    void pastedText()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, boxAfter);
        QString box;
        float member = 0;
        OnNextDialog([&](CDialogBase& dialog, DialogDriver& custom) {
            custom.pasteOver(ctl::CustomMhzInput, text);
            box = custom.text(ctl::CustomMhzInput);
            member = qobject_cast<CMyCry*>(&dialog)->m_customMhz;
            custom.click(ctl::CustomCancelButton);
        });
        ui->choose(ctl::CrystalList, kCustomEntry);
        QCOMPARE(recorder->texts(), message.isEmpty() ? QStringList() : QStringList { message });
        QCOMPARE(box, boxAfter);
        QCOMPARE(member, message.isEmpty() ? 25.0f : 12.0f);
        QCOMPARE(dlg->m_crystalHz, 12000000u);
    }

    void textThatIsNoNumberIsRefused()
    {
        bool openAfterOk = false;
        float memberAfterLetter = 0;
        bool focusOnBoxAfterLetter = false;
        int messagesBeforeOk = 0;
        OnNextDialog([&](CDialogBase& dialog, DialogDriver& custom) {
            custom.typeOver(ctl::CustomMhzInput, "7");
            custom.pressKey(ctl::CustomMhzInput, Qt::Key_X);
            memberAfterLetter = qobject_cast<CMyCry*>(&dialog)->m_customMhz;
            // The dialog's own focus: the application's follows window
            // activation, which may come late on a busy machine.
            focusOnBoxAfterLetter = dialog.focusWidget() == custom.item(ctl::CustomMhzInput);
            messagesBeforeOk = int(recorder->messages.size());
            custom.click(ctl::CustomOkButton);
            openAfterOk = dialog.isVisible();
            custom.pressKey(ctl::CustomMhzInput, Qt::Key_End);
            custom.pressKey(ctl::CustomMhzInput, Qt::Key_Backspace);
            custom.click(ctl::CustomOkButton);
        });
        ui->choose(ctl::CrystalList, kCustomEntry);
        QCOMPARE(memberAfterLetter, 7.0f);
        QVERIFY(focusOnBoxAfterLetter);
        QCOMPARE(messagesBeforeOk, 1);
        QVERIFY(openAfterOk);
        QVERIFY(recorder->messages.size() > messagesBeforeOk); // OK told why it stayed
        for (const MessageRequest& m : recorder->messages)
            QCOMPARE(m.text, kNotANumber);
        QCOMPARE(dlg->m_crystalHz, 7000000u);
        QCOMPARE(ui->text(ctl::CustomMhz), QStringLiteral("7.000000"));
    }

    void everyOpeningStartsAt12()
    {
        chooseCustom("22.1184");
        QCOMPARE(dlg->m_crystalHz, 22118400u);
        const CustomRun again = chooseCustom("3", ClickCancel);
        QCOMPARE(again.shownAtOpen, QStringLiteral("12"));
        QCOMPARE(dlg->m_crystalHz, 12000000u);
        QCOMPARE(ui->text(ctl::CustomMhz), QStringLiteral("12.000000"));
        QCOMPARE(g_customMhz, 12.0f);
    }

    void generateMatchesOrletGen_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("7.3728") << "7.3728" << int(ClickOk) << "--crystal 7.3728 --timer0 1:1000 --uart 9600";
        QTest::newRow("14.7456") << "14.7456" << int(ClickOk) << "--crystal 14.7456 --timer0 1:1000 --uart 9600";
        QTest::newRow("3.6864") << "3.6864" << int(ClickOk) << "--crystal 3.6864 --timer0 1:1000 --uart 9600";
        QTest::newRow("22.1184") << "22.1184" << int(ClickOk) << "--crystal 22.1184 --timer0 1:1000 --uart 9600";
        QTest::newRow("0.5 typed") << "0.5" << int(ClickOk) << "--crystal 12.5 --timer0 1:1000 --uart 9600";
        QTest::newRow("100") << "100" << int(ClickOk) << "--crystal 100 --timer0 1:1000 --uart 9600";
        QTest::newRow("cancelled") << "33" << int(PressEscape) << "--crystal 12 --timer0 1:1000 --uart 9600";
    }

    void generateMatchesOrletGen()
    {
        QFETCH(QString, keys);
        QFETCH(int, how);
        QFETCH(QString, genArgs);
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 1);
        ui->pasteOver(ctl::Timer0Period, "1000");
        ui->click(ctl::UseUart);
        chooseCustom(keys, how);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
    }
};

QTEST_MAIN(CrystalTest)
#include "CrystalTest.moc"
