#pragma once

#include <QList>
#include <QListWidget>

// The queue panel's list. A drag inside it does not move rows itself: it asks
// for the move, and the rows follow the player's queue when it reports the
// change. Delete asks to remove the selected rows.
class QueueList : public QListWidget
{
    Q_OBJECT

public:
    explicit QueueList(QWidget *parent = nullptr);

    // Where a row dropped at viewPoint goes, in the player's move terms (the
    // entry takes the place of the row it lands on; below the last row means
    // the end); -1 when the drop changes nothing.
    int dropTarget(int from, const QPoint &viewPoint) const;

Q_SIGNALS:
    void moveRequested(int from, int to);
    // Rows sorted from the highest to the lowest.
    void removeRequested(const QList<int> &rows);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
