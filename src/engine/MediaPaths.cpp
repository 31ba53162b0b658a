#include "engine/MediaPaths.h"

#include "engine/FormatTime.h"

#include <QDir>
#include <QFileInfo>
#include <QTime>
#include <QUrl>

bool isNetworkSource(const QString &text)
{
    if (!text.contains(QLatin1String("://")))
        return false;
    return !QUrl(text, QUrl::TolerantMode).isLocalFile();
}

QString normalizePath(const QString &text)
{
    if (text.isEmpty() || isNetworkSource(text))
        return text;
    const QUrl url(text, QUrl::TolerantMode);
    return QDir::cleanPath(url.isLocalFile() ? url.toLocalFile() : text);
}

QString screenshotFileName(const QString &currentPath, double positionSeconds, const QTime &time)
{
    QString base = QFileInfo(currentPath).completeBaseName();
    if (base.isEmpty() || isNetworkSource(currentPath))
        base = QStringLiteral("captura");
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar &c : base) {
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    }
    const QString positionText =
            formatTime(positionSeconds).replace(QLatin1Char(':'), QLatin1Char('-'));
    return QStringLiteral("%1_%2_%3.png")
            .arg(base, positionText, time.toString(QStringLiteral("HHmmss")));
}
