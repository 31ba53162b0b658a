#include "TestMedia.h"
#include "harness/HarnessUiAudit.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

// The unattended switches run as a user's machine would run them: the built
// executable as a child process with a private data folder.
class tst_Harness final : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode = -1;
        QString out;
    };

    static Run runPlayer(const QString &home, const QStringList &args, int timeoutMs = 120000)
    {
        QProcess process;
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home);
        // CI machines have no sound card; the engine's null output keeps
        // audio files playable there.
        env.insert("ZORVIPLAYER_OPT", "ao=null");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(TestMedia::playerExecutable(), args);
        Run run;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(5000);
            run.out = QStringLiteral("timed out");
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        return run;
    }

    static QStringList reportLines(const QString &file)
    {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Distinct colours on a coarse grid; one means a blank picture.
    static int colourCount(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 16)
            for (int x = 0; x < image.width(); x += 16)
                colours.insert(image.pixel(x, y));
        return int(colours.size());
    }

    // Share of a coarse grid close to a colour (lossy thumbnails and covers
    // land near it, not on it).
    static double colourShare(const QImage &image, const QColor &colour)
    {
        int near = 0;
        int all = 0;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4) {
                const QColor c = image.pixelColor(x, y);
                near += qAbs(c.red() - colour.red()) < 40 &&
                        qAbs(c.green() - colour.green()) < 40 &&
                        qAbs(c.blue() - colour.blue()) < 40;
                ++all;
            }
        }
        return all ? double(near) / all : 0.0;
    }

    // Share of a coarse grid that is the pure red of the test video.
    static double redShare(const QImage &image)
    {
        int red = 0;
        int all = 0;
        for (int y = 0; y < image.height(); y += 8)
            for (int x = 0; x < image.width(); x += 8) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
                ++all;
            }
        return all ? double(red) / all : 0.0;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void selfTestPassesOnPlayableMedia()
    {
        QTemporaryDir dir;
        const QString song = TestMedia::tone(dir.filePath("song.ogg"), 4);
        const QString clip = TestMedia::solidVideo(dir.filePath("clip.mp4"), 4, "blue");
        QVERIFY(!song.isEmpty() && !clip.isEmpty());
        const QString report = dir.filePath("report.txt");
        const Run run = runPlayer(dir.filePath("home"), {"--selftest", report, song, clip});
        const QStringList lines = reportLines(report);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));
        const QStringList checks = lines.filter(QRegularExpression("^(ok|FAIL|skip) "));
        QVERIFY2(checks.size() >= 9, qPrintable(lines.join('\n')));
        QVERIFY2(lines.filter(QRegularExpression("^FAIL")).isEmpty(), qPrintable(lines.join('\n')));
        // Each link of the chain is reported, not just a verdict.
        for (const char *what : {"ok   start-file", "ok   file-loaded song.ogg",
                                 "ok   position advancing", "ok   pause holds the position",
                                 "ok   next plays clip.mp4", "ok   previous plays song.ogg",
                                 "ok   end-file eof song.ogg", "ok   queue moves on after eof"})
            QVERIFY2(lines.contains(QString::fromLatin1(what)), what);
        // Standard output carries the same lines.
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts), lines);
    }

    void selfTestFailsOnMissingFile()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("gone.ogg");
        const QString report = dir.filePath("report.txt");
        const Run run = runPlayer(dir.filePath("home"), {"--selftest", report, missing}, 60000);
        const QStringList lines = reportLines(report);
        QVERIFY2(run.exitCode != 0 && run.exitCode != -1, qPrintable(run.out));
        QVERIFY2(lines.contains("FAIL file exists " + missing + ": missing or unreadable"),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("# result: FAIL (1 failed)"));
    }

    void screenshotsCoverEveryView()
    {
        QTemporaryDir dir;
        const QString sample = dir.filePath("sample");
        QVERIFY(QDir().mkpath(sample + "/Musicas/Artist") && QDir().mkpath(sample + "/Videos"));
        QVERIFY(!TestMedia::mp3WithCover(sample + "/Musicas/Artist/01 Song.mp3", 5, "Song")
                         .isEmpty());
        // Lyrics beside the song: the now-playing picture needs a lit line.
        QFile lyrics(sample + "/Musicas/Artist/01 Song.lrc");
        QVERIFY(lyrics.open(QIODevice::WriteOnly));
        lyrics.write("[00:00.50]first line\n[00:03.00]second line\n");
        lyrics.close();
        // A red picture makes a black (unrendered) video surface obvious; a
        // second video gives the queue something to save.
        QVERIFY(!TestMedia::solidVideo(sample + "/Videos/clip.mp4", 5, "red", 320, 240).isEmpty());
        QVERIFY(!TestMedia::solidVideo(sample + "/Videos/other.mp4", 5, "green", 320, 240)
                         .isEmpty());
        const QString out = dir.filePath("shots");
        const Run run = runPlayer(dir.filePath("home"), {"--screenshots", out, sample}, 300000);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));

        const QStringList windowed = {
                "01-home",   "02-videos",   "03-music",       "04-playlists",    "05-recents",
                "06-radios", "07-settings", "08-now-playing", "09-player-video", "10-queue-panel"};
        // Dialogs are painted over the window where they stand, so their
        // pictures keep the window's size and show what they belong to.
        const QStringList dialogs = {
                "13-dialog-open-files",   "14-dialog-open-folder",   "15-dialog-open-link",
                "16-dialog-go-to-time",   "17-dialog-custom-speed",  "18-dialog-sleep-timer",
                "19-dialog-media-info",   "20-dialog-load-subtitle", "21-dialog-save-queue",
                "22-dialog-new-playlist", "23-dialog-about",         "34-dialog-equalizer",
                "35-dialog-picture",      "36-dialog-subtitles"};
        for (const QString &name : windowed + dialogs) {
            const QImage image(out + "/" + name + ".png");
            QVERIFY2(!image.isNull(), qPrintable(name));
            QCOMPARE(image.size(), QSize(1320, 820));
            QVERIFY2(colourCount(image) > 1, qPrintable(name));
        }
        // Each dialog picture shows a different dialog: a picture taken
        // without one (or of the same one twice) would repeat another.
        for (int i = 0; i < dialogs.size(); ++i)
            for (int j = i + 1; j < dialogs.size(); ++j)
                QVERIFY2(QImage(out + "/" + dialogs[i] + ".png") !=
                                 QImage(out + "/" + dialogs[j] + ".png"),
                         qPrintable(dialogs[i] + " = " + dialogs[j]));

        const QImage full(out + "/11-fullscreen.png");
        QVERIFY(!full.isNull());
        QCOMPARE(full.size(), QGuiApplication::primaryScreen()->size());
        QVERIFY(redShare(full) > 0.3);

        // The mini player is the window alone, without frame, sidebar or
        // menu, still showing the video.
        const QImage mini(out + "/12-mini-player.png");
        QVERIFY(!mini.isNull());
        QVERIFY2(mini.width() < 800 && mini.height() < 500,
                 qPrintable(QString("%1x%2").arg(mini.width()).arg(mini.height())));
        QVERIFY2(redShare(mini) > 0.3, qPrintable(QString::number(redShare(mini))));

        // The video picture shows the red frame, not an empty surface.
        const double red = redShare(QImage(out + "/09-player-video.png"));
        QVERIFY2(red > 0.3, qPrintable(QString::number(red)));
        // The seek bar's preview comes last: the routine fails (above) unless
        // the popup showed a frame; the picture covers the window and popup.
        const QImage preview(out + "/24-seek-preview.png");
        QVERIFY(!preview.isNull());
        QVERIFY(preview.width() >= 1320 && preview.height() >= 820);
        QVERIFY(redShare(preview) > 0.2);
        // The library pages in their other views, after the seek preview.
        const QStringList library = {
                "25-videos-watched",     "26-videos-folder", "27-music-albums",
                "28-music-artists",      "29-music-genres",  "30-music-folders",
                "31-music-album-filter", "32-videos-empty",  "33-music-empty"};
        for (const QString &name : library) {
            const QImage image(out + "/" + name + ".png");
            QVERIFY2(!image.isNull(), qPrintable(name));
            QCOMPARE(image.size(), QSize(1320, 820));
        }
        // The grid shows both videos' thumbnails; the album card its blue cover.
        const QImage videos(out + "/02-videos.png");
        QVERIFY2(colourShare(videos, Qt::red) > 0.01,
                 qPrintable(QString::number(colourShare(videos, Qt::red))));
        QVERIFY2(colourShare(videos, QColor(0, 128, 0)) > 0.01,
                 qPrintable(QString::number(colourShare(videos, QColor(0, 128, 0)))));
        const QImage albums(out + "/27-music-albums.png");
        QVERIFY2(colourShare(albums, Qt::blue) > 0.01,
                 qPrintable(QString::number(colourShare(albums, Qt::blue))));
        // Emptied, the pages show nothing of the videos or the cover.
        QVERIFY(colourShare(QImage(out + "/32-videos-empty.png"), Qt::red) < 0.001);
        QVERIFY(colourShare(QImage(out + "/33-music-empty.png"), Qt::blue) < 0.001);
        // A user playlist imported from a generated list, one entry greyed.
        const QImage playlist(out + "/37-playlists-user.png");
        QCOMPARE(playlist.size(), QSize(1320, 820));
        QVERIFY(colourCount(playlist) > 1);
        QCOMPARE(QDir(out).entryList({"*.png"}).size(),
                 windowed.size() + dialogs.size() + 4 + library.size());
    }

    void uiAuditWritesReport()
    {
        QTemporaryDir dir;
        const QString song = TestMedia::tone(dir.filePath("song.ogg"), 4);
        const QString report = dir.filePath("audit.txt");
        const Run run = runPlayer(dir.filePath("home"), {"--ui-audit", report, song}, 180000);
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = reportLines(report);
        QVERIFY2(lines.size() >= 2, qPrintable(run.out));
        QVERIFY(lines.first().startsWith("# interface audit, Portuguese interface"));
        QVERIFY(lines.last().endsWith("finding(s)"));
        // Every line is either a comment or one of the three kinds of finding.
        for (const QString &line : lines)
            QVERIFY2(QRegularExpression("^(# |unnamed  |clipped  |language )")
                             .match(line)
                             .hasMatch(),
                     qPrintable(line));
        QVERIFY2(lines.filter("opened no dialog").isEmpty(), qPrintable(lines.join('\n')));
        // The walk ran a second time in English and both were compared.
        QVERIFY2(lines.contains("# the same walk in the English interface:"),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("# texts shown alike in both languages:"));
        QVERIFY(lines.filter("gave no result").isEmpty());
        const QStringList compared = lines.filter(QRegularExpression("^# \\d+ texts compared"));
        QCOMPARE(compared.size(), 1);
        QVERIFY2(compared.first().section(' ', 1, 1).toInt() > 50, qPrintable(compared.first()));
        // Every finding is counted.
        const int findings = int(lines.size() - lines.filter(QRegularExpression("^# ")).size());
        QCOMPARE(lines.last(), QString("# %1 finding(s)").arg(findings));
    }

    void languageHeuristic()
    {
        QVERIFY(HarnessUiAudit::looksLikeOtherLanguage("Abrir pasta", true));
        QVERIFY(HarnessUiAudit::looksLikeOtherLanguage("Configurações", true));
        QVERIFY(!HarnessUiAudit::looksLikeOtherLanguage("Open folder", true));
        QVERIFY(!HarnessUiAudit::looksLikeOtherLanguage("Playlists", true));
        QVERIFY(HarnessUiAudit::looksLikeOtherLanguage("Open folder", false));
        QVERIFY(!HarnessUiAudit::looksLikeOtherLanguage("Abrir pasta", false));
        QVERIFY(!HarnessUiAudit::looksLikeOtherLanguage("Playlists", false));
        QVERIFY(!HarnessUiAudit::looksLikeOtherLanguage("1:23 / 4:56", false));

        // Texts written alike in both languages are not untranslated.
        QVERIFY(!HarnessUiAudit::needsTranslation("Zorvi Player"));
        QVERIFY(!HarnessUiAudit::needsTranslation("Playlists"));
        QVERIFY(!HarnessUiAudit::needsTranslation("1.0x  (normal)"));
        QVERIFY(!HarnessUiAudit::needsTranslation("0:00 / 3:25"));
        QVERIFY(HarnessUiAudit::needsTranslation("Mini player settings"));
        QVERIFY(HarnessUiAudit::needsTranslation("Volume máximo"));
    }
};

QTEST_MAIN(tst_Harness)
#include "tst_harness.moc"
