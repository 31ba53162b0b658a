// Times the recents page's reload of 300 entries (half of the history audio
// with library rows) over a 20,000-row history, and the queue panel with a
// 10,000-entry queue: the full rebuild after an enqueue and the restyle after
// next. Each is compared with a bare QStandardItemModel or QListWidget filled
// with the same texts in the same run, and the GUI-thread stall is measured
// with the shared probe.
#include "StallProbe.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/QueueList.h"
#include "ui/pages/QueuePanel.h"
#include "ui/pages/RecentsPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int HistoryRows = 20000;
constexpr int QueueEntries = 10000;

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Runs work once inside the event loop with the probe ticking; returns the
// work's time and the longest stall around it.
std::pair<double, double> measure(const std::function<void()> &work,
                                  const std::function<bool()> &done = {})
{
    StallProbe probe;
    probe.start();
    double workMs = 0;
    QTimer::singleShot(20, [&] {
        QElapsedTimer timer;
        timer.start();
        work();
        workMs = msSince(timer);
    });
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 200 || (done && !done() && wait.elapsed() < 60000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double stall = probe.longestStallMs();
    probe.stop();
    return {workMs, stall};
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Database *db = Database::instance();
    if (!dir.isValid() || !db->open(dir.filePath(QStringLiteral("biblioteca.db")))) {
        std::fprintf(stderr, "cannot open the database\n");
        return 1;
    }

    QList<MediaRecord> songs;
    for (int i = 0; i < HistoryRows; ++i) {
        HistoryEntry row;
        const bool audio = i % 2 == 0;
        row.path = QStringLiteral("/media/bench/%1/file%2.%3")
                           .arg(i / 100)
                           .arg(i)
                           .arg(audio ? QStringLiteral("mp3") : QStringLiteral("mkv"));
        row.kind = audio ? QStringLiteral("audio") : QStringLiteral("video");
        row.title = QStringLiteral("Title %1").arg(i);
        row.position = 60;
        row.duration = 240;
        row.lastPlayed = 1700000000 + i;
        db->recordHistory(row, Database::HistoryNotice::Quiet);
        if (audio) {
            MediaRecord media;
            media.path = row.path;
            media.kind = row.kind;
            media.title = row.title;
            media.artist = QStringLiteral("Artist %1").arg(i % 50);
            media.album = QStringLiteral("Album %1").arg(i % 200);
            media.folder = QStringLiteral("/media/bench/%1").arg(i / 100);
            songs.append(media);
        }
    }
    db->storeScanned(songs);

    RecentsPage page(PageContext{nullptr, nullptr, db});
    page.tabs()->setCurrentIndex(1); // the audio tab, with its library lookups
    const auto recents = measure([&] { page.reload(); });
    const auto recentsBare = measure([&] {
        QStandardItemModel model;
        for (const HistoryEntry &entry : db->history(QStringLiteral("audio"), 300)) {
            auto *item = new QStandardItem(entry.title);
            item->setData(entry.path, Qt::UserRole + 1);
            item->setData(entry.path, Qt::UserRole + 3);
            model.appendRow(item);
        }
    });
    std::printf("recents reload: %.1f ms, stall %.1f ms; bare model %.1f ms\n", recents.first,
                recents.second, recentsBare.first);

    // The queue: one real file first, so the engine has something to play.
    const QString tone = dir.filePath(QStringLiteral("tone.mp3"));
    if (QProcess::execute(QStringLiteral("ffmpeg"),
                          {"-v", "quiet", "-y", "-f", "lavfi", "-i", "sine=d=120", tone}) != 0) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    PlayerCore core;
    QString error;
    if (!core.start(error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return 1;
    }
    QueuePanel panel(&core, db);
    panel.show();
    QStringList paths{tone, tone};
    for (int i = 2; i < QueueEntries; ++i)
        paths << QStringLiteral("/media/bench/q/%1.mp3").arg(i);
    core.playFiles(paths, 0);
    measure([] {}, [&] { return panel.list()->count() == QueueEntries; });
    core.setPaused(true);

    const auto rebuild = measure([&] { core.enqueue({tone}); },
                                 [&] { return panel.list()->count() == QueueEntries + 1; });
    // The rebuild itself, timed alone on the filled queue.
    QElapsedTimer timer;
    timer.start();
    panel.rebuild();
    const double rebuildMs = msSince(timer);
    const auto bare = measure([&] {
        QListWidget list;
        for (const QueueEntry &entry : core.queue())
            list.addItem(entry.path.section(QLatin1Char('/'), -1));
    });
    const auto restyle =
            measure([&] { core.next(); }, [&] { return panel.list()->item(1)->font().bold(); });
    std::printf("queue rebuild of %d: %.1f ms, stall %.1f ms; bare list %.1f ms (ratio %.2f)\n",
                QueueEntries + 1, rebuildMs, rebuild.second, bare.first,
                bare.first > 0 ? rebuildMs / bare.first : 0.0);
    std::printf("queue current-entry change: stall %.1f ms\n", restyle.second);
    return 0;
}
