#include "GenCommand.h"
#include "OrletVersion.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    // The source carries its own CR LF line ends: a text-mode standard
    // output would add a CR to each of them.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlet-gen"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORLET_VERSION));
    return orlet::RunGenCommand(QCoreApplication::arguments());
}
