#include "ui/window/TrayController.h"

#include "engine/PlayerCore.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/UiText.h"
#include "ui/window/WindowPlacement.h"

#include <QAction>
#include <QDebug>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

constexpr int NoteMs = 10000;

} // namespace

TrayController::TrayController(QWidget *window, PlayerCore *core, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_core(core)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qInfo() << "bandeja do sistema indisponivel";
        return;
    }
    // Hidden in the tray the window is no longer visible, and neither is
    // anything else once the balloon goes; that must not end the program.
    // Closing the window quits explicitly.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_tray = new QSystemTrayIcon(appIcon(), this);
    m_tray->setToolTip(QStringLiteral("Zorvi Player"));
    auto *menu = new QMenu(window);
    menu->addAction(::icon(QStringLiteral("home")), tr2("Show window", "Mostrar janela"), this,
                    [this] { showWindow(); });
    menu->addSeparator();
    for (const char *id : {"play_pause", "prev", "next"}) {
        if (QAction *action = Actions::instance()->action(QString::fromLatin1(id)))
            menu->addAction(action);
    }
    menu->addSeparator();
    if (QAction *quit = Actions::instance()->action(QStringLiteral("quit")))
        menu->addAction(quit);
    m_menu = menu;
    m_tray->setContextMenu(menu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onActivated(reason); });
    // The tip names what plays: it follows pause, a new title and the end.
    connect(core, &PlayerCore::pauseChanged, this, &TrayController::updateToolTip);
    connect(core, &PlayerCore::titleChanged, this, &TrayController::updateToolTip);
    connect(core, &PlayerCore::idleChanged, this, &TrayController::updateToolTip);
    m_tray->show();
}

QMenu *TrayController::menu() const
{
    return m_menu;
}

void TrayController::onActivated(int reason)
{
    if (reason == QSystemTrayIcon::MiddleClick) {
        m_core->togglePause();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (m_window->isVisible() && !m_window->isMinimized())
        m_window->hide();
    else
        showWindow();
}

void TrayController::updateToolTip()
{
    const QString title = m_core->nowPlayingTitle();
    if (m_core->isIdle() || title.isEmpty()) {
        m_tray->setToolTip(QStringLiteral("Zorvi Player"));
        return;
    }
    m_tray->setToolTip(QStringLiteral("Zorvi Player — %1")
                               .arg(m_core->isPaused() ? tr2("paused", "pausado") : title));
}

void TrayController::showWindow()
{
    WindowPlacement::bringBack(m_window);
}

void TrayController::setIconVisible(bool visible)
{
    if (m_tray)
        m_tray->setVisible(visible);
}

void TrayController::noteHiddenInTray()
{
    if (!m_tray || m_noteShown)
        return;
    m_noteShown = true;
    m_tray->showMessage(QStringLiteral("Zorvi Player"),
                        tr2("Still playing in the tray. Click the icon to open.",
                            "Continua tocando aqui na bandeja. Clique no ícone para abrir."),
                        QSystemTrayIcon::Information, NoteMs);
}
