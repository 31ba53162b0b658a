#include "app/AppSettings.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "platform/DarkTitleBar.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/bars/ControlBar.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/QueuePanel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}

void setOverlayLook(QWidget *bar, bool on)
{
    bar->setProperty("overlay", on);
    bar->style()->unpolish(bar);
    bar->style()->polish(bar);
}

} // namespace

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

namespace {

void moveBarIntoVideo(QWidget *bar, QWidget *videoArea)
{
    bar->setParent(videoArea);
    setOverlayLook(bar, true);
}

void moveBarBack(QWidget *bar, QWidget *central, bool queueChecked, QWidget *queuePanel)
{
    setOverlayLook(bar, false);
    bar->setParent(central);
    if (auto *layout = qobject_cast<QVBoxLayout *>(central->layout()))
        layout->addWidget(bar);
    bar->show();
    queuePanel->setVisible(queueChecked);
}

} // namespace

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
        placeOverlayBar();
        m_controlBar->show();
        m_controlBar->raise();
        showFullScreen();
        m_controlBar->setFullscreenState(true);
        m_autoHideTimer.start();
    } else {
        m_fullscreen = false;
        moveBarBack(m_controlBar, centralWidget(), m_controlBar->queueButton()->isChecked(),
                    m_queuePanel);
        m_sidebar->show();
        menuBar()->show();
        if (m_wasMaximized)
            showMaximized();
        else
            showNormal();
        m_video->setCursor(Qt::ArrowCursor);
        m_controlBar->setFullscreenState(false);
        applyResponsiveSidebar();
    }
}

void MainWindow::toggleMiniPlayer()
{
    if (m_fullscreen)
        setFullscreen(false);
    if (!m_mini) {
        if (m_currentPath.isEmpty())
            return;
        m_normalGeometry = geometry();
        m_wasMaximized = isMaximized();
        navigate(QStringLiteral("player"));
        m_sidebar->hide();
        m_queuePanel->hide();
        menuBar()->hide();
        moveBarIntoVideo(m_controlBar, m_videoArea);
        m_nowPlaying->setCompact(true);
        m_mini = true;
        if (isMaximized())
            showNormal();
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        setWindowFlag(Qt::FramelessWindowHint, true);
        const QSize size = m_core->hasVideo() ? QSize(520, 292) : QSize(460, 220);
        const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        setGeometry(area.right() - size.width() - 24, area.bottom() - size.height() - 24,
                    size.width(), size.height());
        show();
        placeOverlayBar();
        m_controlBar->show();
        m_controlBar->raise();
        if (m_core->hasVideo() && !m_controlBar->underMouse() && !m_core->isPaused())
            m_controlBar->hide();
    } else {
        m_mini = false;
        setWindowFlag(Qt::FramelessWindowHint, false);
        setWindowFlag(Qt::WindowStaysOnTopHint, m_onTop);
        moveBarBack(m_controlBar, centralWidget(), m_controlBar->queueButton()->isChecked(),
                    m_queuePanel);
        m_nowPlaying->setCompact(false);
        m_sidebar->show();
        menuBar()->show();
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
    if (!m_mini) {
        setWindowFlag(Qt::WindowStaysOnTopHint, m_onTop);
        show();
    }
    showToast(m_onTop ? tr2("Always on top on", "Sempre visível ligado")
                      : tr2("Always on top off", "Sempre visível desligado"));
}

void MainWindow::createTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(appIcon(), this);
    m_tray->setToolTip(QStringLiteral("Zorvi Player"));
    auto *menu = new QMenu(this);
    menu->addAction(icon(QStringLiteral("home")), tr2("Show window", "Mostrar janela"), this,
                    [this] {
                        showNormal();
                        raise();
                        activateWindow();
                    });
    menu->addSeparator();
    for (const char *id : {"play_pause", "prev", "next"}) {
        if (QAction *action = Actions::instance()->action(QString::fromLatin1(id)))
            menu->addAction(action);
    }
    menu->addSeparator();
    if (QAction *quit = Actions::instance()->action(QStringLiteral("quit")))
        menu->addAction(quit);
    m_trayMenu = menu;
    m_tray->setContextMenu(menu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::MiddleClick) {
                    m_core->togglePause();
                    return;
                }
                if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
                    return;
                if (isVisible() && !isMinimized()) {
                    hide();
                } else {
                    showNormal();
                    raise();
                    activateWindow();
                }
            });
    m_tray->show();
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

void MainWindow::realQuit()
{
    m_quitting = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_quitting && m_tray &&
        settingValue(QStringLiteral("general/closeToTray"), false).toBool()) {
        hide();
        event->ignore();
        if (!m_trayBalloonShown) {
            m_trayBalloonShown = true;
            m_tray->showMessage(QStringLiteral("Zorvi Player"),
                                tr2("Still playing in the tray. Click the icon to open.",
                                    "Continua tocando aqui na bandeja. Clique no ícone para "
                                    "abrir."),
                                QSystemTrayIcon::Information, 10000);
        }
        return;
    }
    saveResumePoint(true);
    if (m_fullscreen)
        setFullscreen(false);
    if (m_mini)
        toggleMiniPlayer();
    appSettings().setValue(QStringLiteral("window/geometry"), saveGeometry());
    appSettings().setValue(QStringLiteral("audio/volume"), m_core->volume());
    appSettings().sync();
    if (m_tray)
        m_tray->hide();
    event->accept();
    QCoreApplication::quit();
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
