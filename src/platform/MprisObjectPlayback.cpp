#include "platform/MprisObject.h"

#ifndef Q_OS_WIN
#include "MediaControls.h"
#include "engine/PlayerCore.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include <algorithm>
#include <cmath>

// Position, seeking, volume and rate come straight from the player: widgets
// show a moving position and a volume slider, which the window does not feed.

namespace {

qint64 toMicroseconds(double seconds)
{
    return static_cast<qint64>(std::llround(seconds * 1e6));
}

// How far a position may run ahead of what playback explains before it counts
// as a jump; event delivery is not that late.
constexpr double JumpAheadSeconds = 1.0;
// Playback never moves back; a small margin covers rounding of the engine.
constexpr double JumpBackSeconds = 0.25;

} // namespace

void MprisObject::connectPlayer()
{
    if (!m_player)
        return;
    const QString player = QLatin1String(PlayerInterface);
    QObject::connect(m_player, &PlayerCore::volumeChanged, this,
                     [this, player] { announce(player, {QStringLiteral("Volume")}); });
    QObject::connect(m_player, &PlayerCore::speedChanged, this,
                     [this, player] { announce(player, {QStringLiteral("Rate")}); });
    QObject::connect(m_player, &PlayerCore::durationChanged, this, [this] { announceDerived(); });
    QObject::connect(m_player, &PlayerCore::idleChanged, this, [this] {
        m_followedSeconds = -1;
        announceDerived();
    });
    QObject::connect(m_player, &PlayerCore::fileStarted, this, [this] { m_followedSeconds = -1; });
    QObject::connect(m_player, &PlayerCore::positionChanged, this,
                     [this](double seconds) { followPosition(seconds); });
    QObject::connect(m_player, &PlayerCore::queueChanged, this, [this] { announceDerived(); });
    QObject::connect(m_player, &PlayerCore::repeatChanged, this, [this] { announceDerived(); });
    QObject::connect(m_player, &PlayerCore::shuffleChanged, this, [this] { announceDerived(); });
}

qint64 MprisObject::positionUs() const
{
    if (!m_player || m_player->isIdle())
        return 0;
    return toMicroseconds(m_player->position());
}

qint64 MprisObject::lengthUs() const
{
    if (!m_player || m_player->isIdle() || m_player->duration() <= 0)
        return 0;
    return toMicroseconds(m_player->duration());
}

bool MprisObject::canSeek() const
{
    // Live streams report no duration and cannot be positioned.
    return lengthUs() > 0;
}

bool MprisObject::canGoNext() const
{
    // Without a player to ask, the request is passed on to the window.
    if (!m_player)
        return true;
    // Next changes the item only when there is one after it, or the queue
    // starts over.
    if (m_player->queuePos() < 0)
        return false;
    const int count = int(m_player->queue().size());
    return m_player->queuePos() + 1 < count ||
           (m_player->repeat() == PlayerCore::RepeatAll && count > 0);
}

bool MprisObject::canGoPrevious() const
{
    // On the first item Previous starts it over instead.
    return !m_player || m_player->queuePos() > 0;
}

QString MprisObject::loopStatus() const
{
    const PlayerCore::Repeat mode = m_player ? m_player->repeat() : PlayerCore::RepeatOff;
    return mode == PlayerCore::RepeatOne   ? QStringLiteral("Track")
           : mode == PlayerCore::RepeatAll ? QStringLiteral("Playlist")
                                           : QStringLiteral("None");
}

bool MprisObject::shuffle() const
{
    return m_player && m_player->shuffle();
}

QDBusMessage MprisObject::setPlayerMode(const QDBusMessage &message, const QString &name,
                                        const QVariant &value)
{
    if (!m_player)
        return message.createErrorReply(QDBusError::NotSupported, name);
    if (name == QLatin1String("Shuffle")) {
        if (value.typeId() != QMetaType::Bool)
            return message.createErrorReply(QDBusError::InvalidArgs,
                                            QStringLiteral("Shuffle: booleano esperado"));
        m_player->setShuffle(value.toBool());
        return message.createReply();
    }
    const QString status = value.toString();
    if (value.typeId() != QMetaType::QString ||
        !QStringList{"None", "Track", "Playlist"}.contains(status))
        return message.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("LoopStatus: None, Track ou Playlist"));
    m_player->setRepeat(status == QLatin1String("Track")      ? PlayerCore::RepeatOne
                        : status == QLatin1String("Playlist") ? PlayerCore::RepeatAll
                                                              : PlayerCore::RepeatOff);
    return message.createReply();
}

double MprisObject::rate() const
{
    return m_player ? m_player->speed() : 1.0;
}

double MprisObject::volume() const
{
    return m_player ? m_player->volume() / 100.0 : 1.0;
}

QDBusMessage MprisObject::setPlaybackProperty(const QDBusMessage &message, const QString &name,
                                              const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return message.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("%1: numero esperado").arg(name));
    if (!m_player)
        return message.createErrorReply(QDBusError::NotSupported, name);
    if (name == QLatin1String("Volume")) {
        // The player clamps to its own range (0 to 200 %).
        m_player->setVolume(number * 100.0);
    } else if (number <= 0) {
        // A rate of zero means pause.
        request(&MediaControls::pauseRequested);
    } else {
        m_player->setSpeed(number);
    }
    return message.createReply();
}

void MprisObject::seek(qint64 offsetUs)
{
    if (!canSeek())
        return;
    const double target = m_player->position() + offsetUs / 1e6;
    if (target > m_player->duration())
        request(&MediaControls::nextRequested); // past the end: on to the next item
    else
        m_player->seekAbsolute(std::max(0.0, target));
}

void MprisObject::setPosition(const QString &trackId, qint64 positionUs)
{
    // A request for another track is stale and ignored, as is one outside it.
    if (!canSeek() || m_track.isEmpty() ||
        trackId != m_track.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path() ||
        positionUs < 0 || positionUs > lengthUs())
        return;
    m_player->seekAbsolute(positionUs / 1e6);
}

void MprisObject::followPosition(double seconds)
{
    if (m_player->isIdle()) {
        m_followedSeconds = -1;
        return;
    }
    if (m_followedSeconds >= 0) {
        const double played =
                m_player->isPaused() ? 0.0 : m_followClock.elapsed() / 1000.0 * m_player->speed();
        if (seconds < m_followedSeconds - JumpBackSeconds ||
            seconds > m_followedSeconds + played + JumpAheadSeconds) {
            QDBusMessage signal = QDBusMessage::createSignal(
                    QLatin1String(Path), QLatin1String(PlayerInterface), QStringLiteral("Seeked"));
            signal << toMicroseconds(seconds);
            m_bus.send(signal);
        }
    }
    m_followedSeconds = seconds;
    m_followClock.restart();
}

#endif
