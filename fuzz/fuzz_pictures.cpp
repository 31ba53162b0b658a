// Feeds arbitrary bytes to the cover picture reading: the first byte picks
// the TagLib file class the rest is parsed as (see FuzzFiles.h), or, for
// the value FuzzFileTypes, hands the rest straight to the image decoder.
// The picture choice, the APE item split and the decoder with its limits all
// run as the cover loader runs them.
#include "FuzzFiles.h"
#include "library/CoverPictures.h"

#include <QCoreApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <taglib/tbytevectorstream.h>

namespace {

void check(const QImage &picture)
{
    const QImage cover = CoverPictures::normalised(picture);
    // Whatever the input, the cover holds its bounds and has no alpha.
    if (!cover.isNull() &&
        (cover.width() > CoverPictures::NormalSide || cover.height() > CoverPictures::NormalSide ||
         cover.width() < 1 || cover.height() < 1 || cover.hasAlphaChannel()))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The image plug-ins (JPEG, WebP, GIF) are found through the application.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || size > 4 * 1024 * 1024)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    if (data[0] % (FuzzFileTypes + 1) == FuzzFileTypes) {
        check(CoverPictures::decode(QByteArray::fromRawData(bytes, qsizetype(size - 1))));
        return 0;
    }
    TagLib::ByteVector vector(bytes, static_cast<unsigned int>(size - 1));
    TagLib::ByteVectorStream stream(vector);
    const std::unique_ptr<TagLib::File> file(openAs(data[0], &stream));
    check(CoverPictures::pictureOf(file.get()));
    return 0;
}
