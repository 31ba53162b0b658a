#include "app/AppSettings.h"
#include "library/Database.h"
#include "library/MediaFiles.h"
#include "platform/FileSystemCalls.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

// Collects every message logged while it exists.
class LogCapture
{
public:
    LogCapture()
    {
        s_lines = &m_lines;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    const QStringList &lines() const { return m_lines; }
    int count(const QString &start) const
    {
        int n = 0;
        for (const QString &line : m_lines)
            n += line.startsWith(start) ? 1 : 0;
        return n;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        if (s_lines)
            s_lines->append(message);
    }
    static inline QStringList *s_lines = nullptr;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

QVariant scalar(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query(QSqlDatabase::database());
    if (!query.prepare(sql))
        return QStringLiteral("prepare failed: ") + sql;
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec() || !query.next())
        return {};
    return query.value(0);
}

bool run(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database());
    return query.exec(sql);
}

int inLibrary(const QString &path)
{
    const QVariant v = scalar(QStringLiteral("SELECT in_library FROM media WHERE path=?"), {path});
    return v.isValid() ? v.toInt() : -1;
}

MediaRecord scanned(const QString &path, const QString &title = {}, double duration = 0)
{
    MediaRecord r;
    r.path = path;
    r.kind = isVideoFile(path) ? QStringLiteral("video") : QStringLiteral("audio");
    r.title = title;
    r.duration = duration;
    r.folder = path.section(QLatin1Char('/'), 0, -2);
    r.size = 1000;
    return r;
}

HistoryEntry entry(const QString &path, const QString &kind, double position, double duration,
                   qint64 lastPlayed)
{
    HistoryEntry e;
    e.path = path;
    e.kind = kind;
    e.title = QStringLiteral("title of ") + path;
    e.position = position;
    e.duration = duration;
    e.lastPlayed = lastPlayed;
    return e;
}

StationRecord station(const QString &name, const QString &url, const QString &group = {},
                      bool favorite = false)
{
    StationRecord s;
    s.name = name;
    s.url = url;
    s.grp = group;
    s.favorite = favorite;
    s.tags = QStringLiteral("news");
    s.logo = QStringLiteral("http://logo.example/") + name + QStringLiteral(".png");
    return s;
}

QStringList urls(const QList<StationRecord> &list)
{
    QStringList out;
    for (const StationRecord &s : list)
        out << s.url;
    return out;
}

} // namespace

class tst_Database final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Database *db() const { return Database::instance(); }
    QString file() const { return m_dir->filePath(QStringLiteral("biblioteca.db")); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        appSettings().remove(QStringLiteral("privacy/history"));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(db()->open(file()));
    }

    void cleanup() { appSettings().remove(QStringLiteral("privacy/history")); }

    void openCreatesSchemaInWalModeAndKeepsData()
    {
        QCOMPARE(scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
        // NORMAL is 1.
        QCOMPARE(scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1);
        for (const char *table : {"media", "history", "playlists", "playlist_items", "stations"})
            QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE "
                                           "type='table' AND name=?"),
                            {QString::fromLatin1(table)})
                             .toInt(),
                     1);
        db()->recordHistory(entry("/m/a.mkv", "video", 5, 60, 100));
        const qint64 list = db()->createPlaylist("Mix");
        QVERIFY(db()->setPlaylistItems(list, {"/m/a.mkv"}));

        // Reopening the same file runs the statements again without harm.
        QVERIFY(db()->open(file()));
        QCOMPARE(db()->history({}, 10).size(), 1);
        QCOMPARE(db()->playlistItems(list), QStringList{"/m/a.mkv"});

        // The no-argument form uses the data folder.
        const QString standard = dataDir() + "/biblioteca.db";
        QFile::remove(standard);
        QVERIFY(db()->open());
        QVERIFY(QFileInfo(standard).isFile());
        QVERIFY(db()->history({}, 10).isEmpty());
        QVERIFY(db()->open(file()));
        QSqlDatabase::database().close();
        QFile::remove(standard);
        QFile::remove(standard + "-wal");
        QFile::remove(standard + "-shm");
    }

    void recordsAndHelpers()
    {
        MediaRecord r;
        r.path = "/music/x/My.Song.mp3";
        QCOMPARE(r.displayTitle(), QStringLiteral("My.Song"));
        QCOMPARE(r.displayArtist(), QStringLiteral("Artista desconhecido"));
        uiEnglish = true;
        QCOMPARE(r.displayArtist(), QStringLiteral("Unknown artist"));
        uiEnglish = false;
        r.title = "Real title";
        r.artist = "Someone";
        QCOMPARE(r.displayTitle(), QStringLiteral("Real title"));
        QCOMPARE(r.displayArtist(), QStringLiteral("Someone"));

        QCOMPARE(fileSuffixLower("/a/Track.MP3"), QStringLiteral("mp3"));
        QCOMPARE(fileSuffixLower("/a/README"), QString());
        // The last dot of the whole text counts, even in a folder name.
        QCOMPARE(fileSuffixLower("/a/dir.d/README"), QStringLiteral("d/readme"));
        QVERIFY(isVideoFile("C:\\Videos\\Clip.MKV"));
        QVERIFY(isVideoFile("/v/a.y4m"));
        QVERIFY(!isVideoFile("/v/a.mp3"));
        QVERIFY(!isVideoFile("/v/a.mkv.part"));
        QVERIFY(!isVideoFile("/v/mkv"));
        QCOMPARE(videoExtensions().size(), 22);
        QCOMPARE(audioExtensions().size(), 21);
        for (const QString &suffix : videoExtensions())
            QVERIFY2(!audioExtensions().contains(suffix), qPrintable(suffix));
    }

    void isUnderFolderCases_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("under");
        // Rows that match only when letter case is ignored hold on file
        // systems that ignore it, and never on Linux.
        const bool foldsCase = FileSystemCalls::pathCaseSensitivity() == Qt::CaseInsensitive;
        QTest::newRow("windows case and separators") << "C:/Music/a.mp3"
                                                     << "c:\\music\\" << foldsCase;
        QTest::newRow("separators") << "C:/Music/a.mp3"
                                    << "C:\\Music\\" << true;
        QTest::newRow("prefix of a longer name") << "C:/Musicals/a.mp3"
                                                 << "C:/Music" << false;
        QTest::newRow("prefix with slash") << "/home/u/Music2/a.mp3"
                                           << "/home/u/Music/" << false;
        QTest::newRow("deep below") << "/home/u/Music/a/b/c.flac"
                                    << "/home/u/Music" << true;
        QTest::newRow("deep below other case") << "/home/u/Music/a/b/c.flac"
                                               << "/home/u/music" << foldsCase;
        QTest::newRow("sibling differing in case") << "/data/music/a.mp3"
                                                   << "/data/Music" << foldsCase;
        QTest::newRow("folder itself") << "/home/u/Music"
                                       << "/home/u/Music/" << true;
        QTest::newRow("folder itself other case") << "/home/u/Music"
                                                  << "/HOME/u/music/" << foldsCase;
        QTest::newRow("unclean path") << "/home/u/x/../Music//a.mp3"
                                      << "/home/u/Music" << true;
        QTest::newRow("dot folder") << "./a.mp3"
                                    << "." << false;
        QTest::newRow("dot slash folder") << "a.mp3"
                                          << "./" << false;
        QTest::newRow("empty folder") << "/a.mp3"
                                      << "" << false;
        QTest::newRow("root") << "/a.mp3"
                              << "/" << true;
        QTest::newRow("other drive") << "D:/Music/a.mp3"
                                     << "C:/Music" << false;
    }

    void isUnderFolderCases()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(bool, under);
        QCOMPARE(isUnderFolder(path, folder), under);
    }

    // Taking the files of one folder out of the library leaves a sibling
    // whose name differs only in case, where the file system tells them apart.
    void markMissingFollowsCaseRule()
    {
        QVERIFY(db()->storeScanned({scanned("/data/Music/a.mp3"), scanned("/data/music/b.mp3")}));
        QVERIFY(db()->markMissing("audio", {"/data/Music"}, {}));
        QCOMPARE(inLibrary("/data/Music/a.mp3"), 0);
        const bool foldsCase = FileSystemCalls::pathCaseSensitivity() == Qt::CaseInsensitive;
        QCOMPARE(inLibrary("/data/music/b.mp3"), foldsCase ? 0 : 1);
    }

    void historyKeepsKnownDuration()
    {
        QSignalSpy changed(db(), &Database::historyChanged);
        db()->recordHistory(entry("/v/a.mkv", "video", 10, 600, 1000));
        HistoryEntry later = entry("/v/a.mkv", "audio", 42.5, 0, 0);
        later.title = "second";
        later.finished = true;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        db()->recordHistory(later);
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(changed.count(), 2);

        const std::optional<HistoryEntry> e = db()->historyEntry("/v/a.mkv");
        QVERIFY(e.has_value());
        QCOMPARE(e->duration, 600.0);
        QCOMPARE(e->position, 42.5);
        QCOMPARE(e->title, QStringLiteral("second"));
        QCOMPARE(e->kind, QStringLiteral("audio"));
        QVERIFY(e->finished);
        QVERIFY(e->lastPlayed >= before && e->lastPlayed <= after);

        // A known new duration does replace the old one.
        db()->recordHistory(entry("/v/a.mkv", "video", 1, 300, 5));
        QCOMPARE(db()->historyEntry("/v/a.mkv")->duration, 300.0);
        QCOMPARE(db()->historyEntry("/v/a.mkv")->lastPlayed, 5);
        QVERIFY(!db()->historyEntry("/v/a.mkv")->finished);
        QVERIFY(!db()->historyEntry("/v/unknown.mkv").has_value());
    }

    void historyLimitsAndKinds()
    {
        for (int i = 0; i < 30; ++i)
            db()->recordHistory(entry(QStringLiteral("/m/%1").arg(i), i % 3 ? "audio" : "video", i,
                                      100, 1000 + (i * 7) % 30));
        const QList<HistoryEntry> all = db()->history({}, 20);
        QCOMPARE(all.size(), 20);
        QCOMPARE(all.first().lastPlayed, 1029);
        bool sawVideo = false;
        bool sawAudio = false;
        for (int i = 0; i < all.size(); ++i) {
            if (i > 0)
                QVERIFY(all[i - 1].lastPlayed > all[i].lastPlayed);
            sawVideo |= all[i].kind == "video";
            sawAudio |= all[i].kind == "audio";
        }
        QVERIFY(sawVideo && sawAudio);

        const QList<HistoryEntry> videos = db()->history("video", 20);
        QCOMPARE(videos.size(), 10);
        for (int i = 0; i < videos.size(); ++i) {
            QCOMPARE(videos[i].kind, QStringLiteral("video"));
            if (i > 0)
                QVERIFY(videos[i - 1].lastPlayed > videos[i].lastPlayed);
        }
        QCOMPARE(db()->history("video", 3).size(), 3);
        QVERIFY(db()->history("stream", 20).isEmpty());

        QSignalSpy changed(db(), &Database::historyChanged);
        db()->removeHistory("/m/0");
        QVERIFY(!db()->historyEntry("/m/0"));
        QCOMPARE(db()->history("video", 50).size(), 9);
        db()->clearHistory("audio");
        QVERIFY(db()->history("audio", 50).isEmpty());
        QCOMPARE(db()->history({}, 50).size(), 9);
        db()->clearHistory({});
        QVERIFY(db()->history({}, 50).isEmpty());
        QCOMPARE(changed.count(), 3);
    }

    void historyOffWritesNothing()
    {
        db()->recordHistory(entry("/m/kept.mp3", "audio", 1, 10, 50));
        appSettings().setValue("privacy/history", false);
        QSignalSpy changed(db(), &Database::historyChanged);
        db()->recordHistory(entry("/m/new.mp3", "audio", 1, 10, 60));
        db()->recordHistory(entry("/m/kept.mp3", "audio", 9, 10, 70));
        QCOMPARE(changed.count(), 0);
        QVERIFY(!db()->historyEntry("/m/new.mp3"));
        QCOMPARE(db()->historyEntry("/m/kept.mp3")->position, 1.0);
        // Reading and removing still work.
        QCOMPARE(db()->history({}, 10).size(), 1);
        db()->removeHistory("/m/kept.mp3");
        QCOMPARE(changed.count(), 1);
        QVERIFY(db()->history({}, 10).isEmpty());
    }

    void favoriteOfUnplayedFile()
    {
        QSignalSpy favs(db(), &Database::favoritesChanged);
        QSignalSpy library(db(), &Database::libraryChanged);
        db()->setFavorite("/elsewhere/Band - Song.v2.flac", true);
        db()->setFavorite("/elsewhere/Clip.MKV", true);
        db()->setFavorite("http://radio.example/live", true);
        db()->setFavorite("file:///elsewhere/local.mp3", true);
        QCOMPARE(favs.count(), 4);
        QCOMPARE(library.count(), 0);

        const std::optional<MediaRecord> song = db()->mediaByPath("/elsewhere/Band - Song.v2.flac");
        QVERIFY(song);
        QCOMPARE(song->kind, QStringLiteral("audio"));
        QCOMPARE(song->title, QStringLiteral("Band - Song.v2"));
        QCOMPARE(song->folder, QStringLiteral("/elsewhere"));
        QVERIFY(song->favorite);
        QVERIFY(song->addedAt > 0);
        QCOMPARE(inLibrary(song->path), 0);
        QCOMPARE(db()->mediaByPath("/elsewhere/Clip.MKV")->kind, QStringLiteral("video"));
        const std::optional<MediaRecord> stream = db()->mediaByPath("http://radio.example/live");
        QCOMPARE(stream->kind, QStringLiteral("stream"));
        QCOMPARE(stream->folder, QStringLiteral(""));
        // A file URL is a local file, not a stream.
        QCOMPARE(db()->mediaByPath("file:///elsewhere/local.mp3")->kind, QStringLiteral("audio"));

        QVERIFY(db()->libraryMedia("audio").isEmpty());
        QVERIFY(db()->libraryMedia("video").isEmpty());
        QVERIFY(db()->recentlyAdded(10).isEmpty());
        QCOMPARE(db()->favorites().size(), 4);
        QVERIFY(db()->isFavorite("/elsewhere/Clip.MKV"));
        QVERIFY(!db()->isFavorite("/nowhere.mp3"));

        db()->setFavorite("/elsewhere/Clip.MKV", false);
        QVERIFY(!db()->isFavorite("/elsewhere/Clip.MKV"));
        QCOMPARE(db()->favorites().size(), 3);
        QVERIFY(db()->mediaByPath("/elsewhere/Clip.MKV"));
        // ensureMedia never overwrites an existing row.
        db()->ensureMedia("/elsewhere/Clip.MKV", "audio", "other");
        QCOMPARE(db()->mediaByPath("/elsewhere/Clip.MKV")->title, QStringLiteral("Clip"));
    }

    void countPlayAndDurations()
    {
        db()->countPlay("/never/seen.mp3");
        QVERIFY(!db()->mediaByPath("/never/seen.mp3"));
        QVERIFY(db()->mostPlayed(10).isEmpty());

        db()->ensureMedia("/a/one.mp3", "audio", "one");
        db()->ensureMedia("/a/two.mp3", "audio", "two");
        db()->ensureMedia("/a/three.mp3", "audio", "three");
        db()->countPlay("/a/two.mp3");
        db()->countPlay("/a/two.mp3");
        db()->countPlay("/a/one.mp3");
        const QList<MediaRecord> top = db()->mostPlayed(10);
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0].path, QStringLiteral("/a/two.mp3"));
        QCOMPARE(top[0].playCount, 2);
        QVERIFY(top[0].lastPlayed >= QDateTime::currentSecsSinceEpoch() - 5);
        QCOMPARE(db()->mostPlayed(1).size(), 1);

        // Ties on play count go to the most recently played.
        run("UPDATE media SET last_played=10 WHERE path='/a/two.mp3'");
        db()->countPlay("/a/one.mp3");
        QCOMPARE(db()->mostPlayed(10)[0].path, QStringLiteral("/a/one.mp3"));

        db()->setDurationIfUnknown("/a/one.mp3", 120.5);
        QCOMPARE(db()->mediaByPath("/a/one.mp3")->duration, 120.5);
        db()->setDurationIfUnknown("/a/one.mp3", 99);
        QCOMPARE(db()->mediaByPath("/a/one.mp3")->duration, 120.5);
    }

    void scanTakesPlayedFileIntoLibrary()
    {
        const QString path = "/lib/music/song.mp3";
        db()->setFavorite(path, true);
        db()->ensureMedia(path, "audio", "ignored");
        db()->countPlay(path);
        db()->countPlay(path);
        run("UPDATE media SET added_at=111 WHERE path='/lib/music/song.mp3'");
        QCOMPARE(inLibrary(path), 0);

        QSignalSpy library(db(), &Database::libraryChanged);
        MediaRecord tagged = scanned(path, "Tagged", 200);
        tagged.artist = "Artist";
        tagged.albumArtist = "Various";
        tagged.year = 1999;
        tagged.track = 4;
        tagged.size = 4242;
        QVERIFY(db()->storeScanned({tagged, scanned("/lib/music/new.mp3")}));
        QCOMPARE(library.count(), 1);
        QCOMPARE(inLibrary(path), 1);
        std::optional<MediaRecord> r = db()->mediaByPath(path);
        QCOMPARE(r->playCount, 2);
        QVERIFY(r->favorite);
        QCOMPARE(r->addedAt, 111);
        QCOMPARE(r->title, QStringLiteral("Tagged"));
        QCOMPARE(r->albumArtist, QStringLiteral("Various"));
        QCOMPARE(r->year, 1999);
        QCOMPARE(r->track, 4);
        QCOMPARE(r->size, 4242);
        QCOMPARE(db()->libraryMedia("audio").size(), 2);
        QVERIFY(db()->mediaByPath("/lib/music/new.mp3")->addedAt > 111);
        QCOMPARE(db()->recentlyAdded(1).first().path, QStringLiteral("/lib/music/new.mp3"));

        // A rescan without a duration keeps the known one; tags are replaced.
        tagged.duration = 0;
        tagged.title = "Retagged";
        tagged.addedAt = 5;
        QVERIFY(db()->storeScanned({tagged}));
        r = db()->mediaByPath(path);
        QCOMPARE(r->duration, 200.0);
        QCOMPARE(r->title, QStringLiteral("Retagged"));
        QCOMPARE(r->addedAt, 111);
        QCOMPARE(library.count(), 2);

        QVERIFY(db()->storeScanned({}));
        QCOMPARE(library.count(), 2);
    }

    void markMissingByFolders()
    {
        QList<MediaRecord> records;
        for (const char *p :
             {"/lib/a/1.mp3", "/lib/a/sub/2.mp3", "/lib/b/3.mp3", "/lib/ab/4.mp3", "/lib/a/v.mkv"})
            records << scanned(p);
        QVERIFY(db()->storeScanned(records));
        db()->setFavorite("/lib/a/sub/2.mp3", true);
        db()->countPlay("/lib/a/sub/2.mp3");
        QSignalSpy library(db(), &Database::libraryChanged);

        // Nothing missing: no transaction, no signal.
        QVERIFY(db()->markMissing("audio", {"/lib/a"}, {"/lib/a/1.mp3", "/lib/a/sub/2.mp3"}));
        QCOMPARE(library.count(), 0);

        // Only files under a listed folder can go missing; /lib/ab is not under /lib/a.
        QVERIFY(db()->markMissing("audio", {"/lib/a/", "/lib/elsewhere"}, {"/lib/a/1.mp3"}));
        QCOMPARE(library.count(), 1);
        QCOMPARE(inLibrary("/lib/a/1.mp3"), 1);
        QCOMPARE(inLibrary("/lib/a/sub/2.mp3"), 0);
        QCOMPARE(inLibrary("/lib/b/3.mp3"), 1);
        QCOMPARE(inLibrary("/lib/ab/4.mp3"), 1);
        QCOMPARE(inLibrary("/lib/a/v.mkv"), 1);
        // The row stays with its play count and favourite flag.
        QCOMPARE(db()->mediaByPath("/lib/a/sub/2.mp3")->playCount, 1);
        QVERIFY(db()->isFavorite("/lib/a/sub/2.mp3"));
        QCOMPARE(db()->favorites().size(), 1);

        // Unrelated folders only: every row stays.
        QVERIFY(db()->markMissing("audio", {"/other", "/lib/c"}, {}));
        QCOMPARE(db()->libraryMedia("audio").size(), 3);
        QCOMPARE(library.count(), 1);

        // No folders left at all: every library row of the kind leaves.
        QVERIFY(db()->markMissing("audio", {}, {}));
        QVERIFY(db()->libraryMedia("audio").isEmpty());
        QCOMPARE(db()->libraryMedia("video").size(), 1);
        QCOMPARE(library.count(), 2);

        // A later scan brings a file back.
        QVERIFY(db()->storeScanned({scanned("/lib/a/sub/2.mp3")}));
        QCOMPARE(inLibrary("/lib/a/sub/2.mp3"), 1);
        QCOMPARE(db()->mediaByPath("/lib/a/sub/2.mp3")->playCount, 1);
    }

    void playlists()
    {
        QSignalSpy changed(db(), &Database::playlistsChanged);
        const qint64 abd = db()->createPlaylist("Abd");
        const qint64 abc = db()->createPlaylist("abc");
        const qint64 b = db()->createPlaylist("B");
        QVERIFY(abd > 0 && abc > 0 && b > 0);
        QVERIFY(abd != abc && abc != b);
        QCOMPARE(changed.count(), 3);

        QVERIFY(db()->setPlaylistItems(abd, {"/x/1.mp3", "/x/2.mp3"}));
        QVERIFY(db()->appendToPlaylist(abd, {"/x/3.mp3", "/x/1.mp3"}));
        QCOMPARE(db()->playlistItems(abd),
                 QStringList({"/x/1.mp3", "/x/2.mp3", "/x/3.mp3", "/x/1.mp3"}));
        QVERIFY(db()->setPlaylistItems(abc, {"/y.mp3"}));
        QCOMPARE(changed.count(), 6);

        QList<PlaylistInfo> list = db()->playlists();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list[0].name, QStringLiteral("abc"));
        QCOMPARE(list[1].name, QStringLiteral("Abd"));
        QCOMPARE(list[2].name, QStringLiteral("B"));
        QCOMPARE(list[0].count, 1);
        QCOMPARE(list[1].count, 4);
        QCOMPARE(list[2].count, 0);

        db()->renamePlaylist(b, "aaa");
        QCOMPARE(db()->playlists().first().id, b);
        QVERIFY(db()->setPlaylistItems(abd, {"/z.mp3"}));
        QCOMPARE(db()->playlistItems(abd), QStringList{"/z.mp3"});

        QVERIFY(db()->deletePlaylist(abd));
        QCOMPARE(db()->playlists().size(), 2);
        QCOMPARE(scalar("SELECT COUNT(*) FROM playlist_items WHERE playlist_id=?", {abd}).toInt(),
                 0);
        QCOMPARE(db()->playlistItems(abc), QStringList{"/y.mp3"});
        QCOMPARE(changed.count(), 9);
    }

    void stations()
    {
        QSignalSpy changed(db(), &Database::stationsChanged);
        const qint64 jazz = db()->saveStation(station("jazz FM", "http://jazz.example/s"));
        QVERIFY(jazz > 0);
        QVERIFY(db()->saveStation(station("Alpha", "http://alpha.example/s", "radio")) > jazz);
        QCOMPARE(changed.count(), 2);
        QVERIFY(db()->isRadioSaved("http://jazz.example/s"));
        QVERIFY(!db()->isRadioSaved("http://other.example/s"));
        QList<StationRecord> radios = db()->stations("radio");
        QCOMPARE(radios.size(), 2);
        QCOMPARE(radios[0].grp, QStringLiteral("radio"));
        QCOMPARE(radios[0].logo, QStringLiteral("http://logo.example/jazz FM.png"));

        StationRecord edited = radios[0];
        edited.name = "Jazz Edited";
        edited.favorite = true;
        edited.grp.clear();
        QCOMPARE(db()->saveStation(edited), jazz);
        QCOMPARE(db()->stations("radio").size(), 2);
        QVERIFY(db()->stations("radio")[0].favorite);
        QCOMPARE(db()->stations("radio")[0].grp, QStringLiteral("radio"));

        // Importing a list.
        QVERIFY(db()->replaceStationGroup(
                "TV", {station("c1", "u1"), station("c2", "u2"), station("c3", "u3")}));
        QVERIFY(db()->replaceStationGroup("News", {station("n1", "n1")}));
        QCOMPARE(db()->stationGroups(), QStringList({"News", "TV"}));
        QList<StationRecord> tv = db()->stations("TV");
        QCOMPARE(urls(tv), QStringList({"u1", "u2", "u3"}));
        db()->setStationFavorite(tv[1].id, true);
        QVERIFY(!db()->isRadioSaved("u1"));

        // Re-import: favourites follow the url, ids are new in list order.
        QVERIFY(db()->replaceStationGroup(
                "TV", {station("c3", "u3"), station("new", "u4", {}, true), station("c2b", "u2")}));
        tv = db()->stations("TV");
        QCOMPARE(urls(tv), QStringList({"u3", "u4", "u2"}));
        QVERIFY(!tv[0].favorite);
        QVERIFY(tv[1].favorite);
        QVERIFY(tv[2].favorite);
        QCOMPARE(tv[2].name, QStringLiteral("c2b"));
        QCOMPARE(tv[2].grp, QStringLiteral("TV"));
        QVERIFY(tv[0].id < tv[1].id && tv[1].id < tv[2].id);

        // Refused imports change nothing.
        const int before = changed.count();
        QVERIFY(!db()->replaceStationGroup("radio", {station("x", "x")}));
        QVERIFY(!db()->replaceStationGroup("TV", {}));
        QVERIFY(!db()->replaceStationGroup({}, {station("x", "x")}));
        QCOMPARE(changed.count(), before);
        QCOMPARE(db()->stations("radio").size(), 2);
        QCOMPARE(urls(db()->stations("TV")), QStringList({"u3", "u4", "u2"}));

        // All stations by name regardless of case.
        QStringList names;
        for (const StationRecord &s : db()->stations({}))
            names << s.name;
        QCOMPARE(names, QStringList({"Alpha", "c2b", "c3", "Jazz Edited", "n1", "new"}));

        db()->removeStationGroup("TV");
        QCOMPARE(db()->stationGroups(), QStringList{"News"});
        db()->removeStation(jazz);
        QCOMPARE(db()->stations("radio").size(), 1);
        QVERIFY(!db()->isRadioSaved("http://jazz.example/s"));
    }

    // A trigger makes one step of each transaction fail; nothing of that
    // transaction may remain and no change signal may fire.
    void failedTransactionsRollBack()
    {
        QVERIFY(db()->storeScanned({scanned("/lib/old.mp3", "old title")}));
        const qint64 list = db()->createPlaylist("P");
        QVERIFY(db()->setPlaylistItems(list, {"/p/1.mp3", "/p/2.mp3"}));
        QVERIFY(db()->replaceStationGroup("TV", {station("a", "ua"), station("b", "ub")}));
        const QList<StationRecord> tvBefore = db()->stations("TV");

        QSignalSpy library(db(), &Database::libraryChanged);
        QSignalSpy playlists(db(), &Database::playlistsChanged);
        QSignalSpy stations(db(), &Database::stationsChanged);
        LogCapture log;

        QVERIFY(run("CREATE TEMP TRIGGER fail_media BEFORE INSERT ON media WHEN "
                    "NEW.path='/lib/bad.mp3' BEGIN SELECT RAISE(ABORT, 'boom media'); END"));
        QVERIFY(!db()->storeScanned({scanned("/lib/new1.mp3"), scanned("/lib/old.mp3", "changed"),
                                     scanned("/lib/bad.mp3"), scanned("/lib/new2.mp3")}));
        QVERIFY(!db()->mediaByPath("/lib/new1.mp3"));
        QVERIFY(!db()->mediaByPath("/lib/new2.mp3"));
        QCOMPARE(db()->mediaByPath("/lib/old.mp3")->title, QStringLiteral("old title"));
        QCOMPARE(log.count("SQL: boom media"), 1);

        QVERIFY(db()->storeScanned(
                {scanned("/lib/x/1.mp3"), scanned("/lib/x/2.mp3"), scanned("/lib/x/3.mp3")}));
        QCOMPARE(library.count(), 1);
        QVERIFY(run("CREATE TEMP TRIGGER fail_missing BEFORE UPDATE ON media WHEN "
                    "OLD.path='/lib/x/3.mp3' BEGIN SELECT RAISE(ABORT, 'boom missing'); END"));
        QVERIFY(!db()->markMissing("audio", {"/lib/x"}, {}));
        QCOMPARE(inLibrary("/lib/x/1.mp3"), 1);
        QCOMPARE(inLibrary("/lib/x/2.mp3"), 1);
        QCOMPARE(log.count("SQL: boom missing"), 1);

        QVERIFY(run("CREATE TEMP TRIGGER fail_items BEFORE INSERT ON playlist_items WHEN "
                    "NEW.idx=1 BEGIN SELECT RAISE(ABORT, 'boom items'); END"));
        QVERIFY(!db()->setPlaylistItems(list, {"/q/1.mp3", "/q/2.mp3", "/q/3.mp3"}));
        QVERIFY(!db()->appendToPlaylist(list, {"/q/1.mp3"}));
        QCOMPARE(db()->playlistItems(list), QStringList({"/p/1.mp3", "/p/2.mp3"}));

        QVERIFY(run("CREATE TEMP TRIGGER fail_delete BEFORE DELETE ON playlists "
                    "BEGIN SELECT RAISE(ABORT, 'boom delete'); END"));
        QVERIFY(!db()->deletePlaylist(list));
        QCOMPARE(db()->playlists().size(), 1);
        QCOMPARE(db()->playlistItems(list), QStringList({"/p/1.mp3", "/p/2.mp3"}));
        QCOMPARE(log.count("SQL: boom delete"), 1);

        QVERIFY(run("CREATE TEMP TRIGGER fail_station BEFORE INSERT ON stations WHEN "
                    "NEW.url='bad' BEGIN SELECT RAISE(ABORT, 'boom station'); END"));
        QVERIFY(!db()->replaceStationGroup("TV", {station("c", "uc"), station("bad", "bad")}));
        const QList<StationRecord> tvAfter = db()->stations("TV");
        QCOMPARE(urls(tvAfter), urls(tvBefore));
        QCOMPARE(tvAfter[0].id, tvBefore[0].id);

        QCOMPARE(library.count(), 1);
        QCOMPARE(playlists.count(), 0);
        QCOMPARE(stations.count(), 0);
        // The connection is usable afterwards: no transaction was left open.
        QVERIFY(db()->storeScanned({scanned("/lib/after.mp3")}));
        QVERIFY(db()->mediaByPath("/lib/after.mp3"));
    }

    void unopenableFileFailsQuietly()
    {
        // The parent of the file is a regular file, which stops root as well.
        const QString blocker = m_dir->filePath("not-a-folder");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        LogCapture log;
        QVERIFY(!db()->open(blocker + "/biblioteca.db"));
        QCOMPARE(log.count("banco nao abriu"), 1);

        QSignalSpy history(db(), &Database::historyChanged);
        QSignalSpy playlists(db(), &Database::playlistsChanged);
        QSignalSpy stations(db(), &Database::stationsChanged);
        QSignalSpy library(db(), &Database::libraryChanged);
        db()->recordHistory(entry("/a.mp3", "audio", 1, 2, 3));
        QCOMPARE(history.count(), 1);
        QVERIFY(db()->history({}, 20).isEmpty());
        QVERIFY(!db()->historyEntry("/a.mp3"));
        db()->setFavorite("/a.mp3", true);
        QVERIFY(!db()->isFavorite("/a.mp3"));
        QVERIFY(db()->favorites().isEmpty());
        QVERIFY(!db()->mediaByPath("/a.mp3"));
        QVERIFY(!db()->storeScanned({scanned("/lib/a.mp3")}));
        QVERIFY(!db()->markMissing("audio", {}, {}));
        QCOMPARE(library.count(), 0);
        QCOMPARE(db()->createPlaylist("x"), 0);
        QVERIFY(!db()->setPlaylistItems(1, {"/a.mp3"}));
        QVERIFY(db()->playlists().isEmpty());
        QCOMPARE(playlists.count(), 0);
        QCOMPARE(db()->saveStation(station("s", "u")), 0);
        QCOMPARE(stations.count(), 1);
        QVERIFY(!db()->replaceStationGroup("TV", {station("s", "u")}));
        QVERIFY(db()->stationGroups().isEmpty());
        QVERIFY(!db()->isRadioSaved("u"));
        QVERIFY(log.count("SQL:") >= 10);
        QVERIFY(!QFileInfo::exists(blocker + "/biblioteca.db"));

        // A file that is not a database opens at the driver level but holds
        // no tables: it counts as not opened.
        const QString garbage = m_dir->filePath("garbage.db");
        QFile g(garbage);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write(QByteArray(8192, 'x'));
        g.close();
        QVERIFY(!db()->open(garbage));
        QCOMPARE(log.count("banco nao abriu"), 2);
        QVERIFY(db()->history({}, 20).isEmpty());
    }

    // A writer killed with SIGKILL at an arbitrary moment leaves a database
    // that opens and holds every committed row and no half transaction.
    void killedWriterLosesNothingCommitted_data()
    {
        QTest::addColumn<int>("delayUs");
        // The kill lands at different points of a round.
        for (int delayUs : {0, 700, 2300, 5100, 9900})
            QTest::addRow("after %d us", delayUs) << delayUs;
    }

    void killedWriterLosesNothingCommitted()
    {
        QFETCH(int, delayUs);
        const QString writer = qEnvironmentVariable("ZORVI_DATABASE_WRITER");
        QVERIFY2(QFileInfo(writer).isExecutable(), qPrintable(writer));
        const QString target = m_dir->filePath("killed.db");
        const int batch = 37;
        QProcess child;
        child.start(writer, {target, QString::number(batch)});
        QVERIFY(child.waitForStarted());
        int lastReported = -1;
        QByteArray pending;
        auto takeLines = [&] {
            pending += child.readAllStandardOutput();
            const qsizetype nl = pending.lastIndexOf('\n');
            if (nl >= 0) {
                lastReported = pending.left(nl).split('\n').last().toInt();
                pending = pending.mid(nl + 1);
            }
        };
        QElapsedTimer timer;
        timer.start();
        while (lastReported < 100 && timer.elapsed() < 60000) {
            child.waitForReadyRead(1000);
            takeLines();
            QVERIFY2(child.state() == QProcess::Running, child.readAllStandardError().constData());
        }
        QVERIFY(lastReported >= 100);
        QThread::usleep(delayUs);
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        // Lines printed before the kill landed are committed rounds too.
        takeLines();

        QVERIFY(db()->open(target));
        QCOMPARE(scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        const int historyRows = scalar("SELECT COUNT(*) FROM history").toInt();
        const int mediaRows = scalar("SELECT COUNT(*) FROM media").toInt();
        const QByteArray counts =
                QStringLiteral("%1 history rows, %2 media rows, round %3 reported")
                        .arg(historyRows)
                        .arg(mediaRows)
                        .arg(lastReported)
                        .toUtf8();
        QVERIFY2(historyRows >= lastReported + 1, counts.constData());
        // Whole batches only: a scan is stored completely or not at all.
        QVERIFY2(mediaRows % batch == 0, counts.constData());
        QVERIFY2(mediaRows / batch >= lastReported + 1, counts.constData());
        QVERIFY2(mediaRows / batch <= historyRows && historyRows <= mediaRows / batch + 1,
                 counts.constData());
        // Every reported round is there, and the newest history rows are contiguous.
        for (int round = 0; round <= lastReported; round += 17)
            QVERIFY(db()->historyEntry(QStringLiteral("/media/h%1.mkv").arg(round)));
        QCOMPARE(db()->history({}, 1).first().path,
                 QStringLiteral("/media/h%1.mkv").arg(historyRows - 1));
        QVERIFY(db()->mediaByPath(
                QStringLiteral("/lib/r%1/%2.mp3").arg(lastReported).arg(batch - 1)));
    }
};

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_database.moc"
