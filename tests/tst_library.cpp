#include "LogCapture.h"
#include "TaggedMedia.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "library/Database.h"
#include "library/Library.h"
#include "library/MediaFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>
#include <utime.h>

using TaggedMedia::Id3;
using TaggedMedia::Tags;

namespace {

constexpr int ScanWaitMs = 60000;

// The tags most cases write.
Tags standardTags()
{
    Tags t;
    t.title = QStringLiteral("Song Title");
    t.artists = {QStringLiteral("Alpha")};
    t.album = QStringLiteral("The Album");
    t.albumArtist = QStringLiteral("Band");
    t.genre = QStringLiteral("Rock");
    t.date = QStringLiteral("2019");
    t.track = QStringLiteral("3/12");
    return t;
}

// How a fixture gets its tags.
enum Layout { Generic, Mp3V23, Mp3V24, Mp3V1, Mp3Both, WavInfo };

bool applyTags(const QString &path, Layout layout, const Tags &tags, int encoding = 3)
{
    switch (layout) {
    case Generic:
        return TaggedMedia::writeTags(path, tags);
    case Mp3V23:
        return TaggedMedia::writeMp3Tags(path, tags, Id3::V23, encoding);
    case Mp3V24:
        return TaggedMedia::writeMp3Tags(path, tags, Id3::V24, encoding);
    case Mp3V1:
        return TaggedMedia::writeMp3Tags(path, tags, Id3::V1);
    case Mp3Both:
        return TaggedMedia::writeMp3Tags(path, tags, Id3::V23AndV1);
    case WavInfo:
        return TaggedMedia::writeWavInfo(path, tags);
    }
    return false;
}

QVariant scalar(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query(QSqlDatabase::database());
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec() || !query.next())
        return {};
    return query.value(0);
}

int inLibrary(const QString &path)
{
    const QVariant v = scalar(QStringLiteral("SELECT in_library FROM media WHERE path=?"), {path});
    return v.isValid() ? v.toInt() : -1;
}

bool setMtime(const QString &path, qint64 seconds)
{
    const utimbuf times{time_t(seconds), time_t(seconds)};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

qint64 mtimeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtime : -1;
}

bool makeDirs(const QString &path)
{
    return QDir().mkpath(path);
}

bool touch(const QString &path, const QByteArray &data = "x")
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A folder chain "d/d/d/..." of the given depth below root, made with calls
// relative to the previous level so that it can go past the path limit.
bool deepChain(const QString &root, int depth, const QByteArray &leafFile = {})
{
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; fd >= 0 && i < depth; ++i) {
        if (::mkdirat(fd, "d", 0755) != 0 && errno != EEXIST)
            return false;
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return false;
    if (!leafFile.isEmpty()) {
        const int file = ::openat(fd, leafFile.constData(), O_CREAT | O_WRONLY, 0644);
        if (file >= 0) {
            [[maybe_unused]] auto written = ::write(file, "ID3", 3);
            ::close(file);
        }
    }
    ::close(fd);
    return true;
}

// True when no text field holds a control character or runs past the limit.
bool cleanTexts(const MediaRecord &r)
{
    for (const QString &text : {r.title, r.artist, r.album, r.albumArtist, r.genre}) {
        if (text.size() > 1024)
            return false;
        for (const QChar c : text) {
            if (c.category() == QChar::Other_Control)
                return false;
        }
    }
    return r.year >= 0 && r.year <= 9999 && r.track >= 0 && r.track <= 9999;
}

} // namespace

class tst_Library final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_templates; // one untagged file per format

    Library *lib() const { return Library::instance(); }
    Database *db() const { return Database::instance(); }
    QString path(const QString &name) const { return m_dir->filePath(name); }

    // A fresh copy of the format's untagged template.
    QString copyOf(const QString &suffix, const QString &to)
    {
        const QString from = m_templates + QStringLiteral("/t.") + suffix;
        makeDirs(QFileInfo(to).absolutePath());
        return TaggedMedia::copyFile(from, to) ? to : QString();
    }

    void setFolders(const QStringList &audio, const QStringList &video = {})
    {
        appSettings().setValue(QStringLiteral("library/audio"), audio);
        appSettings().setValue(QStringLiteral("library/video"), video);
    }

    // Starts a scan (or books one) and waits until no scan runs; returns the
    // count of the last scanFinished.
    int scan()
    {
        QSignalSpy finished(lib(), &Library::scanFinished);
        lib()->startScan();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(!lib()->isScanning(), ScanWaitMs);
        }();
        return finished.isEmpty() ? -1 : finished.last().at(0).toInt();
    }

    MediaRecord row(const QString &file) { return db()->mediaByPath(file).value_or(MediaRecord{}); }

    QString childProgram() const { return qEnvironmentVariable("ZORVI_LIBRARY_CHILD"); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(db()->open(path(QStringLiteral("biblioteca.db"))));
        // Before the first Library::instance(): no first-run folders here.
        setFolders({});
        m_templates = path(QStringLiteral("templates"));
        QVERIFY(makeDirs(m_templates));
        for (const char *suffix :
             {"mp3", "flac", "ogg", "opus", "m4a", "wma", "wv", "wav", "aac", "ac3", "mka"})
            QVERIFY2(!TaggedMedia::audio(m_templates + QStringLiteral("/t.") + suffix).isEmpty(),
                     suffix);
    }

    void cleanupTestCase()
    {
        // Chains past the path limit need a remover that works relative to
        // each level.
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), m_dir->path()});
    }

    void tagsPerFormat_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("albumArtist");
        QTest::newRow("mp3 id3v2.3") << "mp3" << int(Mp3V23) << true;
        QTest::newRow("mp3 id3v2.4") << "mp3" << int(Mp3V24) << true;
        QTest::newRow("mp3 id3v1 only") << "mp3" << int(Mp3V1) << false;
        QTest::newRow("mp3 id3v2.3 and v1") << "mp3" << int(Mp3Both) << true;
        QTest::newRow("flac") << "flac" << int(Generic) << true;
        QTest::newRow("ogg vorbis") << "ogg" << int(Generic) << true;
        QTest::newRow("opus") << "opus" << int(Generic) << true;
        QTest::newRow("m4a") << "m4a" << int(Generic) << true;
        QTest::newRow("wma") << "wma" << int(Generic) << true;
        QTest::newRow("wavpack ape") << "wv" << int(Generic) << true;
        QTest::newRow("wav info only") << "wav" << int(WavInfo) << false;
        QTest::newRow("wav id3 chunk") << "wav" << int(Generic) << true;
    }

    void tagsPerFormat()
    {
        QFETCH(QString, suffix);
        QFETCH(int, layout);
        QFETCH(bool, albumArtist);
        const QString file = copyOf(
                suffix, path(QStringLiteral("tags/%1.%2").arg(QTest::currentDataTag(), suffix)));
        QVERIFY(!file.isEmpty());
        QVERIFY(applyTags(file, Layout(layout), standardTags()));
        const MediaRecord r = Library::readMetadata(file);
        QCOMPARE(r.kind, QStringLiteral("audio"));
        QCOMPARE(r.title, QStringLiteral("Song Title"));
        QCOMPARE(r.artist, QStringLiteral("Alpha"));
        QCOMPARE(r.album, QStringLiteral("The Album"));
        QCOMPARE(r.albumArtist, albumArtist ? QStringLiteral("Band") : QString());
        QCOMPARE(r.genre, QStringLiteral("Rock"));
        QCOMPARE(r.year, 2019);
        QCOMPARE(r.track, 3);
        QVERIFY2(r.duration > 0.8 && r.duration < 1.3, qPrintable(QString::number(r.duration)));
        QCOMPARE(r.size, QFileInfo(file).size());
        QCOMPARE(r.mtimeMs / 1000, mtimeOf(file));
        QCOMPARE(r.folder, QFileInfo(file).absolutePath());
    }

    // Files without tags, or that TagLib 1.13 does not open, get the name.
    void fileNameTitles_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("hasDuration");
        QTest::newRow("untagged flac") << "flac" << true;
        QTest::newRow("adts aac") << "aac" << false;
        QTest::newRow("ac3") << "ac3" << false;
        QTest::newRow("matroska audio") << "mka" << false;
    }

    void fileNameTitles()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, hasDuration);
        const QString file = copyOf(suffix, path(QStringLiteral("names/My Song.v2.") + suffix));
        const MediaRecord r = Library::readMetadata(file);
        QCOMPARE(r.title, QStringLiteral("My Song.v2"));
        QVERIFY(r.artist.isEmpty() && r.album.isEmpty() && r.albumArtist.isEmpty());
        QVERIFY(r.genre.isEmpty());
        QCOMPARE(r.year, 0);
        QCOMPARE(r.track, 0);
        QCOMPARE(r.duration > 0, hasDuration);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QStringList>("artists");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expectedArtist");
        QTest::addColumn<QString>("expectedTitle");
        const QString acao = QStringLiteral("A\u00e7\u00e3o");
        QTest::newRow("latin-1 id3v2.3")
                << "mp3" << int(Mp3V23) << 0 << QStringList{acao} << acao << acao << acao;
        QTest::newRow("utf-16 id3v2.3")
                << "mp3" << int(Mp3V23) << 1 << QStringList{acao} << acao << acao << acao;
        QTest::newRow("utf-8 id3v2.4")
                << "mp3" << int(Mp3V24) << 3 << QStringList{acao} << acao << acao << acao;
        const QStringList two{"Alpha", "Beta"};
        QTest::newRow("two artists flac") << "flac" << int(Generic) << 3 << two << "t"
                                          << "Alpha / Beta"
                                          << "t";
        QTest::newRow("two artists ogg") << "ogg" << int(Generic) << 3 << two << "t"
                                         << "Alpha / Beta"
                                         << "t";
        QTest::newRow("two artists id3v2.4") << "mp3" << int(Mp3V24) << 3 << two << "t"
                                             << "Alpha / Beta"
                                             << "t";
        QTest::newRow("two artists ape") << "wv" << int(Generic) << 3 << two << "t"
                                         << "Alpha / Beta"
                                         << "t";
        QTest::newRow("blanks trimmed")
                << "flac" << int(Generic) << 3 << QStringList{"  Pad  "} << " \t Spaced title  "
                << "Pad"
                << "Spaced title";
        QTest::newRow("control characters")
                << "flac" << int(Generic) << 3 << QStringList{QStringLiteral("A\u0001B\u007fC")}
                << QStringLiteral("x\u0001y\u009bz") << "ABC"
                << "xyz";
        // ID3v2.4 separates values with NUL: one text with a NUL is two.
        QTest::newRow("nul in id3v2.4")
                << "mp3" << int(Mp3V24) << 3 << QStringList{QStringLiteral("a\u0000b")} << "t"
                << "a / b"
                << "t";
    }

    void texts()
    {
        QFETCH(QString, suffix);
        QFETCH(int, layout);
        QFETCH(int, encoding);
        QFETCH(QStringList, artists);
        QFETCH(QString, title);
        QFETCH(QString, expectedArtist);
        QFETCH(QString, expectedTitle);
        const QString file = copyOf(
                suffix, path(QStringLiteral("texts/%1.%2").arg(QTest::currentDataTag(), suffix)));
        Tags tags;
        tags.title = title;
        tags.artists = artists;
        QVERIFY(applyTags(file, Layout(layout), tags, encoding));
        if (encoding == 0) {
            // Really stored as Latin-1 (encoding byte 0, one byte per letter).
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().contains(QByteArray("\x00"
                                                    "A\xe7\xe3o",
                                                    5)));
        }
        const MediaRecord r = Library::readMetadata(file);
        QCOMPARE(r.artist, expectedArtist);
        QCOMPARE(r.title, expectedTitle);
    }

    // ID3v1 as older tools write it: Latin-1 bytes and a genre index.
    void id3v1LatinBlock()
    {
        const QString file = copyOf(QStringLiteral("mp3"), path(QStringLiteral("texts/v1.mp3")));
        QVERIFY(TaggedMedia::appendId3v1(file, QStringLiteral("A\u00e7\u00e3o"),
                                         QStringLiteral("Jo\u00e3o"), 17));
        const MediaRecord r = Library::readMetadata(file);
        QCOMPARE(r.title, QStringLiteral("A\u00e7\u00e3o"));
        QCOMPARE(r.artist, QStringLiteral("Jo\u00e3o"));
        QCOMPARE(r.genre, QStringLiteral("Rock"));
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("track");
        QTest::addColumn<QString>("disc");
        QTest::addColumn<QString>("genre");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("trackNumber");
        QTest::addColumn<QString>("genreName");
        QTest::newRow("id3v2.4 full date") << "mp3" << int(Mp3V24) << "2019-05-01"
                                           << "3/12"
                                           << "2/2"
                                           << "Jazz" << 2019 << 3 << "Jazz";
        QTest::newRow("vorbis full date") << "flac" << int(Generic) << "2019-05-01"
                                          << "3/12"
                                          << "2/2"
                                          << "Jazz" << 2019 << 3 << "Jazz";
        QTest::newRow("mp4 full date") << "m4a" << int(Generic) << "2019-05-01"
                                       << "3/12"
                                       << "2/2"
                                       << "Jazz" << 2019 << 3 << "Jazz";
        QTest::newRow("disc alone leaks nowhere") << "mp3" << int(Mp3V24) << ""
                                                  << ""
                                                  << "2/2"
                                                  << "" << 0 << 0 << "";
        QTest::newRow("disc alone in vorbis") << "flac" << int(Generic) << ""
                                              << ""
                                              << "2/2"
                                              << "" << 0 << 0 << "";
        QTest::newRow("genre number in brackets") << "mp3" << int(Mp3V23) << "2001"
                                                  << "7"
                                                  << ""
                                                  << "(17)" << 2001 << 7 << "Rock";
        QTest::newRow("absurd numbers") << "flac" << int(Generic) << "99999"
                                        << "4294967295"
                                        << ""
                                        << "" << 0 << 0 << "";
        QTest::newRow("absurd numbers id3") << "mp3" << int(Mp3V24) << "99999"
                                            << "4294967295"
                                            << ""
                                            << "" << 0 << 0 << "";
    }

    void numbers()
    {
        QFETCH(QString, suffix);
        QFETCH(int, layout);
        QFETCH(QString, date);
        QFETCH(QString, track);
        QFETCH(QString, disc);
        QFETCH(QString, genre);
        QFETCH(int, year);
        QFETCH(int, trackNumber);
        QFETCH(QString, genreName);
        const QString file = copyOf(
                suffix, path(QStringLiteral("numbers/%1.%2").arg(QTest::currentDataTag(), suffix)));
        Tags tags;
        tags.title = QStringLiteral("n");
        tags.date = date;
        tags.track = track;
        tags.disc = disc;
        tags.genre = genre;
        QVERIFY(applyTags(file, Layout(layout), tags));
        const MediaRecord r = Library::readMetadata(file);
        QCOMPARE(r.year, year);
        QCOMPARE(r.track, trackNumber);
        QCOMPARE(r.genre, genreName);
    }

    void lyrics_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("lyrics");
        QTest::newRow("mp3 uslt") << "mp3"
                                  << "First line\nSecond line";
        QTest::newRow("flac") << "flac"
                              << "First line\nSecond line";
        QTest::newRow("m4a") << "m4a"
                             << "First line\nSecond line";
        QTest::newRow("none") << "flac"
                              << "";
    }

    void lyrics()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, lyrics);
        const QString file = copyOf(
                suffix, path(QStringLiteral("lyrics/%1.%2").arg(QTest::currentDataTag(), suffix)));
        Tags tags;
        tags.title = QStringLiteral("With words");
        tags.lyrics = lyrics;
        QVERIFY(applyTags(file, suffix == QLatin1String("mp3") ? Mp3V24 : Generic, tags));
        if (suffix == QLatin1String("mp3")) {
            TagLib::MPEG::File mp3(QFile::encodeName(file).constData());
            QVERIFY(!mp3.ID3v2Tag()->frameListMap()["USLT"].isEmpty());
        }
        QCOMPARE(Library::readLyrics(file), lyrics);
        QVERIFY(Library::readLyrics(path(QStringLiteral("lyrics/absent.mp3"))).isEmpty());
    }

    // The async form gives the same record, delivered to a GUI-thread watcher.
    void asyncMetadata()
    {
        const QString file = copyOf(QStringLiteral("flac"), path(QStringLiteral("async/a.flac")));
        QVERIFY(TaggedMedia::writeTags(file, standardTags()));
        QFutureWatcher<MediaRecord> watcher;
        QSignalSpy done(&watcher, &QFutureWatcher<MediaRecord>::finished);
        watcher.setFuture(lib()->readMetadataAsync(file));
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(watcher.result().title, QStringLiteral("Song Title"));
        QCOMPARE(watcher.result().duration, Library::readMetadata(file).duration);
    }

    void walk()
    {
        const QString root = path(QStringLiteral("walk/music"));
        const QString outside = path(QStringLiteral("walk/outside"));
        QVERIFY(makeDirs(root + "/sub") && makeDirs(root + "/.hiddendir") && makeDirs(outside));
        QVERIFY(!copyOf(QStringLiteral("mp3"), root + "/Track.MP3").isEmpty());
        QVERIFY(TaggedMedia::writeMp3Tags(root + "/Track.MP3", standardTags(), Id3::V24));
        QVERIFY(!copyOf(QStringLiteral("flac"), root + "/sub/inner.flac").isEmpty());
        QVERIFY(!copyOf(QStringLiteral("mp3"), outside + "/real.mp3").isEmpty());
        QVERIFY(touch(root + "/README") && touch(root + "/.hidden.mp3"));
        QVERIFY(touch(root + "/.hiddendir/a.mp3"));
        QVERIFY(QFile::link(outside + "/real.mp3", root + "/linked.mp3"));
        QVERIFY(QFile::link(root + "/..", root + "/sub/loop"));
        QVERIFY(QFile::link(outside + "/nowhere.mp3", root + "/dangling.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(root + "/a.mp3").constData(), 0644), 0);
        QVERIFY(QFile::link(root + "/a.mp3", root + "/b.mp3"));
        // Names that are not valid UTF-8, made below Qt's file name layer.
        const QByteArray nativeRoot = QFile::encodeName(root);
        QVERIFY(touch(QFile::decodeName(nativeRoot + "/good.mp3")));
        const int bad = ::open(nativeRoot + "/bad\xff.mp3", O_CREAT | O_WRONLY, 0644);
        QVERIFY(bad >= 0);
        ::close(bad);
        QCOMPARE(::mkdir(nativeRoot + "/dir\xfe", 0755), 0);
        QVERIFY(makeDirs(root + "/sibling"));
        QVERIFY(touch(root + "/sibling/ok.mp3"));

        setFolders({root});
        LogCapture log;
        QCOMPARE(scan(), 5); // Track.MP3, inner.flac, linked.mp3, good.mp3, sibling/ok.mp3
        QCOMPARE(row(root + "/Track.MP3").title, QStringLiteral("Song Title"));
        QCOMPARE(row(root + "/linked.mp3").folder, root);
        QCOMPARE(inLibrary(root + "/sub/inner.flac"), 1);
        QCOMPARE(scalar("SELECT COUNT(*) FROM media WHERE path LIKE ?", {root + "/sub/loop%"})
                         .toInt(),
                 0);
        for (const char *never :
             {"/README", "/.hidden.mp3", "/.hiddendir/a.mp3", "/dangling.mp3", "/a.mp3", "/b.mp3"})
            QCOMPARE(inLibrary(root + never), -1);
        QCOMPARE(log.matching(QStringLiteral("nome de arquivo invalido")).size(), 1);
    }

    void walkLinkedAndDeepFolders()
    {
        // A library folder that is itself a link (a music folder on another disk).
        const QString real = path(QStringLiteral("linked/real"));
        const QString link = path(QStringLiteral("linked/Music"));
        QVERIFY(!copyOf(QStringLiteral("mp3"), real + "/one.mp3").isEmpty());
        QVERIFY(!copyOf(QStringLiteral("mp3"), real + "/two.mp3").isEmpty());
        QVERIFY(QFile::link(real, link));
        setFolders({link});
        QCOMPARE(scan(), 2);
        QCOMPARE(inLibrary(link + "/one.mp3"), 1);
        QVERIFY(QFile::remove(real + "/two.mp3"));
        QCOMPARE(scan(), 1);
        QCOMPARE(inLibrary(link + "/one.mp3"), 1);
        QCOMPARE(inLibrary(link + "/two.mp3"), 0);

        const QString deep = path(QStringLiteral("deep"));
        QVERIFY(makeDirs(deep));
        QVERIFY(deepChain(deep, 300, "bottom.mp3"));
        const QString tooDeep = path(QStringLiteral("toodeep"));
        QVERIFY(makeDirs(tooDeep));
        QVERIFY(deepChain(tooDeep, 2200, "bottom.mp3"));
        setFolders({deep, tooDeep});
        // The 300-level file is found; the one past the path limit is not,
        // and the walk ends.
        QCOMPARE(scan(), 1);
    }

    void settingsKeepOddFolderNames()
    {
        const QString odd = path(QStringLiteral("M\u00fasica, a\u00e7\u00e3o"));
        QVERIFY(makeDirs(odd));
        setFolders({});
        lib()->addFolder(QStringLiteral("audio"), odd + "/");
        QTRY_VERIFY_WITH_TIMEOUT(!lib()->isScanning(), ScanWaitMs);
        QSettings reread(appSettings().fileName(), QSettings::IniFormat);
        QCOMPARE(reread.value(QStringLiteral("library/audio")).toStringList(), QStringList{odd});
        lib()->addFolder(QStringLiteral("audio"), odd);
        QTRY_VERIFY_WITH_TIMEOUT(!lib()->isScanning(), ScanWaitMs);
        QCOMPARE(lib()->folders(QStringLiteral("audio")), QStringList{odd});
    }

    void incremental()
    {
        const QString dir = path(QStringLiteral("inc"));
        const QString a = copyOf(QStringLiteral("mp3"), dir + "/a.mp3");
        const QString b = copyOf(QStringLiteral("flac"), dir + "/b.flac");
        Tags tags = standardTags();
        QVERIFY(TaggedMedia::writeMp3Tags(a, tags, Id3::V24));
        tags.title = QStringLiteral("Title1");
        QVERIFY(TaggedMedia::writeTags(b, tags));
        QVERIFY(setMtime(b, 1600000000));
        setFolders({dir});
        QCOMPARE(scan(), 2);
        db()->countPlay(a);
        db()->countPlay(a);
        db()->setFavorite(a, true);

        // Size change: read again, counts and favourite stay.
        tags.title = QStringLiteral("A much longer title than before");
        QVERIFY(TaggedMedia::writeMp3Tags(a, tags, Id3::V24));
        QCOMPARE(scan(), 2);
        QCOMPARE(row(a).title, tags.title);
        QCOMPARE(row(a).playCount, 2);
        QVERIFY(row(a).favorite);

        // Same size, new time: read again.
        const qint64 size = QFileInfo(b).size();
        tags.title = QStringLiteral("Title2");
        QVERIFY(TaggedMedia::writeTags(b, tags));
        QCOMPARE(QFileInfo(b).size(), size);
        QVERIFY(setMtime(b, 1600000100));
        scan();
        QCOMPARE(row(b).title, QStringLiteral("Title2"));

        // Same size and the old time back: the file is not opened again.
        tags.title = QStringLiteral("Title3");
        QVERIFY(TaggedMedia::writeTags(b, tags));
        QVERIFY(setMtime(b, 1600000100));
        scan();
        QCOMPARE(row(b).title, QStringLiteral("Title2"));
        QCOMPARE(Library::readMetadata(b).title, QStringLiteral("Title3"));
        // Rows from before times were kept (0) are read once more.
        QSqlQuery(QSqlDatabase::database()).exec("UPDATE media SET mtime=0");
        scan();
        QCOMPARE(row(b).title, QStringLiteral("Title3"));

        // A vanished file leaves and comes back with its counts.
        QVERIFY(QFile::rename(a, path("a.mp3.away")));
        QCOMPARE(scan(), 1);
        QCOMPARE(inLibrary(a), 0);
        QVERIFY(QFile::rename(path("a.mp3.away"), a));
        QCOMPARE(scan(), 2);
        QCOMPARE(inLibrary(a), 1);
        QCOMPARE(row(a).playCount, 2);
        QVERIFY(row(a).favorite);

        // An empty folder (a disk not mounted there) hides the rows; the
        // files coming back restore them. A missing folder keeps them.
        QVERIFY(QDir().rename(dir, path("inc.unmounted")));
        QVERIFY(makeDirs(dir));
        QCOMPARE(scan(), 0);
        QCOMPARE(inLibrary(a), 0);
        QVERIFY(QDir(dir).removeRecursively() && QDir().rename(path("inc.unmounted"), dir));
        QCOMPARE(scan(), 2);
        QCOMPARE(inLibrary(b), 1);
        QVERIFY(QDir().rename(dir, path("inc.gone")));
        QCOMPARE(scan(), 0);
        QCOMPARE(inLibrary(a), 1);
        QCOMPARE(inLibrary(b), 1);
        QVERIFY(QDir().rename(path("inc.gone"), dir));
    }

    void foldersAndScans()
    {
        const QString outer = path(QStringLiteral("nest"));
        const QString inner = outer + "/inner";
        const QString top = copyOf(QStringLiteral("mp3"), outer + "/top.mp3");
        const QString deep = copyOf(QStringLiteral("mp3"), inner + "/deep.mp3");
        setFolders({outer, inner});
        // A file reached through two nested folders counts once.
        QCOMPARE(scan(), 2);
        QCOMPARE(scan(), 2); // unchanged files count too

        // Removing the inner folder keeps its rows: the outer one covers them.
        QSignalSpy changed(db(), &Database::libraryChanged);
        lib()->removeFolder(QStringLiteral("audio"), inner);
        QCOMPARE(inLibrary(deep), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!lib()->isScanning(), ScanWaitMs);
        QCOMPARE(inLibrary(deep), 1);
        // Removing the outer one acts at once, before its rescan finishes.
        changed.clear();
        lib()->removeFolder(QStringLiteral("audio"), outer);
        QVERIFY(lib()->isScanning());
        QCOMPARE(inLibrary(top), 0);
        QCOMPARE(inLibrary(deep), 0);
        QVERIFY(changed.count() >= 1);
        QTRY_VERIFY_WITH_TIMEOUT(!lib()->isScanning(), ScanWaitMs);

        // A folder removed while its scan runs stores none of its records.
        const QString fresh = path(QStringLiteral("fresh"));
        const QString freshFile = copyOf(QStringLiteral("flac"), fresh + "/new.flac");
        QSignalSpy started(lib(), &Library::scanStarted);
        lib()->addFolder(QStringLiteral("audio"), fresh);
        QCOMPARE(started.count(), 1);
        lib()->removeFolder(QStringLiteral("audio"), fresh);
        QTRY_VERIFY_WITH_TIMEOUT(!lib()->isScanning(), ScanWaitMs);
        QCOMPARE(started.count(), 2);
        QCOMPARE(inLibrary(freshFile), -1);

        // Requests during a scan collapse into exactly one more.
        setFolders({outer});
        started.clear();
        QSignalSpy finished(lib(), &Library::scanFinished);
        lib()->startScan();
        lib()->startScan();
        lib()->startScan();
        lib()->startScan();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, ScanWaitMs);
        QVERIFY(!lib()->isScanning());
        QCOMPARE(started.count(), 2);
        QCOMPARE(finished.last().at(0).toInt(), 2);
    }

    // A file that crashed the tag reader is skipped at the next scans until
    // it changes; a kill from outside skips nothing.
    void crashJournal()
    {
        const QString dir = path(QStringLiteral("crash"));
        const QString file = copyOf(QStringLiteral("flac"), dir + "/culprit.flac");
        QVERIFY(TaggedMedia::writeTags(file, standardTags()));
        QVERIFY(setMtime(file, 1500000000));
        QProcess child;
        child.start(childProgram(), {QStringLiteral("crash"), dataDir(), file});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        setFolders({dir});
        LogCapture log;
        QCOMPARE(scan(), 1);
        QCOMPARE(log.matching(QStringLiteral("leitor de tags falhou")).size(), 1);
        QCOMPARE(row(file).title, QStringLiteral("culprit"));
        QVERIFY(setMtime(file, 1500000100));
        scan();
        QCOMPARE(row(file).title, QStringLiteral("Song Title"));
    }

    void quitDuringScanStoresNothing()
    {
        // Enough files that the scan is still running when quit comes.
        const QString tree = path(QStringLiteral("many"));
        const QString first = copyOf(QStringLiteral("flac"), tree + "/0/0.flac");
        QVERIFY(TaggedMedia::writeTags(first, standardTags()));
        for (int i = 1; i < 3000; ++i) {
            const QString folder = tree + QStringLiteral("/%1").arg(i / 100);
            QVERIFY(makeDirs(folder));
            QVERIFY(TaggedMedia::copyFile(first, folder + QStringLiteral("/%1.flac").arg(i)));
        }
        const auto runChild = [&](const QString &mode, QByteArray &out) {
            QTemporaryDir home;
            QProcess child;
            child.setProcessEnvironment(TestMedia::isolatedEnvironment(home.path()));
            child.start(childProgram(), {mode, tree});
            const bool ok = child.waitForFinished(120000) && child.exitCode() == 0;
            out = child.readAllStandardOutput();
            return ok;
        };
        QByteArray full;
        QVERIFY(runChild(QStringLiteral("scan"), full));
        QVERIFY2(full.contains("found 3000"), full.left(200).constData());
        QByteArray quit;
        QVERIFY(runChild(QStringLiteral("quit"), quit));
        QVERIFY2(!quit.contains("finished before quit"), quit.constData());
        const int ms = quit.mid(quit.indexOf("quit took ") + 10).split(' ').first().toInt();
        QVERIFY2(ms < 1000, quit.constData());
        QVERIFY2(quit.contains("rows 0\n"), quit.constData());
    }

    // Scans killed at spread moments, some while storing, lose nothing: the
    // file stays sound, every row keeps its counts and favourite, and one
    // more scan gives what a clean scan gives.
    void killedScansLoseNothing()
    {
        const QString tree = path(QStringLiteral("durable"));
        constexpr int Files = 1200;
        auto file = [&](int i) {
            return tree + QStringLiteral("/%1/%2.mp3").arg(i / 100).arg(i);
        };
        for (int i = 0; i < Files; ++i) {
            QVERIFY(!copyOf(QStringLiteral("mp3"), file(i)).isEmpty());
            Tags tags = standardTags();
            tags.title = QStringLiteral("Song %1").arg(i);
            QVERIFY(TaggedMedia::writeMp3Tags(file(i), tags, Id3::V24));
        }
        const auto scanRows = [&](const QString &home, QStringList &rows) {
            QProcess child;
            child.setProcessEnvironment(TestMedia::isolatedEnvironment(home));
            child.start(childProgram(), {QStringLiteral("scan"), tree});
            const bool ok = child.waitForFinished(120000) && child.exitCode() == 0;
            rows = QString::fromUtf8(child.readAllStandardOutput())
                           .split('\n')
                           .filter(QRegularExpression("^row "));
            return ok;
        };
        QTemporaryDir home(path(QStringLiteral("durable-home-XXXXXX")));
        QStringList rows;
        QVERIFY(scanRows(home.path(), rows));
        QCOMPARE(rows.size(), Files);
        const QString childDb = home.path() + "/.qttest/share/library_child/biblioteca.db";
        const QString ownDb = path(QStringLiteral("biblioteca.db"));
        QVERIFY(db()->open(childDb));
        for (int i = 0; i < Files; i += 50) {
            db()->countPlay(file(i));
            db()->setFavorite(file(i), true);
        }
        QVERIFY(db()->open(ownDb));

        for (int trial = 0; trial < 20; ++trial) {
            QProcess child;
            child.setProcessEnvironment(TestMedia::isolatedEnvironment(home.path()));
            child.start(childProgram(), {QStringLiteral("rounds"), tree});
            // Odd trials aim at the store slices, even ones anywhere in a round.
            const QByteArray wanted = trial % 2 ? "storing " + QByteArray::number(trial % 3) + '\n'
                                                : "round " + QByteArray::number(trial % 3) + ' ';
            QByteArray out;
            QElapsedTimer timer;
            timer.start();
            while (!out.contains(wanted) && timer.elapsed() < 60000) {
                child.waitForReadyRead(1000);
                out += child.readAllStandardOutput();
                QVERIFY2(child.state() == QProcess::Running,
                         child.readAllStandardError().constData());
            }
            QVERIFY(out.contains(wanted));
            QThread::usleep(trial % 2 ? (trial * 397) % 3000 : (trial * 7919) % 60000);
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            QVERIFY(db()->open(childDb));
            QCOMPARE(scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
            QCOMPARE(scalar("SELECT COUNT(*) FROM media WHERE in_library=1").toInt(), Files);
            QCOMPARE(scalar("SELECT COUNT(*) FROM media WHERE play_count=1 AND favorite=1").toInt(),
                     Files / 50);
            QVERIFY(db()->open(ownDb));
        }
        QStringList after;
        QVERIFY(scanRows(home.path(), after));
        QTemporaryDir clean(path(QStringLiteral("clean-home-XXXXXX")));
        QStringList fresh;
        QVERIFY(scanRows(clean.path(), fresh));
        QCOMPARE(after, fresh);
    }

    void badInput()
    {
        const QString dir = path(QStringLiteral("bad"));
        QVERIFY(makeDirs(dir));
        auto head = [&](const QString &suffix, int bytes) {
            QFile from(m_templates + "/t." + suffix);
            from.open(QIODevice::ReadOnly);
            return touch(dir + "/truncated." + suffix, from.read(bytes));
        };
        QVERIFY(touch(dir + "/zero.mp3", {}));
        QVERIFY(head("mp3", 200) && head("flac", 100) && head("m4a", 300) && head("ogg", 120));
        QVERIFY(!TestMedia::corruptFile(dir + "/random.flac").isEmpty());
        QVERIFY(!TestMedia::solidVideo(dir + "/video.mp4", 0.5).isEmpty());
        QVERIFY(QFile::rename(dir + "/video.mp4", dir + "/video.mp3"));
        // An ID3v2 header declaring 256 MB in a 1 KB file.
        QVERIFY(touch(dir + "/huge.mp3",
                      QByteArray("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) + QByteArray(1014, 'A')));
        const QString big = copyOf(QStringLiteral("flac"), dir + "/big.flac");
        Tags tags;
        tags.title = QString(3 * 1024 * 1024, QLatin1Char('t'));
        tags.artists = {QStringLiteral("a\u0007b\u001bc")};
        QVERIFY(TaggedMedia::writeTags(big, tags));

        const QStringList files = QDir(dir).entryList(QDir::Files);
        QCOMPARE(files.size(), 9);
        for (const QString &name : files) {
            const MediaRecord r = Library::readMetadata(dir + "/" + name);
            QVERIFY2(!r.title.isEmpty() && cleanTexts(r), qPrintable(name));
        }
        const MediaRecord b = Library::readMetadata(big);
        QCOMPARE(b.title.size(), 1024);
        QCOMPARE(b.artist, QStringLiteral("abc"));
        QCOMPARE(Library::readMetadata(dir + "/huge.mp3").title, QStringLiteral("huge"));
        // A file gone between listing and reading keeps its name.
        QCOMPARE(Library::readMetadata(dir + "/gone.flac").title, QStringLiteral("gone"));
        setFolders({dir});
        QCOMPARE(scan(), 9);
    }

    void firstRunDefault_data()
    {
        QTest::addColumn<QByteArray>("userDirs");
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QString>("video");
        QTest::newRow("named") << QByteArray("XDG_MUSIC_DIR=\"$HOME/M\u00fasicas\"\n"
                                             "XDG_VIDEOS_DIR=\"$HOME/V\u00eddeos\"\n")
                               << "$HOME/M\u00fasicas"
                               << "$HOME/V\u00eddeos";
        QTest::newRow("disabled") << QByteArray("XDG_MUSIC_DIR=\"$HOME/\"\n"
                                                "XDG_VIDEOS_DIR=\"$HOME/\"\n")
                                  << ""
                                  << "";
        QTest::newRow("absent") << QByteArray() << "$HOME/Music"
                                << "$HOME/Videos";
    }

    void firstRunDefault()
    {
        QFETCH(QByteArray, userDirs);
        QFETCH(QString, audio);
        QFETCH(QString, video);
        QTemporaryDir home;
        QVERIFY(makeDirs(home.filePath("config")));
        if (!userDirs.isEmpty())
            QVERIFY(touch(home.filePath("config/user-dirs.dirs"), userDirs));
        QProcess child;
        child.setProcessEnvironment(TestMedia::isolatedEnvironment(home.path()));
        child.start(childProgram(), {QStringLiteral("folders")});
        QVERIFY(child.waitForFinished(30000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        audio.replace("$HOME", home.path());
        video.replace("$HOME", home.path());
        QCOMPARE(out, QStringLiteral("audio=%1\nvideo=%2\n").arg(audio, video));
    }

    // Permission bits stop nothing for root: this runs the scan as nobody.
    void unreadableFilesAndFolders()
    {
        if (::getuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("needs root and setpriv to run a scan as another user");
        QTemporaryDir base(QStringLiteral("/tmp/zorvi-perm-XXXXXX"));
        QVERIFY(base.isValid());
        ::chmod(QFile::encodeName(base.path()).constData(), 0777);
        const QString tree = base.path() + "/tree";
        const QString locked = base.path() + "/locked";
        for (const QString &f :
             {tree + "/open.mp3", tree + "/closed.mp3", tree + "/shut/inside.mp3",
              tree + "/next/sibling.mp3", locked + "/kept.mp3"})
            QVERIFY(!copyOf(QStringLiteral("mp3"), f).isEmpty());
        QProcess::execute("chmod", {"-R", "a+rwX", base.path()});
        QTemporaryDir home(base.path() + "/home-XXXXXX");
        ::chmod(QFile::encodeName(home.path()).constData(), 0777);
        const auto runAsNobody = [&](QString &out) {
            QProcess child;
            child.setProcessEnvironment(TestMedia::isolatedEnvironment(home.path()));
            child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                    childProgram(), "scan", tree, locked});
            const bool ok = child.waitForFinished(60000) && child.exitCode() == 0;
            out = QString::fromUtf8(child.readAllStandardOutput());
            return ok;
        };
        QString first;
        QVERIFY2(runAsNobody(first), qPrintable(first));
        QVERIFY(first.contains("found 5"));
        ::chmod(QFile::encodeName(tree + "/closed.mp3").constData(), 0600);
        ::chmod(QFile::encodeName(tree + "/shut").constData(), 0700);
        ::chmod(QFile::encodeName(locked).constData(), 0700);
        QString out;
        QVERIFY2(runAsNobody(out), qPrintable(out));
        QVERIFY2(out.startsWith("uid 65534\n"), qPrintable(out));
        QVERIFY2(out.contains("found 2\n"), qPrintable(out));
        QVERIFY(out.contains("row 1 " + tree + "/open.mp3\t"));
        QVERIFY(out.contains("row 1 " + tree + "/next/sibling.mp3\t"));
        QVERIFY(out.contains("row 0 " + tree + "/closed.mp3\t"));
        QVERIFY(out.contains("row 0 " + tree + "/shut/inside.mp3\t"));
        // The folder it could not open at all keeps its rows.
        QVERIFY(out.contains("row 1 " + locked + "/kept.mp3\t"));
    }

    void oldDatabaseGetsTimeColumn()
    {
        const QString file = path(QStringLiteral("old.db"));
        {
            QSqlDatabase old = QSqlDatabase::addDatabase("QSQLITE", "old");
            old.setDatabaseName(file);
            QVERIFY(old.open());
            QSqlQuery q(old);
            QVERIFY(q.exec("CREATE TABLE media (path TEXT PRIMARY KEY, kind TEXT, title TEXT, "
                           "artist TEXT, album TEXT, album_artist TEXT, genre TEXT, year INTEGER, "
                           "track INTEGER, duration REAL, folder TEXT, size INTEGER, added_at "
                           "INTEGER, play_count INTEGER DEFAULT 0, last_played INTEGER DEFAULT 0, "
                           "favorite INTEGER DEFAULT 0, in_library INTEGER DEFAULT 1)"));
            QVERIFY(q.exec("INSERT INTO media (path, kind, size) VALUES ('/m/a.mp3','audio',5)"));
        }
        QSqlDatabase::removeDatabase("old");
        const QString current = path(QStringLiteral("biblioteca.db"));
        for (int i = 0; i < 2; ++i)
            QVERIFY(db()->open(file));
        QCOMPARE(scalar("SELECT COUNT(*) FROM pragma_table_info('media') WHERE name='mtime'")
                         .toInt(),
                 1);
        const QList<LibraryFile> files = db()->libraryFiles();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.first().mtimeMs, 0);
        QCOMPARE(files.first().size, 5);
        QVERIFY(db()->open(current));
    }
};

QTEST_GUILESS_MAIN(tst_Library)
#include "tst_library.moc"
