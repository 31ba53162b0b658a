#include "MediaControls.h"
#include "MprisClient.h"
#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "ui/MainWindow.h"
#include "ui/bars/ControlBar.h"
#include "ui/pages/NowPlaying.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <memory>

using namespace MprisClient;

// Generous: the machines that run this suite are often busy.
constexpr int Patience = 20000;

// The media controls as the main window drives them, in this process and in
// the built player executable.
class tst_MediaControlsWindow final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    QStringList m_songs;
    QString m_video;
    QString m_cover;

    std::unique_ptr<MainWindow> makeWindow()
    {
        auto window = std::make_unique<MainWindow>(m_core.get());
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    static MediaControls *controlsOf(MainWindow *window)
    {
        // Created on the event-loop turn after the window.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 5000) {
            if (auto *controls = window->findChild<MediaControls *>())
                return controls;
            QTest::qWait(10);
        }
        return nullptr;
    }

    void waitIdle() { QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core)); }

    static QString metadataLine()
    {
        return playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}"}).out;
    }

    static QString logOf(const QString &home)
    {
        QFile file(home + "/data/orvandel/ZorviPlayer/logs/zorvi-player.log");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll());
    }

    // The player name of another process on this bus, as playerctl lists it.
    static QString playerNameOf(qint64 pid)
    {
        QDBusConnectionInterface *daemon = QDBusConnection::sessionBus().interface();
        for (const QString &name :
             {QStringLiteral("zorviplayer.instance%1").arg(pid), QStringLiteral("zorviplayer")}) {
            const auto owner = daemon->servicePid(BusPrefix + name);
            if (owner.isValid() && owner.value() == pid)
                return name;
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(
                m_home.path(), QStringLiteral("ZorviPlayer-tst-mediacontrols-window")));
        QVERIFY(QDBusConnection::sessionBus().isConnected());

        const QString music = m_media.filePath("Music");
        const QString films = m_media.filePath("Holiday Films");
        QVERIFY(QDir().mkpath(music) && QDir().mkpath(films));
        QList<MediaRecord> rows;
        for (const QString &title : {QStringLiteral("Morning"), QStringLiteral("Evening")}) {
            const QString path = TestMedia::tone(music + "/" + title.toLower() + ".mp3", 30);
            QVERIFY(!path.isEmpty());
            m_songs << path;
            MediaRecord row;
            row.path = path;
            row.kind = "audio";
            row.title = title + " Song";
            row.artist = "Quiet Quartet";
            row.album = "Daylight";
            row.folder = music;
            rows << row;
        }
        QVERIFY(Database::instance()->storeScanned(rows));
        m_video = TestMedia::solidVideo(films + "/beach day.mkv", 30, "blue", 160, 120);
        QVERIFY(!m_video.isEmpty());

        // The cover cache holds a picture for the first song only.
        const QByteArray hash =
                QCryptographicHash::hash(m_songs[0].toUtf8(), QCryptographicHash::Sha1)
                        .toHex()
                        .left(20);
        QVERIFY(QDir().mkpath(dataDir() + "/covers"));
        m_cover = dataDir() + "/covers/" + QString::fromLatin1(hash) + ".jpg";
        QVERIFY(TestMedia::ffmpeg(
                {"-f", "lavfi", "-i", "color=c=red:s=32x32", "-frames:v", "1", m_cover}));

        m_core = PlayerTestUtil::startCore();

        QVERIFY(m_core);
    }

    void cleanupTestCase()
    {
        waitIdle();
        m_core.reset();
    }

    void init() { waitIdle(); }

    void windowPublishesWhatPlays()
    {
        auto window = makeWindow();
        QVERIFY(window);
        MediaControls *controls = controlsOf(window.get());
        QVERIFY(controls);
        QVERIFY(controls->isAvailable());
        QCOMPARE(controls->player(), m_core.get());
        QCOMPARE(playerctl({"status"}).out, QStringLiteral("Stopped"));

        window->playPaths(m_songs, 0);
        QTRY_COMPARE_WITH_TIMEOUT(metadataLine(),
                                  QStringLiteral("Morning Song|Quiet Quartet|Daylight"), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Playing"), Patience);
        QCOMPARE(QUrl(playerctl({"metadata", "mpris:artUrl"}).out).toLocalFile(), m_cover);

        // The buttons reach the player through the window's wiring.
        QCOMPARE(playerctl({"play-pause"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Paused"), Patience);
        QCOMPARE(playerctl({"play"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isPaused(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Playing"), Patience);
        QCOMPARE(playerctl({"pause"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), Patience);
        QCOMPARE(playerctl({"play-pause"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isPaused(), Patience);

        // Next and previous move the engine's queue. What is published then is
        // whatever the window's now-playing refresh shows.
        auto windowTitleOnBus = [&window] {
            return playerctl({"metadata", "title"}).out + QStringLiteral(" — Zorvi Player") ==
                   window->windowTitle();
        };
        QCOMPARE(playerctl({"next"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->queuePos(), 1, Patience);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(m_core->currentPath()).fileName(),
                                  QStringLiteral("evening.mp3"), Patience);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 0.2, Patience);
        QTRY_VERIFY_WITH_TIMEOUT(windowTitleOnBus(), Patience);
        // Early in an item, previous goes back one item.
        m_core->seekAbsolute(0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() < 2, Patience);
        QCOMPARE(playerctl({"previous"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->queuePos(), 0, Patience);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(m_core->currentPath()).fileName(),
                                  QStringLiteral("morning.mp3"), Patience);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 0.2, Patience);
        QTRY_VERIFY_WITH_TIMEOUT(windowTitleOnBus(), Patience);

        QCOMPARE(playerctl({"stop"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Stopped"), Patience);
        QCOMPARE(window->windowTitle(), QStringLiteral("Zorvi Player"));

        // A video: its title, and the folder as subtitle in the artist field.
        window->playPaths({m_video}, 0);
        QTRY_COMPARE_WITH_TIMEOUT(metadataLine(), QStringLiteral("beach day.mkv|Holiday Films|"),
                                  Patience);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Playing"), Patience);
        QVERIFY(!getProperty(PlayerInterface, "Metadata").out.contains("artUrl"));
        m_core->stop();
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"status"}).out, QStringLiteral("Stopped"), Patience);

        // The window owns the bridge: closing it takes the player off the bus.
        window.reset();
        QVERIFY(!run("playerctl", {"-l"}).out.split('\n').contains(playerName()));
    }

    // A song's embedded cover reaches the control bar, the now-playing view
    // and, once its cache file exists, the media controls.
    void coverOfThePlayingSong()
    {
        const QString song = TestMedia::mp3WithCover(m_media.filePath("with cover.mp3"), 30);
        QVERIFY(!song.isEmpty());
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(controlsOf(window.get()));
        auto blueAtCentre = [](const QPixmap &pixmap) {
            const QImage image = pixmap.toImage();
            return !image.isNull() &&
                   TestMedia::sameTint(image.pixelColor(image.width() / 2, image.height() / 2),
                                       Qt::blue);
        };
        auto *bar = window->findChild<ControlBar *>();
        auto *view = window->findChild<NowPlaying *>();
        QVERIFY(bar && view);
        window->playPaths({song}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(blueAtCentre(bar->coverButton()->icon().pixmap(48)), Patience);
        QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const QList<QLabel *> labels = view->findChildren<QLabel *>();
                    return std::any_of(labels.begin(), labels.end(), [&](QLabel *label) {
                        return blueAtCentre(label->pixmap());
                    });
                }(),
                Patience);
        QTRY_COMPARE_WITH_TIMEOUT(QUrl(playerctl({"metadata", "mpris:artUrl"}).out).toLocalFile(),
                                  Covers::coverCacheFile(song), Patience);
    }

    void raiseAndQuitReachTheWindow()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(controlsOf(window.get()));
        window->showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(window->isMinimized(), Patience);
        QCOMPARE(gdbusCall(RootInterface + ".Raise").exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isMinimized(), Patience);
        QVERIFY(window->isVisible());

        // Quit is the real close, not the close-to-tray one.
        appSettings().setValue("general/closeToTray", true);
        QCOMPARE(gdbusCall(RootInterface + ".Quit").exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), Patience);
        appSettings().remove("general/closeToTray");
        QVERIFY(appSettings().contains("window/geometry")); // the closing sequence ran
    }

    void playerExecutablePublishesItsFile()
    {
        QTemporaryDir home;
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        env.insert("ZORVIPLAYER_OPT", "vo=null;ao=null");
        QProcess player;
        player.setProcessEnvironment(env);
        // A song the library does not know: what is published comes from its tags.
        const QString tagged = TestMedia::tone(m_media.filePath("tagged.mp3"), 30,
                                               {"-metadata", "title=Night Tune", "-metadata",
                                                "artist=Owl Band", "-metadata", "album=Late"});
        QVERIFY(!tagged.isEmpty());
        player.start(TestMedia::playerExecutable(), {tagged});
        QVERIFY(player.waitForStarted());
        QString name;
        QTRY_VERIFY_WITH_TIMEOUT(!(name = playerNameOf(player.processId())).isEmpty(), 30000);
        auto ctl = [&](const QStringList &args) {
            return run("playerctl", QStringList{"-p", name} + args).out;
        };
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}"}),
                                  QStringLiteral("Night Tune|Owl Band|Late"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"status"}), QStringLiteral("Playing"), Patience);
        QVERIFY(run("playerctl", {"-p", name, "pause"}).exitCode == 0);
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"status"}), QStringLiteral("Paused"), Patience);
        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        QVERIFY(logOf(home.path()).contains("encerrado"));
        QCOMPARE(logOf(home.path()).count("painel de midia indisponivel"), 0);
    }

    void playerExecutableStartsWithoutBus()
    {
        QTemporaryDir home;
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        env.insert("ZORVIPLAYER_OPT", "vo=null;ao=null");
        // A bus that went away; an address that is set also keeps the bus
        // library from starting a private bus through the display.
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("no-bus"));
        QProcess player;
        player.setProcessEnvironment(env);
        player.start(TestMedia::playerExecutable(), {m_songs[0]});
        QVERIFY(player.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(logOf(home.path()).contains("painel de midia"), 30000);
        // It keeps running, and the warning is not repeated.
        QTest::qWait(2000);
        QCOMPARE(player.state(), QProcess::Running);
        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitCode(), 0);
        const QString log = logOf(home.path());
        QCOMPARE(log.count("painel de midia indisponivel: "), 1);
        // One warning line with a reason after the phrase.
        const QString line = log.section("painel de midia indisponivel: ", 1).section('\n', 0, 0);
        QVERIFY2(log.contains("[AVISO] painel de midia indisponivel: ") &&
                         !line.trimmed().isEmpty(),
                 qPrintable(log));
        QVERIFY(log.contains("encerrado"));
    }
};

QTEST_MAIN(tst_MediaControlsWindow)
#include "tst_mediacontrols_window.moc"
