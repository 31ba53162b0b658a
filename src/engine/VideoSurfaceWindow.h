#pragma once

#include <QWindow>

// The native window the engine's frames are drawn into. It lets input pass
// through to the widget around it, and says when it needs a fresh picture.
class VideoSurfaceWindow : public QWindow
{
    Q_OBJECT

public:
    VideoSurfaceWindow();

signals:
    // Shown, uncovered or resized: the current frame has to be drawn again.
    void redrawNeeded();

protected:
    void exposeEvent(QExposeEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
