#pragma once

#include "GenRequest.h"
#include "StandardStreams.h"

#include <QByteArray>
#include <QString>

namespace orlet {

// Writes UTF-8 text to a standard stream: a Windows console gets it through
// its wide-character API, anything else the bytes.
WriteFailure WriteText(StandardStream stream, const QByteArray& utf8);

// Writes the rendered output where the request sends it: the file -o
// names (OutputFile), or standard output, as text where it is UTF-8 and as
// bytes where it is GBK.
WriteFailure WriteGenOutput(const GenRequest& request, const QByteArray& bytes);

} // namespace orlet
