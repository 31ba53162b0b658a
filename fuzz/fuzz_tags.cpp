// Feeds arbitrary bytes to the library's tag reading. The first byte picks
// the file type TagLib parses the rest as, so every format is reachable
// whatever the content detection would say.
#include "FuzzFiles.h"
#include "library/MediaTags.h"

#include <cstddef>
#include <cstdint>
#include <taglib/fileref.h>
#include <taglib/tbytevectorstream.h>

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
