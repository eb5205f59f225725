#pragma once

#include "Arguments.h"
#include "Rendering.h"

#include <QString>
#include <QStringList>

namespace orlet {

// orlet-gen: its arguments are read (Arguments), the configuration rendered
// (Rendering, in the words of Wording) and the output written (Writing).

// Runs orlet-gen and returns its exit status; any status but 0 comes after
// one line on stderr. Status 0 may come after warnings there.
int RunGenCommand(const QStringList& args);

// Prints "orlet-gen: MESSAGE" as one line on stderr and returns `status`.
int FailGenCommand(const QString& message, int status);

} // namespace orlet
