#pragma once

#include "DialogDriver.h"
#include "OrletDlg.h"

#include <QObject>
#include <QStringList>

#include <memory>

// A fresh main window for every test function, with its messages recorded.
// Test classes derive from this; its initTestCase/init/cleanup slots run
// for them.
class MainWindowFixture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareApplication(); }
    void init();
    void cleanup() { closeWindow(); }

protected:
    std::unique_ptr<MessageRecorder> recorder;
    std::unique_ptr<COrletDlg> dlg;
    std::unique_ptr<DialogDriver> ui;

    // The application name and the dialog font, as the program sets them.
    static void prepareApplication();
    // Opens the window in its first state; false if it never got exposed.
    bool openWindow();
    void closeWindow();

    // What orlet-gen prints, as UTF-8 text, for `args`.
    static QString orletGen(const QStringList& args);
};
