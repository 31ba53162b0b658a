#include "library/MediaTags.h"

#include "library/MediaFiles.h"
#include "platform/FileSystemCalls.h"

#include <QFileInfo>

#include <exception>
#include <taglib/aifffile.h>
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

namespace MediaTags {

namespace {

// Keeps printable text only; line breaks survive where asked (lyrics).
QString cleaned(const QString &raw, qsizetype maxLength, bool keepLineBreaks)
{
    QString out;
    out.reserve(qMin(raw.size(), maxLength + 1));
    for (qsizetype i = 0; i < raw.size() && out.size() <= maxLength + 1; ++i) {
        const QChar c = raw.at(i);
        if (c == QLatin1Char('\n') && keepLineBreaks)
            out += c;
        else if (c == QLatin1Char('\t'))
            out += QLatin1Char(' ');
        else if (c.category() != QChar::Other_Control)
            out += c;
    }
    if (keepLineBreaks) {
        // Trim spaces at both ends but keep the inner line structure.
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
        qsizetype start = 0;
        while (start < out.size() && out.at(start).isSpace())
            ++start;
        out.remove(0, start);
    } else {
        out = out.trimmed();
    }
    if (out.size() > maxLength) {
        qsizetype cut = maxLength;
        if (out.at(cut - 1).isHighSurrogate())
            --cut;
        out.truncate(cut);
    }
    return out;
}

QString fromTagLib(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

// The leading number of a text such as "3/12" or "2019-05-01", or 0 when it
// has none or it lies outside 1..maximum.
int leadingNumber(const QString &text, int maximum)
{
    qint64 value = 0;
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype first = i;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9');
         ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > maximum)
            return 0;
    }
    return i > first && value >= 1 ? int(value) : 0;
}

// Genres written as ID3v1 numbers, "(17)" or "17", become their names.
QString genreName(const QString &genre)
{
    QString text = genre;
    if (text.startsWith(QLatin1Char('(')) && text.indexOf(QLatin1Char(')')) > 1) {
        const qsizetype close = text.indexOf(QLatin1Char(')'));
        const QString rest = text.mid(close + 1).trimmed();
        // "(17)Rock" carries its own name.
        if (!rest.isEmpty())
            return rest;
        text = text.mid(1, close - 1);
    }
    bool number = false;
    const int index = text.toInt(&number);
    if (number && index >= 0 && index < 256) {
        const QString name = fromTagLib(TagLib::ID3v1::genre(index));
        if (!name.isEmpty())
            return name;
    }
    return genre;
}

// All values of a property, cleaned, without repeats, joined with " / ".
QString joinedProperty(const TagLib::PropertyMap &map, const char *key, bool genres = false)
{
    const auto it = map.find(key);
    if (it == map.end())
        return {};
    QStringList values;
    for (const TagLib::String &value : it->second) {
        QString text = tagText(value);
        if (genres)
            text = genreName(text);
        if (!text.isEmpty() && !values.contains(text))
            values.append(text);
    }
    return cleaned(values.join(QStringLiteral(" / ")), MaxTextLength, false);
}

QString firstProperty(const TagLib::PropertyMap &map, const char *key)
{
    const auto it = map.find(key);
    if (it == map.end() || it->second.isEmpty())
        return {};
    return fromTagLib(it->second.front());
}

bool isEmptyTag(const TagLib::Tag *tag)
{
    return !tag || tag->isEmpty();
}

} // namespace

QString tagText(const TagLib::String &text)
{
    return cleaned(fromTagLib(text), MaxTextLength, false);
}

MediaRecord fileRecord(const QString &path)
{
    MediaRecord record;
    record.path = path;
    record.kind = isVideoFile(path) ? QStringLiteral("video") : QStringLiteral("audio");
    const QFileInfo info(path);
    record.folder = info.absolutePath();
    record.title = info.completeBaseName();
    if (const auto status = FileSystemCalls::statPath(FileSystemCalls::nativePath(path))) {
        record.size = status->size;
        record.mtimeMs = status->mtimeMs;
    }
    return record;
}

void fillFromTags(const TagLib::FileRef &file, MediaRecord &record)
{
    if (file.isNull())
        return;
    const TagLib::Tag *tag = file.tag();
    TagLib::PropertyMap map = file.file()->properties();
    // A WAV file's tag is its ID3v2 chunk; most Windows tools write RIFF INFO.
    if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file.file())) {
        if (isEmptyTag(wav->ID3v2Tag()) && wav->hasInfoTag()) {
            tag = wav->InfoTag();
            map = wav->InfoTag()->properties();
        }
    }
    if (!isEmptyTag(tag) || !map.isEmpty()) {
        auto text = [&](const char *key, TagLib::String (TagLib::Tag::*field)() const) {
            QString value = joinedProperty(map, key);
            if (value.isEmpty() && tag)
                value = tagText((tag->*field)());
            return value;
        };
        const QString title = text("TITLE", &TagLib::Tag::title);
        if (!title.isEmpty())
            record.title = title;
        record.artist = text("ARTIST", &TagLib::Tag::artist);
        record.album = text("ALBUM", &TagLib::Tag::album);
        record.albumArtist = joinedProperty(map, "ALBUMARTIST");
        record.genre = joinedProperty(map, "GENRE", true);
        if (record.genre.isEmpty() && tag)
            record.genre = genreName(tagText(tag->genre()));

        // The tag's own numbers only when the map has no text for them:
        // ID3's year() reads "99999" as 9999.
        const QString date = firstProperty(map, "DATE");
        record.year = leadingNumber(date, 9999);
        if (date.isEmpty() && tag && tag->year() <= 9999)
            record.year = int(tag->year());
        const QString track = firstProperty(map, "TRACKNUMBER");
        record.track = leadingNumber(track, 9999);
        if (track.isEmpty() && tag && tag->track() <= 9999)
            record.track = int(tag->track());
    }
    if (const TagLib::AudioProperties *audio = file.audioProperties()) {
        const int ms = audio->lengthInMilliseconds();
        // Nothing lasts longer than a year; bigger values are garbage.
        if (ms > 0 && ms < 366LL * 24 * 3600 * 1000)
            record.duration = ms / 1000.0;
    }
}

namespace {

TagLib::FileRef openFile(const QString &path, bool audioProperties)
{
    // Only regular files: opening a FIFO would block until someone writes.
    const auto status = FileSystemCalls::statPath(FileSystemCalls::nativePath(path));
    if (!status || !status->regular)
        return {};
#ifdef Q_OS_WIN
    return TagLib::FileRef(reinterpret_cast<const wchar_t *>(path.utf16()), audioProperties,
                           TagLib::AudioProperties::Fast);
#else
    return TagLib::FileRef(FileSystemCalls::nativePath(path).constData(), audioProperties,
                           TagLib::AudioProperties::Fast);
#endif
}

} // namespace

MediaRecord readMetadata(const QString &path)
{
    MediaRecord record = fileRecord(path);
    if (record.kind == QLatin1String("video"))
        return record;
    try {
        const TagLib::FileRef file = openFile(path, true);
        fillFromTags(file, record);
    } catch (const std::exception &) {
        // A tag asking for more memory than there is: keep the file-name record.
    }
    return record;
}

namespace {

// The ID3v2 tag of the formats that may carry one.
TagLib::ID3v2::Tag *id3v2Of(TagLib::File *file)
{
    if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file))
        return mpeg->hasID3v2Tag() ? mpeg->ID3v2Tag() : nullptr;
    if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file))
        return flac->hasID3v2Tag() ? flac->ID3v2Tag() : nullptr;
    if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file))
        return wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr;
    if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file))
        return aiff->hasID3v2Tag() ? aiff->tag() : nullptr;
    return nullptr;
}

// "[mm:ss.xxx]" for a time in milliseconds.
QString timeTag(unsigned int ms)
{
    return QStringLiteral("[%1:%2.%3]")
            .arg(ms / 60000)
            .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
            .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// Synchronised lyrics as LRC text. A frame holds pieces (often syllables)
// with their times; a newline inside a piece starts a new line, and a line
// takes the time of its first piece with text. Times counted in MPEG frames
// cannot be turned into seconds here: those lines stay untimed.
QString syncedLyrics(TagLib::ID3v2::Tag *tag)
{
    if (!tag)
        return {};
    for (TagLib::ID3v2::Frame *frame : tag->frameList("SYLT")) {
        auto *sylt = dynamic_cast<TagLib::ID3v2::SynchronizedLyricsFrame *>(frame);
        if (!sylt || sylt->synchedText().isEmpty())
            continue;
        const bool ms = sylt->timestampFormat() ==
                        TagLib::ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds;
        QStringList lines;
        QString line;
        bool lineTimed = false;
        auto endLine = [&] {
            if (!line.trimmed().isEmpty())
                lines.append(line);
            line.clear();
            lineTimed = false;
        };
        for (const auto &piece : sylt->synchedText()) {
            QString text = fromTagLib(piece.text);
            text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            const QStringList parts = text.split(QLatin1Char('\n'));
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    endLine();
                if (parts.at(i).isEmpty())
                    continue;
                if (!lineTimed && ms)
                    line += timeTag(piece.time);
                lineTimed = true;
                line += parts.at(i);
            }
            if (line.size() > MaxLyricsLength)
                break;
        }
        endLine();
        if (!lines.isEmpty())
            return lines.join(QLatin1Char('\n'));
    }
    return {};
}

} // namespace

QString lyricsFrom(const TagLib::FileRef &file)
{
    if (file.isNull())
        return {};
    const TagLib::PropertyMap map = file.file()->properties();
    QString text = firstProperty(map, "LYRICS");
    // Unsynchronised lyrics with a description come as "LYRICS:<DESCRIPTION>".
    for (auto it = map.begin(); text.isEmpty() && it != map.end(); ++it) {
        if (it->first.startsWith("LYRICS:") && !it->second.isEmpty())
            text = fromTagLib(it->second.front());
    }
    // ffmpeg stores the lyrics of an MP3 in a user text frame named "USLT".
    if (text.isEmpty())
        text = firstProperty(map, "USLT");
    if (text.trimmed().isEmpty())
        text = syncedLyrics(id3v2Of(file.file()));
    return cleaned(text, MaxLyricsLength, true);
}

QString readLyrics(const QString &path)
{
    try {
        return lyricsFrom(openFile(path, false));
    } catch (const std::exception &) {
        return {};
    }
}

} // namespace MediaTags
