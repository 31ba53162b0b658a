#pragma once

#include "ui/CardPictureCache.h"

#include <QRect>
#include <QStyledItemDelegate>

// Draws one media card: picture, hover and selection, badge, progress bar,
// title and subtitle, from the roles of ItemRoles.h. List mode draws a row
// with the picture at the left; grid mode a card with the picture on top.
class CardDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Where the parts of a card go inside its item rectangle.
    struct Layout
    {
        QRect card;    // the item rectangle inset by 4
        QRect picture; // picture area
        QRect text;    // title and subtitle area
        bool widePicture = false;
    };

    CardDelegate(bool listMode, bool wide, QObject *parent = nullptr);

    bool listMode() const { return m_listMode; }
    bool wide() const { return m_wide; }
    int cardWidth() const { return m_cardWidth; }
    void setCardWidth(int px) { m_cardWidth = px; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The card's areas for an item rectangle and a kind.
    Layout layout(const QRect &itemRect, const QString &kind) const;
    // The picture as painted in an area of logicalSize at a ratio: the
    // decoration, the cover or thumbnail, or the placeholder.
    QPixmap picture(const QModelIndex &index, QSize logicalSize, bool widePicture,
                    qreal devicePixelRatio) const;
    CardPictureCache &pictureCache() const { return m_cache; }

private:
    // The decoration or the looked-up cover or thumbnail; null when none is
    // there yet.
    QPixmap sourcePicture(const QModelIndex &index, QSize logicalSize) const;
    // The cover art and video thumbnail services; null until a picture is
    // ready, then the view repaints.
    QPixmap lookUpThumbnail(const QString &path, double position, const QString &tag) const;
    QPixmap lookUpCover(const QString &path, int sizePx) const;
    void paintPicture(QPainter *painter, const Layout &layout, const QModelIndex &index,
                      bool hovered, const QFont &itemFont) const;
    void paintBadge(QPainter *painter, const QFont &itemFont, const QRect &picture,
                    const QString &badge) const;
    void paintText(QPainter *painter, const QFont &itemFont, const QRect &textRect,
                   const QModelIndex &index) const;

    bool m_listMode;
    bool m_wide;
    int m_cardWidth = 200;
    mutable CardPictureCache m_cache;
};
