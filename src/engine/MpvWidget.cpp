#include "engine/MpvWidget.h"

#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

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
    : QOpenGLWidget(parent)
    , m_core(core)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
    // Telling the engine when a frame really reached the screen lets it pace
    // presentation on actual swaps instead of guessing.
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        ++counters.swaps;
        reportSwap();
    });
}

MpvWidget::~MpvWidget()
{
    // The base class destroys the OpenGL context after this body; by then the
    // render context is gone and the notice must not reach this object.
    if (QOpenGLContext *glContext = context())
        disconnect(glContext, nullptr, this, nullptr);
    makeCurrent();
    if (m_renderContext) {
        mpvApi().mpv_render_context_set_update_callback(m_renderContext, nullptr, nullptr);
        mpvApi().mpv_render_context_free(m_renderContext);
        m_renderContext = nullptr;
    }
    doneCurrent();
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

void MpvWidget::initializeGL()
{
    mpv_handle *handle = m_core ? m_core->handle() : nullptr;
    if (!handle || m_renderContext)
        return;

    mpv_opengl_init_params glInit{&glFunctionAddress, nullptr};
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context *created = nullptr;
    if (mpvApi().mpv_render_context_create(&created, handle, params) < 0 || !created) {
        qWarning() << "mpv: falha ao criar contexto de renderizacao";
        return;
    }
    m_renderContext = created;
    mpvApi().mpv_render_context_set_update_callback(m_renderContext, &MpvWidget::onEngineUpdate,
                                                    this);
    // Moving the widget to another top-level window (full screen, mini player)
    // recreates its OpenGL context; the render context must go with the old one
    // and is rebuilt by the next initialisation.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &MpvWidget::freeRenderContext,
            Qt::UniqueConnection);

    if (!m_trackToRestore.isEmpty()) {
        if (!getPropertyFlag(handle, "idle-active", true))
            runCommandAsync(handle, {"set", "vid", m_trackToRestore}, 0);
        m_trackToRestore.clear();
    }
}

void MpvWidget::freeRenderContext()
{
    makeCurrent();
    if (m_renderContext) {
        // The engine drops the picture of the current file together with the
        // render context; remember the track to bring it back on the new one.
        bool isTrack = false;
        const QString track = getPropertyString(m_core->handle(), "vid");
        track.toLongLong(&isTrack);
        m_trackToRestore = isTrack ? track : QString();
        mpvApi().mpv_render_context_set_update_callback(m_renderContext, nullptr, nullptr);
        mpvApi().mpv_render_context_free(m_renderContext);
        m_renderContext = nullptr;
    }
    doneCurrent();
}

void MpvWidget::onEngineUpdate(void *context)
{
    // Engine thread: hand over to the GUI thread and do nothing else.
    QMetaObject::invokeMethod(static_cast<MpvWidget *>(context), "maybeUpdate",
                              Qt::QueuedConnection);
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

    if (!m_renderContext)
        return;
    const bool frameDue =
            mpvApi().mpv_render_context_update(m_renderContext) & MPV_RENDER_UPDATE_FRAME;
    if (!frameDue)
        return;

    if (!window()->isMinimized() && isVisible()) {
        ++counters.frames;
        update();
        return;
    }
    // Nobody sees the picture, but the engine waits for each frame to be
    // rendered and shown; render it at once and count it as presented.
    makeCurrent();
    paintGL();
    doneCurrent();
    reportSwap();
}

void MpvWidget::paintGL()
{
    ++counters.paints;
    if (!m_renderContext)
        return;
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo target{static_cast<int>(defaultFramebufferObject()),
                          static_cast<int>(width() * ratio), static_cast<int>(height() * ratio), 0};
    int flipY = 1;
    int block = blockValue();
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flipY},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpvApi().mpv_render_context_render(m_renderContext, params);
}

void MpvWidget::reportSwap()
{
    if (m_renderContext)
        mpvApi().mpv_render_context_report_swap(m_renderContext);
}

void MpvWidget::mousePressEvent(QMouseEvent *event)
{
    m_leftPressed = event->button() == Qt::LeftButton;
    QOpenGLWidget::mousePressEvent(event);
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
    QOpenGLWidget::mouseMoveEvent(event);
}

void MpvWidget::wheelEvent(QWheelEvent *event)
{
    emit wheelScrolled(event->angleDelta().y());
    event->accept();
}
