#include "platform/MprisObject.h"

#ifndef Q_OS_WIN
#include "MediaControls.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString NoTrackPath = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

const char IntrospectionXml[] = R"(  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek">
      <arg direction="in" name="Offset" type="x"/>
    </method>
    <method name="SetPosition">
      <arg direction="in" name="TrackId" type="o"/>
      <arg direction="in" name="Position" type="x"/>
    </method>
    <method name="OpenUri">
      <arg direction="in" name="Uri" type="s"/>
    </method>
    <signal name="Seeked">
      <arg name="Position" type="x"/>
    </signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="LoopStatus" type="s" access="readwrite"/>
    <property name="Shuffle" type="b" access="readwrite"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read">
      <annotation name="org.qtproject.QtDBus.QtTypeName" value="QVariantMap"/>
    </property>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
  </interface>
)";

const QStringList RootProperties{"CanQuit",           "CanRaise",     "HasTrackList",
                                 "Identity",          "DesktopEntry", "SupportedUriSchemes",
                                 "SupportedMimeTypes"};
const QStringList PlayerProperties{"PlaybackStatus", "LoopStatus", "Shuffle",       "Rate",
                                   "Metadata",       "Volume",     "Position",      "MinimumRate",
                                   "MaximumRate",    "CanGoNext",  "CanGoPrevious", "CanPlay",
                                   "CanPause",       "CanSeek",    "CanControl"};
const QStringList DerivedProperties{"Metadata",      "CanSeek",    "CanGoNext",
                                    "CanGoPrevious", "LoopStatus", "Shuffle"};
const QStringList RootMethods{"Raise", "Quit"};
const QStringList PlayerMethods{"Next", "Previous", "Pause",       "PlayPause", "Stop",
                                "Play", "Seek",     "SetPosition", "OpenUri"};

// Everything the player opens: local files and the network protocols the
// engine reads.
QStringList supportedUriSchemes()
{
    return {"file", "http", "https", "ftp", "rtmp", "rtsp", "rtp", "mms", "udp"};
}

QString trackPath(quint64 serial)
{
    return QStringLiteral("/org/zorviplayer/track/%1").arg(serial);
}

} // namespace

MprisObject::MprisObject(MediaControls *owner, PlayerCore *player, const QDBusConnection &bus)
    : m_owner(owner)
    , m_player(player)
    , m_bus(bus)
{
    connectPlayer();
    for (const QString &name : DerivedProperties)
        m_announced.insert(name, property(QLatin1String(PlayerInterface), name));
}

QString MprisObject::introspect(const QString &) const
{
    return QString::fromLatin1(IntrospectionXml);
}

bool MprisObject::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString interface = message.interface();
    if (interface == PropertiesInterface)
        return handleProperties(message);
    // Introspection and Peer are answered by the bus library itself.
    if (interface.startsWith(QLatin1String("org.freedesktop.DBus.")))
        return false;
    return handleMethod(message);
}

void MprisObject::sendReply(const QDBusMessage &message, const QDBusMessage &reply)
{
    if (message.isReplyRequired())
        m_bus.send(reply);
}

bool MprisObject::handleProperties(const QDBusMessage &message)
{
    const QString member = message.member();
    const QList<QVariant> args = message.arguments();
    const QString interface = args.value(0).toString();
    const bool known = interface == QLatin1String(RootInterface) ||
                       interface == QLatin1String(PlayerInterface);

    if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
        // Generic browsers ask every interface they see, the standard ones too.
        if (!known && !interface.startsWith(QLatin1String("org.freedesktop.DBus."))) {
            sendReply(message, message.createErrorReply(QDBusError::UnknownInterface, interface));
            return true;
        }
        sendReply(message, message.createReply(QVariant(allProperties(interface))));
        return true;
    }
    if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
        const QString name = args.value(1).toString();
        if (!known) {
            sendReply(message, message.createErrorReply(QDBusError::UnknownInterface, interface));
        } else if (!hasProperty(interface, name)) {
            sendReply(message, message.createErrorReply(QDBusError::UnknownProperty, name));
        } else {
            sendReply(message, message.createReply(QVariant::fromValue(
                                       QDBusVariant(property(interface, name)))));
        }
        return true;
    }
    if (member == QLatin1String("Set") && message.signature() == QLatin1String("ssv")) {
        const QString name = args.value(1).toString();
        const QVariant value = args.value(2).value<QDBusVariant>().variant();
        if (!known) {
            sendReply(message, message.createErrorReply(QDBusError::UnknownInterface, interface));
            return true;
        }
        sendReply(message, setProperty(message, interface, name, value));
        return true;
    }
    sendReply(message, message.createErrorReply(
                               QDBusError::UnknownMethod,
                               QStringLiteral("%1.%2 (%3)")
                                       .arg(PropertiesInterface, member, message.signature())));
    return true;
}

bool MprisObject::hasProperty(const QString &interface, const QString &name) const
{
    if (interface == QLatin1String(RootInterface))
        return RootProperties.contains(name);
    if (interface == QLatin1String(PlayerInterface))
        return PlayerProperties.contains(name);
    return false;
}

QVariantMap MprisObject::allProperties(const QString &interface) const
{
    QVariantMap map;
    const QStringList &names = interface == QLatin1String(RootInterface)     ? RootProperties
                               : interface == QLatin1String(PlayerInterface) ? PlayerProperties
                                                                             : QStringList();
    for (const QString &name : names)
        map.insert(name, property(interface, name));
    return map;
}

QVariant MprisObject::property(const QString &interface, const QString &name) const
{
    if (interface == QLatin1String(RootInterface)) {
        if (name == QLatin1String("CanQuit") || name == QLatin1String("CanRaise"))
            return true;
        if (name == QLatin1String("HasTrackList"))
            return false;
        if (name == QLatin1String("Identity"))
            return QStringLiteral("Zorvi Player");
        if (name == QLatin1String("DesktopEntry"))
            return QStringLiteral("zorvi-player");
        if (name == QLatin1String("SupportedUriSchemes"))
            return supportedUriSchemes();
        if (name == QLatin1String("SupportedMimeTypes"))
            return m_owner->supportedMimeTypes();
        return {};
    }
    if (name == QLatin1String("PlaybackStatus"))
        return m_status;
    if (name == QLatin1String("Metadata"))
        return metadata();
    if (name == QLatin1String("Position"))
        return positionUs();
    if (name == QLatin1String("Rate"))
        return rate();
    if (name == QLatin1String("Volume"))
        return volume();
    if (name == QLatin1String("MinimumRate"))
        return 0.1;
    if (name == QLatin1String("MaximumRate"))
        return 8.0;
    if (name == QLatin1String("CanSeek"))
        return canSeek();
    if (name == QLatin1String("CanGoNext"))
        return canGoNext();
    if (name == QLatin1String("CanGoPrevious"))
        return canGoPrevious();
    if (name == QLatin1String("LoopStatus"))
        return loopStatus();
    if (name == QLatin1String("Shuffle"))
        return shuffle();
    if (PlayerProperties.contains(name)) // CanPlay, CanPause, CanControl
        return true;
    return {};
}

QDBusMessage MprisObject::setProperty(const QDBusMessage &message, const QString &interface,
                                      const QString &name, const QVariant &value)
{
    if (!hasProperty(interface, name))
        return message.createErrorReply(QDBusError::UnknownProperty, name);
    if (interface == QLatin1String(PlayerInterface) &&
        (name == QLatin1String("Volume") || name == QLatin1String("Rate")))
        return setPlaybackProperty(message, name, value);
    if (interface == QLatin1String(PlayerInterface) &&
        (name == QLatin1String("LoopStatus") || name == QLatin1String("Shuffle")))
        return setPlayerMode(message, name, value);
    return message.createErrorReply(QDBusError::PropertyReadOnly, name);
}

void MprisObject::request(void (MediaControls::*signal)())
{
    // The window reacts from the event loop, after the reply went out: Quit
    // may well destroy this object.
    MediaControls *owner = m_owner;
    QMetaObject::invokeMethod(
            owner, [owner, signal] { (owner->*signal)(); }, Qt::QueuedConnection);
}

bool MprisObject::handleMethod(const QDBusMessage &message)
{
    const QString interface = message.interface();
    const QString member = message.member();
    const bool root = interface == QLatin1String(RootInterface) ||
                      (interface.isEmpty() && RootMethods.contains(member));
    const bool player = interface == QLatin1String(PlayerInterface) ||
                        (interface.isEmpty() && PlayerMethods.contains(member));
    const QString signature = message.signature();
    const QList<QVariant> args = message.arguments();
    auto answer = [&](void (MediaControls::*signal)()) {
        sendReply(message, message.createReply());
        request(signal);
        return true;
    };

    if (root && signature.isEmpty()) {
        if (member == QLatin1String("Raise"))
            return answer(&MediaControls::raiseRequested);
        if (member == QLatin1String("Quit"))
            return answer(&MediaControls::quitRequested);
    }
    if (player && signature.isEmpty()) {
        if (member == QLatin1String("Play"))
            return answer(&MediaControls::playRequested);
        if (member == QLatin1String("Pause"))
            return answer(&MediaControls::pauseRequested);
        if (member == QLatin1String("PlayPause"))
            return answer(&MediaControls::playPauseRequested);
        if (member == QLatin1String("Stop"))
            return answer(&MediaControls::stopRequested);
        if (member == QLatin1String("Next"))
            return answer(&MediaControls::nextRequested);
        if (member == QLatin1String("Previous"))
            return answer(&MediaControls::previousRequested);
    }
    if (player && member == QLatin1String("Seek") && signature == QLatin1String("x")) {
        sendReply(message, message.createReply());
        seek(args.value(0).toLongLong());
        return true;
    }
    if (player && member == QLatin1String("SetPosition") && signature == QLatin1String("ox")) {
        sendReply(message, message.createReply());
        setPosition(args.value(0).value<QDBusObjectPath>().path(), args.value(1).toLongLong());
        return true;
    }
    if (player && member == QLatin1String("OpenUri") && signature == QLatin1String("s")) {
        sendReply(message,
                  message.createErrorReply(QDBusError::NotSupported, QStringLiteral("OpenUri")));
        return true;
    }
    if (root || player) {
        const bool known = RootMethods.contains(member) || PlayerMethods.contains(member);
        sendReply(message, message.createErrorReply(
                                   known ? QDBusError::InvalidArgs : QDBusError::UnknownMethod,
                                   QStringLiteral("%1 (%2)").arg(member, signature)));
        return true;
    }
    sendReply(message, message.createErrorReply(QDBusError::UnknownInterface, interface));
    return true;
}

void MprisObject::announce(const QString &interface, const QStringList &names)
{
    QVariantMap changed;
    for (const QString &name : names)
        changed.insert(name, property(interface, name));
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(Path), PropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_bus.send(signal);
}

void MprisObject::setPlaybackStatus(const QString &status)
{
    if (status == m_status)
        return;
    m_status = status;
    announce(QLatin1String(PlayerInterface), {QStringLiteral("PlaybackStatus")});
}

void MprisObject::setTrack(const QString &title, const QString &artist, const QString &album,
                           const QString &coverPath, bool isVideo)
{
    // A new id only for a new item, so that a refresh of the same item (tags
    // read later, a stream title) keeps clients' SetPosition calls valid.
    const QString path = m_player ? m_player->currentPath() : QString();
    const QString key =
            !path.isEmpty() ? path : QStringList{title, artist, album}.join(QChar(0x1f));
    if (key != m_trackKey || m_trackSerial == 0) {
        m_trackKey = key;
        ++m_trackSerial;
    }

    m_track.clear();
    m_track.insert(QStringLiteral("mpris:trackid"),
                   QVariant::fromValue(QDBusObjectPath(trackPath(m_trackSerial))));
    m_track.insert(QStringLiteral("xesam:title"), title);
    if (!path.isEmpty())
        m_track.insert(QStringLiteral("xesam:url"),
                       isNetworkSource(path)
                               ? path
                               : QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    if (!artist.isEmpty())
        m_track.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    // A video shows its artist text as subtitle and no album.
    if (!isVideo && !album.isEmpty())
        m_track.insert(QStringLiteral("xesam:album"), album);
    if (!coverPath.isEmpty()) {
        const QFileInfo cover(coverPath);
        if (cover.isFile() && cover.isReadable() && cover.size() > 0)
            m_track.insert(
                    QStringLiteral("mpris:artUrl"),
                    QUrl::fromLocalFile(cover.absoluteFilePath()).toString(QUrl::FullyEncoded));
    }

    announceDerived();
}

void MprisObject::announceDerived()
{
    QStringList changed;
    for (const QString &name : DerivedProperties) {
        const QVariant now = property(QLatin1String(PlayerInterface), name);
        if (now != m_announced.value(name)) {
            m_announced.insert(name, now);
            changed << name;
        }
    }
    if (!changed.isEmpty())
        announce(QLatin1String(PlayerInterface), changed);
}

QVariantMap MprisObject::metadata() const
{
    QVariantMap map = m_track;
    const qint64 length = lengthUs();
    if (!map.isEmpty() && length > 0)
        map.insert(QStringLiteral("mpris:length"), length);
    return map;
}

#endif
