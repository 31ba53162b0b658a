#include "ui/window/MediaControlsBridge.h"

#include "MediaControls.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/MediaMimeTypes.h"
#include "ui/window/NowPlayingText.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

// Length of the hash the cover cache names its files by.
constexpr int CoverHashChars = 20;

} // namespace

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

QString MediaControlsBridge::coverFileFor(const QString &path)
{
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1)
                                    .toHex()
                                    .left(CoverHashChars);
    return dataDir() + QStringLiteral("/covers/") + QString::fromLatin1(hash) +
           QStringLiteral(".jpg");
}

void MediaControlsBridge::publish(const NowPlayingText &text, const QString &path)
{
    const QString cover = coverFileFor(path);
    m_controls->setTrack(text.title, text.subtitle, text.album,
                         QFileInfo::exists(cover) ? cover : QString(), text.isVideo);
    m_controls->setPlaybackState(!m_core->isPaused(), true);
}
