#include "ui/window/PlaybackSession.h"

#include "app/AppSettings.h"
#include "engine/LoadedFile.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/MediaFiles.h"

#include <QFileInfo>

#include <algorithm>

namespace {

QString kindOf(bool network, bool video)
{
    return network ? QStringLiteral("stream")
           : video ? QStringLiteral("video")
                   : QStringLiteral("audio");
}

} // namespace

PlaybackSession::PlaybackSession(PlayerCore *core, Database *database, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_database(database)
{
    m_tickTimer.setInterval(DefaultTickMs);
    connect(&m_tickTimer, &QTimer::timeout, this, &PlaybackSession::tick);
    m_tickTimer.start();
    m_resumeSaveTimer.setInterval(DefaultResumeSaveMs);
    connect(&m_resumeSaveTimer, &QTimer::timeout, this, [this] { saveResumePoint(false); });
    m_resumeSaveTimer.start();
}

void PlaybackSession::setIntervals(int tickMs, int resumeSaveMs)
{
    m_tickTimer.setInterval(tickMs);
    m_resumeSaveTimer.setInterval(resumeSaveMs);
}

bool PlaybackSession::isNearEnd(double positionSeconds, double durationSeconds)
{
    return durationSeconds > 0 &&
           positionSeconds >= durationSeconds - std::max(durationSeconds * 0.03, 10.0);
}

void PlaybackSession::adoptEnginePath()
{
    if (m_currentPath.isEmpty())
        m_currentPath = m_core->currentPath();
}

void PlaybackSession::requestResume(const QString &path)
{
    m_startOverRequested.remove(path);
    m_resumeRequested.insert(path);
}

void PlaybackSession::requestStartOver(const QString &path)
{
    m_resumeRequested.remove(path);
    m_startOverRequested.insert(path);
}

void PlaybackSession::saveResumePoint(bool forced)
{
    if (m_currentPath.isEmpty() || m_core->isIdle() || isNetworkSource(m_currentPath))
        return;
    if (!forced && m_core->isPaused())
        return;
    const bool video = m_core->hasVideo();
    const double duration = m_core->duration();
    if (!video && duration < LongAudioSeconds)
        return;
    HistoryEntry row;
    row.path = m_currentPath;
    row.kind = kindOf(false, video);
    row.title = m_core->nowPlayingTitle();
    row.position = m_core->position();
    row.duration = duration;
    row.finished = isNearEnd(row.position, duration);
    m_database->recordHistory(row, Database::HistoryNotice::Quiet);
}

void PlaybackSession::handleFileLoaded(const LoadedFile &file)
{
    m_currentPath = file.path;
    m_playedSeconds = 0;
    m_playCounted = false;

    const QString &path = m_currentPath;
    const bool network = isNetworkSource(path);
    const bool isVideo = file.hasVideo || isVideoFile(path);
    const QString kind = kindOf(network, isVideo);
    const auto mediaRow = m_database->mediaByPath(path);
    if (isVideo || network || !mediaRow)
        m_database->ensureMedia(path, kind, file.title);
    if (file.durationSeconds > 0)
        m_database->setDurationIfUnknown(path, file.durationSeconds);

    const bool startOver = m_startOverRequested.remove(path);
    bool resume = !startOver && m_resumeRequested.remove(path);
    if (!resume && !startOver)
        resume = settingValue(QStringLiteral("playback/resume"), true).toBool() &&
                 (isVideo || file.durationSeconds > LongAudioSeconds);
    const auto history = m_database->historyEntry(path);
    if (resume && history && !history->finished) {
        const double x = history->position;
        if (x > MinResumeSeconds &&
            (history->duration <= 0 || x < history->duration - ResumeEndMarginSeconds)) {
            m_core->seekAbsolute(x);
            Q_EMIT resumedAt(x);
        }
    }

    HistoryEntry row;
    row.path = path;
    row.kind = kind;
    row.title = (!isVideo && !network && mediaRow) ? mediaRow->displayTitle() : file.title;
    row.duration = file.durationSeconds;
    row.position = (history && !history->finished) ? history->position : 0;
    row.finished = false;
    m_database->recordHistory(row);
}

void PlaybackSession::handleFileEnded(const QString &path, const QString &reason,
                                      double positionSeconds, double durationSeconds)
{
    if (path.isEmpty() || reason == QLatin1String("error") || reason == QLatin1String("redirect"))
        return;
    const bool network = isNetworkSource(path);
    const bool isVideo = isVideoFile(path) || (path == m_currentPath && m_core->hasVideo());
    HistoryEntry row;
    row.path = path;
    row.kind = kindOf(network, isVideo);
    const auto existing = m_database->historyEntry(path);
    row.title = existing && !existing->title.isEmpty() ? existing->title
                                                       : QFileInfo(path).completeBaseName();
    row.duration = durationSeconds;
    row.position = network ? 0 : positionSeconds;
    row.finished = reason == QLatin1String("eof") || isNearEnd(positionSeconds, durationSeconds);
    // Finished music leaves no resume point behind.
    if (row.finished && !isVideo)
        return;
    m_database->recordHistory(row);
}

void PlaybackSession::handleIdle()
{
    m_currentPath.clear();
}

void PlaybackSession::tick()
{
    if (m_core->isPaused() || m_core->isIdle() || m_core->isBuffering())
        return;
    // Each tick stands for one second, also when a test runs the clock faster.
    m_playedSeconds += 1;
    const double duration = m_core->duration();
    if (!m_playCounted && !m_currentPath.isEmpty() && duration > 0 &&
        m_playedSeconds >= std::min(duration * 0.5, PlayCountSeconds)) {
        m_playCounted = true;
        m_database->countPlay(m_currentPath);
    }
}
