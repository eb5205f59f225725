#pragma once

#include "StandardStreams.h"

#include <QByteArray>
#include <QString>

namespace orlet {

// Writes `bytes` to the file `path` names (orlet-gen's -o and --save-config,
// the window's settings); the failure reads
// "cannot write "PATH": REASON".
//
// - A regular file, or a new one, is replaced only once the whole text is
//   written and synced: a new file beside it takes the text, the mode and,
//   where the process may, the owner and group of the old one, and is then
//   renamed over it. A symbolic link is followed and stays; a hard link is
//   detached. In a folder the program may not write, the file is refused,
//   as it could not be replaced safely; so is a file whose mode bits do not
//   let this user write it.
// - A descriptor path (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N,
//   or a link to one) writes at that descriptor, as "-o -" does for 1. A
//   descriptor that was not handed to the program is refused.
// - Any other existing target (a device, a FIFO) is written into as it is.
WriteFailure WriteOutputFile(const QString& path, const QByteArray& bytes);

} // namespace orlet
