#pragma once

#include <QWidget>

class Host;
class QLabel;
class QListWidget;

// The user's playlists; activating one plays it.
class PlaylistsPage : public QWidget
{
    Q_OBJECT

public:
    explicit PlaylistsPage(Host *host, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    QListWidget *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
