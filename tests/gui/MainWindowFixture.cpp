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
