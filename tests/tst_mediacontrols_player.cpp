#include "MediaControls.h"
#include "MprisClient.h"
#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "ui/window/MediaControlsBridge.h"
#include "ui/window/NowPlayingText.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <memory>

// The media controls on a real engine playing generated media: what desktop
// clients read and what their commands do to playback.

using namespace MprisClient;

// Generous: the machines that run this suite are often busy.
constexpr int Patience = 20000;

namespace {

QString playerProperty(const QString &name)
{
    return getProperty(PlayerInterface, name).out;
}

// The value inside a gdbus reply such as "(<int64 1500000>,)".
qint64 int64Of(const QString &reply)
{
    return reply.section("int64 ", 1).section('>', 0, 0).toLongLong();
}

const QString Player = PlayerInterface;

} // namespace

class tst_MediaControlsPlayer final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MediaControlsBridge> m_bridge;
    QStringList m_songs;
    QString m_video;
    QString m_cover;

    // What the window adds to the bridge: it publishes the item whenever the
    // title changes or a file loads.
    void wire()
    {
        PlayerCore *core = m_core.get();
        MediaControlsBridge *bridge = m_bridge.get();
        auto refresh = [core, bridge] {
            const QString path = core->currentPath();
            if (!path.isEmpty())
                bridge->publish(NowPlayingText::describe(core, Database::instance(), path), path);
        };
        connect(core, &PlayerCore::titleChanged, bridge, refresh);
        connect(core, &PlayerCore::fileLoaded, bridge, refresh);
    }

    bool waitPlaying(int index)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000) {
            if (m_core->queuePos() == index && !m_core->isIdle() && !m_core->isPaused() &&
                m_core->position() > 0.2 && m_core->duration() > 0)
                return true;
            QTest::qWait(20);
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString home = m_dir.filePath("home");
        QVERIFY(QDir().mkpath(home));
        QVERIFY(PlayerTestUtil::useTestHome(home, "ZorviPlayer-tst-mediacontrols-player"));
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        const QString songs = m_dir.filePath("Music");
        const QString films = m_dir.filePath("Holiday Films");
        QVERIFY(QDir().mkpath(songs) && QDir().mkpath(films));
        const QStringList titles{"First Song", "Second Song", "Third Song"};
        for (int i = 0; i < titles.size(); ++i) {
            const QString path =
                    TestMedia::tone(QStringLiteral("%1/song%2.mp3").arg(songs).arg(i + 1), 30,
                                    {"-metadata", "title=" + titles[i], "-metadata",
                                     "artist=The Band", "-metadata", "album=Road Record"});
            QVERIFY(!path.isEmpty());
            m_songs << path;
        }
        m_video = TestMedia::solidVideo(films + "/beach day.mkv", 30, "blue", 160, 120);
        QVERIFY(!m_video.isEmpty());
        m_cover = m_dir.filePath("cover.jpg");
        QVERIFY(TestMedia::ffmpeg(
                {"-f", "lavfi", "-i", "color=c=red:s=32x32", "-frames:v", "1", m_cover}));
        // The songs' covers sit in the cover cache, as once the library has
        // loaded them; the video has none.
        QDir().mkpath(dataSubdir("covers"));
        for (const QString &song : std::as_const(m_songs))
            QVERIFY(QFile::copy(m_cover, Covers::coverCacheFile(song)));

        qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
        m_window = std::make_unique<QWidget>();
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
        m_bridge = std::make_unique<MediaControlsBridge>(m_window.get(), m_core.get());
        QVERIFY(m_bridge->controls()->isAvailable());
        wire();
    }

    void cleanupTestCase()
    {
        m_bridge.reset();
        m_core.reset();
    }

    void clientsFollowAndDrivePlayback()
    {
        m_core->playFiles(m_songs, 0);
        QVERIFY(waitPlaying(0));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Playing"), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(
                playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}"}).out,
                QStringLiteral("First Song|The Band|Road Record"), Patience);
        QCOMPARE(QUrl(playerctl({"metadata", "mpris:artUrl"}).out).toLocalFile(),
                 Covers::coverCacheFile(m_songs.first()));
        // The length comes from the engine, in microseconds.
        const qint64 length = playerctl({"metadata", "mpris:length"}).out.toLongLong();
        QVERIFY2(qAbs(length - 30000000) < 200000, qPrintable(QString::number(length)));
        QCOMPARE(playerProperty("CanSeek"), QStringLiteral("(<true>,)"));
        // playerctl prints an object path in GVariant quoting.
        const QString firstId = playerctl({"metadata", "mpris:trackid"}).out;
        QVERIFY2(firstId.startsWith("'/") && firstId.endsWith('\''), qPrintable(firstId));

        QCOMPARE(playerctl({"play-pause"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Paused"), Patience);
        QCOMPARE(playerctl({"play-pause"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isPaused(), Patience);
        QCOMPARE(playerctl({"pause"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), Patience);
        QCOMPARE(playerctl({"play"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isPaused(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Playing"), Patience);

        QCOMPARE(playerctl({"next"}).exitCode, 0);
        QVERIFY(waitPlaying(1));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"metadata", "title"}).out,
                                  QStringLiteral("Second Song"), Patience);
        QVERIFY(playerctl({"metadata", "mpris:trackid"}).out != firstId);
        QCOMPARE(playerctl({"next"}).exitCode, 0);
        QVERIFY(waitPlaying(2));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"metadata", "title"}).out,
                                  QStringLiteral("Third Song"), Patience);
        // Early in an item, previous goes back one item.
        QCOMPARE(playerctl({"previous"}).exitCode, 0);
        QVERIFY(waitPlaying(1));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"metadata", "title"}).out,
                                  QStringLiteral("Second Song"), Patience);

        QCOMPARE(playerctl({"stop"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Stopped"), Patience);
        QCOMPARE(playerProperty("CanSeek"), QStringLiteral("(<false>,)"));
        QCOMPARE(int64Of(playerProperty("Position")), 0);
    }

    void positionSeekVolumeAndRate()
    {
        m_core->playFiles(m_songs, 0);
        QVERIFY(waitPlaying(0));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"metadata", "title"}).out,
                                  QStringLiteral("First Song"), Patience);
        Monitor monitor;
        QVERIFY(monitor.ready());

        // Plain playback is not a jump.
        QTest::qWait(1500);
        QVERIFY2(!monitor.text().contains("Seeked"), qPrintable(monitor.text()));
        const double shown = playerctl({"position"}).out.toDouble();
        QVERIFY2(qAbs(shown - m_core->position()) < 1.0,
                 qPrintable(QString::number(shown) + " vs " + QString::number(m_core->position())));

        // Absolute and relative positioning reach the engine and are announced.
        QCOMPARE(playerctl({"position", "12"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 12 && m_core->position() < 14, Patience);
        QTRY_VERIFY2_WITH_TIMEOUT(monitor.text().contains("Player.Seeked (int64 12"),
                                  qPrintable(monitor.text()), Patience);
        QCOMPARE(playerctl({"position", "5-"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 7 && m_core->position() < 9, Patience);
        QTRY_VERIFY_WITH_TIMEOUT(monitor.text().count("Player.Seeked") >= 2, Patience);

        // A position for another track, or beyond this one, is ignored.
        const QString id = playerctl({"metadata", "mpris:trackid"}).out.remove('\'');
        QCOMPARE(gdbusCall(Player + ".SetPosition", {"/org/zorviplayer/track/999999", "20000000"})
                         .exitCode,
                 0);
        QCOMPARE(gdbusCall(Player + ".SetPosition", {id, "45000000"}).exitCode, 0);
        QTest::qWait(400);
        QVERIFY2(m_core->position() < 11, qPrintable(QString::number(m_core->position())));
        QCOMPARE(gdbusCall(Player + ".SetPosition", {id, "20000000"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 20 && m_core->position() < 22, Patience);

        // Seeking past the end moves on to the next item.
        QCOMPARE(playerctl({"position", "60+"}).exitCode, 0);
        QVERIFY(waitPlaying(1));

        // Volume: MPRIS 1.0 is the player's 100 %.
        monitor.clear();
        QCOMPARE(playerctl({"volume", "0.5"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->volume(), 50.0, Patience);
        QTRY_VERIFY2_WITH_TIMEOUT(monitor.text().contains("'Volume': <0.5>"),
                                  qPrintable(monitor.text()), Patience);
        QCOMPARE(playerctl({"volume"}).out.toDouble(), 0.5);
        m_core->setVolume(80);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"volume"}).out.toDouble(), 0.8, Patience);

        // Rate follows the engine speed both ways; zero means pause.
        QCOMPARE(gdbusCall("org.freedesktop.DBus.Properties.Set", {Player, "Rate", "<1.5>"})
                         .exitCode,
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->speed(), 1.5, Patience);
        QTRY_VERIFY2_WITH_TIMEOUT(monitor.text().contains("'Rate': <1.5>"),
                                  qPrintable(monitor.text()), Patience);
        QCOMPARE(playerProperty("Rate"), QStringLiteral("(<1.5>,)"));
        QCOMPARE(gdbusCall("org.freedesktop.DBus.Properties.Set", {Player, "Rate", "<0.0>"})
                         .exitCode,
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), Patience);
        QCOMPARE(m_core->speed(), 1.5);
        m_core->setSpeed(1.0);
        m_core->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), Patience);
    }

    // Repeat and shuffle both ways, the item's address, and Next/Previous
    // offered only where they change the item.
    void loopShuffleAndQueueEnds()
    {
        m_core->setRepeat(PlayerCore::RepeatOff);
        m_core->setShuffle(false);
        m_core->playFiles(m_songs, 0);
        QVERIFY(waitPlaying(0));
        QTRY_COMPARE_WITH_TIMEOUT(QUrl(playerctl({"metadata", "xesam:url"}).out).toLocalFile(),
                                  m_songs[0], Patience);
        QCOMPARE(playerProperty("CanGoPrevious"), QStringLiteral("(<false>,)"));
        QCOMPARE(playerProperty("CanGoNext"), QStringLiteral("(<true>,)"));
        Monitor monitor;
        QVERIFY(monitor.ready());

        const struct
        {
            PlayerCore::Repeat mode;
            QString status;
        } modes[] = {{PlayerCore::RepeatAll, "Playlist"},
                     {PlayerCore::RepeatOne, "Track"},
                     {PlayerCore::RepeatOff, "None"}};
        for (const auto &row : modes) {
            m_core->setRepeat(row.mode);
            QTRY_COMPARE_WITH_TIMEOUT(playerctl({"loop"}).out, row.status, Patience);
            QTRY_VERIFY2_WITH_TIMEOUT(
                    monitor.text().contains("'LoopStatus': <'" + row.status + "'>"),
                    qPrintable(monitor.text()), Patience);
        }
        for (const auto &row : modes) {
            QCOMPARE(playerctl({"loop", row.status}).exitCode, 0);
            QTRY_COMPARE_WITH_TIMEOUT(m_core->repeat(), row.mode, Patience);
        }
        QVERIFY(gdbusCall("org.freedesktop.DBus.Properties.Set",
                          {Player, "LoopStatus", "<'Sometimes'>"})
                        .exitCode != 0);
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatOff);

        QCOMPARE(playerctl({"shuffle"}).out, QStringLiteral("Off"));
        QCOMPARE(playerctl({"shuffle", "On"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->shuffle(), Patience);
        QTRY_VERIFY2_WITH_TIMEOUT(monitor.text().contains("'Shuffle': <true>"),
                                  qPrintable(monitor.text()), Patience);
        m_core->setShuffle(false);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"shuffle"}).out, QStringLiteral("Off"), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(PlayerTestUtil::queuePaths(*m_core), m_songs, Patience);

        // The last item has no next one unless the queue starts over.
        monitor.clear();
        m_core->playIndex(2);
        QVERIFY(waitPlaying(2));
        QTRY_COMPARE_WITH_TIMEOUT(playerProperty("CanGoNext"), QStringLiteral("(<false>,)"),
                                  Patience);
        QCOMPARE(playerProperty("CanGoPrevious"), QStringLiteral("(<true>,)"));
        QTRY_VERIFY2_WITH_TIMEOUT(monitor.text().contains("'CanGoNext': <false>"),
                                  qPrintable(monitor.text()), Patience);
        QCOMPARE(QUrl(playerctl({"metadata", "xesam:url"}).out).toLocalFile(), m_songs[2]);
        m_core->setRepeat(PlayerCore::RepeatAll);
        QTRY_COMPARE_WITH_TIMEOUT(playerProperty("CanGoNext"), QStringLiteral("(<true>,)"),
                                  Patience);
        m_core->setRepeat(PlayerCore::RepeatOff);
        m_core->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerProperty("CanGoNext"), QStringLiteral("(<false>,)"),
                                  Patience);
    }

    void videoShowsTitleAndFolder()
    {
        m_core->playFiles({m_video}, 0);
        QVERIFY(waitPlaying(0));
        // The engine names an untagged file by its file name.
        QCOMPARE(m_core->nowPlayingTitle(), QStringLiteral("beach day.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(
                playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}"}).out,
                QStringLiteral("beach day.mkv|Holiday Films|"), Patience);
        const QString metadata = playerProperty("Metadata");
        QVERIFY2(!metadata.contains("artUrl"), qPrintable(metadata));
        QVERIFY2(metadata.contains("'mpris:length': <int64 30"), qPrintable(metadata));
        m_core->stop();
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Stopped"), Patience);
    }
};

QTEST_MAIN(tst_MediaControlsPlayer)
#include "tst_mediacontrols_player.moc"
