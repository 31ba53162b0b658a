#pragma once

#include "playlists/DirectoryConfig.h"

#include <QCache>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QStringList>
#include <QThreadPool>

class QNetworkAccessManager;
class QNetworkReply;

// Station logos: downloads over http and https, decoded off the GUI thread,
// kept in a cache bounded by pixel memory. Failures are cached as null
// pixmaps so that a broken logo is not asked for again while it stays cached.
class StationLogos : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxLogoBytes = 2 * 1024 * 1024;
    static constexpr int MaxSidePx = 4096;
    static constexpr int LogoSidePx = 128;
    static constexpr int MaxDownloads = 6;
    static constexpr int CacheLimit = 16384; // kibibytes of pixel data

    StationLogos(QNetworkAccessManager *network, const DirectoryConfig &config,
                 QObject *parent = nullptr);
    ~StationLogos() override;

    // True when url is cached; pixmap then gets it (null for a failed logo).
    bool lookUp(const QString &url, QPixmap *pixmap);
    // Queues a download behind the earlier ones, unless url is cached, queued
    // or under way already. Addresses other than http and https are ignored.
    void request(const QString &url);
    // Forgets the queued downloads; those under way still finish and are cached.
    void dropQueued();

    int downloadsRunning() const { return int(m_downloading.size()); }
    int queuedCount() const { return int(m_queue.size()); }

    // An image of at most 128 x 128, or a null one when the bytes are no
    // image, or one that declares more than 4096 pixels on a side.
    static QImage decodeLogo(const QByteArray &bytes);

Q_SIGNALS:
    // After url was fetched and decoded; pixmap is null when that failed.
    void logoReady(const QString &url, const QPixmap &pixmap);

private:
    void startDownloads();
    void applyLogo(QNetworkReply *reply, const QString &url);
    void store(const QString &url, const QImage &image);

    QNetworkAccessManager *m_network;
    DirectoryConfig m_config;
    QCache<QString, QPixmap> m_logoCache;
    QStringList m_queue;
    QHash<QString, bool> m_pending; // queued, downloading or decoding
    QHash<QString, bool> m_downloading;
    QThreadPool m_decoders;
};
