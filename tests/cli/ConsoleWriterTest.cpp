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

// What a console shows on its first row, as characters.
QString FirstRow(HANDLE console, int length)
{
    std::wstring row(std::size_t(length), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, row.data(), DWORD(length), COORD { 0, 0 }, &read);
    return QString::fromWCharArray(row.data(), int(read));
}

} // namespace

// Whatever the code page, the console shows the Chinese text itself.
TEST(ConsoleWriterTest, ChineseReachesAConsoleWhateverItsCodePage)
{
    const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    for (const UINT codePage : { 437u, 936u, 65001u, 1252u }) {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
            nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(console, INVALID_HANDLE_VALUE);
        SetStdHandle(STD_ERROR_HANDLE, console);
        SetConsoleOutputCP(codePage);

        const ConsoleWriter writer(ConsoleWriter::Stream::Error);
        ASSERT_TRUE(writer.isConsole()) << codePage;
        ASSERT_TRUE(writer.write(kLine)) << codePage;
        const QString shown = QString::fromUtf8(kLine).trimmed();
        EXPECT_EQ(FirstRow(console, int(shown.size())).toStdString(), shown.toStdString()) << "code page " << codePage;
        CloseHandle(console);
    }
    FreeConsole();
    SetStdHandle(STD_ERROR_HANDLE, saved);
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
