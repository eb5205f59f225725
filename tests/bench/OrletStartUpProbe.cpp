#include "ExitWhenShown.h"
#include "Orlet.h"
#include "OrletDlg.h"

#include <QApplication>

// The window's start-up as COrletApp::Run does it, ending once it is shown.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ExitWhenShown exitWhenShown;
    QApplication::setApplicationName(QStringLiteral("Orlet"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orlet-32.png")));
    ApplyDialogFont();
    COrletDlg dialog;
    dialog.Create();
    dialog.show();
    return app.exec();
}
