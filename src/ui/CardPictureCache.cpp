#include "ui/CardPictureCache.h"

#include "ui/Icons.h"

#include <QtMath>

namespace {

QString sizeKey(QSize devicePx, qreal devicePixelRatio)
{
    return QStringLiteral("%1x%2@%3")
            .arg(devicePx.width())
            .arg(devicePx.height())
            .arg(devicePixelRatio, 0, 'g', 6);
}

} // namespace

CardPictureCache::CardPictureCache(qint64 maxBytes)
    : m_pictures(qMax<qint64>(1, maxBytes))
{}

QSize CardPictureCache::deviceSize(QSize logicalSize, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    return QSize(qMax(1, qRound(logicalSize.width() * ratio)),
                 qMax(1, qRound(logicalSize.height() * ratio)));
}

QPixmap CardPictureCache::fillTo(const QPixmap &source, QSize devicePx)
{
    if (source.isNull() || source.width() <= 0 || source.height() <= 0 || devicePx.isEmpty())
        return QPixmap();
    // The largest centred part of the source with the target's shape.
    const qreal targetAspect = qreal(devicePx.width()) / devicePx.height();
    qreal cropW = source.width();
    qreal cropH = cropW / targetAspect;
    if (cropH > source.height()) {
        cropH = source.height();
        cropW = cropH * targetAspect;
    }
    const int w = qBound(1, qRound(cropW), source.width());
    const int h = qBound(1, qRound(cropH), source.height());
    const QRect crop((source.width() - w) / 2, (source.height() - h) / 2, w, h);
    QPixmap part = source.copy(crop);
    part.setDevicePixelRatio(1.0);
    return part.scaled(devicePx, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QPixmap CardPictureCache::filled(const QPixmap &source, QSize logicalSize, qreal devicePixelRatio)
{
    if (source.isNull() || logicalSize.isEmpty())
        return QPixmap();
    const QSize device = deviceSize(logicalSize, devicePixelRatio);
    const QString key =
            QStringLiteral("p%1:").arg(source.cacheKey()) + sizeKey(device, devicePixelRatio);
    if (const QPixmap *hit = m_pictures.object(key))
        return *hit;
    QPixmap pixmap = fillTo(source, device);
    if (pixmap.isNull())
        return pixmap;
    pixmap.setDevicePixelRatio(devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    return remember(key, pixmap);
}

QPixmap CardPictureCache::placeholder(QSize logicalSize, bool videoLook, qreal devicePixelRatio)
{
    if (logicalSize.isEmpty())
        return QPixmap();
    const QSize device = deviceSize(logicalSize, devicePixelRatio);
    const QString key = (videoLook ? QStringLiteral("v:") : QStringLiteral("a:")) +
                        sizeKey(device, devicePixelRatio);
    if (const QPixmap *hit = m_pictures.object(key))
        return *hit;
    // The placeholder is drawn for the width and then stretched to the exact
    // area, as covers of other shapes are.
    QPixmap pixmap = placeholderCover(device.width(), videoLook);
    if (pixmap.size() != device)
        pixmap = pixmap.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    return remember(key, pixmap);
}

QPixmap CardPictureCache::remember(const QString &key, const QPixmap &pixmap)
{
    const qint64 bytes = qint64(pixmap.width()) * pixmap.height() * 4;
    // Larger than the whole cache: handed out without being kept.
    if (bytes <= m_pictures.maxCost())
        m_pictures.insert(key, new QPixmap(pixmap), bytes);
    return pixmap;
}
