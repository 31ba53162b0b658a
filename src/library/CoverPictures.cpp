#include "library/CoverPictures.h"

#include "platform/FileSystemCalls.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/trueaudiofile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>
#include <utility>
#include <vector>

namespace CoverPictures {

namespace {

// Bytes of the headers searched for the JPEG frame type.
constexpr qint64 JpegHeaderPeek = 256 * 1024;

// Whether a JPEG stream is progressive (or its frame header is out of
// reach): libjpeg then keeps every coefficient of the full-size picture,
// whatever scale it decodes to.
bool progressiveOrUnknownJpeg(const QByteArray &head)
{
    qsizetype i = 2; // after SOI
    while (i + 4 <= head.size()) {
        if (uchar(head.at(i)) != 0xff)
            return true;
        const uchar marker = uchar(head.at(i + 1));
        if (marker == 0xff) { // fill byte
            ++i;
            continue;
        }
        // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            return marker != 0xc0 && marker != 0xc1;
        const int length = (uchar(head.at(i + 2)) << 8) | uchar(head.at(i + 3));
        if (length < 2)
            return true;
        i += 2 + length;
    }
    return true;
}

QSize fitWithin(const QSize &size, int side)
{
    if (size.width() <= side && size.height() <= side)
        return size;
    // Computed by hand: QSize::scaled rounds a 20000 x 20 strip to zero height.
    if (size.width() >= size.height())
        return {side, std::max(1, int(qint64(size.height()) * side / size.width()))};
    return {std::max(1, int(qint64(size.width()) * side / size.height())), side};
}

struct Candidate
{
    TagLib::ByteVector data;
    bool front = false;
};
using Candidates = std::vector<Candidate>;

void addId3v2(const TagLib::ID3v2::Tag *tag, Candidates &out)
{
    if (!tag)
        return;
    // ID3v2.2 PIC frames arrive here upgraded to APIC.
    const TagLib::ID3v2::FrameList frames = tag->frameList("APIC");
    for (const TagLib::ID3v2::Frame *frame : frames) {
        const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(frame);
        // "-->" marks a link to the picture: never followed.
        if (!picture || picture->mimeType() == "-->")
            continue;
        out.push_back({picture->picture(),
                       picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover});
    }
}

void addFlacPictures(const TagLib::List<TagLib::FLAC::Picture *> &pictures, Candidates &out)
{
    for (const TagLib::FLAC::Picture *picture : pictures)
        out.push_back({picture->data(), picture->type() == TagLib::FLAC::Picture::FrontCover});
}

void addXiph(TagLib::Ogg::XiphComment *comment, Candidates &out)
{
    if (comment)
        addFlacPictures(comment->pictureList(), out);
}

void addApe(const TagLib::APE::Tag *tag, Candidates &out)
{
    if (!tag)
        return;
    // Keys are stored in upper case; the front cover first, then the others
    // in the tag's order.
    const TagLib::String front("COVER ART (FRONT)");
    const TagLib::APE::ItemListMap &items = tag->itemListMap();
    const auto add = [&out](const TagLib::APE::Item &item, bool isFront) {
        if (item.type() != TagLib::APE::Item::Binary)
            return;
        const TagLib::ByteVector value = item.binaryData();
        const int nul = value.find('\0');
        if (nul >= 0)
            out.push_back({value.mid(static_cast<unsigned int>(nul) + 1), isFront});
    };
    if (items.contains(front))
        add(items[front], true);
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it->first != front && it->first.startsWith("COVER ART ("))
            add(it->second, false);
    }
}

Candidates candidatesOf(TagLib::File *file)
{
    Candidates out;
    if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
        if (mpeg->hasID3v2Tag())
            addId3v2(mpeg->ID3v2Tag(), out);
    } else if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file)) {
        addFlacPictures(flac->pictureList(), out);
        if (flac->hasXiphComment())
            addXiph(flac->xiphComment(), out);
        if (flac->hasID3v2Tag())
            addId3v2(flac->ID3v2Tag(), out);
    } else if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
        TagLib::MP4::Tag *tag = mp4->tag();
        if (tag && tag->contains("covr")) {
            const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
            for (const TagLib::MP4::CoverArt &cover : covers)
                out.push_back({cover.data(), false});
        }
    } else if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file)) {
        TagLib::ASF::Tag *tag = asf->tag();
        if (tag && tag->contains("WM/Picture")) {
            const TagLib::ASF::AttributeList attributes = tag->attribute("WM/Picture");
            for (const TagLib::ASF::Attribute &attribute : attributes) {
                const TagLib::ASF::Picture picture = attribute.toPicture();
                if (picture.isValid())
                    out.push_back({picture.picture(),
                                   picture.type() == TagLib::ASF::Picture::FrontCover});
            }
        }
    } else if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
        if (wav->hasID3v2Tag())
            addId3v2(wav->ID3v2Tag(), out);
    } else if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file)) {
        if (aiff->hasID3v2Tag())
            addId3v2(aiff->tag(), out);
    } else if (auto *tta = dynamic_cast<TagLib::TrueAudio::File *>(file)) {
        if (tta->hasID3v2Tag())
            addId3v2(tta->ID3v2Tag(), out);
    } else if (auto *ape = dynamic_cast<TagLib::APE::File *>(file)) {
        if (ape->hasAPETag())
            addApe(ape->APETag(), out);
    } else if (auto *wavpack = dynamic_cast<TagLib::WavPack::File *>(file)) {
        if (wavpack->hasAPETag())
            addApe(wavpack->APETag(), out);
    } else if (auto *mpc = dynamic_cast<TagLib::MPC::File *>(file)) {
        if (mpc->hasAPETag())
            addApe(mpc->APETag(), out);
    } else if (file) {
        // Ogg Vorbis, Opus, Speex and Ogg FLAC keep their pictures in the
        // Xiph comment (1.13 also reads the legacy COVERART field there).
        addXiph(dynamic_cast<TagLib::Ogg::XiphComment *>(file->tag()), out);
    }
    return out;
}

QImage decodeCandidate(const Candidate &candidate, bool *refused)
{
    const TagLib::ByteVector &data = candidate.data;
    if (data.isEmpty())
        return {};
    if (qsizetype(data.size()) > MaxBlobBytes) {
        if (refused)
            *refused = true;
        return {};
    }
    // Read in place: TagLib's buffer outlives the decode.
    return decode(QByteArray::fromRawData(data.data(), qsizetype(data.size())), refused);
}

bool isRegularFile(const QString &path)
{
    const auto status = FileSystemCalls::statPath(FileSystemCalls::nativePath(path));
    return status && status->regular;
}

bool isImageName(const QByteArray &name)
{
    static const char *const suffixes[] = {".jpg", ".jpeg", ".png", ".webp", ".bmp"};
    const QByteArray lower = name.toLower();
    return std::any_of(std::begin(suffixes), std::end(suffixes),
                       [&lower](const char *suffix) { return lower.endsWith(suffix); });
}

} // namespace

QImage decode(QIODevice *device, bool *refused)
{
    // Taken before the reader moves the device.
    const QByteArray head = device->peek(JpegHeaderPeek);
    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return {};
    const qint64 pixels = qint64(size.width()) * size.height();
    const bool jpeg = reader.format() == "jpeg";
    bool tooBig = false;
    if (jpeg) {
        // A progressive JPEG holds 16-bit coefficients of up to three full
        // planes while it decodes.
        tooBig = progressiveOrUnknownJpeg(head) ? pixels * 6 > MaxDecodedBytes
                                                : pixels > MaxScaledJpegPixels;
    } else {
        const int bits = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
        tooBig = pixels * (bits > 0 ? std::max(bits / 8, 4) : 8) > MaxDecodedBytes;
    }
    if (tooBig) {
        if (refused)
            *refused = true;
        return {};
    }
    if (jpeg)
        reader.setScaledSize(fitWithin(size, NormalSide));
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

QImage decode(const QByteArray &bytes, bool *refused)
{
    QByteArray data = bytes; // shares the buffer (raw data stays raw)
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return decode(&buffer, refused);
}

QImage normalised(const QImage &image)
{
    if (image.isNull())
        return {};
    const QSize target = fitWithin(image.size(), NormalSide);
    QImage scaled = target == image.size()
                            ? image
                            : image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!scaled.hasAlphaChannel())
        return scaled.convertToFormat(QImage::Format_RGB32);
    QImage flat(scaled.size(), QImage::Format_RGB32);
    flat.fill(background());
    QPainter painter(&flat);
    painter.drawImage(0, 0, scaled);
    painter.end();
    return flat;
}

QImage pictureOf(TagLib::File *file, bool *refused)
{
    const Candidates candidates = candidatesOf(file);
    // The first decodable front cover wins; failing that, the first
    // decodable picture. Undecodable fronts are not tried twice.
    std::vector<bool> tried(candidates.size(), false);
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (!candidates[i].front)
            continue;
        tried[i] = true;
        QImage image = decodeCandidate(candidates[i], refused);
        if (!image.isNull())
            return image;
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (tried[i])
            continue;
        QImage image = decodeCandidate(candidates[i], refused);
        if (!image.isNull())
            return image;
    }
    return {};
}

QImage embeddedPicture(const QString &path, bool *refused)
{
    // Only regular files: a FIFO would block the reader for ever.
    if (!isRegularFile(path))
        return {};
#ifdef Q_OS_WIN
    const TagLib::FileRef file(reinterpret_cast<const wchar_t *>(path.utf16()), false,
                               TagLib::AudioProperties::Average);
#else
    const TagLib::FileRef file(FileSystemCalls::nativePath(path).constData(), false,
                               TagLib::AudioProperties::Average);
#endif
    if (file.isNull())
        return {};
    return pictureOf(file.file(), refused);
}

QStringList folderImageCandidates(const QString &folder)
{
    QList<FileSystemCalls::DirectoryEntry> entries;
    FileSystemCalls::listDirectory(FileSystemCalls::nativePath(folder), isImageName, entries);
    QStringList names;
    for (const FileSystemCalls::DirectoryEntry &entry : entries) {
        if (!entry.directory)
            names.append(FileSystemCalls::textPath(entry.name));
    }
    names.removeAll(QString());
    static const char *const stems[] = {"cover", "folder", "front", "albumart", "album", "capa"};
    QStringList out;
    for (const char *stem : stems) {
        for (const QString &name : std::as_const(names)) {
            // The complete base name: everything before the last dot.
            const QString base = name.left(name.lastIndexOf(QLatin1Char('.'))).toLower();
            const QString file = folder + QLatin1Char('/') + name;
            if (base.startsWith(QLatin1String(stem)) && !out.contains(file))
                out.append(file);
        }
    }
    if (out.isEmpty() && names.size() == 1)
        out.append(folder + QLatin1Char('/') + names.first());
    return out;
}

QImage folderImage(const QString &folder, bool *refused)
{
    const QStringList candidates = folderImageCandidates(folder);
    for (const QString &file : candidates) {
        QImage image = imageFile(file, refused);
        if (!image.isNull())
            return image;
    }
    return {};
}

QImage imageFile(const QString &path, bool *refused)
{
    if (!isRegularFile(path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decode(&file, refused);
}

} // namespace CoverPictures
