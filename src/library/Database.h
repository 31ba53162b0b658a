#pragma once

#include "library/Records.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

class QSqlDatabase;
class QSqlQuery;

// The one SQLite file of the player: media library, history with resume
// points, playlists and stations. Used only on the GUI thread. Holds no state
// besides the default SQL connection; every operation runs fresh queries and
// returns plain records. When the file could not be opened every operation
// fails quietly with an empty result.
class Database final : public QObject
{
    Q_OBJECT

public:
    static Database *instance();

    // Opens dataDir() + "/biblioteca.db" and creates the tables.
    bool open();
    // The same for an explicit file; any earlier connection is closed first.
    bool open(const QString &filePath);

    // Executes a prepared query; a failure logs "SQL:", the error and the query.
    static bool execLogged(QSqlQuery &query);
    // Prepares text on the default connection; a failure is logged like execLogged's.
    static bool prepareLogged(QSqlQuery &query, const QString &text);
    // Prepares text, binds values in order and executes, all logged.
    static bool runLogged(QSqlQuery &query, const QString &text, const QVariantList &values);
    // Executes an unprepared statement, logging failures the same way.
    static bool execStatement(const QString &text);

    // History. A quiet write tells nobody: the resume point is saved every
    // few seconds and no list needs to reload for it.
    enum class HistoryNotice { Announce, Quiet };
    void recordHistory(const HistoryEntry &entry, HistoryNotice notice = HistoryNotice::Announce);
    QList<HistoryEntry> history(const QString &kind, int limit);
    std::optional<HistoryEntry> historyEntry(const QString &path);
    void removeHistory(const QString &path);
    void clearHistory(const QString &kind);

    // Media
    void countPlay(const QString &path);
    void ensureMedia(const QString &path, const QString &kind, const QString &title);
    void setFavorite(const QString &path, bool on);
    bool isFavorite(const QString &path);
    QList<MediaRecord> favorites();
    QList<MediaRecord> libraryMedia(const QString &kind);
    std::optional<MediaRecord> mediaByPath(const QString &path);
    // The rows of those paths that have one, by path, in a few queries
    // instead of one per path.
    QHash<QString, MediaRecord> mediaByPaths(const QStringList &paths);
    QList<MediaRecord> mostPlayed(int limit);
    // Newest library rows first; with a kind, only rows of that kind.
    QList<MediaRecord> recentlyAdded(int limit, const QString &kind = QString());
    void setDurationIfUnknown(const QString &path, double seconds);
    // Stores scanned records in one transaction, their modification times included.
    bool storeScanned(const QList<MediaRecord> &records);
    // Path, kind, size and modification time of every library row of the
    // file kinds ("audio" and "video").
    QList<LibraryFile> libraryFiles();
    // The same, read from the file at filePath on a private read-only
    // connection: safe on any thread, for the scan's worker.
    static QList<LibraryFile> libraryFilesFrom(const QString &filePath);
    // The file of the open database; empty when none is open.
    static QString filePath();
    // Turns SQLite's automatic checkpoint of this connection off or back on.
    // Off while a scan stores its slices: a checkpoint copies megabytes
    // inside one commit, which would hold the window for tens of ms.
    static void setAutoCheckpoint(bool on);
    // Copies the write-ahead log into the file at filePath without waiting
    // for readers or writers, on a private connection: safe on any thread.
    static bool checkpointFrom(const QString &filePath);
    // Takes the listed paths out of the library in one transaction; rows stay.
    bool leaveLibrary(const QStringList &paths);
    bool markMissing(const QString &kind, const QStringList &folders,
                     const QSet<QString> &foundPaths);

    // Playlists
    qint64 createPlaylist(const QString &name);
    void renamePlaylist(qint64 id, const QString &name);
    bool deletePlaylist(qint64 id);
    bool setPlaylistItems(qint64 id, const QStringList &paths);
    bool appendToPlaylist(qint64 id, const QStringList &paths);
    QStringList playlistItems(qint64 id);
    // Items offset .. offset + limit - 1 in playlist order, each with its
    // media row joined in; kind is empty for an item without a row.
    QList<MediaRecord> playlistRows(qint64 id, int offset, int limit);
    QList<PlaylistInfo> playlists();

    // Stations
    QList<StationRecord> stations(const QString &group);
    QStringList stationGroups();
    qint64 saveStation(const StationRecord &station);
    void removeStation(qint64 id);
    void removeStationGroup(const QString &group);
    void setStationFavorite(qint64 id, bool on);
    bool replaceStationGroup(const QString &group, const QList<StationRecord> &list);
    bool isRadioSaved(const QString &url);

Q_SIGNALS:
    void libraryChanged();
    void historyChanged();
    void playlistsChanged();
    void stationsChanged();
    void favoritesChanged();

private:
    explicit Database(QObject *parent);

    // The default connection, never reopened behind the caller's back.
    static QSqlDatabase connection();
    // Empty texts are bound as '' rather than NULL so that equality tests on
    // them behave.
    static QVariant textValue(const QString &text);
    static QList<MediaRecord> mediaRows(QSqlQuery &query);
    static QList<LibraryFile> libraryFileRows(QSqlQuery &query);
    static QList<HistoryEntry> historyRows(QSqlQuery &query);
    // Transaction steps on the default connection; failures are logged.
    static bool beginTransaction();
    static bool commitTransaction();
    // Rolls back after a failed step; always returns false.
    static bool rollBack();
    // Adds the columns newer builds keep to a file made by an older one.
    static void addMissingColumns();
};
