#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "MyCry.h"
#include "OrletDlg.h"

#include <QTest>

namespace {

constexpr int kCustomEntry = 11;

enum Close { ClickOk, PressEnter, ClickCancel, PressEscape, CloseBox };

const QString kRangeMessage = QStringLiteral("数值应该在0~100之间\r\n不能带有非数字输入");
const QString kNotANumber = QStringLiteral("请输入一个数字。");

// Keys typed over the custom dialog's edit, and how it is closed.
struct CustomRow {
    const char* name;
    QString keys;
    Close how;
    unsigned hz;
    QString shown;
    QStringList messages;
};

// Text pasted over the edit, then Cancel.
struct PasteRow {
    const char* name;
    QString text, message, boxAfter;
};

struct GenerateRow {
    const char* name;
    QString keys;
    Close how;
    QString crystalArg;
};

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

    static void close(CDialogBase& dialog, DialogDriver& custom, Close how)
    {
        switch (how) {
        case ClickOk:
            return custom.click(ctl::CustomOkButton);
        case PressEnter:
            return custom.pressKey(ctl::CustomMhzInput, Qt::Key_Return);
        case ClickCancel:
            return custom.click(ctl::CustomCancelButton);
        case PressEscape:
            return custom.pressKey(ctl::CustomMhzInput, Qt::Key_Escape);
        case CloseBox:
            dialog.close();
        }
    }

    // Picks "自定义", types `keys` over the custom dialog's edit and closes it.
    CustomRun chooseCustom(const QString& keys, Close how = ClickOk)
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

    static float customMhzOf(CDialogBase& dialog) { return qobject_cast<CMyCry*>(&dialog)->m_customMhz; }

private slots:
    // A fixed entry after a custom frequency: its frequency, and the MHz box
    // emptied and greyed (every entry's frequency: random sessions).
    void fixedEntries()
    {
        for (const auto& [index, hz] : { std::pair { 0, 1000000u }, std::pair { 5, 11059200u } }) {
            chooseCustom("5");
            QCOMPARE(ui->text(ctl::CustomMhz), QStringLiteral("5.000000"));
            ui->choose(ctl::CrystalList, index);
            QCOMPARE(dlg->Model().crystalHz, hz);
            QCOMPARE(ui->text(ctl::CustomMhz), QString());
            QVERIFY(!ui->enabled(ctl::CustomMhz));
        }
        QVERIFY(recorder->messages.isEmpty());
    }

    // The conversion to hertz runs in tests/core; here, what each way of
    // closing the dialog hands over, and its messages.
    void customFrequency_data()
    {
        const QStringList none;
        const QStringList range { kRangeMessage };
        const CustomRow rows[] = {
            { "100.000001", "100.000001", ClickOk, 100000000, "100.000000", none },
            { "blanks around", " 5 ", ClickOk, 5000000, "5.000000", { kNotANumber } },
            { "Enter", "7.3728", PressEnter, 7372799, "7.372800", none },
            // Refused values: the message, then 12 in the box.
            { "100.00001", "100.00001", ClickOk, 12000000, "12.000000", range },
            { "101", "101", ClickOk, 12000000, "12.000000", range },
            { "0", "0", ClickOk, 12000000, "12.000000", range },
            // 0 is refused at once; the rest of "0.5" is typed after the 12.
            { "0.5", "0.5", ClickOk, 12500000, "12.500000", range },
            { "lone minus", "-", ClickCancel, 12000000, "12.000000", { kNotANumber } },
            { "letters", "abc", PressEscape, 12000000, "12.000000", { kNotANumber, kNotANumber, kNotANumber } },
            // Any kind of cancel hands over 12.
            { "Cancel", "3.6864", ClickCancel, 12000000, "12.000000", none },
            { "Escape", "3.6864", PressEscape, 12000000, "12.000000", none },
            { "close box", "3.6864", CloseBox, 12000000, "12.000000", none },
        };
        AddRows(rows);
    }

    void customFrequency()
    {
        QFETCH(CustomRow, row);
        ui->choose(ctl::CrystalList, 5); // a crystal other than 12 MHz before
        const CustomRun run = chooseCustom(row.keys, row.how);

        QCOMPARE(run.title, QStringLiteral("Dialog"));
        QCOMPARE(run.shownAtOpen, QStringLiteral("12"));
        QCOMPARE(recorder->texts(), row.messages);
        for (const MessageRequest& m : recorder->messages) {
            QCOMPARE(m.owner, run.dialog);
            if (m.text == kRangeMessage) {
                QCOMPARE(m.caption, QStringLiteral("错误输入"));
                QCOMPARE(m.icon, MessageIcon::Stop);
            }
        }
        QCOMPARE(dlg->Model().crystalHz, row.hz);
        QCOMPARE(ui->text(ctl::CustomMhz), row.shown);
        QVERIFY(!ui->enabled(ctl::CustomMhz));
        QCOMPARE(ui->selected(ctl::CrystalList), kCustomEntry);
        QCOMPARE(ui->text(ctl::CrystalList), QStringLiteral("自定义"));
    }

    void pastedText_data()
    {
        const PasteRow rows[] = {
            { "negative", "-5", kRangeMessage, "12" },
            { "beyond single precision", "1e39", kRangeMessage, "12" },
            { "exponent", "2.5e1", "", "2.5e1" },
            { "nan", "nan", kNotANumber, "nan" },
            { "full-width digits", "１２", kNotANumber, "１２" },
        };
        AddRows(rows);
    }

    void pastedText()
    {
        QFETCH(PasteRow, row);
        QString box;
        float member = 0;
        OnNextDialog([&](CDialogBase& dialog, DialogDriver& custom) {
            custom.pasteOver(ctl::CustomMhzInput, row.text);
            box = custom.text(ctl::CustomMhzInput);
            member = customMhzOf(dialog);
            custom.click(ctl::CustomCancelButton);
        });
        ui->choose(ctl::CrystalList, kCustomEntry);
        QCOMPARE(recorder->texts(), row.message.isEmpty() ? QStringList() : QStringList { row.message });
        QCOMPARE(box, row.boxAfter);
        QCOMPARE(member, row.message.isEmpty() ? 25.0f : 12.0f);
        QCOMPARE(dlg->Model().crystalHz, 12000000u);
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
            memberAfterLetter = customMhzOf(dialog);
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
        QCOMPARE(dlg->Model().crystalHz, 7000000u);
        QCOMPARE(ui->text(ctl::CustomMhz), QStringLiteral("7.000000"));
    }

    void everyOpeningStartsAt12()
    {
        chooseCustom("22.1184");
        QCOMPARE(dlg->Model().crystalHz, 22118400u);
        const CustomRun again = chooseCustom("3", ClickCancel);
        QCOMPARE(again.shownAtOpen, QStringLiteral("12"));
        QCOMPARE(dlg->Model().crystalHz, 12000000u);
        QCOMPARE(ui->text(ctl::CustomMhz), QStringLiteral("12.000000"));
        QCOMPARE(g_customMhz, 12.0f);
    }

    void generateMatchesOrletGen_data()
    {
        const GenerateRow rows[] = {
            { "7.3728", "7.3728", ClickOk, "7.3728" },
            { "0.5 typed", "0.5", ClickOk, "12.5" },
            { "cancelled", "33", PressEscape, "12" },
        };
        AddRows(rows);
    }

    void generateMatchesOrletGen()
    {
        QFETCH(GenerateRow, row);
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 1);
        ui->pasteOver(ctl::Timer0Period, "1000");
        ui->click(ctl::UseUart);
        chooseCustom(row.keys, row.how);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({ "--crystal", row.crystalArg, "--timer0", "1:1000", "--uart", "9600" }));
    }
};

QTEST_MAIN(CrystalTest)
#include "CrystalTest.moc"
