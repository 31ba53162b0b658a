#include "ui/window/WindowPlacement.h"

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

} // namespace WindowPlacement
