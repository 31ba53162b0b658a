#include "ui/window/SeekPreviewController.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/window/PlaybackSession.h"

#include <QFileInfo>

#include <cmath>

SeekPreviewController::SeekPreviewController(PreviewPopup *popup, PlayerCore *core,
                                             PlaybackSession *session, QObject *parent)
    : QObject(parent)
    , m_popup(popup)
    , m_core(core)
    , m_session(session)
{
    m_restTimer.setInterval(RestMs);
    m_restTimer.setSingleShot(true);
}

void SeekPreviewController::hover(double seconds, const QPoint &globalAnchor)
{
    QString chapterTitle;
    for (const auto &chapter : m_core->chapters()) {
        if (chapter.time <= seconds)
            chapterTitle = chapter.title;
    }
    m_popup->showAt(globalAnchor, formatTime(seconds), chapterTitle);

    const QString path = m_session->currentPath();
    const bool framesPossible = settingValue(QStringLiteral("video/seekPreview"), true).toBool() &&
                                m_core->hasVideo() && !isNetworkSource(path) && !path.isEmpty() &&
                                QFileInfo(path).isFile();
    if (!framesPossible) {
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
}

void SeekPreviewController::reset()
{
    m_popup->hide();
    m_popup->clearImage();
    m_lastPosition = -1.0;
}
