#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"
#include "TimerBlocks.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

enum Crystal { Mhz3_6864 = 2, Mhz11_0592 = 5, Mhz12 = 6, Mhz22_1184 = 7, Mhz33 = 10 };

// The controls added to each timer block, beside TimerBlocks.h's.
struct TimingControls {
    int actual, postscale;
};
constexpr TimingControls kTiming[2] = {
    { ctl::Timer0Actual, ctl::Timer0Postscale },
    { ctl::Timer1Actual, ctl::Timer1Postscale },
};

const QString kNoNumber = QStringLiteral("请输入一个正整数。");
const QString kPostscaleRange = QStringLiteral("软件计数应在1~65535之间");

} // namespace

// The exact-count box, the real-period lines, the software counters and the
// derivation tooltips.
class PrecisionTest : public MainWindowFixture
{
    Q_OBJECT

private:
    std::uint32_t postscale(int t) const { return t == 0 ? dlg->m_postscale0 : dlg->m_postscale1; }
    QString tip(int id) const { return ui->item(id)->toolTip(); }

    // Crystal, exact box, use box, mode, postscale and period, in the order a
    // user sets them.
    void setUp(int t, int crystal, bool exact, int mode, const QString& period, const QString& n = "1")
    {
        ui->choose(ctl::CrystalList, crystal);
        if (exact)
            ui->click(ctl::ExactCheck);
        ui->click(kBlocks[t].use);
        ui->choose(kBlocks[t].mode, mode);
        if (n != "1")
            ui->typeOver(kTiming[t].postscale, n);
        ui->pasteOver(kBlocks[t].period, period);
    }

private slots:
    void firstState_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("text");
        QTest::newRow("exact") << int(ctl::ExactCheck) << true << "精确计算";
        QTest::newRow("drift-free") << int(ctl::DriftFreeCheck) << true << "无累积误差";
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("timer%d line", t) << kTiming[t].actual << false << "";
            QTest::addRow("timer%d postscale", t) << kTiming[t].postscale << false << "1";
        }
    }

    void firstState()
    {
        QFETCH(int, id);
        QFETCH(bool, enabled);
        QFETCH(QString, text);
        QCOMPARE(ui->enabled(id), enabled);
        QCOMPARE(ui->text(id), text);
        QVERIFY(!ui->checked(ctl::ExactCheck));
        QVERIFY(!ui->checked(ctl::DriftFreeCheck));
        for (int display : { ctl::Timer0Reload, ctl::Timer1Reload, ctl::BaudReload, ctl::BaudError })
            QVERIFY(tip(display).isEmpty());
    }

    // The window's own controls keep their order; each new one follows the
    // control of its block.
    void newControlsFollowTheirBlocksInTheTabOrder()
    {
        QList<int> order;
        QWidget* first = ui->item(ctl::CloseButton);
        for (QWidget* w = first; order.isEmpty() || w != first; w = w->nextInFocusChain()) {
            const int id = w->property("controlId").toInt();
            if (id && (w->focusPolicy() & Qt::TabFocus))
                order << id;
        }
        const QList<std::pair<int, int>> added { { ctl::ExactCheck, ctl::CustomMhz },
            { ctl::DriftFreeCheck, ctl::ExactCheck }, { ctl::Timer0Postscale, ctl::Gate0 },
            { ctl::Timer1Postscale, ctl::Gate1 }, { ctl::ChipList, ctl::CrystalList },
            { ctl::SixTCheck, ctl::ChipList }, { ctl::VendorHeader, ctl::SixTCheck },
            { ctl::Timer0Clock, ctl::UseTimer0 }, { ctl::Timer1Clock, ctl::UseTimer1 },
            { ctl::UartTimer2, ctl::BaudList }, { ctl::UseTimer2, ctl::DoubleBaud },
            { ctl::Timer2Clock, ctl::UseTimer2 }, { ctl::Timer2Mode, ctl::Timer2Clock },
            { ctl::Timer2Postscale, ctl::Timer2Mode }, { ctl::Timer2Period, ctl::Timer2Postscale } };
        QList<int> own = order;
        for (const auto& [id, after] : added) {
            QCOMPARE(order.count(id), 1);
            QCOMPARE(order.indexOf(id), order.indexOf(after) + 1);
            own.removeOne(id);
        }
        const QList<int> templateOrder { 1, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012,
            1013, 1014, 1019, 1022, 1023, 1025, 1026, 1029, 1030, 1031, 1032 };
        QCOMPARE(own, templateOrder);
    }

    // A caption greys out with its box.
    void postscaleCaptionFollowsItsBox()
    {
        const std::pair<const char*, int> captions[] { { "labelPostscale0", ctl::Timer0Postscale },
            { "labelPostscale1", ctl::Timer1Postscale } };
        for (const auto& [caption, box] : captions) {
            auto* label = dlg->findChild<QLabel*>(caption);
            QCOMPARE(label->isEnabled(), ui->enabled(box));
            QVERIFY(!label->isEnabled());
        }
        ui->click(ctl::UseTimer0);
        QVERIFY(dlg->findChild<QLabel*>("labelPostscale0")->isEnabled());
        QVERIFY(!dlg->findChild<QLabel*>("labelPostscale1")->isEnabled());
        ui->click(ctl::UseTimer0);
        QVERIFY(!dlg->findChild<QLabel*>("labelPostscale0")->isEnabled());
    }

    // The new controls sit in free space: inside the window (a timer's in
    // its group box) and over no other control.
    void newControlsOverlapNothing_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("group");
        QTest::newRow("exact") << int(ctl::ExactCheck) << "";
        QTest::newRow("drift-free") << int(ctl::DriftFreeCheck) << "";
        QTest::newRow("chip list") << int(ctl::ChipList) << "";
        QTest::newRow("timer0 line") << int(ctl::Timer0Actual) << "groupTIME0";
        QTest::newRow("timer0 postscale") << int(ctl::Timer0Postscale) << "groupTIME0";
        QTest::newRow("timer1 line") << int(ctl::Timer1Actual) << "groupTIME1";
        QTest::newRow("timer1 postscale") << int(ctl::Timer1Postscale) << "groupTIME1";
    }

    void newControlsOverlapNothing()
    {
        QFETCH(int, id);
        QFETCH(QString, group);
        const QRect box = ui->item(id)->geometry();
        QVERIFY(dlg->rect().contains(box));
        // Clear of the group's frame on both sides, whatever the scale.
        if (!group.isEmpty())
            QVERIFY(dlg->findChild<QGroupBox*>(group)->geometry().adjusted(4, 0, -4, 0).contains(box));
        for (QWidget* other : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other == ui->item(id) || qobject_cast<QGroupBox*>(other) || other->isWindow())
                continue;
            QVERIFY2(!other->geometry().intersects(box), qPrintable(other->objectName()));
        }
    }

    // ---- The real-period line ---------------------------------------------

    void realPeriodLine_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("crystal");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("line");
        const struct {
            int crystal;
            bool exact;
            int mode;
            const char *period, *n, *display, *line;
        } rows[] = {
            // What orlet-gen --json --dialect sdcc --timer0 1:1000 gives as interruptCycles0 and drift.
            { Mhz12, false, 1, "1000", "1", "fcH,18H", "实际 1007.00us +0.70% 每天 +605s" },
            { Mhz11_0592, false, 1, "1000", "1", "fcH,6cH", "实际 1001.52us +0.15% 每天 +131s" },
            { Mhz11_0592, true, 1, "1000", "1", "fcH,66H", "实际 1008.03us +0.80% 每天 +694s" },
            { Mhz11_0592, true, 1, "50000", "1", "4cH,0H", "实际 50.008ms +0.02% 每天 +13s" },
            { Mhz3_6864, false, 1, "1000", "1", "ffH,6H", "实际 836.59us -16.34% 每天 -14119s" },
            { Mhz3_6864, true, 1, "1000", "1", "feH,cdH", "实际 1018.88us +1.89% 每天 +1631s" },
            { Mhz22_1184, true, 2, "100", "1", "48H,48H", "实际 99.83us -0.17% 每天 -150s" },
            { Mhz12, false, 1, "62500", "16", "bH,dcH", "实际 1.0002s +0.02% 每天 +14s" },
            { Mhz11_0592, true, 1, "50000", "20", "4cH,0H", "实际 1.0002s +0.02% 每天 +19s" },
            { Mhz12, false, 0, "0", "1", "ffH,1fH",
                "实际 7.00us" }, // the reload adds 6 cycles; a period of 0 has no error
            { Mhz12, false, 4, "1000", "1", "fcH,18H", "" }, // counting pulses
            { Mhz12, false, 5, "10", "3", "f6H,f6H", "" },
        };
        for (int t = 0; t < 2; ++t) {
            for (const auto& r : rows) {
                QTest::addRow(
                    "timer%d crystal%d%s mode%d %s x%s", t, r.crystal, r.exact ? " exact" : "", r.mode, r.period, r.n)
                    << t << r.crystal << r.exact << r.mode << QString(r.period) << QString(r.n) << QString(r.display)
                    << QString::fromUtf8(r.line);
            }
        }
    }

    void realPeriodLine()
    {
        QFETCH(int, timer);
        QFETCH(int, crystal);
        QFETCH(bool, exact);
        QFETCH(int, mode);
        QFETCH(QString, period);
        QFETCH(QString, n);
        QFETCH(QString, display);
        QFETCH(QString, line);
        setUp(timer, crystal, exact, mode, period, n);
        QVERIFY(recorder->messages.isEmpty());
        QCOMPARE(ui->text(kBlocks[timer].display), display);
        QCOMPARE(ui->text(kTiming[timer].actual), line);
        QCOMPARE(postscale(timer), n.toUInt());
    }

    void lineIsEmptyAfterSwitchOff_data()
    {
        QTest::addColumn<int>("timer");
        QTest::newRow("timer0") << 0;
        QTest::newRow("timer1") << 1;
    }

    void lineIsEmptyAfterSwitchOff()
    {
        QFETCH(int, timer);
        const TimerBlock& b = kBlocks[timer];
        setUp(timer, Mhz12, false, 1, "1000", "7");
        QCOMPARE(ui->text(kTiming[timer].actual), QStringLiteral("实际 7070.00us +1.00% 每天 +864s"));
        QVERIFY(!tip(b.display).isEmpty());

        ui->click(b.use);
        QCOMPARE(ui->text(kTiming[timer].actual), QString());
        QCOMPARE(ui->text(kTiming[timer].postscale), QStringLiteral("1"));
        QCOMPARE(postscale(timer), 1u);
        QVERIFY(tip(b.display).isEmpty());
        QVERIFY(!ui->enabled(kTiming[timer].postscale));
        QVERIFY(!ui->enabled(kTiming[timer].actual));

        ui->click(b.use); // on again: nothing is computed until a setting changes
        QVERIFY(ui->enabled(kTiming[timer].postscale));
        QCOMPARE(ui->text(kTiming[timer].actual), QString());
        ui->choose(b.mode, 4);
        QCOMPARE(ui->text(kTiming[timer].actual), QString());
        QVERIFY(recorder->messages.isEmpty());
    }

    void serialPortResetsTimer1sCounter()
    {
        setUp(1, Mhz12, false, 1, "1000", "5");
        ui->click(ctl::UseUart);
        QCOMPARE(postscale(1), 1u);
        QCOMPARE(ui->text(ctl::Timer1Actual), QString());
        QVERIFY(!ui->enabled(ctl::Timer1Postscale));
    }

    // ---- Periods too long, and the software counter ------------------------

    void rangeErrorSuggestsTheSplit_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("line");
        QTest::newRow("1 s, mode 1") << int(Mhz12) << false << 1 << "1000000"
                                     << "1"
                                     << "定时时间超出16位范围"
                                     << "65536"
                                     << "可用 方式2 250us × 4000 或 62500us × 16";
        QTest::newRow("1 s, mode 1, exact") << int(Mhz11_0592) << true << 1 << "1000000"
                                            << "1"
                                            << "定时时间超出16位范围"
                                            << "71111"
                                            << "可用 方式2 278us × 3600 或 62500us × 16";
        QTest::newRow("1 s, already x2") << int(Mhz12) << false << 1 << "1000000"
                                         << "2"
                                         << "定时时间超出16位范围"
                                         << "65536"
                                         << "可用 方式2 250us × 8000 或 62500us × 32";
        QTest::newRow("1 ms, mode 2") << int(Mhz12) << false << 2 << "1000"
                                      << "1"
                                      << "定时时间超出8位范围"
                                      << "256"
                                      << "可用 250us × 4";
        QTest::newRow("a prime") << int(Mhz12) << false << 1 << "1000003"
                                 << "1"
                                 << "定时时间超出16位范围"
                                 << "65536"
                                 << "无法分解为整数微秒";
        QTest::newRow("pulses") << int(Mhz12) << false << 5 << "300"
                                << "1"
                                << "计数值超出8位范围"
                                << "256"
                                << "";
    }

    void rangeErrorSuggestsTheSplit()
    {
        QFETCH(int, crystal);
        QFETCH(bool, exact);
        QFETCH(int, mode);
        QFETCH(QString, period);
        QFETCH(QString, n);
        QFETCH(QString, message);
        QFETCH(QString, after);
        QFETCH(QString, line);
        setUp(0, crystal, exact, mode, period, n);
        QCOMPARE(recorder->texts(), QStringList { message });
        QCOMPARE(ui->text(ctl::Timer0Period), after);
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("0H,0H"));
        QCOMPARE(ui->text(ctl::Timer0Actual), line);
        QVERIFY(tip(ctl::Timer0Reload).startsWith(message));
    }

    void followingTheSuggestionReachesThePeriod()
    {
        setUp(0, Mhz12, false, 1, "1000000");
        recorder->clear();
        ui->typeOver(ctl::Timer0Postscale, "16");
        // Nothing is recomputed: the hint and the bytes stay as the error left them.
        QCOMPARE(ui->text(ctl::Timer0Actual), QStringLiteral("可用 方式2 250us × 4000 或 62500us × 16"));
        QCOMPARE(dlg->m_th0, 0);
        QCOMPARE(ui->text(ctl::Timer0Period), QStringLiteral("65536"));
        ui->pasteOver(ctl::Timer0Period, "62500");
        QCOMPARE(ui->text(ctl::Timer0Actual), QStringLiteral("实际 1.0002s +0.02% 每天 +14s"));
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("bH,dcH"));
        QVERIFY(recorder->messages.isEmpty());
    }

    void postscaleChangesOnlyTheLine()
    {
        setUp(1, Mhz12, false, 1, "50000");
        QCOMPARE(ui->text(ctl::Timer1Actual), QStringLiteral("实际 50.007ms +0.01% 每天 +12s"));
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);
        ui->typeOver(ctl::Timer1Postscale, "20");
        QCOMPARE(handlers.count(), 2); // one per keystroke, none from the exchanges
        QCOMPARE(ui->text(ctl::Timer1Actual), QStringLiteral("实际 1.0002s +0.02% 每天 +17s"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("3cH,b0H"));
        QCOMPARE(ui->text(ctl::Timer1Period), QStringLiteral("50000"));
        QCOMPARE(dlg->m_postscale1, 20u);
        QVERIFY(recorder->messages.isEmpty());
    }

    void badPostscaleInput_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        enum { Type, Paste, Erase };
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("timer%d 0", t) << t << int(Type) << "0" << kPostscaleRange;
            QTest::addRow("timer%d 65536", t) << t << int(Paste) << "65536" << kPostscaleRange;
            QTest::addRow("timer%d 4294967296", t) << t << int(Paste) << "4294967296" << kNoNumber;
            QTest::addRow("timer%d emptied", t) << t << int(Erase) << "" << kNoNumber;
            QTest::addRow("timer%d letters", t) << t << int(Paste) << "abc"
                                                << "";
            QTest::addRow("timer%d typed minus", t) << t << int(Type) << "-"
                                                    << "";
        }
    }

    void badPostscaleInput()
    {
        QFETCH(int, timer);
        QFETCH(int, action);
        QFETCH(QString, text);
        QFETCH(QString, message);
        const int box = kTiming[timer].postscale;
        setUp(timer, Mhz12, false, 1, "1000", "12");
        const QString line = ui->text(kTiming[timer].actual);
        QCOMPARE(line, QStringLiteral("实际 12.120ms +1.00% 每天 +864s"));

        if (action == 0) {
            ui->typeOver(box, text);
        } else if (action == 1) {
            ui->pasteOver(box, text);
        } else {
            ui->pressKey(box, Qt::Key_A, Qt::ControlModifier);
            ui->pressKey(box, Qt::Key_Backspace);
        }

        QCOMPARE(recorder->texts(), message.isEmpty() ? QStringList() : QStringList { message });
        if (!message.isEmpty()) {
            QCOMPARE(recorder->messages.first().caption, QString());
            QCOMPARE(recorder->messages.first().owner, dlg.get());
        }
        QCOMPARE(ui->text(box), QStringLiteral("12"));
        QCOMPARE(postscale(timer), 12u);
        QCOMPARE(ui->text(kTiming[timer].actual), line);

        recorder->clear(); // and the box still works
        ui->typeOver(box, "3");
        QCOMPARE(ui->text(kTiming[timer].actual), QStringLiteral("实际 3030.00us +1.00% 每天 +864s"));
        QVERIFY(recorder->messages.isEmpty());
    }

    // ---- The exact count ----------------------------------------------------

    void exactBoxAloneComputesNothing()
    {
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);
        ui->click(ctl::ExactCheck);
        QCOMPARE(handlers.count(), 1);
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("ffH,ffH"));
        QCOMPARE(ui->text(ctl::BaudReload), QString());
        QCOMPARE(ui->text(ctl::Timer0Actual), QString());
        QVERIFY(recorder->messages.isEmpty());
    }

    // ---- Tooltips -------------------------------------------------------------

    void reloadTooltips_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("n");
        QTest::addColumn<QStringList>("has");
        QTest::addColumn<QStringList>("hasNot");
        QTest::newRow("whole megahertz") << int(Mhz11_0592) << false << 1 << "1000"
                                         << "1"
                                         << QStringList { "11059200 Hz 计为 11 MHz", "n = ⌊11×1000/12⌋ = 916",
                                                "初值：65536 − 916 = 64620 = 0xfc6c", "= 993.9236 us，误差 -0.6076%",
                                                "中断间隔 916 + 7 = 923 个机器周期", "+1519.1 ppm，每天 +131s" }
                                         << QStringList { "按整数兆赫为", "软件计数" };
        QTest::newRow("exact") << int(Mhz11_0592) << true << 1 << "1000"
                               << "1"
                               << QStringList { "n = ⌊11059200×1000/12000000+0.5⌋ = 922", "（按整数兆赫为 916）",
                                      "误差 +0.0434%" }
                               << QStringList {};
        QTest::newRow("mode 0") << int(Mhz12) << false << 0 << "1000"
                                << "1" << QStringList { "初值：8192 − 1000 = 7192", "/32 = 0xe0", "%32 = 0x18" }
                                << QStringList {};
        QTest::newRow("mode 2") << int(Mhz12) << false << 2 << "100"
                                << "1" << QStringList { "= 0x9c", "硬件自动重装，不另加机器周期" }
                                << QStringList { "实测" };
        QTest::newRow("software counter")
            << int(Mhz12) << false << 1 << "62500"
            << "16" << QStringList { "每 16 次中断", "16×62500.0000 = 1000000.0000 us" } << QStringList {};
        QTest::newRow("pulses") << int(Mhz12) << false << 4 << "200"
                                << "1" << QStringList { "计数方式1", "n = 200 个脉冲", "初值：65536 − 200 = 65336" }
                                << QStringList { "实际周期", "机器周期" };
    }

    void reloadTooltips()
    {
        QFETCH(int, crystal);
        QFETCH(bool, exact);
        QFETCH(int, mode);
        QFETCH(QString, period);
        QFETCH(QString, n);
        QFETCH(QStringList, has);
        QFETCH(QStringList, hasNot);
        setUp(1, crystal, exact, mode, period, n);
        const QString text = tip(ctl::Timer1Reload);
        for (const QString& part : has)
            QVERIFY2(text.contains(part), qPrintable(text));
        for (const QString& part : hasNot)
            QVERIFY2(!text.contains(part), qPrintable(text));
        QVERIFY(text.contains("TH1"));
    }

    void baudTooltips_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QStringList>("has");
        QTest::newRow("whole") << int(Mhz12) << false
                               << QStringList { "9600 bps", "q = ⌊12000000/9600⌋ = 1250", "TH1 = TL1 = 0xfd",
                                      "= 7.8400%", "不另加机器周期" };
        QTest::newRow("exact") << int(
            Mhz33) << true << QStringList { "x = k×f/(384×波特率) = 1×33000000/(384×9600)", "= 0xf7", "按精确晶振" };
    }

    void baudTooltips()
    {
        QFETCH(int, crystal);
        QFETCH(bool, exact);
        QFETCH(QStringList, has);
        ui->choose(ctl::CrystalList, crystal);
        if (exact)
            ui->click(ctl::ExactCheck);
        ui->click(ctl::UseUart);
        for (int id : { ctl::BaudReload, ctl::BaudError }) {
            for (const QString& part : has)
                QVERIFY2(tip(id).contains(part), qPrintable(tip(id)));
        }
    }

    // ---- Generate ---------------------------------------------------------------

    void generateWritesTheSoftwareCounter_data()
    {
        QTest::addColumn<int>("crystal");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QString>("period0");
        QTest::addColumn<QString>("n0");
        QTest::addColumn<QString>("n1");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("1 s at 12 MHz, 400 x 250 us")
            << int(Mhz12) << false << "62500"
            << "16"
            << "400"
            << "--timer0 1:62500 --postscale0 16 --timer1 2:250 --postscale1 400 --comments";
        QTest::newRow("exact 11.0592 MHz")
            << int(Mhz11_0592) << true << "50000"
            << "20"
            << "1"
            << "--crystal 11.0592 --exact --timer0 1:50000 --postscale0 20 --timer1 2:250";
        QTest::newRow("N of 1 changes nothing") << int(Mhz12) << false << "62500"
                                                << "1"
                                                << "1"
                                                << "--timer0 1:62500 --timer1 2:250 --comments";
    }

    void generateWritesTheSoftwareCounter()
    {
        QFETCH(int, crystal);
        QFETCH(bool, exact);
        QFETCH(QString, period0);
        QFETCH(QString, n0);
        QFETCH(QString, n1);
        QFETCH(QString, genArgs);
        setUp(0, crystal, exact, 1, period0, n0);
        ui->click(ctl::UseTimer1);
        ui->choose(ctl::Timer1Mode, 2);
        if (n1 != "1")
            ui->typeOver(ctl::Timer1Postscale, n1);
        ui->pasteOver(ctl::Timer1Period, "250");
        if (genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
        QVERIFY(recorder->messages.isEmpty());
    }

    // ---- Drift-free timing ---------------------------------------------------

    // The box changes what the routine makes of the bytes, never the bytes:
    // the line and tooltip follow it both ways, without a message.
    void driftFreeLine_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tipHas");
        const struct {
            int mode;
            const char *period, *n, *line, *tipHas;
        } rows[] = {
            { 1, "1000", "1", "实际 1000.00us +0.00%", "中断间隔即 1000 个机器周期" },
            { 0, "5000", "1", "实际 5000.00us +0.00%", "方式2硬件重装无累积误差：周期框填 250" },
            { 1, "50000", "20", "实际 1.0000s +0.00%", "TL%1 += 0x" },
            { 2, "100", "1", "实际 100.00us +0.00%", "方式2由硬件自动重装" },
            { 1, "65536", "1", "无累积误差 可用 方式2 256us × 256",
                "无累积误差：方式1的计数应在100~65024个机器周期之间，此为 65536" },
            { 1, "50", "1", "无累积误差须100~65024周期", "溢出后已计的数丢失" },
            { 4, "1000", "1", "", "溢出到重装之间来的脉冲不计入" },
        };
        for (int t = 0; t < 2; ++t) {
            for (const auto& r : rows) {
                QTest::addRow("timer%d mode%d %s x%s", t, r.mode, r.period, r.n)
                    << t << r.mode << QString(r.period) << QString(r.n) << QString::fromUtf8(r.line)
                    << QString::fromUtf8(r.tipHas).arg(t);
            }
        }
    }

    void driftFreeLine()
    {
        QFETCH(int, timer);
        QFETCH(int, mode);
        QFETCH(QString, period);
        QFETCH(QString, n);
        QFETCH(QString, line);
        QFETCH(QString, tipHas);
        setUp(timer, Mhz12, false, mode, period, n);
        const QString before = ui->text(kTiming[timer].actual);
        const QString display = ui->text(kBlocks[timer].display);
        const QString tipBefore = tip(kBlocks[timer].display);
        ui->click(ctl::DriftFreeCheck);
        QCOMPARE(ui->text(kTiming[timer].actual), line);
        QVERIFY2(tip(kBlocks[timer].display).contains(tipHas), qPrintable(tip(kBlocks[timer].display)));
        QCOMPARE(ui->text(kBlocks[timer].display), display);
        ui->click(ctl::DriftFreeCheck);
        QCOMPARE(ui->text(kTiming[timer].actual), before);
        QCOMPARE(tip(kBlocks[timer].display), tipBefore);
        QVERIFY(recorder->messages.isEmpty());
    }

    // Generate writes what orlet-gen --drift-free writes for the same settings.
    void generateDriftFree_data()
    {
        QTest::addColumn<int>("mode0");
        QTest::addColumn<QString>("period0");
        QTest::addColumn<QString>("n0");
        QTest::addColumn<bool>("comments");
        QTest::addColumn<QString>("genArgs");
        QTest::newRow("mode 1") << 1 << "1000"
                                << "1" << false << "--drift-free --timer0 1:1000 --timer1 2:250";
        QTest::newRow("mode 0 with comments")
            << 0 << "5000"
            << "1" << true << "--drift-free --timer0 0:5000 --timer1 2:250 --comments";
        QTest::newRow("software counter")
            << 1 << "50000"
            << "20" << true << "--drift-free --timer0 1:50000 --postscale0 20 --timer1 2:250 --comments";
        QTest::newRow("counting pulses") << 4 << "1000"
                                         << "1" << false << "--drift-free --counter0 1:1000 --timer1 2:250";
    }

    void generateDriftFree()
    {
        QFETCH(int, mode0);
        QFETCH(QString, period0);
        QFETCH(QString, n0);
        QFETCH(bool, comments);
        QFETCH(QString, genArgs);
        setUp(0, Mhz12, false, mode0, period0, n0);
        setUp(1, Mhz12, false, 2, "250");
        ui->click(ctl::DriftFreeCheck);
        if (comments)
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(genArgs.split(' ')));
        QVERIFY(recorder->messages.isEmpty());
    }

    // A count the routine cannot keep exact is refused, as orlet-gen
    // refuses it: a message, and the output box keeps what it holds.
    void generateRefusesWhatDriftFreeCannotKeep_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("message");
        QTest::newRow("65536 us in mode 1") << 0 << 1 << "65536"
                                            << "无累积误差：方式1的计数应在100~65024个机器周期之间";
        QTest::newRow("50 us in mode 1") << 1 << 1 << "50"
                                         << "无累积误差：方式1的计数应在100~65024个机器周期之间";
        QTest::newRow("8192 us in mode 0") << 1 << 0 << "8192"
                                           << "无累积误差：方式0的计数应在100~8128个机器周期之间";
    }

    void generateRefusesWhatDriftFreeCannotKeep()
    {
        QFETCH(int, timer);
        QFETCH(int, mode);
        QFETCH(QString, period);
        QFETCH(QString, message);
        setUp(timer, Mhz12, false, mode, period);
        const QString before = dlg->OutputText();
        ui->click(ctl::DriftFreeCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages.front().text, message);
        QCOMPARE(recorder->messages.front().caption, QString());
        QCOMPARE(dlg->OutputText(), before);
        // Unticked, the same settings generate as always.
        recorder->clear();
        ui->click(ctl::DriftFreeCheck);
        ui->click(ctl::GenerateButton);
        QVERIFY(recorder->messages.isEmpty());
        QVERIFY(dlg->OutputText() != before);
    }

    void screenshotWithTheNewControls()
    {
        setUp(0, Mhz3_6864, false, 1, "1000", "65535");
        setUp(1, Mhz3_6864, false, 1, "1000000");
        QVERIFY(dlg->grab().save(QStringLiteral(ORLET_TEST_OUTPUT_DIR "/precision.png")));
    }
};

QTEST_MAIN(PrecisionTest)
#include "PrecisionTest.moc"
