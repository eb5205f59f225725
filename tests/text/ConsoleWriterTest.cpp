#include "ConsoleWriter.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdio>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

using orlet::ConsoleWriter;

namespace {

const QByteArray kLine
    = QStringLiteral("orlet-gen: 定时时间超出16位范围: timer0 mode 1 accepts at most 65536 us\n").toUtf8();

} // namespace

#ifdef Q_OS_WIN

namespace {

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// Whether this process has a console, its own or a new one. (Wine gives a
// console only to a program started on a terminal.)
bool HaveConsole()
{
    const HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    const bool console = IsConsole(output);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    return console || (AllocConsole() && IsConsole(GetStdHandle(STD_OUTPUT_HANDLE)));
}

// What a console screen buffer shows on its first row.
QString FirstRow(HANDLE buffer, int length)
{
    std::wstring row(std::size_t(length), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(buffer, row.data(), DWORD(length), COORD { 0, 0 }, &read);
    return QString::fromWCharArray(row.data(), int(read));
}

} // namespace

// Whatever the code page, the console shows the Chinese text itself. Each
// run writes into a screen buffer of its own that is never shown.
TEST(ConsoleWriterTest, ChineseReachesAConsoleWhateverItsCodePage)
{
    if (!HaveConsole())
        GTEST_SKIP() << "no console here";
    const HANDLE savedError = GetStdHandle(STD_ERROR_HANDLE);
    const UINT savedCodePage = GetConsoleOutputCP();
    const QString shown = QString::fromUtf8(kLine).trimmed();
    for (const UINT codePage : { 437u, 936u, 65001u, 1252u }) {
        const HANDLE buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
        ASSERT_TRUE(IsConsole(buffer)) << GetLastError();
        SetStdHandle(STD_ERROR_HANDLE, buffer);
        SetConsoleOutputCP(codePage);

        const ConsoleWriter writer(ConsoleWriter::Stream::Error);
        EXPECT_TRUE(writer.isConsole()) << "code page " << codePage;
        EXPECT_TRUE(writer.write(kLine)) << "code page " << codePage;
        EXPECT_EQ(FirstRow(buffer, int(shown.size())).toStdString(), shown.toStdString()) << "code page " << codePage;
        SetStdHandle(STD_ERROR_HANDLE, savedError);
        CloseHandle(buffer);
    }
    SetConsoleOutputCP(savedCodePage);
}

#else

// Anywhere but a Windows console the bytes go out as they are.
TEST(ConsoleWriterTest, RedirectedKeepsTheBytes)
{
    for (const auto stream : { ConsoleWriter::Stream::Output, ConsoleWriter::Stream::Error }) {
        std::FILE* file = stream == ConsoleWriter::Stream::Output ? stdout : stderr;
        std::fflush(file);
        std::FILE* capture = std::tmpfile();
        ASSERT_NE(capture, nullptr);
        const int saved = dup(fileno(file));
        dup2(fileno(capture), fileno(file));
        const ConsoleWriter writer(stream);
        const bool written = writer.write(kLine);
        const bool console = writer.isConsole();
        std::fflush(file);
        dup2(saved, fileno(file));
        close(saved);

        EXPECT_TRUE(written);
        EXPECT_FALSE(console);
        std::rewind(capture);
        QByteArray bytes(kLine.size() + 16, '\0');
        bytes.resize(qsizetype(std::fread(bytes.data(), 1, std::size_t(bytes.size()), capture)));
        std::fclose(capture);
        EXPECT_EQ(bytes, kLine);
    }
}

#endif
