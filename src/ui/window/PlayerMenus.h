#pragma once

#include <QObject>
#include <QStringList>

class Database;
class Host;
class PlaybackSession;
class PlayerCommands;
class PlayerCore;
class QMenu;
class QMenuBar;
class QPoint;
class QToolButton;
class QWidget;

// The menu bar, the video's context menu, the control bar's button menus and
// the shared media menu. Menus listing tracks, chapters or devices are
// filled each time they open.
class PlayerMenus : public QObject
{
    Q_OBJECT

public:
    static constexpr int RecentItems = 15;

    // window parents the menus and dialogs.
    PlayerMenus(QWidget *window, Host *host, PlayerCore *core, PlayerCommands *commands,
                PlaybackSession *session, Database *database, QObject *parent = nullptr);

    void buildMenuBar(QMenuBar *bar);
    void showVideoMenu(const QPoint &globalPos);
    void showMediaMenu(const QStringList &paths, const QPoint &globalPos, QWidget *extra);

    // The control bar's buttons with a menu.
    QMenu *speedMenu(QWidget *parent);
    QMenu *subtitleMenu(QWidget *parent);
    QMenu *audioMenu(QWidget *parent);
    QMenu *moreMenu(QWidget *parent);

    // Asks for a name and saves paths as a new playlist.
    void createPlaylistFrom(const QStringList &paths);
    void saveQueueAsPlaylist(const QStringList &paths);

    void showAbout();
    void openWebsite();

Q_SIGNALS:
    // The favourite mark of path changed.
    void favoriteChanged(const QString &path);

private:
    using Fill = void (PlayerMenus::*)(QMenu *);
    QMenu *filledMenu(QWidget *parent, Fill fill);
    QMenu *addFilledSubmenu(QMenu *parent, const QString &text, const QString &iconName, Fill fill);
    static void addRegistryActions(QMenu *menu, const QStringList &ids);
    void savePlaylist(const QString &title, const QString &suggestedName, const QStringList &paths,
                      const QString &doneText);

    void fillRecentMenu(QMenu *menu);
    void fillSpeedMenu(QMenu *menu);
    void fillRepeatMenu(QMenu *menu);
    void fillChaptersMenu(QMenu *menu);
    void fillAudioTrackMenu(QMenu *menu);
    void fillVideoTrackMenu(QMenu *menu);
    void fillSubtitleTrackMenu(QMenu *menu);
    void fillTrackMenu(QMenu *menu, const QString &kind);
    void fillSecondarySubtitleMenu(QMenu *menu);
    void fillOutputDeviceMenu(QMenu *menu);
    void fillAspectMenu(QMenu *menu);
    void fillSubtitleButtonMenu(QMenu *menu);
    void fillAudioButtonMenu(QMenu *menu);
    void fillMoreMenu(QMenu *menu);

    QWidget *m_window;
    Host *m_host;
    PlayerCore *m_core;
    PlayerCommands *m_commands;
    PlaybackSession *m_session;
    Database *m_database;
};
