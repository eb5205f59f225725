#pragma once

#include <QByteArray>

#include <cstdio>

namespace orlet {

// Writes UTF-8 text to standard output or standard error. On a Windows
// console the text goes through the console's wide-character API, so that
// Chinese reads right whatever the console's code page is; anywhere else (a
// pipe, a file, every other system) the bytes go out exactly as they are.
class ConsoleWriter
{
public:
    enum class Stream { Output, Error };

    explicit ConsoleWriter(Stream stream);

    // Whether the stream is a Windows console.
    bool isConsole() const { return m_console != nullptr; }

    // Writes all of `utf8` and flushes it; false when that failed (then
    // errno says why, where the C library set it).
    bool write(const QByteArray& utf8) const;

private:
    std::FILE* m_file;
    void* m_console = nullptr; // the console's handle, on Windows only
};

} // namespace orlet
