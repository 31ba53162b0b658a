#include "app/AppSettings.h"
#include "engine/EngineCommands.h"
#include "engine/EngineProperties.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QDebug>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include <algorithm>

void PlayerCore::processEvents()
{
    if (!m_handle)
        return;
    while (true) {
        const mpv_event *event = mpvApi().mpv_wait_event(m_handle, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

namespace {

// The engine's idle event (number 11, kept by the engine for compatibility),
// sent each time it enters idle mode, the first time once it is ready.
constexpr mpv_event_id MpvIdleEvent = mpv_event_id(11);

} // namespace

void PlayerCore::handleEvent(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *message = static_cast<const mpv_event_log_message *>(event.data);
        qWarning().noquote() << "[mpv]" << QString::fromUtf8(message->prefix)
                             << QString::fromUtf8(message->text).trimmed();
        break;
    }
    case MPV_EVENT_START_FILE: {
        // A file that fails at once never gets its "path" reported; take the
        // path from the playlist entry so errors and end reports name it.
        const auto *startFile = static_cast<const mpv_event_start_file *>(event.data);
        if (startFile) {
            const QString path = playlistEntryPath(startFile->playlist_entry_id);
            if (!path.isEmpty())
                m_lastPath = path;
        }
        setBuffering(false);
        prepareFadeForNewFile();
        m_lastPosition = 0;
        m_lastDuration = 0;
        m_streamTitle.clear();
        // The engine keeps its loop points from one file to the next; they
        // belong to the file they were set on. The opening of the file waits
        // for this handler, so the new file never loops between the old times.
        clearAbLoop();
        m_abLoopA = -1;
        m_abLoopB = -1;
        Q_EMIT fileStarted();
        break;
    }
    case MPV_EVENT_END_FILE: {
        setBuffering(false);
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        const QString reason = end ? endFileReasonText(end->reason) : QStringLiteral("stop");
        // Only playback running into the next item fades it in; after a stop,
        // a skip or a newly chosen file the next item starts at full level.
        if (!end || end->reason != MPV_END_FILE_REASON_EOF)
            m_fadeInPending = false;
        if (end && end->reason == MPV_END_FILE_REASON_ERROR) {
            Q_EMIT errorMessage(uiText(QStringLiteral("Could not open: "),
                                       QStringLiteral("Não foi possível abrir: ")) +
                                QFileInfo(m_lastPath).fileName() + QStringLiteral(" (") +
                                mpvErrorText(end->error) + QStringLiteral(")"));
        }
        if (!m_lastPath.isEmpty())
            Q_EMIT fileEnded(m_lastPath, reason, m_lastPosition, m_lastDuration);
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (m_fadeInPending)
            startFadeIn();
        // The property changes carrying the tags arrive after this event, so
        // whoever books the item on fileLoaded would still see the file name.
        setTitles(getPropertyString(m_handle, EngineProperty::MediaTitle),
                  getPropertyNode(m_handle, EngineProperty::Metadata).toMap());
        Q_EMIT fileLoaded(loadedFile());
        break;
    case MPV_EVENT_SEEK:
        resyncFilterChain();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // After a seek the rebuilt filters take commands again; a fade level
        // they could not take before is sent now, even while paused.
        if (m_position > 0 || m_duration > 0)
            fadeOutCheck();
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        handlePropertyChange(*static_cast<const mpv_event_property *>(event.data));
        break;
    case MpvIdleEvent:
        setEngineReady();
        break;
    case MPV_EVENT_HOOK: {
        // on_load is queued after the file's start event, which has been
        // handled by now.
        const auto *hook = static_cast<const mpv_event_hook *>(event.data);
        if (qstrcmp(hook->name, "on_preloaded") == 0 && fileHasPicture())
            Q_EMIT videoOutputNeeded();
        mpvApi().mpv_hook_continue(m_handle, hook->id);
        break;
    }
    default:
        break;
    }
}

bool PlayerCore::fileHasPicture() const
{
    const QVariantList tracks = getPropertyNode(m_handle, EngineProperty::TrackList).toList();
    return std::any_of(tracks.cbegin(), tracks.cend(), [](const QVariant &entry) {
        const TrackInfo track = TrackInfo::fromMap(entry.toMap());
        return track.type == QLatin1String("video") && !track.albumart;
    });
}

LoadedFile PlayerCore::loadedFile() const
{
    LoadedFile file;
    file.path = normalizePath(getPropertyString(m_handle, EngineProperty::Path));
    if (file.path.isEmpty())
        file.path = m_currentPath;
    file.durationSeconds = std::max(0.0, getPropertyDouble(m_handle, EngineProperty::Duration));
    const QVariantList tracks = getPropertyNode(m_handle, EngineProperty::TrackList).toList();
    for (const QVariant &entry : tracks) {
        const TrackInfo track = TrackInfo::fromMap(entry.toMap());
        file.hasVideo = file.hasVideo || (track.type == QLatin1String("video") && !track.albumart);
    }
    if (m_currentPath == file.path) {
        file.title = nowPlayingTitle();
    } else {
        file.title = getPropertyString(m_handle, EngineProperty::MediaTitle);
        if (file.title.isEmpty())
            file.title = QFileInfo(file.path).completeBaseName();
    }
    file.tags = m_metadata;
    return file;
}

void PlayerCore::setTitles(const QString &mediaTitle, const QVariantMap &metadata)
{
    // The load event and the later property changes report the same values;
    // only a real change reaches the listeners.
    const bool metadataDiffers = metadata != m_metadata;
    if (!metadataDiffers && mediaTitle == m_mediaTitle)
        return;
    m_mediaTitle = mediaTitle;
    if (metadataDiffers) {
        m_metadata = metadata;
        m_streamTitle.clear();
        for (auto it = m_metadata.cbegin(); it != m_metadata.cend(); ++it) {
            if (it.key().compare(QLatin1String("icy-title"), Qt::CaseInsensitive) == 0) {
                m_streamTitle = it.value().toString();
                break;
            }
        }
        Q_EMIT metadataChanged();
    }
    Q_EMIT titleChanged();
}

QString PlayerCore::playlistEntryPath(qint64 entryId) const
{
    // Usually the entry being started is the current one; otherwise search.
    const qint64 current = getPropertyInt(m_handle, EngineProperty::PlaylistCurrentPos, -1);
    if (current >= 0) {
        const QByteArray prefix = "playlist/" + QByteArray::number(current) + "/";
        if (getPropertyInt(m_handle, prefix + "id", -1) == entryId)
            return normalizePath(getPropertyString(m_handle, prefix + "filename"));
    }
    const QVariantList entries = getPropertyNode(m_handle, "playlist").toList();
    for (const QVariant &entry : entries) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("id")).toLongLong() == entryId)
            return normalizePath(map.value(QStringLiteral("filename")).toString());
    }
    return {};
}

namespace {

bool hasValue(const mpv_event_property &property)
{
    return property.format != MPV_FORMAT_NONE && property.data;
}

double doubleValue(const mpv_event_property &property)
{
    return *static_cast<const double *>(property.data);
}

bool flagValue(const mpv_event_property &property)
{
    return hasValue(property) && *static_cast<const int *>(property.data) != 0;
}

QString stringValue(const mpv_event_property &property)
{
    if (!hasValue(property))
        return {};
    return QString::fromUtf8(*static_cast<char *const *>(property.data));
}

QVariant nodeValue(const mpv_event_property &property)
{
    if (!hasValue(property) || property.format != MPV_FORMAT_NODE)
        return {};
    return nodeToVariant(static_cast<const mpv_node *>(property.data));
}

// The engine reports an unset loop point as the text "no".
double loopPoint(const mpv_event_property &property)
{
    const QVariant value = nodeValue(property);
    return value.typeId() == QMetaType::Double ? value.toDouble() : -1;
}

} // namespace

void PlayerCore::handlePropertyChange(const mpv_event_property &property)
{
    const char *name = property.name;
    if (qstrcmp(name, "time-pos") == 0) {
        if (hasValue(property)) {
            m_position = doubleValue(property);
            m_lastPosition = m_position;
        } else {
            m_position = 0;
        }
        Q_EMIT positionChanged(m_position);
        // No position means nothing plays (between files): no fade decision,
        // least of all one taken with the previous file's duration.
        if (hasValue(property))
            fadeOutCheck();
    } else if (qstrcmp(name, EngineProperty::Duration) == 0) {
        if (hasValue(property)) {
            m_duration = doubleValue(property);
            m_lastDuration = m_duration;
        } else {
            m_duration = 0;
        }
        Q_EMIT durationChanged(m_duration);
    } else if (qstrcmp(name, "pause") == 0) {
        m_paused = flagValue(property);
        Q_EMIT pauseChanged(m_paused);
    } else if (qstrcmp(name, "speed") == 0) {
        if (hasValue(property))
            m_speed = doubleValue(property);
        Q_EMIT speedChanged(m_speed);
    } else if (qstrcmp(name, EngineProperty::Volume) == 0) {
        if (hasValue(property)) {
            m_volume = doubleValue(property);
            appSettings().setValue(QStringLiteral("audio/volume"), m_volume);
        }
        Q_EMIT volumeChanged(m_volume);
    } else if (qstrcmp(name, "mute") == 0) {
        m_muted = flagValue(property);
        Q_EMIT muteChanged(m_muted);
    } else if (qstrcmp(name, "idle-active") == 0) {
        m_idle = flagValue(property);
        Q_EMIT idleChanged(m_idle);
    } else if (qstrcmp(name, "paused-for-cache") == 0) {
        setBuffering(flagValue(property));
    } else if (qstrcmp(name, EngineProperty::Path) == 0) {
        m_currentPath = normalizePath(stringValue(property));
        if (!m_currentPath.isEmpty())
            m_lastPath = m_currentPath;
        Q_EMIT titleChanged();
    } else if (qstrcmp(name, EngineProperty::MediaTitle) == 0) {
        setTitles(stringValue(property), m_metadata);
    } else if (qstrcmp(name, EngineProperty::Metadata) == 0) {
        setTitles(m_mediaTitle, nodeValue(property).toMap());
    } else if (qstrcmp(name, EngineProperty::TrackList) == 0) {
        m_tracks.clear();
        bool video = false;
        const QVariantList list = nodeValue(property).toList();
        for (const QVariant &item : list) {
            const TrackInfo track = TrackInfo::fromMap(item.toMap());
            video = video || (track.type == QLatin1String("video") && !track.albumart);
            m_tracks.append(track);
        }
        Q_EMIT tracksChanged();
        if (video != m_hasVideo) {
            m_hasVideo = video;
            Q_EMIT videoPresenceChanged(m_hasVideo);
        }
    } else if (qstrcmp(name, "chapter-list") == 0) {
        m_chapters.clear();
        const QVariantList list = nodeValue(property).toList();
        for (const QVariant &item : list)
            m_chapters.append(ChapterInfo::fromMap(item.toMap()));
        Q_EMIT chaptersChanged();
    } else if (qstrcmp(name, "playlist") == 0) {
        m_queue.clear();
        const QVariantList list = nodeValue(property).toList();
        for (const QVariant &item : list)
            m_queue.append(QueueEntry::fromMap(item.toMap()));
        Q_EMIT queueChanged();
    } else if (qstrcmp(name, "playlist-pos") == 0) {
        m_queuePos = hasValue(property) ? int(*static_cast<const int64_t *>(property.data)) : -1;
        Q_EMIT queueChanged();
    } else if (qstrcmp(name, "ab-loop-a") == 0) {
        m_abLoopA = loopPoint(property);
        Q_EMIT abLoopChanged();
    } else if (qstrcmp(name, "ab-loop-b") == 0) {
        m_abLoopB = loopPoint(property);
        Q_EMIT abLoopChanged();
    }
}

void PlayerCore::setBuffering(bool buffering)
{
    if (buffering == m_buffering)
        return;
    m_buffering = buffering;
    qInfo().noquote() << "buffering" << m_buffering << "source"
                      << (isNetwork() ? "network" : "local") << "position" << m_position
                      << "cache-seconds" << getPropertyDouble(m_handle, "demuxer-cache-duration", 0)
                      << "dropped-frames" << getPropertyInt(m_handle, "frame-drop-count", 0);
    Q_EMIT bufferingChanged(m_buffering);
}
