#include "TaggedMedia.h"

#include "TestMedia.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

namespace TaggedMedia {

namespace {

TagLib::String text(const QString &value)
{
    return TagLib::String(value.toStdWString());
}

TagLib::ByteVector bytes(const QByteArray &data)
{
    return TagLib::ByteVector(data.constData(), static_cast<unsigned int>(data.size()));
}

TagLib::PropertyMap propertyMap(const Tags &tags)
{
    TagLib::PropertyMap map;
    auto put = [&map](const char *key, const QString &value) {
        if (!value.isEmpty())
            map.insert(key, TagLib::StringList(text(value)));
    };
    put("TITLE", tags.title);
    if (!tags.artists.isEmpty()) {
        TagLib::StringList artists;
        for (const QString &artist : tags.artists)
            artists.append(text(artist));
        map.insert("ARTIST", artists);
    }
    put("ALBUM", tags.album);
    put("ALBUMARTIST", tags.albumArtist);
    put("GENRE", tags.genre);
    put("DATE", tags.date);
    put("TRACKNUMBER", tags.track);
    put("DISCNUMBER", tags.disc);
    put("LYRICS", tags.lyrics);
    return map;
}

TagLib::FLAC::Picture *flacPicture(const Tags &tags)
{
    auto *picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(text(tags.pictureMime));
    picture->setData(bytes(tags.picture));
    return picture;
}

void addId3Picture(TagLib::ID3v2::Tag *tag, const Tags &tags)
{
    auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setMimeType(text(tags.pictureMime));
    frame->setPicture(bytes(tags.picture));
    tag->addFrame(frame);
}

// The picture in each format's own place.
void addPicture(TagLib::File *file, const Tags &tags)
{
    if (tags.picture.isEmpty())
        return;
    if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file)) {
        flac->addPicture(flacPicture(tags));
    } else if (auto *vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File *>(file)) {
        vorbis->tag()->addPicture(flacPicture(tags));
    } else if (auto *opus = dynamic_cast<TagLib::Ogg::Opus::File *>(file)) {
        opus->tag()->addPicture(flacPicture(tags));
    } else if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
        const auto format = tags.pictureMime.contains(QLatin1String("png"))
                                    ? TagLib::MP4::CoverArt::PNG
                                    : TagLib::MP4::CoverArt::JPEG;
        TagLib::MP4::CoverArtList covers;
        covers.append(TagLib::MP4::CoverArt(format, bytes(tags.picture)));
        mp4->tag()->setItem("covr", covers);
    } else if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file)) {
        TagLib::ASF::Picture picture;
        picture.setType(TagLib::ASF::Picture::FrontCover);
        picture.setMimeType(text(tags.pictureMime));
        picture.setPicture(bytes(tags.picture));
        asf->tag()->setAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
    } else if (auto *wavpack = dynamic_cast<TagLib::WavPack::File *>(file)) {
        TagLib::ByteVector data("cover.jpg", 10); // name, NUL, image
        data.append(bytes(tags.picture));
        wavpack->APETag(true)->setItem("Cover Art (Front)",
                                       TagLib::APE::Item("Cover Art (Front)", data, true));
    } else if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
        addId3Picture(mpeg->ID3v2Tag(true), tags);
    } else if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
        addId3Picture(wav->ID3v2Tag(), tags);
    }
}

} // namespace

QString audio(const QString &path, double seconds)
{
    const QString suffix = path.section(QLatin1Char('.'), -1).toLower();
    QStringList codec;
    if (suffix == QLatin1String("mp3"))
        codec = {"-c:a", "libmp3lame", "-b:a", "64k", "-id3v2_version", "0"};
    else if (suffix == QLatin1String("ogg"))
        codec = {"-c:a", "libvorbis"};
    else if (suffix == QLatin1String("opus"))
        codec = {"-c:a", "libopus", "-b:a", "32k"};
    else if (suffix == QLatin1String("m4a") || suffix == QLatin1String("aac"))
        codec = {"-c:a", "aac", "-b:a", "64k"};
    else if (suffix == QLatin1String("wma"))
        codec = {"-c:a", "wmav2"};
    else if (suffix == QLatin1String("wv"))
        codec = {"-c:a", "wavpack"};
    else if (suffix == QLatin1String("mka"))
        codec = {"-c:a", "libvorbis"};
    const QStringList args =
            QStringList{"-f",
                        "lavfi",
                        "-i",
                        QStringLiteral("sine=frequency=440:duration=%1").arg(seconds),
                        "-ac",
                        "1",
                        "-map_metadata",
                        "-1",
                        "-fflags",
                        "+bitexact",
                        "-flags:a",
                        "+bitexact"} +
            codec + QStringList{path};
    return TestMedia::ffmpeg(args) ? path : QString();
}

bool writeTags(const QString &path, const Tags &tags)
{
    const QByteArray name = QFile::encodeName(path);
    if (path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        return writeMp3Tags(path, tags, Id3::V24);
    TagLib::FileRef ref(name.constData());
    if (ref.isNull())
        return false;
    ref.file()->setProperties(propertyMap(tags));
    addPicture(ref.file(), tags);
    if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(ref.file()))
        return wav->save(TagLib::RIFF::WAV::File::ID3v2, TagLib::File::StripOthers);
    return ref.save();
}

bool writeMp3Tags(const QString &path, const Tags &tags, Id3 layout, int encoding)
{
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    const TagLib::PropertyMap map = propertyMap(tags);
    const bool v2 = layout != Id3::V1;
    const bool v1 = layout == Id3::V1 || layout == Id3::V23AndV1;
    if (v2) {
        TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
        tag->setProperties(map);
        for (TagLib::ID3v2::Frame *frame : tag->frameList()) {
            if (auto *textFrame = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame *>(frame))
                textFrame->setTextEncoding(static_cast<TagLib::String::Type>(encoding));
        }
        if (!tags.picture.isEmpty())
            addId3Picture(tag, tags);
    }
    if (v1) {
        file.ID3v1Tag(true)->setProperties(map);
        // TagLib 1.13 reads "3/12" as no number here.
        file.ID3v1Tag()->setTrack(tags.track.section(QLatin1Char('/'), 0, 0).toUInt());
    }
    const int which = (v2 ? TagLib::MPEG::File::ID3v2 : 0) | (v1 ? TagLib::MPEG::File::ID3v1 : 0);
    const auto version = layout == Id3::V24 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3;
    return file.save(which, TagLib::File::StripOthers, version, TagLib::File::DoNotDuplicate);
}

bool writeWavInfo(const QString &path, const Tags &tags)
{
    TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    TagLib::RIFF::Info::Tag *info = file.InfoTag();
    info->setTitle(text(tags.title));
    info->setArtist(text(tags.artists.join(QStringLiteral(" "))));
    info->setAlbum(text(tags.album));
    info->setGenre(text(tags.genre));
    info->setYear(tags.date.left(4).toUInt());
    info->setTrack(tags.track.section(QLatin1Char('/'), 0, 0).toUInt());
    return file.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripOthers);
}

bool appendId3v1(const QString &path, const QString &title, const QString &artist, int genreIndex)
{
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return false;
    auto field = [](const QString &value, int length) {
        QByteArray data = value.toLatin1().left(length);
        data.append(QByteArray(length - data.size(), '\0'));
        return data;
    };
    const QByteArray block = "TAG" + field(title, 30) + field(artist, 30) + field({}, 30) +
                             field({}, 4) + field({}, 30) + QByteArray(1, char(genreIndex));
    return file.write(block) == 128;
}

QByteArray image(int width, int height, const char *format, int minBytes)
{
    QRandomGenerator generator(4711);
    for (;;) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(30, 90, 160));
        // Noise makes the encoded size grow with the pixel count.
        if (minBytes > 0) {
            for (int y = 0; y < height; ++y) {
                auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
                for (int x = 0; x < width; ++x)
                    line[x] = generator.generate() | 0xff000000u;
            }
        }
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, format, 90);
        if (data.size() >= minBytes || width > 4096)
            return data;
        width += width / 2;
        height += height / 2;
    }
}

bool writePictures(const QString &path, const QList<Picture> &pictures)
{
    const QByteArray name = QFile::encodeName(path);
    auto id3 = [&pictures](TagLib::ID3v2::Tag *tag) {
        tag->removeFrames("APIC");
        for (const Picture &picture : pictures) {
            auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setType(picture.front ? TagLib::ID3v2::AttachedPictureFrame::FrontCover
                                         : TagLib::ID3v2::AttachedPictureFrame::BackCover);
            frame->setMimeType(text(picture.mime));
            frame->setPicture(bytes(picture.data));
            tag->addFrame(frame);
        }
    };
    auto flac = [](const Picture &picture) {
        auto *block = new TagLib::FLAC::Picture;
        block->setType(picture.front ? TagLib::FLAC::Picture::FrontCover
                                     : TagLib::FLAC::Picture::BackCover);
        block->setMimeType(text(picture.mime));
        block->setData(bytes(picture.data));
        return block;
    };
    if (path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
        TagLib::MPEG::File file(name.constData());
        if (!file.isValid())
            return false;
        id3(file.ID3v2Tag(true));
        return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4);
    }
    TagLib::FileRef ref(name.constData());
    if (ref.isNull())
        return false;
    TagLib::File *file = ref.file();
    if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
        id3(wav->ID3v2Tag());
        return wav->save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone);
    }
    if (auto *flacFile = dynamic_cast<TagLib::FLAC::File *>(file)) {
        flacFile->removePictures();
        for (const Picture &picture : pictures)
            flacFile->addPicture(flac(picture));
    } else if (auto *xiph = dynamic_cast<TagLib::Ogg::XiphComment *>(file->tag())) {
        xiph->removeAllPictures();
        for (const Picture &picture : pictures)
            xiph->addPicture(flac(picture));
    } else if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
        TagLib::MP4::CoverArtList covers;
        for (const Picture &picture : pictures) {
            const auto format = picture.mime.contains(QLatin1String("png"))
                                        ? TagLib::MP4::CoverArt::PNG
                                        : TagLib::MP4::CoverArt::JPEG;
            covers.append(TagLib::MP4::CoverArt(format, bytes(picture.data)));
        }
        mp4->tag()->setItem("covr", covers);
    } else if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file)) {
        asf->tag()->removeItem("WM/Picture");
        for (const Picture &picture : pictures) {
            TagLib::ASF::Picture attribute;
            attribute.setType(picture.front ? TagLib::ASF::Picture::FrontCover
                                            : TagLib::ASF::Picture::BackCover);
            attribute.setMimeType(text(picture.mime));
            attribute.setPicture(bytes(picture.data));
            asf->tag()->addAttribute("WM/Picture", TagLib::ASF::Attribute(attribute));
        }
    } else if (auto *wavpack = dynamic_cast<TagLib::WavPack::File *>(file)) {
        wavpack->APETag(true)->removeItem("Cover Art (Front)");
        wavpack->APETag(true)->removeItem("Cover Art (Back)");
        for (const Picture &picture : pictures) {
            const char *key = picture.front ? "Cover Art (Front)" : "Cover Art (Back)";
            TagLib::ByteVector data("cover.jpg", 10); // name, NUL, image
            data.append(bytes(picture.data));
            wavpack->APETag(true)->setItem(key, TagLib::APE::Item(key, data, true));
        }
    } else {
        return false;
    }
    return ref.save();
}

bool copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace TaggedMedia
