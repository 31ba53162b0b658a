#include "engine/MpvWidget.h"

#include "engine/EngineCallRelay.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "engine/VideoSurfaceWindow.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <mpv/render_gl.h>

namespace {

// Touched only on the GUI thread.
MpvWidget::RenderCounters counters;
QElapsedTimer statisticsClock;

int blockValue()
{
    static const int value = MpvWidget::blockForTargetTime(
            qEnvironmentVariableIsSet("ZORVIPLAYER_BLOCK"), qgetenv("ZORVIPLAYER_BLOCK"));
    return value;
}

void *glFunctionAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        return nullptr;
    return reinterpret_cast<void *>(context->getProcAddress(QByteArray(name)));
}

} // namespace

MpvWidget::MpvWidget(PlayerCore *core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_core)
        connect(m_core, &PlayerCore::videoOutputNeeded, this, &MpvWidget::ensureSurface);
}

MpvWidget::~MpvWidget()
{
    EngineCallRelay::clearDrawingStep(this);
    if (!m_renderContext)
        return;
    // The engine frees its textures through the context; when the window is
    // already gone with its top-level, the spare surface stands in.
    const bool current = m_glContext->makeCurrent(m_window) || m_glContext->makeCurrent(m_spare);
    mpvApi().mpv_render_context_set_update_callback(m_renderContext, nullptr, nullptr);
    mpvApi().mpv_render_context_free(m_renderContext);
    m_renderContext = nullptr;
    if (current)
        m_glContext->doneCurrent();
}

MpvWidget::RenderCounters MpvWidget::renderCounters()
{
    return counters;
}

int MpvWidget::blockForTargetTime(bool isSet, const QByteArray &value)
{
    if (!isSet)
        return 1;
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    return ok ? number : 0;
}

void MpvWidget::ensureSurface()
{
    if (m_renderContext)
        return;
    if (!m_window) {
        m_window = new VideoSurfaceWindow;
        // The container owns the window from here on.
        m_container = QWidget::createWindowContainer(m_window, this);
        m_container->setMouseTracking(true);
        layout()->addWidget(m_container);
        // The container turns this widget and its siblings into native
        // windows; this one is made last and would cover the others, which
        // the toolkit still believes to be on top (toasts, the bar in full
        // screen). Put it back at the bottom.
        m_container->winId();
        if (QWindow *own = windowHandle())
            own->lower();
        m_window->create();
        m_glContext = new QOpenGLContext(this);
        m_glContext->setFormat(m_window->requestedFormat());
        if (!m_glContext->create())
            qWarning() << "mpv: falha ao criar contexto OpenGL";
        m_spare = new QOffscreenSurface(nullptr, this);
        m_spare->setFormat(m_glContext->format());
        m_spare->create();
        connect(m_window, &VideoSurfaceWindow::redrawNeeded, this, &MpvWidget::scheduleRedraw);
    }
    createRenderContext();
}

bool MpvWidget::createRenderContext()
{
    mpv_handle *handle = m_core ? m_core->handle() : nullptr;
    if (!handle || !m_glContext->isValid() || !m_glContext->makeCurrent(m_window))
        return false;
    mpv_opengl_init_params glInit{&glFunctionAddress, nullptr};
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context *created = nullptr;
    if (mpvApi().mpv_render_context_create(&created, handle, params) < 0 || !created) {
        qWarning() << "mpv: falha ao criar contexto de renderizacao";
        m_glContext->doneCurrent();
        return false;
    }
    m_renderContext = created;
    mpvApi().mpv_render_context_set_update_callback(m_renderContext, &MpvWidget::onEngineUpdate,
                                                    this);
    m_glContext->doneCurrent();
    // While this thread waits for the engine, frames keep being drawn.
    EngineCallRelay::setDrawingStep(this, [this] { drawWhileWaiting(); });
    return true;
}

void MpvWidget::onEngineUpdate(void *context)
{
    // Engine thread: hand over to the GUI thread and do nothing else.
    QMetaObject::invokeMethod(static_cast<MpvWidget *>(context), "maybeUpdate",
                              Qt::QueuedConnection);
}

bool MpvWidget::pictureVisible() const
{
    return m_window && m_window->isExposed() && isVisible() && !window()->isMinimized();
}

void MpvWidget::maybeUpdate()
{
    ++counters.callbacks;
    if (!statisticsClock.isValid())
        statisticsClock.start();
    if (statisticsClock.elapsed() > 1000 && qEnvironmentVariableIsSet("ZORVIPLAYER_DEBUGFPS")) {
        qInfo().noquote() << QStringLiteral("render: callbacks=%1 frames=%2 paints=%3 swaps=%4")
                                     .arg(counters.callbacks)
                                     .arg(counters.frames)
                                     .arg(counters.paints)
                                     .arg(counters.swaps);
        counters = RenderCounters{};
        statisticsClock.restart();
    }

    drawDueFrame();
}

void MpvWidget::drawWhileWaiting()
{
    QOpenGLContext *previous = QOpenGLContext::currentContext();
    QSurface *previousSurface = previous ? previous->surface() : nullptr;
    drawDueFrame();
    if (previous && previous != QOpenGLContext::currentContext())
        previous->makeCurrent(previousSurface);
}

void MpvWidget::drawDueFrame()
{
    // The engine's requests (a new output, for one) are served here too.
    if (!m_renderContext || m_drawing)
        return;
    const bool frameDue =
            mpvApi().mpv_render_context_update(m_renderContext) & MPV_RENDER_UPDATE_FRAME;
    if (!frameDue)
        return;

    if (pictureVisible()) {
        ++counters.frames;
        drawToWindow();
        return;
    }
    // Nobody sees the picture, but the engine waits for each frame to be
    // rendered and shown; render it at once and count it as presented.
    if (!m_glContext->makeCurrent(m_window))
        return;
    m_drawing = true;
    render(m_glContext->defaultFramebufferObject(), m_window->size() * m_window->devicePixelRatio(),
           blockValue());
    m_drawing = false;
    m_glContext->doneCurrent();
    reportSwap();
}

void MpvWidget::render(unsigned int framebuffer, QSize pixels, int block)
{
    ++counters.paints;
    mpv_opengl_fbo target{static_cast<int>(framebuffer), pixels.width(), pixels.height(), 0};
    int flipY = 1;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flipY},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpvApi().mpv_render_context_render(m_renderContext, params);
}

void MpvWidget::drawToWindow()
{
    if (m_drawing || !m_glContext->makeCurrent(m_window))
        return;
    m_drawing = true;
    render(m_glContext->defaultFramebufferObject(), m_window->size() * m_window->devicePixelRatio(),
           blockValue());
    m_glContext->swapBuffers(m_window);
    m_drawing = false;
    ++counters.swaps;
    reportSwap();
    emit frameSwapped();
}

QImage MpvWidget::grabFramebuffer()
{
    if (!m_renderContext || !m_glContext->makeCurrent(m_window))
        return {};
    const QSize pixels = size() * devicePixelRatioF();
    QOpenGLFramebufferObject target(pixels);
    render(target.handle(), pixels, 0);
    QImage image = target.toImage();
    m_glContext->doneCurrent();
    return image;
}

void MpvWidget::reportSwap()
{
    if (m_renderContext)
        mpvApi().mpv_render_context_report_swap(m_renderContext);
}

void MpvWidget::scheduleRedraw()
{
    if (!m_renderContext || m_redrawPending)
        return;
    m_redrawPending = true;
    QTimer::singleShot(0, this, [this] {
        m_redrawPending = false;
        if (m_renderContext && pictureVisible())
            drawToWindow();
    });
}

void MpvWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleRedraw();
}

void MpvWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scheduleRedraw();
}

void MpvWidget::paintEvent(QPaintEvent *)
{
    // Until the first picture there is no native window in front.
    QPainter(this).fillRect(rect(), Qt::black);
}

void MpvWidget::mousePressEvent(QMouseEvent *event)
{
    m_leftPressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void MpvWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    m_leftPressed = false;
}

void MpvWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        emit rightClicked(event->globalPosition().toPoint());
    else if (event->button() == Qt::LeftButton && m_leftPressed)
        emit clicked();
    m_leftPressed = false;
}

void MpvWidget::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved();
    QWidget::mouseMoveEvent(event);
}

void MpvWidget::wheelEvent(QWheelEvent *event)
{
    emit wheelScrolled(event->angleDelta().y());
    event->accept();
}
