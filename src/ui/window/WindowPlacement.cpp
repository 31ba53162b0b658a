#include "ui/window/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowPlacement {

void bringBack(QWidget *window)
{
    // showNormal would also drop the maximised and full-screen states.
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    if (!window->isVisible())
        window->show();
    window->raise();
    window->activateWindow();
}

void fitOnScreen(QWidget *window)
{
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    QRect rect = window->geometry();
    const QScreen *screen = QGuiApplication::screenAt(rect.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    if (area.contains(rect))
        return;
    // A tenth of the area is left for the window manager's frame, unknown
    // before the first show.
    const QSize room(area.width() * 9 / 10, area.height() * 9 / 10);
    rect.setSize(rect.size().boundedTo(room).expandedTo(window->minimumSize()));
    rect.moveCenter(area.center());
    window->setGeometry(rect);
}

} // namespace WindowPlacement
