#include "platform/FileSystemCalls.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#ifdef Q_OS_UNIX
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace FileSystemCalls {

Qt::CaseSensitivity pathCaseSensitivity()
{
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString textPath(const QByteArray &native)
{
    const QString text = QFile::decodeName(native);
    // ASCII always survives; other bytes only when they are valid UTF-8.
    for (const char c : native) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return QFile::encodeName(text) == native ? text : QString();
    }
    return text;
}

#ifdef Q_OS_UNIX

namespace {

qint64 mtimeMsOf(const struct stat &st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

} // namespace

bool lowerCurrentThreadPriority()
{
#ifdef Q_OS_LINUX
    // Linux keeps a nice value per thread; QThread priorities do nothing under
    // the default scheduler. The I/O class "best effort", level 7, is the
    // lowest that still makes progress while playback reads.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    const bool nice = ::setpriority(PRIO_PROCESS, tid, 10) == 0;
    constexpr int ioprioWhoProcess = 1;
    constexpr int ioprioClassBestEffort = 2;
    constexpr int ioprioClassShift = 13;
    const bool io = ::syscall(SYS_ioprio_set, ioprioWhoProcess, static_cast<int>(tid),
                              (ioprioClassBestEffort << ioprioClassShift) | 7) == 0;
    return nice && io;
#else
    QThread::currentThread()->setPriority(QThread::LowestPriority);
    return true;
#endif
}

std::optional<FileStatus> statPath(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return std::nullopt;
    FileStatus status;
    status.regular = S_ISREG(st.st_mode);
    status.directory = S_ISDIR(st.st_mode);
    status.size = st.st_size;
    status.mtimeMs = mtimeMsOf(st);
    return status;
}

bool canRead(const QByteArray &path, bool directory)
{
    return ::access(path.constData(), directory ? (R_OK | X_OK) : R_OK) == 0;
}

bool listDirectory(const QByteArray &path, const std::function<bool(const QByteArray &)> &wanted,
                   QList<DirectoryEntry> &entries)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent *e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const QByteArray name(e->d_name);
        unsigned char type = e->d_type;
        if (type == DT_DIR) {
            entries.append({name, true, 0, 0});
            continue;
        }
        if (type == DT_UNKNOWN) {
            struct stat lst;
            if (::fstatat(fd, e->d_name, &lst, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(lst.st_mode)) {
                entries.append({name, true, 0, 0});
                continue;
            }
            type = S_ISLNK(lst.st_mode) ? DT_LNK : S_ISREG(lst.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if ((type != DT_REG && type != DT_LNK) || !wanted(name))
            continue;
        // Links are followed here: a link to a FIFO or a folder is no file.
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::faccessat(fd, e->d_name, R_OK, 0) != 0)
            continue;
        entries.append({name, false, qint64(st.st_size), mtimeMsOf(st)});
    }
    ::closedir(dir);
    return true;
}

char *mapSharedFile(const QByteArray &path, qsizetype bytes)
{
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || (st.st_size < bytes && ::ftruncate(fd, bytes) != 0)) {
        ::close(fd);
        return nullptr;
    }
    void *memory = ::mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    return memory == MAP_FAILED ? nullptr : static_cast<char *>(memory);
}

void unmapSharedFile(char *memory, qsizetype bytes)
{
    if (memory)
        ::munmap(memory, size_t(bytes));
}

namespace {

std::atomic<void (*)()> fatalHook{nullptr};
thread_local bool watchedThread = false;
thread_local void *altStack = nullptr;
constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE};

void onFatalSignal(int sig)
{
    if (watchedThread) {
        if (auto hook = fatalHook.load())
            hook();
    }
    // Let the signal end the process as it would have without us.
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
}

} // namespace

void installFatalSignalHook(void (*crashed)())
{
    void (*expected)() = nullptr;
    if (!fatalHook.compare_exchange_strong(expected, crashed))
        return;
    for (int sig : FatalSignals) {
        struct sigaction previous = {};
        ::sigaction(sig, nullptr, &previous);
        // Someone else's handler (a debugger helper, a sanitizer) stays.
        if (previous.sa_handler != SIG_DFL)
            continue;
        struct sigaction action = {};
        action.sa_handler = onFatalSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_ONSTACK | SA_NODEFER;
        ::sigaction(sig, &action, nullptr);
    }
}

void watchFatalSignalsOnThisThread()
{
    if (!altStack) {
        const size_t bytes = 64 * 1024;
        altStack = std::malloc(bytes);
        if (altStack) {
            stack_t stack = {};
            stack.ss_sp = altStack;
            stack.ss_size = bytes;
            ::sigaltstack(&stack, nullptr);
        }
    }
    watchedThread = true;
}

void unwatchFatalSignalsOnThisThread()
{
    watchedThread = false;
}

#else // Windows: the same services through Qt.

bool lowerCurrentThreadPriority()
{
    QThread::currentThread()->setPriority(QThread::LowestPriority);
    return true;
}

std::optional<FileStatus> statPath(const QByteArray &path)
{
    const QFileInfo info(QFile::decodeName(path));
    if (!info.exists())
        return std::nullopt;
    FileStatus status;
    status.regular = info.isFile();
    status.directory = info.isDir();
    status.size = info.size();
    status.mtimeMs = info.lastModified().toMSecsSinceEpoch();
    return status;
}

bool canRead(const QByteArray &path, bool)
{
    return QFileInfo(QFile::decodeName(path)).isReadable();
}

bool listDirectory(const QByteArray &path, const std::function<bool(const QByteArray &)> &wanted,
                   QList<DirectoryEntry> &entries)
{
    QDir dir(QFile::decodeName(path));
    if (!dir.exists() || !dir.isReadable())
        return false;
    const QFileInfoList list =
            dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable);
    for (const QFileInfo &info : list) {
        const QByteArray name = QFile::encodeName(info.fileName());
        if (info.isDir() && !info.isSymLink())
            entries.append({name, true, 0, 0});
        else if (info.isFile() && wanted(name))
            entries.append({name, false, info.size(), info.lastModified().toMSecsSinceEpoch()});
    }
    return true;
}

namespace {

// A mapping lives as long as its QFile; the files are kept by address.
QHash<char *, QFile *> &mappedFiles()
{
    static QHash<char *, QFile *> files;
    return files;
}

} // namespace

char *mapSharedFile(const QByteArray &path, qsizetype bytes)
{
    auto *file = new QFile(QFile::decodeName(path));
    uchar *memory = nullptr;
    if (file->open(QIODevice::ReadWrite) && (file->size() >= bytes || file->resize(bytes)))
        memory = file->map(0, bytes);
    if (!memory) {
        delete file;
        return nullptr;
    }
    mappedFiles().insert(reinterpret_cast<char *>(memory), file);
    return reinterpret_cast<char *>(memory);
}

void unmapSharedFile(char *memory, qsizetype)
{
    delete mappedFiles().take(memory);
}

void installFatalSignalHook(void (*)()) {}
void watchFatalSignalsOnThisThread() {}
void unwatchFatalSignalsOnThisThread() {}

#endif

} // namespace FileSystemCalls
