#include "LogCapture.h"
#include "TaggedMedia.h"
#include "TestMedia.h"
#include "library/Lyrics.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

// Lyrics without a window: decoding, LRC parsing, the side file and the
// lyrics embedded in real tagged files.
class tst_Lyrics final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_flacTemplate;
    QString m_mp3Template;

    // Lines as "time|text" rows, one per line.
    static QString described(const QList<LyricLine> &lines)
    {
        QStringList rows;
        for (const LyricLine &line : lines)
            rows << QString::number(line.time) + QLatin1Char('|') + line.text;
        return rows.join(QLatin1Char('\n'));
    }

    QString file(const QString &name) const { return m_dir.filePath(name); }

    static bool write(const QString &path, const QByteArray &bytes)
    {
        QFile out(path);
        return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               out.write(bytes) == bytes.size();
    }

    // A fresh copy of a short untagged song in the format the suffix names.
    QString song(const QString &name)
    {
        const QString path = file(name);
        const QString suffix = QFileInfo(name).suffix();
        const QString source = suffix == QLatin1String("mp3") ? m_mp3Template : m_flacTemplate;
        QFile::remove(path);
        if (suffix == QLatin1String("mp3") || suffix == QLatin1String("flac"))
            return TaggedMedia::copyFile(source, path) ? path : QString();
        return TaggedMedia::audio(path, 0.3);
    }

    // The parser's cases go to the fuzzer as its seeds.
    static void keepAsSeed(const QString &name, const QByteArray &bytes)
    {
        const QString build = qEnvironmentVariable("ZORVI_TEST_BUILD_DIR");
        if (build.isEmpty())
            return;
        const QString folder = build + QStringLiteral("/fuzz-seeds/lrc");
        QDir().mkpath(folder);
        QString safe = name;
        safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        write(folder + QLatin1Char('/') + safe, bytes);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_flacTemplate = TaggedMedia::audio(file(QStringLiteral("template.flac")), 0.3);
        m_mp3Template = TaggedMedia::audio(file(QStringLiteral("template.mp3")), 0.3);
        QVERIFY(!m_flacTemplate.isEmpty() && !m_mp3Template.isEmpty());
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("lines");
        QTest::newRow("two tags, one text") << "[00:10.00][00:20.00]Chorus"
                                            << "10|Chorus\n20|Chorus";
        QTest::newRow("headers and plain text") << "[ar:Someone]\n[ti:Song]\nFirst\nSecond"
                                                << "-1|First\n-1|Second";
        QTest::newRow("timed line without text") << "[00:05.00]\n[00:06.00]x"
                                                 << "5|\n6|x";
        QTest::newRow("three tag forms, three digits")
                << "[01:02]a\n[01:02.50]b\n[01:02:50]c\n[00:01.125]d"
                << "1.125|d\n62|a\n62.5|b\n62.5|c";
        QTest::newRow("out of order, ties in file order, untimed first")
                << "[00:05]x\nplain\n[00:01]y\n[00:05]z"
                << "-1|plain\n1|y\n5|x\n5|z";
        QTest::newRow("line breaks") << "[00:01]a\r\n[00:02]b\r[00:03]c\n\n\r\n[00:04]d\n"
                                     << "1|a\n2|b\n3|c\n4|d";
        QTest::newRow("offset ahead, clamped at 0") << "[offset:+500]\n[00:01.00]a\n[00:00.20]b"
                                                    << "0|b\n0.5|a";
        QTest::newRow("offset behind") << "[offset:-500]\n[00:01.00]a"
                                       << "1.5|a";
        QTest::newRow("every header")
                << "[ar:x]\n[ti:x]\n[al:x]\n[au:x]\n[by:x]\n[length:03:20]\n[re:x]\n[ve:1.0]\n"
                   "[#:comment]\n[00:01]a"
                << "1|a";
        QTest::newRow("timed section marker") << "[00:40]line\n[00:42.00][Chorus]"
                                              << "40|line\n42|[Chorus]";
        QTest::newRow("word stamps") << "[00:12.00]<00:12.00>Hello <00:12.50>world<00:13:00>"
                                     << "12|Hello world";
        QTest::newRow("twenty-digit minutes") << "[99999999999999999999:00]far\n[00:01]near"
                                              << "1|near\n6e+21|far";
        QTest::newRow("markup and control characters")
                << QStringLiteral("[00:01]<b>bold</b>\u0001 & <i>\tx") << "1|<b>bold</b> & <i> x";
        QTest::newRow("tag look-alikes") << "[1:2:3]a\n[a:01]b\n[00:1x]c"
                                         << "-1|[a:01]b\n-1|[00:1x]c\n62.3|a";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("headers only") << "[ar:x]\r\n[ti:y]\r\n"
                                      << "";

        QString many;
        QStringList expected;
        for (int i = 0; i < 500; ++i) {
            many += QStringLiteral("[%1:%2.00]").arg(i / 60).arg(i % 60, 2, 10, QLatin1Char('0'));
            expected << QStringLiteral("%1|la").arg(i);
        }
        QTest::newRow("500 tags on one line") << many + QStringLiteral("la") << expected.join('\n');
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, lines);
        QCOMPARE(described(Lyrics::parseLyrics(text)), lines);
        keepAsSeed(QString::fromLatin1(QTest::currentDataTag()), text.toUtf8());
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("lines");
        const QString words = QStringLiteral("canção “aqui”");
        const QByteArray lrc = QByteArrayLiteral("[ti:x]\n[00:01]");
        auto utf16 = [&](QStringConverter::Encoding encoding) {
            QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
            return QByteArray(encoder(QString::fromUtf8(lrc) + words));
        };
        QTest::newRow("UTF-8") << lrc + words.toUtf8() << "1|" + words;
        QTest::newRow("UTF-8 with mark") << "\xEF\xBB\xBF" + lrc + words.toUtf8() << "1|" + words;
        QTest::newRow("UTF-16 LE") << utf16(QStringConverter::Utf16LE) << "1|" + words;
        QTest::newRow("UTF-16 BE") << utf16(QStringConverter::Utf16BE) << "1|" + words;
        QTest::newRow("Windows-1252") << lrc + QByteArray("can\xE7\xE3o \x93"
                                                          "aqui\x94")
                                      << "1|" + words;
        QTest::newRow("Latin-1 only")
                << QByteArray("\xC0 bient\xF4t") << QStringLiteral("-1|À bientôt");
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, lines);
        QCOMPARE(described(Lyrics::parseLyrics(Lyrics::decode(bytes))), lines);
        keepAsSeed(QStringLiteral("decode-") + QString::fromLatin1(QTest::currentDataTag()), bytes);
    }

    // Only the earliest lines are kept, whatever the file's order; every
    // text is cut to its maximum.
    void limits()
    {
        QString text;
        for (int i = 6000; i > 0; --i)
            text += QStringLiteral("[00:%1]line %1\n").arg(i);
        LogCapture log;
        const QList<LyricLine> lines = Lyrics::parseLyrics(text);
        QCOMPARE(lines.size(), Lyrics::MaxLines);
        QCOMPARE(lines.first(), (LyricLine{1, QStringLiteral("line 1")}));
        QCOMPARE(lines.last(), (LyricLine{5000, QStringLiteral("line 5000")}));
        QCOMPARE(log.matching(QStringLiteral("letra truncada")).size(), 1);

        const QString longLine = QStringLiteral("[00:01]") + QString(5000, QLatin1Char('x'));
        QCOMPARE(Lyrics::parseLyrics(longLine).first().text.size(), Lyrics::MaxLineLength);
        // A pair of surrogates is not split at the cut.
        const QString emoji =
                QStringLiteral("[00:01]") + QString(999, QLatin1Char('x')) + QStringLiteral("😀");
        QCOMPARE(Lyrics::parseLyrics(emoji).first().text.size(), 999);
    }

    // The side file wins over embedded lyrics; an empty, over-sized or
    // unusable one gives way to them, with the reason in the log.
    void sidecar_data()
    {
        QTest::addColumn<QString>("sidecarName");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("logged");
        QTest::newRow("side file") << "a.lrc"
                                   << "text"
                                   << "1|side"
                                   << "";
        QTest::newRow("upper-case suffix") << "a.LRC"
                                           << "text"
                                           << "1|side"
                                           << "";
        QTest::newRow("empty") << "a.lrc"
                               << "empty"
                               << "-1|embedded"
                               << "";
        QTest::newRow("over 1 MiB") << "a.lrc"
                                    << "big"
                                    << "-1|embedded"
                                    << "letra ignorada";
        QTest::newRow("50 MB") << "a.lrc"
                               << "huge"
                               << "-1|embedded"
                               << "letra ignorada";
        QTest::newRow("directory") << "a.lrc"
                                   << "directory"
                                   << "-1|embedded"
                                   << "letra ignorada";
        QTest::newRow("FIFO") << "a.lrc"
                              << "fifo"
                              << "-1|embedded"
                              << "letra ignorada";
        QTest::newRow("link to /dev/zero") << "a.lrc"
                                           << "zero"
                                           << "-1|embedded"
                                           << "letra ignorada";
        QTest::newRow("none") << ""
                              << ""
                              << "-1|embedded"
                              << "";
    }

    void sidecar()
    {
        QFETCH(QString, sidecarName);
        QFETCH(QString, kind);
        QFETCH(QString, lines);
        QFETCH(QString, logged);
        QDir folder(file(QStringLiteral("side-%1")
                                 .arg(QTest::currentDataTag())
                                 .replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")),
                                          QStringLiteral("-"))));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        const QString media = folder.filePath(QStringLiteral("a.flac"));
        QVERIFY(TaggedMedia::copyFile(m_flacTemplate, media));
        TaggedMedia::Tags tags;
        tags.lyrics = QStringLiteral("embedded");
        QVERIFY(TaggedMedia::writeTags(media, tags));

        const QString side = folder.filePath(sidecarName);
        if (kind == QLatin1String("text")) {
            QVERIFY(write(side, "[00:01]side"));
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(write(side, {}));
        } else if (kind == QLatin1String("big")) {
            QVERIFY(write(side, QByteArray(Lyrics::MaxBytes + 1, 'a')));
        } else if (kind == QLatin1String("huge")) {
            QFile out(side);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.resize(50'000'000));
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(folder.mkdir(sidecarName));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(mkfifo(QFile::encodeName(side).constData(), 0600), 0);
        } else if (kind == QLatin1String("zero")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), side));
        }
        LogCapture log;
        QCOMPARE(described(Lyrics::load(media)), lines);
        if (logged.isEmpty())
            QVERIFY(log.matching(QStringLiteral("letra ignorada")).isEmpty());
        else
            QCOMPARE(log.matching(logged).size(), 1);
    }

    // ".lrc" is taken before other spellings of the suffix.
    void sidecarPreference()
    {
        QDir folder(file(QStringLiteral("cases")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        QVERIFY(write(folder.filePath(QStringLiteral("b.LRC")), "[00:02]upper"));
        QCOMPARE(Lyrics::sidecarPath(folder.filePath(QStringLiteral("b.mp3"))),
                 folder.filePath(QStringLiteral("b.LRC")));
        QVERIFY(write(folder.filePath(QStringLiteral("b.lrc")), "[00:01]lower"));
        QCOMPARE(Lyrics::sidecarPath(folder.filePath(QStringLiteral("b.mp3"))),
                 folder.filePath(QStringLiteral("b.lrc")));
        // The complete base name: "c.live.mp3" looks for "c.live.lrc".
        QVERIFY(write(folder.filePath(QStringLiteral("c.live.lrc")), "x"));
        QCOMPARE(Lyrics::sidecarPath(folder.filePath(QStringLiteral("c.live.mp3"))),
                 folder.filePath(QStringLiteral("c.live.lrc")));
        QVERIFY(Lyrics::sidecarPath(folder.filePath(QStringLiteral("c.mp3"))).isEmpty());
    }

    // A side file of random bytes never hangs or crashes, and reads no
    // further than the limit.
    void randomSidecar()
    {
        const QString media = song(QStringLiteral("random.flac"));
        QVERIFY(!media.isEmpty());
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(7);
        for (char &byte : bytes)
            byte = char(generator.bounded(256));
        QVERIFY(write(file(QStringLiteral("random.lrc")), bytes));
        const QList<LyricLine> lines = Lyrics::load(media);
        QVERIFY(!lines.isEmpty());
        for (const LyricLine &line : lines)
            QVERIFY(line.time == -1 && !line.text.isEmpty());
    }

    // Lyrics as ffmpeg writes them: "-metadata lyrics=..." in each format.
    void embeddedByFfmpeg_data()
    {
        QTest::addColumn<QString>("suffix");
        for (const char *suffix : {"mp3", "flac", "ogg", "opus", "m4a"})
            QTest::newRow(suffix) << QString::fromLatin1(suffix);
    }

    void embeddedByFfmpeg()
    {
        QFETCH(QString, suffix);
        const QString path = file(QStringLiteral("ffmpeg.") + suffix);
        QVERIFY(!TestMedia::tone(path, 0.5,
                                 {"-metadata", "lyrics=[00:01.50]um\n[00:03.00]dois\ncanção"})
                         .isEmpty());
        QCOMPARE(described(Lyrics::load(path)), QStringLiteral("-1|canção\n1.5|um\n3|dois"));
    }

    // What ffmpeg cannot write, through TagLib: unsynchronised lyrics with a
    // description, synchronised lyrics, APE and ASF tags.
    void embeddedByTagLib_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lines");
        QTest::newRow("USLT with description") << "described.mp3"
                                               << "2|words";
        QTest::newRow("SYLT in ms") << "sylt-ms.mp3"
                                    << "1.5|Hello world\n4|again\n5.25|end";
        QTest::newRow("SYLT in frames") << "sylt-frames.mp3"
                                        << "-1|Hello world\n-1|again\n-1|end";
        QTest::newRow("SYLT without entries") << "sylt-empty.mp3"
                                              << "";
        QTest::newRow("APE") << "ape.wv"
                             << "2|words";
        QTest::newRow("ASF") << "asf.wma"
                             << "2|words";
    }

    void embeddedByTagLib()
    {
        QFETCH(QString, name);
        QFETCH(QString, lines);
        const QString path = song(name);
        QVERIFY(!path.isEmpty());
        if (name.endsWith(QLatin1String(".mp3"))) {
            TagLib::MPEG::File mp3(QFile::encodeName(path).constData());
            TagLib::ID3v2::Tag *tag = mp3.ID3v2Tag(true);
            if (name.startsWith(QLatin1String("described"))) {
                auto *uslt = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
                uslt->setDescription("Lead vocals");
                uslt->setText("[00:02]words");
                tag->addFrame(uslt);
            } else {
                using Sylt = TagLib::ID3v2::SynchronizedLyricsFrame;
                auto *sylt = new Sylt(TagLib::String::UTF16);
                sylt->setTimestampFormat(name.contains(QLatin1String("ms"))
                                                 ? Sylt::AbsoluteMilliseconds
                                                 : Sylt::AbsoluteMpegFrames);
                // Pieces of a line follow each other; a newline starts the next.
                if (!name.contains(QLatin1String("empty"))) {
                    Sylt::SynchedTextList pieces;
                    pieces.append({1500, "Hello"});
                    pieces.append({2000, " world"});
                    pieces.append({4000, "\nagain"});
                    pieces.append({5000, "\n"});
                    pieces.append({5250, "end"});
                    sylt->setSynchedText(pieces);
                }
                tag->addFrame(sylt);
            }
            QVERIFY(mp3.save(TagLib::MPEG::File::ID3v2));
        } else {
            TaggedMedia::Tags tags;
            tags.lyrics = QStringLiteral("[00:02]words");
            QVERIFY(TaggedMedia::writeTags(path, tags));
        }
        QCOMPARE(described(Lyrics::load(path)), lines);
    }

    // Broken tags give no lyrics and no crash.
    void corruptTags()
    {
        const QString path = song(QStringLiteral("corrupt.mp3"));
        TaggedMedia::Tags tags;
        tags.lyrics = QString(4000, QLatin1Char('w'));
        QVERIFY(TaggedMedia::writeTags(path, tags));
        QFile mp3(path);
        QVERIFY(mp3.open(QIODevice::ReadWrite));
        QByteArray bytes = mp3.readAll();
        const qsizetype frame = bytes.indexOf("USLT");
        QVERIFY(frame > 0);
        // A frame size far past the tag's end, then a cut in the middle.
        bytes[frame + 4] = char(0x7f);
        mp3.seek(0);
        mp3.write(bytes.left(frame + 200));
        mp3.resize(frame + 200);
        mp3.close();
        QVERIFY(Lyrics::load(path).isEmpty());
        QVERIFY(Lyrics::load(file(QStringLiteral("absent.mp3"))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Lyrics)
#include "tst_lyrics.moc"
