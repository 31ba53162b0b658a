// IPTV lists and station playback, one measurement per process so that peak
// RSS belongs to it. bench/radio.sh runs the modes and prints the ratios.
//
//   bench_radio make <list> <channels>    writes a list (tvg-id, logo, group)
//   bench_radio bare <list>               QFile line loop over the list
//   bench_radio parse <list>              the import's reader and filter
//   bench_radio store <list> <db>         bare insert loop, import, re-import
//                                         with favourites, page import stall,
//                                         showing the group
//   bench_radio search <db>               a 120-result search with 120 logos
//                                         (some 2 MiB, some huge declared)
//   bench_radio play <list> <db> <mp3>    playStation on row 25,000 against
//                                         playPaths of that one address

#include "IcyServer.h"
#include "LocalHttpServer.h"
#include "RecordingHost.h"
#include "StallProbe.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "playlists/DirectoryConfig.h"
#include "playlists/PlaylistFiles.h"
#include "playlists/RadioSearch.h"
#include "playlists/StationLogos.h"
#include "ui/CardView.h"
#include "ui/MainWindow.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/RadiosPage.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long currentRssKb()
{
    QFile file("/proc/self/statm");
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().split(' ').value(1).toLong() * 4;
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Directory searches of the page go nowhere.
void offlineDirectory()
{
    DirectoryConfig config = DirectoryConfig::standard();
    for (QString &mirror : config.mirrors)
        mirror = QStringLiteral("https://127.0.0.1:9");
    DirectoryConfig::useForProcess(config);
}

int make(const QString &path, int channels)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("#EXTM3U\n");
    for (int i = 0; i < channels; ++i) {
        file.write(QStringLiteral("#EXTINF:-1 tvg-id=\"ch%1.tv\" tvg-name=\"Canal %1\" "
                                  "tvg-logo=\"http://127.0.0.1:9/logos/%2.png\" "
                                  "group-title=\"Grupo %3\",Canal %1 HD\n"
                                  "http://127.0.0.1:9/live/canal%1/index.m3u8\n")
                           .arg(i)
                           .arg(i % 500)
                           .arg(i % 40)
                           .toUtf8());
    }
    return 0;
}

int bare(const QString &path)
{
    const long before = currentRssKb();
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    qsizetype lines = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            ++lines;
    }
    std::printf("bare ms=%.1f lines=%lld rss_growth_kb=%ld\n", ms(timer), (long long)lines,
                peakRssKb() - before);
    return 0;
}

int parse(const QString &path)
{
    const long before = currentRssKb();
    QElapsedTimer timer;
    timer.start();
    const QList<StationRecord> channels = playableStations(readIptvList(path));
    std::printf("parse ms=%.1f channels=%lld rss_growth_kb=%ld\n", ms(timer),
                (long long)channels.size(), peakRssKb() - before);
    return channels.isEmpty() ? 1 : 0;
}

// Waits until the first paint of widget after now.
double untilPainted(QWidget *widget)
{
    struct Filter : QObject
    {
        bool painted = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    } filter;
    QElapsedTimer timer;
    timer.start();
    widget->installEventFilter(&filter);
    widget->update();
    while (!filter.painted && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->removeEventFilter(&filter);
    return ms(timer);
}

int store(const QString &path, const QString &dbPath)
{
    Database *db = Database::instance();
    if (!db->open(dbPath))
        return 1;
    const QList<StationRecord> channels = playableStations(readIptvList(path));

    // Baseline: the same rows through a bare prepared insert, one transaction.
    QSqlDatabase connection = QSqlDatabase::database();
    QElapsedTimer timer;
    timer.start();
    connection.transaction();
    QSqlQuery insert(connection);
    insert.prepare("INSERT INTO stations (name,url,logo,tags,grp,favorite) VALUES (?,?,?,?,?,?)");
    for (const StationRecord &s : channels) {
        insert.bindValue(0, s.name);
        insert.bindValue(1, s.url);
        insert.bindValue(2, s.logo);
        insert.bindValue(3, s.tags);
        insert.bindValue(4, QStringLiteral("bare"));
        insert.bindValue(5, 0);
        insert.exec();
    }
    connection.commit();
    const double bareMs = ms(timer);
    QSqlQuery(connection).exec("DELETE FROM stations WHERE grp='bare'");

    timer.restart();
    db->replaceStationGroup("bench", channels);
    const double firstMs = ms(timer);
    QList<StationRecord> stored = db->stations("bench");
    QSqlQuery favorite(connection);
    connection.transaction();
    for (int i = 0; i < 1000 && i < stored.size(); ++i)
        favorite.exec(QStringLiteral("UPDATE stations SET favorite=1 WHERE id=%1")
                              .arg(stored.at(i * 37 % stored.size()).id));
    connection.commit();
    timer.restart();
    db->replaceStationGroup("bench", channels);
    const double againMs = ms(timer);

    // The page's own import: parse off the GUI thread, one transaction on it.
    RecordingHost host;
    RadiosPage page(PageContext{&host, nullptr, db});
    page.resize(1200, 800);
    page.show();
    QCoreApplication::processEvents();
    StallProbe probe;
    double commitMs = 0;
    QObject::connect(db, &Database::stationsChanged, &probe, [&] { commitMs = probe.nowMs(); });
    probe.start();
    QEventLoop loop;
    QObject::connect(&page, &RadiosPage::importFinished, &loop, &QEventLoop::quit);
    const QString copy = QFileInfo(dbPath).absolutePath() + "/paged.m3u";
    QFile::remove(copy);
    QFile::copy(path, copy);
    page.importIptvList(copy);
    loop.exec();
    const double endMs = probe.nowMs();
    // Let the probe tick once more so the gap holding the commit is closed.
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    probe.stop();
    const double insideMs = probe.longestStallMs(commitMs, commitMs + 1000);
    const double outsideMs = probe.longestStallMs(0, commitMs);

    // Showing the group: cards in the model, then the first paint.
    auto *sections = page.findChild<QListWidget *>();
    auto *cards = page.findChild<CardView *>();
    int row = 0;
    for (int i = 0; i < sections->count(); ++i) {
        if (sections->item(i)->text() == QLatin1String("bench"))
            row = i;
    }
    timer.restart();
    sections->setCurrentRow(row);
    const double modelMs = ms(timer);
    const double paintMs = modelMs + untilPainted(cards->viewport());
    std::printf("store bare_ms=%.1f first_ms=%.1f again_ms=%.1f import_total_ms=%.1f "
                "stall_transaction_ms=%.1f stall_outside_ms=%.1f cards=%d model_ms=%.1f "
                "paint_ms=%.1f\n",
                bareMs, firstMs, againMs, endMs, insideMs, outsideMs, cards->model()->rowCount(),
                modelMs, paintMs);
    return 0;
}

QByteArray png(int widthPx, int heightPx, qsizetype padTo)
{
    QImage image(widthPx, heightPx, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (padTo > bytes.size())
        bytes.append(padTo - bytes.size(), '\0');
    return bytes;
}

int search(const QString &dbPath)
{
    Database *db = Database::instance();
    if (!db->open(dbPath))
        return 1;
    LocalHttpServer server;
    if (!server.start())
        return 1;
    QByteArray reply = "[";
    for (int i = 0; i < 120; ++i) {
        const QString logo = QStringLiteral("/logo%1.png").arg(i);
        if (i % 10 == 0)
            server.setReply(logo, HttpReply::ok(png(4000, 3000, 0))); // large, still allowed
        else if (i % 10 == 1)
            server.setReply(logo, HttpReply::ok(png(64, 64, StationLogos::MaxLogoBytes)));
        else
            server.setReply(logo, HttpReply::ok(png(300, 300, 0)));
        reply += QStringLiteral("%1{\"name\":\"Radio %2\",\"url_resolved\":\"http://r.test/%2\","
                                "\"favicon\":\"%3\",\"tags\":\"pop,rock\",\"bitrate\":128}")
                         .arg(i ? "," : "")
                         .arg(i)
                         .arg(server.url(logo))
                         .toUtf8();
    }
    server.setReply("/m/json/stations/search", HttpReply::ok(reply + "]"));
    DirectoryConfig config = DirectoryConfig::standard();
    config.mirrors = {server.url("/m"), server.url("/m"), server.url("/m"), server.url("/m")};
    RecordingHost host;
    RadiosPage page(PageContext{&host, nullptr, db}, nullptr, config);
    page.resize(1200, 800);
    page.show();
    QCoreApplication::processEvents();
    auto *logos = page.findChild<StationLogos *>();
    int ready = 0;
    QObject::connect(logos, &StationLogos::logoReady, [&ready] { ++ready; });
    StallProbe probe;
    probe.start();
    QElapsedTimer timer;
    timer.start();
    page.reload(); // shows the directory section: searches
    while (ready < 120 && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double totalMs = ms(timer);
    probe.stop();
    // The first request sets up the network stack once per process (proxy
    // settings, TLS library): reported apart from the steady state.
    std::printf("search stations=%lld logos=%d total_ms=%.1f stall_ms=%.1f "
                "stall_after_first_s_ms=%.1f\n",
                (long long)page.shownStations().size(), ready, totalMs, probe.longestStallMs(),
                probe.longestStallMs(1000, 1e300));
    return ready == 120 ? 0 : 1;
}

// Time from the request to fileLoaded, with the longest GUI stall meanwhile.
std::pair<double, double> timeLoad(PlayerCore *core, const std::function<void()> &start)
{
    StallProbe probe;
    QEventLoop loop;
    QElapsedTimer timer;
    const auto connection =
            QObject::connect(core, &PlayerCore::fileLoaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    probe.start();
    timer.start();
    start();
    loop.exec();
    const double loadedMs = ms(timer);
    probe.stop();
    QObject::disconnect(connection);
    return {loadedMs, probe.longestStallMs()};
}

int play(const QString &path, const QString &dbPath, const QString &mp3Path)
{
    Database *db = Database::instance();
    if (!db->open(dbPath))
        return 1;
    QFile mp3(mp3Path);
    if (!mp3.open(QIODevice::ReadOnly))
        return 1;
    IcyServer server(mp3.readAll());
    if (!server.start())
        return 1;
    QList<StationRecord> channels = playableStations(readIptvList(path));
    if (channels.size() <= 25000)
        return 1;
    channels[25000].url = server.url();
    db->replaceStationGroup("bench", channels);

    PlayerCore core;
    QString error;
    if (!core.start(error))
        return 1;
    MainWindow window(&core);
    window.show();
    window.navigate("radios");
    auto *page = window.findChild<RadiosPage *>();
    auto *sections = page->findChild<QListWidget *>();
    sections->setCurrentRow(sections->count() - 1);
    std::vector<double> station, direct, stationStall, directStall;
    for (int round = 0; round < 3; ++round) {
        core.stop();
        auto [a, b] = timeLoad(&core, [page] { page->playStation(25000); });
        station.push_back(a);
        stationStall.push_back(b);
        core.stop();
        auto [c, d] = timeLoad(&core, [&] { window.playPaths({server.url()}, 0); });
        direct.push_back(c);
        directStall.push_back(d);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("play station_ms=%.1f direct_ms=%.1f station_stall_ms=%.1f "
                "direct_stall_ms=%.1f queue=%lld\n",
                median(station), median(direct), median(stationStall), median(directStall),
                (long long)core.queue().size());
    core.stop();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }();
    const QString mode = args.value(0);
    if (mode == "make")
        return make(args.value(1), args.value(2).toInt());
    if (mode == "bare")
        return bare(args.value(1));
    if (mode == "parse")
        return parse(args.value(1));
    QStandardPaths::setTestModeEnabled(true);
    qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZorviPlayer-bench-radio"));
    offlineDirectory();
    if (mode == "store")
        return store(args.value(1), args.value(2));
    if (mode == "search")
        return search(args.value(1));
    if (mode == "play")
        return play(args.value(1), args.value(2), args.value(3));
    std::fprintf(stderr, "usage: bench_radio make|bare|parse|store|search|play ...\n");
    return 2;
}
