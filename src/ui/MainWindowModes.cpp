#include "app/AppSettings.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "platform/DarkTitleBar.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"
#include "ui/bars/ControlBar.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/QueuePanel.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int MiniMarginPx = 24;
const QSize MiniVideoSize(520, 292);
const QSize MiniAudioSize(460, 220);

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}

void moveBarIntoVideo(QWidget *bar, QWidget *videoArea)
{
    // Taking the bar out of the central layout: reparenting removes it there.
    bar->setParent(videoArea);
    bar->setProperty("overlay", true);
}

void moveBarBack(QWidget *bar, QWidget *central)
{
    bar->setProperty("overlay", false);
    bar->setParent(central);
    if (auto *layout = qobject_cast<QVBoxLayout *>(central->layout()))
        layout->addWidget(bar);
    bar->show();
}

} // namespace

void MainWindow::wireModes()
{
    connect(&m_clickTimer, &QTimer::timeout, this, [this] { onVideoClicked(); });
    connect(&m_autoHideTimer, &QTimer::timeout, this, [this] { onAutoHideTimeout(); });
    connect(&m_tickTimer, &QTimer::timeout, this, [this] { updateKeepAwake(); });
    connect(m_video, &MpvWidget::clicked, this, [this] { m_clickTimer.start(); });
    connect(m_video, &MpvWidget::doubleClicked, this, [this] { onVideoDoubleClicked(); });
    connect(m_video, &MpvWidget::rightClicked, this,
            [this](const QPoint &globalPos) { showVideoMenu(globalPos); });
    connect(m_video, &MpvWidget::mouseMoved, this, [this] { onVideoMouseMoved(); });
    connect(m_video, &MpvWidget::wheelScrolled, this,
            [this](int delta) { changeVolumeBy(delta > 0 ? 5 : -5); });
}

QWidget *MainWindow::volumeSlider() const
{
    return m_controlBar->volumeSlider();
}

void MainWindow::placeOverlayBar()
{
    if (!m_controlBar || m_controlBar->parentWidget() != m_videoArea || !(m_fullscreen || m_mini))
        return;
    const int w = m_videoArea->width();
    const int h = m_videoArea->height();
    const int barHeight = m_controlBar->sizeHint().height();
    if (m_mini)
        m_controlBar->setGeometry(6, h - barHeight - 6, w - 12, barHeight);
    else
        m_controlBar->setGeometry(28, h - barHeight - 28, w - 56, barHeight);
}

void MainWindow::showOverlayBar()
{
    if (!(m_fullscreen || m_mini))
        return;
    placeOverlayBar();
    m_controlBar->show();
    m_controlBar->raise();
}

void MainWindow::setFullscreen(bool on)
{
    if (on == m_fullscreen)
        return;
    if (m_mini)
        toggleMiniPlayer();
    if (on && m_currentPath.isEmpty())
        return;
    if (on) {
        navigate(QStringLiteral("player"));
        m_wasMaximized = isMaximized();
        m_sidebar->hide();
        m_queuePanel->hide();
        menuBar()->hide();
        moveBarIntoVideo(m_controlBar, m_videoArea);
        m_fullscreen = true;
        showOverlayBar();
        showFullScreen();
        m_autoHideTimer.start();
    } else {
        m_fullscreen = false;
        moveBarBack(m_controlBar, centralWidget());
        m_sidebar->show();
        menuBar()->show();
        m_queuePanel->setVisible(m_controlBar->queueButton()->isChecked());
        if (m_wasMaximized)
            showMaximized();
        else
            showNormal();
        m_video->setCursor(Qt::ArrowCursor);
        applyResponsiveSidebar();
    }
    m_controlBar->setFullscreenState(on);
}

void MainWindow::toggleMiniPlayer()
{
    if (m_fullscreen)
        setFullscreen(false);
    if (!m_mini) {
        if (m_currentPath.isEmpty())
            return;
        m_wasMaximized = isMaximized();
        // A maximised window's own geometry is the whole screen; keep the size
        // it returns to when it is restored instead.
        m_normalGeometry = m_wasMaximized ? normalGeometry() : geometry();
        navigate(QStringLiteral("player"));
        m_sidebar->hide();
        m_queuePanel->hide();
        menuBar()->hide();
        moveBarIntoVideo(m_controlBar, m_videoArea);
        m_nowPlaying->setCompact(true);
        m_mini = true;
        if (m_wasMaximized)
            showNormal();
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        setWindowFlag(Qt::FramelessWindowHint, true);
        // The normal window's minimum is taller than the audio mini player; an
        // unset minimum would fall back to the page stack's, larger still.
        m_normalMinimumSize = minimumSize();
        setMinimumSize(1, 1);
        const bool video = m_core->hasVideo();
        const QSize size = video ? MiniVideoSize : MiniAudioSize;
        const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        setGeometry(area.right() - size.width() - MiniMarginPx,
                    area.bottom() - size.height() - MiniMarginPx, size.width(), size.height());
        show();
        showOverlayBar();
        if (video && !m_controlBar->underMouse() && !m_core->isPaused())
            m_controlBar->hide();
    } else {
        m_mini = false;
        setWindowFlag(Qt::FramelessWindowHint, false);
        setWindowFlag(Qt::WindowStaysOnTopHint, m_onTop);
        setMinimumSize(m_normalMinimumSize);
        moveBarBack(m_controlBar, centralWidget());
        m_nowPlaying->setCompact(false);
        m_sidebar->show();
        menuBar()->show();
        m_queuePanel->setVisible(m_controlBar->queueButton()->isChecked());
        setGeometry(m_normalGeometry);
        show();
        if (m_wasMaximized)
            showMaximized();
        applyResponsiveSidebar();
    }
}

void MainWindow::toggleAlwaysOnTop()
{
    m_onTop = !m_onTop;
    if (QAction *action = Actions::instance()->action(QStringLiteral("on_top")))
        action->setChecked(m_onTop);
    // The mini player is always on top; its end re-applies this state.
    if (!m_mini) {
        setWindowFlag(Qt::WindowStaysOnTopHint, m_onTop);
        show();
    }
    showToast(m_onTop ? tr2("Always on top on", "Sempre visível ligado")
                      : tr2("Always on top off", "Sempre visível desligado"));
}

void MainWindow::onAutoHideTimeout()
{
    if (m_pages->currentWidget() != m_videoArea || !m_core->hasVideo() || m_core->isPaused())
        return;
    if (m_controlBar->underMouse() || QApplication::activePopupWidget()) {
        m_autoHideTimer.start();
        return;
    }
    m_video->setCursor(Qt::BlankCursor);
    if ((m_fullscreen || m_mini) && !m_controlBar->underMouse() && !m_core->isPaused())
        m_controlBar->hide();
}

void MainWindow::onVideoMouseMoved()
{
    m_video->setCursor(Qt::ArrowCursor);
    showOverlayBar();
    m_autoHideTimer.start();
}

bool MainWindow::handleModeEvent(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Quit:
        // An application-wide quit (termination signal, session end) closes
        // every window; it must not be turned into hiding in the tray. The
        // application closes only visible windows, so one hidden in the tray
        // is closed here to save its state.
        if (watched == qApp) {
            m_quitting = true;
            if (!m_closingDone)
                close();
        }
        break;
    case QEvent::MouseButtonPress:
        if (m_mini && (watched == m_video || watched == m_nowPlaying) &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_movePending = true;
            m_movePressPos = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        }
        break;
    case QEvent::MouseMove:
        // The window manager takes the pointer once the move starts, so it
        // starts only when the press turns into a drag; a double click still
        // reaches the window.
        if (m_movePending && (watched == m_video || watched == m_nowPlaying)) {
            auto *move = static_cast<QMouseEvent *>(event);
            if (!(move->buttons() & Qt::LeftButton) || !m_mini) {
                m_movePending = false;
            } else if ((move->globalPosition().toPoint() - m_movePressPos).manhattanLength() >=
                       QApplication::startDragDistance()) {
                m_movePending = false;
                if (QWindow *handle = windowHandle())
                    handle->startSystemMove();
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        m_movePending = false;
        break;
    case QEvent::MouseButtonDblClick:
        if (m_mini && watched == m_nowPlaying) {
            QTimer::singleShot(0, this, [this] {
                if (m_mini)
                    toggleMiniPlayer();
            });
            return true;
        }
        break;
    case QEvent::Enter:
        if (m_mini && watched == m_nowPlaying)
            showOverlayBar();
        break;
    case QEvent::Leave:
        if ((m_fullscreen || m_mini) && watched == m_controlBar)
            m_autoHideTimer.start();
        break;
    default:
        break;
    }
    return false;
}

void MainWindow::applyFirstShow()
{
    applyDarkTitleBar(this);
    // Showing the video surface once creates its OpenGL context now rather
    // than at the first file, which would otherwise stall that start.
    QWidget *remembered = m_pages->currentWidget();
    m_pages->setCurrentWidget(m_videoArea);
    m_videoStack->setCurrentWidget(m_video);
    QTimer::singleShot(60, this, [this, remembered] {
        if (m_currentPath.isEmpty() && m_pages->currentWidget() == m_videoArea)
            m_pages->setCurrentWidget(remembered);
    });
}

void MainWindow::updateKeepAwake()
{
    // The closing sequence gave the request back; a tick before the event
    // loop ends must not take it again.
    if (m_closingDone)
        return;
    const bool wanted = settingValue(QStringLiteral("playback/keepAwake"), true).toBool() &&
                        !m_core->isPaused() && !m_core->isIdle() && m_core->hasVideo();
    if (wanted == m_keepAwakeOn)
        return;
    m_keepAwake.setActive(wanted);
    m_keepAwakeOn = wanted;
}

void MainWindow::onVideoClicked()
{
    if (!m_mini && m_core->hasVideo())
        m_core->togglePause();
}

void MainWindow::onVideoDoubleClicked()
{
    m_clickTimer.stop();
    if (m_mini)
        toggleMiniPlayer();
    else
        setFullscreen(!m_fullscreen);
}
