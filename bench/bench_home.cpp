// The home page's refresh over a large library and history against the same
// three reads run bare through QSqlQuery, in one process:
//   bench_home [rounds]
// Stores 100,000 media rows (80 % songs) and 20,000 history rows, shows the
// page, then alternates a bare round and a refresh round while the shared
// stall probe runs. A refresh round ends when the continue row holds its
// cards (the existence answer from the worker). Prints one line per round and
// a summary line of medians:
//   round=N bare_ms=.. refresh_ms=.. cards_ms=.. stall_ms=..
//   summary rounds=N bare_ms=.. refresh_ms=.. ratio=.. cards_ms=.. stall_ms=..
#include "QuietHost.h"
#include "StallProbe.h"
#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/pages/HomePage.h"
#include "ui/pages/PageContext.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int MediaRows = 100000;
constexpr int HistoryRows = 20000;
constexpr qint64 Epoch = 1700000000;

QString mediaPath(const QString &root, int i)
{
    return i % 5 == 4 ? QStringLiteral("%1/videos/%2/clip %3.mkv").arg(root).arg(i % 200).arg(i)
                      : QStringLiteral("%1/music/%2/%3 song.mp3").arg(root).arg(i % 900).arg(i);
}

bool storeLibrary(const QString &root)
{
    QList<MediaRecord> rows;
    rows.reserve(MediaRows);
    for (int i = 0; i < MediaRows; ++i) {
        MediaRecord r;
        r.path = mediaPath(root, i);
        r.folder = QFileInfo(r.path).path();
        r.kind = i % 5 == 4 ? QStringLiteral("video") : QStringLiteral("audio");
        r.title = QStringLiteral("Title %1").arg(i);
        r.artist = QStringLiteral("Artist %1").arg(i % 900);
        r.album = QStringLiteral("Album %1").arg(i % 3000);
        r.duration = 60 + i % 600;
        // Added in scrambled order, so the newest rows are spread over the table.
        r.addedAt = Epoch + (qint64(i) * 7919) % MediaRows;
        rows.append(r);
    }
    return Database::instance()->storeScanned(rows);
}

// History rows straight into the table in one transaction (20,000 single
// writes would take minutes): every fifth path is a library video, the rest
// songs, with a few links; the newest hundred videos exist on disk.
bool storeHistory(const QString &root)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        return false;
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT OR REPLACE INTO history (path, kind, title, position, "
                                  "duration, last_played, finished) VALUES (?,?,?,?,?,?,?)"));
    int videosMade = 0;
    for (int i = HistoryRows - 1; i >= 0; --i) {
        const bool link = i % 97 == 0;
        const QString path =
                link ? QStringLiteral("http://radio.invalid/%1").arg(i) : mediaPath(root, i);
        const bool isVideo = !link && i % 5 == 4;
        if (isVideo && videosMade < 100) {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return false;
            ++videosMade;
        }
        insert.addBindValue(path);
        insert.addBindValue(isVideo ? QStringLiteral("video") : QStringLiteral("audio"));
        insert.addBindValue(QStringLiteral("History %1").arg(i));
        insert.addBindValue(double(i % 300));
        insert.addBindValue(600.0);
        insert.addBindValue(Epoch + i);
        insert.addBindValue(i % 11 == 0 ? 1 : 0);
        if (!insert.exec())
            return false;
    }
    return db.commit();
}

// The page's three reads, bare: the newest videos and songs of the history
// and the newest library songs, each row's columns read once.
int bareQueries()
{
    static const char *const texts[] = {
            "SELECT path, kind, title, position, duration, last_played, finished FROM history "
            "WHERE kind='video' ORDER BY last_played DESC LIMIT 40",
            "SELECT path, kind, title, position, duration, last_played, finished FROM history "
            "WHERE kind='audio' ORDER BY last_played DESC LIMIT 30",
            "SELECT path, kind, title, artist, album, album_artist, genre, year, track, duration, "
            "folder, size, added_at, play_count, last_played, favorite FROM media WHERE "
            "in_library=1 AND kind='audio' ORDER BY added_at DESC LIMIT 24"};
    int cells = 0;
    for (const char *text : texts) {
        QSqlQuery query(QSqlDatabase::database());
        query.setForwardOnly(true);
        if (!query.exec(QLatin1String(text)))
            return -1;
        while (query.next()) {
            for (int c = 0; c < query.record().count(); ++c)
                cells += query.value(c).isNull() ? 0 : 1;
        }
    }
    return cells;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("bench_home"));
    uiEnglish = true;
    if (!Database::instance()->open(home.filePath(QStringLiteral("biblioteca.db"))))
        return 1;
    QElapsedTimer setup;
    setup.start();
    if (!storeLibrary(home.path()) || !storeHistory(home.path())) {
        std::fprintf(stderr, "could not fill the database\n");
        return 1;
    }
    std::printf("setup media=%d history=%d ms=%lld\n", MediaRows, HistoryRows,
                static_cast<long long>(setup.elapsed()));

    QuietHost host;
    HomePage page(PageContext{&host, nullptr, Database::instance()});
    page.resize(1280, 900);
    page.show();

    StallProbe probe;
    QList<double> bare, refresh, cards, stalls;
    int round = 0;
    bool checked = false;
    std::function<void()> next;
    next = [&] {
        if (round == rounds) {
            QCoreApplication::quit();
            return;
        }
        ++round;
        QElapsedTimer clock;
        clock.start();
        const int cells = bareQueries();
        bare.append(double(clock.nsecsElapsed()) / 1e6);
        if (cells <= 0) {
            std::fprintf(stderr, "the bare queries read nothing\n");
            QCoreApplication::exit(1);
            return;
        }
        // The row is emptied first, so the refill marks the answer's arrival.
        page.continueRow()->model()->clear();
        const double start = probe.nowMs();
        clock.restart();
        page.refresh();
        refresh.append(double(clock.nsecsElapsed()) / 1e6);
        auto *poll = new QTimer(&page);
        poll->setInterval(0);
        QObject::connect(poll, &QTimer::timeout, &page, [&, poll, start] {
            if (page.continueRow()->model()->rowCount() == 0)
                return;
            poll->deleteLater();
            poll->stop();
            cards.append(probe.nowMs() - start);
            if (!checked) {
                checked = true;
                std::printf("cards continue=%d played=%d added=%d\n",
                            int(page.continueRow()->model()->rowCount()),
                            int(page.playedRow()->model()->rowCount()),
                            int(page.addedRow()->model()->rowCount()));
            }
            // Room for the paint that follows before the stall is read.
            QTimer::singleShot(100, &page, [&, start] {
                stalls.append(probe.longestStallMs(start, probe.nowMs()));
                std::printf("round=%d bare_ms=%.3f refresh_ms=%.3f cards_ms=%.3f "
                            "stall_ms=%.2f\n",
                            round, bare.last(), refresh.last(), cards.last(), stalls.last());
                next();
            });
        });
        poll->start();
    };
    probe.start();
    // The first paint of the page and a quiet loop before the first round.
    QTimer::singleShot(500, &page, [&] { next(); });
    const int code = QCoreApplication::exec();
    probe.stop();
    if (code != 0)
        return code;
    const double bareMs = median(bare);
    const double refreshMs = median(refresh);
    std::printf("summary rounds=%d bare_ms=%.3f refresh_ms=%.3f ratio=%.2f cards_ms=%.3f "
                "stall_ms=%.2f\n",
                rounds, bareMs, refreshMs, bareMs > 0 ? refreshMs / bareMs : 0.0, median(cards),
                *std::max_element(stalls.begin(), stalls.end()));
    return 0;
}
