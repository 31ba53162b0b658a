#include "library/Database.h"
#include "playlists/PlaylistFiles.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class tst_PlaylistFiles final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(content);
        return path;
    }

    static QByteArray readBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QVERIFY(Database::instance()->open(m_dir.filePath("biblioteca.db")));
    }

    void m3uEntriesResolveAgainstTheList()
    {
        QDir(m_dir.path()).mkpath("Lists");
        const QString list = write("Lists/Road.M3U8", "\xEF\xBB\xBF#EXTM3U\n"
                                                      "#EXTINF:12,Ignored title\n"
                                                      "  ../Other/b.mp3  \n"
                                                      "\n"
                                                      "file:///music/a%20b.mp3\n"
                                                      "sub\\dir\\c.flac\n"
                                                      "http://radio.example/live?x=1\n"
                                                      "/abs//x/./y.mp3\n");
        QString name;
        QStringList paths;
        QVERIFY(readPlaylist(list, &name, &paths));
        QCOMPARE(name, QStringLiteral("Road"));
        QCOMPARE(paths, (QStringList{m_dir.filePath("Other/b.mp3"), "/music/a b.mp3",
                                     m_dir.filePath("Lists/sub/dir/c.flac"),
                                     "http://radio.example/live?x=1", "/abs/x/y.mp3"}));
        QVERIFY(!readPlaylist(list, nullptr, &paths));
        QVERIFY(!readPlaylist(m_dir.filePath("missing.m3u"), &name, &paths));
    }

    void playlistNameDirective()
    {
        const QString list = write("mix.m3u", "#playlist: Road trip \n/a.mp3\n#PLAYLIST: Final\n");
        QString name;
        QStringList paths;
        QVERIFY(readPlaylist(list, &name, &paths));
        QCOMPARE(name, QStringLiteral("Final"));
        QCOMPARE(paths, QStringList{"/a.mp3"});
        const QString empty = write("empty.m3u", "#EXTM3U\n#PLAYLIST:\n");
        QVERIFY(readPlaylist(empty, &name, &paths));
        QVERIFY(name.isEmpty());
        QVERIFY(paths.isEmpty());
    }

    void plsOrderFollowsTheNumbers()
    {
        const QString list = write("list.PLS", "[playlist]\nNumberOfEntries=4\n"
                                               "File2=/m/two.mp3\nTitle2=Two\n"
                                               "file1 = /m/one.mp3\n"
                                               "File0=/m/zero.mp3\n"
                                               "File3=/m/three-old.mp3\nFile3=/m/three.mp3\n"
                                               "File10=http://s.example/ten\n");
        QString name;
        QStringList paths;
        QVERIFY(readPlaylist(list, &name, &paths));
        QCOMPARE(name, QStringLiteral("list"));
        QCOMPARE(paths,
                 (QStringList{"/m/one.mp3", "/m/two.mp3", "/m/three.mp3", "http://s.example/ten"}));
    }

    void exportUsesLibraryTitles()
    {
        MediaRecord song;
        song.path = "/Music/Ana/rio.mp3";
        song.kind = "audio";
        song.title = "Rio";
        song.artist = "Ana";
        song.duration = 245.9;
        song.folder = "/Music/Ana";
        MediaRecord zero = song;
        zero.path = "/Music/Ana/zero.mp3";
        zero.title = "Linha\nquebrada";
        zero.artist.clear();
        zero.duration = 0;
        Database::instance()->storeScanned({song, zero});

        const QString target = m_dir.filePath("export.m3u");
        QVERIFY(writeM3u(target, {song.path, zero.path, "/other/Not In Library.ogg",
                                  "https://host.example/stream/live.aac"}));
        QCOMPARE(QString::fromUtf8(readBytes(target)),
                 QStringLiteral("#EXTM3U\n#EXTINF:245,Ana - Rio\n/Music/Ana/rio.mp3\n"
                                "#EXTINF:0,Linha quebrada\n/Music/Ana/zero.mp3\n"
                                "#EXTINF:-1,Not In Library\n/other/Not In Library.ogg\n"
                                "#EXTINF:-1,live\nhttps://host.example/stream/live.aac\n"));

        // A round trip keeps the entries.
        QString name;
        QStringList paths;
        QVERIFY(readPlaylist(target, &name, &paths));
        QCOMPARE(paths.size(), 4);
        QCOMPARE(paths.last(), QStringLiteral("https://host.example/stream/live.aac"));

        // A target that cannot be written is reported.
        QVERIFY(!writeM3u(m_dir.filePath("no-such-dir/x.m3u"), {song.path}));
    }

    void iptvChannels()
    {
        const QString list =
                write("tv.m3u", "#EXTM3U\n"
                                "#EXTINF:-1 tvg-id=\"c1\" tvg-logo=\"http://l.example/a,b.png\" "
                                "group-title=\"News\",Channel 1\n"
                                "http://tv.example/one.m3u8\n"
                                "http://tv.example/nameless\n"
                                "#EXTINF:-1,Second\n"
                                "/local/file.ts\n"
                                "rtmp://tv.example/two\n"
                                "#EXTINF:-1 tvg-logo=\"x\",\n"
                                "not a link\n");
        const QList<StationRecord> channels = readIptvList(list);
        QCOMPARE(channels.size(), 3);
        QCOMPARE(channels[0].name, QStringLiteral("Channel 1"));
        QCOMPARE(channels[0].logo, QStringLiteral("http://l.example/a,b.png"));
        QCOMPARE(channels[0].tags, QStringLiteral("News"));
        QCOMPARE(channels[0].url, QStringLiteral("http://tv.example/one.m3u8"));
        QCOMPARE(channels[0].id, 0);
        QVERIFY(channels[0].grp.isEmpty());
        QCOMPARE(channels[1].name, QStringLiteral("http://tv.example/nameless"));
        QVERIFY(channels[1].logo.isEmpty());
        QCOMPARE(channels[2].name, QStringLiteral("Second"));
        QCOMPARE(channels[2].url, QStringLiteral("rtmp://tv.example/two"));

        QVERIFY(readIptvList(write("local.m3u", "#EXTM3U\n/a.ts\n/b.ts\n")).isEmpty());
        QVERIFY(readIptvList(m_dir.filePath("missing.m3u")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_PlaylistFiles)
#include "tst_playlistfiles.moc"
