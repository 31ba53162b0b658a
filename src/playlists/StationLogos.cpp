#include "playlists/StationLogos.h"

#include "playlists/RadioSearch.h"
#include "playlists/ReplyLimits.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtConcurrent>

StationLogos::StationLogos(QNetworkAccessManager *network, const DirectoryConfig &config,
                           QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_config(config)
    , m_logoCache(CacheLimit)
{
    m_decoders.setMaxThreadCount(2);
}

StationLogos::~StationLogos()
{
    m_decoders.waitForDone();
}

bool StationLogos::lookUp(const QString &url, QPixmap *pixmap)
{
    const QPixmap *found = m_logoCache.object(url);
    if (!found)
        return false;
    *pixmap = *found;
    return true;
}

void StationLogos::request(const QString &url)
{
    if (!isFetchableLogoUrl(url) || m_pending.contains(url) || m_logoCache.contains(url))
        return;
    m_pending.insert(url, true);
    m_queue.append(url);
    startDownloads();
}

void StationLogos::dropQueued()
{
    for (const QString &url : std::as_const(m_queue))
        m_pending.remove(url);
    m_queue.clear();
}

void StationLogos::startDownloads()
{
    while (m_downloading.size() < MaxDownloads && !m_queue.isEmpty()) {
        const QString url = m_queue.takeFirst();
        QNetworkRequest request{QUrl(url)};
        request.setTransferTimeout(m_config.logoTimeoutMs);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply *reply = m_network->get(request);
        limitReply(reply, MaxLogoBytes, m_config.logoDeadlineMs);
        m_downloading.insert(url, true);
        connect(reply, &QNetworkReply::finished, this,
                [this, reply, url] { applyLogo(reply, url); });
    }
}

void StationLogos::applyLogo(QNetworkReply *reply, const QString &url)
{
    reply->deleteLater();
    m_downloading.remove(url);
    if (reply->error() != QNetworkReply::NoError) {
        store(url, QImage());
    } else {
        // Decoding even a small file can take long or allocate a lot; the
        // GUI thread only turns the finished image into a pixmap.
        auto *watcher = new QFutureWatcher<QImage>(this);
        connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, url] {
            watcher->deleteLater();
            store(url, watcher->result());
        });
        watcher->setFuture(QtConcurrent::run(&m_decoders, &StationLogos::decodeLogo,
                                             reply->read(MaxLogoBytes)));
    }
    startDownloads();
}

void StationLogos::store(const QString &url, const QImage &image)
{
    m_pending.remove(url);
    const QPixmap pixmap = QPixmap::fromImage(image);
    const qint64 cost = qint64(pixmap.depth()) * pixmap.width() * pixmap.height() / 8192;
    m_logoCache.insert(url, new QPixmap(pixmap), int(qMax<qint64>(1, cost)));
    Q_EMIT logoReady(url, pixmap);
}

QImage StationLogos::decodeLogo(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    // 4096 x 4096 at 32 bits; nothing bigger is decoded, whatever the format.
    reader.setAllocationLimit(64);
    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() > MaxSidePx || declared.height() > MaxSidePx))
        return {};
    const QImage image = reader.read();
    if (image.isNull() || image.width() > MaxSidePx || image.height() > MaxSidePx)
        return {};
    return image.scaled(LogoSidePx, LogoSidePx, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
