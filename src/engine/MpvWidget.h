#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

struct mpv_render_context;
class PlayerCore;
class QOffscreenSurface;
class QOpenGLContext;
class VideoSurfaceWindow;

// The widget the playback engine draws its video into, through the engine's
// OpenGL render interface into a native child window. The window and its
// OpenGL context are made when the first file with a picture opens, so a
// session that never shows video never loads the OpenGL driver, and frames
// reach the screen without a pass through the toolkit's composition. Mouse
// input on the picture comes out as a few plain signals.
class MpvWidget : public QWidget
{
    Q_OBJECT

public:
    // Process-wide rendering counters behind the statistics line.
    struct RenderCounters
    {
        int callbacks = 0;
        int frames = 0;
        int paints = 0;
        int swaps = 0;
    };

    explicit MpvWidget(PlayerCore *core, QWidget *parent = nullptr);
    ~MpvWidget() override;

    bool hasRenderContext() const { return m_renderContext != nullptr; }
    // The native window and its OpenGL context exist.
    bool hasSurface() const { return m_window != nullptr; }
    // The current frame, drawn at the widget's size; null before the first
    // picture.
    QImage grabFramebuffer();

    static RenderCounters renderCounters();

    // The block-for-target-time flag for the render call, from the value of
    // ZORVIPLAYER_BLOCK: 1 when the variable is unset, else the text read as
    // an integer (0 when it is not a number).
    static int blockForTargetTime(bool isSet, const QByteArray &value);

signals:
    void doubleClicked();
    void clicked();
    void rightClicked(QPoint globalPos);
    void mouseMoved();
    void wheelScrolled(int delta);
    // A frame went to the screen.
    void frameSwapped();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private slots:
    void maybeUpdate();

private:
    static void onEngineUpdate(void *context);
    // Makes the native window, its OpenGL context and the engine's render
    // context, once; the engine waits for this before choosing its output.
    void ensureSurface();
    bool createRenderContext();
    // Draws the frame the engine has ready, if any.
    void drawDueFrame();
    // The same from inside a wait for the engine, leaving the OpenGL context
    // current before as it was.
    void drawWhileWaiting();
    bool pictureVisible() const;
    // Draws the current frame into the given framebuffer of the window's
    // context, which must be current.
    void render(unsigned int framebuffer, QSize pixels, int block);
    void drawToWindow();
    // Draws the current frame again once the events in hand are through: a
    // paused picture gets no new frame after its window was rebuilt, moved
    // or resized, and the native window may be exposed before this widget
    // counts as visible.
    void scheduleRedraw();
    void reportSwap();

    PlayerCore *m_core = nullptr;
    VideoSurfaceWindow *m_window = nullptr;
    QWidget *m_container = nullptr;
    QOpenGLContext *m_glContext = nullptr;
    QOffscreenSurface *m_spare = nullptr;
    mpv_render_context *m_renderContext = nullptr;
    bool m_leftPressed = false;
    bool m_redrawPending = false;
    // Inside a render call: a wait for the engine there must not draw again.
    bool m_drawing = false;
};
