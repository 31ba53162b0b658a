#include "ui/pages/MusicGroups.h"

#include "app/AppSettings.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"

#include <QDir>
#include <QStandardItem>
#include <QStringList>

#include <map>
#include <utility>

namespace MusicGroups {

namespace {

struct Album
{
    QString name;
    QString artist;
    qint32 year = 0;
    QStringList paths;
};

QString noAlbumText()
{
    return uiText(QStringLiteral("No album"), QStringLiteral("Sem álbum"));
}

} // namespace

QList<QStandardItem *> albumCards(const QList<MediaRecord> &songs)
{
    // Keyed by the lower-cased name; the flag keeps the songs without album
    // apart from a real album of the same name while sorting them together.
    std::map<std::pair<QString, bool>, Album> albums;
    for (const MediaRecord &song : songs) {
        const bool unnamed = song.album.isEmpty();
        const QString name = unnamed ? noAlbumText() : song.album;
        Album &album = albums[{name.toLower(), unnamed}];
        album.name = name;
        if (album.artist.isEmpty())
            album.artist = !song.albumArtist.isEmpty() ? song.albumArtist : song.artist;
        if (song.year != 0)
            album.year = song.year;
        album.paths.append(song.path);
    }

    QList<QStandardItem *> cards;
    for (const auto &[key, album] : albums) {
        QString subtitle = album.artist;
        if (subtitle.isEmpty())
            subtitle = uiText(QStringLiteral("%1 songs"), QStringLiteral("%1 faixas"))
                               .arg(album.paths.size());
        if (album.year != 0)
            subtitle = QStringLiteral("%1 · %2").arg(subtitle, QString::number(album.year));
        auto *card = new QStandardItem(album.name);
        card->setData(album.paths.first(), ItemRole::Path);
        card->setData(QStringLiteral("audio"), ItemRole::Kind);
        card->setData(subtitle, ItemRole::Subtitle);
        card->setData(album.paths, ItemRole::Paths);
        card->setData(key.second ? QString() : album.name, ItemRole::FilterValue);
        cards.append(card);
    }
    return cards;
}

QList<QStandardItem *> fieldRows(const QList<MediaRecord> &songs, const QString &field)
{
    const auto valueOf = [&field](const MediaRecord &song) -> const QString & {
        if (field == QLatin1String("artist"))
            return song.artist;
        if (field == QLatin1String("genre"))
            return song.genre;
        return song.folder;
    };
    std::map<QString, QStringList> groups;
    for (const MediaRecord &song : songs)
        groups[valueOf(song)].append(song.path);

    const bool artists = field == QLatin1String("artist");
    const QString iconName = artists                           ? QStringLiteral("mic")
                             : field == QLatin1String("genre") ? QStringLiteral("music")
                                                               : QStringLiteral("folder");
    const QString unnamed =
            artists ? uiText(QStringLiteral("Unknown artist"),
                             QStringLiteral("Artista desconhecido"))
                    : uiText(QStringLiteral("No genre"), QStringLiteral("Sem gênero"));
    const QIcon glyph = icon(iconName);

    QList<QStandardItem *> rows;
    for (const auto &[key, paths] : groups) {
        QString name = key.isEmpty() ? unnamed : key;
        if (field == QLatin1String("folder") && !key.isEmpty())
            name = QDir::toNativeSeparators(key);
        auto *row = new QStandardItem(
                glyph, QStringLiteral("%1   ·   %2").arg(name, QString::number(paths.size())));
        row->setSizeHint(QSize(200, 40));
        row->setData(field, ItemRole::Kind);
        row->setData(paths, ItemRole::Paths);
        row->setData(key, ItemRole::FilterValue);
        rows.append(row);
    }
    return rows;
}

} // namespace MusicGroups
