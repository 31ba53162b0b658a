#include "ui/MainWindow.h"

#include "app/AppSettings.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "library/MediaFiles.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/Toast.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/pages/HomePage.h"
#include "ui/pages/MusicPage.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/PlaylistsPage.h"
#include "ui/pages/QueuePanel.h"
#include "ui/pages/RadiosPage.h"
#include "ui/pages/RecentsPage.h"
#include "ui/pages/SettingsPage.h"
#include "ui/pages/VideosPage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QStyleHints>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int SidebarWidthPx = 224;
constexpr int CompactSidebarWidthPx = 84;
constexpr int CompactBelowPx = 1000;
constexpr int ToastMs = 1600;

} // namespace

MainWindow::MainWindow(PlayerCore *core, QWidget *parent)
    : QMainWindow(parent)
    , m_core(core)
{
    setWindowTitle(QStringLiteral("Zorvi Player"));
    setWindowIcon(appIcon());
    setAcceptDrops(true);
    setMinimumSize(420, 260);

    buildActions();
    buildUi();
    buildMenuBar();
    createTray();
    wirePlayer();

    const QByteArray geometry =
            appSettings().value(QStringLiteral("window/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(1320, 820);

    m_resumeSaveTimer.setInterval(5000);
    connect(&m_resumeSaveTimer, &QTimer::timeout, this, [this] { saveResumePoint(false); });
    m_resumeSaveTimer.start();
    m_tickTimer.setInterval(1000);
    connect(&m_tickTimer, &QTimer::timeout, this, [this] { onTick(); });
    m_tickTimer.start();
    m_autoHideTimer.setInterval(2500);
    m_autoHideTimer.setSingleShot(true);
    m_clickTimer.setInterval(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    m_clickTimer.setSingleShot(true);
    m_previewTimer.setInterval(180);
    m_previewTimer.setSingleShot(true);
    m_sleepTimer.setSingleShot(true);
    wireModes();

    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void MainWindow::buildUi()
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

    m_sidebar = buildSidebar();
    row->addWidget(m_sidebar);

    m_content = new QWidget(central);
    auto *contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    m_pages = new QStackedWidget(m_content);
    contentLayout->addWidget(m_pages);
    row->addWidget(m_content, 1);

    m_queuePanel = new QueuePanel(m_core, central);
    m_queuePanel->hide();
    row->addWidget(m_queuePanel);

    m_homePage = new HomePage(this);
    m_videosPage = new VideosPage(this);
    m_musicPage = new MusicPage(this);
    m_playlistsPage = new PlaylistsPage(this);
    m_recentsPage = new RecentsPage(this);
    m_radiosPage = new RadiosPage(this);
    m_settingsPage = new SettingsPage(this);

    m_videoArea = new QWidget;
    m_videoArea->setObjectName(QStringLiteral("VideoArea"));
    m_videoArea->setAttribute(Qt::WA_StyledBackground);
    m_videoStack = new QStackedLayout(m_videoArea);
    m_videoStack->setContentsMargins(0, 0, 0, 0);
    m_video = new MpvWidget(m_core, m_videoArea);
    m_nowPlaying = new NowPlaying(m_core, m_videoArea);
    m_videoStack->addWidget(m_video);
    m_videoStack->addWidget(m_nowPlaying);

    const QList<QPair<QString, QWidget *>> order = {
            {QStringLiteral("home"), m_homePage},
            {QStringLiteral("videos"), m_videosPage},
            {QStringLiteral("music"), m_musicPage},
            {QStringLiteral("playlists"), m_playlistsPage},
            {QStringLiteral("recents"), m_recentsPage},
            {QStringLiteral("radios"), m_radiosPage},
            {QStringLiteral("settings"), m_settingsPage},
            {QStringLiteral("player"), m_videoArea},
    };
    for (const auto &[id, widget] : order) {
        m_pages->addWidget(widget);
        m_pageById.insert(id, widget);
    }

    m_toast = new Toast(m_content);
    m_preview = new PreviewPopup(this);

    m_videoArea->installEventFilter(this);
    m_nowPlaying->installEventFilter(this);
    m_content->installEventFilter(this);
    m_controlBar->installEventFilter(this);

    connect(m_nowPlaying, &NowPlaying::artistClicked, this, [this](const QString &artist) {
        navigate(QStringLiteral("music"));
        m_musicPage->showArtist(artist);
    });
    connect(m_nowPlaying, &NowPlaying::albumClicked, this, [this](const QString &album) {
        navigate(QStringLiteral("music"));
        m_musicPage->showAlbum(album);
    });
    connect(m_queuePanel, &QueuePanel::closeRequested, this,
            [this] { m_controlBar->queueButton()->setChecked(false); });
    connect(m_queuePanel, &QueuePanel::saveAsPlaylist, this,
            [this](const QStringList &paths) { saveQueueAsPlaylist(paths); });
    connect(m_settingsPage, &SettingsPage::checkUpdatesRequested, this,
            [this] { checkForUpdates(); });
    connect(m_settingsPage, &SettingsPage::subtitleStyleRequested, this, [] {
        if (QAction *action = Actions::instance()->action(QStringLiteral("sub_style")))
            action->trigger();
    });
    connect(m_homePage, &HomePage::retryUpdateRequested, this, [this] { checkForUpdates(); });

    wireControlBar();

    addActions(Actions::instance()->all());
    addSeekPercentActions();

    setCentralWidget(central);
    navigate(QStringLiteral("home"));
}

QWidget *MainWindow::buildSidebar()
{
    auto *sidebar = new QWidget;
    sidebar->setObjectName(QStringLiteral("Sidebar"));
    sidebar->setAttribute(Qt::WA_StyledBackground);
    sidebar->setFixedWidth(SidebarWidthPx);
    auto *layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(14, 18, 14, 14);
    layout->setSpacing(4);

    auto *header = new QHBoxLayout;
    header->setSpacing(10);
    auto *logo = new QLabel(sidebar);
    logo->setPixmap(appLogo(40));
    header->addWidget(logo);
    auto *brand = new QVBoxLayout;
    brand->setSpacing(0);
    auto *name = new QLabel(QStringLiteral("Zorvi Player"), sidebar);
    name->setObjectName(QStringLiteral("BrandName"));
    auto *maker = new QLabel(QStringLiteral("orvandel"), sidebar);
    maker->setObjectName(QStringLiteral("BrandSub"));
    brand->addWidget(name);
    brand->addWidget(maker);
    header->addLayout(brand);
    header->addStretch(1);
    layout->addLayout(header);
    layout->addSpacing(18);

    m_navGroup = new QButtonGroup(this);
    m_navGroup->setExclusive(true);

    layout->addWidget(addNavButton(QStringLiteral("home"),
                                   uiText(QStringLiteral("Home"), QStringLiteral("Início")),
                                   QStringLiteral("home")));
    layout->addWidget(addNavButton(QStringLiteral("videos"),
                                   uiText(QStringLiteral("Videos"), QStringLiteral("Vídeos")),
                                   QStringLiteral("film")));
    layout->addWidget(addNavButton(QStringLiteral("music"),
                                   uiText(QStringLiteral("Music"), QStringLiteral("Música")),
                                   QStringLiteral("music")));
    layout->addWidget(addNavButton(QStringLiteral("playlists"), QStringLiteral("Playlists"),
                                   QStringLiteral("playlist")));
    layout->addWidget(addNavButton(QStringLiteral("recents"),
                                   uiText(QStringLiteral("Recent"), QStringLiteral("Recentes")),
                                   QStringLiteral("clock")));
    layout->addWidget(
            addNavButton(QStringLiteral("radios"),
                         uiText(QStringLiteral("Radio & TV"), QStringLiteral("Rádios e TV")),
                         QStringLiteral("radio")));
    layout->addSpacing(10);
    m_playerNavButton =
            addNavButton(QStringLiteral("player"),
                         uiText(QStringLiteral("Now playing"), QStringLiteral("Reproduzindo")),
                         QStringLiteral("play"));
    m_playerNavButton->hide();
    layout->addWidget(m_playerNavButton);
    layout->addStretch(1);

    m_statusLabel = new QLabel(sidebar);
    m_statusLabel->setObjectName(QStringLiteral("Muted"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->hide();
    layout->addWidget(m_statusLabel);

    layout->addWidget(
            addNavButton(QStringLiteral("settings"),
                         uiText(QStringLiteral("Settings"), QStringLiteral("Configurações")),
                         QStringLiteral("settings")));
    return sidebar;
}

QPushButton *MainWindow::addNavButton(const QString &id, const QString &label,
                                      const QString &iconName)
{
    const QString text = QStringLiteral("  ") + label;
    auto *button = new QPushButton(text);
    button->setCheckable(true);
    button->setIcon(tintedIcon(iconName, QColor(QStringLiteral("#a8b5c7")),
                               QColor(QStringLiteral("#2bd9fe"))));
    button->setProperty("navText", text);
    button->setAccessibleName(label);
    button->setToolTip(label);
    button->setIconSize(QSize(19, 19));
    button->setCursor(Qt::PointingHandCursor);
    m_navGroup->addButton(button);
    m_navButtonById.insert(id, button);
    connect(button, &QPushButton::clicked, this, [this, id] { navigate(id); });
    return button;
}

QString MainWindow::currentPage() const
{
    QWidget *current = m_pages->currentWidget();
    for (auto it = m_pageById.cbegin(); it != m_pageById.cend(); ++it) {
        if (it.value() == current)
            return it.key();
    }
    return {};
}

void MainWindow::navigate(const QString &id)
{
    QWidget *target = m_pageById.value(id);
    if (!target)
        return;
    const bool player = id == QLatin1String("player");
    if (!player)
        m_lastPage = id;
    if (m_fullscreen) {
        if (player)
            return;
        setFullscreen(false);
    }
    m_pages->setCurrentWidget(target);
    if (QPushButton *button = m_navButtonById.value(id))
        button->setChecked(true);
    if (id == QLatin1String("recents"))
        m_recentsPage->reload();
    else if (id == QLatin1String("radios"))
        m_radiosPage->reload();
    else if (id == QLatin1String("home"))
        m_homePage->refresh();
    if (player)
        showVideoOrNowPlaying();
}

void MainWindow::showVideoOrNowPlaying()
{
    if (m_core->hasVideo())
        m_videoStack->setCurrentWidget(m_video);
    else
        m_videoStack->setCurrentWidget(m_nowPlaying);
}

void MainWindow::showToast(const QString &text)
{
    QWidget *host = m_pages->currentWidget() == m_videoArea ? m_videoArea : m_content;
    if (m_toast->parentWidget() != host)
        m_toast->setParent(host);
    m_toast->showMessage(text, ToastMs);
}

void MainWindow::placeToast()
{
    if (m_toast && m_toast->isVisible())
        m_toast->reposition();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_fullscreen || m_mini)
        return;
    applyResponsiveSidebar();
}

void MainWindow::applyResponsiveSidebar()
{
    const bool compact = width() < CompactBelowPx;
    m_sidebar->setFixedWidth(compact ? CompactSidebarWidthPx : SidebarWidthPx);
    for (const char *name : {"BrandName", "BrandSub"}) {
        if (auto *label = m_sidebar->findChild<QLabel *>(QLatin1String(name)))
            label->setVisible(!compact);
    }
    for (QPushButton *button : std::as_const(m_navButtonById))
        button->setText(compact ? QString() : button->property("navText").toString());
    if (compact)
        m_statusLabel->hide();
    if (width() < 800 && m_queuePanel->isVisible())
        m_controlBar->queueButton()->setChecked(false);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        paths.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    if (paths.isEmpty())
        return;

    if (paths.size() == 1 && subtitleSuffixes().contains(fileSuffixLower(paths.first())) &&
        !m_core->isIdle()) {
        m_core->addSubtitle(paths.first());
        showToast(uiText(QStringLiteral("Subtitle loaded"), QStringLiteral("Legenda carregada")));
        event->acceptProposedAction();
        return;
    }

    // A subtitle file on its own is not something to play.
    QStringList items = expandPaths(paths);
    items.removeIf(
            [](const QString &item) { return subtitleSuffixes().contains(fileSuffixLower(item)); });
    if (items.isEmpty()) {
        showToast(uiText(QStringLiteral("No playable media found"),
                         QStringLiteral("Nenhum vídeo ou música reconhecido")));
        return;
    }
    if (event->modifiers() & Qt::ControlModifier)
        enqueuePaths(items);
    else
        playPaths(items, 0);
    event->acceptProposedAction();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    applyFirstShow();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
}

const QStringList &MainWindow::subtitleSuffixes()
{
    static const QStringList suffixes = {
            QStringLiteral("srt"), QStringLiteral("ass"), QStringLiteral("ssa"),
            QStringLiteral("vtt"), QStringLiteral("sub"), QStringLiteral("idx"),
            QStringLiteral("sup"), QStringLiteral("smi"), QStringLiteral("lrc")};
    return suffixes;
}
