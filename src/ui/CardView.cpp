#include "ui/CardView.h"

#include "library/Covers.h"
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
    applyShelf(false);

    connect(this, &QAbstractItemView::activated, this, &CardView::activatedPath);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = indexAt(pos);
        if (index.isValid())
            emit menuRequested(index, viewport()->mapToGlobal(pos));
    });
    // Pictures arrive later than the first paint asks for them.
    connect(Covers::instance(), &Covers::ready, viewport(), qOverload<>(&QWidget::update));
}

void CardView::setShelf(bool on)
{
    applyShelf(on);
    fitCardsToWidth();
}

void CardView::applyShelf(bool on)
{
    m_shelf = on;
    setFlow(on || !m_listMode ? QListView::LeftToRight : QListView::TopToBottom);
    setWrapping(!on && !m_listMode);
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, on ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
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
    // the width the list lays its items out in, so the bar coming or going
    // never changes the cards' size: otherwise a taller card could call the
    // bar, which narrows the cards, which then fit without it, and the layout
    // would swing between the two.
    int width = maximumViewportSize().width();
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded)
        width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    const int cardWidth = gridCardWidth(width);
    if (cardWidth == m_delegate->cardWidth())
        return;
    m_delegate->setCardWidth(cardWidth);
    // A new size hint: the cached uniform item size and the layout must go.
    emit m_delegate->sizeHintChanged(QModelIndex());
    scheduleDelayedItemsLayout();
}
