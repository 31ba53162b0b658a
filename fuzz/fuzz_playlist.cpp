// Feeds arbitrary bytes to the playlist reader. The first byte picks the
// dialect (even: M3U, odd: PLS); the rest are the file's bytes. Every entry
// must pass checkEntry.
#include "PlaylistEntryCheck.h"
#include "playlists/PlaylistFiles.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const PlaylistDialect dialect = data[0] % 2 ? PlaylistDialect::Pls : PlaylistDialect::M3u;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    QString name;
    QStringList entries;
    parsePlaylist(bytes, dialect, QStringLiteral("/fuzz/Lists/list.m3u"), &name, &entries);
    for (const QString &entry : std::as_const(entries))
        checkEntry(entry);
    return 0;
}
