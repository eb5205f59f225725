#include "GenCommand.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlet-gen"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    return orlet::RunGenCommand(QCoreApplication::arguments());
}
