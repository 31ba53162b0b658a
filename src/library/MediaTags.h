#pragma once

#include "library/Records.h"

#include <QString>

namespace TagLib {
class FileRef;
class String;
} // namespace TagLib

// Reading tags, audio properties and lyrics of media files with TagLib. Every
// function here is safe on any thread; none of them touches shared state.
namespace MediaTags {

// Longest tag text kept; longer ones are cut.
constexpr qsizetype MaxTextLength = 1024;
// Longest lyrics kept.
constexpr qsizetype MaxLyricsLength = 1024 * 1024;

// A tag text as the library stores it: control characters removed, white
// space trimmed, cut at MaxTextLength.
QString tagText(const TagLib::String &text);

// The record of a media file: path, kind, folder, size, modification time and
// the file-name title, then, for an audio file that is a regular file TagLib
// can open, its tags and duration. Never blocks on FIFOs or devices.
MediaRecord readMetadata(const QString &path);

// The record of a file without opening it: what readMetadata gives a file
// TagLib cannot read.
MediaRecord fileRecord(const QString &path);

// Fills title, artist, album, album artist, genre, year, track and duration
// of record from an opened file. Texts are only replaced when the tag has them.
void fillFromTags(const TagLib::FileRef &file, MediaRecord &record);

// The lyrics embedded in an audio file, or empty text.
QString readLyrics(const QString &path);
// The lyrics of an opened file, or empty text: the "LYRICS" property, else
// the first "LYRICS:<description>" one, else ffmpeg's "USLT" user text, else
// ID3v2 synchronised lyrics as LRC text.
QString lyricsFrom(const TagLib::FileRef &file);

} // namespace MediaTags
