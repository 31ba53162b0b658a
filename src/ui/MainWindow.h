#pragma once

#include "ui/Host.h"

#include <QMainWindow>

class CloseSequence;
class ControlBar;
class Database;
class HomePage;
class KeepAwakeController;
class MediaControlsBridge;
class MediaOpener;
class MpvWidget;
class MusicPage;
class NowPlaying;
class NowPlayingPresenter;
class PageNavigator;
class PlaybackSession;
class PlayerCommands;
class PlayerMenus;
class PlayerPage;
class QStackedWidget;
class QueuePanel;
class LibraryStatus;
class SeekPreviewController;
class SettingsPage;
class Toast;
class TrayController;
class UpdateController;
class WindowModeController;
struct LoadedFile;

// The one top-level window. It lays out the sidebar, the pages, the player
// page and the control bar, owns one object per concern (navigation, playback
// session, commands, menus, window modes, tray, closing) and connects them.
// Pages act through the Host interface it implements.
class MainWindow : public QMainWindow, public Host
{
    Q_OBJECT
    Q_INTERFACES(Host)

public:
    explicit MainWindow(PlayerCore *core, QWidget *parent = nullptr);

    // Host
    PlayerCore *player() const override { return m_core; }
    void playPaths(const QStringList &paths, int startIndex) override;
    void enqueuePaths(const QStringList &paths) override;
    void playNextPaths(const QStringList &paths) override;
    void playPath(const QString &path) override;
    void playFromStart(const QString &path) override;
    void showMediaMenu(const QStringList &paths, const QPoint &globalPos,
                       QWidget *extra = nullptr) override;
    void openFiles() override;
    void openFolder() override;
    void openLink() override;
    void showToast(const QString &text) override;
    void navigate(const QString &id) override;

    // Command line and second-instance lists.
    void openArguments(const QStringList &list, bool fromOtherInstance);
    // Opens "about", "custom_speed" or "new_playlist" for unattended runs;
    // blocks while the dialog is open, false for an unknown name.
    bool openDialog(const QString &id);

    void setFullscreen(bool on);
    void toggleMiniPlayer();
    bool isFullscreenMode() const;
    bool isMiniMode() const;
    QString currentPage() const;
    QString currentPath() const;

    // The parts, for diagnosis and tests.
    PlaybackSession *session() const { return m_session; }
    PlayerCommands *commands() const { return m_commands; }
    PageNavigator *navigator() const { return m_navigator; }
    WindowModeController *modes() const { return m_modes; }
    KeepAwakeController *keepAwake() const { return m_keepAwake; }
    TrayController *tray() const { return m_tray; }
    UpdateController *updates() const { return m_updates; }
    SeekPreviewController *seekPreview() const { return m_seekPreview; }
    QWidget *videoArea() const { return m_videoArea; }
    MpvWidget *videoSurface() const { return m_video; }
    NowPlaying *nowPlayingView() const { return m_nowPlaying; }
    QueuePanel *queuePanel() const { return m_queuePanel; }
    ControlBar *controlBar() const { return m_controlBar; }
    Toast *toastWidget() const { return m_toast; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildLayout();
    void addPages();
    SettingsPage *makeSettingsPage();
    MusicPage *musicPage();
    void bindActions();
    void connectParts();
    void onFileLoaded(const LoadedFile &file);
    void onIdle();
    void leaveIdlePlayerPage();
    void applyResponsiveLayout();

    PlayerCore *m_core;
    Database *m_database;
    QStackedWidget *m_pages = nullptr;
    PlayerPage *m_playerPage = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_videoArea = nullptr;
    MpvWidget *m_video = nullptr;
    NowPlaying *m_nowPlaying = nullptr;
    ControlBar *m_controlBar = nullptr;
    QueuePanel *m_queuePanel = nullptr;
    Toast *m_toast = nullptr;
    PageNavigator *m_navigator = nullptr;
    PlaybackSession *m_session = nullptr;
    PlayerCommands *m_commands = nullptr;
    MediaOpener *m_opener = nullptr;
    PlayerMenus *m_menus = nullptr;
    WindowModeController *m_modes = nullptr;
    SeekPreviewController *m_seekPreview = nullptr;
    LibraryStatus *m_libraryStatus = nullptr;
    MediaControlsBridge *m_mediaControls = nullptr;
    NowPlayingPresenter *m_presenter = nullptr;
    KeepAwakeController *m_keepAwake = nullptr;
    TrayController *m_tray = nullptr;
    CloseSequence *m_close = nullptr;
    UpdateController *m_updates = nullptr;
    HomePage *m_home = nullptr;
    bool m_firstShow = true;
};
