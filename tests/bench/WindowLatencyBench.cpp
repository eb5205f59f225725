#include "ControlIds.h"
#include "DialogDriver.h"
#include "Orlet.h"
#include "OrletDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 300;

// Sees the window's repaint requests, so a measure can wait for the one
// that follows an action.
class RepaintWatch : public QObject
{
public:
    explicit RepaintWatch(QWidget& window) { window.installEventFilter(this); }
    bool seen = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            seen = true;
        return QObject::eventFilter(watched, event);
    }
};

struct Sample {
    double handlerMs;
    double repaintMs;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto at = std::size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

void report(const char* name, const std::vector<Sample>& samples)
{
    std::vector<double> handler, repaint;
    for (const Sample& s : samples) {
        handler.push_back(s.handlerMs);
        repaint.push_back(s.repaintMs);
    }
    std::printf("%-44s handler p50 %.3f p95 %.3f max %.3f ms | to repaint p50 %.3f p95 %.3f max %.3f ms\n", name,
        percentile(handler, 0.5), percentile(handler, 0.95), percentile(handler, 1), percentile(repaint, 0.5),
        percentile(repaint, 0.95), percentile(repaint, 1));
}

// Runs `action` (the user's, measured) and `undo` (unmeasured, so the next
// run starts from the same state) kRuns times.
std::vector<Sample> measure(
    QWidget& window, const std::function<void(int)>& action, const std::function<void(int)>& undo)
{
    RepaintWatch watch(window);
    std::vector<Sample> samples;
    for (int run = 0; run < kRuns; ++run) {
        QApplication::processEvents();
        watch.seen = false;
        QElapsedTimer clock;
        clock.start();
        action(run);
        const qint64 handler = clock.nsecsElapsed();
        for (int spin = 0; spin < 100 && !watch.seen; ++spin)
            QApplication::processEvents();
        QApplication::processEvents();
        samples.push_back({ handler / 1e6, clock.nsecsElapsed() / 1e6 });
        if (undo)
            undo(run);
    }
    return samples;
}

} // namespace

// How long the window takes from a user action to its repainted state.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlet"));
    ApplyDialogFont();
    MessageRecorder recorder; // no message is expected; none may block
    COrletDlg window;
    window.Create();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    DialogDriver ui(window);

    ui.click(ctl::UseTimer0);
    ui.choose(ctl::Timer0Mode, 1);
    ui.typeOver(ctl::Timer0Period, QStringLiteral("10"));
    QWidget* period = ui.item(ctl::Timer0Period);
    report("typing a period digit (timer 0)",
        measure(
            window, [period](int) { QTest::keyClick(period, Qt::Key_0); },
            [period](int) { QTest::keyClick(period, Qt::Key_Backspace); }));

    QWidget* mode = ui.item(ctl::Timer0Mode);
    mode->setFocus();
    report("mode change (timer 0, 定时方式1 <-> 2)",
        measure(window, [mode](int run) { QTest::keyClick(mode, run % 2 ? Qt::Key_Up : Qt::Key_Down); }, {}));

    ui.click(ctl::UseUart);
    QWidget* crystal = ui.item(ctl::CrystalList);
    crystal->setFocus();
    report("crystal change (timer 0 and serial port in use)",
        measure(window, [crystal](int run) { QTest::keyClick(crystal, run % 2 ? Qt::Key_Up : Qt::Key_Down); }, {}));

    for (int id : { ctl::UseInt0, ctl::UseInt1, ctl::Gate0, ctl::DoubleBaud, ctl::UartInterrupt, ctl::CommentCheck,
             ctl::CopyCheck })
        ui.click(id);
    QWidget* generate = ui.item(ctl::GenerateButton);
    report("Generate (everything on, copy)",
        measure(window, [generate](int) { QTest::mouseClick(generate, Qt::LeftButton); }, {}));
    return recorder.messages.isEmpty() ? 0 : 1;
}
