#pragma once

#include <QWidget>

class Database;
class Host;
class PlaylistTableLoader;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class ReorderTable;
struct PageContext;

// The automatic lists (favourites, most played, recently added) and the
// user's playlists: the chosen one as a table to play, shuffle, reorder,
// trim, rename, delete, import and export. Acts only through the Host.
class PlaylistsPage : public QWidget
{
    Q_OBJECT

public:
    // Sidebar item roles.
    static constexpr int KeyRole = Qt::UserRole + 2;
    static constexpr int IdRole = Qt::UserRole + 9;
    static constexpr int NameRole = Qt::UserRole + 10;

    explicit PlaylistsPage(const PageContext &context, QWidget *parent = nullptr);

    // Reads the playlists again and keeps the selected one when it still exists.
    void rebuildSidebar();

    qint64 currentPlaylistId() const { return m_currentId; }
    QString currentKey() const { return m_currentKey; }
    // The paths of the table, top to bottom.
    QStringList tablePaths() const;

    // The actions behind the buttons.
    void play();
    void shuffle();
    void newPlaylist();
    void renamePlaylist();
    void deletePlaylist();
    void importPlaylist();
    void exportPlaylist();
    // The Delete key and "Remove from this playlist".
    void removeSelectedRows();

    // The name an imported list gets: trimmed, control characters blanked, at
    // most 200 characters, the file's base name when nothing is left.
    static QString importedName(const QString &name, const QString &filePath);
    // A file name without characters that file systems refuse.
    static QString safeFileName(const QString &name);

Q_SIGNALS:
    // An import or export ended (after its toast); for tests and the harness.
    void importFinished(qint64 playlistId);
    void exportFinished(bool ok);

private:
    QWidget *buildSidebar();
    QWidget *buildMain();
    void selectItem(QListWidgetItem *item);
    void loadTable();
    void updateSubtitle();
    void saveOrder();
    void showTableMenu(const QPoint &pos);
    void finishImport(const QString &filePath, bool ok, const QString &name,
                      const QStringList &entries);
    void writeExport(const QString &target, const QStringList &paths);
    QListWidgetItem *sidebarItem(qint64 id) const;

    Host *m_host;
    Database *m_database;
    QListWidget *m_sidebar = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_subtitle = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_delete = nullptr;
    ReorderTable *m_table = nullptr;
    PlaylistTableLoader *m_loader = nullptr;
    qint64 m_currentId = 0;
    QString m_currentKey = QStringLiteral("auto:fav");
};
