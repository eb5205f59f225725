#include "ControlIds.h"
#include "MainWindowFixture.h"
#include "OrletDlg.h"
#include "SourceGenerator.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum ChipIndex { Stc15 = 3 };

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QAction* menuEntry(const COrletDlg& dlg, const char* text)
{
    for (QAction* action : dlg.SystemMenu()->actions()) {
        if (action->text() == QString::fromUtf8(text))
            return action;
    }
    return nullptr;
}

} // namespace

// Settings saved from the window and opened again: Ctrl+S, Ctrl+O, the
// menu's entries, a file dropped on the window; refusals change nothing.
class SettingsWindowTest : public MainWindowFixture
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString chosen; // what the file dialog answers

    // A folder of its own for each test function.
    QString folder() const
    {
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
        QDir().mkpath(path);
        return path;
    }
    QString path(const char* name) const { return folder() + '/' + QString::fromUtf8(name); }

    void answerWith(const QString& answer)
    {
        chosen = answer;
        dlg->SetPathChooser([this](bool) { return chosen; });
    }

    QString generated()
    {
        ui->click(ctl::GenerateButton);
        return dlg->OutputText();
    }

private slots:
    // The SDCC text is orlet-gen's, byte for byte; saved and opened again
    // the window writes it again, and its caption names the file.
    void savedAndOpenedAgainWritesTheSame()
    {
        ui->choose(ctl::ChipList, Stc15);
        ui->click(ctl::UseTimer0);
        ui->typeOver(ctl::Timer0Period, "500");
        ui->click(ctl::UseUart);
        menuEntry(*dlg, kSdccMenuText)->trigger();
        const QString sdcc = generated();
        QCOMPARE(sdcc, orletGen({ "--chip", "stc15", "--timer0", "0:500", "--uart", "9600", "--dialect", "sdcc" }));
        answerWith(path("board.orlet"));
        ui->pressKey(ctl::OutputBox, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(contents(path("board.orlet")).contains("\"dialect\": \"sdcc\""));
        QVERIFY(dlg->windowTitle().startsWith("board.orlet - "));
        const orlet::WindowModel saved = dlg->Model();

        menuEntry(*dlg, kKeilMenuText)->trigger();
        ui->click(ctl::UseUart);
        QVERIFY(generated() != sdcc);
        answerWith(path("board.orlet"));
        ui->pressKey(ctl::OutputBox, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(dlg->Model() == saved);
        QVERIFY(menuEntry(*dlg, kSdccMenuText)->isChecked());
        QCOMPARE(generated(), sdcc);
        expectMessage({});
    }

    // On every chip the window's SDCC text is what orlet-gen writes for the
    // settings it shows.
    void sdccTextOnEveryChip_data()
    {
        QTest::addColumn<int>("chip");
        for (int i = 0; i < int(orlet::ChipRows().size()); ++i)
            QTest::newRow(orlet::ChipRows()[std::size_t(i)].key.data()) << i;
    }

    void sdccTextOnEveryChip()
    {
        QFETCH(int, chip);
        ui->choose(ctl::ChipList, chip);
        ui->click(ctl::UseTimer0);
        ui->typeOver(ctl::Timer0Period, "1000");
        ui->click(ctl::UseUart);
        menuEntry(*dlg, kSdccMenuText)->trigger();
        const orlet::ResolveResult resolved = orlet::ResolveConfiguration(orlet::ConfigurationOf(dlg->Model()));
        QVERIFY(resolved.resolved);
        const std::string sdcc = orlet::BuildSourceText(resolved.resolved->settings, orlet::Dialect::Sdcc);
        QCOMPARE(generated(), QString::fromStdString(sdcc).replace("\n", "\r\n").replace("\r\r", "\r"));
    }

    // Ctrl+S saves to the file open without asking; a cancelled dialog
    // saves nothing.
    void ctrlSSavesToTheOpenFile()
    {
        answerWith({});
        ui->pressKey(ctl::OutputBox, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(dlg->SettingsPath().isEmpty());
        QVERIFY(dlg->SaveSettings(path("kept.orlet")));
        ui->click(ctl::CommentCheck);
        ui->pressKey(ctl::OutputBox, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(contents(path("kept.orlet")).contains("\"comments\": true"));
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList { "kept.orlet" });
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << QByteArray("{\"orlet\": 1,\n  \"chip\": stc15}")
                                  << "无法打开“bad.orlet”：\r\n不是 JSON 文件：第 2 行第 11 列有误。";
        QTest::newRow("the window's rule")
            << QByteArray(R"({"orlet": 1, "timer0": {"mode": 1, "us": 70000}})")
            << "无法打开“bad.orlet”：\r\n“timer0.us”：定时时间超出16位范围（最多 65536，文件中为 70000）。";
        QTest::newRow("newer")
            << QByteArray(R"({"orlet": 2})")
            << "无法打开“bad.orlet”：\r\n此文件由较新版本的 Orlet 写成（格式 2），本程序只能读格式 1。";
    }

    void refusedFileChangesNothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        ui->click(ctl::UseTimer1);
        const orlet::WindowModel before = dlg->Model();
        const QString title = dlg->windowTitle();
        writeFile(path("bad.orlet"), file);
        QVERIFY(!dlg->OpenSettings(path("bad.orlet")));
        expectMessage(message);
        QVERIFY(dlg->Model() == before);
        QCOMPARE(dlg->windowTitle(), title);
    }

    // A file that cannot be replaced whole stays as it was.
    void failedSaveLosesNothing()
    {
        writeFile(path("old.orlet"), "old");
        QFile::setPermissions(path("old.orlet"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(!dlg->SaveSettings(path("old.orlet")));
        QCOMPARE(contents(path("old.orlet")), QByteArray("old"));
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY(recorder->texts().first().startsWith("无法保存“old.orlet”：cannot write"));
        QVERIFY(dlg->SettingsPath().isEmpty());
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList { "old.orlet" });
    }

    void droppedFileOpens()
    {
        writeFile(path("dropped.orlet"), R"({"orlet": 1, "timer0": {"mode": 1, "us": 1000}})");
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path("dropped.orlet")) });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &drop);
        QVERIFY(ui->checked(ctl::UseTimer0));
        QCOMPARE(ui->text(ctl::Timer0Period), QString("1000"));
        QVERIFY(dlg->windowTitle().startsWith("dropped.orlet - "));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
