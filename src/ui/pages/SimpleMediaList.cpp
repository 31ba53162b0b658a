#include "ui/pages/SimpleMediaList.h"

#include "ui/Host.h"
#include "ui/Icons.h"

SimpleMediaList::SimpleMediaList(Host *host, bool playWholeList, QWidget *parent)
    : QListWidget(parent)
    , m_host(host)
    , m_playWholeList(playWholeList)
{
    setIconSize(QSize(18, 18));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { play(row(item)); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QListWidgetItem *item = itemAt(pos);
        if (!item)
            return;
        QStringList selected;
        for (QListWidgetItem *chosen : selectedItems())
            selected.append(chosen->data(Qt::UserRole + 1).toString());
        if (!item->isSelected() || selected.isEmpty())
            selected = {item->data(Qt::UserRole + 1).toString()};
        m_host->showMediaMenu(selected, viewport()->mapToGlobal(pos));
    });
}

void SimpleMediaList::setEntries(const QList<Entry> &entries)
{
    clear();
    for (const Entry &entry : entries) {
        QString text = entry.title;
        if (!entry.subtitle.isEmpty())
            text += QStringLiteral("  ·  ") + entry.subtitle;
        auto *item = new QListWidgetItem(icon(entry.iconName), text, this);
        item->setData(Qt::UserRole + 1, entry.path);
        item->setToolTip(entry.path);
    }
}

QStringList SimpleMediaList::paths() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(item(i)->data(Qt::UserRole + 1).toString());
    return list;
}

void SimpleMediaList::play(int row)
{
    if (row < 0)
        return;
    if (m_playWholeList)
        m_host->playPaths(paths(), row);
    else
        m_host->playPath(item(row)->data(Qt::UserRole + 1).toString());
}
