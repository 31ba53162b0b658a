#pragma once

#include "library/Records.h"
#include "library/ScanResult.h"
#include "platform/FileSystemCalls.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>

class ScanJournal;

// The walk of one library scan: lists the configured folders, recognises
// media by suffix and reads the tags of new or changed files. Runs on a
// worker thread and touches nothing shared but the cancel flag it is given.
class LibraryScanner
{
public:
    struct Input
    {
        QStringList audioFolders;
        QStringList videoFolders;
        // The database file whose library rows say what is known already;
        // read on the worker. Empty: nothing is known.
        QString databaseFile;
        // Where the crash journal lives; empty for none.
        QString journalFolder;
    };

    LibraryScanner(Input input, const std::atomic_bool &cancel);
    ~LibraryScanner();
    LibraryScanner(const LibraryScanner &) = delete;
    LibraryScanner &operator=(const LibraryScanner &) = delete;

    // Walks the audio folders, then the video folders.
    ScanResult scanFolders();

private:
    struct Pending
    {
        QByteArray native;
        QString text;
    };

    void scanKind(const QStringList &folders, bool audio);
    void walk(const QString &root, bool audio);
    void takeFile(const QString &path, const QByteArray &nativeFolder,
                  const FileSystemCalls::DirectoryEntry &entry, bool audio);
    void findMissing();
    // Log lines per scan are bounded; a tree full of bad names says it once.
    void logLimited(const QString &line);

    Input m_input;
    // Library rows known before the scan, by path.
    QHash<QString, LibraryFile> m_known;
    const std::atomic_bool &m_cancel;
    ScanJournal *m_journal = nullptr;
    ScanResult m_result;
    int m_logLines = 0;
};
