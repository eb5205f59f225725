#include "MainWindowFixture.h"

#include "GenCommand.h"
#include "Orlet.h"

#include <QApplication>
#include <QTest>

void MainWindowFixture::prepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Orlet"));
    ApplyDialogFont();
}

void MainWindowFixture::init()
{
    QVERIFY(openWindow());
}

bool MainWindowFixture::openWindow()
{
    recorder = std::make_unique<MessageRecorder>();
    dlg = std::make_unique<COrletDlg>();
    ui = std::make_unique<DialogDriver>(*dlg);
    dlg->Create();
    dlg->show();
    return QTest::qWaitForWindowExposed(dlg.get());
}

void MainWindowFixture::closeWindow()
{
    CancelModalWatchers();
    ui.reset();
    dlg.reset();
    recorder.reset();
}

void MainWindowFixture::expectMessage(const QString& text) const
{
    QCOMPARE(recorder->texts(), text.isEmpty() ? QStringList() : QStringList { text });
    for (const MessageRequest& m : recorder->messages) {
        QCOMPARE(m.caption, QString());
        QCOMPARE(m.icon, MessageIcon::None);
        QCOMPARE(m.owner, dlg.get());
    }
}

QString MainWindowFixture::orletGen(const QStringList& args)
{
    const auto parsed = orlet::ParseGenArguments(QStringList { "orlet-gen", "--encoding", "utf-8" } + args);
    if (!parsed.request)
        qFatal("orlet-gen refused: %s", qPrintable(parsed.error));
    const orlet::GenOutput out = orlet::RenderGenOutput(*parsed.request);
    if (!out.error.isEmpty())
        qFatal("orlet-gen refused: %s", qPrintable(out.error));
    return QString::fromUtf8(out.bytes);
}

void AddSeedRows(quint32 count)
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= count; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

QString SessionProblem(quint32 seed, int step, const QString& problem, const QStringList& done)
{
    return QString("seed %1, after step %2: %3\nlast actions:\n  %4")
        .arg(seed)
        .arg(step)
        .arg(problem, done.mid(qMax(0, done.size() - 12)).join("\n  "));
}
