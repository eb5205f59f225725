#include "BaudReload.h"
#include "Configuration.h"
#include "ControlIds.h"
#include "Crystal.h"
#include "DataExchange.h"
#include "MainWindowFixture.h"
#include "MyCry.h"
#include "Orlet.h"
#include "OrletDlg.h"
#include "RoutineTiming.h"
#include "SourceGenerator.h"
#include "TimerBlocks.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "WindowTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <optional>
#include <utility>

namespace {

// `make test` runs these sessions; ORLET_SOAK_SECONDS=N adds random ones.
constexpr quint32 kFixedSeeds = 6;
constexpr int kSteps = 500;

const QStringList kPeriods { "0", "1", "7", "255", "256", "300", "1000", "8192", "8193", "65536", "70000", "4294967295",
    "4294967296", "99999999999", "", "abc", "12ab", "１２", " 42 " };
const QStringList kCustomMhz { "3.6864", "7.3728", "22.1184", "1", "100", "100.00001", "0", "0.5", "abc", "-", "55", "",
    " 12 ", "1e2", "１２" };
const QStringList kTriggerTexts { "低电平", "下降沿", "xyz", "" };

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

QString u8(const std::string& text)
{
    return QString::fromStdString(text);
}

// Every message the window and the custom-frequency dialog define.
QSet<QString> knownMessages()
{
    QSet<QString> known { u8(orlet::kBaudTooLowMessage), u8(orlet::kBaudTooHighMessage), u8(kEnterWholeNumberMessage),
        u8(kEnterNumberMessage), u8(orlet::kCustomMhzRangeMessage),
        QStringLiteral("软件计数应在1~%1之间").arg(orlet::kMaxPostscale) };
    for (int mode = 0; mode < 2; ++mode)
        known << u8(orlet::MessageText({ orlet::MessageCode::DriftFreeOutOfRange, mode }));
    for (int mode = 0; mode < 3; ++mode) {
        for (bool counter : { false, true })
            known << u8(orlet::ComputeTimerReload(100000000, mode, counter, 0xFFFFFFFFu).message);
    }
    return known;
}

std::optional<std::pair<int, int>> bytesShown(const QString& display)
{
    const QStringList parts = display.toLower().split(',');
    if (parts.size() != 2 || !parts[0].endsWith('h') || !parts[1].endsWith('h'))
        return std::nullopt;
    bool ok0 = false, ok1 = false;
    const int th = parts[0].chopped(1).toInt(&ok0, 16), tl = parts[1].chopped(1).toInt(&ok1, 16);
    if (!ok0 || !ok1)
        return std::nullopt;
    return std::pair { th, tl };
}

} // namespace

// Long runs of user actions in random order: the window must survive them,
// and whatever it shows must be what stands behind it and what Generate
// writes.
class ActionSequenceTest : public MainWindowFixture
{
    Q_OBJECT

private:
    using Act = QString (ActionSequenceTest::*)(QRandomGenerator&);

    // One user action each; a control of another helper's block is one more
    // row. An action returns what it did, or an empty text when the control
    // it picked was disabled (another is picked then).
    struct Action {
        int weight;
        Act act;
    };
    static const QList<Action>& actions()
    {
        static const QList<Action> table {
            { 6, &ActionSequenceTest::clickCheckBox },
            { 4, &ActionSequenceTest::clickPrecisionBox },
            { 5, &ActionSequenceTest::chooseMode },
            { 3, &ActionSequenceTest::chooseCrystal },
            { 2, &ActionSequenceTest::customCrystal },
            { 2, &ActionSequenceTest::chooseBaud },
            { 3, &ActionSequenceTest::setTrigger },
            { 7, &ActionSequenceTest::putPeriod },
            { 2, &ActionSequenceTest::keyInPeriod },
            { 2, &ActionSequenceTest::arrowOnList },
            { 1, &ActionSequenceTest::editOutput },
            { 1, &ActionSequenceTest::about },
            { 3, &ActionSequenceTest::generate },
            { 3, &ActionSequenceTest::putPostscale },
        };
        return table;
    }

    static QString pick(QRandomGenerator& rng, const QStringList& choices)
    {
        return choices.at(rng.bounded(int(choices.size())));
    }

    template <std::size_t N> static int pickId(QRandomGenerator& rng, const int (&ids)[N])
    {
        return ids[rng.bounded(int(N))];
    }

    QString clickCheckBox(QRandomGenerator& rng)
    {
        const int ids[] = { ctl::UseInt0, ctl::UseInt1, ctl::UseTimer0, ctl::UseTimer1, ctl::Gate0, ctl::Gate1,
            ctl::UseUart, ctl::DoubleBaud, ctl::UartInterrupt, ctl::CommentCheck, ctl::CopyCheck };
        const int id = pickId(rng, ids);
        if (!ui->enabled(id))
            return {};
        ui->click(id);
        return QString("click %1").arg(id);
    }

    // The exact box and the drift-free box, never disabled.
    QString clickPrecisionBox(QRandomGenerator& rng)
    {
        const int id = rng.bounded(2) ? ctl::ExactCheck : ctl::DriftFreeCheck;
        ui->click(id);
        return QString("click %1").arg(id);
    }

    QString chooseMode(QRandomGenerator& rng)
    {
        const TimerBlock& b = kBlocks[rng.bounded(2)];
        if (!ui->enabled(b.mode))
            return {};
        const int index = rng.bounded(6);
        ui->choose(b.mode, index);
        return QString("choose %1 item %2").arg(b.mode).arg(index);
    }

    QString chooseCrystal(QRandomGenerator& rng)
    {
        const int index = rng.bounded(11);
        ui->choose(ctl::CrystalList, index);
        return QString("choose crystal %1").arg(index);
    }

    QString customCrystal(QRandomGenerator& rng)
    {
        const QString text = pick(rng, kCustomMhz);
        const int how = rng.bounded(4);
        OnNextDialog([text, how](CDialogBase& dialog, DialogDriver& custom) {
            if (how == 3)
                custom.pasteOver(ctl::CustomMhzInput, text);
            else
                custom.typeOver(ctl::CustomMhzInput, text);
            if (how == 1)
                custom.pressKey(ctl::CustomMhzInput, Qt::Key_Escape);
            else if (how == 2)
                custom.pressKey(ctl::CustomMhzInput, Qt::Key_Return);
            else
                custom.click(ctl::CustomOkButton);
            if (dialog.isVisible()) // refused by OK
                custom.click(ctl::CustomCancelButton);
        });
        ui->choose(ctl::CrystalList, 11);
        return QString("custom crystal \"%1\" close %2").arg(text).arg(how);
    }

    QString chooseBaud(QRandomGenerator& rng)
    {
        if (!ui->enabled(ctl::BaudList))
            return {};
        const int index = rng.bounded(11);
        ui->choose(ctl::BaudList, index);
        return QString("choose baud %1").arg(index);
    }

    // Picks an item, or types a text that may be none.
    QString setTrigger(QRandomGenerator& rng)
    {
        const int id = rng.bounded(2) ? ctl::Int0Trigger : ctl::Int1Trigger;
        if (!ui->enabled(id))
            return {};
        if (rng.bounded(3)) {
            const int index = rng.bounded(2);
            ui->choose(id, index);
            return QString("choose trigger %1 item %2").arg(id).arg(index);
        }
        const QString text = pick(rng, kTriggerTexts);
        ui->typeOver(id, text);
        return QString("type \"%1\" into %2").arg(text).arg(id);
    }

    // Types or pastes one of `texts` over the box `id`.
    QString putText(QRandomGenerator& rng, int id, const QStringList& texts)
    {
        if (!ui->enabled(id))
            return {};
        const QString text = pick(rng, texts);
        const bool typed = rng.bounded(2);
        if (typed)
            ui->typeOver(id, text);
        else
            ui->pasteOver(id, text);
        return QString("%1 \"%2\" into %3").arg(typed ? "type" : "paste", text).arg(id);
    }

    QString putPeriod(QRandomGenerator& rng) { return putText(rng, kBlocks[rng.bounded(2)].period, kPeriods); }

    QString putPostscale(QRandomGenerator& rng)
    {
        static const QStringList counts { "1", "2", "16", "255", "256", "400", "65535", "65536", "0", "", "x",
            "99999999999" };
        return putText(rng, rng.bounded(2) ? ctl::Timer1Postscale : ctl::Timer0Postscale, counts);
    }

    QString keyInPeriod(QRandomGenerator& rng)
    {
        const TimerBlock& b = kBlocks[rng.bounded(2)];
        if (!ui->enabled(b.period))
            return {};
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

    QString arrowOnList(QRandomGenerator& rng)
    {
        const int ids[] = { ctl::Timer0Mode, ctl::Timer1Mode, ctl::CrystalList, ctl::BaudList };
        const int id = pickId(rng, ids);
        if (!ui->enabled(id))
            return {};
        // The keyboard on a closed list moves the selection as well (short
        // of the custom entry, which opens its dialog).
        const bool down = rng.bounded(2) && !(id == ctl::CrystalList && ui->selected(ctl::CrystalList) >= 10)
            && !(id == ctl::BaudList && ui->selected(ctl::BaudList) >= 10); // nor "其他…"
        ui->pressKey(id, down ? Qt::Key_Down : Qt::Key_Up);
        return QString("arrow key on %1").arg(id);
    }

    QString editOutput(QRandomGenerator& rng)
    {
        if (rng.bounded(2)) {
            ui->pressKey(ctl::OutputBox, Qt::Key_Z, Qt::ControlModifier);
            return QStringLiteral("Ctrl+Z in the output box");
        }
        auto* box = ui->as<QPlainTextEdit>(ctl::OutputBox);
        box->setFocus();
        QTest::keyClicks(box, "x1");
        return QStringLiteral("type into the output box");
    }

    QString about(QRandomGenerator& rng)
    {
        const bool fromMenu = rng.bounded(2);
        OnNextDialog([](CDialogBase&, DialogDriver& box) { box.click(ctl::AboutOkButton); });
        if (fromMenu)
            dlg->SystemMenu()->actions().last()->trigger();
        else
            ui->click(ctl::AboutButton);
        return fromMenu ? QStringLiteral("About from the menu") : QStringLiteral("About button");
    }

    QString generate(QRandomGenerator& rng)
    {
        m_beforeGenerate = dlg->OutputText();
        if (rng.bounded(2))
            ui->click(ctl::GenerateButton);
        else
            ui->pressKey(ctl::OutputBox, Qt::Key_Return);
        m_generated = true;
        return QStringLiteral("generate");
    }

    QString act(QRandomGenerator& rng)
    {
        int total = 0;
        for (const Action& a : actions())
            total += a.weight;
        for (;;) {
            int roll = rng.bounded(total);
            for (const Action& a : actions()) {
                roll -= a.weight;
                if (roll >= 0)
                    continue;
                if (QString done = (this->*a.act)(rng); !done.isEmpty())
                    return done;
                break;
            }
        }
    }

    bool driftFree() const { return ui->checked(ctl::DriftFreeCheck); }

    // With drift-free timing, the first timer in use in mode 0 or 1 whose
    // displayed bytes stand for a count the routine cannot keep exact.
    std::optional<int> driftFreeRefusedMode() const
    {
        if (!driftFree())
            return std::nullopt;
        for (const TimerBlock& b : kBlocks) {
            const int mode = ui->selected(b.mode);
            const auto bytes = bytesShown(ui->text(b.display));
            if (!ui->checked(b.use) || mode >= 2 || !bytes)
                continue;
            const std::uint32_t limit = orlet::TimerModeLimit(mode), low = mode == 0 ? 32 : 256;
            const std::uint64_t count
                = limit - (std::uint32_t(bytes->first) * low + std::uint32_t(bytes->second) % low) % limit;
            if (!orlet::DriftFreeKeeps(count, mode))
                return mode;
        }
        return std::nullopt;
    }

    orlet::Precision precision() const
    {
        return ui->checked(ctl::ExactCheck) ? orlet::Precision::Exact : orlet::Precision::Classic;
    }

    // A real-period line belongs to a timer in use in a timer mode, and tells
    // what its bytes and software counter give now.
    QString precisionInconsistency() const
    {
        for (int t = 0; t < 2; ++t) {
            const TimerBlock& b = kBlocks[t];
            const int lineId = t == 0 ? ctl::Timer0Actual : ctl::Timer1Actual;
            const int boxId = t == 0 ? ctl::Timer0Postscale : ctl::Timer1Postscale;
            const std::uint32_t n = dlg->Model().timer(t).postscale;
            if (ui->text(boxId) != QString::number(n) || n < 1 || n > orlet::kMaxPostscale)
                return QString("box %1 shows %2, the postscale is %3").arg(boxId).arg(ui->text(boxId)).arg(n);
            const QString line = ui->text(lineId);
            const int mode = ui->selected(b.mode);
            if (!line.isEmpty() && (!ui->checked(b.use) || mode >= 3))
                return QString("timer %1 off or counting shows \"%2\"").arg(t).arg(line);
            if (line.isEmpty())
                continue;
            const std::uint32_t period = dlg->Model().timer(t).time;
            const orlet::TimerReload reload
                = orlet::ComputeTimerReload(dlg->Model().crystalHz, mode, false, period, precision());
            const bool kept = reload.inRange && orlet::DriftFreeKeeps(reload.count, mode);
            if (line.startsWith(QStringLiteral("无累积误差")) && (!driftFree() || kept))
                return QString("timer %1 line \"%2\" for a count drift-free timing keeps").arg(t).arg(line);
            if (!line.startsWith(QStringLiteral("实际")))
                continue;
            if (driftFree() && !kept)
                return QString("timer %1 line \"%2\" for a count drift-free timing cannot keep").arg(t).arg(line);
            const int th = dlg->Model().timer(t).th;
            const int tl = dlg->Model().timer(t).tl;
            const orlet::TimerRequest request { t, mode, false, period, 12, false, precision() };
            const orlet::TimerCalculation calculation
                = orlet::CalculateTimer(orlet::Chip(), dlg->Model().crystalHz, request);
            const QString real = QString::fromStdString(orlet::RealPeriodLine(orlet::DeriveTimer(
                { orlet::Chip(), dlg->Model().crystalHz, request, calculation, n, false, driftFree(), driftFree() })));
            if (reload.th != th || reload.tl != tl || line != real)
                return QString("timer %1 line \"%2\" stands for other bytes or periods").arg(t).arg(line);
        }
        return {};
    }

    // ---- What must hold after every action ---------------------------------

    QString timerProblem(int t) const
    {
        const TimerBlock& b = kBlocks[t];
        const std::uint32_t period = dlg->Model().timer(t).time;
        if (ui->text(b.period) != QString::number(period))
            return QString("box %1 shows %2, the period is %3").arg(b.period).arg(ui->text(b.period)).arg(period);
        const int half = (dlg->Model().tmod >> b.shift) & 0x0F;
        if ((half & 0x03) == 3)
            return QString("timer %1 in mode 3: TMOD 0x%2").arg(t).arg(dlg->Model().tmod, 0, 16);
        const int index = ui->selected(b.mode);
        if (half != (kModeBits[index] | (ui->checked(b.gate) ? 0x08 : 0)))
            return QString("timer %1 lists item %2, GATE %3, but TMOD is 0x%4")
                .arg(t)
                .arg(index)
                .arg(ui->checked(b.gate))
                .arg(dlg->Model().tmod, 0, 16);
        if (ui->text(b.unit) != (index >= 3 ? "plus" : "us"))
            return QString("timer %1 lists item %2 beside \"%3\"").arg(t).arg(index).arg(ui->text(b.unit));
        if (!ui->checked(b.use))
            return {};
        const int th = dlg->Model().timer(t).th;
        const int tl = dlg->Model().timer(t).tl;
        if (bytesShown(ui->text(b.display)) != std::pair { th, tl })
            return QString("display %1 shows %2, the bytes are %3")
                .arg(QString::number(b.display), ui->text(b.display), u8(orlet::FormatReloadText(th, tl)));
        return {};
    }

    QString serialProblem() const
    {
        if (!ui->checked(ctl::UseUart))
            return {};
        if (ui->checked(ctl::UseTimer1) || ui->enabled(ctl::UseTimer1))
            return QStringLiteral("timer 1 can be used with the serial port");
        const orlet::BaudReload baud = orlet::ComputeBaudReload(
            dlg->Model().crystalHz, ui->selected(ctl::BaudList), ui->checked(ctl::DoubleBaud), precision());
        if (baud.rateIndex != ui->selected(ctl::BaudList))
            return QString("the list shows a rate that does not fit: %1").arg(ui->text(ctl::BaudList));
        if (dlg->Model().timer(1).th != baud.reload || dlg->Model().timer(1).tl != baud.reload)
            return QString("serial reload 0x%1 behind %2")
                .arg(dlg->Model().timer(1).th, 0, 16)
                .arg(ui->text(ctl::BaudReload));
        if (ui->text(ctl::BaudReload) != u8(baud.reloadText) || ui->text(ctl::BaudError) != u8(baud.errorText))
            return QString("serial displays %1 %2").arg(ui->text(ctl::BaudReload), ui->text(ctl::BaudError));
        return {};
    }

    QString crystalProblem() const
    {
        const int crystal = ui->selected(ctl::CrystalList);
        if (crystal < 11 && dlg->Model().crystalHz != orlet::CrystalHzAt(crystal))
            return QString("crystal item %1 but %2 Hz").arg(crystal).arg(dlg->Model().crystalHz);
        if (crystal < 11 && !ui->text(ctl::CustomMhz).isEmpty())
            return QStringLiteral("the MHz box shows a custom frequency for a fixed crystal");
        if (crystal == 11 && u8(orlet::FormatCustomMhz(g_customMhz)) != ui->text(ctl::CustomMhz))
            return QStringLiteral("the MHz box does not show the custom frequency");
        return {};
    }

    QString messageProblem() const
    {
        static const QSet<QString> known = knownMessages();
        for (const MessageRequest& m : recorder->messages) {
            if (!known.contains(m.text))
                return QString("an unknown message: %1").arg(m.text);
            // Only the custom-frequency range message has a caption and an icon.
            const bool range = m.text == u8(orlet::kCustomMhzRangeMessage);
            if (m.caption != (range ? u8(orlet::kCustomMhzCaption) : QString())
                || m.icon != (range ? MessageIcon::Stop : MessageIcon::None))
                return QString("message \"%1\" with caption \"%2\"").arg(m.text, m.caption);
        }
        return {};
    }

    // The text the generator writes for what the window shows.
    QString textForWhatIsShown() const
    {
        orlet::GeneratorSettings s;
        s.comments = ui->checked(ctl::CommentCheck);
        const auto trigger = [this](int id) {
            return ui->text(id) == u8("低电平") ? orlet::TriggerMode::Level : orlet::TriggerMode::FallingEdge;
        };
        s.int0Enabled = ui->checked(ctl::UseInt0);
        s.int0Trigger = trigger(ctl::Int0Trigger);
        s.int1Enabled = ui->checked(ctl::UseInt1);
        s.int1Trigger = trigger(ctl::Int1Trigger);
        s.timer(0).enabled = ui->checked(ctl::UseTimer0);
        s.timer(1).enabled = ui->checked(ctl::UseTimer1);
        s.uartEnabled = ui->checked(ctl::UseUart);
        s.uartDoubleBaud = ui->checked(ctl::DoubleBaud);
        s.uartInterrupt = ui->checked(ctl::UartInterrupt);
        for (const TimerBlock& b : kBlocks)
            s.tmod |= (kModeBits[ui->selected(b.mode)] | (ui->checked(b.gate) ? 0x08 : 0)) << b.shift;
        if (const auto bytes = bytesShown(ui->text(ctl::Timer0Reload)); s.timer(0).enabled && bytes) {
            s.timer(0).th = std::uint8_t(bytes->first);
            s.timer(0).tl = std::uint8_t(bytes->second);
        }
        if (const auto bytes = bytesShown(ui->text(ctl::Timer1Reload)); s.timer(1).enabled && bytes) {
            s.timer(1).th = std::uint8_t(bytes->first);
            s.timer(1).tl = std::uint8_t(bytes->second);
        }
        if (s.uartEnabled)
            s.timer(1).th = s.timer(1).tl = std::uint8_t(ui->text(ctl::BaudReload).toInt(nullptr, 16));
        s.timer(0).postscale = std::uint16_t(ui->text(ctl::Timer0Postscale).toUInt());
        s.timer(1).postscale = std::uint16_t(ui->text(ctl::Timer1Postscale).toUInt());
        s.driftFree = driftFree();
        return QString::fromStdString(orlet::BuildSourceText(s));
    }

    // The settings the window shows, as orlet-gen would be asked for them.
    orlet::Configuration configurationShown() const
    {
        const auto trigger = [this](int use, int list) -> std::optional<orlet::TriggerMode> {
            if (!ui->checked(use))
                return std::nullopt;
            return ui->text(list) == u8("低电平") ? orlet::TriggerMode::Level : orlet::TriggerMode::FallingEdge;
        };
        const auto timer = [this](int t) {
            const TimerBlock& b = kBlocks[t];
            const int mode = ui->selected(b.mode);
            const int postscale = t == 0 ? ctl::Timer0Postscale : ctl::Timer1Postscale;
            return orlet::TimerConfig { ui->checked(b.use), mode >= 3, mode % 3, ui->text(b.period).toUInt(),
                ui->checked(b.gate), ui->text(postscale).toUInt() };
        };
        orlet::Configuration c;
        c.crystalHz = dlg->Model().crystalHz;
        c.comments = ui->checked(ctl::CommentCheck);
        c.int0 = trigger(ctl::UseInt0, ctl::Int0Trigger);
        c.int1 = trigger(ctl::UseInt1, ctl::Int1Trigger);
        c.timer(0) = timer(0);
        c.timer(1) = timer(1);
        if (ui->checked(ctl::UseUart))
            c.uartBaudIndex = ui->selected(ctl::BaudList);
        c.uartDoubleBaud = ui->checked(ctl::DoubleBaud);
        c.uartInterrupt = ui->checked(ctl::UartInterrupt);
        c.precision = precision();
        c.driftFree = driftFree();
        return c;
    }

    // What orlet-gen writes for the settings the window shows, once every
    // block in use shows what they give; empty before (a display not yet
    // calculated, a period just corrected) and where the window keeps on
    // purpose what orlet-gen cannot be asked for (timer 0's TMOD bits after
    // its switch-off).
    std::optional<QString> orletGenText() const
    {
        const orlet::Configuration c = configurationShown();
        const orlet::ResolveResult r = orlet::ResolveConfiguration(c);
        if (!r.resolved)
            return std::nullopt;
        const orlet::ResolvedConfiguration& shown = *r.resolved;
        if ((c.timer(0).enabled && ui->text(ctl::Timer0Reload) != u8(shown.reloadTexts[0]))
            || (c.timer(1).enabled && ui->text(ctl::Timer1Reload) != u8(shown.reloadTexts[1]))
            || (c.uartBaudIndex
                && (ui->text(ctl::BaudReload) != u8(shown.baudReloadText)
                    || ui->text(ctl::BaudError) != u8(shown.baudErrorText))))
            return std::nullopt;
        if (!c.timer(0).enabled && (dlg->Model().tmod & 0x0F))
            return std::nullopt;
        return u8(orlet::BuildSourceText(shown.settings));
    }

    QString generateProblem()
    {
        if (!std::exchange(m_generated, false))
            return {};
        if (const std::optional<int> mode = driftFreeRefusedMode()) {
            const QString expected = u8(orlet::MessageText({ orlet::MessageCode::DriftFreeOutOfRange, *mode }));
            if (recorder->messages.isEmpty() || recorder->messages.back().text != expected)
                return QStringLiteral("Generate wrote what drift-free timing cannot keep exact");
            if (dlg->OutputText() != m_beforeGenerate)
                return QStringLiteral("a refused Generate changed the output box");
            return {};
        }
        if (dlg->OutputText() != textForWhatIsShown())
            return QStringLiteral("Generate wrote a text that is not the one for what the window shows");
        if (const auto text = orletGenText()) {
            ++m_comparedWithOrletGen;
            if (dlg->OutputText() != *text)
                return QStringLiteral("Generate wrote a text that is not orlet-gen's for what the window shows");
        }
        if (!ui->checked(ctl::CopyCheck))
            return {};
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        if (copied->formats() != QStringList { "text/plain" })
            return QString("the clipboard offers %1").arg(copied->formats().join(' '));
        if (QString(dlg->OutputText()).replace("\r\n", "\n") != QString(copied->text()).replace("\r\n", "\n"))
            return QStringLiteral("the clipboard does not hold the generated text");
        return {};
    }

    QString inconsistency()
    {
        QString problem = timerProblem(0);
        for (const QString& next :
            { timerProblem(1), serialProblem(), crystalProblem(), messageProblem(), precisionInconsistency() }) {
            if (problem.isEmpty())
                problem = next;
        }
        if (problem.isEmpty())
            problem = generateProblem();
        if (problem.isEmpty() && QApplication::activeModalWidget() && QApplication::activeModalWidget() != dlg.get())
            problem = QStringLiteral("a modal window was left open");
        if (problem.isEmpty() && !dlg->isVisible())
            problem = QStringLiteral("the window closed");
        return problem;
    }

    // One session on a fresh window; the first problem, with the steps that
    // led to it, or an empty text.
    QString session(quint32 seed, int steps)
    {
        QRandomGenerator rng(seed);
        QStringList done;
        m_generated = false;
        m_comparedWithOrletGen = 0;
        for (int step = 0; step < steps; ++step) {
            done << act(rng);
            const QString problem = inconsistency();
            recorder->clear();
            if (!problem.isEmpty())
                return SessionProblem(seed, step, problem, done);
        }
        return {};
    }

    bool m_generated = false;
    QString m_beforeGenerate;
    int m_comparedWithOrletGen = 0;

private slots:
    void randomActions_data() { AddSeedRows(kFixedSeeds); }

    void randomActions()
    {
        QFETCH(quint32, seed);
        const QString problem = session(seed, kSteps);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(m_comparedWithOrletGen > 0, "no Generate was compared with orlet-gen");
    }

    // ORLET_SOAK_SECONDS=N: random seeds for N seconds (ORLET_SOAK_SEED
    // replays one).
    void soak()
    {
        const int seconds = qEnvironmentVariableIntValue("ORLET_SOAK_SECONDS");
        bool replay = false;
        const quint32 replaySeed = qEnvironmentVariable("ORLET_SOAK_SEED").toUInt(&replay);
        if (seconds <= 0 && !replay)
            QSKIP("ORLET_SOAK_SECONDS is not set");
        const QDeadlineTimer deadline(qint64(seconds) * 1000);
        int sessions = 0;
        do {
            const quint32 seed = replay ? replaySeed : QRandomGenerator::system()->generate();
            closeWindow();
            QVERIFY(openWindow());
            const QString problem = session(seed, kSteps);
            QVERIFY2(problem.isEmpty(), qPrintable(problem + QString("\nreplay: ORLET_SOAK_SEED=%1").arg(seed)));
            ++sessions;
        } while (!replay && !deadline.hasExpired());
        qInfo("%d sessions of %d actions", sessions, kSteps);
    }
};

QTEST_MAIN(ActionSequenceTest)
#include "ActionSequenceTest.moc"
