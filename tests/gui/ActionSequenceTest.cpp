#include "BaudReload.h"
#include "ControlIds.h"
#include "Crystal.h"
#include "MainWindowFixture.h"
#include "Orlet.h"
#include "OrletDlg.h"
#include "TimerBlocks.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "TimingTexts.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

namespace {

constexpr int kSteps = 150;

} // namespace

// Long runs of user actions in random order: the window must survive them,
// and whatever a block in use shows must be what stands behind it.
class ActionSequenceTest : public MainWindowFixture
{
    Q_OBJECT

private:
    static QString pick(QRandomGenerator& rng, const QStringList& choices)
    {
        return choices.at(rng.bounded(int(choices.size())));
    }

    // One user action on an enabled control; returns what was done.
    QString act(QRandomGenerator& rng)
    {
        static const QStringList periods { "0", "1", "7", "255", "256", "300", "1000", "8192", "8193", "65536", "70000",
            "4294967295", "4294967296", "99999999999", "", "abc", "12ab" };
        static const QStringList customTexts { "3.6864", "7.3728", "22.1184", "1", "100", "100.00001", "0", "0.5",
            "abc", "-", "55" };
        for (;;) {
            switch (rng.bounded(12)) {
            case 0: {
                const int id = QList<int> { ctl::UseTimer0, ctl::UseTimer1, ctl::Gate0, ctl::Gate1, ctl::UseUart,
                    ctl::DoubleBaud, ctl::UartInterrupt, ctl::CommentCheck }
                                   .at(rng.bounded(8));
                if (!ui->enabled(id))
                    continue;
                ui->click(id);
                return QString("click %1").arg(id);
            }
            case 1:
            case 2: {
                const TimerBlock& b = kBlocks[rng.bounded(2)];
                if (!ui->enabled(b.mode))
                    continue;
                const int index = rng.bounded(6);
                ui->choose(b.mode, index);
                return QString("choose %1 item %2").arg(b.mode).arg(index);
            }
            case 3: {
                const int index = rng.bounded(12);
                if (index == 11) {
                    const QString text = pick(rng, customTexts);
                    const int how = rng.bounded(3);
                    OnNextDialog([text, how](CDialogBase& dialog, DialogDriver& custom) {
                        custom.typeOver(ctl::CustomMhzInput, text);
                        if (how == 0)
                            custom.click(ctl::CustomOkButton);
                        else if (how == 1)
                            custom.pressKey(ctl::CustomMhzInput, Qt::Key_Escape);
                        else
                            custom.pressKey(ctl::CustomMhzInput, Qt::Key_Return);
                        if (dialog.isVisible()) // refused by OK
                            custom.click(ctl::CustomCancelButton);
                    });
                    ui->choose(ctl::CrystalList, 11);
                    return QString("custom crystal \"%1\" close %2").arg(text).arg(how);
                }
                ui->choose(ctl::CrystalList, index);
                return QString("choose crystal %1").arg(index);
            }
            case 4: {
                if (!ui->enabled(ctl::BaudList))
                    continue;
                const int index = rng.bounded(11);
                ui->choose(ctl::BaudList, index);
                return QString("choose baud %1").arg(index);
            }
            case 5:
            case 6: {
                const TimerBlock& b = kBlocks[rng.bounded(2)];
                if (!ui->enabled(b.period))
                    continue;
                const QString text = pick(rng, periods);
                ui->typeOver(b.period, text);
                return QString("type \"%1\" into %2").arg(text, QString::number(b.period));
            }
            case 7:
            case 8: {
                const TimerBlock& b = kBlocks[rng.bounded(2)];
                if (!ui->enabled(b.period))
                    continue;
                const QString text = pick(rng, periods);
                ui->pasteOver(b.period, text);
                return QString("paste \"%1\" into %2").arg(text, QString::number(b.period));
            }
            case 9: {
                const TimerBlock& b = kBlocks[rng.bounded(2)];
                if (!ui->enabled(b.period))
                    continue;
                const struct {
                    int key;
                    Qt::KeyboardModifiers modifiers;
                    const char* name;
                } keys[] = {
                    { Qt::Key_Backspace, Qt::NoModifier, "Backspace" },
                    { Qt::Key_Delete, Qt::NoModifier, "Delete" },
                    { Qt::Key_Home, Qt::NoModifier, "Home" },
                    { Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z" },
                    { Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y" },
                    { Qt::Key_X, Qt::ControlModifier, "Ctrl+X" },
                    { Qt::Key_9, Qt::NoModifier, "9" },
                };
                const auto& key = keys[rng.bounded(int(std::size(keys)))];
                ui->pressKey(b.period, key.key, key.modifiers);
                return QString("%1 in %2").arg(key.name).arg(b.period);
            }
            case 10: {
                const int id = rng.bounded(2) ? ctl::Timer0Mode : ctl::CrystalList;
                if (!ui->enabled(id))
                    continue;
                // The keyboard on a closed list moves the selection as well
                // (short of the custom entry, which opens its dialog).
                const bool down = rng.bounded(2) && !(id == ctl::CrystalList && ui->selected(ctl::CrystalList) >= 10);
                ui->pressKey(id, down ? Qt::Key_Down : Qt::Key_Up);
                return QString("arrow key on %1").arg(id);
            }
            default:
                ui->click(ctl::GenerateButton);
                return QStringLiteral("generate");
            }
        }
    }

    // What a block in use shows is what stands behind it.
    QString inconsistency() const
    {
        for (int t = 0; t < 2; ++t) {
            const TimerBlock& b = kBlocks[t];
            const std::uint32_t period = t == 0 ? dlg->m_time0 : dlg->m_time1;
            if (ui->text(b.period) != QString::number(period))
                return QString("box %1 shows %2, the period is %3").arg(b.period).arg(ui->text(b.period)).arg(period);
            if (!ui->checked(b.use))
                continue;
            const int th = t == 0 ? dlg->m_th0 : dlg->m_th1;
            const int tl = t == 0 ? dlg->m_tl0 : dlg->m_tl1;
            const QString bytes = QString::fromStdString(orlet::FormatReloadText(th, tl));
            if (ui->text(b.display).compare(bytes, Qt::CaseInsensitive) != 0)
                return QString("display %1 shows %2, the bytes are %3")
                    .arg(QString::number(b.display), ui->text(b.display), bytes);
            const int half = (dlg->m_tmod >> b.shift) & 0x07;
            if (half != kModeBits[ui->selected(b.mode)])
                return QString("timer %1 lists item %2 but TMOD is 0x%3")
                    .arg(t)
                    .arg(ui->selected(b.mode))
                    .arg(dlg->m_tmod, 0, 16);
        }
        if (ui->checked(ctl::UseTimer0) && ui->checked(ctl::Gate0) != bool(dlg->m_tmod & 0x08))
            return QStringLiteral("GATE0 tick and bit differ");
        const int crystal = ui->selected(ctl::CrystalList);
        if (crystal < 11 && dlg->m_crystalHz != orlet::CrystalHzAt(crystal))
            return QString("crystal item %1 but %2 Hz").arg(crystal).arg(dlg->m_crystalHz);
        if (crystal < 11 && !ui->text(ctl::CustomMhz).isEmpty())
            return QStringLiteral("the MHz box shows a custom frequency for a fixed crystal");
        if (ui->checked(ctl::UseUart)) {
            if (ui->checked(ctl::UseTimer1))
                return QStringLiteral("timer 1 and the serial port are both in use");
            const orlet::BaudReload baud = orlet::ComputeBaudReload(
                dlg->m_crystalHz, ui->selected(ctl::BaudList), ui->checked(ctl::DoubleBaud), precision());
            if (baud.rateIndex != ui->selected(ctl::BaudList))
                return QString("the list shows a rate that does not fit: %1").arg(ui->text(ctl::BaudList));
            if (dlg->m_th1 != baud.reload || dlg->m_tl1 != baud.reload)
                return QString("serial reload 0x%1 behind %2").arg(dlg->m_th1, 0, 16).arg(ui->text(ctl::BaudReload));
            if (ui->text(ctl::BaudReload) != QString::fromStdString(baud.reloadText)
                || ui->text(ctl::BaudError) != QString::fromStdString(baud.errorText))
                return QString("serial displays %1 %2").arg(ui->text(ctl::BaudReload), ui->text(ctl::BaudError));
        }
        if (QApplication::activeModalWidget() && QApplication::activeModalWidget() != dlg.get())
            return QStringLiteral("a modal window was left open");
        return {};
    }

    orlet::Precision precision() const
    {
        return ui->checked(ctl::ExactCheck) ? orlet::Precision::Exact : orlet::Precision::Classic;
    }

    // The exact box and the software counters, with their own table of inputs.
    QString actOnPrecision(QRandomGenerator& rng)
    {
        static const QStringList counts { "1", "2", "16", "255", "256", "400", "65535", "65536", "0", "", "x",
            "99999999999" };
        const int t = rng.bounded(3);
        const int box = t == 0 ? ctl::Timer0Postscale : ctl::Timer1Postscale;
        if (t == 2 || !ui->enabled(box)) {
            ui->click(ctl::ExactCheck);
            return QStringLiteral("click the exact box");
        }
        const QString text = pick(rng, counts);
        if (rng.bounded(2))
            ui->typeOver(box, text);
        else
            ui->pasteOver(box, text);
        return QString("put \"%1\" into %2").arg(text).arg(box);
    }

    // A real-period line belongs to a timer in use in a timer mode, and tells
    // what its bytes and software counter give now.
    QString precisionInconsistency() const
    {
        for (int t = 0; t < 2; ++t) {
            const TimerBlock& b = kBlocks[t];
            const int lineId = t == 0 ? ctl::Timer0Actual : ctl::Timer1Actual;
            const int boxId = t == 0 ? ctl::Timer0Postscale : ctl::Timer1Postscale;
            const std::uint32_t n = t == 0 ? dlg->m_postscale0 : dlg->m_postscale1;
            if (ui->text(boxId) != QString::number(n) || n < 1 || n > orlet::kMaxPostscale)
                return QString("box %1 shows %2, the postscale is %3").arg(boxId).arg(ui->text(boxId)).arg(n);
            const QString line = ui->text(lineId);
            const int mode = ui->selected(b.mode);
            if (!line.isEmpty() && (!ui->checked(b.use) || mode >= 3))
                return QString("timer %1 off or counting shows \"%2\"").arg(t).arg(line);
            if (!line.startsWith(QStringLiteral("实际")))
                continue;
            const std::uint32_t period = t == 0 ? dlg->m_time0 : dlg->m_time1;
            const orlet::TimerReload reload
                = orlet::ComputeTimerReload(dlg->m_crystalHz, mode, false, period, precision());
            const int th = t == 0 ? dlg->m_th0 : dlg->m_th1;
            const int tl = t == 0 ? dlg->m_tl0 : dlg->m_tl1;
            const QString real
                = RealPeriodText(orlet::ComputeTimerTiming(dlg->m_crystalHz, mode, false, period, precision(), n));
            if (reload.th != th || reload.tl != tl || line != real)
                return QString("timer %1 line \"%2\" stands for other bytes or periods").arg(t).arg(line);
        }
        return {};
    }

private slots:
    void randomActions_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 8; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void randomActions()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        QStringList done;
        for (int step = 0; step < kSteps; ++step) {
            done << (rng.bounded(8) == 0 ? actOnPrecision(rng) : act(rng));
            QString problem = inconsistency();
            if (problem.isEmpty())
                problem = precisionInconsistency();
            if (!problem.isEmpty())
                QFAIL(qPrintable(QString("after step %1: %2\nlast actions:\n  %3")
                                     .arg(step)
                                     .arg(problem, done.mid(qMax(0, done.size() - 12)).join("\n  "))));
            QVERIFY(dlg->isVisible());
        }
    }
};

QTEST_MAIN(ActionSequenceTest)
#include "ActionSequenceTest.moc"
