#include "harness/HarnessScreenshots.h"

#include "engine/PlayerCore.h"
#include "harness/HarnessSupport.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "library/Library.h"
#include "library/Lyrics.h"
#include "playlists/PlaylistFiles.h"
#include "ui/Actions.h"
#include "ui/CardView.h"
#include "ui/ItemRoles.h"
#include "ui/MainWindow.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/bars/SeekBar.h"
#include "ui/pages/HomePage.h"
#include "ui/pages/MusicPage.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/PlaylistTableLoader.h"
#include "ui/pages/PlaylistsPage.h"
#include "ui/pages/RecentsPage.h"
#include "ui/pages/SettingsPage.h"
#include "ui/pages/ShortcutTable.h"
#include "ui/window/PageNavigator.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

using HarnessSupport::waitFor;
using HarnessSupport::waitMs;

HarnessScreenshots::HarnessScreenshots(MainWindow *window, PlayerCore *core,
                                       const QString &outputFolder, const QString &sampleFolder)
    : QObject(window)
    , m_window(window)
    , m_core(core)
    , m_outputFolder(outputFolder)
    , m_sampleFolder(sampleFolder)
{
    // The library pages are pictured once the window's first scan has filled them.
    connect(Library::instance(), &Library::scanFinished, this, [this] { m_libraryScanned = true; });
}

void HarnessScreenshots::start(MainWindow *window, PlayerCore *core, const QString &outputFolder,
                               const QString &sampleFolder)
{
    auto *shots = new HarnessScreenshots(window, core, outputFolder, sampleFolder);
    QTimer::singleShot(0, shots, [shots] { shots->run(); });
}

void HarnessScreenshots::placeWindow()
{
    m_window->showNormal();
    m_window->resize(WidthPx, HeightPx);
    m_window->raise();
    m_window->activateWindow();
    waitFor([&] { return m_window->size() == QSize(WidthPx, HeightPx); }, 3000);
}

void HarnessScreenshots::save(const QString &name, const QPixmap &picture)
{
    const QString file = QDir(m_outputFolder).filePath(name + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(file, "PNG")) {
        m_problems << QStringLiteral("could not write %1").arg(file);
        return;
    }
    ++m_saved;
    std::printf("%s (%dx%d)\n", file.toLocal8Bit().constData(), picture.width(), picture.height());
    std::fflush(stdout);
}

void HarnessScreenshots::shootPage(const QString &name, const QString &pageId)
{
    m_window->navigate(pageId);
    waitMs(500); // pages load their lists and covers on the event loop
    waitForPictures(pageId);
    save(name, HarnessSupport::grabFromScreen(m_window));
}

void HarnessScreenshots::shootSettingsGroups(const QString &name)
{
    auto *page =
            qobject_cast<SettingsPage *>(m_window->navigator()->page(QStringLiteral("settings")));
    if (!page) {
        m_problems << QStringLiteral("no settings page");
        return;
    }
    if (!waitFor([page] { return page->shortcuts()->isFilled(); }, 10000))
        m_problems << QStringLiteral("the shortcut table was not filled");
    QScrollBar *bar = page->scrollArea()->verticalScrollBar();
    int picture = 2;
    const QList<QWidget *> groups = page->groups();
    for (int i = 1; i < groups.size(); ++i) {
        // Once the end is in view, further groups would repeat the picture.
        if (bar->value() == bar->maximum())
            break;
        bar->setValue(groups[i]->y() - 12);
        waitMs(300);
        save(QStringLiteral("%1-%2").arg(name).arg(picture++), m_window->grab());
    }
    bar->setValue(0);
}

void HarnessScreenshots::waitForPictures(const QString &pageId)
{
    // A painted card asks for its picture; the pictures arrive one by one and
    // each repaints, which may ask for the next.
    m_window->grab();
    const bool settled = waitFor(
            [] {
                waitMs(200);
                return Covers::instance()->idle();
            },
            20000);
    if (!settled)
        m_problems << QStringLiteral("the pictures of %1 did not arrive").arg(pageId);
    waitMs(200);
}

void HarnessScreenshots::shootLibraryViews(int &number)
{
    const auto nameOf = [&number](const char *view) {
        return QStringLiteral("%1-%2")
                .arg(number++, 2, 10, QLatin1Char('0'))
                .arg(QLatin1String(view));
    };
    // Played and stopped: the history now holds the video, and the grid shows
    // its watched bar.
    grabAfterPlaying();
    shootPage(nameOf("videos-watched"), QStringLiteral("videos"));

    QWidget *videos = m_window->navigator()->page(QStringLiteral("videos"));
    auto *folders =
            videos ? videos->findChild<QComboBox *>(QStringLiteral("videosFolders")) : nullptr;
    const QString folderShot = nameOf("videos-folder");
    if (folders && folders->count() > 1) {
        folders->setCurrentIndex(1);
        shootPage(folderShot, QStringLiteral("videos"));
        folders->setCurrentIndex(0);
    } else {
        m_problems << QStringLiteral("no video folder to narrow to");
    }

    auto *music = qobject_cast<MusicPage *>(m_window->navigator()->page(QStringLiteral("music")));
    auto *tabs = music ? music->findChild<QTabBar *>(QStringLiteral("musicTabs")) : nullptr;
    auto *albums = music ? music->findChild<CardView *>(QStringLiteral("albumCards")) : nullptr;
    const char *views[] = {"music-albums", "music-artists", "music-genres", "music-folders"};
    for (int tab = 1; tab <= 4; ++tab) {
        const QString name = nameOf(views[tab - 1]);
        if (!tabs) {
            m_problems << QStringLiteral("no music tabs");
            continue;
        }
        tabs->setCurrentIndex(tab);
        shootPage(name, QStringLiteral("music"));
    }
    const QString filterShot = nameOf("music-album-filter");
    if (albums && albums->model()->rowCount() > 0) {
        music->showAlbum(albums->model()->index(0, 0).data(ItemRole::FilterValue).toString());
        shootPage(filterShot, QStringLiteral("music"));
        music->applyFilter(QString(), QString());
    } else {
        m_problems << QStringLiteral("no album to filter by");
    }

    // Both pages empty, in the run's language: the folders leave the library,
    // which takes their rows out at once.
    const QString videosEmpty = nameOf("videos-empty");
    const QString musicEmpty = nameOf("music-empty");
    Library *library = Library::instance();
    for (const QString &kind : {QStringLiteral("audio"), QStringLiteral("video")}) {
        for (const QString &folder : library->folders(kind))
            library->removeFolder(kind, folder);
    }
    waitFor([library] { return !library->isScanning() && !library->isStoring(); }, 20000);
    shootPage(videosEmpty, QStringLiteral("videos"));
    shootPage(musicEmpty, QStringLiteral("music"));
}

void HarnessScreenshots::grabAfterPlaying()
{
    if (m_core->duration() > 0) {
        const double target = m_core->duration() * 0.4;
        m_core->seekAbsolute(target);
        if (!waitFor([&] { return std::abs(m_core->position() - target) < 0.5; }, 5000))
            m_problems << QStringLiteral("the video did not reach %1 s").arg(target);
    }
    m_core->stop();
    waitFor([&] { return m_core->isIdle(); }, 5000);
    m_window->navigate(QStringLiteral("home"));
    auto *home = qobject_cast<HomePage *>(m_window->navigator()->page(QStringLiteral("home")));
    const bool filled = home && waitFor(
                                        [home] {
                                            return home->continueRow()->isVisible() &&
                                                   home->playedRow()->isVisible() &&
                                                   home->addedRow()->isVisible();
                                        },
                                        10000);
    if (!filled) {
        m_problems << QStringLiteral("the home page did not show its three rows");
        return;
    }
    // Below the greeting three shelves do not fit the window: the picture
    // starts at the first shelf, so each row shows.
    auto *scroll = home->findChild<QScrollArea *>();
    if (scroll)
        scroll->verticalScrollBar()->setValue(home->continueRow()->parentWidget()->y() - 12);
    waitForPictures(QStringLiteral("home"));
    m_filledHome = m_window->grab();
    if (scroll)
        scroll->verticalScrollBar()->setValue(0);

    m_window->navigate(QStringLiteral("recents"));
    auto *recents =
            qobject_cast<RecentsPage *>(m_window->navigator()->page(QStringLiteral("recents")));
    if (!recents) {
        m_problems << QStringLiteral("no recents page");
        return;
    }
    for (QPixmap *picture : {&m_recentVideos, &m_recentMusic}) {
        const QString kind =
                picture == &m_recentVideos ? QStringLiteral("video") : QStringLiteral("audio");
        QTabBar *tabs = recents->tabs();
        for (int tab = 0; tab < tabs->count(); ++tab) {
            if (tabs->tabData(tab).toString() == kind)
                tabs->setCurrentIndex(tab);
        }
        if (!waitFor([&] { return recents->cards()->model()->rowCount() > 0; }, 10000)) {
            m_problems << QStringLiteral("the %1 history is empty").arg(kind);
            continue;
        }
        waitForPictures(QStringLiteral("recents"));
        *picture = m_window->grab();
    }
    recents->tabs()->setCurrentIndex(0);
}

// A playlist imported from a generated M3U: the sample songs and one entry
// whose file is gone, shown greyed.
void HarnessScreenshots::shootUserPlaylist(const QString &name, const QStringList &songs)
{
    QTemporaryDir folder;
    QSaveFile list(folder.filePath(QStringLiteral("mix.m3u")));
    if (!list.open(QIODevice::WriteOnly)) {
        m_problems << QStringLiteral("no place for the sample playlist");
        return;
    }
    QByteArray text = "#EXTM3U\n#PLAYLIST:Mix\n";
    for (const QString &song : songs)
        text += QFileInfo(song).absoluteFilePath().toUtf8() + '\n';
    text += "Gone/Missing song.mp3\n";
    list.write(text);
    list.commit();
    QString listName;
    QStringList entries;
    Database *database = Database::instance();
    const qint64 id = readPlaylist(list.fileName(), &listName, &entries)
                              ? database->createPlaylist(listName)
                              : 0;
    if (id <= 0 || !database->setPlaylistItems(id, entries)) {
        m_problems << QStringLiteral("the sample playlist was not imported");
        return;
    }
    m_window->navigate(QStringLiteral("playlists"));
    auto *page =
            qobject_cast<PlaylistsPage *>(m_window->navigator()->page(QStringLiteral("playlists")));
    auto *sidebar =
            page ? page->findChild<QListWidget *>(QStringLiteral("PlaylistSidebar")) : nullptr;
    auto *loader = page ? page->findChild<PlaylistTableLoader *>() : nullptr;
    if (!sidebar || !loader) {
        m_problems << QStringLiteral("the playlists page has no sidebar");
        return;
    }
    for (int row = 0; row < sidebar->count(); ++row) {
        if (sidebar->item(row)->data(PlaylistsPage::IdRole).toLongLong() == id)
            sidebar->setCurrentRow(row);
    }
    if (!waitFor([&] { return page->currentPlaylistId() == id && !loader->isBusy(); }, 10000))
        m_problems << QStringLiteral("the sample playlist did not load");
    waitMs(300);
    save(name, HarnessSupport::grabFromScreen(m_window));
}

bool HarnessScreenshots::playAndWait(const QString &path)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    m_window->playPaths({wanted}, 0);
    const bool loaded = waitFor(
            [&] {
                return m_core->duration() > 0 &&
                       QFileInfo(m_core->currentPath()).absoluteFilePath() == wanted;
            },
            15000);
    if (!loaded)
        m_problems << QStringLiteral("%1 did not load").arg(path);
    return loaded;
}

void HarnessScreenshots::shootDialogs(int &number, bool adjustments)
{
    // The player's adjustment dialogs came later than the others; their
    // pictures follow the library views so earlier numbers stay as they were.
    static const QStringList adjustmentDialogs = {
            QStringLiteral("equalizer"), QStringLiteral("picture"), QStringLiteral("subtitles")};
    for (const HarnessSupport::DialogCommand &command : HarnessSupport::dialogCommands(m_window)) {
        if (adjustmentDialogs.contains(command.name) != adjustments)
            continue;
        const QString name = QStringLiteral("%1-dialog-%2")
                                     .arg(number++, 2, 10, QLatin1Char('0'))
                                     .arg(command.name);
        const QString title = HarnessSupport::withModalDialog(command.open, [&](QWidget *dialog) {
            save(name, HarnessSupport::grabWindowWithDialog(m_window, dialog));
        });
        if (title.isEmpty())
            m_problems << QStringLiteral("\"%1\" opened no dialog").arg(command.name);
    }
}

// The popup over the seek bar is a window of its own: the picture is the
// screen area of the main window and the popup together.
void HarnessScreenshots::shootSeekPreview(const QString &name)
{
    m_window->navigate(QStringLiteral("player"));
    SeekBar *seek = m_window->controlBar()->seekBar();
    auto *popup = m_window->findChild<PreviewPopup *>();
    if (!popup || m_core->duration() <= 0) {
        m_problems << QStringLiteral("no seek bar preview to picture");
        return;
    }
    const QPointF local(seek->xForSeconds(m_core->duration() / 2), seek->height() / 2.0);
    QEnterEvent enter(local, local, seek->mapToGlobal(local));
    QCoreApplication::sendEvent(seek, &enter);
    QMouseEvent move(QEvent::MouseMove, local, seek->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(seek, &move);
    if (!waitFor([&] { return !popup->pictureLabel()->pixmap().isNull(); }, 15000)) {
        m_problems << QStringLiteral("the seek bar preview showed no frame");
        return;
    }
    waitMs(300);
    const QRect area = m_window->frameGeometry().united(popup->frameGeometry());
    save(name, m_window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(seek, &leave);
}

void HarnessScreenshots::run()
{
    QDir().mkpath(m_outputFolder);
    HarnessSupport::useToolkitDialogs();
    const QStringList audio = HarnessSupport::mediaFilesIn(
            m_sampleFolder + QStringLiteral("/Musicas"),
            {QStringLiteral("mp3"), QStringLiteral("flac"), QStringLiteral("ogg"),
             QStringLiteral("m4a"), QStringLiteral("wav"), QStringLiteral("opus")});
    const QStringList video = HarnessSupport::mediaFilesIn(
            m_sampleFolder + QStringLiteral("/Videos"),
            {QStringLiteral("mp4"), QStringLiteral("mkv"), QStringLiteral("webm"),
             QStringLiteral("avi"), QStringLiteral("mov")});

    placeWindow();
    if (!waitFor([&] { return m_libraryScanned; }, 60000))
        m_problems << QStringLiteral("the library scan did not finish");
    const QStringList pages = {QStringLiteral("home"),    QStringLiteral("videos"),
                               QStringLiteral("music"),   QStringLiteral("playlists"),
                               QStringLiteral("recents"), QStringLiteral("radios"),
                               QStringLiteral("settings")};
    int number = 1;
    for (const QString &page : pages) {
        const QString name =
                QStringLiteral("%1-%2").arg(number++, 2, 10, QLatin1Char('0')).arg(page);
        shootPage(name, page);
        if (page == QLatin1String("settings"))
            shootSettingsGroups(name);
    }

    auto nameOf = [&number](const char *view) {
        return QStringLiteral("%1-%2")
                .arg(number++, 2, 10, QLatin1Char('0'))
                .arg(QLatin1String(view));
    };

    // Now playing: a song with its cover, a little into the lyrics.
    const QString nowPlaying = nameOf("now-playing");
    if (audio.isEmpty()) {
        m_problems << QStringLiteral("no audio file under %1/Musicas").arg(m_sampleFolder);
    } else if (playAndWait(audio.first())) {
        m_window->navigate(QStringLiteral("player"));
        waitFor([&] { return m_core->position() > 1.5; }, 5000);
        // A song with a lyrics file shows the line being sung.
        if (!Lyrics::sidecarPath(audio.first()).isEmpty() &&
            !waitFor([&] { return m_window->nowPlayingView()->currentLine() >= 0; }, 5000))
            m_problems << QStringLiteral("no lyric line lit for %1").arg(audio.first());
        waitMs(600);
        save(nowPlaying, HarnessSupport::grabFromScreen(m_window));
    }

    // The video on a still frame, so the picture does not depend on timing.
    const QString player = nameOf("player-video");
    const QString queue = nameOf("queue-panel");
    const QString fullscreen = nameOf("fullscreen");
    const QString mini = nameOf("mini-player");
    if (video.isEmpty()) {
        m_problems << QStringLiteral("no video file under %1/Videos").arg(m_sampleFolder);
    } else if (playAndWait(video.first())) {
        // The queue shows the other videos and the songs, these with their
        // library title and artist.
        if (video.size() + audio.size() > 1)
            m_window->enqueuePaths(video.mid(1) + audio);
        m_window->navigate(QStringLiteral("player"));
        waitFor([&] { return m_core->position() > 1.0; }, 6000);
        m_core->setPaused(true);
        waitFor([&] { return m_core->isPaused(); }, 3000);
        waitMs(800);
        save(player, HarnessSupport::grabFromScreen(m_window));

        if (QAction *toggle = Actions::instance()->action(QStringLiteral("queue_toggle"))) {
            toggle->trigger();
            waitMs(600);
            save(queue, HarnessSupport::grabFromScreen(m_window));
            toggle->trigger();
            waitMs(300);
        }

        m_window->setFullscreen(true);
        waitMs(1200);
        // Without a window manager (a bare virtual display) nobody enlarges a
        // full-screen window; do what the manager would.
        const QRect screen = m_window->screen()->geometry();
        if (m_window->isFullscreenMode() && m_window->geometry() != screen) {
            m_window->setGeometry(screen);
            waitMs(600);
        }
        save(fullscreen, HarnessSupport::grabFromScreen(m_window));
        m_window->setFullscreen(false);
        waitMs(600);
        placeWindow();

        m_window->toggleMiniPlayer();
        waitMs(1200);
        if (m_window->isMiniMode())
            save(mini, HarnessSupport::grabFromScreen(m_window));
        else
            m_problems << QStringLiteral("the mini player did not open");
        m_window->toggleMiniPlayer();
        waitMs(600);
        placeWindow();
    }

    // Dialogs over the player page with the video loaded (some need media).
    shootDialogs(number, false);

    const QString preview = nameOf("seek-preview");
    if (!video.isEmpty())
        shootSeekPreview(preview);

    shootLibraryViews(number);
    shootDialogs(number, true);
    shootUserPlaylist(nameOf("playlists-user"), audio);
    // Taken while the library was still filled, saved after the others.
    const QString filledHome = nameOf("home-filled");
    const QString recentVideos = nameOf("recents-videos");
    const QString recentMusic = nameOf("recents-music");
    if (!m_filledHome.isNull())
        save(filledHome, m_filledHome);
    if (!m_recentVideos.isNull())
        save(recentVideos, m_recentVideos);
    if (!m_recentMusic.isNull())
        save(recentMusic, m_recentMusic);

    for (const QString &problem : std::as_const(m_problems))
        std::fprintf(stderr, "screenshots: %s\n", problem.toLocal8Bit().constData());
    std::printf("%d picture(s) in %s\n", m_saved,
                QDir(m_outputFolder).absolutePath().toLocal8Bit().constData());
    std::fflush(stdout);
    m_core->stop();
    QCoreApplication::exit(m_problems.isEmpty() ? 0 : 1);
}
