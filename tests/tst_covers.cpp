#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "TaggedMedia.h"
#include "TestFiles.h"
#include "TestMedia.h"
#include "library/CoverPictures.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "library/Thumbnailer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

#include <sys/stat.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/wavpackfile.h>

using TaggedMedia::Picture;
Q_DECLARE_METATYPE(TaggedMedia::Picture)

namespace {

constexpr int Patience = 20000;
const QColor Red(220, 40, 40);
const QColor Green(40, 200, 40);
const QColor Blue(40, 40, 220);

QByteArray picture(const QColor &color, const char *format = "JPEG", int width = 64,
                   int height = 64)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return data;
}

QColor centre(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// The CRC of a PNG chunk.
quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Moves a file's modification time by seconds (file systems keep whole
// seconds or less; a retag in the same instant as the cache would tie).
bool shiftTime(const QString &path, int seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QFileInfo(path).lastModified().addSecs(seconds),
                            QFileDevice::FileModificationTime);
}

} // namespace

class tst_Covers final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    QHash<QString, QString> m_templates; // suffix -> untagged audio
    int m_folders = 0;

    QString fresh(const QString &suffix)
    {
        const QString folder = m_dir.filePath(QStringLiteral("f%1").arg(++m_folders));
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/song.") + suffix;
        if (!m_templates.contains(suffix))
            m_templates.insert(suffix, TaggedMedia::audio(m_dir.filePath("template." + suffix)));
        return TaggedMedia::copyFile(m_templates.value(suffix), path) ? path : QString();
    }

    // The cover of path once it is ready (null when it has none).
    static QPixmap waitCover(const QString &path, int size)
    {
        Covers *covers = Covers::instance();
        QSignalSpy spy(covers, &Covers::ready);
        QPixmap pixmap = covers->cover(path, size);
        if (!pixmap.isNull())
            return pixmap;
        if (!QTest::qWaitFor([&] { return spy.contains({path}); }, Patience))
            qWarning("no ready for %s", qPrintable(path));
        return covers->cover(path, size);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_dir.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_covers")));
    }

    void cleanupTestCase() { Thumbnailer::instance()->shutdown(); }

    void embedded_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QList<Picture>>("pictures");
        QTest::addColumn<QColor>("expected");
        const Picture front{picture(Red), QStringLiteral("image/jpeg"), true};
        const Picture back{picture(Green), QStringLiteral("image/jpeg"), false};
        const Picture broken{QByteArray(3000, 'x'), QStringLiteral("image/jpeg"), true};
        const Picture pngAsJpeg{picture(Blue, "PNG"), QStringLiteral("image/jpeg"), true};
        for (const char *suffix : {"mp3", "flac", "m4a", "ogg", "opus", "wma", "wv", "wav"}) {
            const QString s = QString::fromLatin1(suffix);
            // MP4 covers carry no type: the first decodable one counts.
            QTest::addRow("%s back then front", suffix)
                    << s << QList<Picture>{back, front} << (s == "m4a" ? Green : Red);
            QTest::addRow("%s back only", suffix) << s << QList<Picture>{back} << Green;
            QTest::addRow("%s undecodable first", suffix)
                    << s << QList<Picture>{broken, back} << Green;
            QTest::addRow("%s png labelled jpeg", suffix) << s << QList<Picture>{pngAsJpeg} << Blue;
        }
    }

    void embedded()
    {
        QFETCH(QString, suffix);
        QFETCH(QList<Picture>, pictures);
        QFETCH(QColor, expected);
        const QString path = fresh(suffix);
        QVERIFY(!path.isEmpty());
        QVERIFY(TaggedMedia::writePictures(path, pictures));
        const QImage image = CoverPictures::embeddedPicture(path);
        QVERIFY(!image.isNull());
        QVERIFY2(TestMedia::sameTint(centre(image), expected), qPrintable(centre(image).name()));
    }

    // Pictures the reader must not take: a link in an APIC frame, an APE
    // cover item without its NUL, a blob over the size limit.
    void embeddedRefusals()
    {
        const QByteArray jpeg = picture(Red);
        const QString mp3 = fresh("mp3");
        {
            TagLib::MPEG::File file(QFile::encodeName(mp3).constData());
            auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setMimeType("-->");
            frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            frame->setPicture(TagLib::ByteVector(jpeg.constData(), uint(jpeg.size())));
            file.ID3v2Tag(true)->addFrame(frame);
            QVERIFY(file.save(TagLib::MPEG::File::ID3v2));
        }
        QVERIFY(CoverPictures::embeddedPicture(mp3).isNull());
        QVERIFY(TaggedMedia::writePictures(mp3, {{picture(Green), "image/jpeg", false}}));
        QVERIFY(TestMedia::sameTint(centre(CoverPictures::embeddedPicture(mp3)), Green));

        const QString wv = fresh("wv");
        {
            TagLib::WavPack::File file(QFile::encodeName(wv).constData());
            file.APETag(true)->setItem(
                    "Cover Art (Front)",
                    TagLib::APE::Item("Cover Art (Front)",
                                      TagLib::ByteVector(jpeg.constData(), uint(jpeg.size())),
                                      true));
            QVERIFY(file.save());
        }
        QVERIFY(CoverPictures::embeddedPicture(wv).isNull());

        // Over the blob limit: skipped, the smaller picture after it wins.
        const QString big = fresh("mp3");
        QByteArray huge = picture(Red, "BMP", 64, 64);
        huge.append(QByteArray(CoverPictures::MaxBlobBytes, '\0'));
        QVERIFY(TaggedMedia::writePictures(
                big, {{huge, "image/bmp", true}, {picture(Green), "image/jpeg", false}}));
        bool refused = false;
        const QImage image = CoverPictures::embeddedPicture(big, &refused);
        QVERIFY(refused);
        QVERIFY(TestMedia::sameTint(centre(image), Green));
    }

    void folder_data()
    {
        // Entries: "name=colour", "name=corrupt", "name/" (a folder),
        // "name@target" (a link), "name|" (a FIFO).
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QColor>("expected"); // invalid: none
        QTest::addRow("named before other")
                << QStringList{"back.png=green", "Folder.JPG=red"} << Red;
        QTest::addRow("one unnamed") << QStringList{"scan01.png=red"} << Red;
        QTest::addRow("two unnamed") << QStringList{"a.png=red", "b.png=green"} << QColor();
        QTest::addRow("cover before capa") << QStringList{"capa.png=green", "cover.jpg=red"} << Red;
        QTest::addRow("albumart before album")
                << QStringList{"album.jpg=green", "albumart.png=red"} << Red;
        QTest::addRow("upper case") << QStringList{"COVER.PNG=red", "x.png=green"} << Red;
        QTest::addRow("webp") << QStringList{"capa.webp=red"} << Red;
        QTest::addRow("corrupt skipped")
                << QStringList{"cover.jpg=corrupt", "folder.jpg=red"} << Red;
        QTest::addRow("folder named like a cover")
                << QStringList{"cover.jpg/", "scan.png=red"} << Red;
        QTest::addRow("link to a device")
                << QStringList{"cover.jpg@/dev/zero", "front.png=red"} << Red;
        QTest::addRow("fifo") << QStringList{"cover.jpg|", "front.png=red"} << Red;
    }

    void folder()
    {
        QFETCH(QStringList, entries);
        QFETCH(QColor, expected);
        const QString folder = m_dir.filePath(QStringLiteral("f%1").arg(++m_folders));
        QVERIFY(QDir().mkpath(folder));
        for (const QString &entry : std::as_const(entries)) {
            if (entry.endsWith('/')) {
                QVERIFY(QDir().mkpath(folder + '/' + entry));
            } else if (entry.endsWith('|')) {
                QVERIFY(::mkfifo(QFile::encodeName(folder + '/' + entry.chopped(1)), 0600) == 0);
            } else if (entry.contains('@')) {
                QVERIFY(QFile::link(entry.section('@', 1),
                                    folder + '/' + entry.section('@', 0, 0)));
            } else {
                const QString name = entry.section('=', 0, 0);
                const QString what = entry.section('=', 1);
                const char *format = name.endsWith(".webp", Qt::CaseInsensitive)  ? "WEBP"
                                     : name.endsWith(".png", Qt::CaseInsensitive) ? "PNG"
                                                                                  : "JPEG";
                const QByteArray data = what == "corrupt" ? QByteArray("\xff\xd8\xff\xe0garbage")
                                                          : picture(QColor(what), format);
                QVERIFY(!data.isEmpty());
                QVERIFY(TestFiles::writeBytes(folder + '/' + name, data));
            }
        }
        // Off the test's thread: a FIFO opened by mistake would block for ever.
        QFuture<QImage> result =
                QtConcurrent::run([folder] { return CoverPictures::folderImage(folder); });
        QTRY_VERIFY_WITH_TIMEOUT(result.isFinished(), Patience);
        const QImage image = result.result();
        if (!expected.isValid()) {
            QVERIFY(image.isNull());
            return;
        }
        QVERIFY(!image.isNull());
        QVERIFY2(TestMedia::sameTint(centre(image), QColor(expected)),
                 qPrintable(centre(image).name()));
    }

    void cacheAndBookkeeping()
    {
        Covers *covers = Covers::instance();
        // An embedded picture beats the folder image beside it.
        const QString song = fresh("mp3");
        QVERIFY(TaggedMedia::writePictures(song, {{picture(Red, "JPEG", 800, 600)}}));
        QVERIFY(TestFiles::writeBytes(QFileInfo(song).absolutePath() + "/cover.jpg",
                                      picture(Green)));
        QSignalSpy spy(covers, &Covers::ready);
        const quint64 before = covers->tasksStarted();
        QVERIFY(covers->cover(song, 416).isNull());
        QVERIFY(covers->cover(song, 416).isNull());
        QCOMPARE(covers->tasksStarted(), before + 1);
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains({song}), Patience);
        const QPixmap shown = covers->cover(song, 416);
        QCOMPARE(shown.size(), QSize(416, 416));
        QVERIFY(TestMedia::sameTint(centre(shown.toImage()), Red));

        // The cache file: named by the path's SHA-1, a JPEG within 512 px.
        const QString cache = Covers::coverCacheFile(song);
        QCOMPARE(cache, Covers::coverFolder() + '/' +
                                QCryptographicHash::hash(song.toUtf8(), QCryptographicHash::Sha1)
                                        .toHex()
                                        .left(20) +
                                ".jpg");
        QImageReader reader(cache);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), QSize(512, 384));

        // No picture anywhere: one task, failed, and none after it.
        const QString bare = fresh("mp3");
        const quint64 bareBefore = covers->tasksStarted();
        QVERIFY(waitCover(bare, 200).isNull());
        QVERIFY(covers->hasFailed(bare));
        QVERIFY(covers->cover(bare, 200).isNull());
        QCOMPARE(covers->tasksStarted(), bareBefore + 1);

        // Memory gone (as in a new process) and the audio file too: the disk
        // cache still serves it.
        QVERIFY(QFile::remove(song));
        covers->clearMemory();
        QVERIFY(covers->cover(song, 100).isNull());
        const QPixmap again = waitCover(song, 100);
        QCOMPARE(again.size(), QSize(100, 100));
        QVERIFY(TestMedia::sameTint(centre(again.toImage()), Red));

        // Retagged: rebuilt from the file, under the same name.
        const QString retagged = fresh("flac");
        QVERIFY(TaggedMedia::writePictures(retagged, {{picture(Red)}}));
        QVERIFY(TestMedia::sameTint(centre(waitCover(retagged, 64).toImage()), Red));
        QVERIFY(TaggedMedia::writePictures(retagged, {{picture(Blue)}}));
        QVERIFY(shiftTime(retagged, 5));
        covers->clearMemory();
        QVERIFY(TestMedia::sameTint(centre(waitCover(retagged, 64).toImage()), Blue));
        // A cover.jpg newer than the cache is looked at again; the embedded
        // picture still wins.
        QVERIFY(TestFiles::writeBytes(QFileInfo(retagged).absolutePath() + "/cover.jpg",
                                      picture(Green)));
        QVERIFY(shiftTime(QFileInfo(retagged).absolutePath() + "/cover.jpg", 10));
        covers->clearMemory();
        QVERIFY(TestMedia::sameTint(centre(waitCover(retagged, 64).toImage()), Blue));

        // A cache file cut short is rebuilt.
        QFile truncated(Covers::coverCacheFile(retagged));
        QVERIFY(truncated.open(QIODevice::ReadWrite));
        QVERIFY(truncated.resize(truncated.size() / 3));
        truncated.close();
        QVERIFY(shiftTime(truncated.fileName(), 60));
        covers->clearMemory();
        QVERIFY(TestMedia::sameTint(centre(waitCover(retagged, 64).toImage()), Blue));
        QVERIFY(!QImage(Covers::coverCacheFile(retagged)).isNull());

        // Sizes: none at 0 or below, at most MaxSide; network addresses get nothing.
        const quint64 quiet = covers->tasksStarted();
        QVERIFY(covers->cover(retagged, 0).isNull());
        QVERIFY(covers->cover(QStringLiteral("https://example.org/a.mp3"), 100).isNull());
        QCOMPARE(covers->tasksStarted(), quiet);
        QCOMPARE(waitCover(retagged, 5000).size(), QSize(Covers::MaxSide, Covers::MaxSide));
    }

    // 200 covers through the image cache: it keeps what its bound allows,
    // and an evicted image comes back from the disk.
    void imageCacheBound()
    {
        Covers *covers = Covers::instance();
        covers->clearMemory();
        const QByteArray art = picture(Green, "JPEG", 600, 600);
        QStringList songs;
        for (int i = 0; i < 200; ++i) {
            const QString folder = m_dir.filePath(QStringLiteral("many/%1").arg(i));
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(TestFiles::writeBytes(folder + "/cover.jpg", art));
            songs << folder + "/track.mp3";
            QVERIFY(TestFiles::writeBytes(songs.last(), QByteArray(100, 'x'))); // no tags at all
        }
        QSignalSpy spy(Covers::instance(), &Covers::ready);
        for (const QString &song : std::as_const(songs))
            covers->cover(song, 32);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 200, Patience * 3);
        QVERIFY(covers->idle());
        QCOMPARE(covers->cachedImages(), 32);
        QCOMPARE(covers->cachedImageKiB(), 32 * 512 * 512 * 4 / 1024);
        // The first one delivered was evicted long ago: a new load, from
        // the cache file.
        const QString oldest = spy.first().first().toString();
        QVERIFY(QFile::remove(oldest));
        QVERIFY(covers->cover(oldest, 48).isNull());
        QCOMPARE(waitCover(oldest, 48).size(), QSize(48, 48));
    }

    // A regular file where the cache folder should be: covers still come,
    // from memory, with one log line for the whole run.
    void cacheFolderUnavailable()
    {
        const QString folder = Covers::coverFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(TestFiles::writeBytes(folder, "not a folder"));
        LogCapture log;
        QStringList songs;
        for (int i = 0; i < 2; ++i) {
            songs << fresh("ogg");
            QVERIFY(TaggedMedia::writePictures(songs.last(), {{picture(Red)}}));
            QVERIFY(TestMedia::sameTint(centre(waitCover(songs.last(), 64).toImage()), Red));
        }
        QCOMPARE(log.matching("capa: cache em disco indisponivel").size(), 1);
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkpath(folder));
    }

    // Without the thumbnail engine every request fails at once (run in its
    // own process with ZORVIPLAYER_NO_THUMBS, see tst_covers.cmake).
    void withoutThumbnails()
    {
        if (!qEnvironmentVariableIsSet("ZORVIPLAYER_NO_THUMBS"))
            QSKIP("checked by the run with ZORVIPLAYER_NO_THUMBS");
        Covers *covers = Covers::instance();
        QSignalSpy spy(covers, &Covers::ready);
        const QString clip = TestMedia::solidVideo(m_dir.filePath("plain.mkv"), 2, "red");
        QVERIFY(covers->videoThumb(clip, 384, -0.15, "lib").isNull());
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains({clip}), Patience);
        QVERIFY(covers->hasFailed(thumbKey(clip, "lib")));
        QVERIFY(!QFile::exists(thumbFile(thumbKey(clip, "lib"))));
    }

    // Thumbnails rendered by the real thumbnailer, read back, forgotten.
    void videoThumbs()
    {
        if (qEnvironmentVariableIsSet("ZORVIPLAYER_NO_THUMBS"))
            QSKIP("needs the thumbnail engine");
        Covers *covers = Covers::instance();
        Database *database = Database::instance();
        QSignalSpy spy(covers, &Covers::ready);
        QSignalSpy rendered(Thumbnailer::instance(), &Thumbnailer::ready);
        const QString clip = TestMedia::solidVideo(m_dir.filePath("clip.mkv"), 4, "blue", 320, 240);
        QVERIFY(!clip.isEmpty());
        database->ensureMedia(clip, "video", "Clip");
        const QString key = thumbKey(clip, "lib");

        QVERIFY(covers->videoThumb(clip, 384, -0.15, "lib").isNull());
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains({clip}), Patience);
        QVERIFY(QFile::exists(thumbFile(key)));
        const QPixmap thumb = covers->videoThumb(clip, 384, -0.15, "lib");
        QCOMPARE(thumb.size(), QSize(384, 288));
        QVERIFY(TestMedia::sameTint(centre(thumb.toImage()), Qt::blue));
        // The measured duration fills the row that had none.
        QVERIFY(qAbs(database->mediaByPath(clip)->duration - 4) < 0.5);

        // Another width is read from the file on the pool.
        spy.clear();
        QVERIFY(covers->videoThumb(clip, 192, -0.15, "lib").isNull());
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains({clip}), Patience);
        QCOMPARE(covers->videoThumb(clip, 192, -0.15, "lib").size(), QSize(192, 144));

        // Forgotten: every width goes, and the next request renders anew.
        const qsizetype renders = rendered.count();
        covers->refreshVideoThumb(clip, "lib");
        QVERIFY(!QFile::exists(thumbFile(key)));
        QVERIFY(covers->videoThumb(clip, 192, -0.15, "lib").isNull());
        QVERIFY(covers->videoThumb(clip, 384, -0.15, "lib").isNull());
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), renders + 1, Patience);
        QCOMPARE(rendered.last().at(0).toString(), key);
        QTRY_VERIFY_WITH_TIMEOUT(!covers->videoThumb(clip, 192, -0.15, "lib").isNull(), Patience);

        // A known duration stays.
        const QString second = TestMedia::solidVideo(m_dir.filePath("second.mkv"), 3, "red");
        MediaRecord row;
        row.path = second;
        row.kind = "video";
        row.title = "Second";
        row.duration = 99;
        row.folder = QFileInfo(second).absolutePath();
        QVERIFY(database->storeScanned({row}));
        spy.clear();
        QVERIFY(covers->videoThumb(second, 384, -0.15, "lib").isNull());
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains({second}), Patience);
        QCOMPARE(database->mediaByPath(second)->duration, 99.0);

        // A broken video fails once and is not asked again, until refreshed.
        const QString broken = TestMedia::corruptFile(m_dir.filePath("broken.mkv"));
        const QString brokenKey = thumbKey(broken, "lib");
        spy.clear();
        QVERIFY(covers->videoThumb(broken, 384, -0.15, "lib").isNull());
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains({broken}), Patience);
        QVERIFY(covers->hasFailed(brokenKey));
        const quint64 tasks = covers->tasksStarted();
        const qsizetype answers = rendered.count();
        QVERIFY(covers->videoThumb(broken, 384, -0.15, "lib").isNull());
        QCOMPARE(covers->tasksStarted(), tasks);
        covers->refreshVideoThumb(broken, "lib");
        QVERIFY(!covers->hasFailed(brokenKey));
        QVERIFY(covers->videoThumb(broken, 384, -0.15, "lib").isNull());
        QCOMPARE(covers->tasksStarted(), tasks + 1);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), answers + 1, Patience);
        QCOMPARE(rendered.last().at(0).toString(), brokenKey);
        QVERIFY(covers->videoThumb(QStringLiteral("http://example.org/v.mp4"), 384, -0.15, "lib")
                        .isNull());
        QCOMPARE(covers->tasksStarted(), tasks + 1);
    }

    // Hostile and odd pictures: each gives a picture or nothing, within
    // the decode limits.
    void badPictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size"); // of the normalised cover; empty: none
        QTest::addColumn<bool>("refused");
        const QByteArray jpeg = picture(Red, "JPEG", 300, 300);
        QTest::addRow("empty") << QByteArray() << QSize() << false;
        QTest::addRow("garbage") << QByteArray(5000, 'q') << QSize() << false;
        QTest::addRow("png header only") << picture(Red, "PNG").left(40) << QSize() << false;
        // A PNG header claiming 20000 x 20000: refused before decoding.
        QByteArray bigPng = picture(Red, "PNG", 8, 8);
        const char side[4] = {0, 0, char(0x4e), char(0x20)}; // 20000
        bigPng.replace(16, 4, QByteArray(side, 4));
        bigPng.replace(20, 4, QByteArray(side, 4));
        const quint32 crc = crc32(bigPng.mid(12, 17)); // chunk type and data
        for (int i = 0; i < 4; ++i)
            bigPng[29 + i] = char(crc >> (24 - 8 * i));
        QTest::addRow("png 20000 square") << bigPng << QSize() << true;
        // A JPEG frame header claiming 60000 x 60000.
        QByteArray bigJpeg = jpeg;
        const qsizetype sof = bigJpeg.indexOf("\xff\xc0");
        QVERIFY(sof > 0);
        const char huge[4] = {char(0xea), char(0x60), char(0xea), char(0x60)};
        bigJpeg.replace(sof + 5, 4, QByteArray(huge, 4));
        QTest::addRow("jpeg 60000 square") << bigJpeg << QSize() << true;
        QTest::addRow("strip") << picture(Red, "PNG", 8000, 8) << QSize(512, 1) << false;
        QTest::addRow("large jpeg") << picture(Red, "JPEG", 3000, 2000) << QSize(512, 341) << false;
        QImage deep(40, 40, QImage::Format_RGBA64);
        deep.fill(Qt::transparent);
        QByteArray deepPng;
        QBuffer buffer(&deepPng);
        buffer.open(QIODevice::WriteOnly);
        deep.save(&buffer, "PNG");
        QTest::addRow("16-bit transparent png") << deepPng << QSize(40, 40) << false;
    }

    void badPictures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(bool, refused);
        bool wasRefused = false;
        const QImage image = CoverPictures::normalised(CoverPictures::decode(bytes, &wasRefused));
        QCOMPARE(wasRefused, refused);
        QCOMPARE(image.isNull(), !size.isValid());
        if (!image.isNull()) {
            QCOMPARE(image.size(), size);
            QVERIFY(!image.hasAlphaChannel());
            // Transparent pixels lie on the card colour, not black.
            const QColor expected = QTest::currentDataTag() == QByteArray("16-bit transparent png")
                                            ? CoverPictures::background()
                                            : Red;
            QVERIFY2(TestMedia::sameTint(centre(image), expected),
                     qPrintable(centre(image).name()));
        }
    }

    // An animated GIF gives its first frame.
    void animatedGif()
    {
        const QString gif = m_dir.filePath("anim.gif");
        QVERIFY(TestMedia::ffmpeg({"-f", "lavfi", "-i", "color=c=red:s=32x32:d=0.2:r=10", "-f",
                                   "lavfi", "-i", "color=c=blue:s=32x32:d=0.2:r=10",
                                   "-filter_complex", "[0][1]concat=n=2:v=1", gif}));
        const QImage image = CoverPictures::imageFile(gif);
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(TestMedia::sameTint(centre(image), Qt::red));
    }
};

QTEST_MAIN(tst_Covers)
#include "tst_covers.moc"
