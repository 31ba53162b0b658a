#include "ui/window/CloseSequence.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/window/KeepAwakeController.h"
#include "ui/window/PlaybackSession.h"
#include "ui/window/TrayController.h"
#include "ui/window/WindowModeController.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QMainWindow>
#include <QSettings>
#include <QSystemTrayIcon>

CloseSequence::CloseSequence(QMainWindow *window, PlayerCore *core, PlaybackSession *session,
                             WindowModeController *modes, KeepAwakeController *keepAwake,
                             TrayController *tray, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_core(core)
    , m_session(session)
    , m_modes(modes)
    , m_keepAwake(keepAwake)
    , m_tray(tray)
{
    qApp->installEventFilter(this);
}

void CloseSequence::quit()
{
    m_quitting = true;
    m_window->close();
}

void CloseSequence::quitForUpdate()
{
    m_updatePending = true;
    quit();
}

bool CloseSequence::eventFilter(QObject *watched, QEvent *event)
{
    // An application-wide quit (termination signal, session end) closes
    // every window; it must not be turned into hiding in the tray. The
    // application closes only visible windows, so one hidden in the tray is
    // closed here to save its state.
    if (event->type() == QEvent::Quit && watched == qApp) {
        m_quitting = true;
        if (!m_done)
            m_window->close();
    }
    return false;
}

void CloseSequence::handleClose(QCloseEvent *event)
{
    // A quit request reaches every window again after the window itself was
    // closed; the sequence below already ran for it.
    if (m_done) {
        event->accept();
        return;
    }
    if (!m_quitting && m_tray->icon() &&
        settingValue(QStringLiteral("general/closeToTray"), false).toBool()) {
        m_window->hide();
        event->ignore();
        m_tray->noteHiddenInTray();
        return;
    }

    run();

    const bool started = launchPendingInstaller(m_updatePending);
    if (m_updatePending && !started) {
        // The installer could not be started: stay open and reachable.
        m_updatePending = false;
        m_quitting = false;
        m_done = false;
        m_tray->setIconVisible(true);
        m_keepAwake->resume();
        event->ignore();
        return;
    }
    event->accept();
    qInfo() << "janela fechada";
    // Queued so that the close in progress finishes before the quit request
    // walks the windows.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void CloseSequence::run()
{
    m_done = true;
    m_session->saveResumePoint(true);
    m_modes->leaveMode();
    QSettings &settings = appSettings();
    settings.setValue(QStringLiteral("window/geometry"), m_window->saveGeometry());
    settings.setValue(QStringLiteral("audio/volume"), m_core->volume());
    settings.sync();
    m_tray->setIconVisible(false);
    m_keepAwake->release();
}

bool CloseSequence::launchPendingInstaller(bool autoRestart)
{
    // Every real close asks the updater to install what is ready, with a
    // restart when the close was started for the update.
    return m_installer ? m_installer(autoRestart) : false;
}
