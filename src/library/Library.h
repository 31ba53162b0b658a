#pragma once

#include "library/Records.h"
#include "library/ScanResult.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

namespace TagLib {
class String;
} // namespace TagLib

// Keeps the media library in step with the music and video folders the user
// chose. A scan walks them on a private low-priority thread and stores what
// changed on the GUI thread in small slices, one per event-loop turn, so the
// window never waits long. One scan runs at a time; requests during a scan
// collapse into one follow-up scan. Quitting cancels a running scan.
class Library final : public QObject
{
    Q_OBJECT

public:
    // The shared object, parented to the application object. Its creation
    // writes the first-run folders when the settings have none.
    static Library *instance();
    ~Library() override;

    // The folders of a kind ("audio" or "video"), without empty entries.
    QStringList folders(const QString &kind) const;
    // Adds a folder (cleaned) unless listed already, then rescans.
    void addFolder(const QString &kind, const QString &folder);
    // Removes a folder and at once takes its files out of the library, except
    // those still below another folder of the kind; then rescans.
    void removeFolder(const QString &kind, const QString &folder);
    // Starts a scan, or books one follow-up scan when one is running.
    void startScan();
    bool isScanning() const { return m_scanning; }
    // True while the finished walk's records are being written, slice by slice.
    bool isStoring() const { return m_storing; }

    // The record of a file with its tags; safe on any thread, blocking.
    static MediaRecord readMetadata(const QString &path);
    // The same on a worker thread, for callers on the GUI thread.
    QFuture<MediaRecord> readMetadataAsync(const QString &path);
    // The lyrics embedded in an audio file, or empty text; safe on any thread.
    static QString readLyrics(const QString &path);
    static QString tagText(const TagLib::String &text);

    // Where the time of the last finished scan went, for the benchmarks.
    struct ScanFigures
    {
        qint64 startMs = 0;  // GUI thread, from startScan to the worker's start
        qint64 workerMs = 0; // walking and reading
        qint64 storeMs = 0;  // from the worker's result to scanFinished
        int stored = 0;      // records written
        int slices = 0;      // store slices run
        double longestSliceMs = 0;
    };
    ScanFigures lastScanFigures() const { return m_figures; }

    // Records stored per slice start small and grow while a slice stays
    // within its time budget.
    static constexpr int MinSliceSize = 16;
    static constexpr int MaxSliceSize = 2000;
    static constexpr qint64 SliceBudgetNs = 4'000'000;

Q_SIGNALS:
    void scanStarted();
    void scanFinished(int found);

private:
    explicit Library(QObject *parent);
    void applyFirstRunDefault();
    void writeFolders(const QString &kind, const QStringList &list);
    void onWorkerFinished();
    // Stores the next slice, or finishes; runs once per event-loop turn.
    void storeNextSlice();
    void finishScan();
    void scheduleNextSlice();
    void adaptSliceSize(qsizetype records, qint64 ns);

    QThreadPool m_scanPool;
    QThreadPool m_readPool;
    QFutureWatcher<ScanResult> m_watcher;
    std::atomic_bool m_cancel{false};
    bool m_scanning = false;
    bool m_rescanPending = false;

    // The result being stored and how far storing has come.
    ScanResult m_result;
    qsizetype m_nextItem = 0;
    qsizetype m_nextMissing = 0;
    int m_sliceSize = MinSliceSize;
    bool m_checkpointHeld = false;
    bool m_storing = false;
    QStringList m_keptAudioFolders;
    QStringList m_keptVideoFolders;

    QElapsedTimer m_clock;
    qint64 m_storeStartMs = 0;
    ScanFigures m_figures;
};
