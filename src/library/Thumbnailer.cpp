#include "library/Thumbnailer.h"

#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "engine/MpvApi.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QFileInfo>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QSurfaceFormat>
#include <QVariantMap>

#include <algorithm>
#include <clocale>
#include <mpv/render_gl.h>
#include <utility>

namespace {

void *glFunctionAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        return nullptr;
    return reinterpret_cast<void *>(context->getProcAddress(QByteArray(name)));
}

} // namespace

QString thumbKey(const QString &path, const QString &tag)
{
    const QByteArray hash =
            QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex();
    return tag + QLatin1Char('_') + QString::fromLatin1(hash.left(20));
}

QString thumbFile(const QString &key)
{
    return dataSubdir(QStringLiteral("thumbs")) + QLatin1Char('/') + key + QStringLiteral(".jpg");
}

Thumbnailer *Thumbnailer::instance()
{
    static Thumbnailer *const thumbnailer = new Thumbnailer(QCoreApplication::instance());
    return thumbnailer;
}

Thumbnailer::Thumbnailer(QObject *parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(TimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &Thumbnailer::onTimeout);
    // The render context needs the windowing system, which is gone by the
    // time the application object deletes its children.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &Thumbnailer::shutdown);
}

Thumbnailer::~Thumbnailer()
{
    if (QCoreApplication::instance()) {
        shutdown();
        return;
    }
    // Too late: the windowing system is gone with the application object, and
    // neither the OpenGL objects nor the engine can be freed safely. The
    // process is ending; leave them to it.
    if (m_glContext)
        m_glContext->setParent(nullptr);
    if (m_surface)
        m_surface->setParent(nullptr);
    (void)m_fbo.release();
}

QString Thumbnailer::startText(double position)
{
    if (position >= 0)
        return QString::number(position, 'f', 3);
    return QString::number(-position * 100.0, 'f', 1) + QLatin1Char('%');
}

double Thumbnailer::seekTarget(double position, double durationSeconds)
{
    return position >= 0 ? position : -position * durationSeconds;
}

QSize Thumbnailer::frameSize(int width, qint64 displayWidth, qint64 displayHeight,
                             qint64 rotateDegrees)
{
    if (displayWidth < 1 || displayHeight < 1) {
        displayWidth = 16;
        displayHeight = 9;
    }
    const qint64 rotation = ((rotateDegrees % 360) + 360) % 360;
    if (rotation == 90 || rotation == 270)
        std::swap(displayWidth, displayHeight);
    const qint64 w = std::max(width, 1);
    // A hostile aspect ratio must not ask for millions of rows.
    qint64 h = std::min(w * displayHeight / displayWidth, 4 * w);
    h -= h % 2;
    return QSize(int(w), int(std::max<qint64>(h, 2)));
}

QList<EngineOption> Thumbnailer::engineOptions(bool hwdecEnabled)
{
    return {{"config", "no"},
            {"terminal", "no"},
            {"vo", "libmpv"},
            {"aid", "no"},
            {"sid", "no"},
            {"pause", "yes"},
            {"idle", "yes"},
            {"keep-open", "always"},
            {"hr-seek", "no"},
            {"hwdec", hwdecEnabled ? QStringLiteral("auto-safe") : QStringLiteral("no")},
            {"vd-lavc-threads", "2"},
            {"vd-lavc-skiploopfilter", "all"},
            {"vd-lavc-fast", "yes"},
            {"cache", "no"},
            {"ytdl", "no"},
            {"sub-auto", "no"},
            {"audio-display", "no"},
            {"osd-level", "0"},
            {"load-scripts", "no"},
            {"demuxer-readahead-secs", "0"},
            // A playlist disguised as a video must not make a folder scan
            // open the addresses inside it.
            {"access-references", "no"}};
}

void Thumbnailer::requestThumbnail(const QString &path, double position, int width,
                                   const QString &key)
{
    if (m_shutDown)
        return;
    if (m_busy && !m_job.preview && m_job.key == key)
        return;
    for (const ThumbJob &queued : std::as_const(m_queue)) {
        if (queued.key == key)
            return;
    }
    m_queue.enqueue(ThumbJob{path, position, width, key, false});
    scheduleNext();
}

void Thumbnailer::requestPreview(const QString &path, double position)
{
    if (m_shutDown)
        return;
    m_pendingPreview = ThumbJob{path, position, PreviewWidth, QString(), true};
    scheduleNext();
}

void Thumbnailer::cancelPreview()
{
    m_pendingPreview.reset();
}

void Thumbnailer::setHold(bool on)
{
    m_hold = on;
    if (!on)
        queueScheduleNext();
}

bool Thumbnailer::ensureEngine()
{
    if (m_renderContext)
        return true;
    if (m_initAttempted)
        return false;
    m_initAttempted = true;
    if (!loadMpvApi() || qEnvironmentVariableIsSet("ZORVIPLAYER_NO_THUMBS"))
        return false;
    const MpvApi &api = mpvApi();

    // The engine refuses to start under a locale with a decimal comma.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle *handle = api.mpv_create();
    if (!handle)
        return false;
    const bool hwdec = Preferences::hardwareDecoding();
    for (const EngineOption &option : engineOptions(hwdec))
        setOption(handle, option.name, option.value);
    if (api.mpv_initialize(handle) < 0) {
        api.mpv_terminate_destroy(handle);
        return false;
    }

    m_surface = new QOffscreenSurface(nullptr, this);
    m_surface->setFormat(QSurfaceFormat::defaultFormat());
    m_surface->create();
    m_glContext = new QOpenGLContext(this);
    m_glContext->setFormat(QSurfaceFormat::defaultFormat());
    if (!m_surface->isValid() || !m_glContext->create() || !m_glContext->makeCurrent(m_surface)) {
        qWarning() << "miniatura: sem contexto OpenGL fora da tela";
        api.mpv_terminate_destroy(handle);
        return false;
    }

    mpv_opengl_init_params glInit{&glFunctionAddress, nullptr};
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context *created = nullptr;
    if (api.mpv_render_context_create(&created, handle, params) < 0 || !created) {
        qWarning() << "miniatura: contexto de renderizacao falhou";
        m_glContext->doneCurrent();
        api.mpv_terminate_destroy(handle);
        return false;
    }
    m_glContext->doneCurrent();
    m_handle = handle;
    m_renderContext = created;
    api.mpv_render_context_set_update_callback(m_renderContext, &Thumbnailer::onRenderUpdate, this);
    api.mpv_set_wakeup_callback(m_handle, &Thumbnailer::onWakeup, this);
    return true;
}

void Thumbnailer::onWakeup(void *context)
{
    // Engine thread: hand over to the GUI thread and do nothing else.
    QMetaObject::invokeMethod(static_cast<Thumbnailer *>(context), "processEvents",
                              Qt::QueuedConnection);
}

void Thumbnailer::onRenderUpdate(void *context)
{
    QMetaObject::invokeMethod(static_cast<Thumbnailer *>(context), "tryRender",
                              Qt::QueuedConnection);
}

void Thumbnailer::queueScheduleNext()
{
    if (m_schedulePosted)
        return;
    m_schedulePosted = true;
    QMetaObject::invokeMethod(
            this,
            [this] {
                m_schedulePosted = false;
                scheduleNext();
            },
            Qt::QueuedConnection);
}

void Thumbnailer::scheduleNext()
{
    if (m_busy || m_shutDown)
        return;
    const bool libraryDue = !m_queue.isEmpty() && !m_hold;
    if (!m_pendingPreview && !libraryDue)
        return;
    if (!ensureEngine()) {
        const QQueue<ThumbJob> failed = std::exchange(m_queue, {});
        m_pendingPreview.reset();
        for (const ThumbJob &job : failed)
            emit ready(job.key, QImage(), 0);
        return;
    }
    if (m_pendingPreview) {
        m_job = *m_pendingPreview;
        m_pendingPreview.reset();
    } else {
        m_job = m_queue.dequeue();
    }
    m_busy = true;
    m_frameReady = false;
    m_picture = QImage();
    m_timeout.start();
    startJob();
}

bool Thumbnailer::loadedFileIsCurrent(const QString &path) const
{
    if (!m_loaded || m_loadedPath != path)
        return false;
    const QFileInfo info(path);
    return info.size() == m_loadedSize && info.lastModified() == m_loadedModified;
}

void Thumbnailer::forgetLoadedFile()
{
    m_loaded = false;
    m_loadedPath.clear();
    m_entryId = -1;
}

void Thumbnailer::startJob()
{
    // The engine would not answer the requests below while a frame waits.
    QString ignored;
    renderPendingFrame(ignored);
    ++m_jobId;
    m_replied = false;
    int status = 0;
    if (loadedFileIsCurrent(m_job.path)) {
        m_loading = false;
        const double target =
                seekTarget(m_job.position, getPropertyDouble(m_handle, "duration", 0));
        status = runCommandAsync(
                m_handle, {"seek", QString::number(target, 'f', 3), "absolute+keyframes"}, m_jobId);
    } else {
        forgetLoadedFile();
        m_loading = true;
        m_entryStarted = false;
        m_loadedPath = m_job.path;
        const QFileInfo info(m_job.path);
        m_loadedSize = info.size();
        m_loadedModified = info.lastModified();
        setPropertyString(m_handle, "start", startText(m_job.position));
        status = runCommandAsync(m_handle, {"loadfile", m_job.path, "replace"}, m_jobId);
    }
    if (status < 0)
        failJob(mpvErrorText(status));
}

void Thumbnailer::processEvents()
{
    const MpvApi &api = mpvApi();
    const QScopedValueRollback<bool> guard(m_inEvents, true);
    while (m_handle) {
        const mpv_event *event = api.mpv_wait_event(m_handle, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        if (!m_busy)
            continue;
        switch (event->event_id) {
        case MPV_EVENT_COMMAND_REPLY: {
            if (event->reply_userdata != m_jobId)
                break;
            m_replied = true;
            if (event->error < 0) {
                forgetLoadedFile();
                failJob(mpvErrorText(event->error));
                break;
            }
            const auto *reply = static_cast<const mpv_event_command *>(event->data);
            if (m_loading && reply) {
                const QVariantMap result = nodeToVariant(&reply->result).toMap();
                m_entryId = result.value(QStringLiteral("playlist_entry_id"), -1).toLongLong();
            }
            break;
        }
        case MPV_EVENT_START_FILE: {
            if (!m_replied || !m_loading)
                break;
            const auto *started = static_cast<const mpv_event_start_file *>(event->data);
            // Without an id in the reply, the first file started after it is ours.
            if (m_entryId < 0 && !m_entryStarted)
                m_entryId = started->playlist_entry_id;
            if (started->playlist_entry_id == m_entryId)
                m_entryStarted = true;
            break;
        }
        case MPV_EVENT_END_FILE: {
            const auto *ended = static_cast<const mpv_event_end_file *>(event->data);
            if (m_entryId < 0 || ended->playlist_entry_id != m_entryId)
                break;
            // Our file is gone, whatever the reason: no frame will come.
            forgetLoadedFile();
            failJob(ended->reason == MPV_END_FILE_REASON_ERROR ? mpvErrorText(ended->error)
                                                               : QStringLiteral("fim do arquivo"));
            break;
        }
        case MPV_EVENT_FILE_LOADED:
            if (m_loading && m_entryStarted)
                m_loaded = true;
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            if (!frameExpected())
                break;
            m_frameReady = true;
            // A frame still pending is the newest; else the one kept.
            tryRender();
            if (m_busy && !m_picture.isNull())
                finishJob(m_picture);
            break;
        default:
            break;
        }
    }
}

bool Thumbnailer::frameExpected() const
{
    return m_busy && m_replied && (!m_loading || m_loaded);
}

bool Thumbnailer::renderPendingFrame(QString &error)
{
    if (!(mpvApi().mpv_render_context_update(m_renderContext) & MPV_RENDER_UPDATE_FRAME))
        return false;
    const QSize size = m_fbo ? m_fbo->size() : frameSize(m_job.width, 0, 0, 0);
    renderFrame(size, true, false, error);
    return true;
}

void Thumbnailer::tryRender()
{
    if (!m_renderContext)
        return;
    // The update may overtake the events that make its frame ours.
    if (m_busy && !frameExpected() && !m_inEvents)
        processEvents();
    // The engine's video output waits up to 200 ms for each frame it hands
    // over to be rendered, and the engine answers no property request
    // meanwhile. So every frame is rendered at once, before anything is
    // asked: one of the current job is kept until the engine reports the
    // seek done, any other is thrown away.
    QString error;
    if (!renderPendingFrame(error) || !frameExpected())
        return;
    // A frame left over from another file must never answer this job.
    if (getPropertyString(m_handle, "path") != m_job.path)
        return;
    const QSize size = frameSize(m_job.width, getPropertyInt(m_handle, "video-params/dw", 0),
                                 getPropertyInt(m_handle, "video-params/dh", 0),
                                 getPropertyInt(m_handle, "video-params/rotate", 0));
    // At another size it is rendered again: without a new frame the engine
    // redraws the one it has.
    const bool drawn = m_fbo && m_fbo->size() == size;
    const QImage image = error.isEmpty() ? renderFrame(size, !drawn, true, error) : QImage();
    if (!error.isEmpty()) {
        failJob(error);
        return;
    }
    m_picture = image;
    if (m_frameReady)
        finishJob(m_picture);
}

QImage Thumbnailer::renderFrame(const QSize &size, bool draw, bool readBack, QString &error)
{
    if (!m_glContext->makeCurrent(m_surface)) {
        error = QStringLiteral("contexto OpenGL");
        return {};
    }
    if (!m_fbo || m_fbo->size() != size) {
        m_fbo.reset();
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(
                size, QOpenGLFramebufferObject::NoAttachment, GL_TEXTURE_2D);
    }
    QImage image;
    if (!m_fbo->isValid()) {
        m_fbo.reset();
        error = QStringLiteral("framebuffer %1x%2").arg(size.width()).arg(size.height());
    } else if (draw) {
        mpv_opengl_fbo target{int(m_fbo->handle()), size.width(), size.height(), 0};
        // Rows go to the framebuffer top first, the order they are read back
        // in; flipping as for a window would turn the picture upside down.
        int flipY = 0;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                     {MPV_RENDER_PARAM_FLIP_Y, &flipY},
                                     {MPV_RENDER_PARAM_INVALID, nullptr}};
        const int status = mpvApi().mpv_render_context_render(m_renderContext, params);
        if (status < 0)
            error = mpvErrorText(status);
    }
    if (m_fbo && error.isEmpty() && readBack)
        image = m_fbo->toImage(false).convertToFormat(QImage::Format_RGB32);
    m_glContext->doneCurrent();
    return image;
}

void Thumbnailer::failJob(const QString &why)
{
    qWarning().noquote() << "miniatura: falhou" << m_job.path << why;
    finishJob(QImage());
}

void Thumbnailer::onTimeout()
{
    if (!m_busy)
        return;
    qWarning().noquote() << "miniatura: tempo esgotado" << m_job.path;
    forgetLoadedFile();
    finishJob(QImage());
}

void Thumbnailer::finishJob(QImage image)
{
    m_timeout.stop();
    // The property reads below would wait on a frame the engine holds.
    QString ignored;
    if (m_renderContext)
        renderPendingFrame(ignored);
    const ThumbJob job = m_job;
    m_busy = false;
    m_frameReady = false;
    m_picture = QImage();
    // Events still on their way belong to this job, not to the next one.
    ++m_jobId;
    // After a timeout the engine may still hold another file.
    const bool ownFile =
            loadedFileIsCurrent(job.path) && getPropertyString(m_handle, "path") == job.path;
    const double duration = ownFile ? getPropertyDouble(m_handle, "duration", 0) : 0;

    if (job.preview) {
        emit previewReady(job.path, job.position, image);
    } else {
        QImage saved = image;
        if (!saved.isNull()) {
            QSaveFile file(thumbFile(job.key));
            if (!file.open(QIODevice::WriteOnly) || !saved.save(&file, "JPG", 85) ||
                !file.commit()) {
                qWarning().noquote() << "miniatura: nao foi salva" << job.path << file.fileName()
                                     << file.errorString();
                saved = QImage();
            }
        }
        emit ready(job.key, saved, duration);
    }
    queueScheduleNext();
}

void Thumbnailer::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_initAttempted = true;
    m_timeout.stop();
    m_busy = false;
    m_queue.clear();
    m_pendingPreview.reset();
    const MpvApi &api = mpvApi();
    if (m_renderContext) {
        api.mpv_render_context_set_update_callback(m_renderContext, nullptr, nullptr);
        const bool current = m_glContext && m_glContext->makeCurrent(m_surface);
        m_fbo.reset();
        api.mpv_render_context_free(m_renderContext);
        m_renderContext = nullptr;
        if (current)
            m_glContext->doneCurrent();
    }
    if (m_handle) {
        api.mpv_set_wakeup_callback(m_handle, nullptr, nullptr);
        api.mpv_terminate_destroy(m_handle);
        m_handle = nullptr;
    }
    delete m_glContext;
    m_glContext = nullptr;
    delete m_surface;
    m_surface = nullptr;
}
