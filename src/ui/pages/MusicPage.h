#pragma once

#include "library/Records.h"

#include <QList>
#include <QWidget>

class CardView;
class Database;
class Host;
struct PageContext;
class QBoxLayout;
class QLineEdit;
class QListView;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QTabBar;
class QTableView;
class TrackProxy;

// The songs of the library: a sortable table narrowed by free text or by one
// album, artist, genre or folder, and the same songs grouped into album
// cards and artist, genre and folder lists.
class MusicPage : public QWidget
{
    Q_OBJECT

public:
    explicit MusicPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();
    // Opens the songs of one album or artist.
    void showAlbum(const QString &album);
    void showArtist(const QString &artist);
    // kind "artist", "album", "genre" or "folder"; an empty kind clears the filter.
    void applyFilter(const QString &kind, const QString &value);

private:
    enum Tab { SongsTab, AlbumsTab, ArtistsTab, GenresTab, FoldersTab };

    void buildHeader(QBoxLayout *layout);
    void buildTable();
    void buildGroupViews();
    void fillTable();
    void rebuildGroups();
    void onTabChanged(int tab);
    QStringList shownPaths() const;
    void playShown(bool shuffle);
    void chooseFolder();
    void showTableMenu(const QPoint &viewportPos);

    Host *m_host;
    Database *m_database;
    QList<MediaRecord> m_songs;

    QLineEdit *m_search = nullptr;
    QTabBar *m_tabs = nullptr;
    QPushButton *m_chip = nullptr;
    QStackedWidget *m_outer = nullptr;
    QStackedWidget *m_inner = nullptr;
    QTableView *m_table = nullptr;
    QStandardItemModel *m_tracks = nullptr;
    TrackProxy *m_proxy = nullptr;
    CardView *m_albums = nullptr;
    QStandardItemModel *m_albumModel = nullptr;
    QListView *m_groups = nullptr;
    QStandardItemModel *m_groupModel = nullptr;
};
