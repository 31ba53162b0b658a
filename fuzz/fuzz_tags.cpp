// Feeds arbitrary bytes to the library's tag reading. The first byte picks
// the file type TagLib parses the rest as, so every format is reachable
// whatever the content detection would say.
#include "library/MediaTags.h"

#include <cstddef>
#include <cstdint>
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

namespace {

TagLib::File *openAs(std::uint8_t type, TagLib::IOStream *stream)
{
    auto *frames = TagLib::ID3v2::FrameFactory::instance();
    constexpr auto style = TagLib::AudioProperties::Fast;
    switch (type % 10) {
    case 0:
        return new TagLib::MPEG::File(stream, frames, true, style);
    case 1:
        return new TagLib::FLAC::File(stream, frames, true, style);
    case 2:
        return new TagLib::Ogg::Vorbis::File(stream, true, style);
    case 3:
        return new TagLib::Ogg::Opus::File(stream, true, style);
    case 4:
        return new TagLib::MP4::File(stream, true, style);
    case 5:
        return new TagLib::ASF::File(stream, true, style);
    case 6:
        return new TagLib::WavPack::File(stream, true, style);
    case 7:
        return new TagLib::RIFF::WAV::File(stream, true, style);
    case 8:
        return new TagLib::APE::File(stream, true, style);
    default:
        return new TagLib::RIFF::AIFF::File(stream, true, style);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || size > 4 * 1024 * 1024)
        return 0;
    TagLib::ByteVector bytes(reinterpret_cast<const char *>(data + 1),
                             static_cast<unsigned int>(size - 1));
    TagLib::ByteVectorStream stream(bytes);
    const TagLib::FileRef file(openAs(data[0], &stream));
    MediaRecord record;
    record.title = QStringLiteral("fallback");
    MediaTags::fillFromTags(file, record);
    const QString lyrics = MediaTags::lyricsFrom(file);
    // What the library would store must hold its bounds whatever the input.
    if (record.title.size() > MediaTags::MaxTextLength || record.year < 0 || record.year > 9999 ||
        record.track < 0 || record.track > 9999 || lyrics.size() > MediaTags::MaxLyricsLength)
        __builtin_trap();
    return 0;
}
