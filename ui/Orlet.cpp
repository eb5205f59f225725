#include "Orlet.h"

#include "DialogFont.h"
#include "DisplayCheck.h"
#include "OrletDlg.h"
#include "OrletVersion.h"
#include "PngIcon.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

#include <cstdio>
#include <optional>

COrletApp theOrletApp;

void ApplyDialogFont()
{
    // The classic flat-3D look matches the dialog templates' metrics; the
    // native style is kept where it is that look already.
    if (QApplication::style()->name() != QLatin1String("windowsvista")) {
        if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows")))
            QApplication::setStyle(classic);
    }
    if (const QString family = DialogFontFamily(); !family.isEmpty())
        QApplication::setFont(QFont(family, 9));
}

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Orlet"));
    QApplication::setApplicationVersion(QStringLiteral(ORLET_VERSION));
    QApplication::setWindowIcon(PngIcon({ QStringLiteral(":/icons/orlet-32.png") }));
    ApplyDialogFont();
}

int COrletApp::Run(int& argc, char** argv)
{
    // Without a display the toolkit would abort with advice to reinstall.
    if (!CanOpenWindow(CurrentDisplayEnvironment(argc, argv))) {
        std::fputs(kNoDisplayMessage, stderr);
        return 1;
    }
    std::optional<DisplayStartGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    PrepareApplication();
    StartUp();
    return 0;
}

bool COrletApp::StartUp()
{
    COrletDlg dialog;
    dialog.DoModal();
    return false;
}
