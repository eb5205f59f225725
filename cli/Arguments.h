#pragma once

#include "GenRequest.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace orlet {

struct GenParseResult {
    std::optional<GenRequest> request;
    QString error; // one line, when the arguments are refused; control characters escaped
    QString earlyExit; // --help or --version text: print it and stop
};

// Reads orlet-gen's arguments (args[0] is the program name).
GenParseResult ParseGenArguments(const QStringList& args);

// The arguments of main() as orlet-gen reads them (args[0] the program's
// name), or the refusal of one that cannot be read.
struct GenArguments {
    QStringList args;
    QString error;
};

// Where arguments are bytes (everywhere but Windows) they are read as UTF-8
// here, keeping every character: Qt's own reading turns bytes that are no
// UTF-8 into U+FFFD and drops a leading U+FEFF, so that a header's or a
// file's name would become another one. An argument that is not UTF-8 is
// refused. On Windows they are Qt's, read from the UTF-16 command line.
GenArguments ReadGenArguments(int argc, const char* const* argv);

} // namespace orlet
