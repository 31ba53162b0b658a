#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/LoadedFile.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/window/PlaybackSession.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The playback session's rules without a window: when an item resumes, what
// its end leaves in the history, and when a play counts. A real engine plays
// generated media; the database is a real file in a private folder.
class tst_PlaybackSession final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    // The timers never fire on their own here: each test drives the session.
    static constexpr int NeverMs = 24 * 3600 * 1000;

    std::unique_ptr<PlaybackSession> makeSession()
    {
        auto session = std::make_unique<PlaybackSession>(m_core.get(), Database::instance());
        session->setIntervals(NeverMs, NeverMs);
        return session;
    }

    static void storeHistory(const QString &path, const QString &kind, double position,
                             double duration, bool finished)
    {
        Database::instance()->removeHistory(path);
        HistoryEntry entry;
        entry.path = path;
        entry.kind = kind;
        entry.title = QStringLiteral("stored");
        entry.position = position;
        entry.duration = duration;
        entry.finished = finished;
        Database::instance()->recordHistory(entry);
    }

    QString silence(const QString &name, int seconds)
    {
        const QString path = m_media.filePath(name);
        const bool ok = TestMedia::ffmpeg({"-f", "lavfi", "-i", "anullsrc=r=8000:cl=mono", "-t",
                                           QString::number(seconds), "-c:a", "flac", path});
        return ok ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-playbacksession")));
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
    }

    void cleanupTestCase()
    {
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        m_core.reset();
    }

    void nearEnd_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("duration");
        QTest::addColumn<bool>("nearEnd");
        // The margin is 3 % of the length, at least 10 s.
        QTest::newRow("short item, 11 s left") << 49.0 << 60.0 << false;
        QTest::newRow("short item, 10 s left") << 50.0 << 60.0 << true;
        QTest::newRow("long item, 181 s left") << 5819.0 << 6000.0 << false;
        QTest::newRow("long item, 180 s left") << 5820.0 << 6000.0 << true;
        QTest::newRow("unknown length") << 500.0 << 0.0 << false;
    }

    void nearEnd()
    {
        QFETCH(double, position);
        QFETCH(double, duration);
        QFETCH(bool, nearEnd);
        QCOMPARE(PlaybackSession::isNearEnd(position, duration), nearEnd);
    }

    void loadResumesOnlyWhereItShould_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("hasVideo");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("stored");
        QTest::addColumn<bool>("storedFinished");
        QTest::addColumn<bool>("resumeSetting");
        QTest::addColumn<bool>("requested");
        QTest::addColumn<bool>("resumes");

        QTest::newRow("video") << "film.mkv" << true << 600.0 << 120.0 << false << true << false
                               << true;
        QTest::newRow("video, finished")
                << "film.mkv" << true << 600.0 << 120.0 << true << true << false << false;
        QTest::newRow("video, too early")
                << "film.mkv" << true << 600.0 << 5.0 << false << true << false << false;
        QTest::newRow("video, too late")
                << "film.mkv" << true << 600.0 << 590.0 << false << true << false << false;
        QTest::newRow("video, setting off")
                << "film.mkv" << true << 600.0 << 120.0 << false << false << false << false;
        QTest::newRow("video, setting off, asked for")
                << "film.mkv" << true << 600.0 << 120.0 << false << false << true << true;
        QTest::newRow("short audio")
                << "song.flac" << false << 900.0 << 120.0 << false << true << false << false;
        QTest::newRow("short audio, asked for")
                << "song.flac" << false << 900.0 << 120.0 << false << true << true << true;
        QTest::newRow("long audio")
                << "book.flac" << false << 1500.0 << 120.0 << false << true << false << true;
    }

    void loadResumesOnlyWhereItShould()
    {
        QFETCH(QString, file);
        QFETCH(bool, hasVideo);
        QFETCH(double, duration);
        QFETCH(double, stored);
        QFETCH(bool, storedFinished);
        QFETCH(bool, resumeSetting);
        QFETCH(bool, requested);
        QFETCH(bool, resumes);

        const QString path = m_media.filePath(file);
        storeHistory(path, hasVideo ? "video" : "audio", stored, duration, storedFinished);
        appSettings().setValue(QStringLiteral("playback/resume"), resumeSetting);
        auto session = makeSession();
        if (requested)
            session->requestResume(path);
        QSignalSpy resumed(session.get(), &PlaybackSession::resumedAt);

        LoadedFile loaded;
        loaded.path = path;
        loaded.title = QStringLiteral("Loaded title");
        loaded.durationSeconds = duration;
        loaded.hasVideo = hasVideo;
        session->handleFileLoaded(loaded);

        QCOMPARE(session->currentPath(), path);
        QCOMPARE(resumed.count(), resumes ? 1 : 0);
        if (resumes)
            QCOMPARE(resumed.first().first().toDouble(), stored);
        // The load books the item, keeping an unfinished point for next time.
        const auto row = Database::instance()->historyEntry(path);
        QVERIFY(row);
        QVERIFY(!row->finished);
        QCOMPARE(row->position, storedFinished ? 0.0 : stored);
        QCOMPARE(row->kind, hasVideo ? QStringLiteral("video") : QStringLiteral("audio"));
        appSettings().remove(QStringLiteral("playback/resume"));
    }

    void endLeavesTheRightHistory_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("duration");
        // -1: no row; otherwise the finished flag expected.
        QTest::addColumn<int>("finished");
        QTest::addColumn<double>("storedPosition");

        QTest::newRow("video stopped") << "/media/a.mkv"
                                       << "stop" << 100.0 << 600.0 << 0 << 100.0;
        QTest::newRow("video at its end") << "/media/a.mkv"
                                          << "eof" << 600.0 << 600.0 << 1 << 600.0;
        QTest::newRow("video stopped near its end") << "/media/a.mkv"
                                                    << "stop" << 595.0 << 600.0 << 1 << 595.0;
        QTest::newRow("song stopped") << "/media/a.flac"
                                      << "stop" << 100.0 << 600.0 << 0 << 100.0;
        QTest::newRow("song played out") << "/media/a.flac"
                                         << "eof" << 600.0 << 600.0 << -1 << 0.0;
        QTest::newRow("stream") << "http://127.0.0.1:9/live"
                                << "stop" << 100.0 << 0.0 << 0 << 0.0;
        QTest::newRow("error") << "/media/b.mkv"
                               << "error" << 0.0 << 0.0 << -1 << 0.0;
        QTest::newRow("redirect") << "/media/c.mkv"
                                  << "redirect" << 0.0 << 0.0 << -1 << 0.0;
    }

    void endLeavesTheRightHistory()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QFETCH(double, position);
        QFETCH(double, duration);
        QFETCH(int, finished);
        QFETCH(double, storedPosition);

        Database::instance()->removeHistory(path);
        auto session = makeSession();
        session->handleFileEnded(path, reason, position, duration);
        const auto row = Database::instance()->historyEntry(path);
        QCOMPARE(bool(row), finished >= 0);
        if (!row)
            return;
        QCOMPARE(row->finished, finished == 1);
        QCOMPARE(row->position, storedPosition);
    }

    void quietSaveTellsNobody()
    {
        const QString film =
                TestMedia::solidVideo(m_media.filePath("quiet.mp4"), 30, "blue", 32, 32);
        QVERIFY(!film.isEmpty());
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {film}, 0, 0));
        QTRY_VERIFY(m_core->hasVideo());
        auto session = makeSession();
        LoadedFile loaded;
        loaded.path = film;
        loaded.durationSeconds = m_core->duration();
        loaded.hasVideo = true;
        QSignalSpy changed(Database::instance(), &Database::historyChanged);
        session->handleFileLoaded(loaded);
        QCOMPARE(changed.count(), 1);
        QVERIFY(PlayerTestUtil::seekPausedTo(*m_core, 12, 0.5));
        session->saveResumePoint(true);
        // The row moved, and no list was told to reload.
        const auto row = Database::instance()->historyEntry(film);
        QVERIFY(row);
        QVERIFY2(qAbs(row->position - 12) < 0.6, qPrintable(QString::number(row->position)));
        QCOMPARE(changed.count(), 1);
        // Unforced, a paused item keeps its point.
        QVERIFY(PlayerTestUtil::seekPausedTo(*m_core, 20, 0.5));
        session->saveResumePoint(false);
        QVERIFY(qAbs(Database::instance()->historyEntry(film)->position - 12) < 0.6);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
    }

    void playCountsAfterHalfOrThirtySeconds_data()
    {
        QTest::addColumn<int>("lengthSeconds");
        QTest::addColumn<int>("ticksNeeded");
        QTest::newRow("40 s song: half") << 40 << 20;
        QTest::newRow("100 s song: 30 s") << 100 << 30;
    }

    void playCountsAfterHalfOrThirtySeconds()
    {
        QFETCH(int, lengthSeconds);
        QFETCH(int, ticksNeeded);
        const QString song =
                silence(QStringLiteral("count%1.flac").arg(lengthSeconds), lengthSeconds);
        QVERIFY(!song.isEmpty());
        auto session = makeSession();
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {song}, 0, 0));
        LoadedFile loaded;
        loaded.path = song;
        loaded.durationSeconds = m_core->duration();
        session->handleFileLoaded(loaded);
        auto playCount = [&song] {
            const auto row = Database::instance()->mediaByPath(song);
            return row ? row->playCount : -1;
        };
        QCOMPARE(playCount(), 0);

        // Paused time does not count.
        m_core->setPaused(true);
        QTRY_VERIFY(m_core->isPaused());
        for (int i = 0; i < ticksNeeded + 5; ++i)
            session->tick();
        QCOMPARE(session->playedSeconds(), 0.0);

        m_core->setPaused(false);
        QTRY_VERIFY(!m_core->isPaused());
        for (int i = 0; i < ticksNeeded - 1; ++i)
            session->tick();
        QCOMPARE(playCount(), 0);
        QVERIFY(!session->playCounted());
        session->tick();
        QCOMPARE(playCount(), 1);
        // Once per load.
        for (int i = 0; i < ticksNeeded; ++i)
            session->tick();
        QCOMPARE(playCount(), 1);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
    }

    void shortenedTimersDriveTheSession()
    {
        const QString song = silence(QStringLiteral("timers.flac"), 40);
        QVERIFY(!song.isEmpty());
        PlaybackSession session(m_core.get(), Database::instance());
        QCOMPARE(session.tickIntervalMs(), PlaybackSession::DefaultTickMs);
        session.setIntervals(10, NeverMs);
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {song}, 0, 0));
        LoadedFile loaded;
        loaded.path = song;
        loaded.durationSeconds = m_core->duration();
        session.handleFileLoaded(loaded);
        // 20 ticks of 10 ms count the play well before 20 real seconds.
        QTRY_VERIFY_WITH_TIMEOUT(session.playCounted(), 5000);
        QVERIFY(m_core->position() < 15);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
    }
};

QTEST_GUILESS_MAIN(tst_PlaybackSession)
#include "tst_playbacksession.moc"
