#pragma once

#include <QObject>

#include <functional>

class KeepAwakeController;
class PlaybackSession;
class PlayerCore;
class QCloseEvent;
class QMainWindow;
class TrayController;
class WindowModeController;

// What closing the window does: hide in the tray when the settings say so,
// otherwise save the resume point, the geometry and the volume, give back
// what the window holds, hand over to a pending update, and quit.
class CloseSequence : public QObject
{
    Q_OBJECT

public:
    CloseSequence(QMainWindow *window, PlayerCore *core, PlaybackSession *session,
                  WindowModeController *modes, KeepAwakeController *keepAwake, TrayController *tray,
                  QObject *parent = nullptr);

    // A quit that does not stop in the tray.
    void quit();
    // The close of an update ready to install: the installer starts and the
    // program restarts. When it cannot start, the window stays open.
    void quitForUpdate();
    // The window's close event goes through here.
    void handleClose(QCloseEvent *event);
    bool hasRun() const { return m_done; }
    // What hands over to a ready update at every real close; given the
    // restart request, true when the update was installed.
    void setInstaller(std::function<bool(bool autoRestart)> installer)
    {
        m_installer = std::move(installer);
    }

protected:
    // Watches the application for its quit.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void run();
    bool launchPendingInstaller(bool autoRestart);

    QMainWindow *m_window;
    PlayerCore *m_core;
    PlaybackSession *m_session;
    WindowModeController *m_modes;
    KeepAwakeController *m_keepAwake;
    TrayController *m_tray;
    std::function<bool(bool)> m_installer;
    bool m_quitting = false;
    bool m_updatePending = false;
    // The sequence ran for the close under way; cleared again when that
    // close is called off.
    bool m_done = false;
};
