#include "GenCommand.h"
#include "OrletVersion.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlet-gen"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORLET_VERSION));
    return orlet::RunGenCommand(QCoreApplication::arguments());
}
