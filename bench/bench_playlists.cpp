// Playlist file benchmark, one measurement per process (bench/playlists.sh
// runs each under /usr/bin/time):
//   make <dir>            big.m3u (500,000 entries) and big.pls (100,000)
//   read <file>           readPlaylist
//   bare-read <file>      QFile::readLine, fromUtf8, trim, skip '#', append
//   write <dir>           writeM3u of 500,000 entries, 10 % in the library
//   bare-write <dir>      a QSaveFile loop writing the same bytes
//   page <dir>            the playlists page: import big.m3u, then show a
//                         2,000- and a 50,000-entry playlist (GUI stalls)
//   expand <file>         opening the big file as the command line does
#include "QuietHost.h"
#include "StallProbe.h"
#include "library/Database.h"
#include "playlists/PlaylistFiles.h"
#include "ui/Host.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/PlaylistTableLoader.h"
#include "ui/pages/PlaylistsPage.h"
#include "ui/window/MediaOpener.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Runs the event loop until done() or the time is up.
template<class Done>
bool waitUntil(Done done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

constexpr int BigM3u = 500000;
constexpr int BigPls = 100000;

QString entryPath(int i)
{
    return QStringLiteral("/srv/music/Artist %1/Album %2/%3 - Song title number %3.flac")
            .arg(i % 997)
            .arg(i % 89)
            .arg(i);
}

int make(const QString &dir)
{
    QFile m3u(dir + QStringLiteral("/big.m3u"));
    if (!m3u.open(QIODevice::WriteOnly))
        return 1;
    QByteArray out = "#EXTM3U\n";
    for (int i = 0; i < BigM3u; ++i) {
        out += "#EXTINF:" + QByteArray::number(120 + i % 300) +
               ",Some Artist Name - A Song Title That Is Long Enough " + QByteArray::number(i) +
               '\n';
        switch (i % 4) {
        case 0:
            out += entryPath(i).toUtf8();
            break;
        case 1:
            out += "../relative/Música/" + QByteArray::number(i) + " song.mp3";
            break;
        case 2:
            out += "file:///srv/music/M%C3%BAsica/" + QByteArray::number(i) + "%20song.mp3";
            break;
        default:
            out += "http://stream.example/radio/" + QByteArray::number(i) + "?q=1&r=2";
        }
        out += '\n';
        if (out.size() > (1 << 20)) {
            m3u.write(out);
            out.clear();
        }
    }
    m3u.write(out);
    m3u.close();
    QFile pls(dir + QStringLiteral("/big.pls"));
    if (!pls.open(QIODevice::WriteOnly))
        return 1;
    out = "[playlist]\n";
    for (int i = 1; i <= BigPls; ++i) {
        out += "File" + QByteArray::number(i) + '=' + entryPath(i).toUtf8() + "\nTitle" +
               QByteArray::number(i) + "=Song " + QByteArray::number(i) + "\nLength" +
               QByteArray::number(i) + "=200\n";
    }
    out += "NumberOfEntries=" + QByteArray::number(BigPls) + "\nVersion=2\n";
    pls.write(out);
    return 0;
}

int readList(const QString &file)
{
    QElapsedTimer clock;
    clock.start();
    QString name;
    QStringList entries;
    const bool ok = readPlaylist(file, &name, &entries);
    std::printf("read ok=%d entries=%lld ms=%lld\n", ok, static_cast<long long>(entries.size()),
                static_cast<long long>(clock.elapsed()));
    return ok ? 0 : 1;
}

int bareRead(const QString &file)
{
    QElapsedTimer clock;
    clock.start();
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return 1;
    QStringList entries;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            entries.append(line);
    }
    std::printf("bare-read entries=%lld ms=%lld\n", static_cast<long long>(entries.size()),
                static_cast<long long>(clock.elapsed()));
    return 0;
}

QStringList writePaths()
{
    QStringList paths;
    paths.reserve(BigM3u);
    for (int i = 0; i < BigM3u; ++i)
        paths.append(i % 7 == 6 ? QStringLiteral("http://stream.example/r/%1").arg(i)
                                : entryPath(i));
    return paths;
}

int write(const QString &dir, bool bare)
{
    const QStringList paths = writePaths();
    QList<MediaRecord> rows;
    for (int i = 0; i < BigM3u; i += 10) {
        MediaRecord row;
        row.path = paths.at(i);
        row.kind = QStringLiteral("audio");
        row.title = QStringLiteral("Song %1").arg(i);
        row.artist = QStringLiteral("Artist");
        row.duration = 200.5;
        row.folder = QStringLiteral("/srv/music");
        rows.append(row);
    }
    if (!Database::instance()->open(dir + QStringLiteral("/bench.db")))
        return 1;
    if (!bare)
        Database::instance()->storeScanned(rows);
    // The bare loop writes the bytes writeM3u gives, prepared untimed.
    QByteArray text;
    if (bare) {
        text = "#EXTM3U\n";
        for (int i = 0; i < paths.size(); ++i)
            text += m3uLines(
                    m3uItem(paths.at(i), i % 10 == 0 ? std::optional<MediaRecord>(rows.at(i / 10))
                                                     : std::nullopt));
    }
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    const QString target = dir + QStringLiteral("/out.m3u8");
    if (bare) {
        QSaveFile file(target);
        ok = file.open(QIODevice::WriteOnly);
        for (qsizetype at = 0; ok && at < text.size(); at += 256 * 1024)
            ok = file.write(text.mid(at, 256 * 1024)) >= 0;
        ok = ok && file.commit();
    } else {
        ok = writeM3u(target, paths);
    }
    std::printf("%s ok=%d ms=%lld\n", bare ? "bare-write" : "write", ok,
                static_cast<long long>(clock.elapsed()));
    return ok ? 0 : 1;
}

int page(const QString &dir)
{
    if (!Database::instance()->open(dir + QStringLiteral("/page.db")))
        return 1;
    Database *db = Database::instance();
    QuietHost host;
    PageContext context;
    context.host = &host;
    context.database = db;
    PlaylistsPage view(context);
    view.resize(1320, 820);
    view.show();
    auto *loader = view.findChild<PlaylistTableLoader *>();
    auto *sidebar = view.findChild<QListWidget *>(QStringLiteral("PlaylistSidebar"));
    StallProbe probe;
    probe.start();

    // Import: the file is parsed on a worker, then stored in one transaction.
    QString name;
    QStringList entries;
    QElapsedTimer clock;
    clock.start();
    readPlaylist(dir + QStringLiteral("/big.m3u"), &name, &entries);
    const qint64 parseMs = clock.restart();
    const qint64 id = db->createPlaylist(name);
    db->setPlaylistItems(id, entries);
    std::printf("page import entries=%lld parse_ms=%lld set_items_ms=%lld\n",
                static_cast<long long>(entries.size()), static_cast<long long>(parseMs),
                static_cast<long long>(clock.elapsed()));

    for (const int size : {2000, 50000}) {
        const qint64 list = db->createPlaylist(QStringLiteral("size %1").arg(size));
        db->setPlaylistItems(list, entries.mid(0, size));
        waitUntil([] { return false; }, 100);
        const double from = probe.nowMs();
        clock.restart();
        for (int row = 0; row < sidebar->count(); ++row) {
            if (sidebar->item(row)->data(PlaylistsPage::IdRole).toLongLong() == list)
                sidebar->setCurrentRow(row);
        }
        waitUntil([&] { return !loader->isBusy(); }, 600000);
        const qint64 loadMs = clock.elapsed();
        waitUntil([] { return false; }, 50);
        std::printf("page select entries=%d load_ms=%lld longest_stall_ms=%.1f\n", size,
                    static_cast<long long>(loadMs), probe.longestStallMs(from, probe.nowMs()));
    }
    return 0;
}

int expand(const QString &file)
{
    QElapsedTimer clock;
    clock.start();
    const QStringList items = MediaOpener::expandPaths({file});
    std::printf("expand items=%lld ms=%lld\n", static_cast<long long>(items.size()),
                static_cast<long long>(clock.elapsed()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString arg = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (mode == QLatin1String("page")) {
        QApplication app(argc, argv);
        return page(arg);
    }
    QCoreApplication app(argc, argv);
    if (mode == QLatin1String("make"))
        return make(arg);
    if (mode == QLatin1String("read"))
        return readList(arg);
    if (mode == QLatin1String("bare-read"))
        return bareRead(arg);
    if (mode == QLatin1String("write") || mode == QLatin1String("bare-write"))
        return write(arg, mode == QLatin1String("bare-write"));
    if (mode == QLatin1String("expand"))
        return expand(arg);
    std::fprintf(stderr, "usage: bench_playlists make|read|bare-read|write|bare-write|page|expand "
                         "<dir or file>\n");
    return 2;
}
