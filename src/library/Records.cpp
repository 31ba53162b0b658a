#include "library/Records.h"

#include "app/AppSettings.h"

#include <QFileInfo>

QString MediaRecord::displayTitle() const
{
    if (!title.isEmpty())
        return title;
    return QFileInfo(path).completeBaseName();
}

QString MediaRecord::displayArtist() const
{
    if (!artist.isEmpty())
        return artist;
    return uiText(QStringLiteral("Unknown artist"), QStringLiteral("Artista desconhecido"));
}
