#include "ui/window/WindowModeController.h"

#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/bars/ControlBar.h"
#include "ui/pages/NowPlaying.h"
#include "ui/window/PageNavigator.h"
#include "ui/window/PlaybackSession.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleHints>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int MiniMarginPx = 24;
const QSize MiniVideoSize(520, 292);
const QSize MiniAudioSize(460, 220);
// Gap between the floating bar and the edges of the video.
constexpr int MiniBarMarginPx = 6;
constexpr int FullscreenBarMarginPx = 28;

// Changes one of the window's flags on its native window as it stands. Set
// through the widget, the flags rebuild the native window, and the toolkit
// leaves the native windows inside it dead: the video and the overlays
// above it would show nothing until the next start.
void setWindowFlagInPlace(QWidget *window, Qt::WindowType flag, bool on)
{
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(flag, on);
    QWindow *native = window->windowHandle();
    if (!native || !window->testAttribute(Qt::WA_WState_Created)) {
        window->setWindowFlags(flags);
        return;
    }
    window->overrideWindowFlags(flags);
    native->setFlags(flags);
}

} // namespace

WindowModeController::WindowModeController(QMainWindow *window, const Parts &parts,
                                           PlayerCore *core, PlaybackSession *session,
                                           PageNavigator *navigator, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_parts(parts)
    , m_core(core)
    , m_session(session)
    , m_navigator(navigator)
{
    m_autoHideTimer.setInterval(DefaultAutoHideMs);
    m_autoHideTimer.setSingleShot(true);
    connect(&m_autoHideTimer, &QTimer::timeout, this, [this] { onAutoHideTimeout(); });
    m_clickTimer.setInterval(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    m_clickTimer.setSingleShot(true);
    connect(&m_clickTimer, &QTimer::timeout, this, [this] { onVideoClicked(); });

    MpvWidget *video = m_parts.video;
    connect(video, &MpvWidget::clicked, this, [this] { m_clickTimer.start(); });
    connect(video, &MpvWidget::doubleClicked, this, [this] { onVideoDoubleClicked(); });
    connect(video, &MpvWidget::mouseMoved, this, [this] { onVideoMouseMoved(); });

    for (QWidget *widget :
         {m_parts.videoArea, static_cast<QWidget *>(m_parts.video),
          static_cast<QWidget *>(m_parts.nowPlaying), static_cast<QWidget *>(m_parts.controlBar)})
        widget->installEventFilter(this);
}

void WindowModeController::setAutoHideInterval(int ms)
{
    m_autoHideTimer.setInterval(ms);
}

void WindowModeController::placeOverlayBar()
{
    ControlBar *bar = m_parts.controlBar;
    if (bar->parentWidget() != m_parts.videoArea || !isOverlayMode())
        return;
    const int w = m_parts.videoArea->width();
    const int h = m_parts.videoArea->height();
    const int barHeight = bar->sizeHint().height();
    const int margin = m_mini ? MiniBarMarginPx : FullscreenBarMarginPx;
    bar->setGeometry(margin, h - barHeight - margin, w - 2 * margin, barHeight);
}

void WindowModeController::showOverlayBar()
{
    if (!isOverlayMode())
        return;
    placeOverlayBar();
    m_parts.controlBar->show();
    m_parts.controlBar->raise();
}

void WindowModeController::enterOverlayLayout()
{
    m_navigator->show(QStringLiteral("player"));
    m_navigator->sidebar()->hide();
    m_parts.queuePanel->hide();
    m_window->menuBar()->hide();
    // Taking the bar out of the central layout: reparenting removes it there.
    m_parts.controlBar->setParent(m_parts.videoArea);
    keepAboveVideo(m_parts.controlBar);
    m_parts.controlBar->setProperty("overlay", true);
}

void WindowModeController::leaveOverlayLayout()
{
    ControlBar *bar = m_parts.controlBar;
    bar->setProperty("overlay", false);
    QWidget *central = m_window->centralWidget();
    bar->setParent(central);
    if (auto *layout = qobject_cast<QVBoxLayout *>(central->layout()))
        layout->addWidget(bar);
    bar->show();
}

void WindowModeController::setFullscreen(bool on)
{
    if (on == m_fullscreen)
        return;
    if (m_mini)
        toggleMiniPlayer();
    if (on && m_session->currentPath().isEmpty())
        return;
    if (on) {
        m_wasMaximized = m_window->isMaximized();
        enterOverlayLayout();
        m_fullscreen = true;
        showOverlayBar();
        m_window->showFullScreen();
        m_autoHideTimer.start();
    } else {
        m_fullscreen = false;
        leaveOverlayLayout();
        m_navigator->sidebar()->show();
        m_window->menuBar()->show();
        m_parts.queuePanel->setVisible(m_parts.controlBar->queueShown());
        if (m_wasMaximized)
            m_window->showMaximized();
        else
            m_window->showNormal();
        m_parts.video->setCursor(Qt::ArrowCursor);
        Q_EMIT normalLayoutRestored();
    }
    Q_EMIT fullscreenChanged(on);
}

void WindowModeController::toggleMiniPlayer()
{
    if (m_fullscreen)
        setFullscreen(false);
    QMainWindow *window = m_window;
    if (!m_mini) {
        if (m_session->currentPath().isEmpty())
            return;
        m_wasMaximized = window->isMaximized();
        // A maximised window's own geometry is the whole screen; keep the size
        // it returns to when it is restored instead.
        m_normalGeometry = m_wasMaximized ? window->normalGeometry() : window->geometry();
        enterOverlayLayout();
        m_parts.nowPlaying->setCompact(true);
        m_mini = true;
        if (m_wasMaximized)
            window->showNormal();
        setWindowFlagInPlace(window, Qt::WindowStaysOnTopHint, true);
        setWindowFlagInPlace(window, Qt::FramelessWindowHint, true);
        // The normal window's minimum is taller than the audio mini player; an
        // unset minimum would fall back to the page stack's, larger still.
        m_normalMinimumSize = window->minimumSize();
        window->setMinimumSize(1, 1);
        const bool video = m_core->hasVideo();
        const QSize size = video ? MiniVideoSize : MiniAudioSize;
        const QScreen *screen =
                window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        window->setGeometry(area.right() - size.width() - MiniMarginPx,
                            area.bottom() - size.height() - MiniMarginPx, size.width(),
                            size.height());
        window->show();
        showOverlayBar();
        if (video && !m_parts.controlBar->underMouse() && !m_core->isPaused())
            m_parts.controlBar->hide();
    } else {
        m_mini = false;
        setWindowFlagInPlace(window, Qt::FramelessWindowHint, false);
        setWindowFlagInPlace(window, Qt::WindowStaysOnTopHint, m_onTop);
        window->setMinimumSize(m_normalMinimumSize);
        leaveOverlayLayout();
        m_parts.nowPlaying->setCompact(false);
        m_navigator->sidebar()->show();
        window->menuBar()->show();
        m_parts.queuePanel->setVisible(m_parts.controlBar->queueShown());
        window->setGeometry(m_normalGeometry);
        window->show();
        if (m_wasMaximized)
            window->showMaximized();
        Q_EMIT normalLayoutRestored();
    }
}

void WindowModeController::toggleAlwaysOnTop()
{
    m_onTop = !m_onTop;
    Q_EMIT alwaysOnTopChanged(m_onTop);
    // The mini player is always on top; its end re-applies this state.
    if (!m_mini) {
        setWindowFlagInPlace(m_window, Qt::WindowStaysOnTopHint, m_onTop);
        m_window->show();
    }
    Q_EMIT toast(m_onTop ? tr2("Always on top on", "Sempre visível ligado")
                         : tr2("Always on top off", "Sempre visível desligado"));
}

void WindowModeController::leaveMode()
{
    if (m_fullscreen)
        setFullscreen(false);
    else if (m_mini)
        toggleMiniPlayer();
}

bool WindowModeController::leaveForPage(const QString &id)
{
    if (id == QLatin1String("player"))
        return !isOverlayMode();
    if (m_fullscreen)
        setFullscreen(false);
    if (m_mini)
        toggleMiniPlayer();
    return true;
}

void WindowModeController::onAutoHideTimeout()
{
    if (m_navigator->currentPage() != QLatin1String("player") || !m_core->hasVideo() ||
        m_core->isPaused())
        return;
    ControlBar *bar = m_parts.controlBar;
    if (bar->underMouse() || QApplication::activePopupWidget()) {
        m_autoHideTimer.start();
        return;
    }
    m_parts.video->setCursor(Qt::BlankCursor);
    if (isOverlayMode())
        bar->hide();
}

void WindowModeController::onVideoMouseMoved()
{
    m_parts.video->setCursor(Qt::ArrowCursor);
    showOverlayBar();
    m_autoHideTimer.start();
}

void WindowModeController::onVideoClicked()
{
    if (!m_mini && m_core->hasVideo())
        m_core->togglePause();
}

void WindowModeController::onVideoDoubleClicked()
{
    m_clickTimer.stop();
    if (m_mini)
        toggleMiniPlayer();
    else
        setFullscreen(!m_fullscreen);
}

bool WindowModeController::eventFilter(QObject *watched, QEvent *event)
{
    const bool onPicture = watched == m_parts.video || watched == m_parts.nowPlaying;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (m_mini && onPicture && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_movePending = true;
            m_movePressPos = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        }
        break;
    case QEvent::MouseMove:
        // The window manager takes the pointer once the move starts, so it
        // starts only when the press turns into a drag; a double click still
        // reaches the window.
        if (m_movePending && onPicture) {
            auto *move = static_cast<QMouseEvent *>(event);
            if (!(move->buttons() & Qt::LeftButton) || !m_mini) {
                m_movePending = false;
            } else if ((move->globalPosition().toPoint() - m_movePressPos).manhattanLength() >=
                       QApplication::startDragDistance()) {
                m_movePending = false;
                if (QWindow *handle = m_window->windowHandle())
                    handle->startSystemMove();
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        m_movePending = false;
        break;
    case QEvent::MouseButtonDblClick:
        if (m_mini && watched == m_parts.nowPlaying) {
            QTimer::singleShot(0, this, [this] {
                if (m_mini)
                    toggleMiniPlayer();
            });
            return true;
        }
        break;
    case QEvent::Enter:
        if (m_mini && watched == m_parts.nowPlaying)
            showOverlayBar();
        break;
    case QEvent::Leave:
        if (isOverlayMode() && watched == m_parts.controlBar)
            m_autoHideTimer.start();
        break;
    case QEvent::Resize:
        if (watched == m_parts.videoArea)
            placeOverlayBar();
        break;
    default:
        break;
    }
    return false;
}
