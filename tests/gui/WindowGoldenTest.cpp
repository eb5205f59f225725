// The window through fixed-seed random sessions on every chip: after each
// action, what a user sees of every control (shown, enabled, ticked, text,
// list items and selection, tooltip), the messages shown and the frame's
// size, held against tests/golden/window.txt as one hash per step.
//
//   ORLET_GOLDEN_RECORD=1  writes the file anew (for an intended change)
//   ORLET_GOLDEN_DUMP=DIR  writes each session's full log into DIR/window

#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "WindowView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <functional>
#include <map>

namespace {

constexpr quint32 kSeeds = 4;
constexpr int kSteps = 250;

const QStringList kChipTitles { "8051", "8052", "STC89", "STC15", "STC8" };
const QStringList kPeriods { "0", "1", "7", "100", "255", "256", "1000", "5000", "8192", "65535", "65536", "70000",
    "4294967295", "99999999999", "", "abc", " 42 " };
const QStringList kCounts { "1", "2", "16", "255", "256", "65535", "65536", "0", "", "x" };
const QStringList kCustomMhz { "3.6864", "7.3728", "18.432", "1", "100", "100.5", "0", "abc", "" };
const QStringList kHeaders { "STC15F2K60S2.H", "stc8h.h", "a<b.h", "", " x.h" };

const int kBoxes[] = { ctl::UseInt0, ctl::UseInt1, ctl::UseTimer0, ctl::UseTimer1, ctl::UseTimer2, ctl::Gate0,
    ctl::Gate1, ctl::UseUart, ctl::DoubleBaud, ctl::UartInterrupt, ctl::CommentCheck, ctl::ExactCheck,
    ctl::DriftFreeCheck, ctl::Timer0Clock, ctl::Timer1Clock, ctl::Timer2Clock, ctl::SixTCheck, ctl::UartTimer2 };
const int kModes[] = { ctl::Timer0Mode, ctl::Timer1Mode, ctl::Timer2Mode };
const int kPeriodBoxes[] = { ctl::Timer0Period, ctl::Timer1Period, ctl::Timer2Period };
const int kPostscaleBoxes[] = { ctl::Timer0Postscale, ctl::Timer1Postscale, ctl::Timer2Postscale };

QByteArray fnv1a(const QByteArray& bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3ull;
    }
    return QByteArray::number(static_cast<qulonglong>(hash), 16).rightJustified(16, '0');
}

QString goldenPath()
{
    return QStringLiteral(ORLET_GOLDEN_DIR "/window.txt");
}

std::map<QString, QByteArray> readGolden()
{
    std::map<QString, QByteArray> golden;
    QFile file(goldenPath());
    if (!file.open(QIODevice::ReadOnly))
        return golden;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const int last = line.lastIndexOf(' ');
        golden[QString::fromUtf8(line.left(last))] = line.mid(last + 1);
    }
    return golden;
}

} // namespace

class WindowGoldenTest : public MainWindowFixture
{
    Q_OBJECT

private:
    template <typename T> static T pick(QRandomGenerator& rng, const QList<T>& choices)
    {
        return choices.at(rng.bounded(int(choices.size())));
    }

    template <std::size_t N> static int pickId(QRandomGenerator& rng, const int (&ids)[N])
    {
        return ids[rng.bounded(int(N))];
    }

    bool usable(int id) const { return ui->item(id)->isVisible() && ui->enabled(id); }

    QString chooseChip(const QString& title)
    {
        const int index = int(ui->items(ctl::ChipList).indexOf(title));
        ui->choose(ctl::ChipList, index);
        return "chip " + title;
    }

    QString clickBox(QRandomGenerator& rng)
    {
        const int id = pickId(rng, kBoxes);
        if (!usable(id))
            return {};
        ui->click(id);
        return QString("click %1").arg(id);
    }

    QString chooseItem(int id, int index)
    {
        ui->choose(id, index);
        return QString("choose %1 item %2").arg(id).arg(index);
    }

    QString chooseMode(QRandomGenerator& rng)
    {
        const int id = pickId(rng, kModes);
        if (!usable(id))
            return {};
        return chooseItem(id, rng.bounded(int(ui->items(id).size())));
    }

    QString chooseList(QRandomGenerator& rng)
    {
        const int id = pickId(rng, { ctl::CrystalList, ctl::BaudList, ctl::Int0Trigger, ctl::Int1Trigger });
        if (!usable(id))
            return {};
        // Not the custom crystal, nor "其他…" at the end of the rate list.
        const int count = int(ui->items(id).size()) - (id == ctl::CrystalList || id == ctl::BaudList ? 1 : 0);
        return chooseItem(id, rng.bounded(count));
    }

    QString customCrystal(QRandomGenerator& rng)
    {
        const QString text = pick(rng, kCustomMhz);
        const bool ok = rng.bounded(4) != 0;
        OnNextDialog([text, ok](CDialogBase& dialog, DialogDriver& custom) {
            custom.typeOver(ctl::CustomMhzInput, text);
            custom.click(ok ? ctl::CustomOkButton : ctl::CustomCancelButton);
            if (dialog.isVisible()) // refused by OK
                custom.click(ctl::CustomCancelButton);
        });
        ui->choose(ctl::CrystalList, int(ui->items(ctl::CrystalList).size()) - 1);
        return QString("custom crystal \"%1\" %2").arg(text, ok ? "OK" : "Cancel");
    }

    QString typeText(QRandomGenerator& rng, int id, const QStringList& texts)
    {
        if (!usable(id))
            return {};
        const QString text = pick(rng, texts);
        ui->typeOver(id, text);
        return QString("type \"%1\" into %2").arg(text).arg(id);
    }

    QString act(QRandomGenerator& rng)
    {
        const auto generate = [&] {
            ui->click(ctl::GenerateButton);
            return QStringLiteral("generate");
        };
        // Weighted by repeating; an action whose control is not there, or
        // that is skipped, gives way to another.
        const std::function<QString()> actions[] = {
            [&] { return clickBox(rng); },
            [&] { return clickBox(rng); },
            [&] { return clickBox(rng); },
            [&] { return clickBox(rng); },
            [&] { return clickBox(rng); },
            [&] { return chooseMode(rng); },
            [&] { return chooseMode(rng); },
            [&] { return chooseList(rng); },
            [&] { return typeText(rng, pickId(rng, kPeriodBoxes), kPeriods); },
            [&] { return typeText(rng, pickId(rng, kPeriodBoxes), kPeriods); },
            [&] { return typeText(rng, pickId(rng, kPeriodBoxes), kPeriods); },
            [&] { return typeText(rng, pickId(rng, kPostscaleBoxes), kCounts); },
            [&] { return typeText(rng, ctl::VendorHeader, kHeaders); },
            [&] { return rng.bounded(3) == 0 ? customCrystal(rng) : QString(); },
            // Now and then another chip, and back: a session stays mostly on its chip.
            [&] { return rng.bounded(6) == 0 ? chooseChip(pick(rng, kChipTitles)) : QString(); },
            [&] { return rng.bounded(2) == 0 ? generate() : QString(); },
        };
        for (;;) {
            if (QString done = actions[rng.bounded(int(std::size(actions)))](); !done.isEmpty())
                return done;
        }
    }

    static QString controlState(const QWidget& w, const QWidget& top)
    {
        QString state = QString("%1 %2%3").arg(
            w.objectName(), w.isVisibleTo(&top) ? "shown" : "hidden", w.isEnabled() ? "" : " disabled");
        if (const auto* button = qobject_cast<const QAbstractButton*>(&w))
            state += QString(" [%1] \"%2\"").arg(button->isChecked() ? "x" : " ", button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(&w))
            state += " \"" + label->text() + '"';
        else if (const auto* edit = qobject_cast<const QLineEdit*>(&w))
            state += " \"" + edit->text() + '"';
        else if (const auto* box = qobject_cast<const QPlainTextEdit*>(&w))
            state += " \"" + box->toPlainText() + '"';
        else if (const auto* list = qobject_cast<const QComboBox*>(&w)) {
            QStringList items;
            for (int i = 0; i < list->count(); ++i)
                items << list->itemText(i);
            state += QString(" #%1 \"%2\" {%3}").arg(list->currentIndex()).arg(list->currentText(), items.join('|'));
        }
        if (!w.toolTip().isEmpty())
            state += " tip \"" + w.toolTip() + '"';
        return state;
    }

    // Where the window shows other than the core's view of its model.
    QString viewProblem() const
    {
        const orlet::WindowView view = orlet::ViewOf(dlg->Model());
        for (const auto& [control, id] : ctl::kViewedControls) {
            const orlet::ControlView& c = view[control];
            const QWidget& w = *ui->item(id);
            const auto differs = [id](const char* what) { return QString("control %1: %2").arg(id).arg(what); };
            if (w.isVisibleTo(dlg.get()) != c.visible)
                return differs("shown");
            if (!c.visible)
                continue;
            if (w.isEnabled() != c.enabled)
                return differs("enabled");
            if (w.toolTip() != QString::fromStdString(c.tooltip))
                return differs("tooltip");
            if (c.checked && qobject_cast<const QAbstractButton*>(&w)->isChecked() != *c.checked)
                return differs("ticked");
            if (const auto* list = qobject_cast<const QComboBox*>(&w)) {
                QStringList items;
                for (int i = 0; i < list->count(); ++i)
                    items << list->itemText(i);
                QStringList viewed;
                for (const std::string& item : c.items)
                    viewed << QString::fromStdString(item);
                if (items != viewed || list->currentIndex() != c.index)
                    return differs("items or selection");
            } else if (windowText(w) != QString::fromStdString(c.text)) {
                return differs(qPrintable("text " + windowText(w) + " against " + QString::fromStdString(c.text)));
            }
        }
        return {};
    }

    static QString windowText(const QWidget& w)
    {
        if (const auto* label = qobject_cast<const QLabel*>(&w))
            return label->text();
        if (const auto* edit = qobject_cast<const QLineEdit*>(&w))
            return edit->text();
        if (const auto* box = qobject_cast<const QAbstractButton*>(&w))
            return box->text();
        return {};
    }

    // Every named control of the window, in the order of their names.
    QString windowState() const
    {
        QStringList lines { QString("frame %1x%2").arg(dlg->width()).arg(dlg->height()) };
        for (const MessageRequest& m : recorder->messages)
            lines << QString("message \"%1\" caption \"%2\" icon %3").arg(m.text, m.caption).arg(int(m.icon));
        QList<QWidget*> controls;
        for (QWidget* w : dlg->findChildren<QWidget*>()) {
            const bool shows = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)
                || qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QComboBox*>(w);
            if (shows && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                controls << w;
        }
        std::sort(controls.begin(), controls.end(),
            [](const QWidget* a, const QWidget* b) { return a->objectName() < b->objectName(); });
        for (const QWidget* w : controls)
            lines << controlState(*w, *dlg);
        return lines.join('\n');
    }

private slots:
    void sessions()
    {
        const std::map<QString, QByteArray> golden = readGolden();
        const QString dump = qEnvironmentVariable("ORLET_GOLDEN_DUMP");
        if (!dump.isEmpty())
            QDir().mkpath(dump + "/window");
        QByteArray recorded;
        QStringList changed;
        QStringList viewDiffers;
        for (const QString& title : kChipTitles) {
            for (quint32 seed = 1; seed <= kSeeds; ++seed) {
                closeWindow();
                QVERIFY(openWindow());
                QRandomGenerator rng(seed + 100 * quint32(kChipTitles.indexOf(title)));
                QByteArray log;
                for (int step = 0; step < kSteps; ++step) {
                    recorder->clear();
                    const QString done = step == 0 ? chooseChip(title) : act(rng);
                    const QByteArray state = windowState().toUtf8();
                    const QString key = QString("%1 %2 %3").arg(title).arg(seed).arg(step);
                    const QByteArray hash = fnv1a(state);
                    recorded += key.toUtf8() + ' ' + hash + '\n';
                    if (golden.count(key) == 0 || golden.at(key) != hash)
                        changed << key + ": " + done;
                    if (const QString problem = viewProblem(); !problem.isEmpty() && viewDiffers.size() < 10)
                        viewDiffers << key + ": " + done + ": " + problem;
                    log += "=== " + key.toUtf8() + ": " + done.toUtf8() + '\n' + state + '\n';
                }
                if (!dump.isEmpty()) {
                    QFile file(QString("%1/window/%2-%3.txt").arg(dump, title).arg(seed));
                    QVERIFY(file.open(QIODevice::WriteOnly));
                    file.write(log);
                }
            }
        }
        if (qEnvironmentVariableIsSet("ORLET_GOLDEN_RECORD")) {
            QFile file(goldenPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(recorded);
            return;
        }
        QVERIFY2(
            viewDiffers.isEmpty(), qPrintable("the window is not the core's view:\n  " + viewDiffers.join("\n  ")));
        QVERIFY2(changed.isEmpty(),
            qPrintable(QString("%1 steps differ, first %2 (scripts/golden.sh dumps the logs of two builds)")
                           .arg(changed.size())
                           .arg(changed.mid(0, 10).join("\n  "))));
    }
};

QTEST_MAIN(WindowGoldenTest)
#include "WindowGoldenTest.moc"
