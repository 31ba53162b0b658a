#include "ui/pages/QueueList.h"

#include <QDropEvent>
#include <QKeyEvent>

#include <algorithm>

QueueList::QueueList(QWidget *parent)
    : QListWidget(parent)
{
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

int QueueList::dropTarget(int from, const QPoint &viewPoint) const
{
    const QModelIndex under = indexAt(viewPoint);
    int target = under.isValid() ? under.row() : count();
    if (under.isValid() && under.row() > from)
        ++target;
    if (from < 0 || from >= count() || target == from || target == from + 1)
        return -1;
    return target;
}

bool QueueList::event(QEvent *event)
{
    // Delete belongs to the list while it has the focus, not to a shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QListWidget::event(event);
}

void QueueList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Delete) {
        QListWidget::keyPressEvent(event);
        return;
    }
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (!rows.isEmpty())
        Q_EMIT removeRequested(rows);
    event->accept();
}

// The view refuses a drag over the dragged row itself; taken here, a drop
// there is a gesture that changes nothing rather than one that never ends.
void QueueList::dragEnterEvent(QDragEnterEvent *event)
{
    QListWidget::dragEnterEvent(event);
    if (event->source() == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    }
}

void QueueList::dragMoveEvent(QDragMoveEvent *event)
{
    QListWidget::dragMoveEvent(event);
    if (event->source() == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void QueueList::dropEvent(QDropEvent *event)
{
    // The drop is taken but reported as no move at all: a reported move
    // would make the view delete the dragged rows itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    if (event->source() != this)
        return;
    const int from = currentRow();
    if (from < 0)
        return;
    const int target = dropTarget(from, event->position().toPoint());
    if (target >= 0)
        Q_EMIT moveRequested(from, target);
}
