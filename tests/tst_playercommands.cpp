#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/window/PlayerCommands.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

// The playback commands without a window: what each one tells the user, in
// both languages, and what it leaves in the engine.
class tst_PlayerCommands final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<PlayerCommands> m_commands;
    QString m_video;
    QString m_song;

    // The last toast text after running command.
    QString toastOf(const std::function<void()> &command)
    {
        QSignalSpy toasts(m_commands.get(), &PlayerCommands::toast);
        command();
        if (toasts.isEmpty() && !toasts.wait(2000))
            return QStringLiteral("<no toast>");
        return toasts.constLast().first().toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-playercommands")));
        m_video = TestMedia::solidVideo(m_media.filePath("film.mp4"), 30, "blue", 32, 32);
        m_song = TestMedia::tone(m_media.filePath("song.mp3"), 30);
        QVERIFY(!m_video.isEmpty() && !m_song.isEmpty());
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
        m_commands = std::make_unique<PlayerCommands>(m_core.get(), nullptr);
    }

    void cleanupTestCase()
    {
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        m_commands.reset();
        m_core.reset();
    }

    void textsInBothLanguages()
    {
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {m_song}, 0, 0));
        QTRY_VERIFY(!m_core->hasVideo());
        PlayerCommands *c = m_commands.get();
        const struct
        {
            const char *name;
            std::function<void()> command;
            const char *english;
            const char *portuguese;
        } cases[] = {
                {"seek back", [c] { c->seekBy(-2.5); }, "-2.5 s", "-2.5 s"},
                {"screenshot of audio", [c] { c->takeScreenshot(false); }, "Nothing to capture",
                 "Nada para capturar"},
                {"sleep timer", [c] { c->startSleepTimer(15); }, "Auto pause in 15 min",
                 "Pausa automática em 15 min"},
                {"sleep timer off", [c] { c->startSleepTimer(0); }, "Sleep timer cancelled",
                 "Temporizador cancelado"},
                {"aspect by index", [c] { c->applyAspect(3); }, "Aspect: 21:9", "Proporção: 21:9"},
                {"fill", [c] { c->applyAspect(7); }, "Aspect: Fill screen (crop)",
                 "Proporção: Preencher a tela (corta bordas)"},
        };
        for (const auto &row : cases) {
            for (bool english : {true, false}) {
                uiEnglish = english;
                const QString text = toastOf(row.command);
                QCOMPARE(text, QString::fromUtf8(english ? row.english : row.portuguese));
            }
        }
        uiEnglish = true;
        // The update check is the updater's: a request, not a toast.
        QSignalSpy checkRequests(m_commands.get(), &PlayerCommands::updateCheckRequested);
        QSignalSpy toasts(m_commands.get(), &PlayerCommands::toast);
        m_commands->checkForUpdates();
        QCOMPARE(checkRequests.size(), 1);
        QVERIFY(toasts.isEmpty());
        // The cancelled timer really stopped; the last run of the case
        // table above cancelled it.
        QVERIFY(!m_commands->sleepTimerActive());
        m_commands->startSleepTimer(15);
        QVERIFY(m_commands->sleepTimerActive());
        QVERIFY(m_commands->sleepTimerRemainingMs() > 14 * 60000);
        m_commands->startSleepTimer(0);
        QVERIFY(!m_commands->sleepTimerActive());
    }

    void togglesReportTheNewState()
    {
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {m_video}, 0, 0));
        QSignalSpy mirror(m_commands.get(), &PlayerCommands::mirrorChanged);
        QCOMPARE(toastOf([this] { m_commands->toggleMirror(); }), QStringLiteral("Mirrored"));
        QCOMPARE(mirror.constLast().first().toBool(), true);
        QCOMPARE(toastOf([this] { m_commands->toggleMirror(); }), QStringLiteral("Mirror off"));
        QCOMPARE(mirror.constLast().first().toBool(), false);

        appSettings().setValue(QStringLiteral("audio/normalize"), false);
        QSignalSpy normalize(m_commands.get(), &PlayerCommands::normalizeChanged);
        QCOMPARE(toastOf([this] { m_commands->toggleNormalize(); }),
                 QStringLiteral("Normalization on"));
        QVERIFY(settingValue(QStringLiteral("audio/normalize")).toBool());
        QCOMPARE(normalize.constLast().first().toBool(), true);
        QCOMPARE(toastOf([this] { m_commands->toggleNormalize(); }),
                 QStringLiteral("Normalization off"));

        m_core->setShuffle(false);
        QCOMPARE(toastOf([this] { m_commands->toggleShuffle(); }), QStringLiteral("Shuffle on"));
        QVERIFY(m_core->shuffle());
        QCOMPARE(toastOf([this] { m_commands->toggleShuffle(); }), QStringLiteral("Shuffle off"));
    }

    void stepsBuildOnTheEngineValues()
    {
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {m_video}, 0, 0));
        // Two quick steps add up even before the mirror has heard of the first.
        m_core->setVolume(50);
        QTRY_COMPARE(m_core->volume(), 50.0);
        m_commands->changeVolumeBy(5);
        QCOMPARE(toastOf([this] { m_commands->changeVolumeBy(5); }), QStringLiteral("Volume 60%"));
        QTRY_COMPARE(m_core->volume(), 60.0);
        QCOMPARE(toastOf([this] { m_commands->changeVolumeBy(-500); }),
                 QStringLiteral("Volume 0%"));

        m_core->setSubDelay(0);
        m_commands->changeSubDelay(0.1);
        QCOMPARE(toastOf([this] { m_commands->changeSubDelay(0.1); }),
                 QStringLiteral("Subtitle delay: 0.20 s"));
        // The engine keeps the delay in single precision.
        QVERIFY(qAbs(m_core->subDelay() - 0.2) < 1e-6);

        QCOMPARE(toastOf([this] { m_commands->applySpeed(20); }), QStringLiteral("Speed 8x"));
        QTRY_COMPARE(m_core->speed(), 8.0);
        QCOMPARE(toastOf([this] { m_commands->applySpeed(1); }), QStringLiteral("Speed 1x"));

        // The cycle goes through every ratio and back to automatic.
        m_commands->applyAspect(0);
        for (int i = 1; i <= PlayerCommands::aspectCount(); ++i) {
            const int expected = i % PlayerCommands::aspectCount();
            QCOMPARE(toastOf([this] { m_commands->cycleAspect(); }),
                     QStringLiteral("Aspect: ") + PlayerCommands::aspectLabel(expected));
            QCOMPARE(m_commands->aspectIndex(), expected);
        }
    }
};

QTEST_GUILESS_MAIN(tst_PlayerCommands)
#include "tst_playercommands.moc"
