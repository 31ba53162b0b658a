#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "library/Database.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

const QString HistoryColumns =
        QStringLiteral("path, kind, title, position, duration, last_played, finished");

} // namespace

void Database::recordHistory(const HistoryEntry &entry, HistoryNotice notice)
{
    if (!Preferences::keepHistory())
        return;
    const qint64 lastPlayed =
            entry.lastPlayed != 0 ? entry.lastPlayed : QDateTime::currentSecsSinceEpoch();
    QSqlQuery query(connection());
    runLogged(query,
              QStringLiteral("INSERT INTO history (path, kind, title, position, duration, "
                             "last_played, finished) VALUES (?,?,?,?,?,?,?) ON CONFLICT(path) DO "
                             "UPDATE SET kind=excluded.kind, title=excluded.title, "
                             "position=excluded.position, duration=CASE WHEN excluded.duration>0 "
                             "THEN excluded.duration ELSE history.duration END, "
                             "last_played=excluded.last_played, finished=excluded.finished"),
              {entry.path, entry.kind, entry.title, entry.position, entry.duration, lastPlayed,
               entry.finished ? 1 : 0});
    if (notice == HistoryNotice::Announce)
        Q_EMIT historyChanged();
}

QList<HistoryEntry> Database::history(const QString &kind, int limit)
{
    QSqlQuery query(connection());
    const bool ok =
            kind.isEmpty()
                    ? runLogged(query,
                                QStringLiteral("SELECT %1 FROM history ORDER BY last_played DESC "
                                               "LIMIT ?")
                                        .arg(HistoryColumns),
                                {limit})
                    : runLogged(query,
                                QStringLiteral("SELECT %1 FROM history WHERE kind=? ORDER BY "
                                               "last_played DESC LIMIT ?")
                                        .arg(HistoryColumns),
                                {kind, limit});
    if (!ok)
        return {};
    return historyRows(query);
}

std::optional<HistoryEntry> Database::historyEntry(const QString &path)
{
    QSqlQuery query(connection());
    if (!runLogged(query, QStringLiteral("SELECT %1 FROM history WHERE path=?").arg(HistoryColumns),
                   {path}))
        return std::nullopt;
    const QList<HistoryEntry> rows = historyRows(query);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

void Database::removeHistory(const QString &path)
{
    QSqlQuery query(connection());
    runLogged(query, QStringLiteral("DELETE FROM history WHERE path=?"), {path});
    Q_EMIT historyChanged();
}

void Database::clearHistory(const QString &kind)
{
    QSqlQuery query(connection());
    if (kind.isEmpty())
        runLogged(query, QStringLiteral("DELETE FROM history"), {});
    else
        runLogged(query, QStringLiteral("DELETE FROM history WHERE kind=?"), {kind});
    Q_EMIT historyChanged();
}
