// The videos and music pages over a large library against a bare model and
// sorting proxy holding the same rows:
//   bench_pages <videos> <songs>
// Stores synthetic records through the real database, then builds, reloads,
// types into, sorts and switches the pages from the event loop while the
// shared stall probe runs. Prints one line of name=value pairs per step:
// ms is the step's own time, stall_ms the longest GUI stall from the step's
// start to the next step's start (painting included).
#include "QuietHost.h"
#include "StallProbe.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/Host.h"
#include "ui/pages/MusicPage.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/VideosPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

qint64 rssKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

const QStringList Words = {"água", "Abelha", "zebra", "Éclair", "night", "river",  "Mountain",
                           "echo", "Lumen",  "orbit", "delta",  "Vale",  "quartz", "ember"};

QString words(int seed, int count)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts.append(Words.at((seed * 7 + i * 13 + seed / 5) % Words.size()));
    return parts.join(QLatin1Char(' '));
}

void storeLibrary(const QString &root, int videos, int songs)
{
    QList<MediaRecord> rows;
    for (int i = 0; i < videos; ++i) {
        MediaRecord r;
        r.folder = QStringLiteral("%1/videos/folder %2").arg(root).arg(i % 40);
        r.path = QStringLiteral("%1/clip %2.mkv").arg(r.folder).arg(i);
        r.kind = QStringLiteral("video");
        r.title = words(i, 3) + QString::number(i);
        r.size = qint64(i) * 7919 * 1024;
        r.duration = (i * 37) % 7200;
        r.addedAt = 1700000000 + (i * 7907) % 100000;
        rows.append(r);
    }
    for (int i = 0; i < songs; ++i) {
        MediaRecord r;
        r.folder =
                QStringLiteral("%1/music/artist %2/album %3").arg(root).arg(i % 500).arg(i % 2000);
        r.path = QStringLiteral("%1/%2 song.mp3").arg(r.folder).arg(i);
        r.kind = QStringLiteral("audio");
        r.title = words(i, 2) + QString::number(i);
        r.artist = QStringLiteral("Artist ") + words(i % 500, 1) + QString::number(i % 500);
        r.album = QStringLiteral("Album ") + QString::number(i % 2000);
        r.genre = Words.at(i % 9);
        r.track = i % 14;
        r.year = 1960 + i % 60;
        r.duration = 60 + (i * 31) % 600;
        rows.append(r);
    }
    Database::instance()->storeScanned(rows);
    for (int i = 0; i < std::min(videos, 2000); ++i) {
        HistoryEntry e;
        e.path = rows.at(i).path;
        e.kind = QStringLiteral("video");
        e.position = i % 100;
        e.duration = 100;
        e.finished = i % 7 == 0;
        e.lastPlayed = 1700000000 + i;
        Database::instance()->recordHistory(e, Database::HistoryNotice::Quiet);
    }
}

struct Step
{
    QString name;
    std::function<void()> run;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pages <videos> <songs>\n");
        return 2;
    }
    const int videoCount = QString::fromLocal8Bit(argv[1]).toInt();
    const int songCount = QString::fromLocal8Bit(argv[2]).toInt();
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("bench_pages"));
    uiEnglish = true;
    if (!Database::instance()->open(home.filePath(QStringLiteral("biblioteca.db"))))
        return 1;
    storeLibrary(home.path(), videoCount, songCount);

    PlayerCore core;
    QString error;
    qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
    if (!core.start(error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return 1;
    }
    QuietHost host;
    host.core = &core;
    const PageContext context{&host, &core, Database::instance()};

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    window.resize(1280, 800);
    window.show();

    std::unique_ptr<VideosPage> videos;
    std::unique_ptr<MusicPage> music;
    QStandardItemModel bareModel;
    QSortFilterProxyModel bareProxy;
    QTableView bareTable;

    // Five keystrokes into a page's search field, one step each.
    const auto typing = [&videos, &music](bool isVideos) {
        QList<Step> steps;
        for (const QChar c : QStringLiteral("river")) {
            steps.append({QStringLiteral("%1_key_%2")
                                  .arg(QLatin1String(isVideos ? "videos" : "music"), QString(c)),
                          [&videos, &music, isVideos, c] {
                              QWidget *page =
                                      isVideos ? static_cast<QWidget *>(videos.get()) : music.get();
                              page->findChild<QLineEdit *>()->insert(QString(c));
                          }});
        }
        return steps;
    };

    QList<Step> steps;
    steps.append({QStringLiteral("bare_build"), [&] {
                      // The same rows read and put in a bare model, filled
                      // while detached, then handed to a sorting proxy.
                      const QList<MediaRecord> songs =
                              Database::instance()->libraryMedia(QStringLiteral("audio"));
                      bareProxy.setSourceModel(nullptr);
                      bareModel.clear();
                      bareModel.setColumnCount(7);
                      bareModel.setRowCount(int(songs.size()));
                      for (int row = 0; row < songs.size(); ++row) {
                          const MediaRecord &s = songs.at(row);
                          const QString cells[] = {QString::number(s.track),
                                                   s.title,
                                                   s.artist,
                                                   s.album,
                                                   s.genre,
                                                   QString::number(s.duration),
                                                   QString::number(s.playCount)};
                          for (int col = 0; col < 7; ++col)
                              bareModel.setItem(row, col, new QStandardItem(cells[col]));
                      }
                      bareProxy.setFilterKeyColumn(1);
                      bareProxy.setSourceModel(&bareModel);
                      bareProxy.sort(2);
                      if (!bareTable.model())
                          bareTable.setModel(&bareProxy);
                  }});
    for (const char *prefix : {"r", "ri", "riv", "rive", "river"}) {
        steps.append({QStringLiteral("bare_key_%1").arg(QLatin1Char(prefix[qstrlen(prefix) - 1])),
                      [&bareProxy, prefix] {
                          bareProxy.setFilterFixedString(QLatin1String(prefix));
                      }});
    }
    steps.append({QStringLiteral("bare_clear"), [&] {
                      bareProxy.setFilterFixedString({});
                  }});
    steps.append({QStringLiteral("bare_sort"), [&] {
                      bareProxy.sort(1);
                  }});
    steps.append({QStringLiteral("videos_construct"), [&] {
                      videos = std::make_unique<VideosPage>(context);
                      layout->addWidget(videos.get());
                  }});
    steps.append({QStringLiteral("videos_reload"), [&] {
                      videos->reload();
                  }});
    steps.append(typing(true));
    steps.append({QStringLiteral("videos_clear"), [&] {
                      videos->findChild<QLineEdit *>()->clear();
                  }});
    for (const char *key : {"date", "size", "duration", "name"}) {
        steps.append({QStringLiteral("videos_sort_%1").arg(QLatin1String(key)), [&videos, key] {
                          auto *sort = videos->findChild<QComboBox *>(QStringLiteral("videosSort"));
                          sort->setCurrentIndex(sort->findData(QLatin1String(key)));
                      }});
    }
    steps.append({QStringLiteral("music_construct"), [&] {
                      videos->hide();
                      music = std::make_unique<MusicPage>(context);
                      layout->addWidget(music.get());
                  }});
    steps.append({QStringLiteral("music_reload"), [&] {
                      music->reload();
                  }});
    steps.append(typing(false));
    steps.append({QStringLiteral("music_clear"), [&] {
                      music->findChild<QLineEdit *>()->clear();
                  }});
    for (int col = 0; col < 7; ++col) {
        steps.append({QStringLiteral("music_sort_col%1").arg(col), [&music, col] {
                          music->findChild<QTableView *>()->sortByColumn(col, Qt::AscendingOrder);
                      }});
    }
    steps.append({QStringLiteral("music_albums"), [&] {
                      music->findChild<QTabBar *>()->setCurrentIndex(1);
                  }});
    steps.append({QStringLiteral("music_artists"), [&] {
                      music->findChild<QTabBar *>()->setCurrentIndex(2);
                  }});
    steps.append({QStringLiteral("music_songs"), [&] {
                      music->findChild<QTabBar *>()->setCurrentIndex(0);
                  }});
    steps.append({QStringLiteral("music_play_all"), [&] {
                      for (QAbstractButton *b : music->findChildren<QAbstractButton *>()) {
                          if (b->text() == QLatin1String("Play all"))
                              b->click();
                      }
                  }});
    steps.append({QStringLiteral("music_stop"), [&] {
                      core.stop();
                  }});
    StallProbe probe;
    probe.start();
    QList<double> starts;
    QList<double> durations;
    int next = 0;
    std::function<void()> runNext = [&] {
        if (next == steps.size()) {
            starts.append(probe.nowMs());
            QCoreApplication::quit();
            return;
        }
        starts.append(probe.nowMs());
        QElapsedTimer clock;
        clock.start();
        steps[next].run();
        durations.append(double(clock.nsecsElapsed()) / 1e6);
        ++next;
        // Room for the paint that follows and a quiet loop before the next step.
        QTimer::singleShot(150, runNext);
    };
    QTimer::singleShot(200, runNext);
    QCoreApplication::exec();
    probe.stop();

    for (int i = 0; i < steps.size(); ++i) {
        std::printf("step=%s videos=%d songs=%d ms=%.2f stall_ms=%.2f\n", qPrintable(steps[i].name),
                    videoCount, songCount, durations[i],
                    probe.longestStallMs(starts[i], starts[i + 1]));
    }
    std::printf("rss videos=%d songs=%d rss_kb=%lld peak_kb=%lld\n", videoCount, songCount,
                rssKb("VmRSS:"), rssKb("VmHWM:"));
    return 0;
}
