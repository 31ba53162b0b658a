#pragma once

#include "platform/KeepAwake.h"
#include "ui/Host.h"

#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QTimer>

class PlayerCore;
class MediaControls;
class MpvWidget;
class ControlBar;
class PreviewPopup;
class QueuePanel;
class NowPlaying;
class Toast;
class HomePage;
class VideosPage;
class MusicPage;
class PlaylistsPage;
class RecentsPage;
class RadiosPage;
class SettingsPage;
class QButtonGroup;
class QLabel;
class QMenu;
class QPushButton;
class QStackedLayout;
class QStackedWidget;
class QSystemTrayIcon;

// The one top-level window: sidebar, page stack, player page with the video
// surface, control bar and queue panel, menus and tray. Pages act through the
// Host interface it implements.
class MainWindow : public QMainWindow, public Host
{
    Q_OBJECT
    Q_INTERFACES(Host)

public:
    explicit MainWindow(PlayerCore *core, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Host
    PlayerCore *player() const override { return m_core; }
    void playPaths(const QStringList &paths, int startIndex) override;
    void enqueuePaths(const QStringList &paths) override;
    void playNextPaths(const QStringList &paths) override;
    void playPath(const QString &path) override;
    void showMediaMenu(const QStringList &paths, const QPoint &globalPos,
                       QWidget *extra = nullptr) override;
    void openFiles() override;
    void openFolder() override;
    void openLink() override;
    void showToast(const QString &text) override;
    void navigate(const QString &id) override;

    // Command line and second-instance lists.
    void openArguments(const QStringList &list, bool fromOtherInstance);
    // Files, folders, playlist files and links turned into playable items.
    QStringList expandPaths(const QStringList &list) const;

    // Window modes.
    void setFullscreen(bool on);
    void toggleMiniPlayer();
    void toggleAlwaysOnTop();

    void updateNowPlaying();

    // Playback commands shared by actions, menus and the control bar.
    void saveResumePoint(bool forced);
    void seekBy(double seconds);
    void changeVolumeBy(double delta);
    void applySpeed(double speed);
    void cycleAspect();

    // Dialogs reached only through menus filled on demand ("about",
    // "custom_speed", "new_playlist"), by name, so that unattended runs can
    // open each of them. Blocks while a modal dialog is open; false for an
    // unknown name.
    bool openDialog(const QString &id);

    // Read access for the pages and for diagnosis.
    QString currentPage() const;
    QString lastPage() const { return m_lastPage; }
    QString currentPath() const { return m_currentPath; }
    QWidget *page(const QString &id) const { return m_pageById.value(id); }
    QPushButton *navButton(const QString &id) const { return m_navButtonById.value(id); }
    QWidget *sidebar() const { return m_sidebar; }
    QWidget *videoArea() const { return m_videoArea; }
    MpvWidget *videoSurface() const { return m_video; }
    NowPlaying *nowPlayingView() const { return m_nowPlaying; }
    QueuePanel *queuePanel() const { return m_queuePanel; }
    ControlBar *controlBar() const { return m_controlBar; }
    PreviewPopup *previewPopup() const { return m_preview; }
    // The seek preview: a frame request waiting for the pointer to rest, and
    // the position it is for (-1 when none).
    bool previewPending() const { return m_previewTimer.isActive(); }
    double lastPreviewPos() const { return m_lastPreviewPos; }
    Toast *toastWidget() const { return m_toast; }
    QLabel *statusLabel() const { return m_statusLabel; }
    bool isFullscreenMode() const { return m_fullscreen; }
    bool isMiniMode() const { return m_mini; }
    bool isAlwaysOnTop() const { return m_onTop; }
    bool isKeepingAwake() const { return m_keepAwakeOn; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_trayMenu; }

    // Subtitle files are recognised by these suffixes (lower case).
    static const QStringList &subtitleSuffixes();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Construction (MainWindow.cpp)
    void buildUi();
    QWidget *buildSidebar();
    QPushButton *addNavButton(const QString &id, const QString &label, const QString &iconName);
    void applyResponsiveSidebar();
    void placeToast();

    // MainWindowActions.cpp
    void buildActions();
    void addSeekPercentActions();

    // MainWindowMenus.cpp
    void buildMenuBar();
    QMenu *addFilledSubmenu(QMenu *parent, const QString &text, const QString &iconName,
                            void (MainWindow::*fill)(QMenu *));
    void addRegistryActions(QMenu *menu, const QStringList &ids);
    void createPlaylistFrom(const QStringList &paths);

    // MainWindowPlaybackMenus.cpp (menus rebuilt each time they open)
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
    void showVideoMenu(const QPoint &globalPos);
    void fillSubtitleButtonMenu(QMenu *menu);
    void fillAudioButtonMenu(QMenu *menu);
    void fillMoreMenu(QMenu *menu);
    static QString aspectLabel(int index);

    // MainWindowWiring.cpp
    void wirePlayer();
    void wireControlBar();
    void onSeekHovered(double secs, const QPoint &globalAnchor);
    void toggleFavorite();
    void onIdleChanged(bool idle);
    void leaveIdlePlayerPage();
    void onPauseChanged(bool paused);
    void onVideoPresenceChanged(bool hasVideo);
    void showVideoOrNowPlaying();
    void updateFavoriteState();

    // MainWindowMediaControls.cpp
    void createMediaControls();
    void publishNowPlaying(const QString &title, const QString &subtitle, const QString &album,
                           bool isVideo);

    // MainWindowKeys.cpp
    bool keepsKeyForFocus(QKeyEvent *event) const;
    QWidget *volumeSlider() const;

    // MainWindowCommands.cpp
    void onFileLoaded();
    void onFileEnded(const QString &path, const QString &reason, double pos, double duration);
    void onTick();
    void showResumeNotice(double seconds);
    void toggleQueue();
    void addSubtitleFile();
    void takeScreenshot(bool withSubtitles);
    void showMediaInfo();
    void showSleepTimerDialog();
    void showGotoTimeDialog();
    void showCustomSpeedDialog();
    void showAbout();
    void openWebsite();
    void checkForUpdates();
    void zoomBy(double step);
    void resetZoom();
    void rotateVideo();
    void toggleMirror();
    void toggleNormalize();
    void cycleRepeat();
    void toggleShuffle();
    void toggleMute();
    void cycleTrackWithToast(const QString &kind);
    void changeAudioDelay(double delta);
    void changeSubDelay(double delta);
    void showAbLoopToast();
    void saveQueueAsPlaylist(const QStringList &paths);
    void showEqualizer();
    void showImageAdjust();
    void showSubtitleStyle();

    // MainWindowModes.cpp
    void wireModes();
    void placeOverlayBar();
    void showOverlayBar();
    void onAutoHideTimeout();
    void onVideoMouseMoved();
    bool handleModeEvent(QObject *watched, QEvent *event);
    void applyFirstShow();
    void updateKeepAwake();
    void onVideoClicked();
    void onVideoDoubleClicked();

    // MainWindowTray.cpp
    void createTray();
    void onTrayActivated(int reason);
    void showFromTray();

    // MainWindowClose.cpp
    void realQuit();
    void runClosingSequence();
    bool launchPendingInstaller(bool autoRestart);

    PlayerCore *m_core = nullptr;
    MpvWidget *m_video = nullptr;
    ControlBar *m_controlBar = nullptr;
    QueuePanel *m_queuePanel = nullptr;
    NowPlaying *m_nowPlaying = nullptr;
    PreviewPopup *m_preview = nullptr;
    Toast *m_toast = nullptr;
    QWidget *m_sidebar = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_videoArea = nullptr;
    QPointer<QWidget> m_resumeCard;
    QStackedWidget *m_pages = nullptr;
    QStackedLayout *m_videoStack = nullptr;
    QButtonGroup *m_navGroup = nullptr;
    QPushButton *m_playerNavButton = nullptr;
    QLabel *m_statusLabel = nullptr;
    QHash<QString, QWidget *> m_pageById;
    QHash<QString, QPushButton *> m_navButtonById;
    HomePage *m_homePage = nullptr;
    VideosPage *m_videosPage = nullptr;
    MusicPage *m_musicPage = nullptr;
    PlaylistsPage *m_playlistsPage = nullptr;
    RecentsPage *m_recentsPage = nullptr;
    RadiosPage *m_radiosPage = nullptr;
    SettingsPage *m_settingsPage = nullptr;
    MediaControls *m_mediaControls = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer m_sleepTimer;
    QTimer m_previewTimer;
    QTimer m_autoHideTimer;
    QTimer m_resumeSaveTimer;
    QTimer m_tickTimer;
    QTimer m_clickTimer;
    bool m_fullscreen = false;
    bool m_mini = false;
    bool m_wasMaximized = false;
    bool m_onTop = false;
    bool m_quitting = false;
    bool m_firstShow = true;
    QRect m_normalGeometry;
    QString m_currentPath;
    double m_playedSeconds = 0;
    bool m_playCounted = false;
    bool m_updatePending = false;
    bool m_keepAwakeOn = false;
    QSet<QString> m_resumeRequested;
    QString m_lastPage = QStringLiteral("home");
    double m_lastPreviewPos = -1.0;
    QPointer<QMenu> m_trayMenu;

    int m_aspectIndex = 0;
    double m_zoomLevel = 0;
    int m_rotation = 0;
    bool m_trayBalloonShown = false;
    // The closing sequence ran for the close under way; cleared again when
    // that close is called off.
    bool m_closingDone = false;
    KeepAwake m_keepAwake;
    // Mini player: where the left button went down, until the drag becomes a
    // window move.
    bool m_movePending = false;
    QPoint m_movePressPos;
    QSize m_normalMinimumSize;
};
