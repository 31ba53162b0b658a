#include "engine/EngineCommands.h"

#include "engine/MediaPaths.h"

#include <QRegularExpression>

QString sourceCacheOptions(const QString &path)
{
    if (isNetworkSource(path))
        return QStringLiteral("cache=auto,cache-pause=yes");
    return QStringLiteral("cache=no,cache-pause=no,demuxer-readahead-secs=10");
}

bool loadFileTakesIndex(const QString &versionText)
{
    static const QRegularExpression pair(QStringLiteral("([0-9]+)\\.([0-9]+)"));
    const QRegularExpressionMatch match = pair.match(versionText);
    const qint64 major = match.hasMatch() ? match.captured(1).toLongLong() : 0;
    const qint64 minor = match.hasMatch() ? match.captured(2).toLongLong() : 0;
    return major > 0 || minor > 37;
}

QStringList loadFileArguments(const QString &path, const QString &mode, const QString &versionText)
{
    QStringList args{QStringLiteral("loadfile"), path, mode};
    if (loadFileTakesIndex(versionText))
        args << QStringLiteral("-1");
    args << sourceCacheOptions(path);
    return args;
}

QString endFileReasonText(int reason)
{
    switch (reason) {
    case 0:
        return QStringLiteral("eof");
    case 3:
        return QStringLiteral("quit");
    case 4:
        return QStringLiteral("error");
    case 5:
        return QStringLiteral("redirect");
    default:
        return QStringLiteral("stop");
    }
}
