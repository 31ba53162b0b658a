#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

void MainWindow::createTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(appIcon(), this);
    m_tray->setToolTip(QStringLiteral("Zorvi Player"));
    auto *menu = new QMenu(this);
    menu->addAction(icon(QStringLiteral("home")),
                    uiText(QStringLiteral("Show window"), QStringLiteral("Mostrar janela")), this,
                    [this] { showFromTray(); });
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
            [this](QSystemTrayIcon::ActivationReason reason) { onTrayActivated(reason); });
    m_tray->show();
}

void MainWindow::onTrayActivated(int reason)
{
    if (reason == QSystemTrayIcon::MiddleClick) {
        m_core->togglePause();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (isVisible() && !isMinimized())
        hide();
    else
        showFromTray();
}

void MainWindow::showFromTray()
{
    showNormal();
    raise();
    activateWindow();
}
