#pragma once

#include <QFont>
#include <QStyledItemDelegate>

class QAbstractItemView;

// Draws the rows of the lyrics list: the text centred and wrapped in the
// row's own colour and font weight. The list's style sheet gives every item
// one colour and would hide the highlighted line, so the text is drawn here.
class LyricsDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Padding around each row's text, in pixels.
    static constexpr int PaddingPx = 6;

    explicit LyricsDelegate(QAbstractItemView *view);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The fonts of an ordinary and of the highlighted row.
    QFont normalFont() const { return m_normal; }
    QFont boldFont() const { return m_bold; }

private:
    QAbstractItemView *m_view;
    QFont m_normal;
    QFont m_bold;
};
