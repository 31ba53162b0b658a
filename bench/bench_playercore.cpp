// Time from asking for a local file to its file-loaded event and to its first
// reported position, through PlayerCore and through a bare engine client with
// minimal options, alternating in the same run. Prints medians and ratios.
//
// Usage: bench_playercore [rounds]   (bench/playercore.sh sets up a display)

#include "app/Version.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample
{
    double loadedMs = -1;
    double positionMs = -1;
};

bool ffmpeg(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

Sample timePlayerCore(PlayerCore &core, const QString &path)
{
    Sample sample;
    QElapsedTimer timer;
    QEventLoop loop;
    bool loaded = false;
    const auto onLoaded = QObject::connect(&core, &PlayerCore::fileLoaded, &loop, [&] {
        sample.loadedMs = timer.nsecsElapsed() / 1e6;
        loaded = true;
    });
    const auto onPosition =
            QObject::connect(&core, &PlayerCore::positionChanged, &loop, [&](double) {
                if (loaded && sample.positionMs < 0) {
                    sample.positionMs = timer.nsecsElapsed() / 1e6;
                    loop.quit();
                }
            });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    timer.start();
    core.playFiles({path}, 0);
    loop.exec();
    QObject::disconnect(onLoaded);
    QObject::disconnect(onPosition);
    return sample;
}

Sample timeBareClient(mpv_handle *handle, const QString &path)
{
    const MpvApi &api = mpvApi();
    Sample sample;
    QElapsedTimer timer;
    timer.start();
    runCommand(handle, {QStringLiteral("loadfile"), path, QStringLiteral("replace")});
    bool loaded = false;
    while (timer.elapsed() < 10000) {
        const mpv_event *event = api.mpv_wait_event(handle, 1);
        if (event->event_id == MPV_EVENT_FILE_LOADED) {
            sample.loadedMs = timer.nsecsElapsed() / 1e6;
            loaded = true;
        } else if (event->event_id == MPV_EVENT_PROPERTY_CHANGE && loaded) {
            const auto *property = static_cast<const mpv_event_property *>(event->data);
            if (qstrcmp(property->name, "time-pos") == 0 && property->format == MPV_FORMAT_DOUBLE) {
                sample.positionMs = timer.nsecsElapsed() / 1e6;
                break;
            }
        }
    }
    return sample;
}

void drain(mpv_handle *handle)
{
    while (mpvApi().mpv_wait_event(handle, 0)->event_id != MPV_EVENT_NONE) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVI_VERSION));
    if (!qEnvironmentVariableIsSet("ZORVIPLAYER_OPT"))
        qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;

    QTemporaryDir dir;
    const QString audio = dir.path() + "/bench.mp3";
    const QString video = dir.path() + "/bench.mp4";
    if (!ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=20", "-b:a", "128k", audio}) ||
        !ffmpeg({"-f", "lavfi", "-i", "testsrc=s=640x360:r=25:d=10", "-f", "lavfi", "-i",
                 "sine=duration=10", "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                 "yuv420p", "-c:a", "aac", "-shortest", video})) {
        std::fprintf(stderr, "ffmpeg could not make the media\n");
        return 1;
    }

    PlayerCore core;
    QString error;
    if (!core.start(error)) {
        std::fprintf(stderr, "PlayerCore did not start: %s\n", qPrintable(error));
        return 1;
    }
    const MpvApi &api = mpvApi();
    mpv_handle *bare = api.mpv_create();
    setOption(bare, "vo", QStringLiteral("null"));
    setOption(bare, "ao", QStringLiteral("null"));
    setOption(bare, "idle", QStringLiteral("yes"));
    setOption(bare, "config", QStringLiteral("no"));
    if (!bare || api.mpv_initialize(bare) < 0) {
        std::fprintf(stderr, "bare client did not start\n");
        return 1;
    }
    api.mpv_observe_property(bare, 0, "time-pos", MPV_FORMAT_DOUBLE);
    drain(bare);

    std::printf("engine %s, %d rounds per case, medians in ms\n",
                qPrintable(getPropertyString(core.handle(), "mpv-version")), rounds);
    std::printf("%-6s %-12s %10s %10s\n", "media", "client", "loaded", "first-pos");
    for (const QString &path : {audio, video}) {
        const char *kind = path == audio ? "mp3" : "mp4";
        // One unmeasured round each warms the caches and the decoders.
        timePlayerCore(core, path);
        timeBareClient(bare, path);
        std::vector<double> coreLoaded, corePos, bareLoaded, barePos;
        for (int i = 0; i < rounds; ++i) {
            const Sample c = timePlayerCore(core, path);
            const Sample b = timeBareClient(bare, path);
            if (c.loadedMs >= 0 && c.positionMs >= 0) {
                coreLoaded.push_back(c.loadedMs);
                corePos.push_back(c.positionMs);
            }
            if (b.loadedMs >= 0 && b.positionMs >= 0) {
                bareLoaded.push_back(b.loadedMs);
                barePos.push_back(b.positionMs);
            }
        }
        const double cl = median(coreLoaded), cp = median(corePos);
        const double bl = median(bareLoaded), bp = median(barePos);
        std::printf("%-6s %-12s %10.2f %10.2f   (%zu ok)\n", kind, "PlayerCore", cl, cp,
                    coreLoaded.size());
        std::printf("%-6s %-12s %10.2f %10.2f   (%zu ok)\n", kind, "bare client", bl, bp,
                    bareLoaded.size());
        std::printf("%-6s %-12s %10.2f %10.2f\n", kind, "ratio", bl > 0 ? cl / bl : 0,
                    bp > 0 ? cp / bp : 0);
    }
    api.mpv_terminate_destroy(bare);
    return 0;
}
