// Turns the bytes into a list of absolute paths and links (NUL separates the
// items; an item's first byte picks a link or a path), writes it with the
// text part of the M3U writer and reads it back: the lists must be equal and
// every entry must pass checkEntry.
#include "PlaylistEntryCheck.h"
#include "playlists/PlaylistFiles.h"

#include <cstddef>
#include <cstdint>

namespace {

const QString ListFile = QStringLiteral("/fuzz/list.m3u8");

// The entry an item stands for, or empty when it cannot be one that the
// reader gives back as written: links without line breaks and outer blanks,
// clean absolute paths without backslashes or "://" (the player reads those
// as links).
QString entryFor(const QByteArray &item)
{
    if (item.isEmpty() || item.size() > 4096)
        return {};
    const QString text = QString::fromUtf8(item.mid(1));
    if (item.at(0) % 2) {
        QString link = QStringLiteral("http://") + text;
        link.remove(u'\n').remove(u'\r');
        link = link.trimmed();
        return isNetworkSource(link) ? link : QString();
    }
    const QString path = u'/' + text;
    if (!isCleanAbsolutePath(path) || path.contains(QLatin1String("://")) || path == ListFile)
        return {};
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList written;
    QByteArray text = "#EXTM3U\n";
    for (const QByteArray &item : bytes.split('\0')) {
        const QString entry = entryFor(item);
        if (entry.isEmpty())
            continue;
        written.append(entry);
        text += m3uLines(m3uItem(entry, std::nullopt));
    }
    QString name;
    QStringList read;
    if (!parsePlaylist(text, PlaylistDialect::M3u, ListFile, &name, &read))
        std::abort();
    for (const QString &entry : std::as_const(read))
        checkEntry(entry);
    if (read != written) {
        for (qsizetype i = 0; i < std::max(read.size(), written.size()); ++i) {
            if (read.value(i) != written.value(i))
                std::fprintf(stderr, "entry %lld: wrote %s read %s\n", static_cast<long long>(i),
                             written.value(i).toUtf8().toPercentEncoding("/:").constData(),
                             read.value(i).toUtf8().toPercentEncoding("/:").constData());
        }
        std::abort();
    }
    return 0;
}
