#pragma once

#include <QObject>
#include <QTimer>

class CloseSequence;
class HomePage;
class PlayerCore;
class TrayController;
class Updater;

// The updater's place in the window: the checks after start and every six
// hours, its news on the home page, in toasts and in the tray, and the
// install when the player sits idle with an update ready.
class UpdateController : public QObject
{
    Q_OBJECT

public:
    static constexpr int FirstCheckMs = 5000;
    static constexpr int PeriodicCheckMs = 6 * 60 * 60 * 1000;
    static constexpr int IdleInstallMs = 5000;
    static constexpr int BalloonMs = 10000;

    UpdateController(Updater *updater, PlayerCore *core, HomePage *home, TrayController *tray,
                     CloseSequence *close, QObject *parent = nullptr);

    Updater *updater() const { return m_updater; }
    // The user's "Check for updates".
    void checkNow();
    // The home page's "Install and reopen".
    void installNow();
    // Every real close: installs a ready update, restarting when the close
    // was started for it. True when it was installed.
    bool installAtClose(bool autoRestart);
    // The idle install waits for its delay.
    bool idleInstallPending() const { return m_idleInstall.isActive(); }

Q_SIGNALS:
    void toast(const QString &text);

private:
    void scheduledCheck();
    void onUpdateReady(const QString &version);
    void installIfStillIdle();

    Updater *m_updater;
    PlayerCore *m_core;
    HomePage *m_home;
    TrayController *m_tray;
    CloseSequence *m_close;
    QTimer m_periodic;
    QTimer m_idleInstall;
};
