#pragma once

#include <QSortFilterProxyModel>
#include <QString>

class QStandardItemModel;

// The song table's filter and order: one group (artist, album, genre or
// folder) and a free text narrow the rows; "#", Time and Plays sort as
// numbers, the other columns by the locale's collation.
class TrackProxy final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    enum Column {
        TrackColumn,
        TitleColumn,
        ArtistColumn,
        AlbumColumn,
        GenreColumn,
        TimeColumn,
        PlaysColumn,
        ColumnCount
    };

    explicit TrackProxy(QObject *parent = nullptr);

    // kind is "artist", "album", "genre", "folder" or empty for no group.
    void setGroupFilter(const QString &kind, const QString &value);
    void setSearchText(const QString &text);
    QString filterKind() const { return m_kind; }
    QString filterValue() const { return m_value; }
    QString searchText() const { return m_search; }

    // Stores each text cell's place in the collation order on the item, so
    // sorting compares numbers rather than running the collator
    // n log n times. Call after filling the model, before it is shown.
    static void rankTexts(QStandardItemModel *model);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QString m_kind;
    QString m_value;
    QString m_search;
};
