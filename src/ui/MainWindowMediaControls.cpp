#include "MediaControls.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/MainWindow.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

// The cover cache's file for a media path; it only exists once the cover was
// loaded, so nothing is created here.
QString coverFileFor(const QString &path)
{
    const QByteArray hash =
            QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return dataDir() + QStringLiteral("/covers/") + QString::fromLatin1(hash) +
           QStringLiteral(".jpg");
}

} // namespace

void MainWindow::createMediaControls()
{
    m_mediaControls = new MediaControls(this, m_core, this);
    PlayerCore *core = m_core;
    MediaControls *controls = m_mediaControls;

    connect(controls, &MediaControls::playPauseRequested, this, [core] { core->togglePause(); });
    connect(controls, &MediaControls::playRequested, this, [core] {
        // Resume: from pause, or from a stopped queue that still holds items.
        if (core->isIdle() ? !core->queue().isEmpty() : core->isPaused())
            core->togglePause();
    });
    connect(controls, &MediaControls::pauseRequested, this, [core] { core->setPaused(true); });
    connect(controls, &MediaControls::nextRequested, this, [core] { core->next(); });
    connect(controls, &MediaControls::previousRequested, this, [core] { core->previous(); });
    connect(controls, &MediaControls::stopRequested, this, [core] { core->stop(); });
    connect(controls, &MediaControls::raiseRequested, this, [this] {
        showNormal();
        raise();
        activateWindow();
    });
    connect(controls, &MediaControls::quitRequested, this, [this] { realQuit(); });

    connect(core, &PlayerCore::pauseChanged, controls, [core, controls](bool paused) {
        controls->setPlaybackState(!paused, !core->isIdle());
    });
    connect(core, &PlayerCore::idleChanged, controls, [controls](bool idle) {
        if (idle)
            controls->setPlaybackState(false, false);
    });

    // Something may already be playing (a file from the command line).
    if (!core->isIdle())
        updateNowPlaying();
}

void MainWindow::publishNowPlaying(const QString &title, const QString &subtitle,
                                   const QString &album, bool isVideo)
{
    if (!m_mediaControls)
        return;
    const QString cover = coverFileFor(m_currentPath);
    m_mediaControls->setTrack(title, subtitle, album, QFileInfo::exists(cover) ? cover : QString(),
                              isVideo);
    m_mediaControls->setPlaybackState(!m_core->isPaused(), true);
}
