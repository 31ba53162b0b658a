// Times the database operations that touch many rows: storing a scan of
// 10,000 files, storing it again as a rescan does, taking files out of the
// library, and reading the newest history rows out of 50,000.
#include "library/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int MediaCount = 10000;
constexpr int HistoryCount = 50000;

QList<MediaRecord> records()
{
    QList<MediaRecord> list;
    list.reserve(MediaCount);
    for (int i = 0; i < MediaCount; ++i) {
        MediaRecord r;
        r.folder = QStringLiteral("/home/user/Music/Artist %1/Album %2").arg(i / 100).arg(i / 10);
        r.path = r.folder + QStringLiteral("/%1 - Track.flac").arg(i % 10);
        r.kind = QStringLiteral("audio");
        r.title = QStringLiteral("Track %1").arg(i);
        r.artist = QStringLiteral("Artist %1").arg(i / 100);
        r.album = QStringLiteral("Album %1").arg(i / 10);
        r.albumArtist = r.artist;
        r.genre = QStringLiteral("Rock");
        r.year = 1990 + i % 30;
        r.track = i % 10 + 1;
        r.duration = 180.5 + i % 60;
        r.size = 30000000 + i;
        list.append(r);
    }
    return list;
}

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Database *db = Database::instance();
    if (!dir.isValid() || !db->open(dir.filePath(QStringLiteral("biblioteca.db")))) {
        std::fprintf(stderr, "cannot open the database\n");
        return 1;
    }
    const QList<MediaRecord> list = records();
    QElapsedTimer timer;

    timer.start();
    const bool stored = db->storeScanned(list);
    std::printf("storeScanned %d new records:      %8.1f ms%s\n", MediaCount, msSince(timer),
                stored ? "" : " (FAILED)");

    timer.start();
    const bool restored = db->storeScanned(list);
    std::printf("storeScanned %d known records:    %8.1f ms%s\n", MediaCount, msSince(timer),
                restored ? "" : " (FAILED)");

    QSet<QString> allFound;
    for (const MediaRecord &r : list)
        allFound.insert(r.path);
    timer.start();
    db->markMissing(QStringLiteral("audio"), {QStringLiteral("/home/user/Music")}, allFound);
    std::printf("markMissing %d rows, none missing: %8.1f ms\n", MediaCount, msSince(timer));

    QSet<QString> halfFound;
    for (int i = 0; i < list.size(); i += 2)
        halfFound.insert(list[i].path);
    timer.start();
    db->markMissing(QStringLiteral("audio"), {QStringLiteral("/home/user/Music/")}, halfFound);
    std::printf("markMissing %d rows, half missing: %8.1f ms (%lld left in library)\n", MediaCount,
                msSince(timer),
                static_cast<long long>(db->libraryMedia(QStringLiteral("audio")).size()));

    // Fill the history directly in one transaction; only the read is timed.
    {
        QSqlDatabase connection = QSqlDatabase::database();
        connection.transaction();
        QSqlQuery insert(connection);
        insert.prepare(QStringLiteral("INSERT INTO history (path, kind, title, position, "
                                      "duration, last_played, finished) VALUES (?,?,?,?,?,?,0)"));
        for (int i = 0; i < HistoryCount; ++i) {
            insert.bindValue(0, QStringLiteral("/home/user/Videos/clip %1.mkv").arg(i));
            insert.bindValue(1, i % 4 ? QStringLiteral("audio") : QStringLiteral("video"));
            insert.bindValue(2, QStringLiteral("clip %1").arg(i));
            insert.bindValue(3, i % 300);
            insert.bindValue(4, 600.0);
            insert.bindValue(5, 1700000000 + (i * 7919) % HistoryCount);
            insert.exec();
        }
        connection.commit();
    }
    constexpr int Reads = 50;
    qsizetype rows = 0;
    timer.start();
    for (int i = 0; i < Reads; ++i)
        rows += db->history(QString(), 20).size();
    std::printf("history(\"\", 20) of %d rows:       %8.2f ms per call (%lld rows)\n", HistoryCount,
                msSince(timer) / Reads, static_cast<long long>(rows / Reads));
    timer.start();
    for (int i = 0; i < Reads; ++i)
        rows += db->history(QStringLiteral("video"), 20).size();
    std::printf("history(\"video\", 20) of %d rows:  %8.2f ms per call\n", HistoryCount,
                msSince(timer) / Reads);
    return 0;
}
