#include "library/Database.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

const QString RadioGroup = QStringLiteral("radio");

} // namespace

QList<StationRecord> Database::stations(const QString &group)
{
    QSqlQuery query(connection());
    const bool ok =
            group.isEmpty()
                    ? runLogged(query,
                                QStringLiteral("SELECT id, name, url, logo, tags, grp, favorite "
                                               "FROM stations ORDER BY name COLLATE NOCASE"),
                                {})
                    : runLogged(query,
                                QStringLiteral("SELECT id, name, url, logo, tags, grp, favorite "
                                               "FROM stations WHERE grp=? ORDER BY id"),
                                {group});
    if (!ok)
        return {};
    QList<StationRecord> list;
    while (query.next()) {
        StationRecord s;
        s.id = query.value(0).toLongLong();
        s.name = query.value(1).toString();
        s.url = query.value(2).toString();
        s.logo = query.value(3).toString();
        s.tags = query.value(4).toString();
        s.grp = query.value(5).toString();
        s.favorite = query.value(6).toLongLong() != 0;
        list.append(s);
    }
    return list;
}

QStringList Database::stationGroups()
{
    // Executed on construction; a failure simply gives an empty list.
    QSqlQuery query(
            QStringLiteral("SELECT DISTINCT grp FROM stations WHERE grp<>'radio' ORDER BY grp"),
            connection());
    QStringList groups;
    while (query.next())
        groups.append(query.value(0).toString());
    return groups;
}

qint64 Database::saveStation(const StationRecord &station)
{
    const QString group = station.grp.isEmpty() ? RadioGroup : station.grp;
    const int favorite = station.favorite ? 1 : 0;
    QSqlQuery query(connection());
    qint64 id = 0;
    if (station.id <= 0) {
        if (runLogged(query,
                      QStringLiteral("INSERT INTO stations (name, url, logo, tags, grp, favorite) "
                                     "VALUES (?,?,?,?,?,?)"),
                      {station.name, station.url, station.logo, station.tags, group, favorite}))
            id = query.lastInsertId().toLongLong();
    } else if (runLogged(query,
                         QStringLiteral("UPDATE stations SET name=?, url=?, logo=?, tags=?, "
                                        "grp=?, favorite=? WHERE id=?"),
                         {station.name, station.url, station.logo, station.tags, group, favorite,
                          station.id})) {
        id = station.id;
    }
    Q_EMIT stationsChanged();
    return id;
}

void Database::removeStation(qint64 id)
{
    QSqlQuery query(connection());
    runLogged(query, QStringLiteral("DELETE FROM stations WHERE id=?"), {id});
    Q_EMIT stationsChanged();
}

void Database::removeStationGroup(const QString &group)
{
    QSqlQuery query(connection());
    runLogged(query, QStringLiteral("DELETE FROM stations WHERE grp=?"), {group});
    Q_EMIT stationsChanged();
}

void Database::setStationFavorite(qint64 id, bool on)
{
    QSqlQuery query(connection());
    runLogged(query, QStringLiteral("UPDATE stations SET favorite=? WHERE id=?"), {on ? 1 : 0, id});
    Q_EMIT stationsChanged();
}

bool Database::replaceStationGroup(const QString &group, const QList<StationRecord> &list)
{
    if (group.isEmpty() || group == RadioGroup || list.isEmpty())
        return false;
    QHash<QString, bool> favoriteByUrl;
    for (const StationRecord &s : stations(group))
        favoriteByUrl.insert(s.url, s.favorite);

    if (!beginTransaction())
        return false;
    QSqlQuery clear(connection());
    if (!runLogged(clear, QStringLiteral("DELETE FROM stations WHERE grp=?"), {group}))
        return rollBack();
    QSqlQuery insert(connection());
    if (!prepareLogged(insert, QStringLiteral("INSERT INTO stations (name,url,logo,tags,grp,"
                                              "favorite) VALUES (?,?,?,?,?,?)")))
        return rollBack();
    for (const StationRecord &s : list) {
        const bool favorite = favoriteByUrl.value(s.url, s.favorite);
        insert.bindValue(0, textValue(s.name));
        insert.bindValue(1, textValue(s.url));
        insert.bindValue(2, textValue(s.logo));
        insert.bindValue(3, textValue(s.tags));
        insert.bindValue(4, group);
        insert.bindValue(5, favorite ? 1 : 0);
        if (!execLogged(insert))
            return rollBack();
    }
    if (!commitTransaction())
        return rollBack();
    Q_EMIT stationsChanged();
    return true;
}

bool Database::isRadioSaved(const QString &url)
{
    QSqlQuery query(connection());
    if (!runLogged(query, QStringLiteral("SELECT 1 FROM stations WHERE url=? AND grp='radio'"),
                   {url}))
        return false;
    return query.next();
}
