#include "OutputFile.h"

#include <QFile>

#include <optional>

#ifdef Q_OS_WIN
#include <QFileInfo>
#include <QSaveFile>
#else
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace orlet {

namespace {

#ifdef Q_OS_WIN

    // Only a regular file, or a new one, is replaced as a whole: renaming a
    // temporary file over a device would leave a regular file in its place.
    bool replacedAsWhole(const QString& path)
    {
        const QFileInfo target(path);
        return !target.exists() || target.isFile();
    }

    WriteFailure writeTarget(const QString& path, const QByteArray& bytes)
    {
        if (replacedAsWhole(path)) {
            // A save file replaces the target only once everything is written;
            // the flush brings out a full disk before the commit.
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit())
                return std::nullopt;
            return file.errorString();
        }
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()) {
            file.close();
            if (file.error() == QFileDevice::NoError)
                return std::nullopt;
        }
        return file.errorString();
    }

#else

    QByteArray folderOf(const QByteArray& path)
    {
        const auto slash = path.lastIndexOf('/');
        if (slash < 0)
            return ".";
        return slash == 0 ? QByteArray("/") : path.left(slash);
    }

    QByteArray fileNameOf(const QByteArray& path)
    {
        return path.mid(path.lastIndexOf('/') + 1);
    }

    // The descriptor a path names: /dev/stdin, /dev/stdout, /dev/stderr,
    // /dev/fd/N, or /proc/self/fd/N (also thread-self and this process's id).
    std::optional<int> descriptorNamedBy(const QByteArray& path)
    {
        static const QRegularExpression pattern(QStringLiteral("^/(?:dev/std(in|out|err)|dev/fd/([0-9]{1,9})"
                                                               "|proc/(self|thread-self|[0-9]+)/fd/([0-9]{1,9}))$"));
        const auto match = pattern.match(QDir::cleanPath(QFileInfo(QFile::decodeName(path)).absoluteFilePath()));
        if (!match.hasMatch())
            return std::nullopt;
        const QString stream = match.captured(1);
        if (!stream.isEmpty())
            return stream == QLatin1String("in") ? 0 : stream == QLatin1String("out") ? 1 : 2;
        const QString process = match.captured(3);
        if (!process.isEmpty() && process != QLatin1String("self") && process != QLatin1String("thread-self")
            && process != QString::number(::getpid()))
            return std::nullopt; // another process's descriptor: only its file can be opened
        return (process.isEmpty() ? match.captured(2) : match.captured(4)).toInt();
    }

    struct Target {
        QByteArray path; // with every symbolic link followed
        std::optional<int> descriptor;
    };

    // Follows symbolic links one at a time, so that a link to /dev/stdout is
    // seen to name descriptor 1 before /proc leads on to the file behind it.
    Target findTarget(QByteArray path)
    {
        for (int hop = 0; hop < 40; ++hop) {
            if (const auto fd = descriptorNamedBy(path))
                return { path, fd };
            QByteArray link(PATH_MAX, Qt::Uninitialized);
            const ssize_t size = ::readlink(path.constData(), link.data(), std::size_t(link.size()));
            if (size < 0)
                break;
            link.truncate(size);
            path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
        }
        return { path, std::nullopt };
    }

    WriteFailure failureFor(int code)
    {
        return code ? WriteFailure(SystemErrorText(code)) : std::nullopt;
    }

    int closeChecked(int fd)
    {
        // After EINTR the descriptor is closed all the same.
        return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
    }

    WriteFailure writeAtDescriptor(int fd, const QByteArray& bytes)
    {
        if (fd < 3 && StandardStreamClosed(StandardStream(fd)))
            return StandardStreamClosedReason(StandardStream(fd));
        const int status = ::fcntl(fd, F_GETFL);
        const int flags = ::fcntl(fd, F_GETFD);
        // A descriptor handed over by the caller came through exec, so it
        // cannot carry FD_CLOEXEC; one that does is this program's own
        // (Qt's event descriptor, say).
        if (status == -1 || flags == -1 || (fd > 2 && (flags & FD_CLOEXEC)))
            return QStringLiteral("descriptor %1 is not open").arg(fd);
        if ((status & O_ACCMODE) == O_RDONLY)
            return QStringLiteral("descriptor %1 is open for reading only").arg(fd);
        return failureFor(WriteToDescriptor(fd, bytes));
    }

    WriteFailure writeInPlace(const QByteArray& path, const QByteArray& bytes)
    {
        const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return SystemErrorText(errno);
        const int written = WriteToDescriptor(fd, bytes);
        const int closed = closeChecked(fd);
        return failureFor(written ? written : closed);
    }

    // The new file's name where a signal handler finds it.
    char g_pendingName[PATH_MAX];
    volatile sig_atomic_t g_pendingNamed = 0;

    constexpr int kCleanedUpSignals[] = { SIGTERM, SIGINT, SIGHUP };

    void removePendingFileAndRaise(int signal)
    {
        if (g_pendingNamed)
            ::unlink(g_pendingName);
        struct sigaction fallback {
        };
        fallback.sa_handler = SIG_DFL;
        ::sigaction(signal, &fallback, nullptr);
        // Held back until the handler returns, then the default action ends
        // the program as the signal would have.
        ::raise(signal);
    }

    // While it lives, SIGTERM, SIGINT and SIGHUP remove the new file before
    // they end the program (a signal the caller ignores stays ignored).
    // SIGKILL cannot be caught: the new file then stays beside the target.
    class SignalCleanup
    {
    public:
        SignalCleanup()
        {
            struct sigaction action {
            };
            action.sa_handler = removePendingFileAndRaise;
            sigemptyset(&action.sa_mask);
            for (std::size_t i = 0; i < std::size(kCleanedUpSignals); ++i) {
                installed_[i] = ::sigaction(kCleanedUpSignals[i], nullptr, &previous_[i]) == 0
                    && previous_[i].sa_handler != SIG_IGN && ::sigaction(kCleanedUpSignals[i], &action, nullptr) == 0;
            }
        }

        ~SignalCleanup()
        {
            for (std::size_t i = 0; i < std::size(kCleanedUpSignals); ++i) {
                if (installed_[i])
                    ::sigaction(kCleanedUpSignals[i], &previous_[i], nullptr);
            }
        }

        SignalCleanup(const SignalCleanup&) = delete;
        SignalCleanup& operator=(const SignalCleanup&) = delete;

        // Runs `change` (creating, renaming or removing the file) with the
        // signals held back, so that the handler never sees a name half set
        // or one renamed already; `change` returns the file's name after it,
        // empty when there is no file left to remove.
        template <typename Change> void change(Change&& change)
        {
            sigset_t held, previous;
            sigemptyset(&held);
            for (const int signal : kCleanedUpSignals)
                sigaddset(&held, signal);
            ::pthread_sigmask(SIG_BLOCK, &held, &previous);
            const QByteArray named = change();
            g_pendingNamed = 0;
            if (!named.isEmpty() && std::size_t(named.size()) < sizeof g_pendingName) {
                std::memcpy(g_pendingName, named.constData(), std::size_t(named.size()));
                g_pendingName[named.size()] = '\0';
                g_pendingNamed = 1;
            }
            ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        }

    private:
        struct sigaction previous_[std::size(kCleanedUpSignals)] {};
        bool installed_[std::size(kCleanedUpSignals)] {};
    };

    // A new file beside the target under a name no other file has; it is
    // removed again unless it was renamed over the target, also when a
    // signal ends the program first.
    class SiblingFile
    {
    public:
        // `mode` is narrowed by the umask, as for any new file.
        SiblingFile(const QByteArray& target, mode_t mode)
        {
            const QByteArray stem = folderOf(target) + "/." + fileNameOf(target).left(64) + '.';
            for (int attempt = 0; attempt < 100 && error_ == EEXIST; ++attempt) {
                name_ = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
                cleanup_.change([&] {
                    fd_ = ::open(name_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
                    error_ = fd_ >= 0 ? 0 : errno;
                    if (fd_ < 0)
                        name_.clear();
                    return name_;
                });
            }
        }

        ~SiblingFile()
        {
            if (fd_ >= 0)
                ::close(fd_);
            cleanup_.change([&] {
                if (!name_.isEmpty())
                    ::unlink(name_.constData());
                return QByteArray();
            });
        }

        SiblingFile(const SiblingFile&) = delete;
        SiblingFile& operator=(const SiblingFile&) = delete;

        int fd() const { return fd_; }
        int creationError() const { return error_; }

        int close()
        {
            const int code = closeChecked(fd_);
            fd_ = -1;
            return code;
        }

        int renameOver(const QByteArray& target)
        {
            int code = 0;
            cleanup_.change([&] {
                code = ::rename(name_.constData(), target.constData()) == 0 ? 0 : errno;
                if (!code)
                    name_.clear();
                return name_;
            });
            return code;
        }

    private:
        SignalCleanup cleanup_;
        QByteArray name_;
        int fd_ = -1;
        int error_ = EEXIST; // until a name is found that no file has
    };

    // The owner and group where the process may give them (root may; others
    // may keep a group of theirs), then the mode, as chown clears the
    // set-user-ID and set-group-ID bits.
    int takeOwnerAndMode(int fd, const struct stat& old)
    {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)::fchown(fd, uid_t(-1), old.st_gid);
        return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
    }

    int syncFile(int fd)
    {
        // EINVAL: a file system that has nothing to sync.
        return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    }

    // Makes the rename itself last; the file is in place whatever this says.
    void syncFolder(const QByteArray& folder)
    {
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            (void)::fsync(fd);
            ::close(fd);
        }
    }

    bool inGroup(gid_t group)
    {
        if (::getegid() == group)
            return true;
        std::vector<gid_t> groups(std::size_t(std::max(::getgroups(0, nullptr), 0)));
        groups.resize(std::size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
        return std::find(groups.begin(), groups.end(), group) != groups.end();
    }

    // Whether the mode bits deny this user writing the file, as they would
    // deny cp. The bits decide rather than access(2), which lets root write
    // anything: root is held to the owner's bit, the mark its owner set.
    bool writeProtected(const struct stat& status)
    {
        const uid_t user = ::geteuid();
        if (user == 0 || user == status.st_uid)
            return !(status.st_mode & S_IWUSR);
        if (inGroup(status.st_gid))
            return !(status.st_mode & S_IWGRP);
        return !(status.st_mode & S_IWOTH);
    }

    QString writeProtectedText(const struct stat& status)
    {
        return QStringLiteral("the file is write-protected for this user (mode %1), so it is not replaced")
            .arg(uint(status.st_mode & 07777), 4, 8, QLatin1Char('0'));
    }

    QString folderNotWritable()
    {
        return QStringLiteral("its folder is not writable, and a file is replaced only through a new file beside "
                              "it; make the folder writable, or write in place with \"-o -\" and a redirection");
    }

    // Written, synced, closed and renamed, each checked: until the rename
    // the old file keeps every byte.
    WriteFailure replaceWhole(const QByteArray& target, const QByteArray& bytes, const struct stat* old)
    {
        SiblingFile file(target, old ? 0600 : 0666);
        if (file.fd() < 0) {
            const int code = file.creationError();
            return old && (code == EACCES || code == EPERM) ? folderNotWritable() : SystemErrorText(code);
        }
        int code = WriteToDescriptor(file.fd(), bytes);
        if (!code && old)
            code = takeOwnerAndMode(file.fd(), *old);
        if (!code)
            code = syncFile(file.fd());
        if (!code)
            code = file.close();
        if (!code)
            code = file.renameOver(target);
        if (!code)
            syncFolder(folderOf(target));
        return failureFor(code);
    }

    WriteFailure writeTarget(const QString& path, const QByteArray& bytes)
    {
        const Target target = findTarget(QFile::encodeName(path));
        if (target.descriptor)
            return writeAtDescriptor(*target.descriptor, bytes);
        struct stat status {
        };
        if (::stat(target.path.constData(), &status) != 0)
            return errno == ENOENT ? replaceWhole(target.path, bytes, nullptr) : SystemErrorText(errno);
        if (S_ISREG(status.st_mode))
            return writeProtected(status) ? writeProtectedText(status) : replaceWhole(target.path, bytes, &status);
        return writeInPlace(target.path, bytes);
    }

#endif

} // namespace

WriteFailure WriteOutputFile(const QString& path, const QByteArray& bytes)
{
    if (const WriteFailure reason = writeTarget(path, bytes))
        return QStringLiteral("cannot write \"%1\": %2").arg(path, *reason);
    return std::nullopt;
}

} // namespace orlet
