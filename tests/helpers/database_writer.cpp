// Writes history rows and scanned media batches into a database as fast as it
// can, printing the number of each finished round after its commits, until it
// is killed. The database test kills it with SIGKILL and checks the file.
#include "library/Database.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("database_writer"));
    if (argc < 3)
        return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int batchSize = QByteArray(argv[2]).toInt();
    if (!Database::instance()->open(file))
        return 3;
    for (int round = 0;; ++round) {
        HistoryEntry entry;
        entry.path = QStringLiteral("/media/h%1.mkv").arg(round);
        entry.kind = QStringLiteral("video");
        entry.position = round;
        entry.duration = 1000;
        entry.lastPlayed = round + 1;
        Database::instance()->recordHistory(entry);

        QList<MediaRecord> batch;
        for (int i = 0; i < batchSize; ++i) {
            MediaRecord r;
            r.path = QStringLiteral("/lib/r%1/%2.mp3").arg(round).arg(i);
            r.kind = QStringLiteral("audio");
            r.title = QStringLiteral("Song %1").arg(i);
            r.folder = QStringLiteral("/lib/r%1").arg(round);
            batch.append(r);
        }
        if (!Database::instance()->storeScanned(batch))
            return 4;
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
}
