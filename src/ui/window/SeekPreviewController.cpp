#include "ui/window/SeekPreviewController.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/Thumbnailer.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/window/PlaybackSession.h"

#include <QFileInfo>

#include <cmath>

SeekPreviewController::SeekPreviewController(PreviewPopup *popup, PlayerCore *core,
                                             PlaybackSession *session, Thumbnailer *thumbnailer,
                                             QObject *parent)
    : QObject(parent)
    , m_popup(popup)
    , m_core(core)
    , m_session(session)
    , m_thumbnailer(thumbnailer)
{
    m_restTimer.setInterval(RestMs);
    m_restTimer.setSingleShot(true);
    connect(&m_restTimer, &QTimer::timeout, this, &SeekPreviewController::requestFrame);
    connect(thumbnailer, &Thumbnailer::previewReady, this, &SeekPreviewController::showFrame);
    connect(core, &PlayerCore::fileStarted, this, &SeekPreviewController::reset);
    // Library thumbnails wait while a video plays, so they never take the
    // decoder's time from it; previews still answer.
    connect(core, &PlayerCore::pauseChanged, this, &SeekPreviewController::updateHold);
    connect(core, &PlayerCore::idleChanged, this, &SeekPreviewController::updateHold);
    connect(core, &PlayerCore::videoPresenceChanged, this, [this] {
        updateHold();
        // The engine lists a new file's picture only after loading it; a
        // pointer already resting on the bar then gets its frame too.
        if (m_popup->isVisible() && m_hoverSeconds >= 0 && m_lastPosition < 0 && framesPossible()) {
            m_lastPosition = m_hoverSeconds;
            m_restTimer.start();
        }
    });
    updateHold();
}

void SeekPreviewController::updateHold()
{
    m_thumbnailer->setHold(!m_core->isIdle() && !m_core->isPaused() && m_core->hasVideo());
}

void SeekPreviewController::requestFrame()
{
    const QString path = m_session->currentPath();
    if (m_popup->isVisible() && m_lastPosition >= 0 && m_core->hasVideo() && !isNetworkSource(path))
        m_thumbnailer->requestPreview(path, m_lastPosition);
}

void SeekPreviewController::showFrame(const QString &path, double position, const QImage &image)
{
    if (path != m_session->currentPath() || !m_popup->isVisible() ||
        std::abs(position - m_lastPosition) >= SamePositionSeconds)
        return;
    // A frame that could not be made must not leave another position's up.
    if (image.isNull())
        m_popup->clearImage();
    else
        m_popup->setImage(image);
}

bool SeekPreviewController::framesPossible() const
{
    const QString path = m_session->currentPath();
    return settingValue(QStringLiteral("video/seekPreview"), true).toBool() && m_core->hasVideo() &&
           !isNetworkSource(path) && !path.isEmpty() && QFileInfo(path).isFile();
}

void SeekPreviewController::hover(double seconds, const QPoint &globalAnchor)
{
    QString chapterTitle;
    for (const auto &chapter : m_core->chapters()) {
        if (chapter.time <= seconds)
            chapterTitle = chapter.title;
    }
    m_popup->showAt(globalAnchor, formatTime(seconds), chapterTitle);
    m_hoverSeconds = seconds;
    if (!framesPossible()) {
        m_popup->clearImage();
        return;
    }
    // The frame shown meanwhile is close enough to keep.
    if (std::abs(seconds - m_lastPosition) > MinStepSeconds) {
        m_lastPosition = seconds;
        m_restTimer.start();
    }
}

void SeekPreviewController::leave()
{
    m_popup->hide();
    m_restTimer.stop();
    m_lastPosition = -1.0;
    m_hoverSeconds = -1.0;
    m_thumbnailer->cancelPreview();
}

void SeekPreviewController::reset()
{
    m_popup->hide();
    m_popup->clearImage();
    m_restTimer.stop();
    m_lastPosition = -1.0;
    // A pending frame of the old file must not reload it ahead of the library queue.
    m_thumbnailer->cancelPreview();
}
