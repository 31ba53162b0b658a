#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/Actions.h"
#include "ui/CardView.h"
#include "ui/GotoTime.h"
#include "ui/ItemRoles.h"
#include "ui/MainWindow.h"
#include "ui/SpeedText.h"
#include "ui/Toast.h"
#include "ui/pages/HomePage.h"
#include "ui/window/MediaOpener.h"
#include "ui/window/PageNavigator.h"
#include "ui/window/PlaybackSession.h"
#include "ui/window/PlayerCommands.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

// The command layer of the main window against a real engine (no audio or
// video output), a real database in a private folder and media made by ffmpeg.
class tst_Commands final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;
    QString m_video;      // 60 s
    QString m_other;      // 20 s, used to move away from an item
    QString m_longVideo;  // 100 min
    QString m_shortAudio; // 15 min
    QString m_longAudio;  // 25 min

    static QString longVideo(const QString &path, int seconds)
    {
        // One 16x16 frame per second keeps an hour and a half of video tiny.
        const bool ok =
                TestMedia::ffmpeg({"-f", "lavfi", "-i", QStringLiteral("color=c=blue:s=16x16:r=1"),
                                   "-t", QString::number(seconds), "-c:v", "libx264", "-preset",
                                   "ultrafast", "-g", "30", "-pix_fmt", "yuv420p", path});
        return ok ? path : QString();
    }

    static QString silence(const QString &path, int seconds)
    {
        // FLAC stores silence in a few bytes per frame.
        const bool ok =
                TestMedia::ffmpeg({"-f", "lavfi", "-i", QStringLiteral("anullsrc=r=8000:cl=mono"),
                                   "-t", QString::number(seconds), "-c:a", "flac", path});
        return ok ? path : QString();
    }

    QString toastText() const { return m_window->toastWidget()->text(); }

    void trigger(const char *id)
    {
        QAction *action = Actions::instance()->action(QString::fromLatin1(id));
        QVERIFY2(action, id);
        action->trigger();
    }

    void waitIdle() { QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core)); }

    // Plays path through the window and waits until the window took it as
    // the current item and the engine knows its length.
    void playAndWait(const QString &path)
    {
        m_window->playPaths({path}, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPath(), path, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->duration() > 0, 10000);
    }

    QWidget *resumeCard() const
    {
        for (QWidget *child : m_window->videoArea()->findChildren<QWidget *>(
                     QStringLiteral("Card"), Qt::FindDirectChildrenOnly)) {
            if (child->findChild<QPushButton *>())
                return child;
        }
        return nullptr;
    }

    void seekAndWait(double seconds)
    {
        m_core->seekAbsolute(seconds);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(m_core->position() - seconds) < 2.5, 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-commands")));

        m_video = TestMedia::solidVideo(m_media.filePath("film.mp4"), 60, "blue", 64, 48);
        m_other = TestMedia::solidVideo(m_media.filePath("other.mp4"), 20, "red", 64, 48);
        m_longVideo = longVideo(m_media.filePath("long film.mp4"), 6000);
        m_shortAudio = silence(m_media.filePath("fifteen.flac"), 900);
        m_longAudio = silence(m_media.filePath("twentyfive.flac"), 1500);
        for (const QString &file : {m_video, m_other, m_longVideo, m_shortAudio, m_longAudio}) {
            QVERIFY(!file.isEmpty());
            QVERIFY2(QFileInfo(file).size() < 400 * 1024, qPrintable(file));
        }

        m_core = PlayerTestUtil::startCore();

        QVERIFY(m_core);
        m_window = std::make_unique<MainWindow>(m_core.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanupTestCase()
    {
        waitIdle();
        m_window.reset();
        m_core.reset();
    }

    void init()
    {
        uiEnglish = true;
        appSettings().remove(QStringLiteral("playback"));
        appSettings().remove(QStringLiteral("general/openMode"));
        waitIdle();
        m_core->setSpeed(1.0);
        QTRY_COMPARE(m_core->speed(), 1.0);
    }

    void goToTimeText()
    {
        QCOMPARE(parseGotoTime("1:23:45"), 5025.0);
        QCOMPARE(parseGotoTime("12:30"), 750.0);
        QCOMPARE(parseGotoTime(" 90 "), 90.0);
        QCOMPARE(parseGotoTime("1,5"), 1.5);
        QCOMPARE(parseGotoTime("1::5"), 3605.0);
        QCOMPARE(parseGotoTime("2:x"), 120.0);
        QCOMPARE(parseGotoTime("nan"), 0.0);
        QCOMPARE(parseGotoTime("inf:3"), 3.0);
    }

    void speedTextInBothLanguages()
    {
        QCOMPARE(speedText(1.25), QStringLiteral("1.25x"));
        QCOMPARE(speedText(2), QStringLiteral("2x"));
        QCOMPARE(speedText(0.5), QStringLiteral("0.5x"));
        uiEnglish = false;
        QCOMPARE(speedText(1.25), QStringLiteral("1,25x"));
        QCOMPARE(speedText(1.5), QStringLiteral("1,5x"));
        uiEnglish = true;
    }

    void expandPathsSortsFoldersAndReadsPlaylists()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath("show/Season");
        const QString b10 = TestMedia::solidVideo(dir.filePath("show/b10.mp4"), 1, "green", 32, 32);
        const QString b2 = TestMedia::solidVideo(dir.filePath("show/b2.mp4"), 1, "green", 32, 32);
        const QString inner =
                TestMedia::solidVideo(dir.filePath("show/Season/B3.mp4"), 1, "green", 32, 32);
        QVERIFY(!b10.isEmpty() && !b2.isEmpty() && !inner.isEmpty());
        QFile notes(dir.filePath("show/notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not media");
        notes.close();

        QFile list(dir.filePath("list.m3u"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("#EXTM3U\n#EXTINF:20,Other\n");
        list.write(m_other.toUtf8() + "\nhttp://127.0.0.1:9/live.m3u8\n");
        list.close();

        const QString missing = dir.filePath("gone.mp4");
        const QStringList items = MediaOpener::expandPaths(
                {dir.filePath("show"), missing, dir.filePath("list.m3u"),
                 QStringLiteral("https://example.invalid/a.mp3"),
                 QUrl::fromLocalFile(m_video).toString(), dir.filePath("broken.pls")});
        QCOMPARE(items, QStringList({b2, b10, inner, m_other,
                                     QStringLiteral("http://127.0.0.1:9/live.m3u8"),
                                     QStringLiteral("https://example.invalid/a.mp3"), m_video}));

        // The folder plays in that order through the command-line path.
        m_window->openArguments({QStringLiteral("--ignored"), dir.filePath("show")}, false);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->queue().size(), 3, 10000);
        QCOMPARE(m_core->queue().at(0).path, b2);
        QCOMPARE(m_core->queue().at(1).path, b10);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPath(), b2, 10000);
    }

    void videoResumesWithNoticeAndStartsOver()
    {
        Database::instance()->removeHistory(m_video);
        playAndWait(m_video);
        QVERIFY(!resumeCard());
        seekAndWait(30);
        // Moving on stores the point where the film was left.
        playAndWait(m_other);
        auto row = Database::instance()->historyEntry(m_video);
        QVERIFY(row);
        QVERIFY(!row->finished);
        QVERIFY2(std::abs(row->position - 30) < 2.5, qPrintable(QString::number(row->position)));
        QCOMPARE(row->kind, QStringLiteral("video"));

        playAndWait(m_video);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 28, 10000);
        QTRY_VERIFY(resumeCard());
        QWidget *card = resumeCard();
        QVERIFY(card->isVisible());
        QCOMPARE(card->pos(), QPoint(24, 24));
        auto *label = card->findChild<QLabel *>();
        QVERIFY(label);
        QVERIFY2(label->text().startsWith(QStringLiteral("Resuming from 0:")),
                 qPrintable(label->text()));
        auto *button = card->findChild<QPushButton *>();
        QCOMPARE(button->text().trimmed(), QStringLiteral("Start over"));
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() < 5, 10000);
        QTRY_VERIFY(!resumeCard());

        // Without the notice setting the point is still used, silently.
        appSettings().setValue(QStringLiteral("playback/resumeNotice"), false);
        seekAndWait(40);
        playAndWait(m_other);
        playAndWait(m_video);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 38, 10000);
        QVERIFY(!resumeCard());
    }

    // The home page's continue card picks a film up where it was left.
    void continueCardResumes()
    {
        waitIdle();
        HistoryEntry entry;
        entry.path = m_video;
        entry.kind = QStringLiteral("video");
        entry.title = QStringLiteral("film");
        entry.position = 30;
        entry.duration = 60;
        Database::instance()->recordHistory(entry);
        m_window->navigate(QStringLiteral("home"));
        auto *home = qobject_cast<HomePage *>(m_window->navigator()->page(QStringLiteral("home")));
        QVERIFY(home);
        CardView *row = home->continueRow();
        const auto cardOf = [row, this] {
            for (int i = 0; i < row->model()->rowCount(); ++i) {
                if (row->model()->item(i)->data(ItemRole::Path).toString() == m_video)
                    return i;
            }
            return -1;
        };
        QTRY_VERIFY(cardOf() >= 0);
        row->setCurrentIndex(row->model()->index(cardOf(), 0));
        QTest::keyClick(row, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPath(), m_video, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 29.5, 10000);
        QVERIFY2(m_core->position() < 33, qPrintable(QString::number(m_core->position())));
        // The next tests start stopped, without the resume notice.
        waitIdle();
        QTRY_VERIFY_WITH_TIMEOUT(!resumeCard(), 10000);
    }

    void storedPointsTooEarlyOrTooLateAreIgnored()
    {
        for (double stored : {4.0, 52.0}) {
            HistoryEntry entry;
            entry.path = m_video;
            entry.kind = QStringLiteral("video");
            entry.title = QStringLiteral("film");
            entry.position = stored;
            entry.duration = 60;
            Database::instance()->recordHistory(entry);
            playAndWait(m_video);
            // Playback moved on, so a resume seek would have landed by now.
            QTRY_VERIFY(m_core->position() > 0.3);
            QVERIFY2(m_core->position() < 3.5, qPrintable(QString::number(stored)));
            QVERIFY(!resumeCard());
            playAndWait(m_other);
        }
    }

    void longVideoFinishedByTheThreePercentMargin()
    {
        Database::instance()->removeHistory(m_longVideo);
        // Stopped at 97 minutes: within the last 3 % (180 s), so finished.
        playAndWait(m_longVideo);
        seekAndWait(97 * 60);
        playAndWait(m_other);
        auto row = Database::instance()->historyEntry(m_longVideo);
        QVERIFY(row);
        QVERIFY(row->finished);
        playAndWait(m_longVideo);
        QTRY_VERIFY(m_core->position() > 0.3);
        QVERIFY2(m_core->position() < 60, qPrintable(QString::number(m_core->position())));
        QVERIFY(!resumeCard());

        // Stopped at 96 minutes: resumes there.
        seekAndWait(96 * 60);
        playAndWait(m_other);
        row = Database::instance()->historyEntry(m_longVideo);
        QVERIFY(row);
        QVERIFY(!row->finished);
        playAndWait(m_longVideo);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 95 * 60, 10000);
        QTRY_VERIFY(resumeCard());
    }

    void onlyLongAudioResumes()
    {
        for (const QString &file : {m_shortAudio, m_longAudio}) {
            Database::instance()->removeHistory(file);
            playAndWait(file);
            QVERIFY(!m_core->hasVideo());
            seekAndWait(300);
            // The periodic save skips short audio.
            m_window->session()->saveResumePoint(false);
            auto row = Database::instance()->historyEntry(file);
            QVERIFY(row);
            if (file == m_shortAudio)
                QCOMPARE(row->position, 0.0);
            else
                QVERIFY(std::abs(row->position - 300) < 2.5);
            playAndWait(m_other);
            playAndWait(file);
            QTRY_VERIFY(m_core->position() > 0.3);
            if (file == m_shortAudio) {
                QVERIFY2(m_core->position() < 10, qPrintable(QString::number(m_core->position())));
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 295, 10000);
            }
            seekAndWait(300);
        }
        // "Continue" entries resume even short audio.
        playAndWait(m_other);
        m_window->playPath(m_shortAudio);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPath(), m_shortAudio, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 295, 10000);
    }

    void finishedSongStaysOutOfHistoryAndPlaysAreCounted()
    {
        const QString song = TestMedia::tone(m_media.filePath("song.mp3"), 3);
        const QString forty = TestMedia::tone(m_media.filePath("forty.mp3"), 40);
        QVERIFY(!song.isEmpty() && !forty.isEmpty());
        const QString clip = TestMedia::solidVideo(m_media.filePath("clip.mp4"), 3, "red", 32, 32);
        QVERIFY(!clip.isEmpty());

        // The song plays to its end and the clip follows.
        m_window->playPaths({song, clip}, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPath(), clip, 15000);
        // The engine keeps the last item open, paused at its end.
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused() && m_core->position() > 2, 15000);
        waitIdle();
        auto songRow = Database::instance()->historyEntry(song);
        QVERIFY(songRow); // the load wrote it
        QVERIFY(!songRow->finished);
        QCOMPARE(songRow->position, 0.0);
        auto clipRow = Database::instance()->historyEntry(clip);
        QVERIFY(clipRow);
        QVERIFY(clipRow->finished);

        // A 40 s song counts after 20 s of playback, not before. The window's
        // playing clock runs ten times faster here.
        PlaybackSession *session = m_window->session();
        session->setIntervals(PlaybackSession::DefaultTickMs / 10,
                              PlaybackSession::DefaultResumeSaveMs);
        auto restore = qScopeGuard([session] {
            session->setIntervals(PlaybackSession::DefaultTickMs,
                                  PlaybackSession::DefaultResumeSaveMs);
        });
        playAndWait(forty);
        auto playCount = [&forty] {
            const auto row = Database::instance()->mediaByPath(forty);
            return row ? row->playCount : -1;
        };
        QCOMPARE(playCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(session->playedSeconds() >= 16, 10000);
        QCOMPARE(playCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(playCount(), 1, 10000);
        QVERIFY2(session->playedSeconds() >= 20,
                 qPrintable(QString::number(session->playedSeconds())));
        // Only playing time counts: far less than 20 s of the song went by.
        QVERIFY2(m_core->position() < 15, qPrintable(QString::number(m_core->position())));
    }

    void commandsAnswerWithToasts()
    {
        playAndWait(m_video);

        m_core->setSpeed(7.9);
        QTRY_COMPARE(m_core->speed(), 7.9);
        trigger("speed_up");
        QTRY_COMPARE(m_core->speed(), 8.0);
        QCOMPARE(toastText(), QStringLiteral("Speed 8x"));
        trigger("speed_reset");
        QTRY_COMPARE(m_core->speed(), 1.0);
        trigger("speed_fine_down");
        QTRY_COMPARE(m_core->speed(), 0.95);
        QCOMPARE(toastText(), QStringLiteral("Speed 0.95x"));
        m_window->commands()->applySpeed(0.05);
        QTRY_COMPARE(m_core->speed(), 0.1);
        QCOMPARE(appSettings().value("playback/speed").toDouble(), 0.1);
        m_window->commands()->applySpeed(1);

        trigger("seek_fwd10");
        QCOMPARE(toastText(), QStringLiteral("+10 s"));
        trigger("seek_back60");
        QCOMPARE(toastText(), QStringLiteral("-60 s"));
        trigger("seek_fwd");
        QCOMPARE(toastText(), QStringLiteral("+5 s"));
        appSettings().setValue("playback/seekStep", 12);
        trigger("seek_back");
        QCOMPARE(toastText(), QStringLiteral("-12 s"));

        const double volume = m_core->volume();
        m_core->setVolume(198);
        QTRY_COMPARE(m_core->volume(), 198.0);
        trigger("vol_up");
        QTRY_COMPARE(m_core->volume(), 200.0);
        QCOMPARE(toastText(), QStringLiteral("Volume 200%"));
        m_core->setVolume(volume);

        const bool muted = m_core->isMuted();
        trigger("mute");
        QCOMPARE(toastText(), muted ? QStringLiteral("Sound on") : QStringLiteral("Muted"));
        QTRY_COMPARE(m_core->isMuted(), !muted);
        trigger("mute");
        QTRY_COMPARE(m_core->isMuted(), muted);

        m_core->setRepeat(PlayerCore::RepeatOff);
        trigger("repeat");
        QCOMPARE(toastText(), QStringLiteral("Repeat all"));
        trigger("repeat");
        QCOMPARE(toastText(), QStringLiteral("Repeat one"));
        QCOMPARE(m_core->repeat(), PlayerCore::RepeatOne);
        trigger("repeat");
        QCOMPARE(toastText(), QStringLiteral("Repeat off"));

        trigger("zoom_in");
        QCOMPARE(toastText(), QStringLiteral("Zoom 107%"));
        QVERIFY(std::abs(getPropertyDouble(m_core->handle(), "video-zoom") - 0.1) < 1e-6);
        trigger("zoom_reset");
        QCOMPARE(toastText(), QStringLiteral("Zoom 100%"));
        QVERIFY(std::abs(getPropertyDouble(m_core->handle(), "video-zoom")) < 1e-6);

        trigger("rotate");
        QCOMPARE(toastText(), QStringLiteral("Rotation 90°"));
        QCOMPARE(getPropertyInt(m_core->handle(), "video-rotate"), 90);
        for (int i = 0; i < 3; ++i)
            trigger("rotate");
        QCOMPARE(toastText(), QStringLiteral("Rotation 0°"));

        trigger("audio_delay_plus");
        QCOMPARE(toastText(), QStringLiteral("Audio delay: 0.10 s"));
        trigger("audio_delay_minus");
        QTRY_COMPARE(toastText(), QStringLiteral("Audio delay: 0.00 s"));

        seekAndWait(10);
        trigger("ab_loop");
        QTRY_VERIFY(toastText().startsWith(QStringLiteral("A set at 0:1")));
        seekAndWait(20);
        trigger("ab_loop");
        QTRY_VERIFY2(toastText().startsWith(QStringLiteral("Looping 0:")), qPrintable(toastText()));
        trigger("ab_loop");
        QTRY_COMPARE(toastText(), QStringLiteral("A-B repeat off"));

        uiEnglish = false;
        trigger("shuffle");
        QCOMPARE(toastText(), m_core->shuffle() ? QStringLiteral("Aleatório ligado")
                                                : QStringLiteral("Aleatório desligado"));
        trigger("shuffle");
        uiEnglish = true;
    }

    void aspectCycleRestartsWhenAFileLoads()
    {
        playAndWait(m_video);
        const QStringList labels = {
                "16:9",    "4:3", "21:9", "2,35:1", "1:1", "9:16", "Fill screen (crop)",
                "Stretch", "Auto"};
        for (const QString &label : labels) {
            trigger("aspect_cycle");
            QCOMPARE(toastText(), QStringLiteral("Aspect: ") + label);
            const QString panscan = getPropertyString(m_core->handle(), "panscan");
            const QString keep = getPropertyString(m_core->handle(), "keepaspect");
            QCOMPARE(panscan.toDouble() == 1.0, label.startsWith("Fill"));
            QCOMPARE(keep == QLatin1String("no"), label == QLatin1String("Stretch"));
        }
        trigger("aspect_cycle");
        trigger("aspect_cycle");
        QCOMPARE(toastText(), QStringLiteral("Aspect: 4:3"));
        playAndWait(m_other);
        trigger("aspect_cycle");
        QCOMPARE(toastText(), QStringLiteral("Aspect: 16:9"));
    }

    void secondStartHandsItsFilesOver()
    {
        const QString exe = TestMedia::playerExecutable();
        QVERIFY(QFileInfo::exists(exe));
        for (const QString &mode : {QStringLiteral("queue"), QStringLiteral("play")}) {
            QTemporaryDir home;
            QVERIFY(home.isValid());
            QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
            env.insert(QStringLiteral("ZORVIPLAYER_OPT"), QStringLiteral("vo=null;ao=null"));
            const QString data = home.path() + QStringLiteral("/data/orvandel/ZorviPlayer");
            QVERIFY(QDir().mkpath(data));
            {
                // Written by hand: QSettings stores a group named "general" as
                // "[%General]", which reads back as "General" and is lost on a
                // case-sensitive system.
                QFile config(data + QStringLiteral("/config.ini"));
                QVERIFY(config.open(QIODevice::WriteOnly));
                config.write("[General]\ngeneral\\openMode=" + mode.toUtf8() +
                             "\ngeneral\\checkUpdates=false\n");
            }
            const QString logFile = data + QStringLiteral("/logs/zorvi-player.log");
            auto log = [&logFile] {
                QFile file(logFile);
                return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                      : QString();
            };

            QProcess first;
            first.setProcessEnvironment(env);
            first.start(exe, {m_video});
            QVERIFY(first.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(
                    log().contains(QStringLiteral("argumentos tocados: ") + m_video), 20000);

            QProcess second;
            second.setProcessEnvironment(env);
            second.start(exe, {m_other});
            QVERIFY(second.waitForFinished(15000));
            QCOMPARE(second.exitCode(), 0);
            const QString expected = mode == QLatin1String("queue")
                                             ? QStringLiteral("argumentos na fila: ")
                                             : QStringLiteral("argumentos tocados: ");
            QTRY_VERIFY_WITH_TIMEOUT(log().contains(expected + m_other), 15000);

            // What actually loaded is in that instance's history.
            Database *probe = Database::instance();
            auto loaded = [&](const QString &path) {
                return probe->open(data + QStringLiteral("/biblioteca.db")) &&
                       probe->historyEntry(path).has_value();
            };
            QTRY_VERIFY_WITH_TIMEOUT(loaded(m_video), 10000);
            if (mode == QLatin1String("play")) {
                QTRY_VERIFY_WITH_TIMEOUT(loaded(m_other), 15000);
            } else {
                QTest::qWait(2000);
                QVERIFY(!loaded(m_other));
            }

            first.terminate();
            QVERIFY(first.waitForFinished(20000));
            QCOMPARE(first.exitCode(), 0);
        }
        QVERIFY(Database::instance()->open());
    }
};

QTEST_MAIN(tst_Commands)
#include "tst_commands.moc"
