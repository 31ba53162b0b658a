#pragma once

#include <QByteArray>
#include <QOpenGLWidget>
#include <QPoint>
#include <QString>

struct mpv_render_context;
class PlayerCore;

// The widget the playback engine draws its video into, through the engine's
// OpenGL render interface into this widget's framebuffer. Mouse input on the
// picture comes out as a few plain signals.
class MpvWidget : public QOpenGLWidget
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

protected:
    void initializeGL() override;
    void paintGL() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private slots:
    void maybeUpdate();

private:
    static void onEngineUpdate(void *context);
    void freeRenderContext();
    void reportSwap();

    PlayerCore *m_core = nullptr;
    mpv_render_context *m_renderContext = nullptr;
    bool m_leftPressed = false;
    // The video track that was playing when the OpenGL context went away;
    // freeing the render context switched it off.
    QString m_trackToRestore;
};
