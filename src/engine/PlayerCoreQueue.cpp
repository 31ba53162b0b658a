#include "app/AppSettings.h"
#include "engine/EngineCommands.h"
#include "engine/EngineProperties.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <algorithm>

namespace {

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

void PlayerCore::loadFile(const QString &path, const QString &mode)
{
    if (holdUntilReady([this, path, mode] { loadFile(path, mode); }))
        return;
    const QString normalized = normalizePath(path);
    // Newer engines take an insertion index before the options; the version
    // is read each time because it costs nothing next to loading a file.
    const QStringList args =
            loadFileArguments(normalized, mode, getPropertyString(m_handle, "mpv-version"));
    if (runCommand(m_handle, args) < 0) {
        Q_EMIT errorMessage(uiText(QStringLiteral("Could not add file to queue"),
                                   QStringLiteral("Não foi possível adicionar o arquivo à fila")));
    }
}

void PlayerCore::playFiles(const QStringList &paths, int start)
{
    if (holdUntilReady([this, paths, start] { playFiles(paths, start); }))
        return;
    if (paths.isEmpty())
        return;
    runCommand(m_handle, {QStringLiteral("stop")});
    for (const QString &path : paths)
        loadFile(path, QStringLiteral("append"));
    setPropertyFlag(m_handle, "pause", false);
    setPropertyInt(m_handle, "playlist-pos", std::clamp(start, 0, int(paths.size()) - 1));
    if (m_shuffle && paths.size() > 1)
        runCommand(m_handle, {QStringLiteral("playlist-shuffle")});
}

void PlayerCore::playNext(const QStringList &paths)
{
    if (holdUntilReady([this, paths] { playNext(paths); }))
        return;
    if (m_idle || m_queue.isEmpty()) {
        playFiles(paths, 0);
        return;
    }
    int target = m_queuePos + 1;
    for (const QString &path : paths) {
        loadFile(path, QStringLiteral("append"));
        const qint64 count = getPropertyInt(m_handle, "playlist-count", 1);
        runCommand(m_handle, {QStringLiteral("playlist-move"), QString::number(count - 1),
                              QString::number(target)});
        ++target;
    }
}

void PlayerCore::enqueue(const QStringList &paths)
{
    if (holdUntilReady([this, paths] { enqueue(paths); }))
        return;
    for (const QString &path : paths)
        loadFile(path, QStringLiteral("append-play"));
}

void PlayerCore::playIndex(int index)
{
    if (holdUntilReady([this, index] { playIndex(index); }))
        return;
    setPropertyFlag(m_handle, "pause", false);
    setPropertyInt(m_handle, "playlist-pos", index);
}

void PlayerCore::moveQueueItem(int from, int to)
{
    if (holdUntilReady([this, from, to] { moveQueueItem(from, to); }))
        return;
    runCommand(m_handle,
               {QStringLiteral("playlist-move"), QString::number(from), QString::number(to)});
}

void PlayerCore::removeQueueItem(int index)
{
    if (holdUntilReady([this, index] { removeQueueItem(index); }))
        return;
    runCommand(m_handle, {QStringLiteral("playlist-remove"), QString::number(index)});
}

void PlayerCore::clearQueue()
{
    if (holdUntilReady([this] { clearQueue(); }))
        return;
    runCommand(m_handle, {QStringLiteral("playlist-clear")});
}

void PlayerCore::next()
{
    if (holdUntilReady([this] { next(); }))
        return;
    runCommand(m_handle, {QStringLiteral("playlist-next")});
}

void PlayerCore::previous()
{
    if (holdUntilReady([this] { previous(); }))
        return;
    // Past the first seconds "previous" means "from the top".
    if (m_position > 5.0 || m_queuePos <= 0)
        seekAbsolute(0);
    else
        runCommand(m_handle, {QStringLiteral("playlist-prev")});
}

void PlayerCore::togglePause()
{
    if (holdUntilReady([this] { togglePause(); }))
        return;
    if (m_idle && !m_queue.isEmpty()) {
        setPropertyFlag(m_handle, "pause", false);
        setPropertyInt(m_handle, "playlist-pos", std::max(m_queuePos, 0));
        return;
    }
    // With keep-open the engine holds the last frame at the end; playing
    // again means starting over.
    if (m_paused && getPropertyFlag(m_handle, "eof-reached", false))
        seekAbsolute(0);
    runCommand(m_handle, {QStringLiteral("cycle"), QStringLiteral("pause")});
}

void PlayerCore::setPaused(bool paused)
{
    // Held like the queue calls: a pause asked right after a queue was handed
    // over must come after it, not be undone by it.
    if (holdUntilReady([this, paused] { setPaused(paused); }))
        return;
    setPropertyFlag(m_handle, "pause", paused);
}

void PlayerCore::stop()
{
    if (holdUntilReady([this] { stop(); }))
        return;
    runCommand(m_handle, {QStringLiteral("stop")});
}

void PlayerCore::seekAbsolute(double seconds)
{
    runCommand(m_handle, {QStringLiteral("seek"), fixed(std::max(seconds, 0.0), 3),
                          QStringLiteral("absolute")});
}

void PlayerCore::seekPercent(double percent)
{
    runCommand(m_handle,
               {QStringLiteral("seek"), fixed(percent, 2), QStringLiteral("absolute-percent")});
}

void PlayerCore::seekRelative(double seconds)
{
    runCommand(m_handle,
               {QStringLiteral("seek"), fixed(seconds, 3), QStringLiteral("relative+exact")});
}

void PlayerCore::frameStep(bool backwards)
{
    runCommand(m_handle,
               {backwards ? QStringLiteral("frame-back-step") : QStringLiteral("frame-step")});
}

void PlayerCore::chapterStep(bool forward)
{
    runCommand(m_handle, {QStringLiteral("add"), QStringLiteral("chapter"),
                          forward ? QStringLiteral("1") : QStringLiteral("-1")});
}

void PlayerCore::toggleAbLoop()
{
    if (m_abLoopA < 0) {
        setPropertyDouble(m_handle, "ab-loop-a", m_position);
    } else if (m_abLoopB < 0) {
        setPropertyDouble(m_handle, "ab-loop-b", m_position);
    } else {
        clearAbLoop();
    }
}

void PlayerCore::clearAbLoop()
{
    setPropertyString(m_handle, "ab-loop-a", QStringLiteral("no"));
    setPropertyString(m_handle, "ab-loop-b", QStringLiteral("no"));
}

void PlayerCore::setSpeed(double factor)
{
    setPropertyDouble(m_handle, "speed", std::clamp(factor, 0.1, 8.0));
}

void PlayerCore::setVolume(double percent)
{
    setPropertyDouble(m_handle, EngineProperty::Volume, std::clamp(percent, 0.0, 200.0));
}

void PlayerCore::setMute(bool muted)
{
    setPropertyFlag(m_handle, "mute", muted);
}

void PlayerCore::setRepeat(Repeat mode)
{
    m_repeat = mode;
    setPropertyString(m_handle, "loop-file",
                      mode == RepeatOne ? QStringLiteral("inf") : QStringLiteral("no"));
    setPropertyString(m_handle, "loop-playlist",
                      mode == RepeatAll ? QStringLiteral("inf") : QStringLiteral("no"));
    Q_EMIT repeatChanged();
}

void PlayerCore::setShuffle(bool on)
{
    if (on == m_shuffle)
        return;
    m_shuffle = on;
    if (m_queue.size() > 1) {
        runCommand(m_handle, {on ? QStringLiteral("playlist-shuffle")
                                 : QStringLiteral("playlist-unshuffle")});
    }
    Q_EMIT shuffleChanged();
}
