#include "MediaControls.h"
#include "MprisClient.h"
#include "TestMedia.h"
#include "library/MediaMimeTypes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QtTest>

#include <memory>

using namespace MprisClient;

// Generous: the machines that run this suite are often busy.
constexpr int Patience = 20000;

namespace {

const QString Player = PlayerInterface;
const QString Root = RootInterface;

} // namespace

class tst_MediaControls final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_window;

    std::unique_ptr<MediaControls> makeControls()
    {
        auto controls = std::make_unique<MediaControls>(m_window.get(), nullptr);
        controls->setSupportedMimeTypes(mediaMimeTypes);
        return controls;
    }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(content);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_window = std::make_unique<QWidget>();
        if (!qEnvironmentVariableIsSet("ZORVI_MC_CHILD"))
            QVERIFY2(QDBusConnection::sessionBus().isConnected(),
                     "the tests need a session bus (run under dbus-run-session)");
    }

    void identityAndCapabilities()
    {
        auto controls = makeControls();
        QVERIFY(controls->isAvailable());
        QCOMPARE(playerName(), QStringLiteral("zorviplayer"));

        const Run list = run("playerctl", {"-l"});
        QVERIFY2(list.out.split('\n').contains("zorviplayer"), qPrintable(list.out + list.err));

        QCOMPARE(getProperty(Root, "Identity").out, QStringLiteral("(<'Zorvi Player'>,)"));
        QCOMPARE(getProperty(Root, "DesktopEntry").out, QStringLiteral("(<'zorvi-player'>,)"));
        QCOMPARE(getProperty(Root, "CanRaise").out, QStringLiteral("(<true>,)"));
        QCOMPARE(getProperty(Root, "CanQuit").out, QStringLiteral("(<true>,)"));
        const QString schemes = getProperty(Root, "SupportedUriSchemes").out;
        for (const char *scheme : {"'file'", "'http'", "'https'"})
            QVERIFY2(schemes.contains(scheme), qPrintable(schemes));
        const QString mimes = getProperty(Root, "SupportedMimeTypes").out;
        for (const char *mime : {"'video/mp4'", "'video/x-matroska'", "'audio/mpeg'",
                                 "'audio/flac'", "'audio/x-mpegurl'"})
            QVERIFY2(mimes.contains(mime), qPrintable(mimes));
        QVERIFY2(!mimes.contains("octet-stream"), qPrintable(mimes));
        QVERIFY2(!mimes.contains("'text/"), qPrintable(mimes)); // .ts is not a translation here

        const Run all = gdbusCall("org.freedesktop.DBus.Properties.GetAll", {Player});
        QVERIFY2(all.exitCode == 0, qPrintable(all.err));
        for (const char *entry : {"'CanPlay': <true>", "'CanPause': <true>", "'CanGoNext': <true>",
                                  "'CanGoPrevious': <true>", "'CanControl': <true>",
                                  "'PlaybackStatus': <'Stopped'>", "'Metadata': <@a{sv} {}>"})
            QVERIFY2(all.out.contains(entry), qPrintable(entry + (" in " + all.out)));

        // Introspection lists what generic browsers need to find.
        const Run xml =
                run("gdbus", {"introspect", "--session", "--dest", BusPrefix + "zorviplayer",
                              "--object-path", "/org/mpris/MediaPlayer2"});
        QVERIFY2(xml.exitCode == 0, qPrintable(xml.err));
        for (const char *part : {"interface org.mpris.MediaPlayer2.Player", "SetPosition(",
                                 "Seeked(", "readwrite d Volume", "readonly a{sv} Metadata",
                                 "interface org.freedesktop.DBus.Properties"})
            QVERIFY2(xml.out.contains(part), qPrintable(part + ("\n" + xml.out)));

        // Read-only and unknown properties are refused with the standard errors.
        const Run readOnly = gdbusCall("org.freedesktop.DBus.Properties.Set",
                                       {Player, "PlaybackStatus", "<'Playing'>"});
        QVERIFY(readOnly.exitCode != 0);
        QVERIFY2(readOnly.err.contains("PropertyReadOnly"), qPrintable(readOnly.err));
        const Run unknown = getProperty(Player, "Repeat");
        QVERIFY(unknown.exitCode != 0);
        QVERIFY2(unknown.err.contains("UnknownProperty"), qPrintable(unknown.err));
        QCOMPARE(getProperty(Player, "PlaybackStatus").out, QStringLiteral("(<'Stopped'>,)"));
    }

    void metadataFollowsSetTrack()
    {
        auto controls = makeControls();
        QVERIFY(controls->isAvailable());
        const QString cover = writeFile("capa da música.jpg", QByteArray(64, 'j'));
        QVERIFY(!cover.isEmpty());

        controls->setTrack("Blue Song", "The Artist", "Greatest", cover, false);
        Run shown = playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}"});
        QVERIFY2(shown.exitCode == 0, qPrintable(shown.err));
        QCOMPARE(shown.out, QStringLiteral("Blue Song|The Artist|Greatest"));
        // The picture is handed over as a file URL of the cover file itself.
        const Run art = playerctl({"metadata", "mpris:artUrl"});
        QCOMPARE(QUrl(art.out).toLocalFile(), cover);
        QVERIFY(art.out.startsWith("file:///"));
        QVERIFY2(!art.out.contains(' '), qPrintable(art.out));

        // Types on the wire: an object path id, an artist list.
        const QString first = getProperty(Player, "Metadata").out;
        QVERIFY2(first.contains("'mpris:trackid': <objectpath '/"), qPrintable(first));
        QVERIFY2(first.contains("'xesam:artist': <['The Artist']>"), qPrintable(first));
        QVERIFY2(!first.contains("mpris:length"), qPrintable(first));
        const QString firstId = first.section("objectpath '", 1).section('\'', 0, 0);
        QVERIFY(!firstId.isEmpty());

        // The same item refreshed keeps its id; another item gets a new one.
        controls->setTrack("Blue Song", "The Artist", "Greatest", cover, false);
        QVERIFY(getProperty(Player, "Metadata").out.contains(firstId + "'"));
        controls->setTrack("Red Song", "The Artist", "Greatest", cover, false);
        QVERIFY(!getProperty(Player, "Metadata").out.contains(firstId + "'"));

        // A video shows its title and, as subtitle, the artist text; no album.
        controls->setTrack("Holiday Clip", "Videos 2023", "Some Album", QString(), true);
        shown = playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}"});
        QCOMPARE(shown.out, QStringLiteral("Holiday Clip|Videos 2023|"));
        // An empty cover path leaves no picture from the previous item.
        const QString video = getProperty(Player, "Metadata").out;
        QVERIFY2(!video.contains("artUrl"), qPrintable(video));
        QVERIFY2(!video.contains("xesam:album"), qPrintable(video));

        // Missing, unreadable or empty cover files give no picture either.
        const QString empty = writeFile("empty.jpg", QByteArray());
        const QString locked = writeFile("locked.jpg", QByteArray(16, 'x'));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        const bool canOpenLocked = QFile(locked).open(QIODevice::ReadOnly); // true for root
        for (const QString &path : {m_dir.filePath("missing.jpg"), empty, locked}) {
            controls->setTrack("Song " + path, "A", "B", path, false);
            const QString meta = getProperty(Player, "Metadata").out;
            QVERIFY2(meta.contains("Song " + path), qPrintable(meta));
            if (path != locked || !canOpenLocked)
                QVERIFY2(!meta.contains("artUrl"), qPrintable(path + ": " + meta));
        }
    }

    void statusFollowsPlaybackState()
    {
        auto controls = makeControls();
        QVERIFY(controls->isAvailable());
        QCOMPARE(playerctl({"status"}).out, QStringLiteral("Stopped"));

        // A following client sees each change as it is announced.
        QProcess follower;
        follower.start("playerctl", {"-p", playerName(), "status", "--follow"});
        QVERIFY(follower.waitForStarted());
        QString seen;
        auto waitSeen = [&](const QString &lines) {
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < Patience) {
                seen += QString::fromUtf8(follower.readAllStandardOutput());
                if (seen.trimmed() == lines)
                    return true;
                QTest::qWait(20);
            }
            qWarning() << "seen:" << seen;
            return false;
        };
        QVERIFY(waitSeen("Stopped"));

        controls->setPlaybackState(true, true);
        QVERIFY(waitSeen("Stopped\nPlaying"));
        controls->setPlaybackState(false, true);
        QVERIFY(waitSeen("Stopped\nPlaying\nPaused"));
        controls->setPlaybackState(false, true); // no change, nothing announced
        controls->setPlaybackState(true, false);
        QVERIFY(waitSeen("Stopped\nPlaying\nPaused\nStopped"));
        controls->setPlaybackState(false, false);
        controls->setPlaybackState(true, true);
        QVERIFY(waitSeen("Stopped\nPlaying\nPaused\nStopped\nPlaying"));
        follower.kill();
        follower.waitForFinished();
        QCOMPARE(playerctl({"status"}).out, QStringLiteral("Playing"));
    }

    void buttonsBecomeRequests()
    {
        auto controls = makeControls();
        QVERIFY(controls->isAvailable());
        MediaControls *c = controls.get();
        QSignalSpy play(c, &MediaControls::playRequested);
        QSignalSpy pause(c, &MediaControls::pauseRequested);
        QSignalSpy playPause(c, &MediaControls::playPauseRequested);
        QSignalSpy stop(c, &MediaControls::stopRequested);
        QSignalSpy next(c, &MediaControls::nextRequested);
        QSignalSpy previous(c, &MediaControls::previousRequested);
        QSignalSpy raise(c, &MediaControls::raiseRequested);
        QSignalSpy quit(c, &MediaControls::quitRequested);
        const QList<QSignalSpy *> spies{&play, &pause,    &playPause, &stop,
                                        &next, &previous, &raise,     &quit};
        auto counts = [&] {
            QList<int> result;
            for (QSignalSpy *spy : spies)
                result << int(spy->count());
            return result;
        };

        QCOMPARE(playerctl({"play"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 0, 0, 0, 0, 0, 0, 0}), Patience);
        QCOMPARE(playerctl({"pause"}).exitCode, 0);
        // Pressing pause again is passed on again: the bridge does not filter.
        QCOMPARE(playerctl({"pause"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 0, 0, 0, 0, 0, 0}), Patience);
        QCOMPARE(playerctl({"play-pause"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 1, 0, 0, 0, 0, 0}), Patience);
        QCOMPARE(playerctl({"stop"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 1, 1, 0, 0, 0, 0}), Patience);
        QCOMPARE(playerctl({"next"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 1, 1, 1, 0, 0, 0}), Patience);
        QCOMPARE(playerctl({"previous"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 1, 1, 1, 1, 0, 0}), Patience);
        QCOMPARE(gdbusCall(Root + ".Raise").exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 1, 1, 1, 1, 1, 0}), Patience);
        // A call without an interface name (allowed by D-Bus) still finds the
        // method; sent from a second connection like any other client.
        QDBusConnection client =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, "zorvi-bare-client");
        const QDBusMessage reply = client.call(
                QDBusMessage::createMethodCall(BusPrefix + "zorviplayer", "/org/mpris/MediaPlayer2",
                                               QString(), "Quit"),
                QDBus::BlockWithGui, 10000);
        QDBusConnection::disconnectFromBus("zorvi-bare-client");
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(counts(), (QList<int>{1, 2, 1, 1, 1, 1, 1, 1}), Patience);

        // Wrong arguments and unknown methods are refused and emit nothing.
        const Run badArgs = gdbusCall(Player + ".Seek", {"'text'"});
        QVERIFY(badArgs.exitCode != 0);
        const Run unknown = gdbusCall(Player + ".Record");
        QVERIFY(unknown.exitCode != 0);
        QVERIFY2(unknown.err.contains("UnknownMethod"), qPrintable(unknown.err));
        QTest::qWait(100);
        QCOMPARE(counts(), (QList<int>{1, 2, 1, 1, 1, 1, 1, 1}));
    }

    void takenNameFallsBackToInstanceName()
    {
        // Another client already owns the well-known name.
        QDBusConnection other =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, "zorvi-other-player");
        QVERIFY(other.isConnected());
        QVERIFY(other.registerService(BusPrefix + "zorviplayer"));

        auto controls = makeControls();
        QVERIFY(controls->isAvailable());
        const QString instance =
                QStringLiteral("zorviplayer.instance%1").arg(QCoreApplication::applicationPid());
        QCOMPARE(playerName(), instance);
        QVERIFY(run("playerctl", {"-l"}).out.split('\n').contains(instance));
        controls->setTrack("Second", "Instance", "", QString(), false);
        QCOMPARE(playerctl({"metadata", "title"}).out, QStringLiteral("Second"));

        // Going away releases the name.
        controls.reset();
        QVERIFY(!run("playerctl", {"-l"}).out.split('\n').contains(instance));
        other.unregisterService(BusPrefix + "zorviplayer");
        QDBusConnection::disconnectFromBus("zorvi-other-player");
    }

    void unavailableWithoutSessionBus_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        // No address and no display: nowhere to find or start a bus.
        QTest::newRow("no bus at all") << QString() << "DISPLAY";
        QTest::newRow("bus gone away")
                << "unix:path=" + m_dir.filePath("no-bus-here") << "no-bus-here";
    }
    void unavailableWithoutSessionBus()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        if (qEnvironmentVariableIsSet("ZORVI_MC_CHILD")) {
            // In the child: the object exists, says so once, and every
            // operation is a harmless no-op.
            QVERIFY(!QDBusConnection::sessionBus().isConnected());
            MediaControls controls(m_window.get(), nullptr);
            QVERIFY(!controls.isAvailable());
            QSignalSpy play(&controls, &MediaControls::playRequested);
            controls.setTrack("t", "a", "b", writeFile("c.jpg", "x"), false);
            controls.setPlaybackState(true, true);
            controls.setPlaybackState(false, false);
            QCOMPARE(play.count(), 0);
            return;
        }
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_MC_CHILD", "1");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        if (!address.isEmpty())
            env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        // Without these removed, the bus library would start a private bus
        // through the X display or find the user's runtime socket.
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(
                QCoreApplication::applicationFilePath(),
                {QStringLiteral("unavailableWithoutSessionBus:%1").arg(QTest::currentDataTag())});
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromUtf8(child.readAll());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(output));
        QVERIFY2(output.contains("PASS   : tst_MediaControls::unavailableWithoutSessionBus"),
                 qPrintable(output));
        QCOMPARE(output.count("painel de midia indisponivel: "), 1);
        const QString line =
                output.section("painel de midia indisponivel: ", 1).section('\n', 0, 0);
        QVERIFY2(line.contains(reason), qPrintable(line));
    }
};

QTEST_MAIN(tst_MediaControls)
#include "tst_mediacontrols.moc"
