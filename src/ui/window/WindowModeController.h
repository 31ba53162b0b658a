#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTimer>

class ControlBar;
class MpvWidget;
class NowPlaying;
class PageNavigator;
class PlaybackSession;
class PlayerCore;
class QMainWindow;
class QWidget;

// Full screen, the mini player and always-on-top; the control bar laid over
// the video in those modes and hidden while the pointer rests; a click on
// the video pauses, a double click changes mode; the mini player moves by
// dragging.
class WindowModeController : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultAutoHideMs = 2500;

    // The widgets the modes move around.
    struct Parts
    {
        QWidget *videoArea = nullptr;
        MpvWidget *video = nullptr;
        NowPlaying *nowPlaying = nullptr;
        ControlBar *controlBar = nullptr;
        QWidget *queuePanel = nullptr;
    };

    WindowModeController(QMainWindow *window, const Parts &parts, PlayerCore *core,
                         PlaybackSession *session, PageNavigator *navigator,
                         QObject *parent = nullptr);

    bool isFullscreen() const { return m_fullscreen; }
    bool isMini() const { return m_mini; }
    bool isAlwaysOnTop() const { return m_onTop; }
    // Full screen or mini player: the bar floats over the video.
    bool isOverlayMode() const { return m_fullscreen || m_mini; }

    void setFullscreen(bool on);
    void toggleFullscreen() { setFullscreen(!m_fullscreen); }
    void toggleMiniPlayer();
    void toggleAlwaysOnTop();
    // Escape: leaves full screen, else the mini player.
    void leaveMode();
    // Any page but the player needs the normal window: full screen and the
    // mini player end first. False when a mode already shows the player page.
    bool leaveForPage(const QString &id);

    void setAutoHideInterval(int ms);
    int autoHideIntervalMs() const { return m_autoHideTimer.interval(); }
    // The pointer rests and the bar waits to hide.
    bool autoHidePending() const { return m_autoHideTimer.isActive(); }

Q_SIGNALS:
    void toast(const QString &text);
    void fullscreenChanged(bool on);
    void alwaysOnTopChanged(bool on);
    // The normal layout is back; narrow windows want the compact sidebar.
    void normalLayoutRestored();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeOverlayBar();
    void showOverlayBar();
    void onAutoHideTimeout();
    void onVideoMouseMoved();
    void onVideoClicked();
    void onVideoDoubleClicked();
    void enterOverlayLayout();
    void leaveOverlayLayout();

    QMainWindow *m_window;
    Parts m_parts;
    PlayerCore *m_core;
    PlaybackSession *m_session;
    PageNavigator *m_navigator;
    QTimer m_autoHideTimer;
    QTimer m_clickTimer;
    bool m_fullscreen = false;
    bool m_mini = false;
    bool m_onTop = false;
    bool m_wasMaximized = false;
    QRect m_normalGeometry;
    QSize m_normalMinimumSize;
    // Mini player: where the left button went down, until the drag becomes a
    // window move.
    bool m_movePending = false;
    QPoint m_movePressPos;
};
