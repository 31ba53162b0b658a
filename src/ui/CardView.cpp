#include "ui/CardView.h"

#include "ui/CardDelegate.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QStandardItemModel>

CardView::CardView(bool listMode, bool wide, QWidget *parent)
    : QListView(parent)
    , m_listMode(listMode)
    , m_model(new QStandardItemModel(this))
    , m_delegate(new CardDelegate(listMode, wide, this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(24);
    setFrameShape(QFrame::NoFrame);
    setContextMenuPolicy(Qt::CustomContextMenu);
    viewport()->setAttribute(Qt::WA_Hover);

    if (listMode) {
        setViewMode(QListView::ListMode);
        setUniformItemSizes(true);
    } else {
        setViewMode(QListView::IconMode);
        setResizeMode(QListView::Adjust);
        setMovement(QListView::Static);
        setUniformItemSizes(true);
        setSpacing(0);
        setWrapping(true);
    }
    setShelf(false);

    connect(this, &QAbstractItemView::activated, this, &CardView::activatedPath);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = indexAt(pos);
        if (index.isValid())
            emit menuRequested(index, viewport()->mapToGlobal(pos));
    });
}

void CardView::setShelf(bool on)
{
    m_shelf = on;
    setFlow(on || !m_listMode ? QListView::LeftToRight : QListView::TopToBottom);
    setWrapping(!on && !m_listMode);
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, on ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
    fitCardsToWidth();
}

QSize CardView::sizeHint() const
{
    if (!m_shelf)
        return QListView::sizeHint();
    const int height = m_delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
    return QSize(600, height + 18);
}

int CardView::gridCardWidth(int widthPx)
{
    const int available = widthPx - 4;
    const int columns = qMax(1, available / ColumnPx);
    return qMax(available / columns - 16, MinCardWidth);
}

void CardView::resizeEvent(QResizeEvent *event)
{
    fitCardsToWidth();
    QListView::resizeEvent(event);
}

void CardView::fitCardsToWidth()
{
    if (m_listMode || m_shelf)
        return;
    // Columns come from the width the viewport has with the scroll bar shown,
    // so the bar coming or going never changes the cards' size: otherwise a
    // taller card could call the bar, which narrows the cards, which then fit
    // without it, and the layout would swing between the two.
    int width = viewport()->width();
    const QScrollBar *bar = verticalScrollBar();
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded && !bar->isVisibleTo(this))
        width -= bar->sizeHint().width();
    const int cardWidth = gridCardWidth(width);
    if (cardWidth == m_delegate->cardWidth())
        return;
    m_delegate->setCardWidth(cardWidth);
    // A new size hint: the cached uniform item size and the layout must go.
    emit m_delegate->sizeHintChanged(QModelIndex());
    scheduleDelayedItemsLayout();
}
