#include "StandardStreams.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef Q_OS_WIN
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace orlet {

namespace {

    std::array<bool, 3> closedAtStart {};

    QString streamName(StandardStream stream)
    {
        switch (stream) {
        case StandardStream::Input:
            return QStringLiteral("standard input");
        case StandardStream::Output:
            return QStringLiteral("standard output");
        case StandardStream::Error:
            break;
        }
        return QStringLiteral("standard error");
    }

#ifndef Q_OS_WIN
    bool descriptorOpen(int fd)
    {
        return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
    }

    // Holds the closed descriptor `fd` on /dev/null: the lowest free number
    // is `fd` itself, as every lower one is open by now.
    void holdOnNullDevice(int fd)
    {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }

    bool waitUntilWritable(int fd)
    {
        pollfd request { fd, POLLOUT, 0 };
        int ready;
        do
            ready = ::poll(&request, 1, -1);
        while (ready < 0 && errno == EINTR);
        return ready > 0;
    }
#endif

} // namespace

void PrepareStandardStreams()
{
#ifndef Q_OS_WIN
    for (int fd = 0; fd < 3; ++fd) {
        if (descriptorOpen(fd))
            continue;
        closedAtStart[std::size_t(fd)] = true;
        holdOnNullDevice(fd);
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool StandardStreamClosed(StandardStream stream)
{
    return closedAtStart[std::size_t(stream)];
}

QString StandardStreamClosedReason(StandardStream stream)
{
    return streamName(stream) + QLatin1String(" is closed");
}

QString SystemErrorText(int code)
{
    return code ? QString::fromLocal8Bit(std::strerror(code)) : QStringLiteral("write failed");
}

#ifndef Q_OS_WIN
int WriteToDescriptor(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    auto left = std::size_t(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written > 0) {
            data += written;
            left -= std::size_t(written);
        } else if (written == 0) {
            return EIO;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitUntilWritable(fd))
                return errno;
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}
#endif

WriteFailure WriteStandardStream(StandardStream stream, const QByteArray& bytes)
{
    if (StandardStreamClosed(stream))
        return StandardStreamClosedReason(stream);
#ifdef Q_OS_WIN
    FILE* file = stream == StandardStream::Error ? stderr : stdout;
    const auto size = static_cast<std::size_t>(bytes.size());
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size, file) == size && std::fflush(file) == 0)
        return std::nullopt;
    const int code = errno;
#else
    const int code = WriteToDescriptor(int(stream), bytes);
    if (code == 0)
        return std::nullopt;
#endif
    return QStringLiteral("cannot write to %1: %2").arg(streamName(stream), SystemErrorText(code));
}

} // namespace orlet
