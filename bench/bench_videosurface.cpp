// Two programs in one, driven by bench/videosurface.sh:
//
//   bench_videosurface play <file> [<width>x<height>]
//       The player's video path alone: PlayerCore and an MpvWidget filling a
//       frameless window at the top left (the whole screen by default), set up
//       as the player sets them up. Quits when the file reaches its end (the
//       script passes "end=20" through ZORVIPLAYER_OPT to bound it).
//
//   bench_videosurface watch <x> <y> <rrggbb> <timeout-ms> <program> [args...]
//       Starts the program and polls one screen pixel until it shows the
//       colour; prints "first-frame-ms <n>" measured from the start of the
//       program, then stops it. The same watcher times our surface and the
//       mpv command-line player, so both are measured the same way. A
//       negative <y> polls the whole column <x> instead, for windows whose
//       place on the screen is not known in advance.
#include "engine/MpvApi.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QSurfaceFormat>
#include <QThread>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <memory>

namespace {

bool near(const QColor &a, const QColor &b)
{
    constexpr int tolerance = 48;
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

int watch(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 7) {
        std::fprintf(stderr, "watch <x> <y> <rrggbb> <timeout-ms> <program> [args...]\n");
        return 2;
    }
    const int x = args[2].toInt();
    const int y = args[3].toInt();
    const QColor wanted(QStringLiteral("#") + args[4]);
    const int timeoutMs = args[5].toInt();
    QScreen *screen = QGuiApplication::primaryScreen();

    auto seen = [&] {
        if (y >= 0)
            return near(screen->grabWindow(0, x, y, 1, 1).toImage().pixelColor(0, 0), wanted);
        const QImage column = screen->grabWindow(0, x, 0, 1, screen->geometry().height()).toImage();
        for (int row = 0; row < column.height(); ++row) {
            if (near(column.pixelColor(0, row), wanted))
                return true;
        }
        return false;
    };
    if (seen()) {
        std::fprintf(stderr, "the colour is on the screen before the start\n");
        return 2;
    }

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    child.start(args[6], args.mid(7));
    if (!child.waitForStarted(10000)) {
        std::fprintf(stderr, "could not start %s\n", qPrintable(args[6]));
        return 2;
    }
    qint64 found = -1;
    while (clock.elapsed() < timeoutMs && child.state() == QProcess::Running) {
        if (seen()) {
            found = clock.elapsed();
            break;
        }
        QThread::msleep(2);
    }
    child.terminate();
    if (!child.waitForFinished(5000)) {
        child.kill();
        child.waitForFinished(5000);
    }
    if (found < 0) {
        std::fprintf(stderr, "no frame within %d ms\n", timeoutMs);
        return 1;
    }
    std::printf("first-frame-ms %lld\n", static_cast<long long>(found));
    return 0;
}

int play(int argc, char **argv)
{
    // Phases of the start, from entering main, to see where the time to the
    // first frame goes.
    QElapsedTimer sinceMain;
    sinceMain.start();
    // The toolkit set-up of the player's start-up.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(1);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "play <file> [<width>x<height>]\n");
        return 2;
    }

    const qint64 appMs = sinceMain.elapsed();
    auto core = std::make_unique<PlayerCore>();
    QString error;
    if (!core->start(error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return 1;
    }
    const qint64 engineMs = sinceMain.elapsed();
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<MpvWidget>(core.get());
    qint64 firstSwapMs = -1;
    qint64 contextMs = -1;
    // Connected after the surface's own handler, which makes the context.
    QObject::connect(core.get(), &PlayerCore::videoOutputNeeded, &app, [&] {
        if (contextMs < 0 && window->hasRenderContext())
            contextMs = sinceMain.elapsed();
    });
    QObject::connect(window.get(), &MpvWidget::frameSwapped, &app, [&] {
        if (firstSwapMs < 0 && getPropertyDouble(core->handle(), "time-pos", -1) >= 0)
            firstSwapMs = sinceMain.elapsed();
    });
    window->setWindowFlag(Qt::FramelessWindowHint);
    QRect geometry = QGuiApplication::primaryScreen()->geometry();
    if (args.size() > 3) {
        const QStringList size = args[3].split(QLatin1Char('x'));
        geometry.setSize(QSize(size.value(0).toInt(), size.value(1).toInt()));
    }
    window->setGeometry(geometry);
    window->show();
    // The surface makes its window and render context when the file opens.
    runCommand(core->handle(), {QStringLiteral("loadfile"), args[2]});

    // End of the file (or of the part asked for): the engine keeps it open
    // and reports eof-reached; an error leaves it idle.
    QTimer poll;
    bool started = false;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        mpv_handle *handle = core->handle();
        if (!getPropertyFlag(handle, "idle-active", true))
            started = true;
        if (getPropertyFlag(handle, "eof-reached") ||
            (started && getPropertyFlag(handle, "idle-active")))
            app.quit();
    });
    poll.start(100);
    const int result = app.exec();
    const qint64 endMs = clock.elapsed();
    const MpvWidget::RenderCounters counters = MpvWidget::renderCounters();
    std::fprintf(
            stderr,
            "surface: app-ms=%lld engine-ms=%lld context-ms=%lld first-swap-ms=%lld end-ms=%lld "
            "frames=%d paints=%d swaps=%d vo-drops=%lld decoder-drops=%lld\n",
            static_cast<long long>(appMs), static_cast<long long>(engineMs),
            static_cast<long long>(contextMs), static_cast<long long>(firstSwapMs),
            static_cast<long long>(endMs), counters.frames, counters.paints, counters.swaps,
            static_cast<long long>(getPropertyInt(core->handle(), "frame-drop-count")),
            static_cast<long long>(getPropertyInt(core->handle(), "decoder-frame-drop-count")));
    window.reset();
    core.reset();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "watch")
        return watch(argc, argv);
    if (mode == "play")
        return play(argc, argv);
    std::fprintf(stderr, "usage: bench_videosurface play <file> | watch ...\n");
    return 2;
}
