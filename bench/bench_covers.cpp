// Cover art against a bare loop doing the same work, one measurement per
// process (the data folder comes from XDG_DATA_HOME, set by the script):
//   bench_covers make <tree>     builds 5,000 albums (cached)
//   bench_covers grid <tree>     a 7 x 4 card grid walked row by row
//   bench_covers bare <tree> <pass>  the same work on one thread; pass 2
//                                decodes the cache files the grid left
//   bench_covers scroll <tree>   a fast scroll to the end, then the wait
//                                for the last screen
//   bench_covers settle <tree>   120 covers on screen: tasks after all came
//   bench_covers hostile-make <dir>  writes hostile pictures into MP3s
//   bench_covers hostile <dir>   peak memory while loading them
// Each prints one line of name=value pairs; bench/covers.sh runs them.
#include "StallProbe.h"
#include "TaggedMedia.h"
#include "library/CoverPictures.h"
#include "library/Covers.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int AlbumCount = 5000;
constexpr int Columns = 7;
constexpr int Rows = 4;
constexpr int CardArt = 416; // twice the card's picture width
// Both memory caches are full after about this many covers of 416 px.
constexpr int FullCaches = 200;

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

QByteArray albumArt(int index)
{
    QImage art(600, 600, QImage::Format_RGB32);
    art.fill(QColor::fromHsv(index * 37 % 360, 160, 200));
    QPainter painter(&art);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv((index * 53 + i * 29) % 360, 200, 120 + i * 10));
        painter.drawEllipse(QPoint(50 * i, (index * 7 + i * 91) % 600), 40 + i * 9, 30 + i * 5);
    }
    painter.end();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    art.save(&buffer, "JPEG", 90);
    return data;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

int make(const QString &tree)
{
    if (QFile::exists(tree + QStringLiteral("/.complete")))
        return 0;
    const QString templates = tree + QStringLiteral("/.templates");
    QDir().mkpath(templates);
    const QStringList suffixes{"mp3", "flac", "m4a", "ogg", "opus"};
    for (const QString &suffix : suffixes) {
        if (TaggedMedia::audio(templates + QStringLiteral("/t.") + suffix, 0.5).isEmpty())
            return 1;
    }
    for (int i = 0; i < AlbumCount; ++i) {
        const QString folder = tree + QStringLiteral("/Album %1").arg(i, 4, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const QByteArray art = albumArt(i);
        const QString suffix = suffixes.at(i % suffixes.size());
        const bool folderImage = (i / suffixes.size()) % 5 == 0; // one album in five
        for (int t = 0; t < 1 + i % 2; ++t) {
            const QString file = folder + QStringLiteral("/%1 Track.%2").arg(t + 1).arg(suffix);
            if (!TaggedMedia::copyFile(templates + QStringLiteral("/t.") + suffix, file))
                return 1;
            if (!folderImage && !TaggedMedia::writePictures(file, {{art}}))
                return 1;
        }
        if (folderImage && !writeFile(folder + QStringLiteral("/cover.jpg"), art))
            return 1;
    }
    return writeFile(tree + QStringLiteral("/.complete"), "ok") ? 0 : 1;
}

// The first track of every album, in album order: what a card asks for.
QStringList albums(const QString &tree)
{
    QStringList out;
    const QStringList folders =
            QDir(tree).entryList({QStringLiteral("Album *")}, QDir::Dirs, QDir::Name);
    for (const QString &folder : folders)
        out << tree + QLatin1Char('/') + folder + QLatin1Char('/') +
                        QDir(tree + QLatin1Char('/') + folder)
                                .entryList({QStringLiteral("1 Track.*")}, QDir::Files)
                                .value(0);
    return out;
}

// A screen of cards: asks for every visible cover, as a paint would.
struct Screen
{
    QStringList paths;
    // True when every cover is there or known missing.
    bool paint() const
    {
        Covers *covers = Covers::instance();
        bool all = true;
        for (const QString &path : paths) {
            if (covers->cover(path, CardArt).isNull() && !covers->hasFailed(path))
                all = false;
        }
        return all;
    }
};

Screen screenAt(const QStringList &all, int firstAlbum, int count)
{
    return {all.mid(firstAlbum, count)};
}

int grid(const QString &tree)
{
    const QStringList all = albums(tree);
    Covers *covers = Covers::instance();
    StallProbe probe;
    probe.start();
    const qint64 rssStart = statusKb("VmRSS:");
    qint64 rssFull = 0;
    int row = 0;
    const int lastRow = (int(all.size()) - Columns * Rows + Columns - 1) / Columns;
    Screen screen = screenAt(all, 0, Columns * Rows);
    QElapsedTimer clock;
    clock.start();
    std::function<void()> step = [&] {
        while (screen.paint()) {
            if (rssFull == 0 && (row + Rows) * Columns >= FullCaches)
                rssFull = statusKb("VmRSS:");
            if (row >= lastRow) {
                QCoreApplication::quit();
                return;
            }
            screen = screenAt(all, ++row * Columns, Columns * Rows);
        }
    };
    QObject::connect(covers, &Covers::ready, qApp, [&] { step(); });
    QTimer::singleShot(0, qApp, [&] { step(); });
    QCoreApplication::exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("albums=%d total_ms=%.1f per_cover_ms=%.3f stall_ms=%.1f rss_start_kb=%lld "
                "rss_full_kb=%lld rss_end_kb=%lld\n",
                int(all.size()), ms, ms / all.size(), probe.longestStallMs(), rssStart, rssFull,
                statusKb("VmRSS:"));
    return 0;
}

int bare(const QString &tree, int pass)
{
    const QStringList all = albums(tree);
    QElapsedTimer clock;
    clock.start();
    int found = 0;
    for (const QString &path : all) {
        QImage image;
        if (pass == 2) {
            image = CoverPictures::imageFile(Covers::coverCacheFile(path));
        } else {
            image = CoverPictures::embeddedPicture(path);
            if (image.isNull())
                image = CoverPictures::folderImage(QFileInfo(path).absolutePath());
            image = CoverPictures::normalised(image);
            QByteArray data;
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "JPG", 88);
        }
        found += image.isNull() ? 0 : 1;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("albums=%d found=%d total_ms=%.1f per_cover_ms=%.3f\n", int(all.size()), found, ms,
                ms / all.size());
    return 0;
}

int scroll(const QString &tree)
{
    const QStringList all = albums(tree);
    Covers *covers = Covers::instance();
    const int lastTop = 4990 / Columns;
    QList<int> tops;
    for (int top = 0; top < lastTop; top += 10)
        tops << top;
    tops << lastTop;
    const Screen last = screenAt(all, lastTop * Columns, Columns * Rows);
    int next = 0;
    QElapsedTimer clock;
    double scrolledMs = 0;
    double readyMs = -1;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(1000 / int(tops.size()));
    QObject::connect(&timer, &QTimer::timeout, qApp, [&] {
        screenAt(all, tops.at(next) * Columns, Columns * Rows).paint();
        if (++next == tops.size()) {
            timer.stop();
            scrolledMs = double(clock.nsecsElapsed()) / 1e6;
        }
    });
    QObject::connect(covers, &Covers::ready, qApp, [&] {
        if (next == tops.size() && readyMs < 0 && last.paint()) {
            readyMs = double(clock.nsecsElapsed()) / 1e6 - scrolledMs;
            QCoreApplication::quit();
        }
    });
    clock.start();
    timer.start();
    QCoreApplication::exec();
    std::printf("steps=%d scroll_ms=%.1f last_screen_ready_ms=%.1f\n", int(tops.size()), scrolledMs,
                readyMs);
    return 0;
}

int settle(const QString &tree)
{
    const Screen view = screenAt(albums(tree), 0, 120);
    Covers *covers = Covers::instance();
    quint64 tasksAtReady = 0;
    double readyMs = -1;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(covers, &Covers::ready, qApp, [&] {
        if (view.paint() && readyMs < 0) {
            readyMs = double(clock.nsecsElapsed()) / 1e6;
            tasksAtReady = covers->tasksStarted();
            QTimer::singleShot(2000, qApp, &QCoreApplication::quit);
        }
    });
    // Animations repaint the view besides every ready.
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, qApp, [&] { view.paint(); });
    repaint.start(16);
    view.paint();
    QCoreApplication::exec();
    std::printf("covers=%d all_ready_ms=%.1f tasks_after=%lld\n", int(view.paths.size()), readyMs,
                qint64(covers->tasksStarted() - tasksAtReady));
    return 0;
}

// Makes the hostile files (a process of its own: making them peaks too).
int hostileMake(const QString &dir)
{
    const QString tone = TaggedMedia::audio(dir + QStringLiteral("/t.mp3"), 0.3);
    if (tone.isEmpty())
        return 1;
    QList<QByteArray> pictures;
    QByteArray bigPng = TaggedMedia::image(8, 8, "PNG");
    const char side[4] = {0, 0, char(0x4e), char(0x20)};
    bigPng.replace(16, 4, QByteArray(side, 4));
    bigPng.replace(20, 4, QByteArray(side, 4));
    pictures << bigPng;
    QByteArray bigJpeg = TaggedMedia::image(32, 32, "JPEG");
    const qsizetype sof = bigJpeg.indexOf("\xff\xc0");
    const char huge[4] = {char(0xea), char(0x60), char(0xea), char(0x60)};
    bigJpeg.replace(sof + 5, 4, QByteArray(huge, 4));
    pictures << bigJpeg << TaggedMedia::image(8000, 8, "PNG") << TaggedMedia::image(6000, 6000)
             << TaggedMedia::image(3000, 3000, "PNG") << QByteArray(100 * 1024 * 1024, '\x42');
    for (int i = 0; i < pictures.size(); ++i) {
        const QString path = dir + QStringLiteral("/h%1.mp3").arg(i);
        if (!TaggedMedia::copyFile(tone, path) ||
            !TaggedMedia::writePictures(path, {{pictures[i]}}))
            return 1;
    }
    return 0;
}

int hostile(const QString &dir)
{
    QStringList paths;
    for (const QString &name : QDir(dir).entryList({QStringLiteral("h*.mp3")}, QDir::Files))
        paths << dir + QLatin1Char('/') + name;
    const qint64 before = statusKb("VmHWM:");
    const qint64 rssBefore = statusKb("VmRSS:");
    Covers *covers = Covers::instance();
    int answered = 0;
    QObject::connect(covers, &Covers::ready, qApp, [&] {
        if (++answered == paths.size())
            QCoreApplication::quit();
    });
    for (const QString &path : std::as_const(paths))
        covers->cover(path, CardArt);
    QCoreApplication::exec();
    int shown = 0;
    for (const QString &path : std::as_const(paths))
        shown += covers->cover(path, CardArt).isNull() ? 0 : 1;
    std::printf("pictures=%d shown=%d peak_growth_kb=%lld (from rss %lld kB) limit_kb=%lld\n",
                int(paths.size()), shown, statusKb("VmHWM:") - std::max(before, rssBefore),
                rssBefore, CoverPictures::MaxDecodedBytes / 1024);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("zorvi-bench"));
    QCoreApplication::setApplicationName(QStringLiteral("covers"));
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    const QString where = args.value(2);
    if (mode == QLatin1String("make"))
        return make(where);
    if (mode == QLatin1String("grid"))
        return grid(where);
    if (mode == QLatin1String("bare"))
        return bare(where, args.value(3).toInt());
    if (mode == QLatin1String("scroll"))
        return scroll(where);
    if (mode == QLatin1String("settle"))
        return settle(where);
    if (mode == QLatin1String("hostile-make"))
        return hostileMake(where);
    if (mode == QLatin1String("hostile"))
        return hostile(where);
    std::fprintf(stderr, "usage: bench_covers make|grid|bare|scroll|settle|hostile <dir> [pass]\n");
    return 2;
}
