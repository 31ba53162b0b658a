#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/MainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QSettings>
#include <QSystemTrayIcon>

void MainWindow::realQuit()
{
    m_quitting = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A quit request reaches every window again after the window itself was
    // closed; the sequence below already ran for it.
    if (m_closingDone) {
        event->accept();
        return;
    }
    if (!m_quitting && m_tray &&
        settingValue(QStringLiteral("general/closeToTray"), false).toBool()) {
        hide();
        event->ignore();
        if (!m_trayBalloonShown) {
            m_trayBalloonShown = true;
            m_tray->showMessage(
                    QStringLiteral("Zorvi Player"),
                    uiText(QStringLiteral("Still playing in the tray. Click the icon to open."),
                           QStringLiteral("Continua tocando aqui na bandeja. Clique no ícone "
                                          "para abrir.")),
                    QSystemTrayIcon::Information, 10000);
        }
        return;
    }

    runClosingSequence();

    const bool started = launchPendingInstaller(m_updatePending);
    if (m_updatePending && !started) {
        // The installer could not be started: stay open and reachable.
        m_updatePending = false;
        m_quitting = false;
        m_closingDone = false;
        if (m_tray)
            m_tray->show();
        event->ignore();
        return;
    }
    event->accept();
    qInfo() << "janela fechada";
    // Queued so that the close in progress finishes before the quit request
    // walks the windows.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void MainWindow::runClosingSequence()
{
    m_closingDone = true;
    saveResumePoint(true);
    if (m_fullscreen)
        setFullscreen(false);
    if (m_mini)
        toggleMiniPlayer();
    QSettings &settings = appSettings();
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("audio/volume"), m_core->volume());
    settings.sync();
    if (m_tray)
        m_tray->hide();
    m_keepAwake.setActive(false);
    m_keepAwakeOn = false;
}

bool MainWindow::launchPendingInstaller(bool autoRestart)
{
    // Hand-off to the updater: every real close asks it to run an installer
    // that is ready, with a restart when the close was started for the
    // update. The updater is not part of this build yet, so no installer is
    // ever ready and nothing is started.
    Q_UNUSED(autoRestart);
    return false;
}
