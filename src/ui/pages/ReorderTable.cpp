#include "ui/pages/ReorderTable.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

ReorderTable::ReorderTable(QWidget *parent)
    : QTableWidget(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(36);
    setAlternatingRowColors(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(false);
    setReorderEnabled(false);
}

void ReorderTable::setRowsMovedHook(std::function<void()> hook)
{
    m_rowsMoved = std::move(hook);
}

void ReorderTable::setDeleteKeyHook(std::function<void()> hook)
{
    m_deleteKey = std::move(hook);
}

void ReorderTable::setReorderEnabled(bool on)
{
    setDragEnabled(on);
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

QList<int> ReorderTable::selectedRowNumbers() const
{
    QList<int> rows;
    const QModelIndexList selected = selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool ReorderTable::moveRows(const QList<int> &rows, int dropRow)
{
    if (rows.isEmpty() || rows.contains(dropRow))
        return false;
    const int columns = columnCount();
    QList<QList<QTableWidgetItem *>> taken;
    int above = 0;
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        QList<QTableWidgetItem *> items;
        for (int column = 0; column < columns; ++column)
            items.append(takeItem(*row, column));
        taken.prepend(items);
        removeRow(*row);
        if (*row < dropRow)
            ++above;
    }
    const int target = dropRow - above;
    clearSelection();
    for (int i = 0; i < taken.size(); ++i) {
        insertRow(target + i);
        for (int column = 0; column < columns; ++column)
            setItem(target + i, column, taken.at(i).at(column));
    }
    const QItemSelection moved(model()->index(target, 0),
                               model()->index(target + int(taken.size()) - 1, columns - 1));
    selectionModel()->select(moved, QItemSelectionModel::ClearAndSelect);
    setCurrentItem(item(target, 0), QItemSelectionModel::NoUpdate);
    return true;
}

void ReorderTable::dropEvent(QDropEvent *event)
{
    if (event->source() != this || !dragEnabled()) {
        event->ignore();
        return;
    }
    int dropRow = rowAt(event->position().toPoint().y());
    if (dropRow < 0)
        dropRow = rowCount();
    const bool moved = moveRows(selectedRowNumbers(), dropRow);
    // The rows are already where they belong. A drop that reports a move
    // makes the view remove the dragged rows once more, and a move is the
    // only action an internal drag allows: report none.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (moved && m_rowsMoved)
        m_rowsMoved();
}

void ReorderTable::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && m_deleteKey) {
        m_deleteKey();
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}
