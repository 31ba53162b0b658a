// Feeds arbitrary bytes to the lyrics decoder and parser and checks what
// comes out: times finite and -1 or at least 0, timed lyrics in time order,
// no line still holding a time tag, no more lines than the cap.
#include "library/Lyrics.h"

#include <QRegularExpression>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool installed = (qInstallMessageHandler(quiet), true);
    (void)installed;
    static const QRegularExpression timeTag(QStringLiteral(R"(\[(\d+):(\d+(?:[.:]\d+)?)\])"));
    if (size > std::size_t(Lyrics::MaxBytes))
        return 0;
    const QString text =
            Lyrics::decode(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QList<LyricLine> lines = Lyrics::parseLyrics(text);
    if (lines.size() > Lyrics::MaxLines)
        std::abort();
    bool timed = false;
    for (const LyricLine &line : lines)
        timed = timed || line.time >= 0;
    double previous = -1;
    for (const LyricLine &line : lines) {
        if (!std::isfinite(line.time) || (line.time < 0 && line.time != -1))
            std::abort();
        if (timed && line.time < previous)
            std::abort();
        previous = line.time;
        if (line.text.size() > Lyrics::MaxLineLength || timeTag.match(line.text).hasMatch())
            std::abort();
        if (line.time == -1 && line.text.isEmpty())
            std::abort();
    }
    return 0;
}
