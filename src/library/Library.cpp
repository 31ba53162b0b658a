#include "library/Library.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "library/LibraryScanner.h"
#include "library/MediaFiles.h"
#include "library/MediaTags.h"
#include "platform/FileSystemCalls.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QtConcurrent>

namespace {

QString folderKey(const QString &kind)
{
    return QStringLiteral("library/") + kind;
}

// The user's folder of a kind. A disabled XDG user dir ("$HOME/") comes back
// as the home folder itself: that kind starts with no folder rather than a
// walk of all of home.
QStringList userFolder(QStandardPaths::StandardLocation location)
{
    const QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || QDir::cleanPath(folder) == QDir::cleanPath(QDir::homePath()))
        return {};
    return {folder};
}

bool underAny(const QString &path, const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (isUnderFolder(path, folder))
            return true;
    }
    return false;
}

QStringList stillConfigured(const QStringList &scanned, const QStringList &configured)
{
    QStringList kept;
    for (const QString &folder : scanned) {
        if (configured.contains(folder))
            kept.append(folder);
    }
    return kept;
}

// Runs a database call with the database's signals held back, so that one
// libraryChanged at the end replaces one per slice. Held only around the
// call: other changes between slices still announce themselves.
template<typename Call>
void quietly(Call call)
{
    Database *db = Database::instance();
    const bool wasBlocked = db->blockSignals(true);
    call(db);
    db->blockSignals(wasBlocked);
}

} // namespace

Library::Library(QObject *parent)
    : QObject(parent)
{
    m_scanPool.setMaxThreadCount(1);
    m_readPool.setMaxThreadCount(1);
    connect(&m_watcher, &QFutureWatcher<ScanResult>::finished, this, &Library::onWorkerFinished);
    if (auto *app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_cancel = true; });
    }
    applyFirstRunDefault();
}

Library::~Library()
{
    m_cancel = true;
    m_scanPool.waitForDone();
    m_readPool.waitForDone();
}

Library *Library::instance()
{
    static Library *const library = new Library(QCoreApplication::instance());
    return library;
}

void Library::applyFirstRunDefault()
{
    QSettings &settings = appSettings();
    if (settings.contains(folderKey(QStringLiteral("audio"))))
        return;
    writeFolders(QStringLiteral("audio"), userFolder(QStandardPaths::MusicLocation));
    writeFolders(QStringLiteral("video"), userFolder(QStandardPaths::MoviesLocation));
}

QStringList Library::folders(const QString &kind) const
{
    QStringList list = appSettings().value(folderKey(kind)).toStringList();
    list.removeAll(QString());
    return list;
}

void Library::writeFolders(const QString &kind, const QStringList &list)
{
    appSettings().setValue(folderKey(kind), list);
    appSettings().sync();
}

void Library::addFolder(const QString &kind, const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    QStringList list = folders(kind);
    if (!clean.isEmpty() && !list.contains(clean))
        list.append(clean);
    writeFolders(kind, list);
    startScan();
}

void Library::removeFolder(const QString &kind, const QString &folder)
{
    QStringList list = folders(kind);
    list.removeAll(folder);
    writeFolders(kind, list);
    // Rows below another configured folder of the kind stay (nested folders).
    QStringList leaving;
    const QList<LibraryFile> files = Database::instance()->libraryFiles();
    for (const LibraryFile &file : files) {
        if (file.kind == kind && isUnderFolder(file.path, folder) && !underAny(file.path, list))
            leaving.append(file.path);
    }
    Database::instance()->leaveLibrary(leaving);
    startScan();
}

void Library::startScan()
{
    if (m_scanning) {
        m_rescanPending = true;
        return;
    }
    if (m_cancel)
        return;
    m_scanning = true;
    m_clock.start();
    m_figures = {};
    Q_EMIT scanStarted();

    LibraryScanner::Input input;
    // The known rows are read on the worker, on a connection of its own:
    // at 10,000 files that read alone would hold the window for a frame.
    input.databaseFile = Database::filePath();
    input.videoFolders = folders(QStringLiteral("video"));
    input.audioFolders = folders(QStringLiteral("audio"));
    input.journalFolder = dataDir();
    m_figures.startMs = m_clock.elapsed();
    m_watcher.setFuture(QtConcurrent::run(&m_scanPool, [this, input = std::move(input)]() mutable {
        // This pool's one thread is ours; a global-pool thread must never be
        // reniced, as Linux will not let us undo it.
        FileSystemCalls::lowerCurrentThreadPriority();
        LibraryScanner scanner(std::move(input), m_cancel);
        return scanner.scanFolders();
    }));
}

void Library::onWorkerFinished()
{
    QFuture<ScanResult> future = m_watcher.future();
    m_result = future.resultCount() > 0 ? future.takeResult() : ScanResult{};
    m_figures.workerMs = m_result.workerMs;
    m_storeStartMs = m_clock.elapsed();
    m_nextItem = 0;
    m_nextMissing = -1;
    m_sliceSize = MinSliceSize;
    m_storing = true;
    if (m_result.cancelled)
        m_result.items.clear();
    m_checkpointHeld = !m_result.items.isEmpty() && !Database::filePath().isEmpty();
    if (m_checkpointHeld)
        Database::setAutoCheckpoint(false);
    scheduleNextSlice();
}

void Library::scheduleNextSlice()
{
    QTimer::singleShot(0, this, &Library::storeNextSlice);
}

void Library::storeNextSlice()
{
    if (m_cancel || m_result.cancelled) {
        finishScan();
        return;
    }
    if (m_nextItem < m_result.items.size()) {
        // Folders are read now: records of a folder removed meanwhile are dropped.
        const QStringList audio = folders(QStringLiteral("audio"));
        const QStringList video = folders(QStringLiteral("video"));
        const qsizetype end = qMin(m_nextItem + m_sliceSize, m_result.items.size());
        QList<MediaRecord> slice;
        slice.reserve(end - m_nextItem);
        for (qsizetype i = m_nextItem; i < end; ++i) {
            const MediaRecord &record = m_result.items.at(i);
            if (underAny(record.path, record.kind == QLatin1String("video") ? video : audio))
                slice.append(record);
        }
        m_nextItem = end;
        QElapsedTimer sliceTimer;
        sliceTimer.start();
        quietly([&slice](Database *db) { db->storeScanned(slice); });
        adaptSliceSize(slice.size(), sliceTimer.nsecsElapsed());
        m_figures.longestSliceMs = qMax(m_figures.longestSliceMs, sliceTimer.nsecsElapsed() / 1e6);
        m_figures.stored += int(slice.size());
        ++m_figures.slices;
        scheduleNextSlice();
        return;
    }
    if (m_nextMissing < 0) {
        // Only folders scanned and still configured may lose files.
        const QStringList audio =
                stillConfigured(m_result.audioFolders, folders(QStringLiteral("audio")));
        const QStringList video =
                stillConfigured(m_result.videoFolders, folders(QStringLiteral("video")));
        QStringList missing;
        for (const QString &path : std::as_const(m_result.missing)) {
            if (underAny(path, isVideoFile(path) ? video : audio))
                missing.append(path);
        }
        m_result.missing = missing;
        m_nextMissing = 0;
    }
    if (m_nextMissing < m_result.missing.size()) {
        const QStringList slice = m_result.missing.mid(m_nextMissing, m_sliceSize * 4);
        m_nextMissing += slice.size();
        quietly([&slice](Database *db) { db->leaveLibrary(slice); });
        ++m_figures.slices;
        scheduleNextSlice();
        return;
    }
    finishScan();
}

void Library::adaptSliceSize(qsizetype records, qint64 ns)
{
    if (records < m_sliceSize / 2)
        return;
    // Aim at a quarter of a frame per slice, whatever the disk and machine.
    const double perRecordNs = double(qMax<qint64>(ns, 1)) / double(records);
    const int fitting = int(SliceBudgetNs / perRecordNs);
    m_sliceSize = qBound(MinSliceSize, qMin(fitting, m_sliceSize * 2), MaxSliceSize);
}

void Library::finishScan()
{
    const bool cancelled = m_cancel || m_result.cancelled;
    const int found = int(m_result.foundAudio.size() + m_result.foundVideo.size());
    m_result = ScanResult{};
    if (m_checkpointHeld) {
        // The log the slices wrote is copied into the file off this thread;
        // automatic checkpoints come back once that is done.
        m_checkpointHeld = false;
        const QString file = Database::filePath();
        if (cancelled) {
            Database::setAutoCheckpoint(true);
        } else {
            QtConcurrent::run(&m_readPool, &Database::checkpointFrom, file).then(this, [](bool) {
                Database::setAutoCheckpoint(true);
            });
        }
    }
    if (!cancelled)
        Q_EMIT Database::instance()->libraryChanged();
    m_figures.storeMs = m_clock.elapsed() - m_storeStartMs;
    m_storing = false;
    m_scanning = false;
    Q_EMIT scanFinished(found);
    if (m_rescanPending && !cancelled) {
        m_rescanPending = false;
        startScan();
    }
}

MediaRecord Library::readMetadata(const QString &path)
{
    return MediaTags::readMetadata(path);
}

QFuture<MediaRecord> Library::readMetadataAsync(const QString &path)
{
    return QtConcurrent::run(&m_readPool, &MediaTags::readMetadata, path);
}

QString Library::readLyrics(const QString &path)
{
    return MediaTags::readLyrics(path);
}

QString Library::tagText(const TagLib::String &text)
{
    return MediaTags::tagText(text);
}
