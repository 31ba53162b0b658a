#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class PlayerCore;

// Helpers for tests that drive a real engine through PlayerCore.
namespace PlayerTestUtil {

constexpr int EngineWaitMs = 15000;

// Engine options for headless tests that seek while paused. The null audio
// output pretends to have a 0.2 s buffer which, after such a seek, it starts
// and drains anyway, so the position lands up to 0.2 s short of the target;
// a short pretend buffer keeps that within a few milliseconds.
constexpr char PausedSeekEngineOptions[] = "vo=null;ao=null;ao-null-buffer=0.02";

// Points this process at a private home (data, settings and database under
// it), runs the engine headless, selects English and opens the database.
// Returns false, with a warning, when the data folder is not under home.
bool useTestHome(const QString &home, const QString &applicationName);

// Stops playback when anything is loaded and waits until the engine is idle.
bool stopAndWaitIdle(PlayerCore &core);

// A started PlayerCore (null when start failed; the reason is logged).
// Headless tests set ZORVIPLAYER_OPT to "vo=null;ao=null" beforehand.
std::unique_ptr<PlayerCore> startCore();

// playFiles and wait until the item at expectPos is loaded with a duration.
bool playAndWait(PlayerCore &core, const QStringList &paths, int start, int expectPos);

// Pause, seek and wait until the mirror reports the position (within the
// tolerance in seconds).
bool seekPausedTo(PlayerCore &core, double seconds, double tolerance = 0.06);

// The queue's paths in order.
QStringList queuePaths(const PlayerCore &core);

// The engine's own text for a filter list such as "@a:lavfi=[x=1]", which
// it reports as "@a:lavfi=graph=%3%x=1".
QString engineFilterText(const QStringList &filters);

} // namespace PlayerTestUtil
