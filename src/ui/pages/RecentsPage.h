#pragma once

#include "library/Records.h"

#include <QHash>
#include <QSet>
#include <QWidget>

class CardView;
class Database;
class ExistenceCheck;
class Host;
struct PageContext;
class QDateTime;
class QStackedWidget;
class QStandardItem;
class QStandardItemModel;
class QTabBar;

// The playback history, one tab per media kind, newest first, with where the
// user stopped.
class RecentsPage : public QWidget
{
    Q_OBJECT

public:
    // At most this many entries of a tab are shown.
    static constexpr int MaxEntries = 300;

    explicit RecentsPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();
    // "video", "audio" or "stream".
    QString currentKind() const;

    QTabBar *tabs() const { return m_tabs; }
    QStandardItemModel *model() const { return m_model; }
    CardView *cards() const { return m_cards; }

private:
    QStandardItem *makeCard(const HistoryEntry &entry, const QString &kind, const QDateTime &now,
                            const QHash<QString, MediaRecord> &library);
    void markMissing(const QSet<QString> &missing);
    void showMenu(const QModelIndex &index, const QPoint &globalPos);
    void askClear();

    Host *m_host;
    Database *m_database;
    QTabBar *m_tabs = nullptr;
    QStackedWidget *m_stack = nullptr;
    CardView *m_cards = nullptr;
    QStandardItemModel *m_model = nullptr;
    QWidget *m_empty = nullptr;
    ExistenceCheck *m_existence = nullptr;
};
