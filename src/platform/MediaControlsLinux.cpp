#include "platform/MediaControlsBackend.h"

#ifndef Q_OS_WIN
#include "platform/MprisObject.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDebug>

const char *const MediaControlsUnavailableText = "painel de midia indisponivel";

namespace {

const QString BaseBusName = QStringLiteral("org.mpris.MediaPlayer2.zorviplayer");

// An MPRIS 2 player on the session bus.
class MediaControlsLinux final : public MediaControlsBackend
{
public:
    MediaControlsLinux(QDBusConnection bus, std::unique_ptr<MprisObject> object,
                       const QString &busName)
        : m_bus(std::move(bus))
        , m_object(std::move(object))
        , m_busName(busName)
    {}

    ~MediaControlsLinux() override
    {
        m_bus.unregisterService(m_busName);
        m_bus.unregisterObject(QLatin1String(MprisObject::Path));
    }

    void setPlaybackStatus(Status status) override
    {
        m_object->setPlaybackStatus(status == Status::Playing  ? QStringLiteral("Playing")
                                    : status == Status::Paused ? QStringLiteral("Paused")
                                                               : QStringLiteral("Stopped"));
    }

    void setTrack(const QString &title, const QString &artist, const QString &album,
                  const QString &coverPath, bool isVideo) override
    {
        m_object->setTrack(title, artist, album, coverPath, isVideo);
    }

private:
    QDBusConnection m_bus;
    std::unique_ptr<MprisObject> m_object;
    QString m_busName;
};

// Claims the well-known name, or the per-process one when another player
// already holds it. Empty on failure, with the reason in reason.
QString claimBusName(QDBusConnection &bus, QString *reason)
{
    QDBusConnectionInterface *daemon = bus.interface();
    if (!daemon) {
        *reason = QStringLiteral("barramento sem servico de nomes");
        return {};
    }
    const QStringList candidates{
            BaseBusName,
            BaseBusName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())};
    for (const QString &name : candidates) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
                daemon->registerService(name, QDBusConnectionInterface::DontQueueService,
                                        QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
            return name;
        *reason = reply.isValid() ? QStringLiteral("nome %1 ocupado").arg(name)
                                  : reply.error().message();
    }
    return {};
}

} // namespace

std::unique_ptr<MediaControlsBackend>
createMediaControlsBackend(MediaControls *owner, QWidget *, PlayerCore *player, QString *reason)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *reason = bus.lastError().message();
        if (reason->isEmpty())
            *reason = QStringLiteral("sem barramento de sessao");
        return nullptr;
    }
    auto object = std::make_unique<MprisObject>(owner, player, bus);
    if (!bus.registerVirtualObject(QLatin1String(MprisObject::Path), object.get())) {
        *reason = QStringLiteral("objeto %1 ja registrado").arg(MprisObject::Path);
        return nullptr;
    }
    const QString busName = claimBusName(bus, reason);
    if (busName.isEmpty()) {
        bus.unregisterObject(QLatin1String(MprisObject::Path));
        return nullptr;
    }
    qInfo().noquote() << "painel de midia no barramento:" << busName;
    return std::make_unique<MediaControlsLinux>(bus, std::move(object), busName);
}

#endif
