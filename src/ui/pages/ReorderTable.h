#pragma once

#include <QTableWidget>

#include <functional>

// A table whose rows the user reorders by dragging them inside it. Rows are
// moved here, not by the toolkit: the selected rows go, in their order, before
// the row under the drop point (less the moved rows above it), or to the end
// below the last row. Two hooks tell the owner about a move and about the
// Delete key.
class ReorderTable : public QTableWidget
{
    Q_OBJECT

public:
    explicit ReorderTable(QWidget *parent = nullptr);

    // Called after rows were moved by dragging.
    void setRowsMovedHook(std::function<void()> hook);
    // Called for the Delete key instead of the table's own handling.
    void setDeleteKeyHook(std::function<void()> hook);
    void setReorderEnabled(bool on);

    // The selected rows in ascending order, each once.
    QList<int> selectedRowNumbers() const;
    // Moves the given rows before row dropRow, as a drop there would; false
    // when nothing moves (a drop onto one of them).
    bool moveRows(const QList<int> &rows, int dropRow);

protected:
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<void()> m_rowsMoved;
    std::function<void()> m_deleteKey;
};
