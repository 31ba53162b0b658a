#include "PlayerTestUtil.h"
#include "TaggedMedia.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"
#include "ui/Toast.h"
#include "ui/window/PageNavigator.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

// The main window against a real engine (no audio, no video output), a real
// database in a private folder and the real action registry.
class tst_MainWindow final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    QString m_video;
    QString m_subtitle;

    std::unique_ptr<MainWindow> makeWindow(bool show = true)
    {
        auto window = std::make_unique<MainWindow>(m_core.get());
        if (show) {
            window->show();
            window->activateWindow();
            if (!QTest::qWaitForWindowExposed(window.get()))
                return nullptr;
        }
        return window;
    }

    static QStringList storedShortcutKeys()
    {
        QSettings &settings = appSettings();
        settings.beginGroup(QStringLiteral("shortcuts"));
        const QStringList keys = settings.childKeys();
        settings.endGroup();
        return keys;
    }

    // Opens a popup menu through open (which may block in exec), hands the
    // menu to inspect and closes it.
    static bool withPopupMenu(const std::function<void()> &open,
                              const std::function<void(QMenu *)> &inspect)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll.stop();
            seen = true;
            inspect(menu);
            menu->close();
        });
        poll.start();
        open();
        QElapsedTimer waited;
        waited.start();
        while (!seen && waited.elapsed() < 5000)
            QTest::qWait(20);
        return seen;
    }

    static QStringList entryTexts(const QMenu *menu)
    {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
        return texts;
    }

    static QAction *entry(const QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    void waitIdle() { QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core)); }

    static void dropUrls(MainWindow *window, const QList<QUrl> &urls,
                         Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPointF point(window->width() / 2.0, window->height() / 2.0);
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(window, &drop);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-mainwindow")));

        m_video = TestMedia::solidVideo(m_media.filePath("clip.mp4"), 20, "blue", 320, 240);
        QVERIFY(!m_video.isEmpty());
        m_subtitle = m_media.filePath("clip-extra.srt");
        QFile srt(m_subtitle);
        QVERIFY(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:19,000\nHello there\n");
        srt.close();

        m_core = PlayerTestUtil::startCore();

        QVERIFY(m_core);
    }

    void cleanupTestCase()
    {
        waitIdle();
        m_core.reset();
    }

    void init()
    {
        uiEnglish = true;
        appSettings().remove(QStringLiteral("shortcuts"));
        appSettings().remove(QStringLiteral("window/geometry"));
        waitIdle();
    }

    // The window starts the library scan once it is up and shows how it went
    // in the sidebar; the scanned song reaches the database with its tags.
    void windowScansTheLibraryAndShowsTheCount()
    {
        QTemporaryDir music;
        const QString song = TaggedMedia::audio(music.filePath("song.mp3"));
        QVERIFY(!song.isEmpty());
        TaggedMedia::Tags tags;
        tags.title = QStringLiteral("Manhã");
        tags.artists = {QStringLiteral("Aurora")};
        QVERIFY(TaggedMedia::writeTags(song, tags));
        appSettings().setValue(QStringLiteral("library/audio"), QStringList{music.path()});
        appSettings().setValue(QStringLiteral("library/video"), QStringList{});

        auto window = makeWindow();
        QVERIFY(window);
        QLabel *status = window->navigator()->statusLabel();
        // Windows of earlier cases may have scanned before; this one's scan
        // is the one that finds the song.
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("1 files in library"), 20000);
        QVERIFY(status->isVisible());
        // The narrow sidebar keeps the line hidden through a whole rescan.
        window->resize(900, 700);
        QTRY_VERIFY(window->navigator()->isCompact());
        QVERIFY(status->isHidden());
        QSignalSpy finished(Library::instance(), &Library::scanFinished);
        Library::instance()->startScan();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QVERIFY(status->isHidden());
        const auto row = Database::instance()->mediaByPath(song);
        QVERIFY(row.has_value());
        QCOMPARE(row->title, QStringLiteral("Manhã"));
        QCOMPARE(row->artist, QStringLiteral("Aurora"));
        appSettings().remove(QStringLiteral("library/audio"));
        appSettings().remove(QStringLiteral("library/video"));
    }

    void geometryDefaultsAndIsRestored()
    {
        const QRect stored(60, 70, 1111, 700);
        {
            auto window = makeWindow();
            QVERIFY(window);
            QCOMPARE(window->size(), QSize(1320, 820));
            window->setGeometry(stored);
            QTRY_COMPARE(window->geometry(), stored);
            appSettings().setValue(QStringLiteral("window/geometry"), window->saveGeometry());
        }
        auto window = makeWindow();
        QVERIFY(window);
        QTRY_COMPARE(window->geometry(), stored);
    }

    void sidebarFollowsTheWidth()
    {
        auto window = makeWindow();
        QVERIFY(window);
        auto *name = window->navigator()->sidebar()->findChild<QLabel *>("BrandName");
        QVERIFY(name);

        window->resize(999, 700);
        QTRY_COMPARE(window->width(), 999);
        QCOMPARE(window->navigator()->sidebar()->width(), 84);
        QVERIFY(name->isHidden());
        for (const char *id :
             {"home", "videos", "music", "playlists", "recents", "radios", "settings", "player"}) {
            QPushButton *button = window->navigator()->navButton(id);
            QVERIFY2(button, id);
            QVERIFY2(button->text().isEmpty(), id);
            QVERIFY(!button->icon().isNull());
        }

        window->resize(1000, 700);
        QTRY_COMPARE(window->width(), 1000);
        QCOMPARE(window->navigator()->sidebar()->width(), 224);
        QVERIFY(!name->isHidden());
        QCOMPARE(window->navigator()->navButton("home")->text(), QStringLiteral("  Home"));
        QCOMPARE(window->navigator()->navButton("radios")->text(), QStringLiteral("  Radio && TV"));
        QVERIFY(QKeySequence::mnemonic(window->navigator()->navButton("radios")->text()).isEmpty());
        QCOMPARE(window->navigator()->navButton("player")->text(), QStringLiteral("  Now playing"));
    }

    void navigationByIdAndByButton()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QTRY_COMPARE(window->currentPage(), QStringLiteral("home"));
        QVERIFY(window->navigator()->navButton("home")->isChecked());

        // Pages other than the first are made when first opened; the settings
        // page made after start-up lists the output devices straight away.
        PageNavigator *nav = window->navigator();
        for (const char *id : {"videos", "music", "playlists", "recents", "radios", "settings"})
            QVERIFY2(!nav->isMade(id), id);
        QVERIFY(!window->findChild<QComboBox *>("audio/device"));
        window->navigate("settings");
        QCOMPARE(window->currentPage(), QStringLiteral("settings"));
        auto *devices = window->findChild<QComboBox *>("audio/device");
        QVERIFY(devices && devices->isVisible());
        QVERIFY(devices->count() >= 1);
        QVERIFY(!nav->isMade("radios"));
        QWidget *radios = nav->page("radios");
        QVERIFY(radios && nav->isMade("radios"));
        QCOMPARE(nav->page("radios"), radios);
        QVERIFY(!nav->page("no-such-page"));

        window->navigate("music");
        QCOMPARE(window->currentPage(), QStringLiteral("music"));
        QVERIFY(window->navigator()->navButton("music")->isChecked());
        window->navigate("no-such-page");
        QCOMPARE(window->currentPage(), QStringLiteral("music"));
        QCOMPARE(window->navigator()->lastPage(), QStringLiteral("music"));
        QVERIFY(window->navigator()->navButton("music")->isChecked());

        QTest::mouseClick(window->navigator()->navButton("playlists"), Qt::LeftButton);
        QCOMPARE(window->currentPage(), QStringLiteral("playlists"));
        window->navigate("player");
        QCOMPARE(window->currentPage(), QStringLiteral("player"));
        QCOMPARE(window->navigator()->lastPage(), QStringLiteral("playlists"));

        // The View menu's actions reach the same pages.
        Actions::instance()->action("go_settings")->trigger();
        QCOMPARE(window->currentPage(), QStringLiteral("settings"));
        Actions::instance()->action("go_recents")->trigger();
        QCOMPARE(window->currentPage(), QStringLiteral("recents"));
    }

    void firstShowVisitsThePlayerPageBriefly()
    {
        auto window = makeWindow(false);
        QCOMPARE(window->currentPage(), QStringLiteral("home"));
        window->show();
        QCOMPARE(window->currentPage(), QStringLiteral("player"));
        QTRY_COMPARE(window->currentPage(), QStringLiteral("home"));
        QVERIFY(window->navigator()->navButton("home")->isChecked());
    }

    void idlePlayerPageReturnsToTheLastPage()
    {
        auto window = makeWindow();
        QVERIFY(window);
        window->navigate("videos");
        window->playPaths({m_video}, 0);
        QTRY_COMPARE_WITH_TIMEOUT(window->currentPage(), QStringLiteral("player"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(window->currentPath(), m_video, 10000);
        // The path is known before the load has been booked, which shows the button.
        QTRY_VERIFY_WITH_TIMEOUT(
                window->navigator()->navButton("player")->isVisibleTo(window.get()), 10000);
        QVERIFY(!m_core->nowPlayingTitle().isEmpty());
        QCOMPARE(window->windowTitle(),
                 m_core->nowPlayingTitle() + QStringLiteral(" — Zorvi Player"));

        m_core->stop();
        QTRY_COMPARE_WITH_TIMEOUT(window->currentPage(), QStringLiteral("videos"), 10000);
        QVERIFY(m_core->queue().isEmpty());
        QVERIFY(window->currentPath().isEmpty());
        QVERIFY(!window->navigator()->navButton("player")->isVisibleTo(window.get()));
        QCOMPARE(window->windowTitle(), QStringLiteral("Zorvi Player"));
    }

    void toastGoesOverTheCurrentArea()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QTRY_COMPARE(window->currentPage(), QStringLiteral("home"));
        window->showToast("on a page");
        QVERIFY(window->toastWidget()->isVisible());
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("on a page"));
        QVERIFY(window->toastWidget()->parentWidget() != window->videoArea());
        window->navigate("player");
        window->showToast("over the video");
        QCOMPARE(window->toastWidget()->parentWidget(), window->videoArea());
        QTRY_VERIFY_WITH_TIMEOUT(!window->toastWidget()->isVisible(), 4000);
    }

    void registryDefaults()
    {
        auto window = makeWindow(false);
        Actions *registry = Actions::instance();
        const QList<QAction *> all = registry->all();
        QStringList ids;
        for (QAction *action : all)
            ids << action->objectName();
        QCOMPARE(ids.size(), 64);
        QCOMPARE(ids.first(), QStringLiteral("sleep_timer"));
        QCOMPARE(ids.at(1), QStringLiteral("open_file"));
        QCOMPARE(ids.last(), QStringLiteral("sub_style"));
        QCOMPARE(ids.count(), QSet<QString>(ids.begin(), ids.end()).size());

        for (QAction *action : all)
            QCOMPARE(action->shortcut(), registry->defaultShortcut(action->objectName()));
        for (const char *id : {"stop", "sleep_timer", "normalize", "sub_style"})
            QVERIFY2(registry->action(id)->shortcut().isEmpty(), id);

        auto keyOf = [registry](const char *id) {
            return registry->action(id)->shortcut().toString(QKeySequence::PortableText);
        };
        QCOMPARE(keyOf("open_file"), QStringLiteral("Ctrl+O"));
        QCOMPARE(keyOf("go_settings"), QStringLiteral("Ctrl+,"));
        QCOMPARE(keyOf("play_pause"), QStringLiteral("Space"));
        QCOMPARE(keyOf("seek_back"), QStringLiteral("Left"));
        QCOMPARE(keyOf("frame_prev"), QStringLiteral(","));
        QCOMPARE(keyOf("speed_fine_down"), QStringLiteral("Ctrl+["));
        QCOMPARE(keyOf("speed_reset"), QStringLiteral("Backspace"));
        QCOMPARE(keyOf("chapter_next"), QStringLiteral("PgDown"));
        QCOMPARE(keyOf("exit_fullscreen"), QStringLiteral("Esc"));
        QCOMPARE(keyOf("zoom_in"), QStringLiteral("Ctrl+="));
        QCOMPARE(keyOf("sub_load"), QStringLiteral("Ctrl+Shift+L"));

        QCOMPARE(registry->category("sleep_timer"), QStringLiteral("Playback"));
        QCOMPARE(registry->category("vol_up"), QStringLiteral("Audio"));
        QCOMPARE(registry->category("media_info"), QStringLiteral("Video"));
        QCOMPARE(registry->category("sub_cycle"), QStringLiteral("Subtitle"));
        QCOMPARE(registry->category("quit"), QStringLiteral("General"));
        QCOMPARE(registry->action("open_url")->text(), QStringLiteral("Open link…"));
        for (const char *id : {"normalize", "on_top", "mirror"})
            QVERIFY2(registry->action(id)->isCheckable(), id);
        QVERIFY(!registry->action("normalize")->isChecked());

        // Every registry action and the ten fixed seek keys live on the window.
        const QList<QAction *> onWindow = window->actions();
        for (QAction *action : all)
            QVERIFY2(onWindow.contains(action), qPrintable(action->objectName()));
        QStringList percentKeys;
        for (QAction *action : onWindow) {
            if (!all.contains(action))
                percentKeys << action->shortcut().toString();
        }
        QCOMPARE(percentKeys, (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    }

    void reassignmentIsStoredAndSurvivesANewWindow()
    {
        {
            auto window = makeWindow();
            QVERIFY(window);
            Actions *registry = Actions::instance();
            QVERIFY(storedShortcutKeys().isEmpty());
            registry->assignShortcut("open_url", QKeySequence("Ctrl+O"),
                                     [&window](const QString &text) { window->showToast(text); });
            QVERIFY(registry->action("open_file")->shortcut().isEmpty());
            QCOMPARE(registry->action("open_url")->shortcut(), QKeySequence("Ctrl+O"));
            QCOMPARE(window->toastWidget()->text(),
                     QStringLiteral("Shortcut was used by \"Open file…\" — reassigned"));
            QCOMPARE(appSettings().value("shortcuts/open_url").toString(),
                     QStringLiteral("Ctrl+O"));
            QVERIFY(appSettings().contains("shortcuts/open_file"));
            QCOMPARE(appSettings().value("shortcuts/open_file").toString(), QString());
            QCOMPARE(storedShortcutKeys().size(), 2);
        }
        {
            // A later start reads the stored keys back.
            auto window = makeWindow(false);
            Actions *registry = Actions::instance();
            QVERIFY(registry->action("open_file")->shortcut().isEmpty());
            QCOMPARE(registry->action("open_url")->shortcut(), QKeySequence("Ctrl+O"));

            registry->setShortcut("open_url", registry->defaultShortcut("open_url"));
            QVERIFY(!appSettings().contains("shortcuts/open_url"));

            registry->setShortcut("mute", QKeySequence("Ctrl+Alt+M"));
            registry->resetAll();
            QVERIFY2(storedShortcutKeys().isEmpty(), qPrintable(storedShortcutKeys().join(",")));
            for (QAction *action : registry->all())
                QCOMPARE(action->shortcut(), registry->defaultShortcut(action->objectName()));
        }
    }

    void focusedWidgetsKeepTheirNavigationKeys()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->navigate("recents");

        // Counts every window shortcut that fires.
        QStringList fired;
        QList<QMetaObject::Connection> links;
        for (QAction *action : window->actions()) {
            links << connect(action, &QAction::triggered, this, [&fired, action] {
                fired << (action->objectName().isEmpty() ? action->shortcut().toString()
                                                         : action->objectName());
            });
        }

        auto *list = new QListWidget(window->navigator()->page("recents"));
        list->addItems({"one", "two", "three"});
        list->setGeometry(10, 120, 300, 200);
        list->show();
        list->setFocus();
        list->setCurrentRow(0);
        QTRY_COMPARE(QApplication::focusWidget(), list);

        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 1);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->currentRow(), 0);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(list->currentRow(), 2);
        QVERIFY2(fired.isEmpty(), qPrintable(fired.join(",")));

        QTest::keyClick(list, Qt::Key_Right);
        QTest::keyClick(list, Qt::Key_Left);
        QCOMPARE(fired, (QStringList{"seek_fwd", "seek_back"}));
        QCOMPARE(list->currentRow(), 2);
        fired.clear();

        auto *spin = new QSpinBox(window->navigator()->page("recents"));
        spin->setRange(0, 1000);
        spin->setValue(500);
        spin->setGeometry(10, 340, 120, 30);
        spin->show();
        spin->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), spin);
        QTest::keyClick(spin, Qt::Key_Up);
        QCOMPARE(spin->value(), 501);
        const Qt::Key keys[] = {Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up,      Qt::Key_Down,
                                Qt::Key_Return, Qt::Key_Enter,  Qt::Key_Delete,  Qt::Key_Home,
                                Qt::Key_End,    Qt::Key_PageUp, Qt::Key_PageDown};
        for (Qt::Key key : keys)
            QTest::keyClick(spin, key);
        QVERIFY2(fired.isEmpty(), qPrintable(fired.join(",")));

        // Elsewhere the arrows are the window's again.
        auto *plain = new QPushButton("plain", window->navigator()->page("recents"));
        plain->setGeometry(200, 340, 80, 30);
        plain->show();
        plain->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), plain);
        QTest::keyClick(plain, Qt::Key_Down);
        QTest::keyClick(plain, Qt::Key_Home);
        QCOMPARE(fired, QStringList{"vol_down"});
        for (const auto &link : links)
            disconnect(link);
    }

    void mediaMenuEntries()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QStringList local;
        QStringList submenu;
        QVERIFY(withPopupMenu(
                [&] { window->showMediaMenu({m_video}, window->mapToGlobal(QPoint(50, 50))); },
                [&](QMenu *menu) {
                    local = entryTexts(menu);
                    submenu = entryTexts(entry(menu, "Add to playlist")->menu());
                }));
        QCOMPARE(local, (QStringList{"Play", "Play next", "Add to queue", "Add to playlist",
                                     "Add to favorites", "|", "Show in folder", "Copy path"}));
        QCOMPARE(submenu, QStringList{"New playlist…"});

        QStringList link;
        QVERIFY(withPopupMenu(
                [&] {
                    window->showMediaMenu({"https://radio.example.net/live.mp3"},
                                          window->mapToGlobal(QPoint(50, 50)));
                },
                [&](QMenu *menu) { link = entryTexts(menu); }));
        QCOMPARE(link, (QStringList{"Play", "Play next", "Add to queue", "Add to playlist",
                                    "Add to favorites"}));

        const qint64 mix = Database::instance()->createPlaylist("Mix");
        QVERIFY(mix > 0);
        QStringList several;
        QVERIFY(withPopupMenu(
                [&] {
                    window->showMediaMenu({m_video, m_subtitle},
                                          window->mapToGlobal(QPoint(50, 50)));
                },
                [&](QMenu *menu) {
                    several = entryTexts(menu);
                    submenu = entryTexts(entry(menu, "Add to playlist")->menu());
                    entry(entry(menu, "Add to playlist")->menu(), "Mix")->trigger();
                }));
        QCOMPARE(several, (QStringList{"Play", "Play next", "Add to queue", "Add to playlist"}));
        QCOMPARE(submenu, (QStringList{"New playlist…", "|", "Mix"}));
        QCOMPARE(Database::instance()->playlistItems(mix), (QStringList{m_video, m_subtitle}));
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("Added to \"Mix\""));

        // Favourite and copy path act on the one path.
        QVERIFY(!Database::instance()->isFavorite(m_video));
        QVERIFY(withPopupMenu(
                [&] { window->showMediaMenu({m_video}, window->mapToGlobal(QPoint(50, 50))); },
                [&](QMenu *menu) { entry(menu, "Add to favorites")->trigger(); }));
        QVERIFY(Database::instance()->isFavorite(m_video));
        QVERIFY(withPopupMenu(
                [&] { window->showMediaMenu({m_video}, window->mapToGlobal(QPoint(50, 50))); },
                [&](QMenu *menu) {
                    QVERIFY(entry(menu, "Remove from favorites"));
                    entry(menu, "Copy path")->trigger();
                }));
        QCOMPARE(QGuiApplication::clipboard()->text(), QDir::toNativeSeparators(m_video));

        // Extra actions come first and their carrier is deleted afterwards.
        QPointer<QWidget> extra = new QWidget;
        extra->addAction(new QAction("Remove from list", extra));
        QStringList withExtra;
        QVERIFY(withPopupMenu(
                [&] {
                    window->showMediaMenu({m_video}, window->mapToGlobal(QPoint(50, 50)), extra);
                },
                [&](QMenu *menu) { withExtra = entryTexts(menu); }));
        QCOMPARE(withExtra.mid(0, 3), (QStringList{"Remove from list", "|", "Play"}));
        QTRY_VERIFY(extra.isNull());

        // An empty list shows nothing and still disposes of the extra widget.
        QPointer<QWidget> unused = new QWidget;
        window->showMediaMenu({}, QPoint(10, 10), unused);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QTRY_VERIFY(unused.isNull());
        Database::instance()->setFavorite(m_video, false);
        Database::instance()->deletePlaylist(mix);
    }

    void droppedSubtitleOrNothingPlayable()
    {
        auto window = makeWindow();
        QVERIFY(window);

        // Nothing loaded: a subtitle alone is not playable, whether dropped
        // or given on the command line.
        dropUrls(window.get(), {QUrl::fromLocalFile(m_subtitle)});
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("No playable media found"));
        QVERIFY(m_core->isIdle());
        window->toastWidget()->setText(QString());
        QSignalSpy started(m_core.get(), &PlayerCore::fileStarted);
        window->openArguments({m_subtitle}, false);
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("No playable media found"));
        QVERIFY(m_core->isIdle());
        QCOMPARE(started.count(), 0);
        uiEnglish = false;
        dropUrls(window.get(), {QUrl::fromLocalFile(m_media.filePath("missing.mkv"))});
        QCOMPARE(window->toastWidget()->text(),
                 QStringLiteral("Nenhum vídeo ou música reconhecido"));
        uiEnglish = true;

        // A dropped video plays; a subtitle dropped on it is added.
        dropUrls(window.get(), {QUrl::fromLocalFile(m_video)});
        QTRY_COMPARE_WITH_TIMEOUT(window->currentPath(), m_video, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->hasVideo(), 10000);
        dropUrls(window.get(), {QUrl::fromLocalFile(m_subtitle)});
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("Subtitle loaded"));
        auto hasExternalSubtitle = [this] {
            for (const auto &track : m_core->tracks()) {
                if (track.type == QLatin1String("sub") && track.external)
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(hasExternalSubtitle(), 10000);
        QCOMPARE(window->currentPath(), m_video);

        // With Ctrl held the drop is queued behind what plays.
        dropUrls(window.get(), {QUrl::fromLocalFile(m_video)}, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->queue().size(), 2, 10000);
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("1 items added to queue"));
    }

    void digitKeysSeekByPercent()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->playPaths({m_video}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->duration() > 19, 10000);
        m_core->setPaused(true);
        QTRY_VERIFY(m_core->isPaused());
        QTest::keyClick(window.get(), Qt::Key_5);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - 10.0) < 0.6, 5000);
        QTest::keyClick(window.get(), Qt::Key_0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() < 0.6, 5000);
    }

    void menuBarEntries()
    {
        auto window = makeWindow(false);
        QStringList titles;
        QList<QMenu *> menus;
        for (QAction *action : window->menuBar()->actions()) {
            titles << action->text();
            menus << action->menu();
        }
        QCOMPARE(titles, (QStringList{"&Media", "&Playback", "&Audio", "&Video", "&Subtitles",
                                      "V&iew", "&Help"}));
        QCOMPARE(entryTexts(menus.at(0)), (QStringList{"Open file…", "Open folder…", "Open link…",
                                                       "Open recent", "|", "Quit"}));
        QCOMPARE(entryTexts(menus.at(5)),
                 (QStringList{"Go to Home", "Go to Videos", "Go to Music", "Go to Playlists",
                              "Go to Recent", "Go to Radio && TV", "Go to Now playing",
                              "Show queue", "Settings"}));
        QCOMPARE(entryTexts(menus.at(6)), (QStringList{"Keyboard shortcuts", "Check for updates",
                                                       "Zorvi Player website", "About"}));
        QCOMPARE(entryTexts(menus.at(4)),
                 (QStringList{"Subtitle track", "Secondary subtitle", "Cycle subtitles",
                              "Load subtitle file…", "Subtitle delay +0.1 s",
                              "Subtitle delay −0.1 s", "Subtitle style && sync…"}));
        QCOMPARE(entryTexts(menus.at(1)), (QStringList{"Play / pause",
                                                       "Stop",
                                                       "Previous",
                                                       "Next",
                                                       "|",
                                                       "Back (short)",
                                                       "Forward (short)",
                                                       "Back 10 s",
                                                       "Forward 10 s",
                                                       "Back 1 minute",
                                                       "Forward 1 minute",
                                                       "Previous frame",
                                                       "Next frame",
                                                       "Go to time…",
                                                       "|",
                                                       "Speed",
                                                       "Repeat",
                                                       "Shuffle",
                                                       "A-B repeat",
                                                       "Sleep timer…",
                                                       "Chapters"}));

        // "Open recent" is rebuilt from the history each time it opens.
        QMenu *recent = entry(menus.at(0), "Open recent")->menu();
        Database::instance()->clearHistory(QString());
        emit recent->aboutToShow();
        QCOMPARE(entryTexts(recent), QStringList{"(empty)"});
        HistoryEntry row;
        row.path = m_video;
        row.kind = "video";
        row.title = "Blue clip";
        row.position = 65;
        row.duration = 200;
        Database::instance()->recordHistory(row);
        emit recent->aboutToShow();
        QCOMPARE(entryTexts(recent), (QStringList{"Blue clip   (1:05)", "|", "See all…"}));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
