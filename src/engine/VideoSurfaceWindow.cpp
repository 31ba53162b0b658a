#include "engine/VideoSurfaceWindow.h"

VideoSurfaceWindow::VideoSurfaceWindow()
{
    setSurfaceType(QSurface::OpenGLSurface);
    // Clicks, the wheel and the pointer belong to the widget that holds this
    // window, so that its cursor and the window's shortcuts keep working.
    setFlag(Qt::WindowTransparentForInput);
}

void VideoSurfaceWindow::exposeEvent(QExposeEvent *)
{
    if (isExposed())
        emit redrawNeeded();
}

void VideoSurfaceWindow::resizeEvent(QResizeEvent *)
{
    if (isExposed())
        emit redrawNeeded();
}
