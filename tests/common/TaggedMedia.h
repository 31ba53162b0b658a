#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Builders of tagged audio files for the library and cover tests: ffmpeg
// makes a short untagged file, TagLib writes the tags, so every format gets
// the same tags the same way.
namespace TaggedMedia {

// The tags to write; empty fields are not written.
struct Tags
{
    QString title;
    QStringList artists; // more than one: one field per artist
    QString album;
    QString albumArtist;
    QString genre;
    QString date;  // "2019" or "2019-05-01"
    QString track; // "3" or "3/12"
    QString disc;  // "2/2"
    QString lyrics;
    QByteArray picture; // embedded front cover, JPEG or PNG bytes
    QString pictureMime = QStringLiteral("image/jpeg");
};

// The ID3 layout of an MP3.
enum class Id3 {
    V23,      // ID3v2.3 only
    V24,      // ID3v2.4 only
    V1,       // ID3v1 only
    V23AndV1, // both
};

// A short untagged sine tone in the format the suffix names: mp3, flac, ogg,
// opus, m4a, wma, wv, wav, aac, ac3, mka, aiff, tta. Empty on failure.
QString audio(const QString &path, double seconds = 1.0);

// Writes tags through TagLib's generic property interface (ID3v2.4 for MP3
// and WAV, Vorbis comments, MP4 atoms, ASF attributes, APE items), plus the
// picture in the format's own way. False on failure.
bool writeTags(const QString &path, const Tags &tags);

// An MP3 with the given ID3 layout; texts of ID3v2 frames in the given
// TagLib text encoding (0 Latin-1, 1 UTF-16, 3 UTF-8).
bool writeMp3Tags(const QString &path, const Tags &tags, Id3 layout, int encoding = 3);

// A WAV with a RIFF INFO chunk only (title, artist, album, genre, date, track).
bool writeWavInfo(const QString &path, const Tags &tags);

// Appends a 128-byte ID3v1 block with Latin-1 texts and a genre index.
bool appendId3v1(const QString &path, const QString &title, const QString &artist, int genreIndex);

// One embedded picture: front cover or not (then a back cover).
struct Picture
{
    QByteArray data;
    QString mime = QStringLiteral("image/jpeg");
    bool front = true;
};

// Replaces the file's pictures with these, in order, in the format's own way (ID3v2 APIC for MP3,
// WAV, AIFF; FLAC picture blocks; Xiph pictures for Ogg; MP4 covr; ASF
// WM/Picture; APE "Cover Art (Front)"/"(Back)" items for WavPack). False on
// failure.
bool writePictures(const QString &path, const QList<Picture> &pictures);

// An image of the given size and colour as JPEG (or PNG) bytes. With
// minBytes, noise is added until the encoded image is at least that large.
QByteArray image(int width, int height, const char *format = "JPEG", int minBytes = 0);

// Copies a file byte for byte (templates are cheaper than ffmpeg runs).
bool copyFile(const QString &from, const QString &to);

} // namespace TaggedMedia
