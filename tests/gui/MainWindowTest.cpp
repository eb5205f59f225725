#include "ControlIds.h"
#include "GenCommand.h"
#include "LayoutCheck.h"
#include "MainWindowFixture.h"
#include "Orlet.h"
#include "OrletDlg.h"
#include "OrletVersion.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// The clipboard's text: the platform's line ends.
QString clipboardText(QString text)
{
#ifdef Q_OS_WIN
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#endif
    return text;
}

} // namespace

// The window as a user first sees it, Generate, the INT blocks and the frame.
class MainWindowTest : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void firstStateControls_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("text");
        const struct {
            int id;
            bool enabled;
            const char* text;
        } rows[] = {
            { ctl::UseInt0, true, "INT0中断" },
            { ctl::UseInt1, true, "INT1中断" },
            { ctl::UseTimer0, true, "使用TIMER0" },
            { ctl::UseTimer1, true, "使用TIMER1" },
            { ctl::UseUart, true, "使用串口" },
            { ctl::CopyCheck, true, "copy" },
            { ctl::CommentCheck, true, "注释" },
            { ctl::CrystalList, true, "12" },
            { ctl::CustomMhz, false, "" },
            { ctl::Int0Trigger, false, "下降沿" },
            { ctl::Int1Trigger, false, "下降沿" },
            { ctl::Timer0Mode, false, "定时方式0" },
            { ctl::Timer1Mode, false, "定时方式0" },
            { ctl::Timer0Period, false, "1" },
            { ctl::Timer1Period, false, "1" },
            { ctl::Timer0Unit, true, "us" },
            { ctl::Timer1Unit, true, "us" },
            { ctl::Gate0, false, "GATE0" },
            { ctl::Gate1, false, "GATE1" },
            { ctl::Timer0Reload, false, "ffH,ffH" },
            { ctl::Timer1Reload, false, "ffH,ffH" },
            { ctl::BaudList, false, "9600" },
            { ctl::UartInterrupt, false, "使用中断" },
            { ctl::DoubleBaud, false, "加倍(PCON|=0x80)" },
            { ctl::BaudReload, false, "" },
            { ctl::BaudError, false, "00%" },
            { ctl::CloseButton, true, "关闭" },
            { ctl::GenerateButton, true, "生成" },
            { ctl::AboutButton, true, "关于" },
            { ctl::ExactCheck, true, "精确计算" },
            { ctl::DriftFreeCheck, true, "无累积误差" },
            { ctl::Timer0Actual, false, "" },
            { ctl::Timer1Actual, false, "" },
            { ctl::Timer0Postscale, false, "1" },
            { ctl::Timer1Postscale, false, "1" },
        };
        for (const auto& row : rows)
            QTest::addRow("%d", row.id) << row.id << row.enabled << QString::fromUtf8(row.text);
    }

    void firstStateControls()
    {
        QFETCH(int, id);
        QFETCH(bool, enabled);
        QFETCH(QString, text);
        QCOMPARE(ui->enabled(id), enabled);
        QCOMPARE(ui->text(id), text);
        if (auto* button = ui->as<QAbstractButton>(id); button && button->isCheckable())
            QVERIFY(!button->isChecked());
    }

    void firstStateWindow()
    {
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Orlet 8051 C代码生成器"));
        QCOMPARE(QApplication::focusWidget(), ui->item(ctl::CloseButton));
        const QStringList paragraphs = ui->text(ctl::OutputBox).split('\n');
        QCOMPARE(paragraphs.size(), 4);
        for (const QString& paragraph : paragraphs)
            QVERIFY(paragraph.startsWith("    ") && paragraph.size() > 10);
        QCOMPARE(dlg->Model().tmod, 0);
        QCOMPARE(
            dlg->Model().timer(0).th & dlg->Model().timer(0).tl & dlg->Model().timer(1).th & dlg->Model().timer(1).tl,
            0xFF);
        QCOMPARE(dlg->Model().crystalHz, 12000000u);
        QCOMPARE(dlg->Model().timer(0).time, 1u);
        QCOMPARE(dlg->Model().timer(1).time, 1u);
        for (int display : { ctl::Timer0Reload, ctl::Timer1Reload, ctl::BaudReload, ctl::BaudError })
            QVERIFY(ui->item(display)->toolTip().isEmpty());
    }

    void listsKeepTheirOrder()
    {
        QCOMPARE(ui->items(ctl::CrystalList), QString("1 2 3.6864 6 10 11.0592 12 22.1184 24 30 33 自定义").split(' '));
        QCOMPARE(ui->items(ctl::Int0Trigger), QString("低电平 下降沿").split(' '));
        QCOMPARE(ui->items(ctl::Int1Trigger), QString("低电平 下降沿").split(' '));
        const QStringList modes = QString("定时方式0 定时方式1 定时方式2 计数方式0 计数方式1 计数方式2").split(' ');
        QCOMPARE(ui->items(ctl::Timer0Mode), modes);
        QCOMPARE(ui->items(ctl::Timer1Mode), modes);
        // The listed rates at their indexes, then "其他…".
        QCOMPARE(ui->items(ctl::BaudList),
            QString("300 600 1200 2400 4800 9600 19200 38400 56000 57600 115200 其他…").split(' '));
    }

    // A screen reader names every edit and list after the label beside it,
    // each one differently: Qt's accessibility interface of each, on a chip
    // with every block, and as a period box turns into a count.
    void editsAndListsAreNamedAfterTheirLabels()
    {
        const struct {
            int id;
            const char* name;
        } rows[] = {
            { ctl::Int0Trigger, "INT0 触发方式" },
            { ctl::Int1Trigger, "INT1 触发方式" },
            { ctl::CrystalList, "晶振(MHz)" },
            { ctl::CustomMhz, "自定义晶振(MHz)" },
            { ctl::ChipList, "芯片" },
            { ctl::VendorHeader, "厂商头文件" },
            { ctl::BaudList, "波特率(bps)" },
            { ctl::Timer0Mode, "定时器0 工作方式" },
            { ctl::Timer1Period, "定时器1 定时时间(us)" },
            { ctl::Timer2Postscale, "定时器2 软件计数(×N)" },
            { ctl::OutputBox, "生成的代码" },
            { ctl::Timer0Period, "定时器0 计数值(plus)" },
        };
        // What a reader names it by: Qt on Unix names a list by its value
        // and its label by a relation, elsewhere by the accessible name.
        const auto nameOf = [](QWidget* w) {
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(w);
            const auto labels = control->relations(QAccessible::Label);
            return (labels.isEmpty() ? control : labels.first().first)->text(QAccessible::Name);
        };
        ui->choose(ctl::ChipList, 3); // STC15: the header box and timer 2's block
        ui->click(ctl::UseTimer0);
        ui->choose(ctl::Timer0Mode, 3);
        for (const auto& r : rows)
            QCOMPARE(nameOf(ui->item(r.id)), QString::fromUtf8(r.name));
        QSet<QString> names;
        for (QWidget* w : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
                QVERIFY2(!nameOf(w).isEmpty() && !names.contains(nameOf(w)), qPrintable(w->objectName()));
                names << nameOf(w);
            }
        }
    }

    // Its first entry closes, its last after a separator opens the About box.
    void systemMenu()
    {
        const QList<QAction*> actions = dlg->SystemMenu()->actions();
        QVERIFY(actions.size() >= 2);
        QVERIFY(actions.at(actions.size() - 2)->isSeparator());
        QCOMPARE(actions.last()->text(), QStringLiteral("关于 Orlet(&A)..."));
        QSignalSpy finished(dlg.get(), &QDialog::finished);
        actions.first()->trigger();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(CDialogBase::IDCANCEL));
    }

    // Showing a model changes ticks, selections, a typed list, texts and
    // the chip's names, and runs no handler.
    void programMadeChangesRunNoHandler()
    {
        COrletDlg fresh;
        QSignalSpy handlers(&fresh, &CDialogBase::handlerRun);
        fresh.Create();
        fresh.show();
        orlet::WindowModel model = fresh.Model();
        model.chip = orlet::ChipNamed("stc15");
        model.timer(0).use = true;
        model.timer(0).modeIndex = 3;
        model.timer(0).time = 77;
        model.timer(0).unit = "plus";
        model.crystalIndex = orlet::kCustomCrystalIndex; // the custom entry: no dialog may open
        model.baudIndex = 0;
        model.useInt1 = true;
        model.trigger1 = 0;
        model.vendorHeader = "stc15.h";
        fresh.ShowModel(model);
        QVERIFY(fresh.UpdateData(false));
        QVERIFY(fresh.UpdateData(true));
        QCOMPARE(handlers.count(), 0);
        QVERIFY(recorder->messages.isEmpty());
        QVERIFY(fresh.Model() == model);

        DialogDriver user(fresh);
        QCOMPARE(user.text(ctl::Timer0Period), QStringLiteral("77"));
        QCOMPARE(user.text(ctl::Int1Trigger), QStringLiteral("低电平"));
        user.click(ctl::UseInt0);
        QCOMPARE(handlers.count(), 1);
        QCOMPARE(handlers.at(0).at(0).toInt(), ctl::UseInt0);
    }

    // Each INT block used or not, on either trigger, with and without
    // comments.
    void generateWithIntBlocks_data()
    {
        QTest::addColumn<QStringList>("genArgs");
        for (const char* int0 : { "", "level", "falling" }) {
            for (const char* int1 : { "", "level", "falling" }) {
                for (bool comments : { false, true }) {
                    QStringList args;
                    if (*int0)
                        args << "--int0" << int0;
                    if (*int1)
                        args << "--int1" << int1;
                    if (comments)
                        args << "--comments";
                    QTest::addRow("%s", qPrintable(args.join(' '))) << args;
                }
            }
        }
    }

    void generateWithIntBlocks()
    {
        QFETCH(QStringList, genArgs);
        const struct {
            int use, trigger;
            const char* option;
        } blocks[] { { ctl::UseInt0, ctl::Int0Trigger, "--int0" }, { ctl::UseInt1, ctl::Int1Trigger, "--int1" } };
        for (const auto& [use, trigger, name] : blocks) {
            const qsizetype option = genArgs.indexOf(name);
            ui->click(use);
            QVERIFY(ui->enabled(trigger));
            if (option < 0)
                ui->click(use);
            else if (genArgs.at(option + 1) == "level")
                ui->choose(trigger, 0);
            QCOMPARE(ui->enabled(trigger), option >= 0);
        }
        if (genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs)); // twice gives the same text
    }

    // A trigger chosen stays while its block is off, and writes nothing then.
    void intTriggerSurvivesSwitchingOff()
    {
        ui->click(ctl::UseInt0);
        ui->choose(ctl::Int0Trigger, 0);
        ui->click(ctl::UseInt0);
        QVERIFY(!ui->enabled(ctl::Int0Trigger));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({}));
        ui->click(ctl::UseInt0);
        QCOMPARE(ui->text(ctl::Int0Trigger), QStringLiteral("低电平"));
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen({ "--int0", "level" }));
    }

    // A typed text that is no item counts as the falling edge, even over a
    // chosen low level, and never becomes an item.
    void typedTriggerTextCountsAsNoSelection()
    {
        const struct {
            bool chooseLevel;
            const char* typed;
            const char* trigger;
        } steps[] = { { false, "xyz", "falling" }, { false, "低电平", "level" }, { true, "xyz", "falling" } };
        ui->click(ctl::UseInt1);
        for (const auto& step : steps) {
            if (step.chooseLevel)
                ui->choose(ctl::Int1Trigger, 0);
            ui->typeOver(ctl::Int1Trigger, QString::fromUtf8(step.typed));
            ui->click(ctl::GenerateButton);
            QCOMPARE(dlg->OutputText(), orletGen({ "--int1", step.trigger }));
        }
        QCOMPARE(ui->items(ctl::Int1Trigger).size(), 2);
    }

    void copyPutsTheWholeTextOnTheClipboard()
    {
        QApplication::clipboard()->setText("before");
        ui->click(ctl::UseInt0);
        ui->click(ctl::GenerateButton);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        auto* box = ui->as<QPlainTextEdit>(ctl::OutputBox);
        QVERIFY(!box->textCursor().hasSelection());
        QCOMPARE(box->textCursor().position(), box->document()->characterCount() - 1);

        ui->click(ctl::CopyCheck);
        ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(QApplication::clipboard()->text(), clipboardText(box->toPlainText()));
        QVERIFY(QApplication::clipboard()->text().contains("//INT0下降沿中断"));
        QCOMPARE(box->textCursor().selectedText().size(), box->toPlainText().size());
        // Plain text only: nothing that brings formatting into a word processor.
        QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList { "text/plain" });
    }

    // Generate replaces the whole box, edits included, in one step that
    // Ctrl+Z takes back; the introductory text before it never goes. Enter
    // in the box generates, Ctrl+Enter breaks the line.
    void generateReplacesTheBoxUndoably()
    {
        auto* box = ui->as<QPlainTextEdit>(ctl::OutputBox);
        const QString introduction = box->toPlainText();
        QVERIFY(!box->document()->isUndoAvailable());

        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), QStringLiteral("#include \"reg51.h\"\r\n\r\nvoid main(void)\r\n{\r\n}"));
        const QString generated = box->toPlainText();
        ui->pressKey(ctl::OutputBox, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), introduction);
        ui->pressKey(ctl::OutputBox, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), introduction);

        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, " typed work");
        const QString edited = box->toPlainText();
        ui->pressKey(ctl::OutputBox, Qt::Key_Return); // Enter generates
        QCOMPARE(box->toPlainText(), generated);
        ui->pressKey(ctl::OutputBox, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), edited);
        ui->pressKey(ctl::OutputBox, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), generated);
        ui->pressKey(ctl::OutputBox, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), generated + '\n');
        QVERIFY(dlg->isVisible());
    }

    // While an exchange runs nothing reaches a handler, not even a click
    // made while its message box is up.
    void noHandlerRunsDuringAnExchange()
    {
        ui->click(ctl::UseTimer0);
        ui->as<QLineEdit>(ctl::Timer0Period)->setText(QString());
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);
        recorder->onMessage = [this](const MessageRequest&) {
            QTest::mouseClick(ui->item(ctl::UseInt0), Qt::LeftButton);
            QTest::mouseClick(ui->item(ctl::UseTimer0), Qt::LeftButton);
        };
        QVERIFY(!dlg->UpdateData(true));
        expectMessage("请输入一个正整数。");
        QCOMPARE(handlers.count(), 0);
        QVERIFY(!ui->enabled(ctl::Int0Trigger));
        QVERIFY(ui->enabled(ctl::Timer0Mode));
    }

    void enterOnACheckBoxGenerates()
    {
        ui->click(ctl::UseInt0);
        ui->pressKey(ctl::UseInt0, Qt::Key_Return);
        QVERIFY(dlg->OutputText().contains("EX0=1;"));
    }

    void enterAtStartCloses()
    {
        QSignalSpy finished(dlg.get(), &QDialog::finished);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(CDialogBase::IDOK));
    }

    // Close reads the period box first: a bad one keeps the window open
    // with the focus on it, and Escape still closes.
    void closeReadsThePeriod_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("refused");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("above 32 bits") << QStringLiteral("4294967296") << true;
        QTest::newRow("blanks only") << QStringLiteral("   ") << true;
        QTest::newRow("largest with blanks") << QStringLiteral(" 4294967295 ") << false;
    }

    void closeReadsThePeriod()
    {
        QFETCH(QString, period);
        QFETCH(bool, refused);
        ui->click(ctl::UseTimer0);
        ui->as<QLineEdit>(ctl::Timer0Period)->setText(period);
        QSignalSpy finished(dlg.get(), &QDialog::finished);
        ui->click(ctl::CloseButton);
        if (!refused) {
            QCOMPARE(finished.count(), 1);
            QCOMPARE(dlg->Model().timer(0).time, 4294967295u);
            return;
        }
        expectMessage("请输入一个正整数。");
        QCOMPARE(finished.count(), 0);
        QCOMPARE(QApplication::focusWidget(), ui->item(ctl::Timer0Period));

        QTest::keyClick(ui->item(ctl::Timer0Period), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(CDialogBase::IDCANCEL));
    }

    void aboutFromTheButton()
    {
        QString title;
        QString product;
        OnNextModal([&](QWidget* modal) {
            title = modal->windowTitle();
            product = modal->findChild<QLabel*>("labelTitle")->text();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        ui->click(ctl::AboutButton);
        QCOMPARE(title, QStringLiteral("关于 Orlet"));
        QVERIFY(product.startsWith(QStringLiteral("Orlet 8051 C 代码生成器 " ORLET_VERSION_MAJOR_MINOR " 版<br>")));
        QVERIFY(dlg->isVisible());
    }

    void aboutNamesTheAddressAndShowsTheNotices()
    {
        CAboutDlg box;
        box.Create();
        const QString contact = box.findChild<QLabel*>("labelContact")->text();
        QVERIFY2(contact.contains(QStringLiteral("href=\"" ORLET_HOMEPAGE "/issues\"")), qPrintable(contact));
        QString notices;
        OnNextModal([&](QWidget* modal) {
            notices = modal->findChild<QPlainTextEdit*>("noticesText")->toPlainText();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        emit box.findChild<QLabel*>("labelTitle")->linkActivated(QStringLiteral("#notices"));
        for (const char* part : { "MIT License", "GNU LESSER GENERAL PUBLIC LICENSE", "GNU GENERAL PUBLIC LICENSE",
                 "GCC RUNTIME LIBRARY EXCEPTION", "qt6-base 6.4.2" })
            QVERIFY2(notices.contains(QLatin1String(part)), part);
    }

    void aboutFromSystemCommands_data()
    {
        QTest::addColumn<unsigned>("command");
        QTest::addColumn<bool>("opens");
        for (unsigned id = 16; id <= 31; ++id)
            QTest::addRow("%u", id) << id << true;
        QTest::newRow("32") << 32u << false;
        QTest::newRow("0") << 0u << false;
    }

    void aboutFromSystemCommands()
    {
        QFETCH(unsigned, command);
        QFETCH(bool, opens);
        bool opened = false;
        OnNextModal([&](QWidget* modal) {
            opened = true;
            QTest::mouseClick(qobject_cast<CDialogBase*>(modal)->GetDlgItem(ctl::AboutOkButton), Qt::LeftButton);
        });
        dlg->HandleSystemCommand(command, 0);
        QTest::qWait(opens ? 0 : 30);
        QCOMPARE(opened, opens);
        QCOMPARE(PendingModalWatchers(), opens ? 0 : 1); // the fixture's cleanup ends it
    }

    // A watcher whose modal window never came is gone with its test: the
    // next test's modal window is not handed to the dead test's action.
    void aWatcherEndsWithItsTest()
    {
        bool staleRan = false;
        OnNextModal([&staleRan](QWidget* modal) {
            staleRan = true;
            modal->close();
        });
        QCOMPARE(PendingModalWatchers(), 1);
        // What the fixture does between two test functions.
        closeWindow();
        QVERIFY(openWindow());
        QCOMPARE(PendingModalWatchers(), 0);
        OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        ui->click(ctl::AboutButton);
        QVERIFY(!staleRan);
    }

    void centredIconOrigin_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("wide") << 100 << 60 << QPoint(34, 14);
        QTest::newRow("odd") << 33 << 34 << QPoint(1, 1);
        QTest::newRow("narrow truncates toward zero") << 20 << 20 << QPoint(-5, -5);
        QTest::newRow("empty") << 0 << 0 << QPoint(-15, -15);
    }

    void centredIconOrigin()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QPoint, origin);
        QCOMPARE(CentredIconOrigin(width, height, 32, 32), origin);
    }

    // The screenshots show each window whole at its fixed size, with no
    // control cut off or over another.
    void screenshotOfTheFirstState()
    {
        QVERIFY(dlg->width() >= 603 && dlg->height() >= 383); // the template, never smaller
        CAboutDlg about;
        about.Create();
        about.show();
        const std::pair<QWidget*, QString> shots[] { { dlg.get(), "first-state" }, { &about, "about" } };
        for (const auto& [dialog, name] : shots) {
            QVERIFY(dialog->grab().save(QStringLiteral(ORLET_TEST_OUTPUT_DIR "/%1.png").arg(name)));
            const QStringList problems = ClippedControls(*dialog) + MisplacedControls(*dialog);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
