#include "library/Database.h"
#include "library/MediaFiles.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

namespace {

const QString MediaColumns =
        QStringLiteral("path, kind, title, artist, album, album_artist, genre, year, track, "
                       "duration, folder, size, added_at, play_count, last_played, favorite");

// A stream address rather than a file: contains "://" and is not a file URL.
bool isNetworkAddress(const QString &text)
{
    return text.contains(QLatin1String("://")) && !QUrl(text, QUrl::TolerantMode).isLocalFile();
}

} // namespace

void Database::countPlay(const QString &path)
{
    QSqlQuery query(connection());
    runLogged(
            query,
            QStringLiteral("UPDATE media SET play_count=play_count+1, last_played=? WHERE path=?"),
            {QDateTime::currentSecsSinceEpoch(), path});
}

void Database::ensureMedia(const QString &path, const QString &kind, const QString &title)
{
    const QString folder =
            isNetworkAddress(path) ? QStringLiteral("") : QFileInfo(path).absolutePath();
    QSqlQuery query(connection());
    runLogged(query,
              QStringLiteral("INSERT OR IGNORE INTO media (path, kind, title, added_at, "
                             "in_library, folder) VALUES (?,?,?,?,0,?)"),
              {path, kind, title, QDateTime::currentSecsSinceEpoch(), folder});
}

void Database::setFavorite(const QString &path, bool on)
{
    QString kind = QStringLiteral("audio");
    if (isVideoFile(path))
        kind = QStringLiteral("video");
    else if (isNetworkAddress(path))
        kind = QStringLiteral("stream");
    ensureMedia(path, kind, QFileInfo(path).completeBaseName());
    QSqlQuery query(connection());
    runLogged(query, QStringLiteral("UPDATE media SET favorite=? WHERE path=?"),
              {on ? 1 : 0, path});
    Q_EMIT favoritesChanged();
}

bool Database::isFavorite(const QString &path)
{
    QSqlQuery query(connection());
    if (!runLogged(query, QStringLiteral("SELECT favorite FROM media WHERE path=?"), {path}))
        return false;
    return query.next() && query.value(0).toLongLong() != 0;
}

QList<MediaRecord> Database::favorites()
{
    QSqlQuery query(connection());
    if (!runLogged(query,
                   QStringLiteral("SELECT %1 FROM media WHERE favorite=1 ORDER BY title")
                           .arg(MediaColumns),
                   {}))
        return {};
    return mediaRows(query);
}

QList<MediaRecord> Database::libraryMedia(const QString &kind)
{
    QSqlQuery query(connection());
    if (!runLogged(query,
                   QStringLiteral("SELECT %1 FROM media WHERE kind=? AND in_library=1")
                           .arg(MediaColumns),
                   {kind}))
        return {};
    return mediaRows(query);
}

std::optional<MediaRecord> Database::mediaByPath(const QString &path)
{
    QSqlQuery query(connection());
    if (!runLogged(query, QStringLiteral("SELECT %1 FROM media WHERE path=?").arg(MediaColumns),
                   {path}))
        return std::nullopt;
    const QList<MediaRecord> rows = mediaRows(query);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QHash<QString, MediaRecord> Database::mediaByPaths(const QStringList &paths)
{
    // Below SQLite's smallest limit on bound values.
    constexpr qsizetype Chunk = 500;
    QHash<QString, MediaRecord> rows;
    for (qsizetype start = 0; start < paths.size(); start += Chunk) {
        const QStringList chunk = paths.mid(start, Chunk);
        QString marks = QStringLiteral("?");
        for (qsizetype i = 1; i < chunk.size(); ++i)
            marks += QStringLiteral(",?");
        QVariantList values;
        values.reserve(chunk.size());
        for (const QString &path : chunk)
            values.append(path);
        QSqlQuery query(connection());
        if (!runLogged(query,
                       QStringLiteral("SELECT %1 FROM media WHERE path IN (%2)")
                               .arg(MediaColumns, marks),
                       values))
            continue;
        const QList<MediaRecord> found = mediaRows(query);
        for (const MediaRecord &row : found)
            rows.insert(row.path, row);
    }
    return rows;
}

QList<MediaRecord> Database::mostPlayed(int limit)
{
    QSqlQuery query(connection());
    if (!runLogged(query,
                   QStringLiteral("SELECT %1 FROM media WHERE play_count>0 ORDER BY play_count "
                                  "DESC, last_played DESC LIMIT ?")
                           .arg(MediaColumns),
                   {limit}))
        return {};
    return mediaRows(query);
}

QList<MediaRecord> Database::recentlyAdded(int limit, const QString &kind)
{
    QSqlQuery query(connection());
    const bool ok =
            kind.isEmpty()
                    ? runLogged(query,
                                QStringLiteral("SELECT %1 FROM media WHERE in_library=1 ORDER BY "
                                               "added_at DESC LIMIT ?")
                                        .arg(MediaColumns),
                                {limit})
                    : runLogged(query,
                                QStringLiteral("SELECT %1 FROM media WHERE in_library=1 AND kind=? "
                                               "ORDER BY added_at DESC LIMIT ?")
                                        .arg(MediaColumns),
                                {kind, limit});
    if (!ok)
        return {};
    return mediaRows(query);
}

void Database::setDurationIfUnknown(const QString &path, double seconds)
{
    QSqlQuery query(connection());
    runLogged(query,
              QStringLiteral("UPDATE media SET duration=? WHERE path=? AND (duration IS NULL OR "
                             "duration<=0)"),
              {seconds, path});
}

bool Database::storeScanned(const QList<MediaRecord> &records)
{
    if (records.isEmpty())
        return true;
    if (!beginTransaction())
        return false;
    QSqlQuery query(connection());
    if (!prepareLogged(
                query,
                QStringLiteral(
                        "INSERT INTO media (path, kind, title, artist, album, album_artist, "
                        "genre, year, track, duration, folder, size, added_at, mtime, in_library) "
                        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,1) ON CONFLICT(path) DO UPDATE SET "
                        "kind=excluded.kind, title=excluded.title, artist=excluded.artist, "
                        "album=excluded.album, album_artist=excluded.album_artist, "
                        "genre=excluded.genre, year=excluded.year, track=excluded.track, "
                        "duration=CASE WHEN excluded.duration > 0 THEN excluded.duration ELSE "
                        "media.duration END, folder=excluded.folder, size=excluded.size, "
                        "mtime=excluded.mtime, in_library=1")))
        return rollBack();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const MediaRecord &r : records) {
        query.bindValue(0, textValue(r.path));
        query.bindValue(1, textValue(r.kind));
        query.bindValue(2, textValue(r.title));
        query.bindValue(3, textValue(r.artist));
        query.bindValue(4, textValue(r.album));
        query.bindValue(5, textValue(r.albumArtist));
        query.bindValue(6, textValue(r.genre));
        query.bindValue(7, r.year);
        query.bindValue(8, r.track);
        query.bindValue(9, r.duration);
        query.bindValue(10, textValue(r.folder));
        query.bindValue(11, r.size);
        query.bindValue(12, r.addedAt != 0 ? r.addedAt : now);
        query.bindValue(13, r.mtimeMs);
        if (!execLogged(query))
            return rollBack();
    }
    if (!commitTransaction())
        return rollBack();
    Q_EMIT libraryChanged();
    return true;
}

namespace {

const QString LibraryFilesQuery =
        QStringLiteral("SELECT path, kind, size, mtime FROM media WHERE in_library=1 AND kind IN "
                       "('audio','video')");

} // namespace

QList<LibraryFile> Database::libraryFileRows(QSqlQuery &query)
{
    QList<LibraryFile> rows;
    while (query.next()) {
        LibraryFile f;
        f.path = query.value(0).toString();
        f.kind = query.value(1).toString();
        f.size = query.value(2).toLongLong();
        f.mtimeMs = query.value(3).toLongLong();
        rows.append(f);
    }
    return rows;
}

QList<LibraryFile> Database::libraryFiles()
{
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!runLogged(query, LibraryFilesQuery, {}))
        return {};
    return libraryFileRows(query);
}

QString Database::filePath()
{
    const QSqlDatabase db = connection();
    return db.isOpen() ? db.databaseName() : QString();
}

namespace {

// Runs one statement on a private connection to filePath, opened for this
// call on the calling thread, and hands the query to read.
template<typename Read>
bool onPrivateConnection(const QString &filePath, const QString &statement, bool readOnly,
                         Read read)
{
    // Connection names are per thread, so threads never share one.
    const QString name = QStringLiteral("private-%1")
                                 .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            ok = query.exec(statement);
            if (ok)
                read(query);
            else
                qWarning().noquote() << "SQL:" << query.lastError().text() << statement;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

QList<LibraryFile> Database::libraryFilesFrom(const QString &filePath)
{
    QList<LibraryFile> rows;
    onPrivateConnection(filePath, LibraryFilesQuery, true,
                        [&rows](QSqlQuery &query) { rows = libraryFileRows(query); });
    return rows;
}

void Database::setAutoCheckpoint(bool on)
{
    execStatement(on ? QStringLiteral("PRAGMA wal_autocheckpoint=1000")
                     : QStringLiteral("PRAGMA wal_autocheckpoint=0"));
}

bool Database::checkpointFrom(const QString &filePath)
{
    return onPrivateConnection(filePath, QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"), false,
                               [](QSqlQuery &) {});
}

bool Database::leaveLibrary(const QStringList &paths)
{
    if (paths.isEmpty())
        return true;
    if (!beginTransaction())
        return false;
    QSqlQuery update(connection());
    if (!prepareLogged(update, QStringLiteral("UPDATE media SET in_library=0 WHERE path=?")))
        return rollBack();
    for (const QString &path : paths) {
        update.bindValue(0, path);
        if (!execLogged(update))
            return rollBack();
    }
    if (!commitTransaction())
        return rollBack();
    Q_EMIT libraryChanged();
    return true;
}

bool Database::markMissing(const QString &kind, const QStringList &folders,
                           const QSet<QString> &foundPaths)
{
    QSqlQuery select(connection());
    if (!runLogged(select,
                   QStringLiteral("SELECT path, folder FROM media WHERE kind=? AND in_library=1"),
                   {kind}))
        return false;
    QStringList missing;
    while (select.next()) {
        const QString path = select.value(0).toString();
        if (foundPaths.contains(path))
            continue;
        bool gone = folders.isEmpty();
        for (qsizetype i = 0; !gone && i < folders.size(); ++i)
            gone = isUnderFolder(path, folders.at(i));
        if (gone)
            missing.append(path);
    }
    select.finish();
    return leaveLibrary(missing);
}
