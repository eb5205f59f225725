#include "GenCommand.h"
#include "OrletVersion.h"
#include "StandardStreams.h"

#include <QCoreApplication>

#include <clocale>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char* argv[])
{
    // Before Qt opens its first descriptor.
    orlet::PrepareStandardStreams();
#ifdef Q_OS_WIN
    // The source carries its own CR LF line ends: a text-mode standard
    // output would add a CR to each of them. Error lines end in LF alone,
    // as on every other system, so that each stays one line.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    QCoreApplication app(argc, argv);
    // Qt hands the C library the user's locale; the core reads and writes
    // its numbers with strtod and printf, whose decimal point is then a
    // comma in German or French: "--crystal 11.0592" was refused there.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("orlet-gen"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORLET_VERSION));
    const orlet::GenArguments arguments = orlet::ReadGenArguments(argc, argv);
    if (!arguments.error.isEmpty())
        return orlet::FailGenCommand(arguments.error, orlet::kExitRefused);
    return orlet::RunGenCommand(arguments.args);
}
