#pragma once

#include <QIcon>
#include <QStringList>

// An icon of the PNG files `files` (one size each), read by Qt's own PNG
// reader. QIcon(fileName) would first offer each file to every image format
// plugin installed (GIF, ICO, JPEG, ...), loading them all at start-up only
// to be told no.
QIcon PngIcon(const QStringList& files);
