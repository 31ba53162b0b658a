#include "app/AppSettings.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/MediaFiles.h"
#include "ui/MainWindow.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/SettingsPage.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QUrl>

void MainWindow::wirePlayer()
{
    connect(m_core, &PlayerCore::fileLoaded, this, [this] { onFileLoaded(); });
    connect(m_core, &PlayerCore::fileEnded, this,
            [this](const QString &path, const QString &reason, double pos, double duration) {
                onFileEnded(path, reason, pos, duration);
            });
    connect(m_core, &PlayerCore::titleChanged, this, [this] { updateNowPlaying(); });
    connect(m_core, &PlayerCore::errorMessage, this,
            [this](const QString &msg) { showToast(msg); });
    connect(m_core, &PlayerCore::videoPresenceChanged, this,
            [this](bool hasVideo) { onVideoPresenceChanged(hasVideo); });
    connect(m_core, &PlayerCore::idleChanged, this, [this](bool idle) { onIdleChanged(idle); });
    connect(m_core, &PlayerCore::pauseChanged, this,
            [this](bool paused) { onPauseChanged(paused); });
    connect(m_core, &PlayerCore::speedChanged, this, [](double speed) {
        if (settingValue(QStringLiteral("playback/keepSpeed"), true).toBool())
            appSettings().setValue(QStringLiteral("playback/speed"), speed);
    });

    // Once the window exists and the engine runs, the output devices are known
    // and the remembered speed can be applied.
    QTimer::singleShot(0, this, [this] {
        m_settingsPage->refreshAudioDevices();
        if (settingValue(QStringLiteral("playback/keepSpeed"), true).toBool()) {
            const double speed = settingValue(QStringLiteral("playback/speed"), 1.0).toDouble();
            if (speed > 0 && speed != 1.0)
                m_core->setSpeed(speed);
        }
    });
}

void MainWindow::onIdleChanged(bool idle)
{
    if (!idle)
        return;
    m_currentPath.clear();
    setWindowTitle(QStringLiteral("Zorvi Player"));
    m_playerNavButton->hide();
    if (m_pages->currentWidget() == m_videoArea && m_core->queue().isEmpty())
        navigate(m_lastPage == QLatin1String("player") ? QStringLiteral("home") : m_lastPage);
}

void MainWindow::onPauseChanged(bool paused)
{
    if (paused)
        m_video->setCursor(Qt::ArrowCursor);
    if (m_tray) {
        m_tray->setToolTip(
                QStringLiteral("Zorvi Player — %1")
                        .arg(paused ? uiText(QStringLiteral("paused"), QStringLiteral("pausado"))
                                    : m_core->nowPlayingTitle()));
    }
}

void MainWindow::onVideoPresenceChanged(bool hasVideo)
{
    m_videoStack->setCurrentWidget(hasVideo ? static_cast<QWidget *>(m_video) : m_nowPlaying);
    if (hasVideo && !m_mini)
        navigate(QStringLiteral("player"));
}

void MainWindow::updateNowPlaying()
{
    if (m_currentPath.isEmpty())
        m_currentPath = m_core->currentPath();
    if (m_currentPath.isEmpty())
        return;
    const QString path = m_currentPath;
    const bool isVideo = m_core->hasVideo() || isVideoFile(path);
    QString title = m_core->nowPlayingTitle();
    QString subtitle;
    QString album;
    QPixmap picture;

    if (isNetworkSource(path)) {
        const auto row = Database::instance()->mediaByPath(path);
        if (row && !row->title.isEmpty() && row->title != path)
            subtitle = row->title;
        else
            subtitle = QUrl(path).host();
        if (m_core->mediaTitle().isEmpty())
            title = subtitle;
    } else if (isVideo) {
        subtitle = QFileInfo(path).absoluteDir().dirName();
    } else if (const auto row = Database::instance()->mediaByPath(path)) {
        title = row->displayTitle();
        subtitle = row->artist;
        album = row->album;
    }

    m_nowPlaying->setTrack(path, title, subtitle, album, picture);
    updateFavoriteState();
    setWindowTitle(title + QStringLiteral(" — Zorvi Player"));
}

void MainWindow::updateFavoriteState()
{
    // The heart of the transport bar follows the favourite flag of what plays.
}
