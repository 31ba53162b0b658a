#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/AudioFilters.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace PlayerTestUtil;

// Equalizer, normaliser and crossfade as one chain of engine audio filters,
// checked against the engine's own "af" property and, where it matters, the
// audio it actually writes.
class tst_Audio final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_long, m_three, m_two; // 8 s, 3 s, 2 s tones
    QString m_eleven, m_twelve;     // crossfade lengths
    QString m_four, m_videoTwelve;
    bool m_englishRun = false;

    static QStringList filters(bool eq, bool norm, double crossfade,
                               const QList<double> &gains = QList<double>(10, 0.0),
                               double preamp = 0, double fade = 1.0)
    {
        return audioFilterList({eq, gains, preamp, norm, crossfade, fade});
    }

    QString af(const PlayerCore &core) const { return getPropertyString(core.handle(), "af"); }

    // Peak of signed 16-bit mono samples in [from, to) seconds.
    static int peak(const QByteArray &pcm, int rate, double from, double to)
    {
        const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
        const qsizetype count = pcm.size() / 2;
        int result = 0;
        for (qsizetype i = qsizetype(from * rate); i < std::min(count, qsizetype(to * rate)); ++i)
            result = std::max(result, std::abs(int(samples[i])));
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_englishRun = qgetenv("ZORVI_PRESET_LANGUAGE") == "en";
        uiEnglish = m_englishRun;
        qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
        QVERIFY(m_dir.isValid());
        if (m_englishRun)
            return;
        const QString d = m_dir.path();
        m_long = TestMedia::tone(d + "/long.flac", 8);
        m_three = TestMedia::tone(d + "/three.flac", 3);
        m_two = TestMedia::tone(d + "/two.flac", 2);
        m_four = TestMedia::tone(d + "/four.flac", 4);
        m_eleven = TestMedia::tone(d + "/eleven.flac", 11);
        m_twelve = TestMedia::tone(d + "/twelve.flac", 12);
        m_videoTwelve = TestMedia::solidVideo(d + "/twelve.mp4", 12, "gray", 64, 48);
        for (const QString &file :
             {m_long, m_three, m_two, m_four, m_eleven, m_twelve, m_videoTwelve})
            QVERIFY2(!file.isEmpty(), "media generation failed");
    }

    void init()
    {
        appSettings().clear();
        uiEnglish = m_englishRun;
    }

    void presetsInInterfaceLanguage()
    {
        // The names are fixed at the first use, in the language of that moment.
        const QList<EqualizerPreset> &presets = equalizerPresets();
        uiEnglish = !uiEnglish;
        QCOMPARE(&equalizerPresets(), &presets);
        QCOMPARE(presets.size(), 15);
        QStringList names;
        for (const EqualizerPreset &preset : presets) {
            names << preset.name;
            QCOMPARE(preset.gains.size(), 10);
        }
        const QStringList english{
                "Flat",      "Bass boost", "Bass & treble", "Treble boost",     "Voice / podcast",
                "Rock",      "Pop",        "Electronic",    "Hip-hop",          "Jazz",
                "Classical", "Acoustic",   "Funk",          "Small headphones", "Night (soft)"};
        const QStringList portuguese{"Normal",       "Grave forte",   "Grave + agudo",
                                     "Agudo forte",  "Voz / podcast", "Rock",
                                     "Pop",          "Eletrônica",    "Hip-hop",
                                     "Jazz",         "Clássica",      "Sertanejo / acústico",
                                     "Funk / baile", "Fone pequeno",  "Noite (suave)"};
        QCOMPARE(names, m_englishRun ? english : portuguese);
        QCOMPARE(presets[0].gains, QList<double>(10, 0.0));
        QCOMPARE(presets[2].gains, (QList<double>{6, 5, 3, 0, -1, -1, 0, 2, 4, 5}));
        QCOMPARE(presets[12].gains, (QList<double>{8, 7, 4, 1, -1, 0, 1, 2, 3, 3}));
        QCOMPARE(presets[14].gains, (QList<double>{-2, -1, 0, 0, 1, 1, 0, -1, -2, -3}));
        QCOMPARE(equalizerBandLabels(),
                 (QStringList{"31", "62", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"}));
    }

    void presetsInEnglishProcess()
    {
        if (m_englishRun)
            QSKIP("runs in the parent process only");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_PRESET_LANGUAGE", "en");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"presetsInInterfaceLanguage"});
        QVERIFY(child.waitForFinished(30000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitCode() == 0, output.constData());
        QVERIFY(output.contains("PASS   : tst_Audio::presetsInInterfaceLanguage()"));
    }

    void filterChainTexts()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        const QList<double> gains{1, -2, 3.5, 0, 12, -12, 0.1, 2, 4, 16.04};
        const QStringList all = filters(true, true, 2.5, gains, -3.5, 0.25);
        QCOMPARE(all.size(), 13);
        QCOMPARE(all[0], QStringLiteral("@eqpre:lavfi=[volume=volume=-3.5dB]"));
        QCOMPARE(all[1], QStringLiteral("@eq0:lavfi=[equalizer=f=31:t=o:w=1:g=1.0]"));
        QCOMPARE(all[2], QStringLiteral("@eq1:lavfi=[equalizer=f=62:t=o:w=1:g=-2.0]"));
        QCOMPARE(all[6], QStringLiteral("@eq5:lavfi=[equalizer=f=1000:t=o:w=1:g=-12.0]"));
        QCOMPARE(all[10], QStringLiteral("@eq9:lavfi=[equalizer=f=16000:t=o:w=1:g=16.0]"));
        QCOMPARE(all[11], QStringLiteral("@norm:lavfi=[dynaudnorm=f=250:g=15:p=0.9]"));
        QCOMPARE(all[12], QStringLiteral("@fade:lavfi=[volume=volume=0.250]"));

        // Every combination keeps the chain order and leaves out what is off.
        for (int mask = 0; mask < 8; ++mask) {
            const bool eq = mask & 1, norm = mask & 2, fade = mask & 4;
            const QStringList list = filters(eq, norm, fade ? 2.5 : 0, gains, -3.5, 0.25);
            QStringList expected;
            if (eq)
                expected << all.mid(0, 11);
            if (norm)
                expected << all[11];
            if (fade)
                expected << all[12];
            QCOMPARE(list, expected);
            QCOMPARE(audioFilterSignature({eq, gains, -3.5, norm, fade ? 2.5 : 0, 0.25}),
                     QStringLiteral("%1|%2|%3").arg(int(eq)).arg(int(norm)).arg(int(fade)));
        }
        // A negative crossfade is off.
        QCOMPARE(filters(false, false, -1), QStringList());

        const QList<QStringList> commands = equalizerCommands(-3.5, gains);
        QCOMPARE(commands.size(), 11);
        QCOMPARE(commands[0], (QStringList{"af-command", "eqpre", "volume", "-3.5dB"}));
        QCOMPARE(commands[4], (QStringList{"af-command", "eq3", "g", "0.0"}));
        QCOMPARE(commands[10], (QStringList{"af-command", "eq9", "g", "16.0"}));
    }

    void engineChainForEachCombination()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        auto core = startCore();
        QVERIFY(core);
        // Nothing stored: everything off and no filters at all.
        QCOMPARE(af(*core), QString());
        const QList<double> gains{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        for (int mask = 1; mask <= 16; ++mask) {
            const int combination = mask % 8; // ends with everything off again
            const bool eq = combination & 1, norm = combination & 2, fade = combination & 4;
            core->setCrossfadeSeconds(fade ? 1.5 : 0);
            core->setEqualizer(eq, gains, -1.5);
            core->setNormalize(norm);
            QCOMPARE(af(*core), engineFilterText(filters(eq, norm, fade ? 1.5 : 0, gains, -1.5)));
        }
        QCOMPARE(af(*core), QString());

        // Switching the normaliser on with the equalizer on: eleven
        // equalizer filters followed by the normaliser.
        core->setEqualizer(true, gains, 0);
        core->setNormalize(true);
        QCOMPARE(af(*core), engineFilterText(filters(true, true, 0, gains)));
        // setEqualizer keeps bands beyond the list it is given.
        core->setEqualizer(true, {-4, -5}, 0);
        QCOMPARE(core->eqGains(), (QList<double>{-4, -5, 3, 4, 5, 6, 7, 8, 9, 10}));
        QVERIFY(af(*core).contains("f=31:t=o:w=1:g=-4.0") && af(*core).contains("g=10.0"));
    }

    void liveBandMoveOnlySendsCommands()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        qputenv("ZORVIPLAYER_MPVLOG", "debug");
        LogCapture log(false);
        auto core = startCore();
        qunsetenv("ZORVIPLAYER_MPVLOG");
        QVERIFY(core);
        QList<double> gains(10, 0.0);
        gains[4] = 3.0;
        core->setEqualizer(true, gains, 0);
        const QString before = af(*core);
        QVERIFY(before.contains("f=500:t=o:w=1:g=3.0"));
        QVERIFY(playAndWait(*core, {m_long}, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(core->position() > 0.2, EngineWaitMs);

        log.clear();
        gains[4] = 3.5;
        core->setEqualizer(true, gains, 0);
        // The engine's own record of the commands it ran (its log arrives
        // through the event queue).
        QTRY_COMPARE_WITH_TIMEOUT(log.matching("Run command: af-command").size(), 11, EngineWaitMs);
        QTest::qWait(200);
        const QStringList commands = log.matching("Run command: af-command");
        QCOMPARE(commands.size(), 11);
        QVERIFY(commands[0].contains("eqpre") && commands[0].contains("0.0dB"));
        QVERIFY(commands[5].contains("eq4") && commands[5].contains("3.5"));
        // "af" was not set: it still reads the old gain.
        QCOMPARE(af(*core), before);
        QCOMPARE(core->eqGains()[4], 3.5);
        QCOMPARE(log.matching("mpv comando falhou").size(), 0);
    }

    void liveGainsReachTheNextFile()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        // Real output: the engine writes what it plays as 16-bit mono samples.
        const QString pcm = m_dir.path() + "/out.pcm";
        qputenv("ZORVIPLAYER_OPT",
                QStringLiteral("vo=null;ao=pcm;ao-pcm-file=%1;ao-pcm-waveheader=no;"
                               "audio-format=s16;audio-channels=mono;audio-samplerate=44100")
                        .arg(pcm)
                        .toUtf8());
        auto core = startCore();
        qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
        QVERIFY(core);
        core->setEqualizer(true, QList<double>(10, 0.0), 0);
        const QString flat = af(*core);
        const QString first = m_dir.path() + "/first.wav";
        const QString second = m_dir.path() + "/second.wav";
        QVERIFY(!TestMedia::tone(first, 10, {"-ac", "1", "-ar", "44100"}).isEmpty());
        // Long enough that its end is still ahead when the player has reacted
        // to its start (this output is written faster than real time).
        QVERIFY(!TestMedia::tone(second, 30, {"-ac", "1", "-ar", "44100"}).isEmpty());
        // Paused before the engine has even opened the first file: this
        // output runs ahead of real time, so pausing on fileLoaded could come
        // after the whole first file had been written.
        core->playFiles({first, second}, 0);
        core->setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(core->isPaused() && core->currentPath() == first, EngineWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(getPropertyNode(core->handle(), "af-metadata/eqpre").isValid(),
                                 EngineWaitMs);
        // -20 dB while the first file plays: sent as commands only.
        core->setEqualizer(true, QList<double>(10, 0.0), -20);
        QCOMPARE(af(*core), flat);
        core->setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(core->currentPath() == second &&
                                         getPropertyFlag(core->handle(), "eof-reached"),
                                 EngineWaitMs);
        // The new file's chain was built from a text that has the new gains.
        QVERIFY(af(*core).contains("volume=volume=-20.0dB"));
        core.reset(); // flushes the output file
        QFile file(pcm);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray samples = file.readAll();
        const double seconds = samples.size() / 2 / 44100.0;
        QVERIFY2(seconds > 31.5, QByteArray::number(seconds).constData());
        // ffmpeg's sine has amplitude 1/8: 4096 at full level, 410 at -20 dB.
        // The output starts at full level; the second file, from its very
        // first samples to its end, plays at the new gain.
        QVERIFY(peak(samples, 44100, 0, 0.05) > 3800);
        const int secondFile = peak(samples, 44100, seconds - 29.9, seconds - 0.1);
        QVERIFY2(secondFile > 300 && secondFile < 550, QByteArray::number(secondFile).constData());
    }

    void failedLiveCommandReplacesTheChain()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        auto core = startCore();
        QVERIFY(core);
        QList<double> gains(10, 1.0);
        core->setEqualizer(true, gains, 0);
        // Nothing is playing, so no filter can take a command: the new gains
        // go into the chain text for the next file.
        LogCapture log(false);
        gains[0] = 2.0;
        core->setEqualizer(true, gains, 0.5);
        QCOMPARE(af(*core), engineFilterText(filters(true, false, 0, gains, 0.5)));
        QCOMPARE(log.matching("mpv filtro ainda parado").size(), 1);
        QCOMPARE(log.matching("mpv comando falhou").size(), 0);

        // While playing, with the chain taken away behind its back.
        QVERIFY(playAndWait(*core, {m_long}, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(core->position() > 0.2, EngineWaitMs);
        QVERIFY(getPropertyNode(core->handle(), "af-metadata/eqpre").isValid());
        QCOMPARE(setPropertyString(core->handle(), "af", ""), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!getPropertyNode(core->handle(), "af-metadata/eqpre").isValid(),
                                 EngineWaitMs);
        log.clear();
        gains[9] = -6.0;
        core->setEqualizer(true, gains, 0.5);
        QCOMPARE(af(*core), engineFilterText(filters(true, false, 0, gains, 0.5)));
        const QStringList failures = log.matching("mpv comando falhou");
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures[0].contains("eqpre"));
        QTRY_VERIFY_WITH_TIMEOUT(getPropertyNode(core->handle(), "af-metadata/eq9").isValid(),
                                 EngineWaitMs);

        // All three off: an empty chain.
        core->setEqualizer(false, gains, 0.5);
        QCOMPARE(af(*core), QString());
    }

    void fadeDecisions()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        FadeOutInput base;
        base.crossfadeSeconds = 4;
        base.duration = 12;
        base.queuePos = 0;
        base.queueLength = 2;
        auto at = [&](double position, double level = 1.0) {
            FadeOutInput in = base;
            in.position = position;
            in.fadeLevel = level;
            return fadeOutTarget(in);
        };
        QVERIFY(!at(7.99));
        QVERIFY(!at(8.0)); // remaining 4 is not less than 4
        QCOMPARE(*at(9.0), 0.75);
        QCOMPARE(*at(11.0), 0.25);
        QCOMPARE(*at(12.5), 0.0);
        QVERIFY(!at(9.0, 0.76));        // step below 0.02 skipped
        QCOMPARE(*at(9.0, 0.78), 0.75); // larger step sent
        QCOMPARE(*at(5.0, 0.99), 1.0);  // back to full is always sent
        QVERIFY(!at(5.0, 1.0));

        auto with = [&](auto change) {
            FadeOutInput in = base;
            in.position = 10;
            change(in);
            return fadeOutTarget(in).has_value();
        };
        QVERIFY(with([](FadeOutInput &) {}));
        QVERIFY(!with([](FadeOutInput &in) { in.crossfadeSeconds = 0; }));
        QVERIFY(!with([](FadeOutInput &in) { in.hasVideo = true; }));
        QVERIFY(!with([](FadeOutInput &in) { in.networkSource = true; }));
        QVERIFY(!with([](FadeOutInput &in) { in.repeatOne = true; }));
        QVERIFY(!with([](FadeOutInput &in) { in.fadeInRunning = true; }));
        QVERIFY(!with([](FadeOutInput &in) { in.queuePos = -1; }));
        QVERIFY(!with([](FadeOutInput &in) { in.queuePos = 1; }));
        QVERIFY(with([](FadeOutInput &in) {
            in.queuePos = 1;
            in.repeatAll = true;
        }));
        QVERIFY(!with([](FadeOutInput &in) { in.duration = 11; }));

        // An item that no longer qualifies while faded goes back to full level.
        for (auto change : {+[](FadeOutInput &in) { in.repeatOne = true; },
                            +[](FadeOutInput &in) { in.queueLength = 1; },
                            +[](FadeOutInput &in) { in.hasVideo = true; },
                            +[](FadeOutInput &in) {
                                in.crossfadeSeconds = 0;
                            }}) {
            FadeOutInput in = base;
            in.position = 10;
            in.fadeLevel = 0.5;
            change(in);
            QCOMPARE(fadeOutTarget(in).value_or(-1), 1.0);
        }
        FadeOutInput running = base;
        running.fadeLevel = 0.3;
        running.fadeInRunning = true;
        QVERIFY(!fadeOutTarget(running));

        QCOMPARE(fadeInNextLevel(0, 0.2), 0.1);
        QCOMPARE(fadeInNextLevel(0, 4), 0.0125);
        QCOMPARE(fadeInNextLevel(0.99, 1), 1.0);
    }

    void fadeOutFollowsThePosition()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        appSettings().setValue("audio/crossfade", 4);
        LogCapture log(false);
        auto core = startCore();
        QVERIFY(core);
        QVERIFY(af(*core).contains("@fade:"));

        // Twelve seconds: the last four fade. Played at double speed from 6 s
        // on; at each position report the level is the one set for the
        // report before it (about 0.1 s of media earlier).
        QVERIFY(playAndWait(*core, {m_twelve, m_three}, 0, 0));
        QVERIFY(seekPausedTo(*core, 6.0, 0.3));
        QList<QPair<double, double>> samples;
        const auto sampling =
                connect(core.get(), &PlayerCore::positionChanged, this, [&](double position) {
                    if (position >= 5.9)
                        samples.append({position, core->fadeLevel()});
                });
        // The next file's positions are not part of this.
        connect(
                core.get(), &PlayerCore::fileStarted, this, [&] { disconnect(sampling); },
                Qt::SingleShotConnection);
        // Then on into the next item, which fades in from silence.
        QList<double> levelsAfterLoad;
        connect(core.get(), &PlayerCore::fileLoaded, this,
                [&] { levelsAfterLoad << core->fadeLevel(); });
        core->setSpeed(2);
        core->setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(!levelsAfterLoad.isEmpty(), EngineWaitMs);
        QCOMPARE(core->currentPath(), m_three);
        QCOMPARE(levelsAfterLoad.first(), 0.0);
        QTRY_VERIFY_WITH_TIMEOUT(core->fadeLevel() > 0.05, 2000);
        core->setSpeed(1);
        int fadingSamples = 0;
        double previous = 1.0;
        for (const auto &[position, level] : samples) {
            if (position < 8.0)
                QCOMPARE(level, 1.0);
            if (position > 8.3) {
                ++fadingSamples;
                const double expected = (12.0 - position) / 4.0;
                QVERIFY2(qAbs(level - expected) < 0.07,
                         qPrintable(QStringLiteral("at %1: %2").arg(position).arg(level)));
            }
            QVERIFY(level <= previous);
            previous = level;
        }
        QVERIFY2(fadingSamples >= 5, qPrintable(QString::number(fadingSamples)));
        // Every step reached the engine's filter.
        QVERIFY2(log.matching("mpv comando falhou").isEmpty(),
                 qPrintable(log.matching("mpv comando falhou").join("; ")));

        // Eleven seconds is shorter than three crossfades: never faded.
        QVERIFY(playAndWait(*core, {m_eleven, m_three}, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(core->fadeLevel(), 1.0, 10000);
        for (double position : {8.0, 9.0, 10.5}) {
            QVERIFY(seekPausedTo(*core, position, 0.3));
            QTest::qWait(100);
            QCOMPARE(core->fadeLevel(), 1.0);
        }
        QSignalSpy loaded(core.get(), &PlayerCore::fileLoaded);
        core->setPaused(false);
        QVERIFY(loaded.wait(EngineWaitMs));
        QCOMPARE(core->fadeLevel(), 1.0);
    }

    void someItemsNeverFade()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        appSettings().setValue("audio/crossfade", 4);
        auto core = startCore();
        QVERIFY(core);
        // Play a moment from 9.5 s and compare the level with what a fading
        // item has at the reported position.
        auto levelAfterNine = [&](const QStringList &paths) -> double {
            if (!playAndWait(*core, paths, 0, 0) || !seekPausedTo(*core, 9.5, 0.3))
                return -1;
            core->setPaused(false);
            QTest::qWait(400);
            core->setPaused(true);
            QTest::qWait(100);
            return core->fadeLevel();
        };
        auto fading = [&](double level) {
            return qAbs(level - (12.0 - core->position()) / 4.0) < 0.07;
        };
        QCOMPARE(levelAfterNine({m_videoTwelve, m_three}), 1.0);
        QVERIFY(core->hasVideo());
        // The last item has nothing to fade into...
        QCOMPARE(levelAfterNine({m_twelve}), 1.0);
        // ...unless the queue starts over.
        core->setRepeat(PlayerCore::RepeatAll);
        QVERIFY(fading(levelAfterNine({m_twelve})));
        // Repeating the one item while it is fading out: back to full level,
        // even with the position still in the fading part.
        core->setRepeat(PlayerCore::RepeatOne);
        core->setPaused(false);
        QTRY_COMPARE_WITH_TIMEOUT(core->fadeLevel(), 1.0, EngineWaitMs);
        QCOMPARE(levelAfterNine({m_twelve, m_three}), 1.0);
        core->setRepeat(PlayerCore::RepeatOff);
        QVERIFY(fading(levelAfterNine({m_twelve, m_three})));
    }

    void fadeInLastsTheCrossfade_data()
    {
        QTest::addColumn<double>("crossfade");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        // Below half a second the fade-in still takes half a second. (The
        // engine moves to the next item while the last ~0.2 s of audio are
        // still buffered, so a shorter crossfade cannot be started here.)
        QTest::newRow("0.4 s") << 0.4 << 0.42 << 1.5;
        QTest::newRow("1 s") << 1.0 << 0.9 << 2.5;
    }

    void fadeInLastsTheCrossfade()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        QFETCH(double, crossfade);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        const QByteArray engineOptions = qgetenv("ZORVIPLAYER_OPT");
        const auto restoreOptions = qScopeGuard([&] { qputenv("ZORVIPLAYER_OPT", engineOptions); });
        qputenv("ZORVIPLAYER_OPT", PausedSeekEngineOptions);
        auto core = startCore();
        QVERIFY(core);
        QVERIFY(qAbs(getPropertyDouble(core->handle(), "ao-null-buffer", 0) - 0.02) < 1e-6);
        core->setCrossfadeSeconds(crossfade);
        core->setNormalize(false); // rebuilds the chain with the fade filter
        QVERIFY(af(*core).contains("@fade:"));
        QVERIFY(playAndWait(*core, {m_four, m_three}, 0, 0));
        QCOMPARE(core->duration(), 4.0);
        QVERIFY(seekPausedTo(*core, 4.0 - crossfade * 0.75));
        // The level follows the position the engine landed on, which may be
        // a few hundredths off the requested one.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->fadeLevel() - (4.0 - core->position()) / crossfade) <
                                         0.05,
                                 EngineWaitMs);
        QVERIFY2(core->fadeLevel() > 0.55 && core->fadeLevel() < 0.95,
                 qPrintable(QString::number(core->fadeLevel())));

        QElapsedTimer timer;
        QList<double> levels;
        connect(core.get(), &PlayerCore::fileLoaded, this, [&] {
            timer.start();
            levels << core->fadeLevel();
        });
        core->setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(timer.isValid(), EngineWaitMs);
        while (core->fadeLevel() < 1.0 && timer.elapsed() < 5000) {
            levels << core->fadeLevel();
            QTest::qWait(10);
        }
        const double seconds = timer.elapsed() / 1000.0;
        QCOMPARE(core->fadeLevel(), 1.0);
        QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds,
                 qPrintable(QString::number(seconds)));
        QCOMPARE(levels.first(), 0.0);
        for (int i = 1; i < levels.size(); ++i)
            QVERIFY(levels[i] >= levels[i - 1]);
    }

    // A fade-out cut short by the user leaves no fade-in behind: the next
    // file played, now or much later, starts at full level.
    void interruptedFadeLeavesNoFadeIn_data()
    {
        QTest::addColumn<QString>("interruption");
        QTest::newRow("stop, then play") << "stop";
        QTest::newRow("new file") << "play";
        QTest::newRow("next item") << "next";
    }

    void interruptedFadeLeavesNoFadeIn()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        QFETCH(QString, interruption);
        const QByteArray engineOptions = qgetenv("ZORVIPLAYER_OPT");
        const auto restoreOptions = qScopeGuard([&] { qputenv("ZORVIPLAYER_OPT", engineOptions); });
        qputenv("ZORVIPLAYER_OPT", PausedSeekEngineOptions);
        auto core = startCore();
        QVERIFY(core);
        core->setCrossfadeSeconds(1.0);
        core->setNormalize(false); // rebuilds the chain with the fade filter
        QVERIFY(playAndWait(*core, {m_four, m_three}, 0, 0));
        QVERIFY(seekPausedTo(*core, 3.3));
        QTRY_VERIFY_WITH_TIMEOUT(core->fadeLevel() < 0.9, EngineWaitMs);

        QList<double> levelsAtLoad;
        connect(core.get(), &PlayerCore::fileLoaded, this,
                [&] { levelsAtLoad << core->fadeLevel(); });
        if (interruption == QLatin1String("stop")) {
            QVERIFY(stopAndWaitIdle(*core));
            QVERIFY(playAndWait(*core, {m_two}, 0, 0));
        } else if (interruption == QLatin1String("play")) {
            QVERIFY(playAndWait(*core, {m_two}, 0, 0));
        } else {
            core->next();
            QTRY_VERIFY_WITH_TIMEOUT(core->currentPath() == m_three && core->duration() > 0,
                                     EngineWaitMs);
        }
        QCOMPARE(levelsAtLoad, QList<double>{1.0});
        QCOMPARE(core->fadeLevel(), 1.0);
    }

    void devicesAndDelay()
    {
        if (m_englishRun)
            QSKIP("parent process only");
        appSettings().setValue("audio/device", "alsa");
        auto core = startCore();
        QVERIFY(core);
        QCOMPARE(getPropertyString(core->handle(), "audio-device"), QStringLiteral("alsa"));
        const QList<AudioDevice> devices = core->audioDevices();
        QVERIFY(!devices.isEmpty());
        bool autoSeen = false;
        for (const AudioDevice &device : devices) {
            QVERIFY(!device.name.isEmpty());
            if (device.isAutomatic()) {
                autoSeen = true;
                QVERIFY(!device.description.isEmpty());
            }
        }
        QVERIFY(autoSeen);
        core->setAudioDevice("auto");
        QCOMPARE(getPropertyString(core->handle(), "audio-device"), QStringLiteral("auto"));
        // Persisting the choice is the caller's.
        QCOMPARE(settingValue("audio/device").toString(), QStringLiteral("alsa"));
        core->setAudioDelay(-0.25);
        QCOMPARE(getPropertyDouble(core->handle(), "audio-delay"), -0.25);

        appSettings().setValue("audio/device", "auto");
        auto plain = startCore();
        QVERIFY(plain);
        QCOMPARE(getPropertyString(plain->handle(), "audio-device"), QStringLiteral("auto"));
    }
};

QTEST_GUILESS_MAIN(tst_Audio)
#include "tst_audio.moc"
