#include "ChipTable.h"
#include "Configuration.h"
#include "ControlIds.h"
#include "DataExchange.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "OrletDlg.h"
#include "SourceGenerator.h"

#include <QComboBox>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <optional>
#include <utility>

namespace {

constexpr quint32 kSeeds = 8;
constexpr int kSteps = 500;

const QStringList kValues { "1", "5", "100", "255", "1000", "2000", "20000", "65535", "65536", "100000", "" };
const QStringList kCounts { "1", "2", "10", "50", "65535", "65536", "0", "" };

struct TimerIds {
    int use, mode, period, reload, postscale, clock;
};
constexpr TimerIds kTimers[3] {
    { ctl::UseTimer0, ctl::Timer0Mode, ctl::Timer0Period, ctl::Timer0Reload, ctl::Timer0Postscale, ctl::Timer0Clock },
    { ctl::UseTimer1, ctl::Timer1Mode, ctl::Timer1Period, ctl::Timer1Reload, ctl::Timer1Postscale, ctl::Timer1Clock },
    { ctl::UseTimer2, ctl::Timer2Mode, ctl::Timer2Period, ctl::Timer2Reload, ctl::Timer2Postscale, ctl::Timer2Clock },
};

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
}

QSet<QString> knownMessages()
{
    QSet<QString> known { QString::fromUtf8(kEnterWholeNumberMessage), QString::fromUtf8(kEnterNumberMessage) };
    for (auto code : { orlet::MessageCode::TimerOutOfRange, orlet::MessageCode::CountOutOfRange,
             orlet::MessageCode::BaudTooLow, orlet::MessageCode::BaudTooHigh, orlet::MessageCode::PostscaleOutOfRange,
             orlet::MessageCode::DriftFreeOutOfRange, orlet::MessageCode::DriftFreeNeedsHardwareReload }) {
        for (int mode = 0; mode < 3; ++mode)
            known << u8(orlet::MessageText({ code, mode }));
    }
    return known;
}

} // namespace

// Random sessions on the chips other than the 8051, with their own
// controls: whatever the window shows is what orlet-gen --chip computes,
// and Generate writes orlet-gen's text or refuses what orlet-gen refuses.
class ChipActionSequenceTest : public MainWindowFixture
{
    Q_OBJECT

private:
    template <typename T> static T pick(QRandomGenerator& rng, const QList<T>& choices)
    {
        return choices.at(rng.bounded(int(choices.size())));
    }

    QString act(QRandomGenerator& rng)
    {
        switch (rng.bounded(10)) {
        case 0:
            return chooseChip(rng);
        case 1:
        case 2:
        case 3:
            return clickBox(rng);
        case 4:
            return chooseMode(rng);
        case 5:
        case 6:
            return typeValue(rng);
        case 7:
            return chooseListItem(rng);
        default:
            return generate();
        }
    }

    QString chooseChip(QRandomGenerator& rng)
    {
        const int chip = 1 + rng.bounded(int(orlet::ChipRows().size()) - 1);
        ui->choose(ctl::ChipList, chip);
        return QString("chip %1").arg(chip);
    }

    QString clickBox(QRandomGenerator& rng)
    {
        const QList<int> ids { ctl::UseTimer0, ctl::UseTimer1, ctl::UseTimer2, ctl::UseUart, ctl::DoubleBaud,
            ctl::UartTimer2, ctl::Timer0Clock, ctl::Timer1Clock, ctl::Timer2Clock, ctl::SixTCheck, ctl::DriftFreeCheck,
            ctl::ExactCheck, ctl::UartInterrupt, ctl::Gate0, ctl::Gate1 };
        const int id = pick(rng, ids);
        if (!ui->item(id)->isVisible() || !ui->enabled(id))
            return QString("(%1 not there)").arg(id);
        ui->click(id);
        return QString("click %1").arg(id);
    }

    QString chooseMode(QRandomGenerator& rng)
    {
        const TimerIds& t = kTimers[rng.bounded(3)];
        if (!ui->enabled(t.mode))
            return QString("(%1 not there)").arg(t.mode);
        const int index = rng.bounded(int(ui->items(t.mode).size()));
        ui->choose(t.mode, index);
        return QString("mode %1 item %2").arg(t.mode).arg(index);
    }

    QString typeValue(QRandomGenerator& rng)
    {
        const TimerIds& t = kTimers[rng.bounded(3)];
        const bool postscale = rng.bounded(3) == 0;
        const int id = postscale ? t.postscale : t.period;
        if (!ui->enabled(id))
            return QString("(%1 not there)").arg(id);
        const QString text = postscale ? pick(rng, kCounts) : pick(rng, kValues);
        ui->typeOver(id, text);
        return QString("\"%1\" into %2").arg(text).arg(id);
    }

    QString chooseListItem(QRandomGenerator& rng)
    {
        const int id = rng.bounded(2) ? ctl::BaudList : ctl::CrystalList;
        if (!ui->enabled(id))
            return QString("(%1 not there)").arg(id);
        // Not the custom crystal, nor "其他…" at the end of the rate list.
        const int count = int(ui->items(id).size()) - 1;
        const int index = rng.bounded(count);
        ui->choose(id, index);
        return QString("list %1 item %2").arg(id).arg(index);
    }

    QString generate()
    {
        m_beforeGenerate = dlg->OutputText();
        ui->click(ctl::GenerateButton);
        m_generated = true;
        return QStringLiteral("generate");
    }

    // The row the chip list shows the title of.
    orlet::Chip chip() const
    {
        const std::string title = ui->text(ctl::ChipList).toStdString();
        const auto rows = orlet::ChipRows();
        return orlet::Chip(*std::find_if(
            rows.begin(), rows.end(), [&title](const orlet::ChipRow& row) { return row.title == title; }));
    }

    orlet::TimerConfig timerShown(int timer) const
    {
        const TimerIds& t = kTimers[timer];
        const int item = ui->selected(t.mode);
        const bool counter = timer == 2 ? item == 1 : item >= 3;
        const int mode = timer == 2 ? 0 : item % 3;
        const bool gate = timer != 2 && ui->checked(timer == 0 ? ctl::Gate0 : ctl::Gate1);
        return { ui->checked(t.use), counter, mode, ui->text(t.period).toUInt(), gate, ui->text(t.postscale).toUInt() };
    }

    // The settings the window shows, as orlet-gen --chip would be asked for them.
    orlet::Configuration configurationShown() const
    {
        orlet::Configuration c;
        c.crystalHz = dlg->Model().crystalHz;
        c.timer(0) = timerShown(0);
        c.timer(1) = timerShown(1);
        if (ui->checked(ctl::UseUart))
            c.uartBaudIndex = ui->selected(ctl::BaudList);
        c.uartDoubleBaud = ui->checked(ctl::DoubleBaud);
        c.uartInterrupt = ui->checked(ctl::UartInterrupt);
        c.precision = ui->checked(ctl::ExactCheck) ? orlet::Precision::Exact : orlet::Precision::Classic;
        c.driftFree = ui->checked(ctl::DriftFreeCheck);
        const orlet::ChipRow& profile = chip().row();
        c.chip = chip();
        c.sixT = profile.offersSixT && ui->checked(ctl::SixTCheck);
        c.timer(2) = timerShown(2);
        for (int t = 0; t < 3; ++t) {
            if (ui->item(kTimers[t].clock)->isVisible())
                c.timer(t).clock = ui->checked(kTimers[t].clock) ? 1 : 12;
        }
        c.uartTimer = ui->checked(ctl::UartTimer2) ? 2 : 1;
        return c;
    }

    // What the chip shows and locks.
    QString controlsProblem() const
    {
        const orlet::ChipRow& profile = chip().row();
        const bool timer2 = profile.timers[2] != nullptr;
        if (ui->item(ctl::UseTimer2)->isVisible() != timer2 || ui->item(ctl::UartTimer2)->isVisible() != timer2)
            return QStringLiteral("timer 2's controls do not follow the chip");
        // The serial block's real-rate row grows the frame as well.
        const bool grown = timer2 || ui->item(ctl::BaudActual)->isVisibleTo(dlg.get());
        if ((dlg->height() > m_classicFrame.height()) != grown || dlg->width() != m_classicFrame.width())
            return QString("frame %1x%2 for this chip").arg(dlg->width()).arg(dlg->height());
        const bool stc = orlet::TimersUseRegister(profile, "AUXR");
        if (ui->item(ctl::Timer0Clock)->isVisible() != stc
            || ui->item(ctl::SixTCheck)->isVisible() != profile.offersSixT)
            return QStringLiteral("the clock boxes do not follow the chip");
        if (ui->checked(ctl::UseUart)) {
            const int uartTimer = ui->checked(ctl::UartTimer2) ? 2 : 1;
            const TimerIds& t = kTimers[uartTimer];
            if (ui->checked(t.use) || ui->enabled(t.use) || ui->enabled(t.period))
                return QString("timer %1 can be used beside the serial port it clocks").arg(uartTimer);
        }
        if (ui->checked(ctl::DoubleBaud) && !ui->enabled(ctl::DoubleBaud) && ui->checked(ctl::UseUart))
            return QStringLiteral("a doubling that cannot be undone");
        return {};
    }

    QString messageProblem() const
    {
        static const QSet<QString> known = knownMessages();
        for (const MessageRequest& m : recorder->messages) {
            if (!known.contains(m.text))
                return QString("an unknown message: %1").arg(m.text);
        }
        return {};
    }

    // The displays of the blocks in use show what orlet-gen computes, but
    // for a timer just ticked: its use box computes nothing, so it shows the
    // bytes of its start or of its switch-off until it is calculated.
    // Empty when they do.
    QString displayProblem(const orlet::Configuration& c, const orlet::ResolvedConfiguration& r) const
    {
        const std::pair<bool, std::pair<int, std::string>> timers[]
            = { { c.timer(0).enabled, { ctl::Timer0Reload, r.reloadTexts[0] } },
                  { c.timer(1).enabled, { ctl::Timer1Reload, r.reloadTexts[1] } },
                  { c.timer(2).enabled, { ctl::Timer2Reload, r.reloadTexts[2] } } };
        for (const auto& [used, display] : timers) {
            const QString shown = ui->text(display.first);
            const bool notCalculated = shown == QLatin1String("ffH,ffH") || shown == QLatin1String("ffh,ffh");
            if (used && shown != u8(display.second) && !notCalculated)
                return QString("display %1 shows %2, orlet-gen %3").arg(display.first).arg(shown, u8(display.second));
        }
        if (c.uartBaudIndex
            && (ui->text(ctl::BaudReload) != u8(r.baudReloadText) || ui->text(ctl::BaudError) != u8(r.baudErrorText)))
            return QStringLiteral("the serial displays are not orlet-gen's");
        return {};
    }

    bool timersCalculated(const orlet::Configuration& c, const orlet::ResolvedConfiguration& r) const
    {
        return (!c.timer(0).enabled || ui->text(ctl::Timer0Reload) == u8(r.reloadTexts[0]))
            && (!c.timer(1).enabled || ui->text(ctl::Timer1Reload) == u8(r.reloadTexts[1]))
            && (!c.timer(2).enabled || ui->text(ctl::Timer2Reload) == u8(r.reloadTexts[2]));
    }

    QString generateProblem()
    {
        if (!std::exchange(m_generated, false))
            return {};
        const orlet::Configuration c = configurationShown();
        const orlet::ResolveResult r = orlet::ResolveConfiguration(c);
        const bool refused = dlg->OutputText() == m_beforeGenerate && !recorder->messages.isEmpty();
        if (refused != !r.resolved) {
            return refused ? QStringLiteral("Generate refused what orlet-gen writes")
                           : QString("Generate wrote what orlet-gen refuses (code %1)").arg(int(r.error->code));
        }
        if (refused)
            return {};
        if (const QString problem = displayProblem(c, *r.resolved); !problem.isEmpty())
            return problem;
        // The window keeps on purpose what orlet-gen cannot be asked for:
        // timer 0's TMOD bits after its switch-off, and the bytes of a timer
        // just ticked.
        if (!timersCalculated(c, *r.resolved) || (!c.timer(0).enabled && (dlg->Model().tmod & 0x0F)))
            return {};
        ++m_compared;
        const QString expected = u8(orlet::BuildSourceText(r.resolved->settings));
        if (dlg->OutputText() != expected)
            return QString("Generate wrote a text that is not orlet-gen's for what the window shows:\n%1\n---\n%2")
                .arg(dlg->OutputText(), expected);
        return {};
    }

    QString session(quint32 seed)
    {
        QRandomGenerator rng(seed);
        QStringList done;
        m_classicFrame = dlg->size();
        for (int step = 0; step < kSteps; ++step) {
            done << (step == 0 ? chooseChip(rng) : act(rng));
            QString problem = controlsProblem();
            for (const QString& next : { messageProblem(), generateProblem() }) {
                if (problem.isEmpty())
                    problem = next;
            }
            recorder->clear();
            if (!problem.isEmpty())
                return SessionProblem(seed, step, problem, done);
        }
        return {};
    }

    QSize m_classicFrame;
    QString m_beforeGenerate;
    bool m_generated = false;
    int m_compared = 0;

private slots:
    void randomActions_data() { AddSeedRows(kSeeds); }

    void randomActions()
    {
        QFETCH(quint32, seed);
        m_compared = 0;
        const QString problem = session(seed);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(m_compared > 0, "no Generate was compared with orlet-gen");
    }
};

QTEST_MAIN(ChipActionSequenceTest)
#include "ChipActionSequenceTest.moc"
