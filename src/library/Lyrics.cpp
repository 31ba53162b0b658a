#include "library/Lyrics.h"

#include "library/MediaTags.h"
#include "platform/FileSystemCalls.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Lyrics {

namespace {

// What Windows-1252 puts at 0x80..0x9F; everything else matches Latin-1.
// Its five unassigned bytes keep their Latin-1 value.
constexpr char16_t Windows1252High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = QChar(value >= 0x80 && value < 0xA0 ? Windows1252High[value - 0x80] : value);
    }
    return text;
}

QString decodeWith(QStringDecoder::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return decoder(bytes);
}

// A run of digits with an optional fraction ("12", "12.345"), never
// infinite: absurdly long numbers end at the largest double.
double numberValue(QStringView digits)
{
    double value = 0;
    double scale = 0;
    for (const QChar c : digits) {
        if (c == QLatin1Char('.') || c == QLatin1Char(':')) {
            scale = 1;
            continue;
        }
        const int digit = c.unicode() - '0';
        if (scale == 0) {
            value = value * 10 + digit;
        } else {
            scale /= 10;
            value += digit * scale;
        }
    }
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The length of a time stamp "<open>mm:ss<close>" at text[at] (the seconds
// may carry a fraction after '.' or ':'), or 0 when there is none. The same
// as matching "\[(\d+):(\d+(?:[.:]\d+)?)\]" there, without the expression's
// cost on every line.
qsizetype stampAt(QStringView text, qsizetype at, char open, char close, QStringView *minutes,
                  QStringView *seconds)
{
    const qsizetype size = text.size();
    if (at >= size || text[at] != QLatin1Char(open))
        return 0;
    qsizetype i = at + 1;
    const qsizetype minutesStart = i;
    while (i < size && isDigit(text[i]))
        ++i;
    if (i == minutesStart || i >= size || text[i] != QLatin1Char(':'))
        return 0;
    const qsizetype minutesEnd = i++;
    const qsizetype secondsStart = i;
    while (i < size && isDigit(text[i]))
        ++i;
    if (i == secondsStart)
        return 0;
    if (i + 1 < size && (text[i] == QLatin1Char('.') || text[i] == QLatin1Char(':')) &&
        isDigit(text[i + 1])) {
        i += 2;
        while (i < size && isDigit(text[i]))
            ++i;
    }
    if (i >= size || text[i] != QLatin1Char(close))
        return 0;
    *minutes = text.mid(minutesStart, minutesEnd - minutesStart);
    *seconds = text.mid(secondsStart, i - secondsStart);
    return i + 1 - at;
}

// Removes every stamp of one kind; true when there was one.
bool removeStamps(QString &text, char open, char close)
{
    QStringView minutes;
    QStringView seconds;
    bool removed = false;
    for (qsizetype i = text.indexOf(QLatin1Char(open)); i >= 0;) {
        const qsizetype length = stampAt(text, i, open, close, &minutes, &seconds);
        if (length > 0)
            text.remove(i, length);
        removed = removed || length > 0;
        i = text.indexOf(QLatin1Char(open), length > 0 ? i : i + 1);
    }
    return removed;
}

// Removes the word stamps "<mm:ss.xx>" of the extended format, and any time
// tag that removing something formed ("[00:<00:01>01]"): no line shows one.
void removeLeftStamps(QString &text)
{
    bool removed = true;
    while (removed) {
        removed = text.contains(QLatin1Char('<')) && removeStamps(text, '<', '>');
        removed = (text.contains(QLatin1Char('[')) && removeStamps(text, '[', ']')) || removed;
    }
}

double tagSeconds(QStringView minutes, QStringView seconds)
{
    const double value = numberValue(minutes) * 60 + numberValue(seconds);
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u < 0xA0);
}

// The text a line shows: control characters dropped, tabs as spaces, cut at
// MaxLineLength without splitting a surrogate pair.
QString shownText(const QString &raw)
{
    if (raw.size() <= MaxLineLength && std::none_of(raw.cbegin(), raw.cend(), isControl))
        return raw.trimmed();
    QString text;
    text.reserve(std::min(raw.size(), MaxLineLength + 1));
    for (const QChar c : raw) {
        if (text.size() >= MaxLineLength)
            break;
        if (c == QLatin1Char('\t'))
            text += QLatin1Char(' ');
        else if (!isControl(c))
            text += c;
    }
    if (text.size() >= MaxLineLength && text.back().isHighSurrogate())
        text.chop(1);
    return text.trimmed();
}

// "[key:value]" with a key: an LRC header such as "[ar:Someone]".
bool isHeader(const QString &text, QString *key, QString *value)
{
    if (text.size() < 3 || text.front() != QLatin1Char('[') || text.back() != QLatin1Char(']'))
        return false;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 2)
        return false;
    *key = text.mid(1, colon - 1).trimmed();
    *value = text.mid(colon + 1, text.size() - colon - 2).trimmed();
    return true;
}

} // namespace

QString decode(const QByteArray &bytes)
{
    const QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        return decodeWith(QStringDecoder::Utf8, view.sliced(3));
    if (view.startsWith("\xFF\xFE"))
        return decodeWith(QStringDecoder::Utf16LE, view.sliced(2));
    if (view.startsWith("\xFE\xFF"))
        return decodeWith(QStringDecoder::Utf16BE, view.sliced(2));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(view);
}

QList<LyricLine> parseLyrics(const QString &text)
{
    QList<LyricLine> lines;
    QList<double> times;
    bool timed = false;
    double offsetMs = 0;
    QString rest;
    const QStringView all(text);
    qsizetype start = 0;
    while (start < all.size()) {
        // Lines end at every run of CR and LF characters.
        qsizetype end = start;
        while (end < all.size() && all[end] != QLatin1Char('\n') && all[end] != QLatin1Char('\r'))
            ++end;
        const QStringView line = all.mid(start, end - start);
        start = end;
        while (start < all.size() &&
               (all[start] == QLatin1Char('\n') || all[start] == QLatin1Char('\r')))
            ++start;
        if (line.isEmpty())
            continue;

        times.clear();
        rest.resize(0);
        qsizetype kept = 0;
        for (qsizetype i = line.indexOf(QLatin1Char('[')); i >= 0 && i < line.size();) {
            QStringView minutes;
            QStringView seconds;
            const qsizetype length = stampAt(line, i, '[', ']', &minutes, &seconds);
            if (length == 0) {
                i = line.indexOf(QLatin1Char('['), i + 1);
                continue;
            }
            times.append(tagSeconds(minutes, seconds));
            rest += line.mid(kept, i - kept);
            i += length;
            kept = i;
        }
        if (kept == 0)
            rest = line.toString();
        else
            rest += line.mid(kept);
        rest = shownText(rest);
        if (rest.contains(QLatin1Char('<')) || rest.contains(QLatin1Char('['))) {
            removeLeftStamps(rest);
            rest = rest.trimmed();
        }

        if (times.isEmpty()) {
            QString key;
            QString value;
            if (isHeader(rest, &key, &value)) {
                bool ok = false;
                const qint64 ms = value.toLongLong(&ok);
                if (ok && key.compare(QLatin1String("offset"), Qt::CaseInsensitive) == 0)
                    offsetMs = double(std::clamp<qint64>(ms, -1'000'000'000, 1'000'000'000));
            } else if (!rest.isEmpty()) {
                lines.append({-1, rest});
            }
            continue;
        }
        timed = true;
        for (const double time : std::as_const(times))
            lines.append({time, rest});
    }

    if (timed) {
        // A positive offset shows every line earlier; nothing moves before
        // the start, where it would read as untimed.
        if (offsetMs != 0) {
            for (LyricLine &line : lines) {
                if (line.time >= 0)
                    line.time = std::max(0.0, line.time - offsetMs / 1000);
            }
        }
        std::stable_sort(lines.begin(), lines.end(),
                         [](const LyricLine &a, const LyricLine &b) { return a.time < b.time; });
    }
    if (lines.size() > MaxLines) {
        qInfo().noquote() << QStringLiteral("letra truncada: %1 linhas").arg(lines.size());
        lines.resize(MaxLines);
    }
    return lines;
}

QString sidecarPath(const QString &mediaPath)
{
    const QFileInfo info(mediaPath);
    const QString stem =
            info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.');
    // Names differ by letter case here; ".lrc" first, then any other spelling.
    for (int upper = 0; upper < 8; ++upper) {
        QString suffix = QStringLiteral("lrc");
        for (int i = 0; i < 3; ++i) {
            if (upper & (1 << i))
                suffix[i] = suffix[i].toUpper();
        }
        const QString candidate = stem + suffix;
        if (FileSystemCalls::statPath(FileSystemCalls::nativePath(candidate)))
            return candidate;
    }
    return {};
}

QString readSidecar(const QString &mediaPath)
{
    const QString path = sidecarPath(mediaPath);
    if (path.isEmpty())
        return {};
    auto ignored = [&path](const char *reason) {
        qWarning().noquote()
                << QStringLiteral("letra ignorada (%1): %2").arg(QLatin1String(reason), path);
        return QString();
    };
    // Only a regular file: a FIFO would block, a device never ends.
    const auto status = FileSystemCalls::statPath(FileSystemCalls::nativePath(path));
    if (!status || !status->regular)
        return ignored("nao e arquivo comum");
    if (status->size > MaxBytes)
        return ignored("maior que 1 MiB");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ignored("nao abriu");
    // The file may have grown since it was looked at.
    const QByteArray bytes = file.read(MaxBytes + 1);
    if (bytes.size() > MaxBytes)
        return ignored("maior que 1 MiB");
    return decode(bytes);
}

QList<LyricLine> load(const QString &mediaPath)
{
    QString text = readSidecar(mediaPath);
    if (text.isEmpty())
        text = MediaTags::readLyrics(mediaPath);
    if (text.size() > MaxBytes)
        text.truncate(MaxBytes);
    return parseLyrics(text);
}

} // namespace Lyrics
