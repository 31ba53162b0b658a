#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// The operating-system calls of the library scan: directory listing, file
// status, thread priority, the path case rule and a small shared-memory record
// that survives a crash of the process.
namespace FileSystemCalls {

// How the file system compares names: case-sensitive on Linux, not on
// Windows and macOS.
Qt::CaseSensitivity pathCaseSensitivity();

// A path as the file system functions want it (local 8-bit bytes on Linux).
QByteArray nativePath(const QString &path);
// The path back as text; empty when the bytes do not survive the round trip
// (names that are not valid in the file name encoding).
QString textPath(const QByteArray &native);

// Lowers the CPU and I/O priority of the calling thread, for background work
// that must not compete with playback. Call it only on a thread the caller
// owns: on Linux the change cannot be undone without privileges.
bool lowerCurrentThreadPriority();

struct FileStatus
{
    bool regular = false;   // a regular file (after following links)
    bool directory = false; // a directory (after following links)
    qint64 size = 0;        // bytes
    qint64 mtimeMs = 0;     // modification time, ms since the epoch
};

// The status of path with links followed; empty when it does not exist.
std::optional<FileStatus> statPath(const QByteArray &path);
// True when the calling user may read path (and list it, for a folder).
bool canRead(const QByteArray &path, bool directory);

struct DirectoryEntry
{
    QByteArray name;
    bool directory = false; // a real directory, not a link to one
    qint64 size = 0;        // files only
    qint64 mtimeMs = 0;     // files only
};

// Lists the non-hidden entries of one folder: real directories, and regular
// files readable by the calling user for which wanted(name) holds (a link to
// a regular file counts as a file; links to folders, dangling links, FIFOs,
// sockets and devices are left out). False when the folder cannot be opened.
bool listDirectory(const QByteArray &path, const std::function<bool(const QByteArray &)> &wanted,
                   QList<DirectoryEntry> &entries);

// Maps bytes of the file at path into shared memory, creating the file
// (zero-filled) when needed. Writes to the memory reach the file even when the
// process dies abruptly. Null on failure.
char *mapSharedFile(const QByteArray &path, qsizetype bytes);
void unmapSharedFile(char *memory, qsizetype bytes);

// Runs crashed() from the handler of a fatal signal (segmentation fault, bus
// error, abort, illegal instruction, arithmetic fault) raised on a thread that
// called watchFatalSignalsOnThisThread(); the signal then takes its default
// course. crashed() must be async-signal-safe. Both are process-wide; only
// the first hook counts.
void installFatalSignalHook(void (*crashed)());
// Marks the calling thread as watched and gives it its own signal stack, so
// that even a stack overflow reaches the hook. Undone by
// unwatchFatalSignalsOnThisThread().
void watchFatalSignalsOnThisThread();
void unwatchFatalSignalsOnThisThread();

} // namespace FileSystemCalls
