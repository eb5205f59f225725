#pragma once

#include "GenRequest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orlet {

struct GenOutput {
    QByteArray bytes; // what goes to the output, empty on error
    QString error; // one line, when the configuration is refused or cannot be encoded
    int exitStatus = kExitSuccess; // kExitRefused or kExitFailure along with `error`
    // The lines for stderr once the output is written: each timer whose
    // routine takes a large share of the CPU, or more than its period, and a
    // serial port whose real rate is beyond the tolerance. The text is
    // written all the same.
    QStringList warnings;
    QByteArray settingsFile; // for --save-config
};

// Resolves the configuration, derives it once and renders from that one
// derivation the source, the JSON or the explanation, and the warnings; or
// the table of baud rates.
GenOutput RenderGenOutput(const GenRequest& request);

} // namespace orlet
