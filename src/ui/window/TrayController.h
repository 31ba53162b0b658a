#pragma once

#include <QObject>
#include <QPointer>

class PlayerCore;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray icon and its menu: a click shows or hides the window, a middle
// click pauses, and the tooltip names what plays.
class TrayController : public QObject
{
    Q_OBJECT

public:
    // Without a system tray there is no icon and every call does nothing.
    TrayController(QWidget *window, PlayerCore *core, QObject *parent = nullptr);

    QSystemTrayIcon *icon() const { return m_tray; }
    QMenu *menu() const;

    void showWindow();
    void setIconVisible(bool visible);
    // The note that the window went to the tray, once per run.
    void noteHiddenInTray();

private:
    void onActivated(int reason);
    void updateToolTip();

    QWidget *m_window;
    PlayerCore *m_core;
    QSystemTrayIcon *m_tray = nullptr;
    QPointer<QMenu> m_menu;
    bool m_noteShown = false;
};
