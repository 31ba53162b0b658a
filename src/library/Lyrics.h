#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One lyric line: its time in seconds, or -1 for an untimed line.
struct LyricLine
{
    double time = -1;
    QString text;

    bool operator==(const LyricLine &other) const = default;
};

// Lyrics of songs: ".lrc" side files and embedded tags, decoded and parsed
// into lines. Every function here is safe on any thread.
namespace Lyrics {

// Largest side file read and longest text parsed.
constexpr qsizetype MaxBytes = 1024 * 1024;
// Most lines kept (the earliest, after sorting by time).
constexpr qsizetype MaxLines = 5000;
// Longest text of one line; longer ones are cut.
constexpr qsizetype MaxLineLength = 1000;

// Bytes of a lyrics file as text: by byte-order mark (UTF-8, UTF-16 LE or
// BE, the mark dropped), else UTF-8 when the bytes are valid UTF-8, else
// Windows-1252.
QString decode(const QByteArray &bytes);

// The lines of an LRC text (or plain text): time tags "[mm:ss]", "[mm:ss.xx]"
// and "[mm:ss:xx]" give one line each with the rest of the text, untimed
// "[key:value]" headers are skipped ("[offset:ms]" shifts every time), word
// stamps "<mm:ss.xx>" are removed. When any line is timed the result is
// sorted by time, untimed lines first, equal times in file order.
QList<LyricLine> parseLyrics(const QString &text);

// The side file of a media file: same folder, same complete base name,
// extension ".lrc" in any letter case (".lrc" itself preferred). Empty when
// there is none.
QString sidecarPath(const QString &mediaPath);

// The text of the media file's side file, or empty text when it has none or
// it is not a readable regular file of at most MaxBytes (logged).
QString readSidecar(const QString &mediaPath);

// The lyrics of a media file: its side file, else its embedded lyrics.
// Blocking; meant for a worker thread.
QList<LyricLine> load(const QString &mediaPath);

} // namespace Lyrics
