#include "ui/pages/LyricsDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

namespace {

constexpr int TextFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr QRgb NormalColor = 0x8796ab;

} // namespace

LyricsDelegate::LyricsDelegate(QAbstractItemView *view)
    : QStyledItemDelegate(view)
    , m_view(view)
    , m_normal(view->font())
{
    m_normal.setPointSizeF(13);
    m_normal.setWeight(QFont::Normal);
    m_bold = m_normal;
    m_bold.setWeight(QFont::Bold);
}

void LyricsDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    const QString text = panel.text;
    panel.text.clear();
    panel.state &= ~QStyle::State_HasFocus;
    const QStyle *style = panel.widget ? panel.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, panel.widget);

    const QVariant font = index.data(Qt::FontRole);
    const QVariant color = index.data(Qt::ForegroundRole);
    painter->save();
    painter->setFont(font.isValid() ? font.value<QFont>() : m_normal);
    painter->setPen(color.isValid() ? color.value<QBrush>().color() : QColor(NormalColor));
    painter->drawText(option.rect.adjusted(PaddingPx, PaddingPx, -PaddingPx, -PaddingPx), TextFlags,
                      text);
    painter->restore();
}

QSize LyricsDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    // Measured in the bold font, so lighting a row never changes its height.
    const int width = std::max(1, m_view->viewport()->width() - 2 * PaddingPx);
    const QRect bounds = QFontMetrics(m_bold).boundingRect(QRect(0, 0, width, 1 << 20), TextFlags,
                                                           index.data(Qt::DisplayRole).toString());
    return {width + 2 * PaddingPx, bounds.height() + 2 * PaddingPx};
}
