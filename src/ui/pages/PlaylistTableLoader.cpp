#include "ui/pages/PlaylistTableLoader.h"

#include "engine/FormatTime.h"
#include "engine/MediaPaths.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/Theme.h"

#include <QFileInfo>
#include <QHash>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QtConcurrent>

namespace {

// The duration in seconds, kept in the first cell for the totals.
constexpr int DurationRole = Qt::UserRole + 50;
constexpr int PathRole = Qt::UserRole + 1;

QString rowTitle(const QString &path, const MediaRecord &record)
{
    if (isNetworkSource(path))
        return record.title.isEmpty() ? path : record.title;
    return record.title.isEmpty() ? QFileInfo(path).completeBaseName() : record.title;
}

// Results go back in batches: each batch costs the GUI thread one pass over
// the table.
void readDetails(QPromise<QList<PlaylistRowDetail>> &promise, const QStringList &paths,
                 const QList<bool> &inLibrary)
{
    constexpr qsizetype Batch = 512;
    QList<PlaylistRowDetail> batch;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (promise.isCanceled())
            return;
        PlaylistRowDetail detail;
        detail.path = paths.at(i);
        detail.exists = QFileInfo::exists(detail.path);
        if (detail.exists && !inLibrary.at(i)) {
            detail.record = Library::readMetadata(detail.path);
            detail.tagged = true;
        }
        batch.append(detail);
        if (batch.size() == Batch) {
            promise.addResult(batch);
            batch.clear();
        }
    }
    if (!batch.isEmpty())
        promise.addResult(batch);
}

} // namespace

PlaylistTableLoader::PlaylistTableLoader(Database *database, QTableWidget *table, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_table(table)
{
    m_pool.setMaxThreadCount(1);
}

PlaylistTableLoader::~PlaylistTableLoader()
{
    m_details.cancel();
    m_details.waitForFinished();
}

void PlaylistTableLoader::clear()
{
    ++m_generation;
    m_details.disconnect(this);
    m_details.cancel();
    m_detailsPending = false;
    m_pendingRecords.clear();
    m_detailPaths.clear();
    m_detailInLibrary.clear();
    m_seen.clear();
    m_loadedSeconds = 0;
    m_loading = false;
    m_table->setRowCount(0);
}

void PlaylistTableLoader::loadPlaylist(qint64 id)
{
    clear();
    m_playlistId = id;
    m_offset = 0;
    m_loading = true;
    nextChunk(m_generation);
}

void PlaylistTableLoader::loadRecords(const QList<MediaRecord> &rows)
{
    clear();
    m_playlistId = 0;
    m_pendingRecords = rows;
    m_offset = 0;
    m_loading = true;
    nextChunk(m_generation);
}

void PlaylistTableLoader::nextChunk(quint64 generation)
{
    if (generation != m_generation)
        return;
    QList<MediaRecord> rows;
    if (m_playlistId > 0)
        rows = m_database->playlistRows(m_playlistId, m_offset, ChunkRows);
    else
        rows = m_pendingRecords.mid(m_offset, ChunkRows);
    m_offset += int(rows.size());
    appendRows(rows);
    Q_EMIT rowsChanged();
    if (rows.size() == ChunkRows) {
        QTimer::singleShot(0, this, [this, generation] { nextChunk(generation); });
        return;
    }
    m_pendingRecords.clear();
    m_loading = false;
    startDetails();
    Q_EMIT loaded();
}

void PlaylistTableLoader::appendRows(const QList<MediaRecord> &rows)
{
    const int first = m_table->rowCount();
    m_table->setRowCount(first + int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const MediaRecord &record = rows.at(i);
        setRow(first + i, record.path, record, !record.kind.isEmpty());
        if (record.duration > 0)
            m_loadedSeconds += record.duration;
        if (!isNetworkSource(record.path) && !m_seen.contains(record.path)) {
            m_seen.insert(record.path);
            m_detailPaths.append(record.path);
            m_detailInLibrary.append(!record.kind.isEmpty());
        }
    }
}

void PlaylistTableLoader::setRow(int row, const QString &path, const MediaRecord &record,
                                 bool inLibrary)
{
    auto *title = new QTableWidgetItem(rowTitle(path, record));
    title->setData(PathRole, path);
    title->setData(DurationRole, record.duration > 0 ? record.duration : 0.0);
    title->setData(Qt::UserRole + 2, inLibrary);
    title->setToolTip(plainToolTip(path));
    m_table->setItem(row, 0, title);
    m_table->setItem(row, 1, new QTableWidgetItem(record.artist));
    m_table->setItem(row, 2, new QTableWidgetItem(record.album));
    m_table->setItem(
            row, 3,
            new QTableWidgetItem(record.duration > 0 ? formatTime(record.duration) : QString()));
}

void PlaylistTableLoader::startDetails()
{
    const QStringList paths = std::exchange(m_detailPaths, {});
    const QList<bool> inLibrary = std::exchange(m_detailInLibrary, {});
    m_seen.clear();
    const quint64 generation = m_generation;
    m_details.disconnect(this);
    // Finished comes after every batch of results has been delivered.
    connect(&m_details, &QFutureWatcher<QList<PlaylistRowDetail>>::finished, this,
            [this, generation] {
                if (generation != m_generation)
                    return;
                m_detailsPending = false;
                Q_EMIT detailsDone();
            });
    connect(&m_details, &QFutureWatcher<QList<PlaylistRowDetail>>::resultsReadyAt, this,
            [this, generation](int begin, int end) { applyDetails(generation, begin, end); });
    m_detailsPending = true;
    m_details.setFuture(QtConcurrent::run(&m_pool, readDetails, paths, inLibrary));
}

void PlaylistTableLoader::applyDetails(quint64 generation, int begin, int end)
{
    if (generation != m_generation)
        return;
    QHash<QString, PlaylistRowDetail> details;
    for (int i = begin; i < end; ++i) {
        const QList<PlaylistRowDetail> batch = m_details.resultAt(i);
        for (const PlaylistRowDetail &detail : batch)
            details.insert(detail.path, detail);
    }
    // Rows may have moved since the load: find them by path.
    const QColor missing = themeColor(ThemeColor::MutedText);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const auto found = details.constFind(rowPath(m_table, row));
        if (found == details.cend())
            continue;
        if (found->tagged) {
            const bool hadTitle = !found->record.title.isEmpty();
            QTableWidgetItem *title = m_table->item(row, 0);
            if (hadTitle)
                title->setText(found->record.title);
            title->setData(DurationRole, found->record.duration > 0 ? found->record.duration : 0.0);
            m_table->item(row, 1)->setText(found->record.artist);
            m_table->item(row, 2)->setText(found->record.album);
            m_table->item(row, 3)->setText(
                    found->record.duration > 0 ? formatTime(found->record.duration) : QString());
        }
        if (!found->exists)
            m_table->item(row, 0)->setForeground(missing);
    }
    Q_EMIT rowsChanged();
}

QString PlaylistTableLoader::rowPath(const QTableWidget *table, int row)
{
    const QTableWidgetItem *item = table->item(row, 0);
    return item ? item->data(PathRole).toString() : QString();
}

QString PlaylistTableLoader::plainToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

double PlaylistTableLoader::totalSeconds(const QTableWidget *table)
{
    double total = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (const QTableWidgetItem *item = table->item(row, 0))
            total += item->data(DurationRole).toDouble();
    }
    return total;
}
