#pragma once

#include <QString>
#include <QtGlobal>

// Plain row records of the library database, copied by value.

// One row of the media table. kind is "video", "audio" or "stream".
struct MediaRecord
{
    QString path;
    QString kind;
    QString title;
    QString artist;
    QString album;
    QString albumArtist;
    QString genre;
    qint32 year = 0;
    qint32 track = 0;
    double duration = 0.0; // seconds; 0 when unknown
    QString folder;        // absolute directory; empty for streams
    qint64 size = 0;       // bytes
    qint64 mtimeMs = 0;    // modification time, ms since the epoch; 0 when unknown
    qint64 addedAt = 0;    // epoch seconds
    qint32 playCount = 0;
    qint64 lastPlayed = 0; // epoch seconds
    bool favorite = false;

    // The title, or the file name without its last suffix when there is none.
    QString displayTitle() const;
    // The artist, or "Unknown artist" in the interface language.
    QString displayArtist() const;
};

// What a library scan needs to know of a stored file to tell whether it changed.
struct LibraryFile
{
    QString path;
    QString kind;
    qint64 size = 0;    // bytes
    qint64 mtimeMs = 0; // 0 for rows stored before modification times were kept
};

// One row of the history table: the resume point of a file or stream.
struct HistoryEntry
{
    QString path;
    QString kind;
    QString title;
    double position = 0.0; // seconds
    double duration = 0.0; // seconds
    qint64 lastPlayed = 0; // epoch seconds; 0 on recording means "now"
    bool finished = false;
};

struct PlaylistInfo
{
    qint64 id = 0;
    QString name;
    qint32 count = 0; // number of items
};

// A saved radio (group "radio") or a channel of an imported list (group = list name).
struct StationRecord
{
    qint64 id = 0; // 0 or less: not stored yet
    QString name;
    QString url;
    QString logo; // address of an image
    QString tags;
    QString grp;
    bool favorite = false;
};
