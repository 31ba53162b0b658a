#pragma once

#include "library/Records.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QThreadPool>

class Database;
class QTableWidget;

// What the worker learns about one local entry of a shown list.
struct PlaylistRowDetail
{
    QString path;
    bool exists = false;
    bool tagged = false; // record holds tags read from the file
    MediaRecord record;
};

// Fills the playlist table in two steps so that the GUI thread never waits on
// the disk: library rows come from the database a chunk per event-loop pass,
// then a worker tests which files exist and reads the tags of those outside
// the library. Each load has a generation number; results of a list the user
// has already left are dropped.
class PlaylistTableLoader : public QObject
{
    Q_OBJECT

public:
    // Rows read from the database in one pass.
    static constexpr int ChunkRows = 400;

    PlaylistTableLoader(Database *database, QTableWidget *table, QObject *parent = nullptr);
    ~PlaylistTableLoader() override;

    // A user playlist, read in chunks with its library rows joined in.
    void loadPlaylist(qint64 id);
    // Rows already at hand (the automatic lists); kind empty for a path
    // without a library row.
    void loadRecords(const QList<MediaRecord> &rows);
    // Empties the table and forgets any load in progress.
    void clear();

    // True until every row is in the table; the rows may not be edited before.
    bool isLoading() const { return m_loading; }
    // True until the worker reported on every row too.
    bool isBusy() const { return m_loading || m_detailsPending; }
    quint64 generation() const { return m_generation; }

    // The path kept in a row's first cell.
    static QString rowPath(const QTableWidget *table, int row);
    // A tooltip that shows text as it is, even when it looks like markup.
    static QString plainToolTip(const QString &text);
    // The sum of the rows' durations in seconds.
    static double totalSeconds(const QTableWidget *table);
    // The same for the rows loaded so far, kept as they arrive.
    double loadedSeconds() const { return m_loadedSeconds; }

Q_SIGNALS:
    // Rows were added or their details changed.
    void rowsChanged();
    // Every row is in the table.
    void loaded();
    // The worker has reported on every row.
    void detailsDone();

private:
    void nextChunk(quint64 generation);
    void appendRows(const QList<MediaRecord> &rows);
    void startDetails();
    void applyDetails(quint64 generation, int begin, int end);
    void setRow(int row, const QString &path, const MediaRecord &record, bool inLibrary);

    Database *m_database;
    QTableWidget *m_table;
    QThreadPool m_pool;
    QFutureWatcher<QList<PlaylistRowDetail>> m_details;
    quint64 m_generation = 0;
    qint64 m_playlistId = 0;
    int m_offset = 0;
    QList<MediaRecord> m_pendingRecords;
    // Local paths for the worker, each once, gathered while rows arrive.
    QStringList m_detailPaths;
    QList<bool> m_detailInLibrary;
    QSet<QString> m_seen;
    double m_loadedSeconds = 0;
    bool m_loading = false;
    bool m_detailsPending = false;
};
