#pragma once

#include <QCache>
#include <QPixmap>
#include <QSize>
#include <QString>

// Pictures ready to paint on a card: a source scaled and centre-cropped to
// fill an area, or the placeholder stretched to it, made at the device
// resolution (round(w x ratio) x round(h x ratio) pixels carrying the ratio)
// and kept in a cache bounded by bytes, so painting never rescales a picture
// or renders the placeholder's SVG glyph again.
class CardPictureCache
{
public:
    static constexpr qint64 DefaultMaxBytes = 16 * 1024 * 1024;

    explicit CardPictureCache(qint64 maxBytes = DefaultMaxBytes);

    // The source filling logicalSize at the ratio; null for a null or empty
    // source.
    QPixmap filled(const QPixmap &source, QSize logicalSize, qreal devicePixelRatio);
    // The cover placeholder (film look for video) stretched to logicalSize.
    QPixmap placeholder(QSize logicalSize, bool videoLook, qreal devicePixelRatio);

    int count() const { return int(m_pictures.count()); }
    void clear() { m_pictures.clear(); }

    // Device size of a logical size at a ratio, rounded, at least 1 x 1.
    static QSize deviceSize(QSize logicalSize, qreal devicePixelRatio);
    // Scales and centre-crops without caching. Only the part of the source
    // that is kept is scaled, so a 1 x 4000 strip never becomes a huge image.
    static QPixmap fillTo(const QPixmap &source, QSize devicePx);

private:
    QPixmap remember(const QString &key, const QPixmap &pixmap);

    QCache<QString, QPixmap> m_pictures;
};
