#include "MainWindowFixture.h"
#include "NativeWindow.h"
#include "OrletDlg.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

// The window's frame as Windows shows it: the native system menu with its
// About entry, the commands that open the About box, the border, and the
// resources of orlet.exe.  Runs on the windows platform (under Wine here).
class WindowsFrameTest : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareApplication(); }

    void init() { QVERIFY(openWindow()); }

    void cleanup() { closeWindow(); }

    void systemMenuEndsWithSeparatorAndAbout()
    {
        const QList<NativeMenuItem> items = NativeSystemMenuItems(dlg.get());
        QVERIFY(items.size() > 2);
        QVERIFY(items.at(items.size() - 2).separator);
        QCOMPARE(items.last().text, QStringLiteral("关于 Orlet(&A)..."));
        QCOMPARE(items.last().command, kAboutCommand);
    }

    void systemCommandOpensTheAboutBox_data()
    {
        QTest::addColumn<unsigned>("command");
        QTest::addColumn<bool>("opens");
        for (unsigned command = 16; command <= 31; ++command)
            QTest::addRow("%u", command) << command << true;
        QTest::newRow("32") << 32u << false;
        QTest::newRow("48") << 48u << false;
    }

    void systemCommandOpensTheAboutBox()
    {
        QFETCH(unsigned, command);
        QFETCH(bool, opens);
        QString opened;
        OnNextModal([&](QWidget* modal) {
            opened = modal->windowTitle();
            QTest::mouseClick(modal->findChild<QPushButton*>("aboutOkButton"), Qt::LeftButton);
        });
        SendSystemCommand(dlg.get(), command);
        QTest::qWait(opens ? 0 : 50);
        QCOMPARE(opened, opens ? QStringLiteral("关于 Orlet") : QString());
        QVERIFY(dlg->isVisible());
        if (!opens)
            QApplication::processEvents(); // let the pending watcher go
    }

    void modalFrameWithoutMinimiseOrMaximise()
    {
        const NativeFrame frame = NativeFrameOf(dlg.get());
        QVERIFY(frame.caption);
        QVERIFY(frame.systemMenu);
        QVERIFY(!frame.minimiseBox);
        QVERIFY(!frame.maximiseBox);
        QVERIFY(!frame.sizingBorder);
    }

    void executableCarriesIconAndVersion()
    {
        const ExecutableResources res
            = ReadExecutableResources(QCoreApplication::applicationDirPath() + QStringLiteral("/orlet.exe"));
        QCOMPARE(res.fileVersion, QStringLiteral(ORLET_VERSION));
        QCOMPARE(res.productVersion, QStringLiteral(ORLET_VERSION));
        QCOMPARE(res.strings.value("InternalName"), QStringLiteral("Orlet"));
        QCOMPARE(res.strings.value("OriginalFilename"), QStringLiteral("Orlet.EXE"));
        QVERIFY(res.iconSizes.contains(QSize(16, 16)));
        QVERIFY(res.iconSizes.contains(QSize(32, 32)));
    }

    void screenshotOfTheNativeWindow()
    {
        QTest::qWait(300); // let the window manager draw the frame
        const QRect frame = dlg->frameGeometry();
        const QPixmap shot = dlg->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        QVERIFY(shot.save(QStringLiteral(ORLET_TEST_OUTPUT_DIR "/windows-first-state.png")));
    }
};

QTEST_MAIN(WindowsFrameTest)
#include "WindowsFrameTest.moc"
