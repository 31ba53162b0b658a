#pragma once

#include "engine/EngineOptions.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QSize>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

struct mpv_handle;
struct mpv_render_context;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

// One frame to render. A position of 0 or more is in seconds; a negative one
// is a fraction of the duration (-0.15 means 15 %).
struct ThumbJob
{
    QString path;
    double position = 0;
    int width = 320;
    QString key; // empty for previews
    bool preview = false;
};

// tag + "_" + the first 20 hex digits of the SHA-1 of the path.
QString thumbKey(const QString &path, const QString &tag);
// The JPEG of a key in the thumbnail cache folder.
QString thumbFile(const QString &key);

// Renders single video frames with a private engine instance into an
// offscreen framebuffer: library thumbnails (queued, saved as JPEG, answered
// with ready) and seek-bar previews (one replaceable request ahead of the
// queue, answered with previewReady). One job at a time, all on the GUI thread.
class Thumbnailer : public QObject
{
    Q_OBJECT

public:
    static constexpr int TimeoutMs = 8000;
    static constexpr int PreviewWidth = 240;

    static Thumbnailer *instance();
    ~Thumbnailer() override;

    void requestThumbnail(const QString &path, double position, int width, const QString &key);
    void requestPreview(const QString &path, double position);
    void cancelPreview();
    void setHold(bool on);
    bool hold() const { return m_hold; }

    // Frees the render context (with the private OpenGL context current) and
    // then the engine. Runs when the application is about to quit; later
    // requests are answered as if the engine were unavailable.
    void shutdown();
    bool hasEngine() const { return m_handle != nullptr; }

    // Decisions kept free of the engine so they can be checked on their own.
    // The "start" text of a load: seconds with three decimals, or "15.0%".
    static QString startText(double position);
    // Seconds to seek to on a loaded file of the given duration.
    static double seekTarget(double position, double durationSeconds);
    // Output size for a display size (dw x dh, rotated by rotateDegrees):
    // unknown sizes count as 16:9; height even, at least 2, at most 4 x width.
    static QSize frameSize(int width, qint64 displayWidth, qint64 displayHeight,
                           qint64 rotateDegrees);
    // The engine options of the private instance, in the order they are set.
    static QList<EngineOption> engineOptions(bool hwdecEnabled);

signals:
    void ready(QString key, QImage image, double duration);
    void previewReady(QString path, double pos, QImage image);

public slots:
    void processEvents();
    void tryRender();

private:
    explicit Thumbnailer(QObject *parent);

    bool ensureEngine();
    void scheduleNext();
    void queueScheduleNext();
    void startJob();
    void finishJob(QImage image);
    void failJob(const QString &why);
    void onTimeout();
    void forgetLoadedFile();
    bool loadedFileIsCurrent(const QString &path) const;
    // Whether a new frame now belongs to the current job.
    bool frameExpected() const;
    // Renders the engine's frame into a framebuffer of that size (made anew
    // when the size differs) and, when asked, reads the picture back.
    QImage renderFrame(const QSize &size, bool draw, bool readBack, QString &error);
    // Renders a frame the engine waits on, if any, without reading it back.
    bool renderPendingFrame(QString &error);
    static void onWakeup(void *context);
    static void onRenderUpdate(void *context);

    mpv_handle *m_handle = nullptr;
    mpv_render_context *m_renderContext = nullptr;
    QOffscreenSurface *m_surface = nullptr;
    QOpenGLContext *m_glContext = nullptr;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    bool m_initAttempted = false;
    bool m_shutDown = false;

    QQueue<ThumbJob> m_queue;
    std::optional<ThumbJob> m_pendingPreview;
    ThumbJob m_job;
    bool m_busy = false;
    bool m_hold = false;
    bool m_frameReady = false;
    bool m_schedulePosted = false;
    bool m_inEvents = false;
    // The current job's latest rendered frame, kept until the engine reports
    // the seek or load done.
    QImage m_picture;

    // The file the engine has open, and its size and modification time when
    // it was opened: a file replaced under the same path must be reloaded.
    QString m_loadedPath;
    bool m_loaded = false;
    qint64 m_loadedSize = -1;
    QDateTime m_loadedModified;

    // Only events of the current job count. Its command carries m_jobId as
    // reply id; events before that reply belong to earlier commands, and the
    // file's own events are told apart by its playlist entry id.
    quint64 m_jobId = 0;
    bool m_replied = false;
    bool m_loading = false; // the current job opens a file (else it seeks)
    qint64 m_entryId = -1;
    bool m_entryStarted = false;

    QTimer m_timeout;
};
