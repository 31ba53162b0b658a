#include "library/Database.h"

#include "app/AppSettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

void logFailure(const QString &error, const QString &statement)
{
    qWarning().noquote() << "SQL:" << error << statement;
}

} // namespace

Database::Database(QObject *parent)
    : QObject(parent)
{}

Database *Database::instance()
{
    static Database *const database = new Database(QCoreApplication::instance());
    return database;
}

bool Database::open()
{
    return open(dataDir() + QStringLiteral("/biblioteca.db"));
}

bool Database::open(const QString &filePath)
{
    const QString name = QString::fromLatin1(QSqlDatabase::defaultConnection);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(filePath);
    if (!db.open()) {
        qWarning().noquote() << "banco nao abriu" << db.lastError().text();
        return false;
    }
    const char *const statements[] = {
            "PRAGMA journal_mode=WAL",
            "PRAGMA synchronous=NORMAL",
            "CREATE TABLE IF NOT EXISTS media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, "
            "artist TEXT, album TEXT, album_artist TEXT, genre TEXT, year INTEGER, track INTEGER, "
            "duration REAL, folder TEXT, size INTEGER, added_at INTEGER, play_count INTEGER "
            "DEFAULT 0, last_played INTEGER DEFAULT 0, favorite INTEGER DEFAULT 0, in_library "
            "INTEGER DEFAULT 1)",
            "CREATE INDEX IF NOT EXISTS media_kind ON media(kind)",
            "CREATE TABLE IF NOT EXISTS history (path TEXT PRIMARY KEY, kind TEXT, title TEXT, "
            "position REAL, duration REAL, last_played INTEGER, finished INTEGER DEFAULT 0)",
            // The history lists and the newest library rows read in these orders.
            "CREATE INDEX IF NOT EXISTS history_kind_played ON history(kind, last_played)",
            "CREATE INDEX IF NOT EXISTS history_played ON history(last_played)",
            "CREATE INDEX IF NOT EXISTS media_added ON media(in_library, added_at)",
            "CREATE TABLE IF NOT EXISTS playlists (id INTEGER PRIMARY KEY AUTOINCREMENT, name "
            "TEXT, created INTEGER)",
            "CREATE TABLE IF NOT EXISTS playlist_items (playlist_id INTEGER, idx INTEGER, path "
            "TEXT)",
            "CREATE INDEX IF NOT EXISTS pl_items ON playlist_items(playlist_id, idx)",
            "CREATE TABLE IF NOT EXISTS stations (id INTEGER PRIMARY KEY AUTOINCREMENT, name "
            "TEXT, url TEXT, logo TEXT, tags TEXT, grp TEXT, favorite INTEGER DEFAULT 0)",
    };
    // SQLite reads the file only at the first statement: a file that is not a
    // database opens fine and then fails every statement. Such a file must be
    // reported like one that did not open, or history would vanish silently.
    bool tablesReady = true;
    for (const char *statement : statements) {
        const QString text = QString::fromLatin1(statement);
        if (!execStatement(text) && text.startsWith(QLatin1String("CREATE TABLE")))
            tablesReady = false;
    }
    if (!tablesReady) {
        qWarning().noquote() << "banco nao abriu, tabelas nao criadas em" << filePath;
        return false;
    }
    addMissingColumns();
    return true;
}

void Database::addMissingColumns()
{
    // Every statement names its columns, so older builds still read a file
    // that has the newer ones.
    QSqlQuery info(connection());
    if (!info.exec(QStringLiteral("PRAGMA table_info(media)")))
        return;
    bool hasMtime = false;
    while (info.next())
        hasMtime = hasMtime || info.value(1).toString() == QLatin1String("mtime");
    info.finish();
    if (!hasMtime)
        execStatement(QStringLiteral("ALTER TABLE media ADD COLUMN mtime INTEGER DEFAULT 0"));
}

QSqlDatabase Database::connection()
{
    return QSqlDatabase::database(QString::fromLatin1(QSqlDatabase::defaultConnection), false);
}

QVariant Database::textValue(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool Database::execLogged(QSqlQuery &query)
{
    if (query.exec())
        return true;
    logFailure(query.lastError().text(), query.lastQuery());
    return false;
}

bool Database::prepareLogged(QSqlQuery &query, const QString &text)
{
    // Qt only warns about a closed connection; say which statement it was.
    if (!connection().isOpen()) {
        logFailure(QStringLiteral("banco fechado"), text);
        return false;
    }
    if (query.prepare(text))
        return true;
    logFailure(query.lastError().text(), text);
    return false;
}

bool Database::runLogged(QSqlQuery &query, const QString &text, const QVariantList &values)
{
    if (!prepareLogged(query, text))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value.typeId() == QMetaType::QString ? textValue(value.toString())
                                                                : value);
    return execLogged(query);
}

bool Database::execStatement(const QString &text)
{
    QSqlDatabase db = connection();
    if (!db.isOpen()) {
        logFailure(QStringLiteral("banco fechado"), text);
        return false;
    }
    QSqlQuery query(db);
    if (query.exec(text))
        return true;
    logFailure(query.lastError().text(), text);
    return false;
}

bool Database::beginTransaction()
{
    QSqlDatabase db = connection();
    if (db.transaction())
        return true;
    logFailure(db.isOpen() ? db.lastError().text() : QStringLiteral("banco fechado"),
               QStringLiteral("BEGIN"));
    return false;
}

bool Database::commitTransaction()
{
    QSqlDatabase db = connection();
    if (db.commit())
        return true;
    logFailure(db.lastError().text(), QStringLiteral("COMMIT"));
    return false;
}

bool Database::rollBack()
{
    connection().rollback();
    return false;
}

QList<MediaRecord> Database::mediaRows(QSqlQuery &query)
{
    QList<MediaRecord> rows;
    while (query.next()) {
        MediaRecord r;
        r.path = query.value(0).toString();
        r.kind = query.value(1).toString();
        r.title = query.value(2).toString();
        r.artist = query.value(3).toString();
        r.album = query.value(4).toString();
        r.albumArtist = query.value(5).toString();
        r.genre = query.value(6).toString();
        r.year = query.value(7).toInt();
        r.track = query.value(8).toInt();
        r.duration = query.value(9).toDouble();
        r.folder = query.value(10).toString();
        r.size = query.value(11).toLongLong();
        r.addedAt = query.value(12).toLongLong();
        r.playCount = query.value(13).toInt();
        r.lastPlayed = query.value(14).toLongLong();
        r.favorite = query.value(15).toLongLong() != 0;
        rows.append(r);
    }
    return rows;
}

QList<HistoryEntry> Database::historyRows(QSqlQuery &query)
{
    QList<HistoryEntry> rows;
    while (query.next()) {
        HistoryEntry e;
        e.path = query.value(0).toString();
        e.kind = query.value(1).toString();
        e.title = query.value(2).toString();
        e.position = query.value(3).toDouble();
        e.duration = query.value(4).toDouble();
        e.lastPlayed = query.value(5).toLongLong();
        e.finished = query.value(6).toLongLong() != 0;
        rows.append(e);
    }
    return rows;
}
