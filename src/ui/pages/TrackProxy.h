#pragma once

#include <QSortFilterProxyModel>
#include <QString>

#include <array>
#include <vector>

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

    // Takes a filled table as the source. Each row's place in every column's
    // order and its searchable texts are worked out once here, so sorting and
    // typing compare numbers and one string per row instead of running the
    // collator and reading cells n log n times. The table must not change
    // afterwards; a new library gives a new table.
    void setTracks(QStandardItemModel *model);

    // kind is "artist", "album", "genre", "folder" or empty for no group.
    void setGroupFilter(const QString &kind, const QString &value);
    void setSearchText(const QString &text);
    QString filterKind() const { return m_kind; }
    QString filterValue() const { return m_value; }
    QString searchText() const { return m_search; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    struct Row
    {
        QString artist;
        QString album;
        QString genre;
        QString folder;   // absolute directory of the path
        QString haystack; // title, artist, album and genre, one per line
    };

    QString m_kind;
    QString m_value;
    QString m_search;
    std::vector<Row> m_rows;
    std::array<std::vector<int>, ColumnCount> m_ranks;
    // Equal keys fall back to this order: by title, then path.
    std::vector<int> m_tieRanks;
};
