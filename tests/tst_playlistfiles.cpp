#include "TestFiles.h"
#include "engine/MediaPaths.h"
#include "library/Database.h"
#include "playlists/PlaylistFiles.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using TestFiles::readBytes;

namespace {

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

// Entries name the row's own folder as "@".
QStringList expand(const QStringList &entries, const QString &dir)
{
    QStringList out;
    for (const QString &entry : entries)
        out.append(entry.startsWith(u'@') ? QDir::cleanPath(dir + entry.mid(1)) : entry);
    return out;
}

} // namespace

class tst_PlaylistFiles final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_rowDirs = 0;
    int m_seeds = 0;
    QString m_seedDir; // inputs kept as fuzzing seeds when set

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(content);
        return path;
    }

    // The first byte picks the dialect, as the fuzz targets read their input.
    void keepSeed(const QString &kind, const QByteArray &bytes)
    {
        if (m_seedDir.isEmpty())
            return;
        QDir().mkpath(m_seedDir + u'/' + kind);
        QFile seed(QStringLiteral("%1/%2/%3").arg(m_seedDir, kind).arg(++m_seeds));
        if (seed.open(QIODevice::WriteOnly))
            seed.write(bytes);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QVERIFY(Database::instance()->open(m_dir.filePath("biblioteca.db")));
        m_seedDir = qEnvironmentVariable("ZORVI_FUZZ_SEEDS");
    }

    void read_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("entries");
        const QStringList ab{"/m/a.mp3", "/m/b.mp3"};

        // Encodings.
        QTest::newRow("utf-8") << "l.m3u" << QByteArray("/m/Música/é.mp3\n") << true << "l"
                               << QStringList{"/m/Música/é.mp3"};
        QTest::newRow("utf-8 bom") << "l.m3u" << QByteArray("\xEF\xBB\xBF/m/Ação.mp3\n") << true
                                   << "l" << QStringList{"/m/Ação.mp3"};
        QTest::newRow("windows-1252")
                << "l.m3u" << QByteArray("#EXTM3U\r\n/m/M\xFAsica/\xC7\x80\x8A\x9F\x93.mp3\r\n")
                << true << "l" << QStringList{"/m/Música/Ç€ŠŸ“.mp3"};
        QTest::newRow("utf-8 and 1252 lines")
                << "l.m3u"
                << QByteArray("/m/Música.mp3\n/m/Can\xE7\xE3o.mp3\n/m/\xE2\x82\xAC.mp3\n") << true
                << "l" << QStringList{"/m/Música.mp3", "/m/Canção.mp3", "/m/€.mp3"};
        QTest::newRow("utf-16 le")
                << "l.m3u"
                << utf16("#EXTM3U\r\n/m/Música.mp3\r\n/m/b.mp3\r\n", QStringConverter::Utf16LE)
                << true << "l" << QStringList{"/m/Música.mp3", "/m/b.mp3"};
        QTest::newRow("utf-16 be") << "l.pls"
                                   << utf16("[playlist]\r\nFile1=/m/ü.mp3\r\nFile2=/m/b.mp3\r\n",
                                            QStringConverter::Utf16BE)
                                   << true << "l" << QStringList{"/m/ü.mp3", "/m/b.mp3"};
        QTest::newRow("utf-8 bom, cr")
                << "l.m3u" << QByteArray("\xEF\xBB\xBF/m/a.mp3\r/m/b.mp3\r") << true << "l" << ab;
        QTest::newRow("pls cr only")
                << "l.pls" << QByteArray("[playlist]\rFile1=/m/a.mp3\rFile2=/m/b.mp3") << true
                << "l" << ab;

        // Line structure.
        QTest::newRow("crlf") << "l.m3u" << QByteArray("/m/a.mp3\r\n/m/b.mp3\r\n") << true << "l"
                              << ab;
        QTest::newRow("mixed ends, no final")
                << "l.m3u" << QByteArray("/m/a.mp3\r\r\n\n/m/b.mp3\n\r/m/c.mp3") << true << "l"
                << QStringList{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
        QTest::newRow("blank, tabs, bom later")
                << "l.m3u" << QByteArray(" \t \n\t/m/a.mp3 \t\n\n\xEF\xBB\xBF/m/b.mp3\n") << true
                << "l" << ab;
        QTest::newRow("nul and long lines")
                << "l.m3u"
                << QByteArray("/m/a.mp3\n/m/x") + QByteArray(70000, 'x') + "\n/m/n" + '\0' +
                           "ul\n/m/b.mp3\n"
                << true << "l" << ab;

        // Entries against the list's folder.
        QTest::newRow("relative")
                << "Lists/x.m3u"
                << QByteArray("./a.mp3\n../../x.mp3\n../../../../../../../../up.mp3\nsub//c.flac\n")
                << true << "x"
                << QStringList{"@/Lists/a.mp3", "@/../x.mp3", "/up.mp3", "@/Lists/sub/c.flac"};
        QTest::newRow("windows paths")
                << "l.m3u" << QByteArray("C:\\Music\\a.mp3\n\\\\server\\share\\z.mp3\n") << true
                << "l" << QStringList{"C:/Music/a.mp3", "//server/share/z.mp3"};
        QTest::newRow("file urls")
                << "l.m3u"
                << QByteArray("file:///home/u/M%C3%BAsica/a%20b.mp3\n"
                              "file://localhost/home/u/c.mp3\nfile:///C:/Music/a.mp3\n"
                              "FILE:///x\nfile:///m/%FF.mp3\nfile://nas/share/d.mp3\n")
                << true << "l"
                << QStringList{"/home/u/Música/a b.mp3", "/home/u/c.mp3",    "C:/Music/a.mp3", "/x",
                               "/m/\uFFFD.mp3",          "//nas/share/d.mp3"};
        QTest::newRow("links")
                << "l.m3u"
                << QByteArray("http://h.example/a?x=1&y=%zz#frag\nhttps://h.example/s=1;p%20\n"
                              "rtsp://cam.example:554/live?k=v=w\nmms://old.example/a%2\n")
                << true << "l"
                << QStringList{"http://h.example/a?x=1&y=%zz#frag", "https://h.example/s=1;p%20",
                               "rtsp://cam.example:554/live?k=v=w", "mms://old.example/a%2"};
        QTest::newRow("itself") << "self.m3u" << QByteArray("self.m3u\n/m/a.mp3\n./self.m3u\n")
                                << true << "self" << QStringList{"/m/a.mp3"};

        // Directives.
        QTest::newRow("extinf titles")
                << "l.m3u"
                << QByteArray("#EXTM3U\n#EXTINF:-1,A, \"b\" #c http://x\n/m/a.mp3\n"
                              "#EXTINF:245,Ana - Rio, live\n/m/b.mp3\n")
                << true << "l" << ab;
        QTest::newRow("playlist names")
                << "l.m3u" << QByteArray("#playlist: Road trip \n/m/a.mp3\n#PlayList:Final\n")
                << true << "Final" << QStringList{"/m/a.mp3"};
        QTest::newRow("empty name")
                << "l.m3u" << QByteArray("#EXTM3U\n#PLAYLIST:   \n") << true << "" << QStringList{};
        QTest::newRow("hls media") << "stream.m3u8"
                                   << QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:6\n"
                                                 "#EXTINF:6,\nseg1.ts\n#EXTINF:6,\nseg2.ts\n")
                                   << true << "stream" << QStringList{"@/stream.m3u8"};
        QTest::newRow("hls variants")
                << "master.m3u8"
                << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=800000\nlow/index.m3u8\n")
                << true << "master" << QStringList{"@/master.m3u8"};

        // PLS.
        QTest::newRow("pls order")
                << "list.PLS"
                << QByteArray("[playlist]\nNumberOfEntries=9\nFile2=/m/2.mp3\nTitle2=Two\n"
                              "file1 = /m/1.mp3\nFILE3=/m/3-old.mp3\nFile0=/m/0.mp3\n"
                              "File3\t=\t/m/3.mp3\nFile01=/m/01.mp3\nFile10=http://s.example/?a=b\n"
                              "File18446744073709551617=/m/big2.mp3\n"
                              "File18446744073709551616=/m/big1.mp3\nVersion=2\n")
                << true << "list"
                << QStringList{"/m/1.mp3",    "/m/2.mp3",   "/m/3.mp3", "http://s.example/?a=b",
                               "/m/big1.mp3", "/m/big2.mp3"};
        QTest::newRow("pls gaps") << "g.pls"
                                  << QByteArray("NumberOfEntries=1\nFile1=/m/1\nFile5=/m/5\n"
                                                "File3=/m/3\n")
                                  << true << "g" << QStringList{"/m/1", "/m/3", "/m/5"};

        // Suffixes.
        QTest::newRow("M3U8 upper") << "Mix.M3U8" << QByteArray("File1=/m/a.mp3\n/m/b.mp3\n")
                                    << true << "Mix" << QStringList{"@/File1=/m/a.mp3", "/m/b.mp3"};
        QTest::newRow("dotted folder")
                << "my.pls/list" << QByteArray("File1=/m/a.mp3\n/m/b.mp3\n") << true << "list"
                << QStringList{"@/my.pls/File1=/m/a.mp3", "/m/b.mp3"};

        // Bad input.
        QTest::newRow("jpeg renamed")
                << "cover.m3u"
                << QByteArray("\xFF\xD8\xFF\xE0") + '\0' + "\x10JFIF" + '\0' + "/m/a.mp3\n"
                << false << "cover" << QStringList{};
        QTest::newRow("one huge line") << "huge.m3u" << QByteArray(3 * 1024 * 1024, 'a') << true
                                       << "huge" << QStringList{};
    }

    void read()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        const QString dir = m_dir.filePath(QString::number(++m_rowDirs));
        const QString path = write(QString::number(m_rowDirs) + u'/' + file, bytes);
        keepSeed(QStringLiteral("playlist"),
                 char(playlistDialect(path) == PlaylistDialect::Pls) + bytes);
        QFETCH(bool, ok);
        QFETCH(QStringList, entries);
        QString name = QStringLiteral("unset");
        QStringList got{"stale"};
        QCOMPARE(readPlaylist(path, &name, &got), ok);
        QTEST(name, "name");
        QCOMPARE(got, expand(entries, dir));
    }

    void readRefusesWhatIsNotAList()
    {
        QString name;
        QStringList entries;
        QVERIFY(!readPlaylist(m_dir.filePath("missing.m3u"), &name, &entries));
        const QString ok = write("ok.m3u", "/m/a.mp3\n");
        QVERIFY(!readPlaylist(ok, nullptr, &entries));
        QVERIFY(!readPlaylist(ok, &name, nullptr));
        QDir(m_dir.path()).mkpath("folder.m3u");
        QVERIFY(!readPlaylist(m_dir.filePath("folder.m3u"), &name, &entries));
        QVERIFY(QFile::link("/dev/zero", m_dir.filePath("zero.m3u")));
        QVERIFY(!readPlaylist(m_dir.filePath("zero.m3u"), &name, &entries));
        QVERIFY(readIptvList(m_dir.filePath("zero.m3u")).isEmpty());
        // Opening a FIFO would wait for a writer that never comes.
        const QByteArray fifo = QFile::encodeName(m_dir.filePath("pipe.m3u"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QVERIFY(!readPlaylist(m_dir.filePath("pipe.m3u"), &name, &entries));
        // Over 128 MiB, without writing the bytes: a sparse file.
        QFile big(m_dir.filePath("big.m3u"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(129LL * 1024 * 1024));
        big.close();
        QVERIFY(!readPlaylist(big.fileName(), &name, &entries));
        QVERIFY(entries.isEmpty());
    }

    void resolveAgainstWindowsFolder()
    {
        QCOMPARE(resolveEntry("C:/Lists", "..\\Other\\b.mp3"), QStringLiteral("C:/Other/b.mp3"));
        QCOMPARE(resolveEntry("C:/Lists", "..\\..\\..\\b.mp3"), QStringLiteral("C:/b.mp3"));
        QCOMPARE(resolveEntry("C:/Lists", "file:///C:/Music/a.mp3"),
                 QStringLiteral("C:/Music/a.mp3"));
        QCOMPARE(resolveEntry("C:/Lists", "http://x.example/a b"),
                 QStringLiteral("http://x.example/a b"));
        QVERIFY(resolveEntry("/m", "file:///a%00b").isEmpty());
        QVERIFY(resolveEntry("/m", "file:").isEmpty());
    }

    void iptv_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("channels"); // name|url|logo|tags

        QTest::newRow("attributes")
                << QByteArray("#EXTM3U\n#EXTINF:-1 tvg-id=\"c1\" "
                              "tvg-logo=\"http://l.example/a,b.png\" "
                              "group-title=\"News\",Channel 1\nhttp://tv.example/one.m3u8\n")
                << QStringList{
                           "Channel 1|http://tv.example/one.m3u8|http://l.example/a,b.png|News"};
        QTest::newRow("no extinf") << QByteArray("http://tv.example/nameless\n")
                                   << QStringList{"http://tv.example/nameless|"
                                                  "http://tv.example/nameless||"};
        QTest::newRow("local path between")
                << QByteArray("#EXTINF:-1,Second\n/local/file.ts\nrtmp://tv.example/two\n")
                << QStringList{"Second|rtmp://tv.example/two||"};
        QTest::newRow("directives between")
                << QByteArray("#EXTINF:-1 group-title=\"Kids\",Três\n#EXTGRP:Other\n"
                              "#EXTVLCOPT:http-user-agent=x\nhttp://tv.example/3\n")
                << QStringList{"Três|http://tv.example/3||Kids"};
        QTest::newRow("unbalanced quote")
                << QByteArray("#EXTINF:-1 "
                              "tvg-logo=\"http://l.example/x.png,Name\nhttp://tv.example/4\n")
                << QStringList{"http://tv.example/4|http://tv.example/4||"};
        QTest::newRow("cr only") << QByteArray("#EXTM3U\r#EXTINF:-1,A\rhttp://tv.example/a\r")
                                 << QStringList{"A|http://tv.example/a||"};
        QTest::newRow("utf-16") << utf16("#EXTM3U\r\n#EXTINF:-1,Canal ü\r\nhttp://tv.example/u\r\n",
                                         QStringConverter::Utf16LE)
                                << QStringList{"Canal ü|http://tv.example/u||"};
        QTest::newRow("local only")
                << QByteArray("#EXTM3U\n/a.ts\n#EXTINF:-1,B\n/b.ts\n") << QStringList{};
    }

    void iptv()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, channels);
        keepSeed(QStringLiteral("iptv"), bytes);
        const QList<StationRecord> read = readIptvList(write("tv.m3u", bytes));
        QStringList got;
        for (const StationRecord &channel : read) {
            QCOMPARE(channel.id, 0);
            QVERIFY(channel.grp.isEmpty());
            QVERIFY(!channel.favorite);
            got.append(
                    QStringList{channel.name, channel.url, channel.logo, channel.tags}.join('|'));
        }
        QCOMPARE(got, channels);
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
        zero.title = "Linha\nquebrada\r";
        zero.artist.clear();
        zero.duration = 0;
        Database::instance()->storeScanned({song, zero});
        Database::instance()->ensureMedia("http://radio.example/live", "stream", "Rádio Um");

        const QString target = m_dir.filePath("export.m3u");
        QVERIFY(writeM3u(target,
                         {song.path, zero.path, "/other/Not In Library.ogg",
                          "https://host.example/stream/live.aac", "http://radio.example/live"}));
        QCOMPARE(QString::fromUtf8(readBytes(target)),
                 QStringLiteral("#EXTM3U\n#EXTINF:245,Ana - Rio\n/Music/Ana/rio.mp3\n"
                                "#EXTINF:0,Linha quebrada \n/Music/Ana/zero.mp3\n"
                                "#EXTINF:-1,Not In Library\n/other/Not In Library.ogg\n"
                                "#EXTINF:-1,live\nhttps://host.example/stream/live.aac\n"
                                "#EXTINF:0,Rádio Um\nhttp://radio.example/live\n"));

        const double huge = 1e300;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        for (const double bad : {huge, -huge, nan, inf, -inf, 9.3e18})
            QCOMPARE(m3uSeconds(bad), -1);
        QCOMPARE(m3uSeconds(-0.5), 0);
        QCOMPARE(m3uSeconds(3600.99), 3600);

        QVERIFY(!writeM3u(m_dir.filePath("no-such-dir/x.m3u"), {song.path}));
    }

    // Whatever is written reads back as the same list.
    void roundTrip()
    {
        const QStringList parts{
                "a",           "b c",          "#d",  "50%",       "x,y",     "p;q",
                "Música",      "Mu\u0301sica", "😀",   "e=f",       " lead",   "trail ",
                "line\nbreak", "cr\rx",        "%41", "file:name", "tab\tin", "ﬁ"};
        // A local path that looks like a drive once decoded.
        QVERIFY(writeM3u(m_dir.filePath("drive.m3u8"), {"/s:/ail ", "/C:/x"}));
        QString driveName;
        QStringList driveBack;
        QVERIFY(readPlaylist(m_dir.filePath("drive.m3u8"), &driveName, &driveBack));
        QCOMPARE(driveBack, (QStringList{"/s:/ail ", "/C:/x"}));

        QRandomGenerator random(20261208);
        const QString target = m_dir.filePath("round.m3u8");
        for (int round = 0; round < 300; ++round) {
            QStringList list;
            const int size = random.bounded(1, 12);
            for (int i = 0; i < size; ++i) {
                if (random.bounded(5) == 0) {
                    QString link = "https://s" + QString::number(random.bounded(9)) + ".example/" +
                                   parts.at(random.bounded(parts.size())) +
                                   "?q=" + QString::number(i) + "&r=%25#f";
                    link.remove(u'\n').remove(u'\r').remove(u' ').remove(u'\t');
                    list.append(link);
                    continue;
                }
                QString path;
                const int depth = random.bounded(1, 4);
                for (int d = 0; d < depth; ++d)
                    path += u'/' + parts.at(random.bounded(parts.size()));
                list.append(path);
            }
            QVERIFY(writeM3u(target, list));
            QString name;
            QStringList back;
            QVERIFY(readPlaylist(target, &name, &back));
            QCOMPARE(back, list);
            if (round < 10)
                keepSeed(QStringLiteral("roundtrip"), list.join(QChar(0)).toUtf8());
        }
    }

    void failedWriteKeepsTheOldFile()
    {
        const QString writer = qEnvironmentVariable("ZORVI_PLAYLIST_WRITER");
        QVERIFY2(QFileInfo(writer).isExecutable(), "ZORVI_PLAYLIST_WRITER not set");
        const QString dir = m_dir.filePath("keep");
        QDir().mkpath(dir);
        const QString target = dir + "/old.m3u";
        const QByteArray old = "#EXTM3U\n/m/old.mp3\n";
        write("keep/old.m3u", old);

        // Proves the child can write when nothing stops it.
        QProcess child;
        child.start(writer, {dir + "/fresh.m3u", "3"});
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(QFile::remove(dir + "/fresh.m3u"));

        // Part-way: the size limit stops the write after 4 KiB.
        child.start(writer, {target, "1000", "4096"});
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QCOMPARE(readBytes(target), old);
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"old.m3u"});

        // A folder the user may not write into.
        if (::getuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("needs root and setpriv to write as another user");
        QVERIFY(QFile::setPermissions(m_dir.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ExeOther));
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                   QFileDevice::ExeOther));
        child.start("setpriv",
                    {"--reuid=65534", "--regid=65534", "--clear-groups", writer, target, "5"});
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitCode(), 1);
        QCOMPARE(readBytes(target), old);
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"old.m3u"});
    }
};

QTEST_GUILESS_MAIN(tst_PlaylistFiles)
#include "tst_playlistfiles.moc"
