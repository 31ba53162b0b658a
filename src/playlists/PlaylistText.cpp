#include "playlists/PlaylistText.h"

#include <QStringDecoder>

namespace PlaylistText {

namespace {

// Windows-1252 for 0x80-0x9F; the five unassigned bytes keep their Latin-1
// control meaning.
constexpr char16_t Cp1252High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

enum class Encoding { Bytes, Utf16Le, Utf16Be, Utf32Le, Utf32Be };

Encoding detect(const QByteArray &bytes, qsizetype *bomSize)
{
    const auto starts = [&bytes](const char *mark, qsizetype size) {
        return bytes.size() >= size && bytes.startsWith(QByteArrayView(mark, size));
    };
    *bomSize = 0;
    if (starts("\xFF\xFE\x00\x00", 4)) {
        *bomSize = 4;
        return Encoding::Utf32Le;
    }
    if (starts("\x00\x00\xFE\xFF", 4)) {
        *bomSize = 4;
        return Encoding::Utf32Be;
    }
    if (starts("\xEF\xBB\xBF", 3)) {
        *bomSize = 3;
        return Encoding::Bytes;
    }
    if (starts("\xFF\xFE", 2)) {
        *bomSize = 2;
        return Encoding::Utf16Le;
    }
    if (starts("\xFE\xFF", 2)) {
        *bomSize = 2;
        return Encoding::Utf16Be;
    }
    return Encoding::Bytes;
}

// Trims, drops a leading U+FEFF and keeps the line when something is left.
void keepLine(QString line, QStringList *lines)
{
    line = line.trimmed();
    while (line.startsWith(QChar(0xFEFF)))
        line = line.mid(1).trimmed();
    if (!line.isEmpty())
        lines->append(line);
}

void splitBytes(const char *data, qsizetype size, QStringList *lines)
{
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        bool nul = false;
        while (end < size && data[end] != '\n' && data[end] != '\r') {
            nul = nul || data[end] == '\0';
            ++end;
        }
        const qsizetype length = end - start;
        if (!nul && length > 0 && length <= MaxLineBytes) {
            const char *line = data + start;
            keepLine(isValidUtf8(line, length) ? QString::fromUtf8(line, length)
                                               : fromWindows1252(line, length),
                     lines);
        }
        start = end + (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
    }
}

void splitText(const QString &text, QStringList *lines)
{
    const QChar *data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        bool nul = false;
        while (end < size && data[end] != u'\n' && data[end] != u'\r') {
            nul = nul || data[end] == u'\0';
            ++end;
        }
        const qsizetype length = end - start;
        if (!nul && length > 0 && length * 2 <= MaxLineBytes)
            keepLine(text.mid(start, length), lines);
        start = end + (end + 1 < size && data[end] == u'\r' && data[end + 1] == u'\n' ? 2 : 1);
    }
}

} // namespace

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int follow = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the first continuation
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            if (lead == 0xE0)
                low = 0xA0; // overlong
            else if (lead == 0xED)
                high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F; // above U+10FFFF
        } else {
            return false;
        }
        if (i + follow >= size)
            return false;
        if (bytes[i + 1] < low || bytes[i + 1] > high)
            return false;
        for (int k = 2; k <= follow; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += follow + 1;
    }
    return true;
}

QString fromWindows1252(const char *data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out[i] = byte >= 0x80 && byte < 0xA0 ? QChar(Cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

bool splitLines(const QByteArray &bytes, QStringList *lines)
{
    lines->clear();
    qsizetype bomSize = 0;
    const Encoding encoding = detect(bytes, &bomSize);
    if (encoding == Encoding::Bytes) {
        if (bomSize == 0 &&
            QByteArrayView(bytes).first(std::min(bytes.size(), BinaryProbeBytes)).contains('\0'))
            return false;
        splitBytes(bytes.constData() + bomSize, bytes.size() - bomSize, lines);
        return true;
    }
    QStringConverter::Encoding wide = QStringConverter::Utf16LE;
    switch (encoding) {
    case Encoding::Utf16Be:
        wide = QStringConverter::Utf16BE;
        break;
    case Encoding::Utf32Le:
        wide = QStringConverter::Utf32LE;
        break;
    case Encoding::Utf32Be:
        wide = QStringConverter::Utf32BE;
        break;
    default:
        break;
    }
    QStringDecoder decoder(wide, QStringConverter::Flag::Stateless);
    splitText(decoder.decode(QByteArrayView(bytes).sliced(bomSize)), lines);
    return true;
}

} // namespace PlaylistText
