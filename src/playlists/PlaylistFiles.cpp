#include "playlists/PlaylistFiles.h"

#include "engine/MediaPaths.h"
#include "playlists/PlaylistText.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <cmath>
#include <map>

namespace {

constexpr qint64 MaxPlaylistBytes = 128LL * 1024 * 1024;

bool isDriveRoot(const QString &path)
{
    return path.size() >= 3 && path.at(0).isLetter() && path.at(0).unicode() < 0x80 &&
           path.at(1) == u':' && path.at(2) == u'/';
}

bool isAbsoluteEntry(const QString &path)
{
    return path.startsWith(u'/') || isDriveRoot(path);
}

// Removes "." and "..", doubled separators and a trailing one; ".." never
// climbs above the root ("/", "//" for a share, or "X:/").
QString cleanEntryPath(const QString &path)
{
    QString root;
    if (isDriveRoot(path))
        root = path.left(3);
    else if (path.startsWith(QLatin1String("//")) && !path.startsWith(QLatin1String("///")))
        root = QStringLiteral("//");
    else if (path.startsWith(u'/'))
        root = QStringLiteral("/");
    QStringList kept;
    const QStringList segments = path.mid(root.size()).split(u'/', Qt::SkipEmptyParts);
    for (const QString &segment : segments) {
        if (segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(segment);
    }
    return root + kept.join(u'/');
}

// The local path a file URL names. On every platform "/X:/..." is a drive
// path and the host "localhost" means this machine; another host is a share.
QString fileUrlPath(const QUrl &url)
{
    QString path = url.path(QUrl::FullyDecoded);
    const QString host = url.host(QUrl::FullyDecoded);
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        path = QStringLiteral("//") + host + path;
    // Judged on the encoded form: the writer encodes the colon of a local
    // path such as "/c:/x", which must not turn into a drive.
    if (isDriveRoot(url.path(QUrl::FullyEncoded).mid(1)) && path.startsWith(u'/'))
        path.remove(0, 1);
    return path;
}

bool isHlsDirective(const QString &line)
{
    static const QLatin1String tags[] = {QLatin1String("#EXT-X-TARGETDURATION"),
                                         QLatin1String("#EXT-X-STREAM-INF"),
                                         QLatin1String("#EXT-X-MEDIA-SEQUENCE")};
    for (const QLatin1String &tag : tags) {
        if (line.startsWith(tag, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// "FileN = value" with N a number without leading zeros: the digits and the
// value, or false.
bool plsEntry(const QString &line, QStringView *number, QString *value)
{
    if (!line.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
        return false;
    qsizetype i = 4;
    const qsizetype digitsStart = i;
    if (i >= line.size() || line.at(i) < u'1' || line.at(i) > u'9')
        return false;
    while (i < line.size() && line.at(i) >= u'0' && line.at(i) <= u'9')
        ++i;
    *number = QStringView(line).sliced(digitsStart, i - digitsStart);
    while (i < line.size() && line.at(i).isSpace())
        ++i;
    if (i >= line.size() || line.at(i) != u'=')
        return false;
    *value = line.mid(i + 1).trimmed();
    return !value->isEmpty();
}

// Entry numbers may be longer than any integer type: compare them as digit
// strings without leading zeros.
struct NumberOrder
{
    bool operator()(const QString &a, const QString &b) const
    {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
};

QString encodedFileUrl(const QString &path)
{
    const QByteArray encoded = path.toUtf8().toPercentEncoding("/");
    return QStringLiteral("file://") + (path.startsWith(u'/') ? QString() : QStringLiteral("/")) +
           QString::fromLatin1(encoded);
}

// A local path that one trimmed line cannot carry back as it is.
bool needsFileUrl(const QString &path)
{
    return path.contains(u'\n') || path.contains(u'\r') || path != path.trimmed() ||
           path.startsWith(QChar(0xFEFF)) || path.startsWith(u'#');
}

void logIgnored(const QString &filePath, const char *why)
{
    qWarning().noquote() << "playlist ignorada:" << why << filePath;
}

} // namespace

PlaylistDialect playlistDialect(const QString &filePath)
{
    return QFileInfo(filePath).suffix().compare(QLatin1String("pls"), Qt::CaseInsensitive) == 0
                   ? PlaylistDialect::Pls
                   : PlaylistDialect::M3u;
}

QString resolveEntry(const QString &playlistDir, const QString &entry)
{
    QString path = entry;
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(entry, QUrl::TolerantMode);
        if (url.isLocalFile())
            path = fileUrlPath(url);
    }
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    if (isNetworkSource(path))
        return path;
    path.replace(u'\\', u'/');
    if (!isAbsoluteEntry(path))
        path = playlistDir + u'/' + path;
    return cleanEntryPath(path);
}

bool parsePlaylist(const QByteArray &bytes, PlaylistDialect dialect, const QString &playlistFile,
                   QString *name, QStringList *entries)
{
    const QFileInfo info(playlistFile);
    *name = info.completeBaseName();
    entries->clear();
    QStringList lines;
    if (!PlaylistText::splitLines(bytes, &lines))
        return false;
    const QString dir = cleanEntryPath(info.absolutePath());
    const QString self = cleanEntryPath(info.absoluteFilePath());
    const auto add = [&](const QString &raw) {
        const QString entry = resolveEntry(dir, raw);
        if (!entry.isEmpty() && entry != self)
            entries->append(entry);
    };
    if (dialect == PlaylistDialect::Pls) {
        std::map<QString, QString, NumberOrder> numbered;
        QStringView number;
        QString value;
        for (const QString &line : std::as_const(lines)) {
            if (plsEntry(line, &number, &value))
                numbered[number.toString()] = value;
        }
        for (const auto &[key, raw] : numbered)
            add(raw);
        return true;
    }
    for (const QString &line : std::as_const(lines)) {
        if (line.startsWith(u'#')) {
            if (line.startsWith(QLatin1String("#PLAYLIST:"), Qt::CaseInsensitive)) {
                *name = line.mid(10).trimmed();
            } else if (isHlsDirective(line)) {
                // One stream described in segments or variants: the engine
                // plays the list itself.
                entries->clear();
                entries->append(self);
                return true;
            }
            continue;
        }
        add(line);
    }
    return true;
}

QList<StationRecord> parseIptvList(const QByteArray &bytes)
{
    QStringList lines;
    if (!PlaylistText::splitLines(bytes, &lines))
        return {};
    static const QRegularExpression logoPattern(QStringLiteral("tvg-logo=\"([^\"]*)\""));
    static const QRegularExpression groupPattern(QStringLiteral("group-title=\"([^\"]*)\""));
    QList<StationRecord> result;
    StationRecord pending;
    for (const QString &line : std::as_const(lines)) {
        if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
            pending = StationRecord();
            bool quoted = false;
            for (qsizetype i = 0; i < line.size(); ++i) {
                if (line[i] == u'"') {
                    quoted = !quoted;
                } else if (line[i] == u',' && !quoted) {
                    pending.name = line.mid(i + 1).trimmed();
                    break;
                }
            }
            pending.logo = logoPattern.match(line).captured(1);
            pending.tags = groupPattern.match(line).captured(1);
            continue;
        }
        if (line.startsWith(u'#') || !isNetworkSource(line) ||
            !QUrl(line, QUrl::TolerantMode).isValid())
            continue;
        pending.url = line;
        if (pending.name.isEmpty())
            pending.name = line;
        result.append(pending);
        pending = StationRecord();
    }
    return result;
}

bool readPlaylistBytes(const QString &filePath, QByteArray *bytes)
{
    bytes->clear();
    // Checked before opening: opening a FIFO would wait for a writer.
    const QFileInfo info(filePath);
    if (!info.exists())
        return false;
    if (!info.isFile()) {
        logIgnored(filePath, "nao e arquivo comum");
        return false;
    }
    if (info.size() > MaxPlaylistBytes) {
        logIgnored(filePath, "grande demais");
        return false;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The size may have changed since the check; never read past the limit.
    *bytes = file.read(MaxPlaylistBytes + 1);
    if (bytes->size() > MaxPlaylistBytes) {
        bytes->clear();
        logIgnored(filePath, "grande demais");
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        bytes->clear();
        return false;
    }
    return true;
}

bool readPlaylist(const QString &filePath, QString *name, QStringList *paths)
{
    if (!name || !paths)
        return false;
    paths->clear();
    QByteArray bytes;
    if (!readPlaylistBytes(filePath, &bytes))
        return false;
    if (!parsePlaylist(bytes, playlistDialect(filePath), QFileInfo(filePath).absoluteFilePath(),
                       name, paths)) {
        logIgnored(filePath, "binaria");
        return false;
    }
    return true;
}

QList<StationRecord> readIptvList(const QString &filePath)
{
    QByteArray bytes;
    if (!readPlaylistBytes(filePath, &bytes))
        return {};
    return parseIptvList(bytes);
}

qint64 m3uSeconds(double duration)
{
    // 2^63 as a double; anything at or above it does not fit.
    constexpr double Limit = 9223372036854775808.0;
    if (!std::isfinite(duration) || duration >= Limit || duration <= -Limit)
        return -1;
    return static_cast<qint64>(std::trunc(duration));
}

M3uItem m3uItem(const QString &entry, const std::optional<MediaRecord> &row)
{
    M3uItem item;
    item.entry = entry;
    if (!row) {
        if (isNetworkSource(entry)) {
            const QString segment = QUrl(entry, QUrl::TolerantMode).fileName();
            const qsizetype dot = segment.lastIndexOf(u'.');
            item.title = dot > 0 ? segment.left(dot) : segment;
        } else {
            item.title = QFileInfo(entry).completeBaseName();
        }
        return item;
    }
    const QString title = row->title.isEmpty() ? QFileInfo(entry).completeBaseName() : row->title;
    item.title = row->artist.isEmpty() ? title : row->artist + QStringLiteral(" - ") + title;
    item.seconds = m3uSeconds(row->duration);
    return item;
}

QByteArray m3uLines(const M3uItem &item)
{
    QString title = item.title;
    title.replace(u'\n', u' ').replace(u'\r', u' ');
    QString line;
    if (isNetworkSource(item.entry)) {
        line = item.entry;
        line.replace(u'\n', QLatin1String("%0A")).replace(u'\r', QLatin1String("%0D"));
    } else {
        line = needsFileUrl(item.entry) ? encodedFileUrl(item.entry) : item.entry;
    }
    QByteArray out = "#EXTINF:" + QByteArray::number(item.seconds) + ',' + title.toUtf8() + '\n';
    out += line.toUtf8();
    out += '\n';
    return out;
}

bool writeM3uItems(const QString &filePath, const QList<M3uItem> &items)
{
    constexpr qsizetype FlushBytes = 256 * 1024;
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer = "#EXTM3U\n";
    for (const M3uItem &item : items) {
        buffer += m3uLines(item);
        if (buffer.size() >= FlushBytes) {
            if (file.write(buffer) != buffer.size()) {
                file.cancelWriting();
                return false;
            }
            buffer.clear();
        }
    }
    if (file.write(buffer) != buffer.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
