#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

// Remembers, in a small memory-mapped file, which file the scan is reading,
// so that a file that crashes the tag reader is not opened again on the next
// start (that would crash the player at every start). A crash marks the
// record through a fatal-signal hook; a kill from outside (power loss,
// SIGKILL) leaves it unmarked and costs nothing. Skipped files stay skipped
// until their size or modification time changes. Used on one thread at a time.
class ScanJournal
{
public:
    // Files live in folder: "scan-journal.bin" and "scan-skip.txt".
    explicit ScanJournal(const QString &folder);
    ~ScanJournal();
    ScanJournal(const ScanJournal &) = delete;
    ScanJournal &operator=(const ScanJournal &) = delete;

    // Takes a crash noted by the last run into the skip list. Returns the
    // path that crashed, or empty text.
    QString recoverCrash();
    // True when path is on the skip list with this size and time; an entry
    // whose file changed leaves the list.
    bool shouldSkip(const QString &path, qint64 size, qint64 mtimeMs);
    // Notes the file about to be read, and that reading it ended.
    void beginRead(const QByteArray &nativePath, qint64 size, qint64 mtimeMs);
    void endRead();

    // Arms the crash hook for the calling thread while it reads.
    void watchThisThread();
    void unwatchThisThread();

private:
    struct Skipped
    {
        qint64 size = 0;
        qint64 mtimeMs = 0;
    };
    void saveSkipList() const;

    QString m_skipFile;
    char *m_record = nullptr;
    QHash<QString, Skipped> m_skip;
};
