#include "TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <cstdlib>

namespace TestMedia {

bool ffmpeg(const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    if (!process.waitForFinished(120000)) {
        process.kill();
        return false;
    }
    if (process.exitCode() != 0)
        qWarning("ffmpeg failed: %s", process.readAll().constData());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString tone(const QString &path, double seconds, const QStringList &extra)
{
    const QStringList args =
            QStringList{"-f", "lavfi", "-i",
                        QStringLiteral("sine=frequency=440:duration=%1").arg(seconds)} +
            extra + QStringList{path};
    return ffmpeg(args) ? path : QString();
}

QString solidVideo(const QString &path, double seconds, const QString &color, int width, int height)
{
    const QStringList args{"-f",
                           "lavfi",
                           "-i",
                           QStringLiteral("color=c=%1:s=%2x%3:r=25:d=%4")
                                   .arg(color)
                                   .arg(width)
                                   .arg(height)
                                   .arg(seconds),
                           "-pix_fmt",
                           "yuv420p",
                           path};
    return ffmpeg(args) ? path : QString();
}

QString mp3WithCover(const QString &path, double seconds, const QString &title)
{
    const QString cover = path + QStringLiteral(".cover.png");
    if (!ffmpeg({"-f", "lavfi", "-i", "color=c=blue:s=64x64:d=1", "-frames:v", "1", cover}))
        return {};
    const bool ok = ffmpeg({"-f",
                            "lavfi",
                            "-i",
                            QStringLiteral("sine=frequency=440:duration=%1").arg(seconds),
                            "-i",
                            cover,
                            "-map",
                            "0:a",
                            "-map",
                            "1:v",
                            "-c:a",
                            "libmp3lame",
                            "-b:a",
                            "96k",
                            "-c:v",
                            "png",
                            "-disposition:v",
                            "attached_pic",
                            "-id3v2_version",
                            "3",
                            "-metadata",
                            QStringLiteral("title=%1").arg(title),
                            "-metadata:s:v",
                            "title=Album cover",
                            "-metadata:s:v",
                            "comment=Cover (front)",
                            path});
    QFile::remove(cover);
    return ok ? path : QString();
}

QString mkvWithTracks(const QString &path, double seconds)
{
    const QString srt = path + QStringLiteral(".srt");
    {
        QFile file(srt);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("1\n00:00:00,000 --> 00:00:30,000\nHello\n\n");
    }
    const QString d = QString::number(seconds);
    const bool ok = ffmpeg({"-f",
                            "lavfi",
                            "-i",
                            QStringLiteral("color=c=green:s=160x120:r=25:d=%1").arg(d),
                            "-f",
                            "lavfi",
                            "-i",
                            QStringLiteral("sine=frequency=440:duration=%1").arg(d),
                            "-f",
                            "lavfi",
                            "-i",
                            QStringLiteral("sine=frequency=880:duration=%1").arg(d),
                            "-i",
                            srt,
                            "-map",
                            "0:v",
                            "-map",
                            "1:a",
                            "-map",
                            "2:a",
                            "-map",
                            "3:s",
                            "-c:v",
                            "libx264",
                            "-preset",
                            "ultrafast",
                            "-pix_fmt",
                            "yuv420p",
                            "-c:a:0",
                            "aac",
                            "-ac:a:0",
                            "2",
                            "-c:a:1",
                            "libmp3lame",
                            "-ac:a:1",
                            "1",
                            "-c:s",
                            "srt",
                            "-metadata:s:a:0",
                            "title=Commentary",
                            "-metadata:s:a:0",
                            "language=eng",
                            "-metadata:s:a:1",
                            "language=por",
                            "-metadata:s:s:0",
                            "title=Forced",
                            "-metadata:s:s:0",
                            "language=por",
                            path});
    QFile::remove(srt);
    return ok ? path : QString();
}

QString numberedVideo(const QString &path, double seconds, const QColor &tint,
                      double keyframeSeconds, int width, int height, const QStringList &extra)
{
    // Bit of the block under X: block 0 white, 15 black, else bit (block-1) of N.
    const QString bit = QStringLiteral("if(eq(floor(X/4),0),1,if(eq(floor(X/4),15),0,"
                                       "mod(floor(N/pow(2,floor(X/4)-1)),2)))");
    const auto channel = [&bit](int tintValue) {
        return QStringLiteral("'if(lt(Y,8),255*%1,%2)'").arg(bit).arg(tintValue);
    };
    const QString source =
            QStringLiteral("color=c=black:s=64x36:r=%1:d=%2,format=rgb24,"
                           "geq=r=%3:g=%4:b=%5,scale=%6:%7:flags=neighbor,setsar=1,"
                           "format=yuv420p")
                    .arg(NumberedFps)
                    .arg(seconds)
                    .arg(channel(tint.red()), channel(tint.green()), channel(tint.blue()))
                    .arg(width)
                    .arg(height);
    const QString gop = QString::number(qRound(keyframeSeconds * NumberedFps));
    const QStringList args =
            QStringList{
                    "-f",        "lavfi",  "-i", source,        "-c:v", "libx264",       "-preset",
                    "ultrafast", "-g",     gop,  "-keyint_min", gop,    "-sc_threshold", "0",
                    "-pix_fmt",  "yuv420p"} +
            extra + QStringList{path};
    return ffmpeg(args) ? path : QString();
}

NumberedFrame readNumberedFrame(const QImage &image)
{
    NumberedFrame result;
    if (image.isNull() || image.width() < 16 || image.height() < 9)
        return result;
    const int w = image.width();
    const int h = image.height();
    result.tint = image.pixelColor(w / 2, h * 22 / 36);
    const int y = h * 4 / 36;
    int number = 0;
    for (int block = 0; block < 16; ++block) {
        const QColor c = image.pixelColor((2 * block + 1) * w / 32, y);
        const bool white = c.red() > 185 && c.green() > 185 && c.blue() > 185;
        const bool black = c.red() < 70 && c.green() < 70 && c.blue() < 70;
        if (white == black)
            return result;
        if ((block == 0 && !white) || (block == 15 && !black))
            return result;
        if (block > 0 && block < 15 && white)
            number |= 1 << (block - 1);
    }
    result.frame = number;
    return result;
}

bool sameTint(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString corruptFile(const QString &path, int bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    // Fixed seed: the same bytes on every run.
    QRandomGenerator generator(20240611);
    QByteArray data(bytes, '\0');
    for (char &c : data)
        c = char(generator.bounded(256));
    file.write(data);
    return path;
}

QString playerExecutable()
{
    const QString fromEnv = qEnvironmentVariable("ZORVI_PLAYER_EXE");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../zorvi-player");
}

QProcessEnvironment isolatedEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("USERNAME"));
    env.insert(QStringLiteral("USER"),
               QStringLiteral("zorvitest%1").arg(QCoreApplication::applicationPid()));
    env.insert(QStringLiteral("ZORVIPLAYER_NO_DIALOGS"), QStringLiteral("1"));
    // The user's runtime folder, private like the one the session provides.
    const QString runtime = home + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

} // namespace TestMedia
