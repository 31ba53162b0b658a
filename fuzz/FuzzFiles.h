#pragma once

// The file type a fuzz input is parsed as: its first byte picks one of the
// TagLib file classes, so every format is reachable whatever the content
// detection would say. The seeds of tools/fuzz.sh use the same numbers.
#include <cstdint>
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tiostream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

constexpr int FuzzFileTypes = 10;

inline TagLib::File *openAs(std::uint8_t type, TagLib::IOStream *stream)
{
    auto *frames = TagLib::ID3v2::FrameFactory::instance();
    constexpr auto style = TagLib::AudioProperties::Fast;
    switch (type % FuzzFileTypes) {
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
