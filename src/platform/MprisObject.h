#pragma once

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class MediaControls;
class PlayerCore;

// The object at /org/mpris/MediaPlayer2 that desktop widgets, media keys and
// playerctl talk to: org.mpris.MediaPlayer2 and its Player interface, with
// org.freedesktop.DBus.Properties answered here. Calls arrive on the GUI
// thread (the thread this object lives in).
class MprisObject final : public QDBusVirtualObject
{
public:
    static constexpr const char *Path = "/org/mpris/MediaPlayer2";
    static constexpr const char *RootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char *PlayerInterface = "org.mpris.MediaPlayer2.Player";

    MprisObject(MediaControls *owner, PlayerCore *player, const QDBusConnection &bus);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

    void setPlaybackStatus(const QString &status);
    void setTrack(const QString &title, const QString &artist, const QString &album,
                  const QString &coverPath, bool isVideo);

private:
    bool handleProperties(const QDBusMessage &message);
    bool handleMethod(const QDBusMessage &message);
    bool hasProperty(const QString &interface, const QString &name) const;
    QVariant property(const QString &interface, const QString &name) const;
    QVariantMap allProperties(const QString &interface) const;
    QDBusMessage setProperty(const QDBusMessage &message, const QString &interface,
                             const QString &name, const QVariant &value);
    void sendReply(const QDBusMessage &message, const QDBusMessage &reply);
    void announce(const QString &interface, const QStringList &names);

    void request(void (MediaControls::*signal)());
    QVariantMap metadata() const;
    // Announces the properties that follow the player (Metadata, CanSeek,
    // CanGoNext, CanGoPrevious, LoopStatus, Shuffle) when they differ from
    // what clients last saw.
    void announceDerived();

    // The playback side, answered by the player (neutral values without one).
    void connectPlayer();
    qint64 positionUs() const;
    qint64 lengthUs() const;
    bool canSeek() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    QString loopStatus() const;
    bool shuffle() const;
    QDBusMessage setPlayerMode(const QDBusMessage &message, const QString &name,
                               const QVariant &value);
    double rate() const;
    double volume() const;
    QDBusMessage setPlaybackProperty(const QDBusMessage &message, const QString &name,
                                     const QVariant &value);
    void seek(qint64 offsetUs);
    void setPosition(const QString &trackId, qint64 positionUs);
    // Clients are told of jumps that plain playback does not explain.
    void followPosition(double seconds);

    MediaControls *m_owner;
    PlayerCore *m_player;
    QDBusConnection m_bus;
    QString m_status = QStringLiteral("Stopped");
    QVariantMap m_track; // everything of Metadata except the length
    QString m_trackKey;  // what makes two setTrack calls the same track
    quint64 m_trackSerial = 0;
    QVariantMap m_announced;       // the derived properties as clients last saw them
    double m_followedSeconds = -1; // last position seen, -1 when none
    QElapsedTimer m_followClock;   // time since that position
};

#endif
