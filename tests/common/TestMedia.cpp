#include "TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

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
    return env;
}

} // namespace TestMedia
