#pragma once

#include <QListView>

class CardDelegate;
class QStandardItemModel;

// Media cards in a wrapping grid, a vertical list or a single horizontal row
// (a shelf), over a model the view owns. Pages fill the model with the roles
// of ItemRoles.h.
class CardView : public QListView
{
    Q_OBJECT

public:
    static constexpr int ColumnPx = 226;
    static constexpr int MinCardWidth = 140;

    CardView(bool listMode, bool wide, QWidget *parent = nullptr);

    QStandardItemModel *model() const { return m_model; }
    CardDelegate *cardDelegate() const { return m_delegate; }
    bool listMode() const { return m_listMode; }
    bool isShelf() const { return m_shelf; }
    void setShelf(bool on);

    QSize sizeHint() const override;

    // Card width of a grid whose viewport is widthPx wide.
    static int gridCardWidth(int widthPx);

signals:
    void activatedPath(const QModelIndex &idx);
    void menuRequested(const QModelIndex &idx, const QPoint &globalPos);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyShelf(bool on);
    void fitCardsToWidth();

    bool m_listMode;
    bool m_shelf = false;
    QStandardItemModel *m_model;
    CardDelegate *m_delegate;
};
