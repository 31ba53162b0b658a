#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

class QIODevice;

namespace TagLib {
class File;
} // namespace TagLib

// Finding and decoding cover pictures: the pictures embedded in audio files,
// image files beside them, and the limits every decode keeps. Safe on any
// thread; nothing here touches shared state. Meant for a worker thread: every
// function may read files and decode images.
namespace CoverPictures {

// Covers are kept at most this wide and high.
constexpr int NormalSide = 512;
// Embedded picture blobs above this size are skipped unread.
constexpr qsizetype MaxBlobBytes = 32 * 1024 * 1024;
// Largest decoded image (and largest working buffer of a progressive JPEG).
constexpr qint64 MaxDecodedBytes = 128LL * 1024 * 1024;
// Largest baseline JPEG in pixels; it is decoded already scaled down.
constexpr qint64 MaxScaledJpegPixels = 256LL * 1024 * 1024;
// Transparent pictures are flattened onto the card colour: JPEG has no alpha.
inline QColor background()
{
    return QColor(0x12, 0x23, 0x3a);
}

// Decodes an image from device, the format decided from the content. The
// size is read first: pictures whose decode would exceed the limits above are
// refused before anything is allocated (refused is set then). JPEGs larger
// than NormalSide are decoded already scaled to fit it. Null on failure.
QImage decode(QIODevice *device, bool *refused = nullptr);
QImage decode(const QByteArray &bytes, bool *refused = nullptr);

// The image scaled down to fit NormalSide x NormalSide, opaque (RGB32).
QImage normalised(const QImage &image);

// The picture chosen from an opened file: the first decodable picture, or the
// first decodable front cover when there is one. Null when none decodes.
QImage pictureOf(TagLib::File *file, bool *refused = nullptr);
// The same for a file on disk; only regular files are opened.
QImage embeddedPicture(const QString &path, bool *refused = nullptr);

// The image files of a folder the cover rule looks at, in the order it
// tries them: files whose name starts with "cover", "folder", "front",
// "albumart", "album" or "capa" (in that order of stems), else the only image
// file of the folder. Regular files only.
QStringList folderImageCandidates(const QString &folder);
// The first candidate that decodes, or null.
QImage folderImage(const QString &folder, bool *refused = nullptr);
// A regular image file decoded under the same limits.
QImage imageFile(const QString &path, bool *refused = nullptr);

} // namespace CoverPictures
