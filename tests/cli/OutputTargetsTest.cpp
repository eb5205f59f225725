// Where orlet-gen's text goes when the target is not a plain terminal: a full
// file system, a file size limit, descriptor paths, closed streams, a closed
// pipe, a folder it may not write, and the file it replaces.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <sched.h>
#include <sys/mount.h>
#endif

#include <functional>

namespace {

struct GenResult {
    bool exitedNormally = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs orlet-gen; `childSetup` runs in the child just before it starts, to
// close or redirect its streams or to limit it (async-signal-safe calls only).
GenResult orletGen(const QStringList& args, const std::function<void()>& childSetup = {})
{
    QProcess process;
    if (childSetup)
        process.setChildProcessModifier(childSetup);
    process.start(QStringLiteral(ORLET_GEN_PATH), args);
    process.waitForFinished(30000);
    return { process.exitStatus() == QProcess::NormalExit, process.exitCode(), process.readAllStandardOutput(),
        process.readAllStandardError() };
}

QByteArray expectedOutput(const QStringList& args)
{
    const GenResult run = orletGen(args);
    EXPECT_EQ(run.exitCode, 0);
    return run.out;
}

const QStringList kTimer0 { "--timer0", "1:1000" };

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
}

struct stat statOf(const QString& path)
{
    struct stat status {
    };
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
    return status;
}

void expectOneLine(const GenResult& run, const char* part)
{
    EXPECT_TRUE(run.exitedNormally) << "ended by a signal";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("orlet-gen: ")) << run.err.constData();
    EXPECT_TRUE(run.err.contains(part)) << run.err.constData();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
}

// The child's standard stream `fd` on `path`, opened as a shell's `>` after
// an earlier command (at the end, not appending) or as `>>`.
std::function<void()> streamOnFile(int fd, const QByteArray& path, bool append)
{
    return [fd, path, append] {
        const int file = ::open(path.constData(), O_WRONLY | (append ? O_APPEND : 0));
        ::lseek(file, 0, SEEK_END);
        ::dup2(file, fd);
        ::close(file);
    };
}

bool isRoot()
{
    return ::geteuid() == 0;
}

// GenResult as nobody where the test runs as root, so that file permissions count.
void becomeNobodyIfRoot()
{
    if (::geteuid() != 0)
        return;
    ::setgroups(0, nullptr);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(99);
}

} // namespace

// ---- A full file system and a file size limit -------------------------------

namespace {

// A tmpfs of a few pages, filled up, in a mount namespace of its own so that
// nothing outlives the test process. Not every system lets a test mount.
class FullTmpfs
{
public:
    explicit FullTmpfs(const QString& dir)
        : dir_(QFile::encodeName(dir))
    {
#ifdef Q_OS_LINUX
        static const bool privateNamespace
            = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        mounted_
            = privateNamespace && ::mount("tmpfs", dir_.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k") == 0;
#endif
    }

    ~FullTmpfs()
    {
#ifdef Q_OS_LINUX
        if (mounted_)
            ::umount2(dir_.constData(), MNT_DETACH);
#endif
    }

    bool mounted() const
    {
        return mounted_;
    }

    // Fills what is left with one file.
    void fill() const
    {
        const QByteArray filler = dir_ + "/filler";
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const QByteArray block(1024, 'x');
        while (::write(fd, block.constData(), std::size_t(block.size())) > 0) { }
        ::close(fd);
    }

private:
    QByteArray dir_;
    bool mounted_ = false;
};

std::function<void()> fileSizeLimit(rlim_t bytes, bool ignoreSignal)
{
    return [bytes, ignoreSignal] {
        const rlimit limit { bytes, bytes };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
    };
}

} // namespace

TEST(OrletGenFullDisk, OldFileKeepsItsBytesAndStatusIsOne)
{
    QTemporaryDir dir;
    const FullTmpfs tmpfs(dir.path());
    const QString path = dir.filePath("main.c");
    writeFile(path, "int keep;\n");
    std::function<void()> limit;
    const char* reason = "No space left on device";
    if (tmpfs.mounted()) {
        tmpfs.fill();
    } else { // a file size limit, as "ulimit -f 0" gives
        limit = fileSizeLimit(0, true);
        reason = "File too large";
    }
    SCOPED_TRACE(tmpfs.mounted() ? "on a full tmpfs" : "under a file size limit of 0 bytes");
    const QStringList before = entries(dir.path());

    // The source, and the settings, which go through the same writer.
    for (const char* option : { "-o", "--save-config" }) {
        SCOPED_TRACE(option);
        const GenResult run = orletGen(kTimer0 + QStringList { option, path }, limit);
        expectOneLine(run, reason);
        EXPECT_TRUE(run.err.contains("main.c")) << run.err.constData();
        EXPECT_EQ(readAll(path), "int keep;\n");
        EXPECT_EQ(entries(dir.path()), before) << "a temporary file was left";

        const GenResult fresh = orletGen(kTimer0 + QStringList { option, dir.filePath("new.c") }, limit);
        expectOneLine(fresh, reason);
        EXPECT_EQ(entries(dir.path()), before) << "a new or partial file was left";
    }
}

namespace {

struct LimitCase {
    rlim_t bytes;
    bool signalIgnored; // as the shell's trap '' XFSZ does; else orlet-gen must see to it itself
};

void PrintTo(const LimitCase& c, std::ostream* os)
{
    *os << c.bytes << (c.signalIgnored ? " bytes, SIGXFSZ ignored" : " bytes, SIGXFSZ default");
}

} // namespace

TEST(OrletGenFileSizeLimit, NothingIsLost)
{
    const LimitCase cases[] = { { 0, true }, { 100, true }, { 0, false }, { 100, false } };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        QTemporaryDir dir;
        const QString path = dir.filePath("main.c");
        writeFile(path, "int keep;\n");
        // --comments makes the text far longer than the limit, so that a part
        // of it is written before the write fails.
        const GenResult run
            = orletGen(kTimer0 + QStringList { "--comments", "-o", path }, fileSizeLimit(c.bytes, c.signalIgnored));
        expectOneLine(run, "File too large");
        EXPECT_EQ(readAll(path), "int keep;\n");
        EXPECT_EQ(entries(dir.path()), QStringList { "main.c" });
    }
}

// ---- Descriptor paths ------------------------------------------------------

namespace {

struct DescriptorCase {
    const char* path; // "link" stands for a symbolic link to /dev/stdout or /dev/stderr
    int fd;
};

void PrintTo(const DescriptorCase& c, std::ostream* os)
{
    *os << c.path;
}

} // namespace

TEST(OrletGenDescriptorPath, WritesAtTheDescriptorAsDashDoes)
{
    const DescriptorCase cases[] = { { "/dev/stdout", 1 }, { "/dev/stderr", 2 }, { "/proc/self/fd/1", 1 },
        { "/dev/fd/1", 1 }, { "/proc/thread-self/fd/2", 2 }, { "link", 1 }, { "link", 2 } };
    for (const DescriptorCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        QTemporaryDir dir;
        const QString redirected = dir.filePath("gen.c");
        writeFile(redirected, "/* header */\n");
        const ino_t inode = statOf(redirected).st_ino;
        QString target = QString::fromUtf8(c.path);
        if (target == QLatin1String("link")) {
            target = dir.filePath("link");
            ASSERT_TRUE(QFile::link(c.fd == 1 ? "/dev/stdout" : "/dev/stderr", target));
        }

        // { echo '/* header */'; orlet-gen -o /dev/stdout; } > gen.c, and 2>> for standard error
        const GenResult run = orletGen(
            kTimer0 + QStringList { "-o", target }, streamOnFile(c.fd, QFile::encodeName(redirected), c.fd == 2));
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(readAll(redirected), "/* header */\n" + expectedOutput(kTimer0));
        EXPECT_EQ(statOf(redirected).st_ino, inode) << "the file behind the descriptor was replaced";
    }
}

TEST(OrletGenDescriptorPath, PipeGetsTheTextAsWithDash)
{
    const GenResult run = orletGen(kTimer0 + QStringList { "-o", "/dev/stdout" });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, expectedOutput(kTimer0));
}

TEST(OrletGenDescriptorPath, NumberThatWasNotHandedOverIsNotWrittenInto)
{
    // Descriptor 3 and up are Qt's own when the caller opened none: its
    // internal event descriptor must not get the text.
    const auto inheritNothing = [] {
        for (const int fd : { 3, 4, 5 })
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    };
    for (const char* path : { "/dev/fd/3", "/dev/fd/4", "/proc/self/fd/5", "/dev/fd/999" }) {
        const GenResult run = orletGen(kTimer0 + QStringList { "-o", path }, inheritNothing);
        expectOneLine(run, "is not open");
        EXPECT_TRUE(run.out.isEmpty());
    }
    const GenResult input = orletGen(kTimer0 + QStringList { "-o", "/dev/stdin" });
    expectOneLine(input, "cannot write \"/dev/stdin\"");
}

// ---- Closed streams and a closed pipe ------------------------------------

namespace {

struct ClosedCase {
    const char* args;
    const char* message;
};

void PrintTo(const ClosedCase& c, std::ostream* os)
{
    *os << c.args;
}

} // namespace

TEST(OrletGenClosedStandardOutput, SaysSoAndWritesNothing)
{
    const ClosedCase cases[] = { { "--timer0 1:1000", "orlet-gen: standard output is closed\n" },
        { "", "orlet-gen: standard output is closed\n" }, { "--version", "orlet-gen: standard output is closed\n" },
        { "--help", "orlet-gen: standard output is closed\n" },
        { "--json --uart 9600", "orlet-gen: standard output is closed\n" },
        { "--explain --timer0 1:1000", "orlet-gen: standard output is closed\n" },
        { "-o /dev/stdout", "cannot write \"/dev/stdout\": standard output is closed\n" },
        { "-o /proc/self/fd/1", "cannot write \"/proc/self/fd/1\": standard output is closed\n" } };
    for (const ClosedCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const GenResult run = orletGen(QString::fromUtf8(c.args).split(' ', Qt::SkipEmptyParts), [] { ::close(1); });
        expectOneLine(run, c.message);
    }
}

TEST(OrletGenClosedStreams, FileIsWrittenWholeWhateverIsClosed)
{
    // Neither the file nor Qt's internals may take over a closed stream's
    // number, where the error line or the text would then land.
    QTemporaryDir dir;
    const QString path = dir.filePath("main.c");
    for (const int fd : { 0, 1, 2 }) {
        const GenResult run = orletGen(kTimer0 + QStringList { "-o", path }, [fd] { ::close(fd); });
        EXPECT_EQ(run.exitCode, 0) << "closed " << fd;
        EXPECT_EQ(readAll(path), expectedOutput(kTimer0)) << "closed " << fd;
    }
    const GenResult refused = orletGen({ "--timer0", "1:65537", "-o", path }, [] { ::close(2); });
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_EQ(readAll(path), expectedOutput(kTimer0));
    const GenResult failed = orletGen({ "-o", dir.filePath("missing/main.c") }, [] { ::close(2); });
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.out.isEmpty());
}

TEST(OrletGenClosedPipe, StatusOneAndOneLine)
{
    for (const char* output : { "-", "/dev/stdout" }) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        ::close(ends[0]); // the reader is gone before orlet-gen writes
        const int writeEnd = ends[1];
        const GenResult run = orletGen(kTimer0 + QStringList { "-o", output }, [writeEnd] {
            ::signal(SIGPIPE, SIG_DFL);
            ::dup2(writeEnd, 1);
        });
        ::close(writeEnd);
        expectOneLine(run, "Broken pipe");
    }
}

#ifdef F_SETPIPE_SZ
TEST(OrletGenNonBlockingOutput, FullPipeIsWaitedFor)
{
    // A caller may hand over a non-blocking pipe; a full one is no error.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::fcntl(ends[1], F_SETPIPE_SZ, 4096);
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    const QByteArray filler(1, 'f');
    QByteArray before;
    while (::write(ends[1], filler.constData(), 1) == 1)
        before += filler;

    const int writeEnd = ends[1];
    QProcess process;
    process.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, 1); });
    process.start(QStringLiteral(ORLET_GEN_PATH), kTimer0 + QStringList { "--comments" });
    ASSERT_TRUE(process.waitForStarted());
    ::close(writeEnd);
    ::usleep(200000); // orlet-gen meets the full pipe first
    QByteArray got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        got.append(buffer, n);
    ::close(ends[0]);
    process.waitForFinished(30000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    EXPECT_EQ(got, before + expectedOutput(kTimer0 + QStringList { "--comments" }));
}
#endif

// ---- The file that is replaced ---------------------------------------------

TEST(OrletGenReadOnlyFolder, WritableFileIsRefusedWithTheReasonAndTheWayOut)
{
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString folder = dir.filePath("ro");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = folder + "/main.c";
    writeFile(path, "int keep;\n");
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod(QFile::encodeName(folder).constData(), 0555);

    const GenResult run = orletGen(kTimer0 + QStringList { "-o", path }, becomeNobodyIfRoot);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    expectOneLine(run, "its folder is not writable");
    EXPECT_TRUE(run.err.contains("-o -")) << "says how to write in place: " << run.err.constData();
    EXPECT_EQ(readAll(path), "int keep;\n");
    EXPECT_EQ(entries(folder), QStringList { "main.c" });
}

TEST(OrletGenReplacedMode, IsKept)
{
    const mode_t cases[] = { 0640, 0755, 0600, 0666, 0200 };
    for (const mode_t& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        QTemporaryDir dir;
        const QString path = dir.filePath("main.c");
        writeFile(path, "int keep;\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c), 0);
        const GenResult run = orletGen(kTimer0 + QStringList { "-o", path });
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(readAll(path), expectedOutput(kTimer0));
        EXPECT_EQ(statOf(path).st_mode & 07777, c);
    }
}

// A file whose mode bits keep this user from writing it is refused as cp
// refuses it, though the folder would let it be renamed over. The bits
// decide, not access(2), so root (as this suite may run) is refused too.
TEST(OrletGenReplacedFile, WriteProtectedFileIsRefused)
{
    const std::pair<mode_t, bool> cases[] = { { 0444, false }, { 0044, false }, { 0644, true } }; // true: as nobody
    for (const auto& [mode, asNobody] : cases) {
        SCOPED_TRACE(mode);
        if (asNobody && !isRoot())
            continue;
        QTemporaryDir dir;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
        const QString path = dir.filePath("main.c");
        writeFile(path, "int keep;\n");
        ::chmod(QFile::encodeName(path).constData(), mode);
        const GenResult run = orletGen(kTimer0 + QStringList { "-o", path }, asNobody ? becomeNobodyIfRoot : nullptr);
        expectOneLine(
            run, qPrintable(QStringLiteral("write-protected for this user (mode %1)").arg(mode, 4, 8, QChar('0'))));
        EXPECT_EQ(readAll(path), "int keep;\n");
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
        EXPECT_EQ(entries(dir.path()), QStringList { "main.c" });
    }
}

TEST(OrletGenReplacedFile, NewFileTakesTheUmask)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.c");
    const GenResult run = orletGen(kTimer0 + QStringList { "-o", path }, [] { ::umask(027); });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(statOf(path).st_mode & 07777, 0640u);
}

TEST(OrletGenReplacedFile, OwnerIsKeptWhereThatIsAllowed)
{
    if (!isRoot())
        GTEST_SKIP() << "only root may give a file to another user";
    QTemporaryDir dir;
    const QString path = dir.filePath("main.c");
    writeFile(path, "int keep;\n");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    const GenResult run = orletGen(kTimer0 + QStringList { "-o", path });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(statOf(path).st_uid, 65534u);
    EXPECT_EQ(statOf(path).st_gid, 65534u);
}

TEST(OrletGenReplacedFile, SymbolicLinkStaysAndItsTargetIsReplaced)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("real.c");
    writeFile(target, "int keep;\n");
    ASSERT_TRUE(QFile::link("real.c", dir.filePath("link.c")));
    const GenResult run = orletGen(kTimer0 + QStringList { "-o", dir.filePath("link.c") });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(QFileInfo(dir.filePath("link.c")).isSymLink());
    EXPECT_EQ(readAll(target), expectedOutput(kTimer0));
    EXPECT_EQ(entries(dir.path()), (QStringList { "link.c", "real.c" }));
}

TEST(OrletGenReplacedFile, HardLinkIsDetached)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("main.c");
    writeFile(path, "int keep;\n");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath("other.c")).constData()), 0);
    const GenResult run = orletGen(kTimer0 + QStringList { "-o", path });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(readAll(path), expectedOutput(kTimer0));
    EXPECT_EQ(readAll(dir.filePath("other.c")), "int keep;\n");
}

#ifdef ORLET_PAUSE_SHIM_PATH
// A shim holds orlet-gen in fsync, between writing its new file and the
// rename: a signal there must not leave the new file beside the target.
TEST(OrletGenSignalled, NewFileBesideTheTargetIsRemoved)
{
    const std::pair<int, bool> cases[] = { { SIGTERM, true }, { SIGINT, true }, { SIGHUP, true }, { SIGTERM, false } };
    for (const auto& [signal, existing] : cases) { // existing: a file to replace
        SCOPED_TRACE(::strsignal(signal));
        QTemporaryDir dir;
        const QString path = dir.filePath("main.c");
        if (existing)
            writeFile(path, "int keep;\n");
        const QStringList before = entries(dir.path());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_PRELOAD", ORLET_PAUSE_SHIM_PATH);
        // A sanitizer build wants its runtime first; the shim comes before it.
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        process.setProcessEnvironment(environment);
        process.setChildProcessModifier([] {
            for (const int caught : { SIGTERM, SIGINT, SIGHUP })
                ::signal(caught, SIG_DFL);
        });
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(ORLET_GEN_PATH), kTimer0 + QStringList { "-o", path });
        while (!process.canReadLine() && process.waitForReadyRead(30000)) { }
        ASSERT_TRUE(process.readLine().startsWith("paused") && entries(dir.path()) != before) << "no new file";

        ::kill(pid_t(process.processId()), signal);
        process.waitForFinished(30000);
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(process.exitCode(), signal);
        EXPECT_EQ(entries(dir.path()), before);
        EXPECT_EQ(readAll(path), existing ? QByteArray("int keep;\n") : QByteArray("<missing>"));
    }
}
#endif

#endif // Q_OS_UNIX
