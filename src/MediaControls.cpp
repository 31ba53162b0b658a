#include "MediaControls.h"

#include "platform/MediaControlsBackend.h"

#include <QDebug>

MediaControls::MediaControls(QWidget *window, PlayerCore *player, QObject *parent)
    : QObject(parent)
    , m_player(player)
{
    QString reason;
    m_backend = createMediaControlsBackend(this, window, player, &reason);
    if (!m_backend) {
        // The player works without the controls; say so once and carry on.
        if (reason.isEmpty())
            qWarning().noquote() << MediaControlsUnavailableText;
        else
            qWarning().noquote() << QStringLiteral("%1:").arg(MediaControlsUnavailableText)
                                 << reason;
    }
}

MediaControls::~MediaControls() = default;

void MediaControls::setPlaybackState(bool playing, bool active)
{
    if (!m_backend)
        return;
    const auto status = !active   ? MediaControlsBackend::Status::Stopped
                        : playing ? MediaControlsBackend::Status::Playing
                                  : MediaControlsBackend::Status::Paused;
    m_backend->setPlaybackStatus(status);
}

void MediaControls::setTrack(const QString &title, const QString &artist, const QString &album,
                             const QString &coverPath, bool isVideo)
{
    if (!m_backend)
        return;
    m_backend->setTrack(title, artist, album, coverPath, isVideo);
}

void MediaControls::setSupportedMimeTypes(std::function<QStringList()> provider)
{
    m_mimeTypesProvider = std::move(provider);
    m_mimeTypes.reset();
}

QStringList MediaControls::supportedMimeTypes()
{
    if (!m_mimeTypes)
        m_mimeTypes = m_mimeTypesProvider ? m_mimeTypesProvider() : QStringList();
    return *m_mimeTypes;
}
