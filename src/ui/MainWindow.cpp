#include "ui/MainWindow.h"

#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "engine/LoadedFile.h"
#include "engine/MediaPaths.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/Library.h"
#include "library/MediaFiles.h"
#include "library/Thumbnailer.h"
#include "platform/DarkTitleBar.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/Toast.h"
#include "ui/UiText.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/pages/HomePage.h"
#include "ui/pages/MusicPage.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/PlayerPage.h"
#include "ui/pages/PlaylistsPage.h"
#include "ui/pages/QueuePanel.h"
#include "ui/pages/RadiosPage.h"
#include "ui/pages/RecentsPage.h"
#include "ui/pages/SettingsPage.h"
#include "ui/pages/VideosPage.h"
#include "ui/window/ActionBinder.h"
#include "ui/window/CloseSequence.h"
#include "ui/window/FocusKeyFilter.h"
#include "ui/window/KeepAwakeController.h"
#include "ui/window/LibraryStatus.h"
#include "ui/window/MediaControlsBridge.h"
#include "ui/window/MediaOpener.h"
#include "ui/window/NowPlayingPresenter.h"
#include "ui/window/PageNavigator.h"
#include "ui/window/PlaybackSession.h"
#include "ui/window/PlayerCommands.h"
#include "ui/window/PlayerMenus.h"
#include "ui/window/ResumeNotice.h"
#include "ui/window/SeekPreviewController.h"
#include "ui/window/TrayController.h"
#include "ui/window/UpdateController.h"
#include "ui/window/WindowModeController.h"
#include "ui/window/WindowPlacement.h"
#include "update/Updater.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QSettings>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int ToastMs = 1600;
const QSize MinimumWindowSize(420, 260);
const QSize DefaultWindowSize(1320, 820);
// Narrower than this, the queue panel leaves the room to the page.
constexpr int QueueBelowPx = 800;
// How long the video surface stays up at the first show to create its context.
constexpr int FirstShowSurfaceMs = 60;

} // namespace

MainWindow::MainWindow(PlayerCore *core, QWidget *parent)
    : QMainWindow(parent)
    , m_core(core)
    , m_database(Database::instance())
{
    setWindowTitle(QStringLiteral("Zorvi Player"));
    setWindowIcon(appIcon());
    setMinimumSize(MinimumWindowSize);

    m_session = new PlaybackSession(core, m_database, this);
    m_commands = new PlayerCommands(core, this, this);
    m_opener = new MediaOpener(this, core, m_database, this, this);
    m_opener->takeDropsOn(this);
    m_menus = new PlayerMenus(this, this, core, m_commands, m_session, m_database, this);
    // The pages and the menus list the registry's actions as they are built.
    bindActions();
    buildLayout();
    m_menus->buildMenuBar(menuBar());
    m_tray = new TrayController(this, core, this);
    m_keepAwake = new KeepAwakeController(core, this);
    m_close = new CloseSequence(this, core, m_session, m_modes, m_keepAwake, m_tray, this);
    m_updates =
            new UpdateController(new Updater(nullptr, this), core, m_home, m_tray, m_close, this);
    new FocusKeyFilter(m_controlBar->volumeSlider(), this);
    connectParts();
    m_libraryStatus = new LibraryStatus(Library::instance(), m_navigator, this);
    m_libraryStatus->scheduleFirstScan();

    const QByteArray geometry =
            appSettings().value(QStringLiteral("window/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(DefaultWindowSize);
    WindowPlacement::fitOnScreen(this);
}

void MainWindow::buildLayout()
{
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    column->addLayout(row, 1);

    m_controlBar = new ControlBar(m_core, central);
    column->addWidget(m_controlBar);

    m_content = new QWidget(central);
    auto *contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    m_pages = new QStackedWidget(m_content);
    contentLayout->addWidget(m_pages);
    m_navigator = new PageNavigator(m_pages, this);
    row->addWidget(m_navigator->sidebar());
    row->addWidget(m_content, 1);

    m_queuePanel = new QueuePanel(m_core, m_database, central);
    m_queuePanel->hide();
    row->addWidget(m_queuePanel);

    m_playerPage = new PlayerPage(m_core);
    m_videoArea = m_playerPage;
    m_video = m_playerPage->video();
    m_nowPlaying = m_playerPage->nowPlaying();
    addPages();

    m_toast = new Toast(m_content);
    m_seekPreview = new SeekPreviewController(new PreviewPopup(this), m_core, m_session,
                                              Thumbnailer::instance(), this);
    m_content->installEventFilter(this);
    m_videoArea->installEventFilter(this);
    m_presenter = new NowPlayingPresenter(this, m_core, m_session, m_database, m_controlBar,
                                          m_nowPlaying, this);
    m_modes = new WindowModeController(
            this, {m_videoArea, m_video, m_nowPlaying, m_controlBar, m_queuePanel}, m_core,
            m_session, m_navigator, this);

    m_controlBar->setButtonMenus(m_menus->speedMenu(m_controlBar),
                                 m_menus->subtitleMenu(m_controlBar),
                                 m_menus->audioMenu(m_controlBar), m_menus->moreMenu(m_controlBar));
    addActions(Actions::instance()->all());
    addActions(m_commands->seekPercentActions(this));
    setCentralWidget(central);
    navigate(QStringLiteral("home"));
}

void MainWindow::addPages()
{
    using Slot = PageNavigator::Slot;
    const PageContext context{this, m_core, m_database};
    auto *home = new HomePage(context);
    m_home = home;
    PageNavigator *nav = m_navigator;
    // Only the first page is made now; the others when first opened.
    nav->addPage(QStringLiteral("home"), tr2("Home", "Início"), QStringLiteral("home"), home,
                 Slot::Main, [home] { home->refresh(); });
    nav->addPage(QStringLiteral("videos"), tr2("Videos", "Vídeos"), QStringLiteral("film"),
                 [context]() -> QWidget * { return new VideosPage(context); });
    nav->addPage(QStringLiteral("music"), tr2("Music", "Música"), QStringLiteral("music"),
                 [context]() -> QWidget * { return new MusicPage(context); });
    nav->addPage(QStringLiteral("playlists"), QStringLiteral("Playlists"),
                 QStringLiteral("playlist"),
                 [context]() -> QWidget * { return new PlaylistsPage(context); });
    nav->addPage(
            QStringLiteral("recents"), tr2("Recent", "Recentes"), QStringLiteral("clock"),
            [context]() -> QWidget * { return new RecentsPage(context); }, Slot::Main,
            [nav] { qobject_cast<RecentsPage *>(nav->page(QStringLiteral("recents")))->reload(); });
    nav->addPage(
            QStringLiteral("radios"), tr2("Radio & TV", "Rádios e TV"), QStringLiteral("radio"),
            [context]() -> QWidget * { return new RadiosPage(context); }, Slot::Main,
            [nav] { qobject_cast<RadiosPage *>(nav->page(QStringLiteral("radios")))->reload(); });
    nav->addPage(
            QStringLiteral("settings"), tr2("Settings", "Configurações"),
            QStringLiteral("settings"), [this]() -> QWidget * { return makeSettingsPage(); },
            Slot::Bottom);
    nav->addPage(QStringLiteral("player"), tr2("Now playing", "Reproduzindo"),
                 QStringLiteral("play"), m_videoArea, Slot::Player,
                 [this] { m_playerPage->followPlayer(); });
    nav->setButtonVisible(QStringLiteral("player"), false);
    connect(home, &HomePage::retryUpdateRequested, m_commands, &PlayerCommands::checkForUpdates);
}

SettingsPage *MainWindow::makeSettingsPage()
{
    auto *page = new SettingsPage(this);
    connect(page, &SettingsPage::checkUpdatesRequested, m_commands,
            &PlayerCommands::checkForUpdates);
    connect(page, &SettingsPage::subtitleStyleRequested, m_commands,
            &PlayerCommands::showSubtitleStyle);
    // Made after start-up, it lists the output devices at once.
    if (m_mediaControls)
        page->refreshAudioDevices();
    return page;
}

MusicPage *MainWindow::musicPage()
{
    return qobject_cast<MusicPage *>(m_navigator->page(QStringLiteral("music")));
}

void MainWindow::bindActions()
{
    ActionBinder binder(Actions::instance());
    for (const char *page :
         {"home", "videos", "music", "playlists", "recents", "radios", "player", "settings"}) {
        binder.bind(("go_" + QByteArray(page)).constData(), this,
                    [this, page] { navigate(QString::fromLatin1(page)); });
    }
    binder.bind("quit", this, [this] { m_close->quit(); });
    binder.bind("queue_toggle", this, [this] { m_controlBar->toggleQueue(); });
    binder.bind("fullscreen", this, [this] { m_modes->toggleFullscreen(); });
    binder.bind("exit_fullscreen", this, [this] { m_modes->leaveMode(); });
    binder.bind("mini", this, [this] { m_modes->toggleMiniPlayer(); });
    binder.bind("on_top", this, [this] { m_modes->toggleAlwaysOnTop(); });
    binder.bind("sub_load", this, [this] {
        const QString path = m_session->currentPath();
        m_commands->addSubtitleFile(path.isEmpty() || isNetworkSource(path)
                                            ? QString()
                                            : QFileInfo(path).absolutePath());
    });
    m_commands->bindActions(binder);
    m_opener->bindActions(binder);
    const QStringList unbound = binder.apply();
    if (!unbound.isEmpty())
        qWarning().noquote() << "acoes sem comando:" << unbound.join(QLatin1Char(' '));
    if (QAction *normalize = Actions::instance()->action(QStringLiteral("normalize")))
        normalize->setChecked(Preferences::normalize());
}

void MainWindow::connectParts()
{
    PlayerCore *core = m_core;
    connect(core, &PlayerCore::fileLoaded, this, &MainWindow::onFileLoaded);
    connect(core, &PlayerCore::fileEnded, m_session, &PlaybackSession::handleFileEnded);
    connect(core, &PlayerCore::titleChanged, m_presenter, &NowPlayingPresenter::refresh);
    connect(core, &PlayerCore::errorMessage, this, &MainWindow::showToast);
    connect(core, &PlayerCore::videoPresenceChanged, this, [this](bool hasVideo) {
        m_playerPage->showPicture(hasVideo);
        if (hasVideo && !m_modes->isMini())
            navigate(QStringLiteral("player"));
    });
    connect(core, &PlayerCore::idleChanged, this, [this](bool idle) {
        if (idle)
            onIdle();
    });
    // The engine may report the emptied playlist after it reported idle.
    connect(core, &PlayerCore::queueChanged, this, [this] {
        if (m_core->isIdle())
            leaveIdlePlayerPage();
    });
    connect(core, &PlayerCore::pauseChanged, this, [this](bool paused) {
        if (paused)
            m_video->setCursor(Qt::ArrowCursor);
    });
    connect(core, &PlayerCore::speedChanged, this, [](double speed) {
        if (settingBool(QStringLiteral("playback/keepSpeed"), true))
            appSettings().setValue(QStringLiteral("playback/speed"), speed);
    });

    connect(m_session, &PlaybackSession::resumedAt, this, [this](double seconds) {
        if (settingBool(QStringLiteral("playback/resumeNotice"), true))
            ResumeNotice::open(m_videoArea, m_core, seconds);
    });
    connect(m_commands, &PlayerCommands::toast, this, &MainWindow::showToast);
    connect(m_commands, &PlayerCommands::updateCheckRequested, m_updates,
            &UpdateController::checkNow);
    connect(m_updates, &UpdateController::toast, this, &MainWindow::showToast);
    m_close->setInstaller(
            [this](bool autoRestart) { return m_updates->installAtClose(autoRestart); });
    connect(m_modes, &WindowModeController::toast, this, &MainWindow::showToast);
    connect(m_presenter, &NowPlayingPresenter::toast, this, &MainWindow::showToast);
    connect(m_commands, &PlayerCommands::sleepTimerFired, m_session,
            [this] { m_session->saveResumePoint(true); });
    auto checkAction = [](const char *id, bool on) {
        if (QAction *action = Actions::instance()->action(QString::fromLatin1(id)))
            action->setChecked(on);
    };
    connect(m_commands, &PlayerCommands::mirrorChanged, this,
            [checkAction](bool on) { checkAction("mirror", on); });
    connect(m_commands, &PlayerCommands::normalizeChanged, this,
            [checkAction](bool on) { checkAction("normalize", on); });
    connect(m_modes, &WindowModeController::alwaysOnTopChanged, this,
            [checkAction](bool on) { checkAction("on_top", on); });
    connect(m_modes, &WindowModeController::fullscreenChanged, m_controlBar,
            &ControlBar::setFullscreenState);
    connect(m_modes, &WindowModeController::normalLayoutRestored, this,
            &MainWindow::applyResponsiveLayout);
    connect(m_navigator, &PageNavigator::navigationRequested, this, &MainWindow::navigate);
    connect(m_menus, &PlayerMenus::favoriteChanged, this, [this](const QString &path) {
        if (path == m_session->currentPath())
            m_presenter->refreshFavorite();
    });

    connect(m_video, &MpvWidget::rightClicked, m_menus, &PlayerMenus::showVideoMenu);
    connect(m_video, &MpvWidget::wheelScrolled, m_commands, [this](int delta) {
        m_commands->changeVolumeBy(delta > 0 ? PlayerCommands::VolumeStepPercent
                                             : -PlayerCommands::VolumeStepPercent);
    });

    ControlBar *bar = m_controlBar;
    connect(bar, &ControlBar::favoriteClicked, m_presenter, &NowPlayingPresenter::toggleFavorite);
    connect(bar, &ControlBar::shuffleClicked, m_commands, &PlayerCommands::toggleShuffle);
    connect(bar, &ControlBar::repeatClicked, m_commands, &PlayerCommands::cycleRepeat);
    connect(bar, &ControlBar::eqClicked, m_commands, &PlayerCommands::showEqualizer);
    connect(bar, &ControlBar::previousClicked, core, &PlayerCore::previous);
    connect(bar, &ControlBar::nextClicked, core, &PlayerCore::next);
    connect(bar, &ControlBar::playClicked, core, &PlayerCore::togglePause);
    connect(bar, &ControlBar::back10Clicked, m_commands,
            [this] { m_commands->seekBy(-PlayerCommands::LongSeekSeconds); });
    connect(bar, &ControlBar::fwd10Clicked, m_commands,
            [this] { m_commands->seekBy(PlayerCommands::LongSeekSeconds); });
    connect(bar, &ControlBar::fullscreenClicked, m_modes, &WindowModeController::toggleFullscreen);
    connect(bar, &ControlBar::pipClicked, m_modes, &WindowModeController::toggleMiniPlayer);
    connect(bar, &ControlBar::queueToggled, this, [this](bool on) {
        if (!m_modes->isOverlayMode())
            m_queuePanel->setVisible(on);
    });
    connect(bar, &ControlBar::coverClicked, this, [this] {
        if (!m_session->currentPath().isEmpty())
            navigate(QStringLiteral("player"));
    });
    connect(bar, &ControlBar::seekChosen, core, &PlayerCore::seekAbsolute);
    connect(bar, &ControlBar::seekHovered, m_seekPreview, &SeekPreviewController::hover);
    connect(bar, &ControlBar::seekHoverLeft, m_seekPreview, &SeekPreviewController::leave);

    connect(m_nowPlaying, &NowPlaying::artistClicked, this, [this](const QString &artist) {
        navigate(QStringLiteral("music"));
        musicPage()->showArtist(artist);
    });
    connect(m_nowPlaying, &NowPlaying::albumClicked, this, [this](const QString &album) {
        navigate(QStringLiteral("music"));
        musicPage()->showAlbum(album);
    });
    connect(m_queuePanel, &QueuePanel::closeRequested, bar, [bar] { bar->setQueueShown(false); });
    connect(m_queuePanel, &QueuePanel::saveAsPlaylist, m_menus, &PlayerMenus::saveQueueAsPlaylist);

    // Once the window exists and the engine runs, the media controls can attach
    // to the window, the output devices are known and the remembered speed can
    // be applied.
    QTimer::singleShot(0, this, [this] {
        m_mediaControls = new MediaControlsBridge(this, m_core, this);
        connect(m_mediaControls, &MediaControlsBridge::raiseRequested, m_tray,
                &TrayController::showWindow);
        connect(m_mediaControls, &MediaControlsBridge::quitRequested, m_close,
                &CloseSequence::quit);
        m_presenter->setMediaControls(m_mediaControls);
        // Something may already be playing (a file from the command line).
        if (!m_core->isIdle())
            m_presenter->refresh();
        if (m_navigator->isMade(QStringLiteral("settings")))
            qobject_cast<SettingsPage *>(m_navigator->page(QStringLiteral("settings")))
                    ->refreshAudioDevices();
        if (settingBool(QStringLiteral("playback/keepSpeed"), true)) {
            const double speed = settingValue(QStringLiteral("playback/speed"), 1.0).toDouble();
            if (speed > 0 && speed != 1.0)
                m_core->setSpeed(speed);
        }
    });
}

// ---- Host ------------------------------------------------------------------

void MainWindow::playPaths(const QStringList &paths, int startIndex)
{
    if (paths.isEmpty())
        return;
    m_session->saveResumePoint(true);
    m_core->playFiles(paths, startIndex);
}

void MainWindow::enqueuePaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_core->enqueue(paths);
    showToast(tr2("%1 items added to queue", "%1 itens adicionados à fila").arg(paths.size()));
}

void MainWindow::playNextPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_core->playNext(paths);
    showToast(tr2("Playing next", "Vai tocar em seguida"));
}

void MainWindow::playPath(const QString &path)
{
    m_session->requestResume(path);
    playPaths({path}, 0);
}

void MainWindow::playFromStart(const QString &path)
{
    m_session->requestStartOver(path);
    playPaths({path}, 0);
}

void MainWindow::showMediaMenu(const QStringList &paths, const QPoint &globalPos, QWidget *extra)
{
    m_menus->showMediaMenu(paths, globalPos, extra);
}

void MainWindow::openFiles()
{
    m_opener->openFiles();
}

void MainWindow::openFolder()
{
    m_opener->openFolder();
}

void MainWindow::openLink()
{
    m_opener->openLink();
}

void MainWindow::showToast(const QString &text)
{
    QWidget *host = m_pages->currentWidget() == m_videoArea ? m_videoArea : m_content;
    if (m_toast->parentWidget() != host)
        m_toast->setParent(host);
    m_toast->showMessage(text, ToastMs);
}

void MainWindow::navigate(const QString &id)
{
    if (!m_navigator->page(id))
        return;
    if (m_modes->leaveForPage(id))
        m_navigator->show(id);
}

void MainWindow::openArguments(const QStringList &list, bool fromOtherInstance)
{
    if (fromOtherInstance)
        WindowPlacement::bringBack(this);
    m_opener->openArguments(list, fromOtherInstance);
}

bool MainWindow::openDialog(const QString &id)
{
    if (id == QLatin1String("about")) {
        m_menus->showAbout();
    } else if (id == QLatin1String("custom_speed")) {
        m_commands->showCustomSpeedDialog();
    } else if (id == QLatin1String("new_playlist")) {
        // The media menu offers it for the item under the pointer; the
        // current item stands in for it.
        const QString path = m_session->currentPath();
        m_menus->createPlaylistFrom(path.isEmpty() ? QStringList() : QStringList{path});
    } else {
        return false;
    }
    return true;
}

// ---- What plays ------------------------------------------------------------

void MainWindow::onFileLoaded(const LoadedFile &file)
{
    m_seekPreview->reset();
    m_commands->forgetAspect();
    m_navigator->setButtonVisible(QStringLiteral("player"), true);
    m_session->handleFileLoaded(file);
    m_presenter->refresh();
    const bool video = file.hasVideo || isVideoFile(file.path);
    m_playerPage->showPicture(video);
    if (video && !m_modes->isMini())
        navigate(QStringLiteral("player"));
}

void MainWindow::onIdle()
{
    m_session->handleIdle();
    m_presenter->clear();
    m_navigator->setButtonVisible(QStringLiteral("player"), false);
    leaveIdlePlayerPage();
}

void MainWindow::leaveIdlePlayerPage()
{
    if (m_pages->currentWidget() != m_videoArea || !m_core->queue().isEmpty())
        return;
    const QString last = m_navigator->lastPage();
    navigate(last == QLatin1String("player") ? QStringLiteral("home") : last);
}

// ---- Window ----------------------------------------------------------------

void MainWindow::applyResponsiveLayout()
{
    m_navigator->applyWidth(width());
    if (width() < QueueBelowPx && m_queuePanel->isVisible())
        m_controlBar->setQueueShown(false);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!m_modes->isOverlayMode())
        applyResponsiveLayout();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && (watched == m_content || watched == m_videoArea) &&
        m_toast->parentWidget() == watched && m_toast->isVisible())
        m_toast->reposition();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_close->handleClose(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    applyDarkTitleBar(this);
    // Showing the video surface once creates its OpenGL context now rather
    // than at the first file, which would otherwise stall that start.
    QWidget *remembered = m_pages->currentWidget();
    m_pages->setCurrentWidget(m_videoArea);
    m_playerPage->showPicture(true);
    QTimer::singleShot(FirstShowSurfaceMs, this, [this, remembered] {
        if (m_session->currentPath().isEmpty() && m_pages->currentWidget() == m_videoArea)
            m_pages->setCurrentWidget(remembered);
    });
}

// ---- Shortcuts to the parts ------------------------------------------------

void MainWindow::setFullscreen(bool on)
{
    m_modes->setFullscreen(on);
}

void MainWindow::toggleMiniPlayer()
{
    m_modes->toggleMiniPlayer();
}

bool MainWindow::isFullscreenMode() const
{
    return m_modes->isFullscreen();
}

bool MainWindow::isMiniMode() const
{
    return m_modes->isMini();
}

QString MainWindow::currentPage() const
{
    return m_navigator->currentPage();
}

QString MainWindow::currentPath() const
{
    return m_session->currentPath();
}
