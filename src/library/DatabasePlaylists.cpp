#include "library/Database.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>

qint64 Database::createPlaylist(const QString &name)
{
    QSqlQuery query(connection());
    if (!runLogged(query, QStringLiteral("INSERT INTO playlists (name, created) VALUES (?, ?)"),
                   {name, QDateTime::currentSecsSinceEpoch()}))
        return 0;
    const qint64 id = query.lastInsertId().toLongLong();
    if (id <= 0)
        return 0;
    Q_EMIT playlistsChanged();
    return id;
}

void Database::renamePlaylist(qint64 id, const QString &name)
{
    QSqlQuery query(connection());
    runLogged(query, QStringLiteral("UPDATE playlists SET name=? WHERE id=?"), {name, id});
    Q_EMIT playlistsChanged();
}

bool Database::deletePlaylist(qint64 id)
{
    if (!beginTransaction())
        return false;
    QSqlQuery items(connection());
    if (!runLogged(items, QStringLiteral("DELETE FROM playlist_items WHERE playlist_id=?"), {id}))
        return rollBack();
    QSqlQuery playlist(connection());
    if (!runLogged(playlist, QStringLiteral("DELETE FROM playlists WHERE id=?"), {id}))
        return rollBack();
    if (!commitTransaction())
        return rollBack();
    Q_EMIT playlistsChanged();
    return true;
}

bool Database::setPlaylistItems(qint64 id, const QStringList &paths)
{
    if (!beginTransaction())
        return false;
    QSqlQuery clear(connection());
    if (!runLogged(clear, QStringLiteral("DELETE FROM playlist_items WHERE playlist_id=?"), {id}))
        return rollBack();
    QSqlQuery insert(connection());
    if (!prepareLogged(insert, QStringLiteral("INSERT INTO playlist_items (playlist_id, idx, "
                                              "path) VALUES (?,?,?)")))
        return rollBack();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        insert.bindValue(0, id);
        insert.bindValue(1, i);
        insert.bindValue(2, paths.at(i));
        if (!execLogged(insert))
            return rollBack();
    }
    if (!commitTransaction())
        return rollBack();
    Q_EMIT playlistsChanged();
    return true;
}

bool Database::appendToPlaylist(qint64 id, const QStringList &paths)
{
    return setPlaylistItems(id, playlistItems(id) + paths);
}

QStringList Database::playlistItems(qint64 id)
{
    QSqlQuery query(connection());
    if (!runLogged(
                query,
                QStringLiteral("SELECT path FROM playlist_items WHERE playlist_id=? ORDER BY idx"),
                {id}))
        return {};
    QStringList paths;
    while (query.next())
        paths.append(query.value(0).toString());
    return paths;
}

QList<MediaRecord> Database::playlistRows(qint64 id, int offset, int limit)
{
    QSqlQuery query(connection());
    if (!runLogged(query,
                   QStringLiteral("SELECT i.path, m.kind, m.title, m.artist, m.album, "
                                  "m.album_artist, m.genre, m.year, m.track, m.duration, m.folder, "
                                  "m.size, m.added_at, m.play_count, m.last_played, m.favorite "
                                  "FROM playlist_items i LEFT JOIN media m ON m.path=i.path "
                                  "WHERE i.playlist_id=? ORDER BY i.idx LIMIT ? OFFSET ?"),
                   {id, limit, offset}))
        return {};
    return mediaRows(query);
}

QList<PlaylistInfo> Database::playlists()
{
    // Executed on construction; a failure simply gives an empty list.
    QSqlQuery query(QStringLiteral("SELECT p.id, p.name, (SELECT COUNT(*) FROM playlist_items i "
                                   "WHERE i.playlist_id=p.id) FROM playlists p ORDER BY p.name "
                                   "COLLATE NOCASE"),
                    connection());
    QList<PlaylistInfo> list;
    while (query.next()) {
        PlaylistInfo info;
        info.id = query.value(0).toLongLong();
        info.name = query.value(1).toString();
        info.count = query.value(2).toInt();
        list.append(info);
    }
    return list;
}
