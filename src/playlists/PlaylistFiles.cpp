#include "playlists/PlaylistFiles.h"

#include "engine/MediaPaths.h"
#include "library/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>
#include <QUrl>

static QString entryTitle(const QString &entry, const std::optional<MediaRecord> &row)
{
    if (!row) {
        if (isNetworkSource(entry)) {
            const QString segment = QUrl(entry, QUrl::TolerantMode).fileName();
            const int dot = segment.lastIndexOf(QLatin1Char('.'));
            return dot > 0 ? segment.left(dot) : segment;
        }
        return QFileInfo(entry).completeBaseName();
    }
    const QString title = row->title.isEmpty() ? QFileInfo(entry).completeBaseName() : row->title;
    return row->artist.isEmpty() ? title : row->artist + QStringLiteral(" - ") + title;
}

bool writeM3u(const QString &filePath, const QStringList &paths)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << "#EXTM3U\n";
    for (const QString &entry : paths) {
        const std::optional<MediaRecord> row = Database::instance()->mediaByPath(entry);
        QString title = entryTitle(entry, row);
        title.replace(QLatin1Char('\n'), QLatin1Char(' '))
                .replace(QLatin1Char('\r'), QLatin1Char(' '));
        const qint64 seconds = row ? qint64(row->duration) : -1;
        out << "#EXTINF:" << seconds << ',' << title << '\n';
        out << (isNetworkSource(entry) ? entry : QDir::toNativeSeparators(entry)) << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString resolvePlaylistEntry(const QString &playlistDir, const QString &entry)
{
    QString path = entry;
    const QUrl url(entry, QUrl::TolerantMode);
    if (url.isLocalFile())
        path = url.toLocalFile();
    if (isNetworkSource(path))
        return path;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A drive-letter path counts as absolute on every platform: lists made on
    // Windows keep their entries.
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:/"));
    if (QDir::isRelativePath(path) && !drive.match(path).hasMatch())
        path = playlistDir + QLatin1Char('/') + path;
    return QDir::cleanPath(path);
}

bool readPlaylist(const QString &filePath, QString *name, QStringList *paths)
{
    if (!name || !paths)
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    const QFileInfo info(filePath);
    *name = info.completeBaseName();
    paths->clear();
    const QString dir = info.absolutePath();
    const bool pls = filePath.mid(filePath.lastIndexOf(QLatin1Char('.')) + 1).toLower() ==
                     QLatin1String("pls");
    static const QRegularExpression plsEntry(QStringLiteral(R"(^File([1-9][0-9]*)\s*=\s*(.+)$)"),
                                             QRegularExpression::CaseInsensitiveOption);
    QMap<qint64, QString> numbered;
    QString line;
    while (in.readLineInto(&line)) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (pls) {
            const auto match = plsEntry.match(line);
            if (match.hasMatch())
                numbered.insert(match.captured(1).toLongLong(),
                                resolvePlaylistEntry(dir, match.captured(2).trimmed()));
            continue;
        }
        if (line.startsWith(QLatin1String("#PLAYLIST:"), Qt::CaseInsensitive)) {
            *name = line.mid(10).trimmed();
            continue;
        }
        if (line.startsWith(QLatin1Char('#')))
            continue;
        paths->append(resolvePlaylistEntry(dir, line));
    }
    paths->append(numbered.values());
    return in.status() == QTextStream::Ok;
}

QList<StationRecord> readIptvList(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    static const QRegularExpression logoPattern(QStringLiteral("tvg-logo=\"([^\"]*)\""));
    static const QRegularExpression groupPattern(QStringLiteral("group-title=\"([^\"]*)\""));
    QList<StationRecord> result;
    StationRecord pending;
    QString line;
    while (in.readLineInto(&line)) {
        line = line.trimmed();
        if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
            pending = StationRecord();
            bool quoted = false;
            for (qsizetype i = 0; i < line.size(); ++i) {
                if (line[i] == QLatin1Char('"'))
                    quoted = !quoted;
                else if (line[i] == QLatin1Char(',') && !quoted) {
                    pending.name = line.mid(i + 1).trimmed();
                    break;
                }
            }
            pending.logo = logoPattern.match(line).captured(1);
            pending.tags = groupPattern.match(line).captured(1);
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || !isNetworkSource(line) ||
            !QUrl(line, QUrl::TolerantMode).isValid())
            continue;
        pending.url = line;
        if (pending.name.isEmpty())
            pending.name = line;
        result.append(pending);
        pending = StationRecord();
    }
    if (in.status() != QTextStream::Ok)
        return {};
    return result;
}
