#include "library/MediaFiles.h"

#include "platform/FileSystemCalls.h"

#include <QDir>

const QStringList &videoExtensions()
{
    static const QStringList list{
            QStringLiteral("mp4"),  QStringLiteral("mkv"),  QStringLiteral("avi"),
            QStringLiteral("mov"),  QStringLiteral("webm"), QStringLiteral("wmv"),
            QStringLiteral("flv"),  QStringLiteral("m4v"),  QStringLiteral("mpg"),
            QStringLiteral("mpeg"), QStringLiteral("ts"),   QStringLiteral("m2ts"),
            QStringLiteral("mts"),  QStringLiteral("3gp"),  QStringLiteral("ogv"),
            QStringLiteral("vob"),  QStringLiteral("divx"), QStringLiteral("rmvb"),
            QStringLiteral("asf"),  QStringLiteral("f4v"),  QStringLiteral("hevc"),
            QStringLiteral("y4m")};
    return list;
}

const QStringList &audioExtensions()
{
    static const QStringList list{
            QStringLiteral("mp3"),  QStringLiteral("flac"), QStringLiteral("wav"),
            QStringLiteral("m4a"),  QStringLiteral("aac"),  QStringLiteral("ogg"),
            QStringLiteral("oga"),  QStringLiteral("opus"), QStringLiteral("wma"),
            QStringLiteral("alac"), QStringLiteral("aiff"), QStringLiteral("aif"),
            QStringLiteral("ape"),  QStringLiteral("wv"),   QStringLiteral("mka"),
            QStringLiteral("ac3"),  QStringLiteral("dts"),  QStringLiteral("mid"),
            QStringLiteral("midi"), QStringLiteral("tta"),  QStringLiteral("dsf")};
    return list;
}

const QStringList &playlistSuffixes()
{
    static const QStringList suffixes{QStringLiteral("m3u"), QStringLiteral("m3u8"),
                                      QStringLiteral("pls")};
    return suffixes;
}

QString fileSuffixLower(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return path.mid(dot + 1).toLower();
}

bool isVideoFile(const QString &path)
{
    return videoExtensions().contains(fileSuffixLower(path), Qt::CaseSensitive);
}

namespace {

// Backslashes count as separators whatever the platform, so that paths written
// on Windows compare like the ones written here.
QString cleanedWithSlashes(const QString &path)
{
    QString text = path;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(text);
}

} // namespace

bool isUnderFolder(const QString &path, const QString &folder)
{
    QString base = cleanedWithSlashes(folder);
    if (base.isEmpty() || base == QLatin1String("."))
        return false;
    const QString cleanPath = cleanedWithSlashes(path);
    const Qt::CaseSensitivity cs = FileSystemCalls::pathCaseSensitivity();
    if (cleanPath.compare(base, cs) == 0)
        return true;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return cleanPath.startsWith(base, cs);
}
