#pragma once

#include "DialogDriver.h"
#include "OrletDlg.h"

#include <QObject>
#include <QStringList>
#include <QTest>

#include <cstddef>
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
    // The messages recorded: `text` alone, a plain box over the window (no
    // caption, no icon), or none for an empty `text`.
    void expectMessage(const QString& text) const;
};

// Random sessions: one row "seed N" in a column "seed" for seeds 1 to
// `count`, and the report of a session's first problem with the last
// actions that led to it.
void AddSeedRows(quint32 count);
QString SessionProblem(quint32 seed, int step, const QString& problem, const QStringList& done);

// A table's rows as one column "row", each named by its `name`; the test
// function reads its row with QFETCH(Row, row).
template <typename Row, std::size_t N> void AddRows(const Row (&rows)[N])
{
    QTest::addColumn<Row>("row");
    for (const Row& r : rows)
        QTest::newRow(r.name) << r;
}

// The same rows once for each of the two classic timers, in a column "timer".
template <typename Row, std::size_t N> void AddRowsPerTimer(const Row (&rows)[N])
{
    QTest::addColumn<int>("timer");
    QTest::addColumn<Row>("row");
    for (int t = 0; t < 2; ++t) {
        for (const Row& r : rows)
            QTest::addRow("timer%d %s", t, r.name) << t << r;
    }
}
