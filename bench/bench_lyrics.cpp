// Lyrics figures, run by bench/lyrics.sh under a virtual display:
//
//   parse     a generated 1 MiB, 20,000-line LRC with several time tags per
//             line through the parser, against a bare loop that splits the
//             same text at line breaks and runs the same regular expression
//             over every line; alternating, median of the rounds.
//   page      the now-playing page shown at 1000 px: setTrack of a song whose
//             2,000-line side file ends in a filled list (median of 10), and
//             one highlight update over those 2,000 lines (median and maximum
//             of 10,000); the longest GUI-thread stall while setTrack loads a
//             1 MiB side file, a FLAC with a 20 MB picture and embedded
//             lyrics, and a 5,000-line side file.
#include "StallProbe.h"
#include "library/Lyrics.h"
#include "ui/pages/NowPlaying.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/unsynchronizedlyricsframe.h>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

QString tag(double seconds)
{
    const int centis = int(seconds * 100);
    return QStringLiteral("[%1:%2.%3]")
            .arg(centis / 6000, 2, 10, QLatin1Char('0'))
            .arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
            .arg(centis % 100, 2, 10, QLatin1Char('0'));
}

// An LRC text of the given number of lines and about the given size: each
// line carries one to three time tags, some a word stamp, and words.
QString lrcText(int lines, qsizetype bytes)
{
    QRandomGenerator random(42);
    const QStringList words = {QStringLiteral("sol"),     QStringLiteral("janela"),
                               QStringLiteral("manhã"),   QStringLiteral("vento"),
                               QStringLiteral("devagar"), QStringLiteral("canção")};
    QString text = QStringLiteral("[ti:Bench]\n[ar:Someone]\n");
    const qsizetype perLine = bytes / lines;
    for (int i = 0; i < lines; ++i) {
        QString line;
        const int tags = 1 + i % 3;
        for (int t = 0; t < tags; ++t)
            line += tag(i * 0.5 + t * 300);
        if (i % 4 == 0)
            line += tag(i * 0.5).replace('[', '<').replace(']', '>');
        while (line.size() < perLine - 8)
            line += words.at(random.bounded(words.size())) + QLatin1Char(' ');
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

// The baseline: split at line breaks, run the time-tag expression over each line.
qsizetype bareParse(const QString &text)
{
    static const QRegularExpression timeTag(QStringLiteral(R"(\[(\d+):(\d+(?:[.:]\d+)?)\])"));
    qsizetype matches = 0;
    const QStringView all(text);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = start;
        while (end < all.size() && all[end] != QLatin1Char('\n') && all[end] != QLatin1Char('\r'))
            ++end;
        const QStringView line = all.mid(start, end - start);
        start = end + 1;
        auto it = timeTag.globalMatch(line);
        while (it.hasNext()) {
            it.next();
            ++matches;
        }
    }
    return matches;
}

int parseBench()
{
    const QString text = lrcText(20000, 1024 * 1024);
    std::printf("text: %lld characters, %lld bytes UTF-8\n", static_cast<long long>(text.size()),
                static_cast<long long>(text.toUtf8().size()));
    QList<double> ours;
    QList<double> bare;
    qsizetype sink = 0;
    for (int round = 0; round < 15; ++round) {
        QElapsedTimer clock;
        clock.start();
        sink += Lyrics::parseLyrics(text).size();
        ours << clock.nsecsElapsed() / 1e6;
        clock.start();
        sink += bareParse(text);
        bare << clock.nsecsElapsed() / 1e6;
    }
    std::printf("parse ms median %.2f; bare split+regex ms median %.2f; ratio %.2f (sink %lld)\n",
                median(ours), median(bare), median(ours) / median(bare),
                static_cast<long long>(sink));
    return 0;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString timedLines(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i)
        text += tag(i * 0.5) + QStringLiteral("line number %1\n").arg(i);
    return text;
}

int pageBench()
{
    QTemporaryDir dir;
    const QString tone = dir.filePath(QStringLiteral("tone.flac"));
    if (QProcess::execute(QStringLiteral("ffmpeg"), {"-hide_banner", "-loglevel", "error", "-f",
                                                     "lavfi", "-i", "sine=duration=1", tone}) !=
        0) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    auto song = [&](const QString &name, const QByteArray &lrc) {
        const QString path = dir.filePath(name + QStringLiteral(".flac"));
        QFile::copy(tone, path);
        if (!lrc.isNull())
            writeFile(dir.filePath(name + QStringLiteral(".lrc")), lrc);
        return path;
    };

    QWidget host;
    host.resize(1000, 700);
    auto *page = new NowPlaying(nullptr, &host);
    page->setGeometry(0, 0, 1000, 700);
    host.show();
    if (!QTest::qWaitForWindowExposed(&host))
        return 1;
    auto *list = page->findChild<QListWidget *>(QStringLiteral("lyricsList"));

    // Loaded and laid out: the last row has its place.
    auto filled = [&](int lines) {
        return page->lyricLines().size() == lines && list->count() == lines &&
               list->visualItemRect(list->item(lines - 1)).isValid();
    };

    const QByteArray twoThousand = timedLines(2000).toUtf8();
    const QString a = song(QStringLiteral("a"), twoThousand);
    const QString b = song(QStringLiteral("b"), twoThousand);
    QList<double> fills;
    for (int round = 0; round < 10; ++round) {
        QElapsedTimer clock;
        clock.start();
        page->setTrack(round % 2 ? b : a, QStringLiteral("T"), {}, {}, QPixmap());
        if (!QTest::qWaitFor([&] { return filled(2000); }, 10000))
            return 1;
        fills << clock.nsecsElapsed() / 1e6;
    }
    std::printf("setTrack to a filled list, 2,000 lines: ms median %.1f max %.1f\n", median(fills),
                *std::max_element(fills.cbegin(), fills.cend()));

    QList<double> updates;
    for (int i = 0; i < 10000; ++i) {
        const double seconds = (i * 7919 % 2000) * 0.5;
        QElapsedTimer clock;
        clock.start();
        page->updatePosition(seconds);
        updates << clock.nsecsElapsed() / 1e3;
        if (i % 100 == 0)
            QCoreApplication::processEvents();
    }
    std::printf("highlight update, 2,000 lines: us median %.1f max %.1f\n", median(updates),
                *std::max_element(updates.cbegin(), updates.cend()));

    // A song with a 20 MB picture and USLT lyrics, no side file. An MP3:
    // a FLAC metadata block holds at most 16 MiB.
    const QString big = dir.filePath(QStringLiteral("picture.mp3"));
    if (QProcess::execute(QStringLiteral("ffmpeg"), {"-hide_banner", "-loglevel", "error", "-f",
                                                     "lavfi", "-i", "sine=duration=1", big}) != 0)
        return 1;
    {
        TagLib::MPEG::File mp3(QFile::encodeName(big).constData());
        auto *picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setMimeType("image/jpeg");
        picture->setPicture(TagLib::ByteVector(20 * 1024 * 1024, 'x'));
        mp3.ID3v2Tag(true)->addFrame(picture);
        auto *lyrics = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
        lyrics->setText(TagLib::String(timedLines(300).toStdString()));
        mp3.ID3v2Tag()->addFrame(lyrics);
        if (!mp3.save(TagLib::MPEG::File::ID3v2)) {
            std::fprintf(stderr, "could not tag %s\n", qPrintable(big));
            return 1;
        }
    }
    std::printf("embedded: %lld lines\n", static_cast<long long>(Lyrics::load(big).size()));
    QByteArray mebibyte = timedLines(20000).toUtf8();
    mebibyte.truncate(Lyrics::MaxBytes);
    const struct
    {
        const char *name;
        QString path;
        int lines;
    } cases[] = {
            {"1 MiB side file", song(QStringLiteral("mib"), mebibyte),
             int(Lyrics::parseLyrics(QString::fromUtf8(mebibyte)).size())},
            {"MP3, 20 MB picture, USLT lyrics", big, 300},
            {"5,000-line side file", song(QStringLiteral("five"), timedLines(5000).toUtf8()), 5000},
    };
    StallProbe probe;
    // What the machine alone causes, for comparison.
    probe.start();
    QTest::qWait(1000);
    probe.stop();
    std::printf("longest GUI stall, idle for 1 s: %.1f ms\n", probe.longestStallMs());
    for (const auto &c : cases) {
        page->setTrack(a, QStringLiteral("T"), {}, {}, QPixmap());
        if (!QTest::qWaitFor([&] { return filled(2000); }, 10000))
            return 1;
        QTest::qWait(200);
        probe.start();
        page->setTrack(c.path, QStringLiteral("T"), {}, {}, QPixmap());
        const bool ok = QTest::qWaitFor([&] { return filled(c.lines); }, 20000);
        // Whatever the list still does after the last row has its place.
        QTest::qWait(300);
        probe.stop();
        std::printf("longest GUI stall, %s: %.1f ms%s\n", c.name, probe.longestStallMs(),
                    ok ? "" : " (not filled)");
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("parse")) {
        QCoreApplication app(argc, argv);
        return parseBench();
    }
    if (mode == QLatin1String("page")) {
        QApplication app(argc, argv);
        return pageBench();
    }
    std::fprintf(stderr, "usage: bench_lyrics parse|page\n");
    return 2;
}
