#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"
#include "TimerBlocks.h"

#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

enum Crystal { Mhz3_6864 = 2, Mhz11_0592 = 5, Mhz12 = 6 };

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

// A timer set up as a user does: crystal, exact box, mode, × N and period.
struct Setting {
    int timer, crystal;
    bool exact;
    int mode;
    QString period, n;
};

// The lines' texts run in tests/core; here, that each block shows the line
// of its own settings, and none while counting pulses.
struct LineRow {
    const char* name;
    Setting set;
    QString display, line;
};

struct RangeRow {
    const char* name;
    Setting set;
    QString message, after, line;
};

enum Input { Type, Paste, Erase };

struct PostscaleRow {
    const char* name;
    Input action;
    QString text, message;
};

struct TipRow {
    const char* name;
    Setting set;
    QStringList has, hasNot;
};

struct DriftFreeRow {
    const char* name;
    int mode;
    QString period, n, line, tipHas;
};

// Timer 1 runs 250 us in 定时方式2 beside timer 0.
struct GenerateRow {
    const char* name;
    int crystal, mode0;
    QString period0, n0, n1, genArgs;
};

struct RefusalRow {
    const char* name;
    int timer, mode;
    QString period, message;
};

} // namespace

// The exact-count box, the real-period lines, the software counters and the
// derivation tooltips.
class PrecisionTest : public MainWindowFixture
{
    Q_OBJECT

private:
    std::uint32_t postscale(int t) const { return dlg->Model().timer(t).postscale; }
    QString tip(int id) const { return ui->item(id)->toolTip(); }

    void setUp(const Setting& s)
    {
        ui->choose(ctl::CrystalList, s.crystal);
        if (s.exact)
            ui->click(ctl::ExactCheck);
        ui->click(kBlocks[s.timer].use);
        ui->choose(kBlocks[s.timer].mode, s.mode);
        if (s.n != "1")
            ui->typeOver(kTiming[s.timer].postscale, s.n);
        ui->pasteOver(kBlocks[s.timer].period, s.period);
    }

private slots:
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
            { ctl::Timer2Postscale, ctl::Timer2Mode }, { ctl::Timer2Period, ctl::Timer2Postscale },
            { ctl::BaudFixes, ctl::UartTimer2 } };
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
        auto* label0 = dlg->findChild<QLabel*>("labelPostscale0");
        auto* label1 = dlg->findChild<QLabel*>("labelPostscale1");
        QVERIFY(!label0->isEnabled() && !label1->isEnabled());
        ui->click(ctl::UseTimer0);
        QVERIFY(label0->isEnabled() && !label1->isEnabled());
        ui->click(ctl::UseTimer0);
        QVERIFY(!label0->isEnabled());
    }

    // The new controls sit in free space: inside the window (a timer's in
    // its group box, clear of its frame) and over no other control at all.
    void newControlsOverlapNothing()
    {
        const std::pair<int, const char*> placed[] { { ctl::ExactCheck, nullptr }, { ctl::DriftFreeCheck, nullptr },
            { ctl::ChipList, nullptr }, { ctl::Timer0Actual, "groupTIME0" }, { ctl::Timer0Postscale, "groupTIME0" },
            { ctl::Timer1Actual, "groupTIME1" }, { ctl::Timer1Postscale, "groupTIME1" } };
        for (const auto& [id, group] : placed) {
            const QRect box = ui->item(id)->geometry();
            QVERIFY(dlg->rect().contains(box));
            if (group)
                QVERIFY(dlg->findChild<QGroupBox*>(group)->geometry().adjusted(4, 0, -4, 0).contains(box));
            for (QWidget* other : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other != ui->item(id) && !qobject_cast<QGroupBox*>(other) && !other->isWindow())
                    QVERIFY2(!other->geometry().intersects(box), qPrintable(other->objectName()));
            }
        }
    }

    // ---- The real-period line ---------------------------------------------

    void realPeriodLine_data()
    {
        const LineRow rows[] = {
            { "timer0 12 MHz 1000 us", { 0, Mhz12, false, 1, "1000", "1" }, "fcH,18H",
                "实际 1007.00us +0.70% 每天 +605s" },
            { "timer1 11.0592 MHz exact", { 1, Mhz11_0592, true, 1, "1000", "1" }, "fcH,66H",
                "实际 1008.03us +0.80% 每天 +694s" },
            { "timer0 x16", { 0, Mhz12, false, 1, "62500", "16" }, "bH,dcH", "实际 1.0002s +0.02% 每天 +14s" },
            { "timer1 exact x20", { 1, Mhz11_0592, true, 1, "50000", "20" }, "4cH,0H",
                "实际 1.0002s +0.02% 每天 +19s" },
            { "timer0 counting pulses", { 0, Mhz12, false, 4, "1000", "1" }, "fcH,18H", "" },
        };
        AddRows(rows);
    }

    void realPeriodLine()
    {
        QFETCH(LineRow, row);
        const int t = row.set.timer;
        setUp(row.set);
        QVERIFY(recorder->messages.isEmpty());
        QCOMPARE(ui->text(kBlocks[t].display), row.display);
        QCOMPARE(ui->text(kTiming[t].actual), row.line);
        QCOMPARE(postscale(t), row.set.n.toUInt());
    }

    // Off, a block forgets its count and line; on again, nothing is
    // computed until a setting changes.
    void lineIsEmptyAfterSwitchOff_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("offBy");
        QTest::newRow("timer0") << 0 << int(ctl::UseTimer0);
        QTest::newRow("timer1") << 1 << int(ctl::UseTimer1);
        QTest::newRow("timer1 taken by the serial port") << 1 << int(ctl::UseUart);
    }

    void lineIsEmptyAfterSwitchOff()
    {
        QFETCH(int, timer);
        QFETCH(int, offBy);
        const TimerBlock& b = kBlocks[timer];
        setUp({ timer, Mhz12, false, 1, "1000", "7" });
        QCOMPARE(ui->text(kTiming[timer].actual), QStringLiteral("实际 7070.00us +1.00% 每天 +864s"));
        QVERIFY(!tip(b.display).isEmpty());

        ui->click(offBy);
        QCOMPARE(ui->text(kTiming[timer].actual), QString());
        QCOMPARE(ui->text(kTiming[timer].postscale), QStringLiteral("1"));
        QCOMPARE(postscale(timer), 1u);
        QVERIFY(tip(b.display).isEmpty());
        QVERIFY(!ui->enabled(kTiming[timer].postscale));
        QVERIFY(!ui->enabled(kTiming[timer].actual));
        if (offBy == ctl::UseUart)
            return;

        ui->click(b.use);
        QVERIFY(ui->enabled(kTiming[timer].postscale));
        QCOMPARE(ui->text(kTiming[timer].actual), QString());
        ui->choose(b.mode, 4);
        QCOMPARE(ui->text(kTiming[timer].actual), QString());
        QVERIFY(recorder->messages.isEmpty());
    }

    // ---- Periods too long, and the software counter ------------------------

    void rangeErrorSuggestsTheSplit_data()
    {
        const RangeRow rows[] = {
            { "1 s, mode 1", { 0, Mhz12, false, 1, "1000000", "1" }, "定时时间超出16位范围", "65536",
                "可用 方式2 250us × 4000 或 62500us × 16" },
            { "1 s, already x2", { 0, Mhz12, false, 1, "1000000", "2" }, "定时时间超出16位范围", "65536",
                "可用 方式2 250us × 8000 或 62500us × 32" },
            { "1 ms, mode 2", { 0, Mhz12, false, 2, "1000", "1" }, "定时时间超出8位范围", "256", "可用 250us × 4" },
            { "pulses", { 0, Mhz12, false, 5, "300", "1" }, "计数值超出8位范围", "256", "" },
        };
        AddRows(rows);
    }

    void rangeErrorSuggestsTheSplit()
    {
        QFETCH(RangeRow, row);
        setUp(row.set);
        expectMessage(row.message);
        QCOMPARE(ui->text(ctl::Timer0Period), row.after);
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("0H,0H"));
        QCOMPARE(ui->text(ctl::Timer0Actual), row.line);
        QVERIFY(tip(ctl::Timer0Reload).startsWith(row.message));
    }

    void followingTheSuggestionReachesThePeriod()
    {
        setUp({ 0, Mhz12, false, 1, "1000000", "1" });
        recorder->clear();
        ui->typeOver(ctl::Timer0Postscale, "16");
        // Nothing is recomputed: the hint and the bytes stay as the error left them.
        QCOMPARE(ui->text(ctl::Timer0Actual), QStringLiteral("可用 方式2 250us × 4000 或 62500us × 16"));
        QCOMPARE(dlg->Model().timer(0).th, 0);
        QCOMPARE(ui->text(ctl::Timer0Period), QStringLiteral("65536"));
        ui->pasteOver(ctl::Timer0Period, "62500");
        QCOMPARE(ui->text(ctl::Timer0Actual), QStringLiteral("实际 1.0002s +0.02% 每天 +14s"));
        QCOMPARE(ui->text(ctl::Timer0Reload), QStringLiteral("bH,dcH"));
        QVERIFY(recorder->messages.isEmpty());
    }

    void postscaleChangesOnlyTheLine()
    {
        setUp({ 1, Mhz12, false, 1, "50000", "1" });
        QCOMPARE(ui->text(ctl::Timer1Actual), QStringLiteral("实际 50.007ms +0.01% 每天 +12s"));
        QSignalSpy handlers(dlg.get(), &CDialogBase::handlerRun);
        ui->typeOver(ctl::Timer1Postscale, "20");
        QCOMPARE(handlers.count(), 2); // one per keystroke, none from the exchanges
        QCOMPARE(ui->text(ctl::Timer1Actual), QStringLiteral("实际 1.0002s +0.02% 每天 +17s"));
        QCOMPARE(ui->text(ctl::Timer1Reload), QStringLiteral("3cH,b0H"));
        QCOMPARE(ui->text(ctl::Timer1Period), QStringLiteral("50000"));
        QCOMPARE(dlg->Model().timer(1).postscale, 20u);
        QVERIFY(recorder->messages.isEmpty());
    }

    void badPostscaleInput_data()
    {
        const PostscaleRow rows[] = {
            { "0", Type, "0", kPostscaleRange },
            { "65536", Paste, "65536", kPostscaleRange },
            { "4294967296", Paste, "4294967296", kNoNumber },
            { "emptied", Erase, "", kNoNumber },
            { "letters", Paste, "abc", "" },
            { "typed minus", Type, "-", "" },
        };
        AddRowsPerTimer(rows);
    }

    void badPostscaleInput()
    {
        QFETCH(int, timer);
        QFETCH(PostscaleRow, row);
        const int box = kTiming[timer].postscale;
        setUp({ timer, Mhz12, false, 1, "1000", "12" });
        const QString line = ui->text(kTiming[timer].actual);
        QCOMPARE(line, QStringLiteral("实际 12.120ms +1.00% 每天 +864s"));

        if (row.action == Type) {
            ui->typeOver(box, row.text);
        } else if (row.action == Paste) {
            ui->pasteOver(box, row.text);
        } else {
            ui->pressKey(box, Qt::Key_A, Qt::ControlModifier);
            ui->pressKey(box, Qt::Key_Backspace);
        }

        expectMessage(row.message);
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

    // The derivations' texts run in tests/core; here, that the display's
    // tooltip derives its own block's settings.
    void reloadTooltips_data()
    {
        const TipRow rows[] = {
            { "whole megahertz", { 1, Mhz11_0592, false, 1, "1000", "1" },
                { "11059200 Hz 计为 11 MHz", "n = ⌊11×1000/12⌋ = 916", "+1519.1 ppm，每天 +131s" },
                { "按整数兆赫为", "软件计数" } },
            { "pulses", { 1, Mhz12, false, 4, "200", "1" }, { "计数方式1", "n = 200 个脉冲" },
                { "实际周期", "机器周期" } },
        };
        AddRows(rows);
    }

    void reloadTooltips()
    {
        QFETCH(TipRow, row);
        setUp(row.set);
        const QString text = tip(ctl::Timer1Reload);
        for (const QString& part : row.has)
            QVERIFY2(text.contains(part), qPrintable(text));
        for (const QString& part : row.hasNot)
            QVERIFY2(!text.contains(part), qPrintable(text));
        QVERIFY(text.contains("TH1"));
    }

    void baudTooltip()
    {
        ui->click(ctl::UseUart);
        for (int id : { ctl::BaudReload, ctl::BaudError }) {
            for (const char* part : { "9600 bps", "q = ⌊12000000/9600⌋ = 1250", "TH1 = TL1 = 0xfd", "= 7.8400%" })
                QVERIFY2(tip(id).contains(QString::fromUtf8(part)), qPrintable(tip(id)));
        }
    }

    // ---- Drift-free timing ---------------------------------------------------

    // The box changes what the routine makes of the bytes, never the bytes:
    // the line and tooltip follow it both ways, without a message.
    void driftFreeLine_data()
    {
        const DriftFreeRow rows[] = {
            { "mode 1", 1, "1000", "1", "实际 1000.00us +0.00%", "中断间隔即 1000 个机器周期" },
            { "x20", 1, "50000", "20", "实际 1.0000s +0.00%", "TL%1 += 0x" },
            { "65536 us", 1, "65536", "1", "无累积误差 可用 方式2 256us × 256",
                "无累积误差：方式1的计数应在100~65024个机器周期之间，此为 65536" },
            { "pulses", 4, "1000", "1", "", "溢出到重装之间来的脉冲不计入" },
        };
        AddRowsPerTimer(rows);
    }

    void driftFreeLine()
    {
        QFETCH(int, timer);
        QFETCH(DriftFreeRow, row);
        const int display = kBlocks[timer].display;
        setUp({ timer, Mhz12, false, row.mode, row.period, row.n });
        const QString before = ui->text(kTiming[timer].actual);
        const QString bytes = ui->text(display);
        const QString tipBefore = tip(display);
        ui->click(ctl::DriftFreeCheck);
        QCOMPARE(ui->text(kTiming[timer].actual), row.line);
        QVERIFY2(tip(display).contains(row.tipHas.arg(timer)), qPrintable(tip(display)));
        QCOMPARE(ui->text(display), bytes);
        ui->click(ctl::DriftFreeCheck);
        QCOMPARE(ui->text(kTiming[timer].actual), before);
        QCOMPARE(tip(display), tipBefore);
        QVERIFY(recorder->messages.isEmpty());
    }

    // ---- Generate ---------------------------------------------------------------

    // The software counters, the exact count and drift-free timing as
    // orlet-gen writes them.
    void generateMatchesOrletGen_data()
    {
        const GenerateRow rows[] = {
            { "1 s at 12 MHz, 400 x 250 us", Mhz12, 1, "62500", "16", "400",
                "--timer0 1:62500 --postscale0 16 --timer1 2:250 --postscale1 400 --comments" },
            { "exact 11.0592 MHz", Mhz11_0592, 1, "50000", "20", "1",
                "--crystal 11.0592 --exact --timer0 1:50000 --postscale0 20 --timer1 2:250" },
            { "N of 1 changes nothing", Mhz12, 1, "62500", "1", "1", "--timer0 1:62500 --timer1 2:250 --comments" },
            { "drift-free mode 1", Mhz12, 1, "1000", "1", "1", "--drift-free --timer0 1:1000 --timer1 2:250" },
            { "drift-free mode 0 with comments", Mhz12, 0, "5000", "1", "1",
                "--drift-free --timer0 0:5000 --timer1 2:250 --comments" },
            { "drift-free software counter", Mhz12, 1, "50000", "20", "1",
                "--drift-free --timer0 1:50000 --postscale0 20 --timer1 2:250 --comments" },
            { "drift-free counting pulses", Mhz12, 4, "1000", "1", "1",
                "--drift-free --counter0 1:1000 --timer1 2:250" },
        };
        AddRows(rows);
    }

    void generateMatchesOrletGen()
    {
        QFETCH(GenerateRow, row);
        setUp({ 0, row.crystal, row.genArgs.contains("--exact"), row.mode0, row.period0, row.n0 });
        setUp({ 1, row.crystal, false, 2, "250", row.n1 });
        if (row.genArgs.contains("--drift-free"))
            ui->click(ctl::DriftFreeCheck);
        if (row.genArgs.contains("--comments"))
            ui->click(ctl::CommentCheck);
        ui->click(ctl::GenerateButton);
        QCOMPARE(dlg->OutputText(), orletGen(row.genArgs.split(' ')));
        QVERIFY(recorder->messages.isEmpty());
    }

    // A count the routine cannot keep exact is refused, as orlet-gen
    // refuses it: a message, and the output box keeps what it holds.
    void generateRefusesWhatDriftFreeCannotKeep_data()
    {
        const RefusalRow rows[] = {
            { "65536 us in mode 1", 0, 1, "65536", "无累积误差：方式1的计数应在100~65024个机器周期之间" },
            { "50 us in mode 1", 1, 1, "50", "无累积误差：方式1的计数应在100~65024个机器周期之间" },
            { "8192 us in mode 0", 1, 0, "8192", "无累积误差：方式0的计数应在100~8128个机器周期之间" },
        };
        AddRows(rows);
    }

    void generateRefusesWhatDriftFreeCannotKeep()
    {
        QFETCH(RefusalRow, row);
        setUp({ row.timer, Mhz12, false, row.mode, row.period, "1" });
        const QString before = dlg->OutputText();
        ui->click(ctl::DriftFreeCheck);
        ui->click(ctl::GenerateButton);
        expectMessage(row.message);
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
        setUp({ 0, Mhz3_6864, false, 1, "1000", "65535" });
        setUp({ 1, Mhz3_6864, false, 1, "1000000", "1" });
        QVERIFY(dlg->grab().save(QStringLiteral(ORLET_TEST_OUTPUT_DIR "/precision.png")));
    }
};

QTEST_MAIN(PrecisionTest)
#include "PrecisionTest.moc"
