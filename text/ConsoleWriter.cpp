#include "ConsoleWriter.h"

#include <QString>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace orlet {

namespace {

#ifdef Q_OS_WIN
    // The console behind a standard handle, or null. A window program has no
    // standard handles: started from a console, it writes into its parent's.
    HANDLE consoleOf(DWORD standardHandle)
    {
        HANDLE handle = GetStdHandle(standardHandle);
        if ((handle == nullptr || handle == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
            handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                OPEN_EXISTING, 0, nullptr);
        }
        DWORD mode = 0;
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
            return nullptr;
        return handle;
    }

    bool writeWide(HANDLE console, const QString& text)
    {
        // Consoles of older Windows versions refuse large single writes.
        constexpr qsizetype kChunk = 4096;
        for (qsizetype start = 0; start < text.size();) {
            qsizetype length = qMin(kChunk, text.size() - start);
            if (start + length < text.size() && text.at(start + length - 1).isHighSurrogate())
                --length; // a surrogate pair stays whole
            DWORD written = 0;
            if (!WriteConsoleW(console, text.utf16() + start, DWORD(length), &written, nullptr) || written == 0)
                return false;
            start += qsizetype(written);
        }
        return true;
    }
#endif

} // namespace

ConsoleWriter::ConsoleWriter(Stream stream)
    : m_file(stream == Stream::Output ? stdout : stderr)
{
#ifdef Q_OS_WIN
    m_console = consoleOf(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
#endif
}

bool ConsoleWriter::write(const QByteArray& utf8) const
{
#ifdef Q_OS_WIN
    if (m_console) {
        // Whatever the C library still holds goes first.
        std::fflush(m_file);
        return writeWide(static_cast<HANDLE>(m_console), QString::fromUtf8(utf8));
    }
#endif
    const auto size = static_cast<std::size_t>(utf8.size());
    return std::fwrite(utf8.constData(), 1, size, m_file) == size && std::fflush(m_file) == 0;
}

} // namespace orlet
