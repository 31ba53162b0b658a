#pragma once

#include <QWidget>

class PlayerCore;
class QLabel;
class QListWidget;

// Side panel with the play queue; every change goes to the player, and the
// list follows the player's queue.
class QueuePanel : public QWidget
{
    Q_OBJECT

public:
    explicit QueuePanel(PlayerCore *core, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }

signals:
    void saveAsPlaylist(const QStringList &paths);
    void closeRequested();

private:
    void rebuild();

    PlayerCore *m_core;
    QListWidget *m_list = nullptr;
    QLabel *m_count = nullptr;
};
