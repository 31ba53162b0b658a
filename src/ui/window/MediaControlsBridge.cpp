#include "ui/window/MediaControlsBridge.h"

#include "MediaControls.h"
#include "engine/PlayerCore.h"
#include "library/Covers.h"
#include "library/MediaMimeTypes.h"
#include "ui/window/NowPlayingText.h"

#include <QFileInfo>

MediaControlsBridge::MediaControlsBridge(QWidget *window, PlayerCore *core, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_controls(new MediaControls(window, core, this))
{
    MediaControls *controls = m_controls;
    controls->setSupportedMimeTypes(mediaMimeTypes);
    connect(controls, &MediaControls::playPauseRequested, core, &PlayerCore::togglePause);
    connect(controls, &MediaControls::playRequested, core, [core] {
        // Resume: from pause, or from a stopped queue that still holds items.
        if (core->isIdle() ? !core->queue().isEmpty() : core->isPaused())
            core->togglePause();
    });
    connect(controls, &MediaControls::pauseRequested, core, [core] { core->setPaused(true); });
    connect(controls, &MediaControls::nextRequested, core, &PlayerCore::next);
    connect(controls, &MediaControls::previousRequested, core, &PlayerCore::previous);
    connect(controls, &MediaControls::stopRequested, core, &PlayerCore::stop);
    connect(controls, &MediaControls::raiseRequested, this, &MediaControlsBridge::raiseRequested);
    connect(controls, &MediaControls::quitRequested, this, &MediaControlsBridge::quitRequested);

    connect(core, &PlayerCore::pauseChanged, controls, [core, controls](bool paused) {
        controls->setPlaybackState(!paused, !core->isIdle());
    });
    connect(core, &PlayerCore::idleChanged, controls, [controls](bool idle) {
        if (idle)
            controls->setPlaybackState(false, false);
    });
}

void MediaControlsBridge::publish(const NowPlayingText &text, const QString &path)
{
    const QString cover = Covers::coverCacheFile(path);
    m_controls->setTrack(text.title, text.subtitle, text.album,
                         QFileInfo::exists(cover) ? cover : QString(), text.isVideo);
    m_controls->setPlaybackState(!m_core->isPaused(), true);
}
