// The library scan against its peers, one measurement per process:
//   bench_library make <tree>       builds the 10,000-file tree (cached)
//   bench_library scan <tree> <db>  one scan into db (empty: a first scan)
//   bench_library bare <tree>       a bare TagLib loop over the same files
// Each measurement prints one line of name=value pairs; bench/library.sh
// runs them alternately and prints medians and ratios.
#include "StallProbe.h"
#include "TaggedMedia.h"
#include "app/AppSettings.h"
#include "library/Database.h"
#include "library/Library.h"
#include "library/MediaFiles.h"
#include "platform/FileSystemCalls.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

namespace {

constexpr int Artists = 100;
constexpr int Albums = 10;
constexpr int Tracks = 10;

qint64 peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

int make(const QString &tree)
{
    if (QFile::exists(tree + QStringLiteral("/.complete")))
        return 0;
    const QString templates = tree + QStringLiteral("/.templates");
    QDir().mkpath(templates);
    // Five formats in equal shares; MP3 alternates between ID3v2.3 and 2.4.
    const QStringList suffixes{"mp3", "flac", "m4a", "ogg", "opus"};
    for (const QString &suffix : suffixes) {
        if (TaggedMedia::audio(templates + QStringLiteral("/t.") + suffix, 0.5).isEmpty()) {
            std::fprintf(stderr, "ffmpeg failed for %s\n", qPrintable(suffix));
            return 1;
        }
    }
    const QByteArray cover = TaggedMedia::image(160, 160, "JPEG", 30 * 1024);
    const QByteArray smallCover = TaggedMedia::image(64, 64, "JPEG");
    int index = 0;
    for (int a = 0; a < Artists; ++a) {
        for (int b = 0; b < Albums; ++b) {
            const QString folder =
                    tree +
                    QStringLiteral("/Artist %1/Album %2").arg(a, 3, 10, QLatin1Char('0')).arg(b);
            QDir().mkpath(folder);
            {
                QFile jpg(folder + QStringLiteral("/cover.jpg"));
                jpg.open(QIODevice::WriteOnly);
                jpg.write(smallCover);
                QFile lrc(folder + QStringLiteral("/01.lrc"));
                lrc.open(QIODevice::WriteOnly);
                lrc.write("[00:00.00]la la\n");
                QFile txt(folder + QStringLiteral("/notes.txt"));
                txt.open(QIODevice::WriteOnly);
                txt.write("ripped\n");
            }
            for (int t = 0; t < Tracks; ++t, ++index) {
                const QString suffix = suffixes.at(index % suffixes.size());
                const QString file = folder + QStringLiteral("/%1 Track.%2")
                                                      .arg(t + 1, 2, 10, QLatin1Char('0'))
                                                      .arg(suffix);
                if (!TaggedMedia::copyFile(templates + QStringLiteral("/t.") + suffix, file))
                    return 1;
                TaggedMedia::Tags tags;
                tags.title = QStringLiteral("Song %1 of %2").arg(t + 1).arg(b);
                tags.artists = {QStringLiteral("Artist %1").arg(a)};
                tags.album = QStringLiteral("Album %1 by %2").arg(b).arg(a);
                tags.albumArtist = tags.artists.first();
                tags.genre = QStringLiteral("Rock");
                tags.date = QString::number(1970 + (a + b) % 50);
                tags.track = QStringLiteral("%1/%2").arg(t + 1).arg(Tracks);
                if (b % 5 == 0)
                    tags.picture = cover;
                const bool ok =
                        suffix == QLatin1String("mp3")
                                ? TaggedMedia::writeMp3Tags(file, tags,
                                                            (index / 5) % 2 ? TaggedMedia::Id3::V24
                                                                            : TaggedMedia::Id3::V23)
                                : TaggedMedia::writeTags(file, tags);
                if (!ok) {
                    std::fprintf(stderr, "tagging failed: %s\n", qPrintable(file));
                    return 1;
                }
            }
        }
    }
    QFile done(tree + QStringLiteral("/.complete"));
    return done.open(QIODevice::WriteOnly) ? 0 : 1;
}

int scan(const QString &tree, const QString &dbFile)
{
    if (!Database::instance()->open(dbFile))
        return 1;
    appSettings().setValue(QStringLiteral("library/audio"), QStringList{tree});
    appSettings().setValue(QStringLiteral("library/video"), QStringList());
    Library *library = Library::instance();
    StallProbe probe;
    probe.start();
    double begin = 0;
    double started = 0;
    int found = 0;
    QObject::connect(library, &Library::scanFinished, [&](int count) {
        found = count;
        QCoreApplication::quit();
    });
    // The probe runs a moment first, so the start is measured from a quiet loop.
    QTimer::singleShot(50, [&] {
        begin = probe.nowMs();
        library->startScan();
        started = probe.nowMs();
    });
    QCoreApplication::exec();
    const double end = probe.nowMs();
    probe.stop();
    const Library::ScanFigures f = library->lastScanFigures();
    const double walked = started + double(f.workerMs);
    std::printf("scan files=%d total_ms=%.1f start_ms=%lld worker_ms=%lld store_ms=%lld "
                "stored=%d slices=%d longest_slice_ms=%.2f stall_start_ms=%.2f stall_walk_ms=%.2f "
                "stall_store_ms=%.2f rss_kb=%lld\n",
                found, end - begin, f.startMs, f.workerMs, f.storeMs, f.stored, f.slices,
                f.longestSliceMs, probe.longestStallMs(begin, started + 2),
                probe.longestStallMs(started + 2, walked), probe.longestStallMs(walked, end + 1),
                peakRssKb());
    return 0;
}

// The audio files below tree in the order the library walks them.
void walkOrder(const QByteArray &root, QList<QByteArray> &paths)
{
    QList<QByteArray> stack{root};
    QList<FileSystemCalls::DirectoryEntry> entries;
    while (!stack.isEmpty()) {
        const QByteArray folder = stack.takeLast();
        entries.clear();
        FileSystemCalls::listDirectory(
                folder,
                [](const QByteArray &name) {
                    return audioExtensions().contains(fileSuffixLower(QString::fromUtf8(name)));
                },
                entries);
        const qsizetype firstChild = stack.size();
        for (const auto &entry : std::as_const(entries)) {
            if (entry.directory)
                stack.append(folder + '/' + entry.name);
            else
                paths.append(folder + '/' + entry.name);
        }
        std::reverse(stack.begin() + firstChild, stack.end());
    }
}

int bare(const QString &tree)
{
    QList<QByteArray> paths;
    walkOrder(QFile::encodeName(tree), paths);
    // The scan's worker runs at lowered CPU and I/O priority; the loop it is
    // compared with runs under the same, or a busy machine decides the ratio.
    if (!qEnvironmentVariableIsSet("ZORVI_BENCH_BARE_NORMAL_PRIORITY"))
        FileSystemCalls::lowerCurrentThreadPriority();
    QElapsedTimer timer;
    timer.start();
    qint64 checksum = 0;
    for (const QByteArray &path : std::as_const(paths)) {
        TagLib::FileRef file(path.constData(), true, TagLib::AudioProperties::Fast);
        if (file.isNull())
            continue;
        if (const TagLib::Tag *tag = file.tag()) {
            checksum += tag->title().size() + tag->artist().size() + tag->album().size() +
                        tag->genre().size() + tag->year() + tag->track();
        }
        checksum += file.file()->properties().size();
        if (file.audioProperties())
            checksum += file.audioProperties()->lengthInMilliseconds();
    }
    std::printf("bare files=%lld ms=%.1f checksum=%lld rss_kb=%lld\n", qint64(paths.size()),
                timer.nsecsElapsed() / 1e6, checksum, peakRssKb());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("make") && args.size() == 2)
        return make(args.at(1));
    if (mode == QLatin1String("scan") && args.size() == 3)
        return scan(args.at(1), args.at(2));
    if (mode == QLatin1String("bare") && args.size() == 2)
        return bare(args.at(1));
    std::fprintf(stderr, "usage: bench_library make|scan|bare <tree> [db]\n");
    return 2;
}
