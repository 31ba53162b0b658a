#include "IcyServer.h"
#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace PlayerTestUtil;

// Tracks, chapters, media information, screenshots and the picture switches
// against the real engine on generated media.
class tst_Tracks final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_mkv, m_cover, m_halves, m_srt, m_chapters, m_oddName, m_stream;

    static QString row(const QString &label, const QString &escapedValue)
    {
        return QStringLiteral(
                       "<tr><td style='color:#a8b5c7;padding-right:16px'>%1</td><td>%2</td></tr>")
                .arg(label, escapedValue);
    }

    static QStringList labels(const QString &html)
    {
        static const QRegularExpression label(QStringLiteral("<td style='[^']*'>([^<]*)</td>"));
        QStringList result;
        for (auto it = label.globalMatch(html); it.hasNext();)
            result << it.next().captured(1);
        return result;
    }

    QString prop(const PlayerCore &core, const char *name) const
    {
        return getPropertyString(core.handle(), name);
    }

    static TrackInfo track(const PlayerCore &core, const QString &type, qint64 id)
    {
        for (const TrackInfo &t : core.tracks()) {
            if (t.type == type && t.id == id)
                return t;
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("ZORVIPLAYER_OPT", PausedSeekEngineOptions);
        QVERIFY(m_dir.isValid());
        const QString d = m_dir.path();
        m_mkv = TestMedia::mkvWithTracks(d + "/tracks.mkv", 6);
        m_cover = TestMedia::mp3WithCover(d + "/a&b <c>.mp3", 3, "Rock & <Roll>");
        // Left half red, right half blue: shows which way the picture faces.
        m_halves = d + "/halves.mkv";
        QVERIFY(TestMedia::ffmpeg({"-f", "lavfi", "-i",
                                   "color=c=red:s=160x120:r=25:d=4,drawbox=x=80:y=0:w=80:h=120:"
                                   "color=blue:t=fill",
                                   "-pix_fmt", "yuv420p", m_halves}));
        m_oddName = d + "/a:b?.mkv";
        QVERIFY(QFile::copy(m_halves, m_oddName));
        m_srt = d + "/extra.srt";
        QFile srt(m_srt);
        QVERIFY(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:30,000\nHELLO THERE\n\n");
        srt.close();
        const QString meta = d + "/chapters.txt";
        QFile metaFile(meta);
        QVERIFY(metaFile.open(QIODevice::WriteOnly));
        metaFile.write(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2000\n"
                       "title=Intro\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=4000\n"
                       "title=Second part\n");
        metaFile.close();
        m_chapters = d + "/chapters.mkv";
        QVERIFY(TestMedia::ffmpeg(
                {"-i", m_halves, "-i", meta, "-map_chapters", "1", "-c", "copy", m_chapters}));
        m_stream = d + "/stream.ts";
        QVERIFY(TestMedia::ffmpeg({"-f", "lavfi", "-i", "color=c=green:s=96x64:r=25:d=8", "-c:v",
                                   "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-f",
                                   "mpegts", m_stream}));
        QVERIFY(!m_mkv.isEmpty() && !m_cover.isEmpty());
    }

    void init()
    {
        appSettings().clear();
        uiEnglish = false;
    }

    void labelRules()
    {
        // Tracks as the engine describes them.
        const auto label = [](const QVariantMap &node) {
            return TrackInfo::fromMap(node).trackLabel();
        };
        const QVariantMap commentary{
                {"id", 1},       {"type", "audio"}, {"title", "Commentary"},
                {"lang", "eng"}, {"codec", "aac"},  {"demux-channel-count", 2}};
        QCOMPARE(label(commentary), QStringLiteral("Commentary [eng]  \u00b7  aac 2ch"));

        const QVariantMap external{{"id", 3}, {"type", "sub"}, {"external", true}};
        uiEnglish = true;
        QCOMPARE(label(external), QStringLiteral("Subtitle 3  (file)"));
        uiEnglish = false;
        QCOMPARE(label(external), QStringLiteral("Legenda 3  (arquivo)"));

        QCOMPARE(label({{"type", "sub"}, {"title", "Forced"}, {"lang", "por"}}),
                 QStringLiteral("Forced [por]"));

        // Channels only for audio, only the one of title and language given.
        QVariantMap video{{"id", 2}, {"type", "video"}, {"demux-channel-count", 6}};
        QCOMPARE(label(video), QStringLiteral("Vídeo 2"));
        video.insert("lang", "jpn");
        QCOMPARE(label(video), QStringLiteral("jpn"));
        QCOMPARE(label({{"id", 4}, {"type", "something"}, {"codec", "x"}}),
                 QStringLiteral("Legenda 4  \u00b7  x"));
        QCOMPARE(label({{"id", 5}, {"type", "audio"}}), QStringLiteral("Faixa 5"));

        // From an engine node, missing keys empty.
        const TrackInfo parsed = TrackInfo::fromMap({{"id", qint64(7)},
                                                     {"type", "audio"},
                                                     {"albumart", true},
                                                     {"default", true},
                                                     {"demux-channel-count", qint64(6)},
                                                     {"selected", true}});
        QCOMPARE(parsed.id, 7);
        QVERIFY(parsed.albumart && parsed.isDefault && parsed.selected && !parsed.external);
        QCOMPARE(parsed.channels, 6);
        QVERIFY(parsed.title.isNull() && parsed.codec.isEmpty());
    }

    void tracksOfARealFile()
    {
        auto core = startCore();
        QVERIFY(core);
        QVERIFY(playAndWait(*core, {m_mkv}, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(core->tracks().size(), 4, EngineWaitMs);
        const QList<TrackInfo> audio = core->tracksOfType("audio");
        QCOMPARE(audio.size(), 2);
        QCOMPARE(core->tracksOfType("Audio").size(), 0);
        QCOMPARE(core->tracksOfType("video").size(), 1);
        QCOMPARE(core->tracksOfType("sub").size(), 1);

        QCOMPARE(audio[0].trackLabel(), QStringLiteral("Commentary [eng]  \u00b7  aac 2ch"));
        QCOMPARE(audio[1].trackLabel(), QStringLiteral("por  \u00b7  mp3 1ch"));
        QCOMPARE(core->tracksOfType("sub")[0].trackLabel(),
                 QStringLiteral("Forced [por]  \u00b7  subrip"));
        QCOMPARE(core->tracksOfType("video")[0].trackLabel(),
                 QStringLiteral("Vídeo 1  \u00b7  h264"));
        uiEnglish = true;
        QCOMPARE(core->tracksOfType("video")[0].trackLabel(),
                 QStringLiteral("Video 1  \u00b7  h264"));

        // A subtitle file added by hand is marked as such.
        QSignalSpy tracks(core.get(), &PlayerCore::tracksChanged);
        core->addSubtitle(m_srt);
        QTRY_COMPARE_WITH_TIMEOUT(core->tracksOfType("sub").size(), 2, EngineWaitMs);
        const TrackInfo added = core->tracksOfType("sub")[1];
        QVERIFY(added.external);
        QVERIFY(added.selected); // "select"
        QVERIFY2(added.trackLabel().endsWith(QStringLiteral("subrip  (file)")),
                 qPrintable(added.trackLabel()));
        uiEnglish = false;
        QVERIFY2(added.trackLabel().endsWith(QStringLiteral("subrip  (arquivo)")),
                 qPrintable(added.trackLabel()));
        QCOMPARE(prop(*core, "sid"), QString::number(added.id));
        QVERIFY(tracks.count() > 0);

        // Selection by kind; the kind test is case-sensitive.
        core->selectTrack("audio", 2);
        QCOMPARE(prop(*core, "aid"), QStringLiteral("2"));
        QTRY_VERIFY_WITH_TIMEOUT(track(*core, "audio", 2).selected, EngineWaitMs);
        QVERIFY(!track(*core, "audio", 1).selected);
        core->selectTrack("sub", 0);
        QCOMPARE(prop(*core, "sid"), QStringLiteral("no"));
        core->selectTrack("video", 1);
        QCOMPARE(prop(*core, "vid"), QStringLiteral("1"));
        core->selectTrack("Audio", 1);
        QCOMPARE(prop(*core, "sid"), QStringLiteral("1"));
        QCOMPARE(prop(*core, "aid"), QStringLiteral("2"));
        core->selectTrack("video", -1);
        QCOMPARE(prop(*core, "vid"), QStringLiteral("no"));
        core->selectTrack("video", 1);

        core->cycleTrack("audio");
        QVERIFY(prop(*core, "aid") != QStringLiteral("2"));
        const QString subBefore = prop(*core, "sid");
        core->cycleTrack("subtitle");
        QVERIFY(prop(*core, "sid") != subBefore);

        core->setSecondarySubtitle(1);
        QCOMPARE(prop(*core, "secondary-sid"), QStringLiteral("1"));
        core->setSecondarySubtitle(0);
        QCOMPARE(prop(*core, "secondary-sid"), QStringLiteral("no"));
        core->setSubDelay(-0.5);
        QCOMPARE(getPropertyDouble(core->handle(), "sub-delay"), -0.5);
    }

    void chaptersAndFrameSteps()
    {
        auto core = startCore();
        QVERIFY(core);
        QSignalSpy chapters(core.get(), &PlayerCore::chaptersChanged);
        QVERIFY(playAndWait(*core, {m_chapters}, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(core->chapters().size(), 2, EngineWaitMs);
        QVERIFY(chapters.count() > 0);
        QCOMPARE(core->chapters()[0].title, QStringLiteral("Intro"));
        QCOMPARE(core->chapters()[0].time, 0.0);
        QCOMPARE(core->chapters()[1].title, QStringLiteral("Second part"));
        QCOMPARE(core->chapters()[1].time, 2.0);

        QVERIFY(seekPausedTo(*core, 0.5));
        core->chapterStep(true);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->position() - 2.0) < 0.05, EngineWaitMs);
        core->seekAbsolute(2.5);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->position() - 2.5) < 0.05, EngineWaitMs);
        core->chapterStep(false);
        QTRY_VERIFY_WITH_TIMEOUT(core->position() < 2.05, EngineWaitMs);

        // One frame at 25 frames per second.
        // Steps count from the frame the seek landed on, which may be a
        // neighbour of the one asked for.
        QVERIFY(seekPausedTo(*core, 1.0));
        const double landed = core->position();
        core->frameStep(false);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->position() - (landed + 0.04)) < 0.01, EngineWaitMs);
        core->frameStep(true);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->position() - landed) < 0.01, EngineWaitMs);
        QVERIFY(core->isPaused());

        // A file without chapters empties the list.
        chapters.clear();
        QVERIFY(playAndWait(*core, {m_halves}, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(core->chapters().isEmpty(), EngineWaitMs);
        QVERIFY(chapters.count() > 0);
    }

    void mediaInformation()
    {
        auto core = startCore();
        QVERIFY(core);
        // Nothing loaded: only the rows that always have a value.
        QString html = core->mediaInfoHtml();
        QCOMPARE(labels(html),
                 (QStringList{"Origem", "Espera de leitura", "Dados antecipados",
                              "Quadros descartados", "Descartados pelo decodificador", "Duração"}));
        QVERIFY(html.contains(row("Dados antecipados", "0.00 s")));
        QVERIFY(html.contains(row("Quadros descartados", "0")));
        QVERIFY(html.contains(row("Duração", "0:00")));

        // Audio with a cover picture: no video rows, values escaped.
        QVERIFY(playAndWait(*core, {m_cover}, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!core->tracks().isEmpty() && core->mediaTitle().contains("Roll"),
                                 EngineWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(getPropertyInt(core->handle(), "audio-params/samplerate") > 0,
                                 EngineWaitMs);
        // The cover is a video track to the engine, but album art is not video.
        QVERIFY(std::any_of(core->tracks().cbegin(), core->tracks().cend(),
                            [](const TrackInfo &t) { return t.type == "video" && t.albumart; }));
        QVERIFY(core->tracksOfType("video").isEmpty());
        QVERIFY(!core->hasVideo());
        html = core->mediaInfoHtml();
        QVERIFY(html.startsWith("<table>") && html.endsWith("</table>"));
        const QStringList audioLabels = labels(html);
        QCOMPARE(audioLabels.mid(0, 10),
                 (QStringList{"Arquivo", "Origem", "Espera de leitura", "Dados antecipados",
                              "Quadros descartados", "Descartados pelo decodificador", "Título",
                              "Formato", "Tamanho", "Duração"}));
        QCOMPARE(audioLabels.mid(10, 2), (QStringList{"Áudio", "Amostragem"}));
        for (const char *videoLabel :
             {"Vídeo", "Resolução", "Quadros/s", "Cor", "Taxa de vídeo", "Decodificação"})
            QVERIFY2(!audioLabels.contains(QString::fromUtf8(videoLabel)), videoLabel);
        const QString escapedPath = m_cover.toHtmlEscaped();
        QVERIFY(escapedPath.contains("a&amp;b &lt;c&gt;.mp3"));
        QVERIFY(html.contains(row("Arquivo", escapedPath)));
        QVERIFY(html.contains(row("Origem", "Arquivo local")));
        QVERIFY(html.contains(row("Título", "Rock &amp; &lt;Roll&gt;")));
        QVERIFY(html.contains(row("Formato", "mp3")));
        QVERIFY(html.contains(row("Tamanho", "0.0 MB")));
        QVERIFY(html.contains(row("Duração", "0:03")));
        QVERIFY(html.contains(row("Áudio", "mp3float (MP3 (MPEG audio layer 3))")));
        QVERIFY(html.contains(row("Amostragem", "44100 Hz \u00b7 1 canais")));

        // A video, in English, decoded in software whatever the machine offers.
        uiEnglish = true;
        core->setHwdec(false);
        QVERIFY(playAndWait(*core, {m_halves}, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(core->hasVideo() &&
                                         getPropertyInt(core->handle(), "video-params/w") > 0,
                                 EngineWaitMs);
        html = core->mediaInfoHtml();
        QVERIFY(html.contains(row("Source", "Local file")));
        QVERIFY(html.contains(row("Read wait", "No")));
        QVERIFY(html.contains(row("Title", "halves.mkv")));
        QVERIFY(html.contains(row("Video", "h264 (H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)")));
        QVERIFY(html.contains(row("Resolution", "160 x 120")));
        QVERIFY(html.contains(row("Frame rate", "25.000")));
        QVERIFY(html.contains(row("Decoding", "CPU")));
        // The picture parameters can trail the first decoded size.
        QTRY_VERIFY_WITH_TIMEOUT(core->mediaInfoHtml().contains("<td>yuv420p "), EngineWaitMs);
        // No audio track: no audio rows.
        QVERIFY(!labels(html).contains("Audio"));
        QVERIFY(!labels(html).contains("Sample rate"));
    }

    void screenshots()
    {
        const QString folder = m_dir.path() + "/shots/deeper";
        appSettings().setValue("video/screenshotDir", folder);
        auto core = startCore();
        QVERIFY(core);
        // Nothing to take a picture of.
        QCOMPARE(core->takeScreenshot(false), QString());

        QVERIFY(playAndWait(*core, {m_oddName}, 0, 0));
        QVERIFY(seekPausedTo(*core, 1.0));
        const QTime before = QTime::currentTime();
        // Just after a paused seek the frame may still be on its way; a
        // failed attempt writes nothing.
        QString path;
        QVERIFY(QTest::qWaitFor([&] { return !(path = core->takeScreenshot(false)).isEmpty(); },
                                EngineWaitMs));
        QCOMPARE(QFileInfo(path).absolutePath(), folder);
        const QString name = QFileInfo(path).fileName();
        QVERIFY2(QRegularExpression("^a_b__0-01_[0-9]{6}\\.png$").match(name).hasMatch(),
                 qPrintable(name));
        const QTime stamp = QTime::fromString(name.mid(10, 6), "HHmmss");
        QVERIFY(stamp.isValid() && stamp.secsTo(before) <= 0 &&
                stamp.secsTo(QTime::currentTime()) >= 0);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        const QImage shot(path);
        QCOMPARE(shot.size(), QSize(160, 120));
        QVERIFY(qRed(shot.pixel(20, 60)) > 200 && qBlue(shot.pixel(20, 60)) < 60);
        QVERIFY(qBlue(shot.pixel(140, 60)) > 200 && qRed(shot.pixel(140, 60)) < 60);

        // A second shot in the same second must not replace the first one.
        // Files already sitting under the next few seconds' names stay as they are.
        const QString prefix = folder + "/a_b__0-01_";
        QStringList taken;
        for (int s = 0; s < 4; ++s) {
            const QString later =
                    prefix + QTime::currentTime().addSecs(s).toString("HHmmss") + ".png";
            if (QFileInfo::exists(later))
                continue;
            QFile placeholder(later);
            QVERIFY(placeholder.open(QIODevice::WriteOnly));
            placeholder.write("keep");
            taken << later;
        }
        const QString again = core->takeScreenshot(false);
        QVERIFY2(again.endsWith("_2.png") || again.endsWith("_3.png"), qPrintable(again));
        QVERIFY(!QImage(again).isNull());
        for (const QString &kept : taken) {
            QFile placeholder(kept);
            QVERIFY(placeholder.open(QIODevice::ReadOnly));
            QCOMPARE(placeholder.readAll(), QByteArray("keep"));
        }
        QCOMPARE(QImage(path).size(), QSize(160, 120));

        // With subtitles drawn in.
        core->addSubtitle(m_srt);
        QTRY_COMPARE_WITH_TIMEOUT(core->tracksOfType("sub").size(), 1, EngineWaitMs);
        QTest::qWait(200);
        const QString withSubs = core->takeScreenshot(true);
        const QString plain = core->takeScreenshot(false);
        QVERIFY(!withSubs.isEmpty() && !plain.isEmpty());
        QVERIFY(QImage(withSubs) != QImage(plain));
    }

    void screenshotDefaultFolderAndStreams()
    {
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QVERIFY(pictures.startsWith(home.path()));

        QFile mpegTs(m_stream);
        QVERIFY(mpegTs.open(QIODevice::ReadOnly));
        const QByteArray ts = mpegTs.readAll();
        IcyServer server(ts, {}, 16000, int(ts.size() / 8));
        QVERIFY(server.start());

        auto core = startCore();
        QVERIFY(core);
        QVERIFY(playAndWait(*core, {server.url()}, 0, 0) || core->currentPath() == server.url());
        QTRY_VERIFY_WITH_TIMEOUT(core->hasVideo() && core->position() > 0.2, EngineWaitMs);
        const QString path = core->takeScreenshot(false);
        qputenv("HOME", oldHome);
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
        QVERIFY(!path.isEmpty());
        QCOMPARE(QFileInfo(path).absolutePath(), pictures + "/Zorvi Player");
        QVERIFY2(QFileInfo(path).fileName().startsWith("captura_0-0"), qPrintable(path));
        const QImage shot(path);
        QCOMPARE(shot.size(), QSize(96, 64));
        QVERIFY(qGreen(shot.pixel(48, 32)) > 100 && qRed(shot.pixel(48, 32)) < 60);

        const QString info = core->mediaInfoHtml();
        QVERIFY(info.contains(row("Origem", "Rede / internet")));
        QVERIFY(info.contains(row("Arquivo", server.url().toHtmlEscaped())));
    }

    void mirrorAndHardwareDecoding()
    {
        auto core = startCore();
        QVERIFY(core);
        QVERIFY(core->hwdecEnabled());
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("auto-safe"));
        appSettings().setValue("video/screenshotDir", m_dir.path() + "/mirror");
        QVERIFY(playAndWait(*core, {m_halves}, 0, 0));
        QVERIFY(seekPausedTo(*core, 1.0));

        core->setMirror(true);
        QVERIFY(core->mirror());
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("auto-copy-safe"));
        QCOMPARE(prop(*core, "vf"), QStringLiteral("@mirror:hflip"));
        // The picture really faces the other way: blue on the left now.
        QTest::qWait(300);
        const QImage mirrored(core->takeScreenshot(false));
        QVERIFY(!mirrored.isNull());
        QVERIFY(qBlue(mirrored.pixel(20, 60)) > 200 && qRed(mirrored.pixel(20, 60)) < 60);
        // Turning hardware decoding back on keeps the copy-back mode.
        core->setHwdec(false);
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("no"));
        core->setHwdec(true);
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("auto-copy-safe"));

        core->setMirror(false);
        QVERIFY(!core->mirror());
        QCOMPARE(prop(*core, "vf"), QString());
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("auto-safe"));
        QTest::qWait(300);
        const QImage plain(core->takeScreenshot(false));
        QVERIFY(qRed(plain.pixel(20, 60)) > 200);

        // With hardware decoding off the mirror leaves "hwdec" alone.
        core->setHwdec(false);
        QVERIFY(!core->hwdecEnabled());
        core->setMirror(true);
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("no"));
        QCOMPARE(prop(*core, "vf"), QStringLiteral("@mirror:hflip"));
        core->setMirror(false);
        QCOMPARE(prop(*core, "hwdec"), QStringLiteral("no"));
        QCOMPARE(prop(*core, "vf"), QString());
    }

    void screenshotNames()
    {
        const QTime at(13, 5, 9);
        QCOMPARE(screenshotFileName("/v/a:b?.mkv", 3723, at),
                 QStringLiteral("a_b__1-02-03_130509.png"));
        QCOMPARE(screenshotFileName("/v/x*y\"z<w>v|u.mp4", 5, at),
                 QStringLiteral("x_y_z_w_v_u_0-05_130509.png"));
        QCOMPARE(screenshotFileName("http://radio/live.ts", 0, at),
                 QStringLiteral("captura_0-00_130509.png"));
        QCOMPARE(screenshotFileName("", 61, at), QStringLiteral("captura_1-01_130509.png"));
        QCOMPARE(screenshotFileName("/v/show.part1.mkv", 0, at),
                 QStringLiteral("show.part1_0-00_130509.png"));
    }
};

QTEST_GUILESS_MAIN(tst_Tracks)
#include "tst_tracks.moc"
