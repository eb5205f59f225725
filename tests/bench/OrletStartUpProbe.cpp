#include "ExitWhenShown.h"
#include "Orlet.h"
#include "OrletDlg.h"

#include <QApplication>

// The window's start-up as COrletApp::Run does it, ending once it is shown.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ExitWhenShown exitWhenShown;
    PrepareApplication();
    COrletDlg dialog;
    dialog.Create();
    dialog.show();
    return app.exec();
}
