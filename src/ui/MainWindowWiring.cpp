#include "app/AppSettings.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/MediaFiles.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/bars/SeekBar.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/QueuePanel.h"
#include "ui/pages/SettingsPage.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QUrl>

#include <cmath>

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
    // The engine may report the emptied playlist after it reported idle.
    connect(m_core, &PlayerCore::queueChanged, this, [this] {
        if (m_core->isIdle())
            leaveIdlePlayerPage();
    });
    connect(m_core, &PlayerCore::pauseChanged, this,
            [this](bool paused) { onPauseChanged(paused); });
    connect(m_core, &PlayerCore::speedChanged, this, [](double speed) {
        if (settingValue(QStringLiteral("playback/keepSpeed"), true).toBool())
            appSettings().setValue(QStringLiteral("playback/speed"), speed);
    });

    // Once the window exists and the engine runs, the media controls can attach
    // to the window, the output devices are known and the remembered speed can
    // be applied.
    QTimer::singleShot(0, this, [this] {
        createMediaControls();
        m_settingsPage->refreshAudioDevices();
        if (settingValue(QStringLiteral("playback/keepSpeed"), true).toBool()) {
            const double speed = settingValue(QStringLiteral("playback/speed"), 1.0).toDouble();
            if (speed > 0 && speed != 1.0)
                m_core->setSpeed(speed);
        }
    });
}

void MainWindow::wireControlBar()
{
    ControlBar *bar = m_controlBar;
    auto trigger = [](const char *id) {
        return [id] {
            if (QAction *action = Actions::instance()->action(QString::fromLatin1(id)))
                action->trigger();
        };
    };
    connect(bar->favoriteButton(), &QToolButton::clicked, this, [this] { toggleFavorite(); });
    connect(bar->shuffleButton(), &QToolButton::clicked, this, trigger("shuffle"));
    connect(bar->prevButton(), &QToolButton::clicked, this, [this] { m_core->previous(); });
    connect(bar->back10Button(), &QToolButton::clicked, this, [this] { seekBy(-10); });
    connect(bar->playButton(), &QToolButton::clicked, this, [this] { m_core->togglePause(); });
    connect(bar->fwd10Button(), &QToolButton::clicked, this, [this] { seekBy(10); });
    connect(bar->nextButton(), &QToolButton::clicked, this, [this] { m_core->next(); });
    connect(bar->repeatButton(), &QToolButton::clicked, this, trigger("repeat"));
    connect(bar->eqButton(), &QToolButton::clicked, this, trigger("eq"));
    connect(bar->fullscreenButton(), &QToolButton::clicked, this,
            [this] { setFullscreen(!m_fullscreen); });
    connect(bar->pipButton(), &QToolButton::clicked, this, [this] { toggleMiniPlayer(); });
    connect(bar->queueButton(), &QToolButton::toggled, this, [this](bool on) {
        if (!m_fullscreen && !m_mini)
            m_queuePanel->setVisible(on);
    });
    connect(bar, &ControlBar::coverClicked, this, [this] {
        if (!m_currentPath.isEmpty())
            navigate(QStringLiteral("player"));
    });

    auto attachMenu = [this](QToolButton *button, void (MainWindow::*fill)(QMenu *)) {
        auto *menu = new QMenu(button);
        connect(menu, &QMenu::aboutToShow, this, [this, menu, fill] {
            menu->clear();
            (this->*fill)(menu);
        });
        button->setMenu(menu);
    };
    attachMenu(bar->speedButton(), &MainWindow::fillSpeedMenu);
    attachMenu(bar->subtitlesButton(), &MainWindow::fillSubtitleButtonMenu);
    attachMenu(bar->audioButton(), &MainWindow::fillAudioButtonMenu);
    attachMenu(bar->moreButton(), &MainWindow::fillMoreMenu);

    SeekBar *seek = bar->seekBar();
    connect(seek, &SeekBar::seekRequested, this, [this](double secs, bool dragging) {
        if (!dragging)
            m_core->seekAbsolute(secs);
    });
    connect(seek, &SeekBar::hovered, this,
            [this](double secs, QPoint anchor) { onSeekHovered(secs, anchor); });
    connect(seek, &SeekBar::hoverLeft, this, [this] {
        m_preview->hide();
        m_previewTimer.stop();
        m_lastPreviewPos = -1.0;
    });
}

void MainWindow::onSeekHovered(double secs, const QPoint &globalAnchor)
{
    QString chapterTitle;
    for (const auto &chapter : m_core->chapters()) {
        if (chapter.time <= secs)
            chapterTitle = chapter.title;
    }
    m_preview->showAt(globalAnchor, formatTime(secs), chapterTitle);

    const bool framesPossible = settingValue(QStringLiteral("video/seekPreview"), true).toBool() &&
                                m_core->hasVideo() && !isNetworkSource(m_currentPath) &&
                                !m_currentPath.isEmpty() && QFileInfo(m_currentPath).isFile();
    if (!framesPossible) {
        m_preview->clearImage();
        return;
    }
    // A frame is asked for only once the pointer has moved far enough and
    // rested for the timer; the frame shown meanwhile is close enough to keep.
    if (std::abs(secs - m_lastPreviewPos) > 0.8) {
        m_lastPreviewPos = secs;
        m_previewTimer.start();
    }
}

void MainWindow::onIdleChanged(bool idle)
{
    if (!idle)
        return;
    m_currentPath.clear();
    m_controlBar->setNowPlaying(
            uiText(QStringLiteral("Nothing playing"), QStringLiteral("Nada tocando")), QString(),
            QPixmap());
    m_controlBar->setFavoriteState(false, false);
    setWindowTitle(QStringLiteral("Zorvi Player"));
    m_playerNavButton->hide();
    leaveIdlePlayerPage();
}

void MainWindow::leaveIdlePlayerPage()
{
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
    } else {
        // The engine's reading of the tags stands in for what the library
        // does not know: its media title is the title tag, its metadata the rest.
        const QVariantMap tags = m_core->metadata();
        auto tag = [&tags](const QString &name) {
            for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
                if (it.key().compare(name, Qt::CaseInsensitive) == 0)
                    return it.value().toString();
            }
            return QString();
        };
        subtitle = tag(QStringLiteral("artist"));
        album = tag(QStringLiteral("album"));
        if (const auto row = Database::instance()->mediaByPath(path);
            row && !row->title.isEmpty()) {
            title = row->displayTitle();
            if (!row->artist.isEmpty())
                subtitle = row->artist;
            if (!row->album.isEmpty())
                album = row->album;
        }
    }

    m_controlBar->setNowPlaying(title, subtitle.isEmpty() ? album : subtitle, picture);
    updateFavoriteState();
    m_nowPlaying->setTrack(path, title, subtitle, album, picture);
    setWindowTitle(title + QStringLiteral(" — Zorvi Player"));
    publishNowPlaying(title, subtitle, album, isVideo);
}

void MainWindow::updateFavoriteState()
{
    if (m_currentPath.isEmpty())
        m_controlBar->setFavoriteState(false, false);
    else
        m_controlBar->setFavoriteState(Database::instance()->isFavorite(m_currentPath), true);
}
