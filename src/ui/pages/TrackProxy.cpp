#include "ui/pages/TrackProxy.h"

#include "ui/ItemRoles.h"

#include <QCollator>
#include <QFileInfo>
#include <QHash>
#include <QStandardItemModel>

#include <algorithm>
#include <numeric>

namespace {

bool isNumeric(int column)
{
    return column == TrackProxy::TrackColumn || column == TrackProxy::TimeColumn ||
           column == TrackProxy::PlaysColumn;
}

// Ranks rows by a comparison: equal rows share a rank.
template<typename Less>
std::vector<int> ranks(int rows, Less less)
{
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), less);
    std::vector<int> result(order.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && less(order[i - 1], order[i]))
            ++rank;
        result[size_t(order[i])] = rank;
    }
    return result;
}

int rankAt(const std::vector<int> &ranks, int row)
{
    return row >= 0 && size_t(row) < ranks.size() ? ranks[size_t(row)] : 0;
}

} // namespace

TrackProxy::TrackProxy(QObject *parent)
    : QSortFilterProxyModel(parent)
{}

void TrackProxy::setTracks(QStandardItemModel *model)
{
    const int rows = model->rowCount();
    const auto text = [model](int row, int column) {
        const QStandardItem *item = model->item(row, column);
        return item ? item->text() : QString();
    };
    QCollator collator;
    for (int column = 0; column < ColumnCount; ++column) {
        if (isNumeric(column)) {
            std::vector<double> values(static_cast<size_t>(rows));
            for (int row = 0; row < rows; ++row) {
                const QStandardItem *item = model->item(row, column);
                values[size_t(row)] = item ? item->data(ItemRole::SortValue).toDouble() : 0;
            }
            m_ranks[size_t(column)] = ranks(rows, [&values](int a, int b) {
                return values[size_t(a)] < values[size_t(b)];
            });
            continue;
        }
        // Artists, albums and genres repeat: each distinct text is keyed once.
        QHash<QString, int> distinct;
        std::vector<int> textOfRow(static_cast<size_t>(rows));
        std::vector<QCollatorSortKey> keys;
        for (int row = 0; row < rows; ++row) {
            const QString value = text(row, column);
            auto found = distinct.constFind(value);
            if (found == distinct.constEnd()) {
                found = distinct.insert(value, int(keys.size()));
                keys.push_back(collator.sortKey(value));
            }
            textOfRow[size_t(row)] = *found;
        }
        const std::vector<int> textRanks = ranks(int(keys.size()), [&keys](int a, int b) {
            return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
        });
        std::vector<int> &columnRanks = m_ranks[size_t(column)];
        columnRanks.resize(size_t(rows));
        for (int row = 0; row < rows; ++row)
            columnRanks[size_t(row)] = textRanks[size_t(textOfRow[size_t(row)])];
    }

    m_rows.assign(size_t(rows), Row());
    std::vector<QString> paths(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        Row &r = m_rows[size_t(row)];
        const QStandardItem *first = model->item(row, TrackColumn);
        paths[size_t(row)] = first ? first->data(ItemRole::Path).toString() : QString();
        r.artist = text(row, ArtistColumn);
        r.album = text(row, AlbumColumn);
        r.genre = text(row, GenreColumn);
        r.folder = QFileInfo(paths[size_t(row)]).absolutePath();
        // A search text has no line breaks, so it never matches across two fields.
        r.haystack = QStringList{text(row, TitleColumn), r.artist, r.album, r.genre}.join(
                QLatin1Char('\n'));
    }
    const std::vector<int> &titles = m_ranks[TitleColumn];
    m_tieRanks = ranks(rows, [&titles, &paths](int a, int b) {
        if (titles[size_t(a)] != titles[size_t(b)])
            return titles[size_t(a)] < titles[size_t(b)];
        return paths[size_t(a)] < paths[size_t(b)];
    });
    setSourceModel(model);
}

void TrackProxy::setGroupFilter(const QString &kind, const QString &value)
{
    m_kind = kind;
    m_value = value;
    invalidateFilter();
}

void TrackProxy::setSearchText(const QString &text)
{
    if (text == m_search)
        return;
    m_search = text;
    invalidateFilter();
}

bool TrackProxy::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (sourceRow < 0 || size_t(sourceRow) >= m_rows.size())
        return false;
    const Row &row = m_rows[size_t(sourceRow)];
    if (!m_kind.isEmpty()) {
        bool same = false;
        if (m_kind == QLatin1String("artist"))
            same = row.artist == m_value;
        // Album cards merge names that differ only in case; the filter a card
        // applies must find all of their songs.
        else if (m_kind == QLatin1String("album"))
            same = row.album.compare(m_value, Qt::CaseInsensitive) == 0;
        else if (m_kind == QLatin1String("genre"))
            same = row.genre == m_value;
        else if (m_kind == QLatin1String("folder"))
            same = row.folder == m_value;
        else
            same = m_value.isEmpty();
        if (!same)
            return false;
    }
    return m_search.isEmpty() || row.haystack.contains(m_search, Qt::CaseInsensitive);
}

bool TrackProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const std::vector<int> &column = m_ranks[size_t(std::clamp(left.column(), 0, ColumnCount - 1))];
    const int a = rankAt(column, left.row());
    const int b = rankAt(column, right.row());
    if (a != b)
        return a < b;
    return rankAt(m_tieRanks, left.row()) < rankAt(m_tieRanks, right.row());
}
