#pragma once

#include <QWidget>

class Database;
class Host;
struct PageContext;
class QLabel;
class QListWidget;

// The user's playlists; activating one plays it.
class PlaylistsPage : public QWidget
{
    Q_OBJECT

public:
    explicit PlaylistsPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    Database *m_database;
    QListWidget *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
