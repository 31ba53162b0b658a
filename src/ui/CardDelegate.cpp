#include "ui/CardDelegate.h"

#include "library/Covers.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"
#include "ui/Theme.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr int Inset = 4;
constexpr int DiscPx = 44;
constexpr int DiscGlyphPx = 22;
constexpr int ThumbWidth = 384;
constexpr double DefaultThumbPosition = -0.15;

QColor hex(const char *name)
{
    return QColor(QLatin1String(name));
}

// One line of text: line breaks and separators become spaces.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return text;
}

QFont withSize(QFont font, qreal points, int weight)
{
    font.setPointSizeF(points);
    font.setWeight(QFont::Weight(weight));
    return font;
}

qreal ratioOf(const QPainter *painter)
{
    const QPaintDevice *device = painter->device();
    const qreal ratio = device ? device->devicePixelRatioF() : 1.0;
    return ratio > 0 ? ratio : 1.0;
}

} // namespace

CardDelegate::CardDelegate(bool listMode, bool wide, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_listMode(listMode)
    , m_wide(wide)
{}

QSize CardDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    if (m_listMode)
        return QSize(400, m_wide ? 84 : 64);
    const int pictureHeight = m_wide ? m_cardWidth * 9 / 16 : m_cardWidth;
    return QSize(m_cardWidth + 16, pictureHeight + 64);
}

CardDelegate::Layout CardDelegate::layout(const QRect &itemRect, const QString &kind) const
{
    Layout out;
    out.card = itemRect.adjusted(Inset, Inset, -Inset, -Inset);
    out.widePicture = kind == QLatin1String("video") || (m_wide && kind != QLatin1String("audio"));
    const QRect &r = out.card;
    if (m_listMode) {
        const int height = qMax(0, r.height() - 10);
        const int width = out.widePicture ? height * 16 / 9 : height;
        out.picture = QRect(r.left() + 6, r.top() + 5, width, height);
        const int textLeft = out.picture.right() + 1 + 14;
        out.text = QRect(textLeft, r.top() + 4, qMax(0, r.right() + 1 - 10 - textLeft),
                         qMax(0, r.height() - 8));
    } else {
        const int width = qMax(0, r.width() - 8);
        const int height = out.widePicture ? qMax(0, (r.width() * 9 - 72) / 16) : width;
        out.picture = QRect(r.left() + 4, r.top() + 4, width, height);
        const int textTop = out.picture.bottom() + 1 + 8;
        out.text = QRect(r.left() + 6, textTop, qMax(0, r.width() - 12),
                         qMax(0, r.bottom() + 1 - textTop));
    }
    return out;
}

QPixmap CardDelegate::sourcePicture(const QModelIndex &index, QSize logicalSize) const
{
    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.canConvert<QPixmap>()) {
        const QPixmap pixmap = decoration.value<QPixmap>();
        if (!pixmap.isNull())
            return pixmap;
    }
    if (decoration.canConvert<QIcon>()) {
        const QIcon icon = decoration.value<QIcon>();
        if (!icon.isNull())
            return icon.pixmap(logicalSize);
    }
    const QString path = index.data(ItemRole::Path).toString();
    const QString kind = index.data(ItemRole::Kind).toString();
    if (path.isEmpty() || kind == QLatin1String("stream"))
        return QPixmap();
    if (kind == QLatin1String("video")) {
        // A missing position is the default frame, not the first one.
        const QVariant position = index.data(ItemRole::ThumbPosition);
        bool numeric = false;
        double seconds = position.isValid() ? position.toDouble(&numeric) : DefaultThumbPosition;
        if (position.isValid() && (!numeric || !qIsFinite(seconds)))
            seconds = DefaultThumbPosition;
        QString tag = index.data(ItemRole::ThumbTag).toString();
        if (tag.isEmpty())
            tag = QStringLiteral("lib");
        return lookUpThumbnail(path, seconds, tag);
    }
    return lookUpCover(path, qMax(logicalSize.width(), logicalSize.height()) * 2);
}

QPixmap CardDelegate::lookUpThumbnail(const QString &path, double position,
                                      const QString &tag) const
{
    return Covers::instance()->videoThumb(path, ThumbWidth, position, tag);
}

QPixmap CardDelegate::lookUpCover(const QString &path, int sizePx) const
{
    return Covers::instance()->cover(path, sizePx);
}

QPixmap CardDelegate::picture(const QModelIndex &index, QSize logicalSize, bool widePicture,
                              qreal devicePixelRatio) const
{
    const QPixmap source = sourcePicture(index, logicalSize);
    QPixmap ready = m_cache.filled(source, logicalSize, devicePixelRatio);
    if (!ready.isNull())
        return ready;
    const bool videoLook =
            widePicture && index.data(ItemRole::Kind).toString() != QLatin1String("audio");
    return m_cache.placeholder(logicalSize, videoLook, devicePixelRatio);
}

void CardDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    if (!index.isValid() || option.rect.isEmpty())
        return;
    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    const Layout parts = layout(option.rect, index.data(ItemRole::Kind).toString());

    if (selected || hovered) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(hex(selected ? ThemeColor::Selection : ThemeColor::Raised));
        painter->drawRoundedRect(parts.card, 12, 12);
    }
    paintPicture(painter, parts, index, hovered, option.font);
    paintText(painter, option.font, parts.text, index);
    painter->restore();
}

void CardDelegate::paintPicture(QPainter *painter, const Layout &parts, const QModelIndex &index,
                                bool hovered, const QFont &itemFont) const
{
    const QRect &area = parts.picture;
    if (area.isEmpty())
        return;
    const qreal radius = m_listMode ? 6 : 10;
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(area), radius, radius);

    painter->save();
    painter->setClipPath(rounded, Qt::IntersectClip);
    painter->fillRect(area, hex(ThemeColor::Raised));
    const QPixmap pixmap = picture(index, area.size(), parts.widePicture, ratioOf(painter));
    if (!pixmap.isNull())
        painter->drawPixmap(QRectF(area), pixmap, QRectF(pixmap.rect()));

    // Progress: absent or negative means no bar; anything above 1 fills it.
    const QVariant progressValue = index.data(ItemRole::Progress);
    bool numeric = false;
    const double progress = progressValue.isValid() ? progressValue.toDouble(&numeric) : -1.0;
    if (numeric && progress >= 0) {
        const QRectF bar(area.left(), area.bottom() + 1 - 4, area.width(), 4);
        painter->fillRect(bar, QColor(255, 255, 255, 60));
        const qreal fraction = qBound(0.0, progress, 1.0);
        if (fraction > 0) {
            const QRectF filled(bar.left(), bar.top(), bar.width() * fraction, bar.height());
            QLinearGradient gradient(filled.topLeft(), filled.topRight());
            gradient.setColorAt(0, hex(ThemeColor::Accent));
            gradient.setColorAt(1, hex(ThemeColor::Accent2));
            painter->fillRect(filled, gradient);
        }
    }
    painter->restore();

    if (!m_listMode && hovered) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(7, 17, 31, 90));
        painter->drawRoundedRect(QRectF(area), 10, 10);
        const QRectF disc(QRectF(area).center() - QPointF(DiscPx / 2.0, DiscPx / 2.0),
                          QSizeF(DiscPx, DiscPx));
        QLinearGradient gradient(disc.topLeft(), disc.bottomRight());
        gradient.setColorAt(0, hex(ThemeColor::Accent));
        gradient.setColorAt(1, hex(ThemeColor::Accent2));
        painter->setBrush(gradient);
        painter->drawEllipse(disc);
        const QPixmap glyph = renderIcon(QStringLiteral("play"), DiscGlyphPx,
                                         hex(ThemeColor::Window), ratioOf(painter));
        if (!glyph.isNull()) {
            const QRectF glyphRect(disc.center() - QPointF(DiscGlyphPx / 2.0, DiscGlyphPx / 2.0),
                                   QSizeF(DiscGlyphPx, DiscGlyphPx));
            painter->drawPixmap(glyphRect, glyph, QRectF(glyph.rect()));
        }
    }

    const QString badge = oneLine(index.data(ItemRole::Badge).toString());
    if (!badge.isEmpty())
        paintBadge(painter, itemFont, area, badge);
}

void CardDelegate::paintBadge(QPainter *painter, const QFont &itemFont, const QRect &area,
                              const QString &badge) const
{
    const QFont font = withSize(itemFont, 8, 700);
    const QFontMetrics metrics(font);
    // A long badge is elided to what fits inside the picture.
    const int maxText = qMax(0, area.width() - 12 - 10);
    const QString text = metrics.elidedText(badge, Qt::ElideRight, maxText);
    const qreal width = metrics.horizontalAdvance(text) + 10;
    const QRectF box(area.left() + area.width() - 6 - width, area.top() + area.height() - 22, width,
                     17);
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(7, 17, 31, 210));
    painter->drawRoundedRect(box, 5, 5);
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
}

void CardDelegate::paintText(QPainter *painter, const QFont &itemFont, const QRect &textRect,
                             const QModelIndex &index) const
{
    if (textRect.isEmpty())
        return;
    const QFont titleFont = withSize(itemFont, m_listMode ? 10 : 9.5, 600);
    const QFont subtitleFont = withSize(itemFont, m_listMode ? 8.8 : 8.5, QFont::Normal);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const QString title = titleMetrics.elidedText(oneLine(index.data(Qt::DisplayRole).toString()),
                                                  Qt::ElideRight, textRect.width());
    const QString subtitle = subtitleMetrics.elidedText(
            oneLine(index.data(ItemRole::Subtitle).toString()), Qt::ElideRight, textRect.width());
    const int titleHeight = titleMetrics.height();
    const int subtitleHeight = subtitle.isEmpty() ? 0 : subtitleMetrics.height();

    int titleTop = textRect.top();
    int subtitleTop = 0;
    if (m_listMode) {
        const int total = titleHeight + 3 + subtitleHeight;
        titleTop = textRect.top() + (textRect.height() - total) / 2;
        subtitleTop = titleTop + titleHeight + 3;
    } else {
        subtitleTop = titleTop + titleHeight + 2;
    }

    painter->save();
    painter->setClipRect(textRect, Qt::IntersectClip);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->setFont(titleFont);
    painter->setPen(hex(ThemeColor::Text));
    painter->drawText(QRect(textRect.left(), titleTop, textRect.width(), titleHeight), flags,
                      title);
    if (!subtitle.isEmpty()) {
        painter->setFont(subtitleFont);
        painter->setPen(hex(ThemeColor::SecondaryText));
        painter->drawText(QRect(textRect.left(), subtitleTop, textRect.width(), subtitleHeight),
                          flags, subtitle);
    }
    painter->restore();
}
