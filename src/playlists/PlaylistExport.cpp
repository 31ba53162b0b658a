// The one part of the playlist files that reads the library; kept apart so
// the parsers and the text writer build without the database.
#include "library/Database.h"
#include "playlists/PlaylistFiles.h"

bool writeM3u(const QString &filePath, const QStringList &paths)
{
    const QHash<QString, MediaRecord> rows = Database::instance()->mediaByPaths(paths);
    QList<M3uItem> items;
    items.reserve(paths.size());
    for (const QString &entry : paths) {
        const auto found = rows.constFind(entry);
        items.append(m3uItem(entry, found == rows.cend() ? std::nullopt
                                                         : std::optional<MediaRecord>(*found)));
    }
    return writeM3uItems(filePath, items);
}
