#include "ui/window/UpdateController.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/pages/HomePage.h"
#include "ui/window/CloseSequence.h"
#include "ui/window/TrayController.h"
#include "update/Updater.h"

#include <QSystemTrayIcon>

UpdateController::UpdateController(Updater *updater, PlayerCore *core, HomePage *home,
                                   TrayController *tray, CloseSequence *close, QObject *parent)
    : QObject(parent)
    , m_updater(updater)
    , m_core(core)
    , m_home(home)
    , m_tray(tray)
    , m_close(close)
{
    connect(updater, &Updater::updateAvailable, this,
            [this](const QString &version, const QString &notes, const QString &url) {
                m_home->showUpdateAvailable(version, notes, url);
                QSystemTrayIcon *icon = m_tray->icon();
                if (icon && icon->isVisible())
                    icon->showMessage(QStringLiteral("Zorvi Player"),
                                      uiText(QStringLiteral("New version %1 available"),
                                             QStringLiteral("Nova versão %1 disponível"))
                                              .arg(version),
                                      QSystemTrayIcon::Information, BalloonMs);
            });
    connect(updater, &Updater::downloadProgress, this, [this](int percent) {
        m_home->showUpdateNotice(
                uiText(QStringLiteral("Downloading update: %1% — playback continues normally."),
                       QStringLiteral("Baixando atualização: %1% — a reprodução continua "
                                      "normalmente."))
                        .arg(percent),
                false);
    });
    connect(updater, &Updater::updateReady, this, &UpdateController::onUpdateReady);
    connect(updater, &Updater::upToDate, this, [this] {
        Q_EMIT toast(uiText(QStringLiteral("You are up to date"),
                            QStringLiteral("Você já está na versão mais nova")));
    });
    connect(updater, &Updater::failed, this, [this](const QString &error) {
        const QString text =
                uiText(QStringLiteral("Update: "), QStringLiteral("Atualização: ")) + error;
        m_home->showUpdateError(text);
        Q_EMIT toast(text);
    });
    connect(m_home, &HomePage::installUpdateRequested, this, &UpdateController::installNow);

    QTimer::singleShot(FirstCheckMs, this, &UpdateController::scheduledCheck);
    m_periodic.setInterval(PeriodicCheckMs);
    connect(&m_periodic, &QTimer::timeout, this, &UpdateController::scheduledCheck);
    m_periodic.start();
    m_idleInstall.setSingleShot(true);
    m_idleInstall.setInterval(IdleInstallMs);
    connect(&m_idleInstall, &QTimer::timeout, this, &UpdateController::installIfStillIdle);
}

void UpdateController::scheduledCheck()
{
    if (settingValue(QStringLiteral("general/checkUpdates"), true).toBool())
        m_updater->check(false);
}

void UpdateController::checkNow()
{
    m_updater->check(true);
}

void UpdateController::installNow()
{
    if (!m_updater->readyFile().isEmpty())
        m_close->quitForUpdate();
}

bool UpdateController::installAtClose(bool autoRestart)
{
    return m_updater->install(autoRestart);
}

void UpdateController::onUpdateReady(const QString &version)
{
    const QString text =
            uiText(QStringLiteral("Version %1 is ready. It will be installed when you exit the "
                                  "player."),
                   QStringLiteral("Versão %1 pronta. Será instalada ao sair do player."))
                    .arg(version);
    m_home->showUpdateNotice(text, true);
    Q_EMIT toast(text);
    if (m_core->isIdle())
        m_idleInstall.start();
}

void UpdateController::installIfStillIdle()
{
    if (m_core->isIdle() && m_updater->canAutoInstall() &&
        settingValue(QStringLiteral("general/autoUpdate"), true).toBool() &&
        !m_updater->readyFile().isEmpty())
        m_close->quitForUpdate();
}
