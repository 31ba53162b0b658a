// The thumbnailer's figures, driven by bench/thumbnailer.sh:
//
//   bench_thumbnailer latency <file> <duration-s> <count> <seed>
//       The seek preview as the window runs it: the pointer rests, a 180 ms
//       single-shot timer fires and asks for a preview, the frame goes to a
//       shown PreviewPopup. Times request -> picture label painted, and
//       pointer at rest -> painted.
//   bench_thumbnailer bare <file> <duration-s> <count> <seed>
//       The baseline: a bare engine client with the same options doing the
//       same keyframe seeks, each rendered into a 240-wide framebuffer and
//       read back, one at a time.
//   bench_thumbnailer throughput <list-file>
//       One library thumbnail (position -0.15, width 384, JPEG) per listed
//       file, one after the other.
//   bench_thumbnailer playback <file> <seed> <hover 0|1>
//       Plays the file in an MpvWidget window (the thumbnailer held, as while
//       a video plays) and, with hover 1, asks for a preview every 200 ms.
//       ZORVIPLAYER_OPT bounds the run ("end=20").
//   bench_thumbnailer idle <seconds>
//       Only the stall probe: the stalls the loaded machine alone causes.
// Every mode also reports the longest GUI-thread stall after the one-time
// set-up (engine start and first render, reported on their own).
#include "StallProbe.h"
#include "engine/MpvApi.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "library/Thumbnailer.h"
#include "ui/bars/PreviewPopup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QRandomGenerator>
#include <QScreen>
#include <QStandardPaths>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <memory>
#include <mpv/render_gl.h>
#include <sys/resource.h>

namespace {

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const qsizetype index =
            std::min<qsizetype>(values.size() - 1, qsizetype(fraction * double(values.size())));
    return values.at(index);
}

void printFigures(const char *name, const QList<double> &values)
{
    std::printf("%s-ms median %.1f p95 %.1f n %lld\n", name, percentile(values, 0.5),
                percentile(values, 0.95), static_cast<long long>(values.size()));
}

QList<double> positions(double durationSeconds, int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QList<double> list;
    double last = -10;
    while (list.size() < count) {
        const double pos = random.bounded(durationSeconds);
        // The window asks again only after the pointer moved more than 0.8 s.
        if (std::abs(pos - last) <= 0.8)
            continue;
        list.append(pos);
        last = pos;
    }
    return list;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void prepareToolkit()
{
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(1);
    QSurfaceFormat::setDefaultFormat(format);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_thumbnailer"));
}

// Paint of the popup's picture label after a new image was set.
class PaintWatch : public QObject
{
public:
    std::function<void()> onPaint;
    bool armed = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (armed && event->type() == QEvent::Paint) {
            armed = false;
            // Run after the paint itself.
            QTimer::singleShot(0, this, [this] { onPaint(); });
        }
        return false;
    }
};

int latency(QApplication &app, const QStringList &args)
{
    const QString file = args.value(2);
    const QList<double> wanted =
            positions(args.value(3).toDouble(), args.value(4).toInt(), args.value(5).toUInt());
    Thumbnailer *thumbs = Thumbnailer::instance();
    PreviewPopup popup;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    popup.showAt(screen.center(), QStringLiteral("0:00"), QString());
    PaintWatch watch;
    popup.pictureLabel()->installEventFilter(&watch);
    StallProbe probe;
    probe.start();
    double stallSinceMs = 0; // a one-time set-up is reported on its own

    QList<double> requestToPaint, restToPaint;
    QElapsedTimer clock;
    clock.start();
    qint64 restNs = 0, requestNs = 0;
    int index = -1; // -1: the warm-up request
    double setupMs = 0;
    double setupStall = 0;
    int failures = 0;
    QTimer previewTimer;
    previewTimer.setSingleShot(true);
    previewTimer.setInterval(180);

    std::function<void()> next = [&] {
        ++index;
        if (index >= wanted.size()) {
            app.quit();
            return;
        }
        restNs = clock.nsecsElapsed();
        previewTimer.start();
    };
    QObject::connect(&previewTimer, &QTimer::timeout, &app, [&] {
        requestNs = clock.nsecsElapsed();
        thumbs->requestPreview(file, wanted.at(index));
    });
    QObject::connect(thumbs, &Thumbnailer::previewReady, &app,
                     [&](const QString &, double pos, const QImage &image) {
                         if (image.isNull())
                             ++failures;
                         if (index >= 0 && pos != wanted.at(index))
                             return;
                         watch.armed = true;
                         popup.setImage(image);
                     });
    watch.onPaint = [&] {
        const qint64 now = clock.nsecsElapsed();
        if (index < 0) {
            setupMs = double(now - requestNs) / 1e6;
            setupStall = probe.longestStallMs(stallSinceMs, 1e300);
            stallSinceMs = probe.nowMs();
        } else {
            requestToPaint.append(double(now - requestNs) / 1e6);
            restToPaint.append(double(now - restNs) / 1e6);
        }
        next();
    };
    requestNs = clock.nsecsElapsed();
    thumbs->requestPreview(file, 1.0);
    app.exec();
    probe.stop();
    printFigures("request-to-picture", requestToPaint);
    printFigures("rest-to-picture", restToPaint);
    std::printf("setup-and-first-render-ms %.1f (gui stall during it %.1f ms)\n", setupMs,
                setupStall);
    std::printf("gui-stall-ms %.1f\nnull-previews %d\n", probe.longestStallMs(stallSinceMs, 1e300),
                failures);
    thumbs->shutdown();
    return 0;
}

int bare(QApplication &, const QStringList &args)
{
    const QString file = args.value(2);
    const QList<double> wanted =
            positions(args.value(3).toDouble(), args.value(4).toInt(), args.value(5).toUInt());
    if (!loadMpvApi())
        return 1;
    const MpvApi &api = mpvApi();
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle *handle = api.mpv_create();
    for (const EngineOption &option : Thumbnailer::engineOptions(true))
        setOption(handle, option.name, option.value);
    if (api.mpv_initialize(handle) < 0)
        return 1;
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return 1;
    mpv_opengl_init_params glInit{
            [](void *, const char *name) -> void * {
                return reinterpret_cast<void *>(
                        QOpenGLContext::currentContext()->getProcAddress(name));
            },
            nullptr};
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context *render = nullptr;
    if (api.mpv_render_context_create(&render, handle, params) < 0)
        return 1;

    std::unique_ptr<QOpenGLFramebufferObject> fbo;
    // After a command: renders every frame as it comes (the engine's video
    // output waits for that) and stops at the restart once a frame is in.
    const auto frame = [&]() -> bool {
        bool restarted = false;
        QImage image;
        while (!restarted || image.isNull()) {
            if (api.mpv_render_context_update(render) & MPV_RENDER_UPDATE_FRAME) {
                // Rendered before any property is read: the engine does not
                // answer while its video output waits for the frame.
                const auto draw = [&] {
                    mpv_opengl_fbo target{int(fbo->handle()), fbo->width(), fbo->height(), 0};
                    mpv_render_param renderParams[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                                       {MPV_RENDER_PARAM_INVALID, nullptr}};
                    api.mpv_render_context_render(render, renderParams);
                };
                if (!fbo)
                    fbo = std::make_unique<QOpenGLFramebufferObject>(240, 134);
                draw();
                const QSize size =
                        Thumbnailer::frameSize(240, getPropertyInt(handle, "video-params/dw"),
                                               getPropertyInt(handle, "video-params/dh"), 0);
                if (fbo->size() != size) {
                    fbo = std::make_unique<QOpenGLFramebufferObject>(size);
                    draw();
                }
                image = fbo->toImage(false);
            }
            const mpv_event *event = api.mpv_wait_event(handle, 0.001);
            if (event->event_id == MPV_EVENT_END_FILE)
                return false;
            if (event->event_id == MPV_EVENT_PLAYBACK_RESTART)
                restarted = true;
        }
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    runCommand(handle, {"loadfile", file, "replace"});
    if (!frame())
        return 1;
    std::printf("bare-setup-and-first-render-ms %.1f\n", double(clock.nsecsElapsed()) / 1e6);
    QList<double> times;
    for (const double pos : wanted) {
        clock.restart();
        runCommand(handle, {"seek", QString::number(pos, 'f', 3), "absolute+keyframes"});
        if (!frame())
            return 1;
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    printFigures("bare-seek-to-frame", times);
    fbo.reset();
    api.mpv_render_context_free(render);
    context.doneCurrent();
    api.mpv_terminate_destroy(handle);
    return 0;
}

int throughput(QApplication &app, const QStringList &args)
{
    QFile list(args.value(2));
    if (!list.open(QIODevice::ReadOnly))
        return 1;
    const QStringList files = QString::fromUtf8(list.readAll()).split('\n', Qt::SkipEmptyParts);
    Thumbnailer *thumbs = Thumbnailer::instance();
    StallProbe probe;
    probe.start();
    double stallSinceMs = 0; // a one-time set-up is reported on its own
    int index = 0, failures = 0;
    double firstMs = 0, firstStall = 0;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer whole;
    const auto request = [&] {
        thumbs->requestThumbnail(files.at(index), -0.15, 384, QStringLiteral("t%1").arg(index));
    };
    QObject::connect(thumbs, &Thumbnailer::ready, &app, [&](const QString &, const QImage &image) {
        if (image.isNull())
            ++failures;
        if (index == 0) {
            firstMs = double(clock.nsecsElapsed()) / 1e6;
            firstStall = probe.longestStallMs(stallSinceMs, 1e300);
            stallSinceMs = probe.nowMs();
            whole.start();
        }
        if (++index >= files.size()) {
            app.quit();
            return;
        }
        QTimer::singleShot(0, &app, request);
    });
    request();
    app.exec();
    probe.stop();
    const double seconds = double(whole.nsecsElapsed()) / 1e9;
    // The first file carries the engine set-up; the rate is over the rest.
    std::printf("files %lld failures %d after-first-s %.2f files-per-s %.2f\n",
                static_cast<long long>(files.size()), failures, seconds,
                double(files.size() - 1) / seconds);
    std::printf("setup-and-first-thumbnail-ms %.1f (gui stall during it %.1f ms)\n", firstMs,
                firstStall);
    std::printf("gui-stall-ms %.1f\npeak-rss-kb %ld\n", probe.longestStallMs(stallSinceMs, 1e300),
                peakRssKb());
    thumbs->shutdown();
    return 0;
}

// The probe alone: what the machine's scheduling costs the GUI thread.
int idle(QApplication &app, const QStringList &args)
{
    StallProbe probe;
    probe.start();
    double stallSinceMs = 0; // a one-time set-up is reported on its own
    QTimer::singleShot(int(args.value(2).toDouble() * 1000), &app, &QCoreApplication::quit);
    app.exec();
    probe.stop();
    std::printf("gui-stall-ms %.1f\n", probe.longestStallMs(stallSinceMs, 1e300));
    return 0;
}

int playback(QApplication &app, const QStringList &args)
{
    const QString file = args.value(2);
    QRandomGenerator random(args.value(3).toUInt());
    const bool hover = args.value(4) == QLatin1String("1");
    auto core = std::make_unique<PlayerCore>();
    QString error;
    if (!core->start(error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return 1;
    }
    auto window = std::make_unique<MpvWidget>(core.get());
    window->setWindowFlag(Qt::FramelessWindowHint);
    window->setGeometry(0, 0, 960, 540);
    window->show();
    Thumbnailer *thumbs = Thumbnailer::instance();
    // What the window does while a video plays.
    thumbs->setHold(true);
    // Set up the preview engine before playing, so the run measures steady
    // work and the set-up is reported apart.
    QElapsedTimer clock;
    clock.start();
    bool warm = false;
    QObject::connect(thumbs, &Thumbnailer::previewReady, &app, [&] { warm = true; });
    thumbs->requestPreview(file, 1.0);
    while (!warm)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    const double setupMs = double(clock.nsecsElapsed()) / 1e6;

    StallProbe probe;
    probe.start();
    double stallSinceMs = 0; // a one-time set-up is reported on its own
    const double cpuBefore = cpuSeconds();
    runCommand(core->handle(), {QStringLiteral("loadfile"), file});
    const double duration = 20;
    QTimer hoverTimer;
    int previews = 0;
    QObject::connect(thumbs, &Thumbnailer::previewReady, &app, [&] { ++previews; });
    QObject::connect(&hoverTimer, &QTimer::timeout, &app,
                     [&] { thumbs->requestPreview(file, random.bounded(duration)); });
    QTimer poll;
    bool started = false;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        mpv_handle *handle = core->handle();
        if (!started && getPropertyDouble(handle, "time-pos", -1) > 0) {
            started = true;
            if (hover)
                hoverTimer.start(200);
        }
        if (getPropertyFlag(handle, "eof-reached") ||
            (started && getPropertyFlag(handle, "idle-active")))
            app.quit();
    });
    poll.start(100);
    app.exec();
    probe.stop();
    mpv_handle *handle = core->handle();
    std::printf("frames %lld frame-drop-count %lld decoder-frame-drop-count %lld "
                "vo-delayed-frame-count %lld cpu-s %.2f previews %d\n",
                static_cast<long long>(getPropertyInt(handle, "estimated-frame-number")),
                static_cast<long long>(getPropertyInt(handle, "frame-drop-count")),
                static_cast<long long>(getPropertyInt(handle, "decoder-frame-drop-count")),
                static_cast<long long>(getPropertyInt(handle, "vo-delayed-frame-count")),
                cpuSeconds() - cpuBefore, previews);
    std::printf("preview-setup-ms %.1f\ngui-stall-ms %.1f\n", setupMs,
                probe.longestStallMs(stallSinceMs, 1e300));
    thumbs->shutdown();
    window.reset();
    core.reset();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    prepareToolkit();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // Thumbnails of this run go to a folder of its own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("latency"))
        return latency(app, args);
    if (mode == QLatin1String("bare"))
        return bare(app, args);
    if (mode == QLatin1String("throughput"))
        return throughput(app, args);
    if (mode == QLatin1String("playback"))
        return playback(app, args);
    if (mode == QLatin1String("idle"))
        return idle(app, args);
    std::fprintf(stderr, "usage: bench_thumbnailer latency|bare|throughput|playback ...\n");
    return 2;
}
