#pragma once

#include "library/Records.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reading and writing the playlist files exchanged with other programs. None
// of these shows anything; callers word the messages. Each reader is a byte
// parser plus a thin file layer, so a worker thread can run the parser on
// bytes it already holds.

// Writes an extended M3U (UTF-8, no BOM, LF line ends) atomically: the target
// is replaced only when everything was written. Titles and durations come
// from the library.
bool writeM3u(const QString &filePath, const QStringList &paths);

// Reads an M3U, M3U8 or PLS file. name gets the suggested playlist name and
// paths the entries in playlist order. False when the file cannot be read or
// an output is missing; true with an empty list for a file without entries.
bool readPlaylist(const QString &filePath, QString *name, QStringList *paths);

// One entry of a playlist: file URLs become local paths, links stay as they
// are, relative paths are made absolute against the playlist's folder and
// every path comes back clean. Empty when nothing usable is left.
QString resolveEntry(const QString &playlistDir, const QString &entry);

// Reads an IPTV channel list; empty on any failure or without valid channels.
QList<StationRecord> readIptvList(const QString &filePath);

// --- The parts the functions above are made of ---

enum class PlaylistDialect { M3u, Pls };

// By the file name's suffix: "pls" in any letter case is PLS, all else M3U.
PlaylistDialect playlistDialect(const QString &filePath);

// The whole file when it is a regular file of at most 128 MiB; anything else
// (missing, a folder, a FIFO, a device, too big, unreadable) gives false and
// logs why. Never blocks on a special file.
bool readPlaylistBytes(const QString &filePath, QByteArray *bytes);

// Parses the bytes of a playlist that lives at playlistFile (an absolute
// path: its folder resolves relative entries, its base name is the default
// name, and an entry naming the file itself is dropped). False for binary
// content.
bool parsePlaylist(const QByteArray &bytes, PlaylistDialect dialect, const QString &playlistFile,
                   QString *name, QStringList *entries);

// Parses the bytes of an IPTV channel list.
QList<StationRecord> parseIptvList(const QByteArray &bytes);

// One exported entry: what "#EXTINF:" says about it and the entry itself.
struct M3uItem
{
    QString entry;
    QString title;
    qint64 seconds = -1;
};

// Title and duration of an entry from its library row, if it has one.
M3uItem m3uItem(const QString &entry, const std::optional<MediaRecord> &row);
// The duration written for a stored one: truncated toward zero, -1 when it
// is not a finite number that fits.
qint64 m3uSeconds(double duration);
// The two lines of one item, LF-terminated, UTF-8.
QByteArray m3uLines(const M3uItem &item);
// Writes "#EXTM3U" and the items atomically; the target keeps its old
// content on any failure.
bool writeM3uItems(const QString &filePath, const QList<M3uItem> &items);
