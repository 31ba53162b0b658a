#pragma once

#include "library/MediaFiles.h"
#include "library/Records.h"

#include <QList>
#include <QString>
#include <QStringList>

// Reading and writing the playlist files exchanged with other programs. None
// of these shows anything; callers word the messages.

// Writes an extended M3U (UTF-8, no BOM) atomically: the target is replaced
// only when everything was written. Titles and durations come from the library.
bool writeM3u(const QString &filePath, const QStringList &paths);

// Reads an M3U, M3U8 or PLS file. name gets the suggested playlist name and
// paths the entries in playlist order. False when the file cannot be read or
// an output is missing; true with an empty list for a file without entries.
bool readPlaylist(const QString &filePath, QString *name, QStringList *paths);

// One entry of a playlist: file URLs become local paths, links stay as they
// are, relative paths are made absolute against the playlist's folder.
QString resolvePlaylistEntry(const QString &playlistDir, const QString &entry);

// Reads an IPTV channel list; empty on any failure or without valid channels.
QList<StationRecord> readIptvList(const QString &filePath);
