#include "ui/window/NowPlayingText.h"

#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/MediaFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString tagValue(const QVariantMap &tags, const QString &name)
{
    for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value().toString();
    }
    return {};
}

} // namespace

NowPlayingText NowPlayingText::describe(const PlayerCore *core, Database *database,
                                        const QString &path)
{
    NowPlayingText text;
    text.isVideo = core->hasVideo() || isVideoFile(path);
    text.title = core->nowPlayingTitle();

    if (isNetworkSource(path)) {
        const auto row = database->mediaByPath(path);
        if (row && !row->title.isEmpty() && row->title != path)
            text.subtitle = row->title;
        else
            text.subtitle = QUrl(path).host();
        if (core->mediaTitle().isEmpty())
            text.title = text.subtitle;
    } else if (text.isVideo) {
        text.subtitle = QFileInfo(path).absoluteDir().dirName();
    } else {
        // The engine's reading of the tags stands in for what the library
        // does not know: its media title is the title tag, its metadata the rest.
        const QVariantMap tags = core->metadata();
        text.subtitle = tagValue(tags, QStringLiteral("artist"));
        text.album = tagValue(tags, QStringLiteral("album"));
        if (const auto row = database->mediaByPath(path); row && !row->title.isEmpty()) {
            text.title = row->displayTitle();
            if (!row->artist.isEmpty())
                text.subtitle = row->artist;
            if (!row->album.isEmpty())
                text.album = row->album;
        }
    }
    return text;
}
