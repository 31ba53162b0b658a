#pragma once

#include <QHash>
#include <QIcon>
#include <QStringList>
#include <QWidget>

class Database;
class PlayerCore;
class QLabel;
class QListWidgetItem;
class QueueList;
struct QueueEntry;

// Side panel with the play queue; every change goes to the player, and the
// list follows the player's queue.
class QueuePanel : public QWidget
{
    Q_OBJECT

public:
    QueuePanel(PlayerCore *core, Database *database, QWidget *parent = nullptr);

    QueueList *list() const { return m_list; }

    // Rebuilds every row from the player's queue.
    void rebuild();

Q_SIGNALS:
    void saveAsPlaylist(const QStringList &paths);
    void closeRequested();

private:
    // What a row shows of a queue entry, from the library when it knows the path.
    struct RowText
    {
        QString title;
        QString artist;
    };
    RowText rowText(const QueueEntry &entry);
    void style(QListWidgetItem *item, bool current) const;
    void fill(QListWidgetItem *item, const QueueEntry &entry);
    // Brings the rows in line with the player's queue, rebuilding them only
    // when the entries or their order changed.
    void follow(bool refillTexts);
    void showMenu(const QPoint &viewPoint);

    PlayerCore *m_core;
    Database *m_database;
    QueueList *m_list = nullptr;
    QLabel *m_count = nullptr;
    QIcon m_currentIcon;
    QIcon m_entryIcon;
    // Library titles and artists by path; the library changes rarely, the
    // queue often.
    QHash<QString, RowText> m_libraryText;
    // What the rows show now, to tell a move of the current entry from a change.
    QStringList m_shownKeys;
    int m_shownCurrent = -1;
};
