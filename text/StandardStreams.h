#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace orlet {

enum class StandardStream { Input = 0, Output = 1, Error = 2 };

// The one-line reason a write failed; nothing when every byte was written.
using WriteFailure = std::optional<QString>;

// Called first in main(), before anything opens a file. A standard stream
// the caller closed is held on the null device and remembered as closed, so
// that neither a file nor Qt's own descriptors take over its number and
// receive text meant for it. A closed pipe (SIGPIPE) and a file size limit
// (SIGXFSZ) then fail the write with an error instead of ending the program
// without a word.
void PrepareStandardStreams();

// Whether the stream was closed when the program started.
bool StandardStreamClosed(StandardStream stream);

// "standard output is closed", and likewise for the others.
QString StandardStreamClosedReason(StandardStream stream);

// Writes all of `bytes` to standard output or standard error.
WriteFailure WriteStandardStream(StandardStream stream, const QByteArray& bytes);

#ifndef Q_OS_WIN
// Writes all of `bytes` to the open descriptor `fd` across short writes,
// signals and a non-blocking descriptor that is full. Returns 0 or the errno.
int WriteToDescriptor(int fd, const QByteArray& bytes);
#endif

// The system's text for an errno value.
QString SystemErrorText(int code);

} // namespace orlet
