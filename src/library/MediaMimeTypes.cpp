#include "library/MediaMimeTypes.h"

#include "library/MediaFiles.h"

#include <QMimeDatabase>

namespace {

QStringList systemMimeTypes(const QString &suffix)
{
    QMimeDatabase db;
    QStringList names;
    const QString own = ownMimeType(suffix);
    for (const QMimeType &type : db.mimeTypesForFileName(QStringLiteral("x.") + suffix)) {
        // Where the player's package is installed the database knows its own
        // types too; those are not the system's.
        if (!type.name().startsWith(QLatin1String("text/")) && type.name() != own)
            names << type.name();
    }
    return names;
}

QStringList allSuffixes()
{
    return videoExtensions() + audioExtensions() + playlistSuffixes();
}

} // namespace

QString ownMimeType(const QString &suffix)
{
    // Named after the player, so that it can never be taken for a system type.
    return (videoExtensions().contains(suffix) ? QStringLiteral("video/x-zorvi-")
                                               : QStringLiteral("audio/x-zorvi-")) +
           suffix;
}

QStringList suffixMimeTypes(const QString &suffix)
{
    const QStringList names = systemMimeTypes(suffix);
    return names.isEmpty() ? QStringList{ownMimeType(suffix)} : names;
}

QStringList mediaMimeTypes()
{
    static const QStringList types = [] {
        QStringList result;
        for (const QString &suffix : allSuffixes()) {
            for (const QString &name : suffixMimeTypes(suffix)) {
                if (!result.contains(name))
                    result << name;
            }
        }
        result.sort();
        return result;
    }();
    return types;
}

QStringList suffixesWithoutSystemMimeType()
{
    QStringList result;
    for (const QString &suffix : videoExtensions() + audioExtensions()) {
        if (systemMimeTypes(suffix).isEmpty())
            result << suffix;
    }
    return result;
}

QByteArray ownMimePackage()
{
    QString xml = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const QString &suffix : suffixesWithoutSystemMimeType()) {
        const bool video = videoExtensions().contains(suffix);
        xml += QStringLiteral("  <mime-type type=\"%1\">\n"
                              "    <comment>%2 %3</comment>\n"
                              "    <comment xml:lang=\"pt_BR\">%4 %2</comment>\n"
                              "    <glob pattern=\"*.%5\"/>\n"
                              "  </mime-type>\n")
                       .arg(ownMimeType(suffix), suffix.toUpper(),
                            video ? QStringLiteral("video") : QStringLiteral("audio"),
                            video ? QStringLiteral("Vídeo") : QStringLiteral("Áudio"), suffix);
    }
    xml += QStringLiteral("</mime-info>\n");
    return xml.toUtf8();
}
