#include "ui/pages/TrackProxy.h"

#include "ui/ItemRoles.h"

#include <QCollator>
#include <QFileInfo>
#include <QStandardItemModel>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Where rankTexts leaves a cell's place in the collation order.
constexpr int RankRole = Qt::UserRole + 51;

bool isNumeric(int column)
{
    return column == TrackProxy::TrackColumn || column == TrackProxy::TimeColumn ||
           column == TrackProxy::PlaysColumn;
}

} // namespace

TrackProxy::TrackProxy(QObject *parent)
    : QSortFilterProxyModel(parent)
{}

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

void TrackProxy::rankTexts(QStandardItemModel *model)
{
    QCollator collator;
    const int rows = model->rowCount();
    std::vector<QCollatorSortKey> keys;
    std::vector<int> order(static_cast<size_t>(rows));
    for (int column = 0; column < ColumnCount; ++column) {
        if (isNumeric(column))
            continue;
        keys.clear();
        keys.reserve(size_t(rows));
        for (int row = 0; row < rows; ++row) {
            const QStandardItem *item = model->item(row, column);
            keys.push_back(collator.sortKey(item ? item->text() : QString()));
        }
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
        int rank = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            if (i > 0 && keys[size_t(order[i - 1])].compare(keys[size_t(order[i])]) != 0)
                ++rank;
            if (QStandardItem *item = model->item(order[i], column))
                item->setData(rank, RankRole);
        }
    }
}

bool TrackProxy::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *model = sourceModel();
    const auto text = [&](int column) {
        return model->index(sourceRow, column, sourceParent).data().toString();
    };
    if (!m_kind.isEmpty()) {
        QString group;
        Qt::CaseSensitivity sensitivity = Qt::CaseSensitive;
        if (m_kind == QLatin1String("artist")) {
            group = text(ArtistColumn);
        } else if (m_kind == QLatin1String("album")) {
            // Album cards merge names that differ only in case; the filter a
            // card applies must find all of their songs.
            group = text(AlbumColumn);
            sensitivity = Qt::CaseInsensitive;
        } else if (m_kind == QLatin1String("genre")) {
            group = text(GenreColumn);
        } else if (m_kind == QLatin1String("folder")) {
            const QString path = model->index(sourceRow, TrackColumn, sourceParent)
                                         .data(ItemRole::Path)
                                         .toString();
            group = QFileInfo(path).absolutePath();
        }
        if (group.compare(m_value, sensitivity) != 0)
            return false;
    }
    if (m_search.isEmpty())
        return true;
    for (int column : {TitleColumn, ArtistColumn, AlbumColumn, GenreColumn}) {
        if (text(column).contains(m_search, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool TrackProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const int column = left.column();
    const QAbstractItemModel *model = left.model();
    const auto rank = [model](const QModelIndex &index, int col) {
        return model->index(index.row(), col, index.parent()).data(RankRole).toInt();
    };
    if (isNumeric(column)) {
        const double a = left.data(ItemRole::SortValue).toDouble();
        const double b = right.data(ItemRole::SortValue).toDouble();
        if (a != b)
            return a < b;
    } else {
        const int a = rank(left, column);
        const int b = rank(right, column);
        if (a != b)
            return a < b;
    }
    // Equal keys keep one order across rebuilds: by title, then path.
    const int a = rank(left, TitleColumn);
    const int b = rank(right, TitleColumn);
    if (a != b)
        return a < b;
    const auto path = [model](const QModelIndex &index) {
        return model->index(index.row(), TrackColumn, index.parent())
                .data(ItemRole::Path)
                .toString();
    };
    return path(left) < path(right);
}
