#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"
#include "ui/Toast.h"
#include "ui/bars/ControlBar.h"
#include "ui/pages/NowPlaying.h"
#include "ui/window/KeepAwakeController.h"
#include "ui/window/PageNavigator.h"
#include "ui/window/TrayController.h"
#include "ui/window/WindowModeController.h"

#include <QAction>
#include <QDirIterator>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

namespace {

// Starts a helper X program (window manager, tray panel) and keeps it running
// for the lifetime of the object.
class Helper
{
public:
    Helper(const QString &program, const QStringList &args)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, args);
        m_started = m_process.waitForStarted(5000);
    }
    ~Helper()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    bool started() const { return m_started; }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
    bool m_started = false;
};

QString findFile(const QString &root, const QString &name)
{
    QDirIterator it(root, {name}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

// Runs xdotool with the arguments; its standard output, or an empty text when
// it failed or took longer than the timeout.
QString xdotool(const QStringList &args, int timeoutMs = 15000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The player as its own process, in a private data folder, with the given
// settings written before it starts.
class PlayerProcess
{
public:
    PlayerProcess(const QString &home, const QMap<QString, QVariant> &settings)
        : m_home(home)
    {
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home);
        env.insert(QStringLiteral("ZORVIPLAYER_OPT"), QStringLiteral("ao=null"));
        QSettings config(configPath(), QSettings::IniFormat);
        config.setValue(QStringLiteral("general/checkUpdates"), false);
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            config.setValue(it.key(), it.value());
        config.sync();
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    ~PlayerProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QString configPath() const
    {
        return m_home + QStringLiteral("/data/orvandel/ZorviPlayer/config.ini");
    }
    QProcess &process() { return m_process; }
    // Starts with the arguments and waits until the main window is mapped.
    QString startAndFindWindow(const QStringList &args)
    {
        m_process.start(TestMedia::playerExecutable(), args);
        if (!m_process.waitForStarted(10000))
            return {};
        const QString pid = QString::number(m_process.processId());
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30000 && m_process.state() == QProcess::Running) {
            const QString found = xdotool(
                    {"search", "--onlyvisible", "--pid", pid, "--name", "Zorvi Player"}, 3000);
            // The tray icon window carries the same name; the main window is
            // the one of a real size.
            for (const QString &id : found.split('\n', Qt::SkipEmptyParts)) {
                const QString shape = xdotool({"getwindowgeometry", "--shell", id}, 3000);
                static const QRegularExpression widthLine(QStringLiteral("WIDTH=(\\d+)"));
                const QRegularExpressionMatch width = widthLine.match(shape);
                if (width.hasMatch() && width.captured(1).toInt() >= 300)
                    return id;
            }
            QTest::qWait(200);
        }
        return {};
    }
    // Whether that window of the player is mapped. Other windows of the
    // process carry the same name (the tray icon, its balloon).
    bool windowVisible(const QString &window)
    {
        return xdotool({"search", "--onlyvisible", "--pid", QString::number(m_process.processId()),
                        "--name", "Zorvi Player"},
                       3000)
                .split('\n')
                .contains(window);
    }

private:
    QString m_home;
    QProcess m_process;
};

} // namespace

// Window modes, mouse handling on the video, keep-awake, tray and closing,
// against a real engine (no audio, no video output) under a real window
// manager.
class tst_Modes final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<Helper> m_windowManager;
    std::unique_ptr<Helper> m_trayPanel;
    QString m_video;
    QString m_audio;
    static constexpr int ShortAutoHideMs = 300;
    static constexpr int ShortCheckMs = 100;

    std::unique_ptr<MainWindow> makeWindow()
    {
        auto window = std::make_unique<MainWindow>(m_core.get());
        // The timers run faster than for people; the rules stay the same.
        window->modes()->setAutoHideInterval(ShortAutoHideMs);
        window->keepAwake()->setCheckInterval(ShortCheckMs);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    void waitIdle() { QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core)); }

    // Plays a file through the window and waits until it is loaded there.
    bool play(MainWindow *window, const QString &path)
    {
        window->playPaths({path}, 0);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 15000) {
            if (window->currentPath() == path && !m_core->isIdle() &&
                m_core->hasVideo() == path.endsWith(".mp4"))
                return true;
            QTest::qWait(20);
        }
        return false;
    }

    bool startTrayPanel()
    {
        m_trayPanel = std::make_unique<Helper>(QStringLiteral("trayer"),
                                               QStringList{"--edge", "top", "--align", "right",
                                                           "--widthtype", "request", "--height",
                                                           "24", "--SetDockType", "true"});
        if (!m_trayPanel->started())
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!QSystemTrayIcon::isSystemTrayAvailable() && waited.elapsed() < 10000)
            QTest::qWait(50);
        // This process may still remember an earlier panel; give the new one
        // time to take the tray over before a child process looks for it.
        QTest::qWait(1500);
        return QSystemTrayIcon::isSystemTrayAvailable();
    }

    // Runs the application's event loop until something quits it; 3 when
    // nothing did within ten seconds.
    static int runEventLoop()
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
        guard.start(10000);
        return QApplication::exec();
    }

    // Only the double-click event: a press in the mini player may start a
    // window move.
    static void doubleClickOnly(QWidget *widget)
    {
        const QPointF at = widget->rect().center();
        QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    static QWidget *visibleBalloon()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QBalloonTip") && widget->isVisible())
                return widget;
        }
        return nullptr;
    }

    // How much of what the screen shows where the widget is looks like the
    // blue test video.
    static double videoShare(QWidget *widget)
    {
        const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
        const QImage shown =
                widget->screen()
                        ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
                        .toImage();
        int blue = 0;
        int all = 0;
        for (int y = 2; y < shown.height(); y += 4) {
            for (int x = 2; x < shown.width(); x += 4) {
                const QColor c = shown.pixelColor(x, y);
                blue += c.blue() > 200 && c.red() < 40 && c.green() < 40;
                ++all;
            }
        }
        return all ? double(blue) / all : 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-modes")));

        // Full screen, maximise and frameless placement behave as on a desktop
        // only with a window manager. Another one may already run; then openbox
        // leaves at once and that one is used.
        m_windowManager = std::make_unique<Helper>(QStringLiteral("openbox"), QStringList{});
        QVERIFY2(m_windowManager->started(), "openbox did not start");
        QTest::qWait(800);

        m_video = TestMedia::solidVideo(m_media.filePath("clip.mp4"), 30, "blue", 320, 240);
        QVERIFY(!m_video.isEmpty());
        m_audio = TestMedia::tone(m_media.filePath("song.mp3"), 30);
        QVERIFY(!m_audio.isEmpty());

        // With a real video output: what shows over the picture is tested.
        qputenv("ZORVIPLAYER_OPT", "ao=null");
        m_core = PlayerTestUtil::startCore();

        QVERIFY(m_core);
    }

    void cleanupTestCase()
    {
        waitIdle();
        m_core.reset();
        m_trayPanel.reset();
        m_windowManager.reset();
    }

    void init()
    {
        uiEnglish = true;
        appSettings().remove(QStringLiteral("window/geometry"));
        appSettings().remove(QStringLiteral("general/closeToTray"));
        appSettings().remove(QStringLiteral("playback/keepAwake"));
        waitIdle();
        if (m_core->isPaused())
            m_core->togglePause();
    }

    void nothingLoadedEntersNoMode()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(window->currentPath().isEmpty());
        const QRect before = window->geometry();
        window->setFullscreen(true);
        QTest::qWait(300);
        QVERIFY(!window->isFullscreenMode());
        QVERIFY(!window->isFullScreen());
        window->toggleMiniPlayer();
        QTest::qWait(300);
        QVERIFY(!window->isMiniMode());
        QVERIFY(!(window->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(window->geometry(), before);
        QVERIFY(window->navigator()->sidebar()->isVisible());
        QCOMPARE(window->controlBar()->parentWidget(), window->centralWidget());
        QCOMPARE(window->currentPage(), QStringLiteral("home"));
    }

    void miniPlayerSizeAndCorner_data()
    {
        QTest::addColumn<bool>("video");
        QTest::addColumn<QSize>("size");
        QTest::newRow("audio") << false << QSize(460, 220);
        QTest::newRow("video") << true << QSize(520, 292);
    }

    void miniPlayerSizeAndCorner()
    {
        QFETCH(bool, video);
        QFETCH(QSize, size);
        auto window = makeWindow();
        QVERIFY(window);
        window->resize(1100, 700);
        QTRY_COMPARE(window->width(), 1100);
        const QRect before = window->geometry();
        QVERIFY(play(window.get(), video ? m_video : m_audio));

        window->toggleMiniPlayer();
        QVERIFY(window->isMiniMode());
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        const QRect area = window->screen()->availableGeometry();
        const QPoint corner(area.right() - size.width() - 24, area.bottom() - size.height() - 24);
        // The window manager has the last word on placement and decoration;
        // wait for it. The frame is measured on the native window: the
        // widget's own frame geometry keeps the margins of the decorated window.
        QWindow *native = window->windowHandle();
        QVERIFY(native);
        QTRY_COMPARE(native->frameGeometry().size(), size);
        QTRY_COMPARE(native->frameGeometry().topLeft(), corner);
        QCOMPARE(native->frameMargins(), QMargins());
        QCOMPARE(window->geometry(), QRect(corner, size));
        QVERIFY(!window->navigator()->sidebar()->isVisible());
        QVERIFY(!window->menuBar()->isVisible());
        QCOMPARE(window->currentPage(), QStringLiteral("player"));
        ControlBar *bar = window->controlBar();
        QCOMPARE(bar->parentWidget(), window->videoArea());
        QCOMPARE(bar->property("overlay").toBool(), true);
        // Audio keeps the bar over the compact view; a playing video hides it
        // until the mouse moves.
        QCOMPARE(bar->isVisible(), !video);
        if (video)
            window->videoSurface()->setFocus();
        QTRY_COMPARE(window->videoArea()->size(), size);
        const int barHeight = bar->sizeHint().height();
        QCOMPARE(bar->geometry(),
                 QRect(6, size.height() - barHeight - 6, size.width() - 12, barHeight));
        // The frameless window still shows the picture on screen.
        if (video)
            QTRY_VERIFY2(videoShare(window->videoSurface()) > 0.7,
                         qPrintable(QString::number(videoShare(window->videoSurface()))));

        // Leaving by double click on the compact view or the video.
        QWidget *surface = video ? static_cast<QWidget *>(window->videoSurface())
                                 : static_cast<QWidget *>(window->nowPlayingView());
        doubleClickOnly(surface);
        QTRY_VERIFY(!window->isMiniMode());
        QVERIFY(!(window->windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(bar->parentWidget(), window->centralWidget());
        QCOMPARE(bar->property("overlay").toBool(), false);
        QVERIFY(bar->isVisible());
        QVERIFY(window->navigator()->sidebar()->isVisible());
        QTRY_COMPARE(window->geometry().size(), before.size());
        QVERIFY(!m_core->isPaused());
        if (video) {
            // And so does the normal window once it is back.
            QTRY_VERIFY2(videoShare(window->videoSurface()) > 0.7,
                         qPrintable(QString::number(videoShare(window->videoSurface()))));
        }
    }

    // Going to another page, by the user or by stopping, first brings the
    // normal window back; the player page itself keeps the mini player.
    void leavingThePlayerPageLeavesTheMiniPlayer_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("page");
        QTest::newRow("stop") << "stop"
                              << "home";
        QTest::newRow("go_music") << "go_music"
                                  << "music";
        QTest::newRow("go_settings") << "go_settings"
                                     << "settings";
        QTest::newRow("go_player") << "go_player"
                                   << "player";
    }

    void leavingThePlayerPageLeavesTheMiniPlayer()
    {
        QFETCH(QString, entry);
        QFETCH(QString, page);
        auto window = makeWindow();
        QVERIFY(window);
        window->resize(1100, 700);
        QTRY_COMPARE(window->width(), 1100);
        QVERIFY(play(window.get(), m_video));
        window->toggleMiniPlayer();
        QVERIFY(window->isMiniMode());
        QTRY_COMPARE(window->windowHandle()->frameGeometry().size(), QSize(520, 292));

        Actions::instance()->action(entry)->trigger();
        QTRY_COMPARE(window->currentPage(), page);
        if (page == "player") {
            QVERIFY(window->isMiniMode());
            return;
        }
        QTRY_VERIFY(!window->isMiniMode());
        QVERIFY(!(window->windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(window->navigator()->sidebar()->isVisible());
        QCOMPARE(window->controlBar()->parentWidget(), window->centralWidget());
        QTRY_COMPARE(window->size(), QSize(1100, 700));
    }

    void fullscreenOverlayAndRestoresMaximized()
    {
        auto window = makeWindow();
        QVERIFY(window);
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized());
        QVERIFY(play(window.get(), m_video));

        window->setFullscreen(true);
        QVERIFY(window->isFullscreenMode());
        QTRY_VERIFY(window->isFullScreen());
        const QRect screen = window->screen()->geometry();
        QTRY_COMPARE(window->videoArea()->size(), screen.size());
        ControlBar *bar = window->controlBar();
        QCOMPARE(bar->parentWidget(), window->videoArea());
        const int barHeight = bar->sizeHint().height();
        QTRY_COMPARE(bar->geometry(),
                     QRect(28, screen.height() - barHeight - 28, screen.width() - 56, barHeight));
        QVERIFY(!window->navigator()->sidebar()->isVisible());
        QVERIFY(!window->menuBar()->isVisible());
        // The picture is a native window of its own; the bar and a toast
        // still show over it.
        QTRY_VERIFY(videoShare(window->videoSurface()) > 0.7);
        // Paused, the bar stays up once the pointer moved.
        m_core->setPaused(true);
        QTRY_VERIFY(m_core->isPaused());
        QTest::mouseMove(window->videoSurface(), QPoint(200, 200));
        QTRY_VERIFY(bar->isVisible());
        QTRY_VERIFY(videoShare(bar) < 0.1);
        window->showToast(QStringLiteral("Over the picture"));
        Toast *toast = window->findChild<Toast *>();
        QVERIFY(toast && toast->isVisible());
        QTRY_VERIFY(videoShare(toast) < 0.3);
        // A second request for the same state changes nothing.
        window->setFullscreen(true);
        QVERIFY(window->isFullScreen());
        QCOMPARE(bar->parentWidget(), window->videoArea());

        window->setFullscreen(false);
        QVERIFY(!window->isFullscreenMode());
        QTRY_VERIFY(!window->isFullScreen());
        QTRY_VERIFY(window->isMaximized());
        QCOMPARE(bar->parentWidget(), window->centralWidget());
        QVERIFY(window->navigator()->sidebar()->isVisible());
        QCOMPARE(window->videoSurface()->cursor().shape(), Qt::ArrowCursor);

        // From a normal window back to a normal window.
        window->showNormal();
        QTRY_VERIFY(!window->isMaximized());
        window->setFullscreen(true);
        QTRY_VERIFY(window->isFullScreen());
        window->setFullscreen(false);
        QTRY_VERIFY(!window->isFullScreen());
        QTest::qWait(300);
        QVERIFY(!window->isMaximized());
    }

    // Every way back to the window (tray, media controls, a second start)
    // undoes only the minimising or hiding: maximised and full screen stay.
    void restoringKeepsMaximisedAndFullScreen()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(play(window.get(), m_video));
        const QList<std::pair<const char *, std::function<void()>>> entries{
                {"tray",
                 [&] {
                     window->tray()->showWindow();
                 }},
                {"other instance",
                 [&] {
                     window->openArguments({}, true);
                 }},
        };
        for (const auto &[name, restore] : entries) {
            window->showMaximized();
            QTRY_VERIFY2(window->isMaximized(), name);
            window->showMinimized();
            QTRY_VERIFY2(window->isMinimized(), name);
            restore();
            QTRY_VERIFY2(!window->isMinimized(), name);
            QVERIFY2(window->isMaximized(), name);

            window->hide();
            restore();
            QTRY_VERIFY2(window->isVisible(), name);
            QVERIFY2(window->isMaximized(), name);

            window->setFullscreen(true);
            QTRY_VERIFY2(window->isFullScreen(), name);
            window->showMinimized();
            QTRY_VERIFY2(window->isMinimized(), name);
            restore();
            QTRY_VERIFY2(!window->isMinimized(), name);
            QVERIFY2(window->isFullScreen(), name);
            QVERIFY2(window->isFullscreenMode(), name);
            window->setFullscreen(false);
            QTRY_VERIFY2(!window->isFullScreen(), name);
        }
    }

    void autoHideHidesBarAndCursorInFullscreen()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(play(window.get(), m_video));
        window->setFullscreen(true);
        QTRY_VERIFY(window->isFullScreen());
        ControlBar *bar = window->controlBar();
        // Keep the pointer away from the bar.
        QCursor::setPos(window->screen()->geometry().center() - QPoint(0, 300));
        QVERIFY(bar->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 5000);
        QCOMPARE(window->videoSurface()->cursor().shape(), Qt::BlankCursor);
        QTest::mouseMove(window->videoSurface(), QPoint(200, 200));
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(window->videoSurface()->cursor().shape(), Qt::ArrowCursor);
        // Paused media keeps the bar: the timer runs out and leaves it.
        m_core->togglePause();
        QTRY_VERIFY(m_core->isPaused());
        QTest::mouseMove(window->videoSurface(), QPoint(220, 220));
        QVERIFY(window->modes()->autoHidePending());
        QTRY_VERIFY(!window->modes()->autoHidePending());
        QVERIFY(bar->isVisible());
        window->setFullscreen(false);
    }

    void clickPausesAfterIntervalDoubleClickTogglesFullscreen()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(play(window.get(), m_video));
        QTRY_COMPARE(window->currentPage(), QStringLiteral("player"));
        MpvWidget *surface = window->videoSurface();
        QTRY_VERIFY(surface->isVisible());
        const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QVERIFY(interval > 0);

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, surface->rect().center());
        QVERIFY(!m_core->isPaused());
        QTest::qWait(interval / 2);
        QVERIFY(!m_core->isPaused());
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused(), interval + 3000);
        QVERIFY(clock.elapsed() >= interval);
        m_core->togglePause();
        QTRY_VERIFY(!m_core->isPaused());

        QTest::mouseDClick(surface, Qt::LeftButton, Qt::NoModifier, surface->rect().center());
        QVERIFY(window->isFullscreenMode());
        QTRY_VERIFY(window->isFullScreen());
        QTest::qWait(interval + 300);
        QVERIFY(!m_core->isPaused());
        QTest::mouseDClick(surface, Qt::LeftButton, Qt::NoModifier, surface->rect().center());
        QVERIFY(!window->isFullscreenMode());
        QTRY_VERIFY(!window->isFullScreen());
        QTest::qWait(interval + 300);
        QVERIFY(!m_core->isPaused());

        // In the mini player a single click does not pause.
        window->toggleMiniPlayer();
        QVERIFY(window->isMiniMode());
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, surface->rect().center());
        QTest::qWait(interval + 300);
        QVERIFY(!m_core->isPaused());
        window->toggleMiniPlayer();
        QVERIFY(!window->isMiniMode());
    }

    void wheelAndAlwaysOnTop()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(play(window.get(), m_video));
        MpvWidget *surface = window->videoSurface();
        QTRY_VERIFY(surface->isVisible());
        m_core->setVolume(50);
        QTRY_COMPARE(qRound(m_core->volume()), 50);
        const QPoint at = surface->rect().center();
        QWheelEvent up(at, surface->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &up);
        QTRY_COMPARE(qRound(m_core->volume()), 55);
        QWheelEvent down(at, surface->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        // Back to back, as a fast scroll delivers them: each step counts.
        QApplication::sendEvent(surface, &down);
        QApplication::sendEvent(surface, &down);
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("Volume 45%"));
        QTRY_COMPARE(qRound(m_core->volume()), 45);
        QTest::qWait(300);
        QCOMPARE(qRound(m_core->volume()), 45);

        QAction *onTop = Actions::instance()->action(QStringLiteral("on_top"));
        QVERIFY(onTop);
        onTop->trigger();
        QVERIFY(window->modes()->isAlwaysOnTop());
        QVERIFY(onTop->isChecked());
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("Always on top on"));
        // The mini player ends with the always-on-top state it started with.
        window->toggleMiniPlayer();
        window->toggleMiniPlayer();
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        // Through both flag changes the picture stays on screen.
        QTRY_VERIFY(videoShare(surface) > 0.7);
        onTop->trigger();
        QVERIFY(!window->modes()->isAlwaysOnTop());
        QVERIFY(!onTop->isChecked());
        QVERIFY(!(window->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(window->toastWidget()->text(), QStringLiteral("Always on top off"));
    }

    // Without the screen saver service on the bus the window still tracks what
    // it wants and nothing fails.
    void keepAwakeWithoutService()
    {
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(play(window.get(), m_video));
        QTRY_VERIFY_WITH_TIMEOUT(window->keepAwake()->isKeepingAwake(), 5000);
        m_core->togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(!window->keepAwake()->isKeepingAwake(), 5000);
    }

    void keepAwakeInhibitsOnceAndReleasesOnPause();

    void noTrayMeansCloseQuits()
    {
        QVERIFY2(!QSystemTrayIcon::isSystemTrayAvailable(), "a tray is already running");
        appSettings().setValue(QStringLiteral("general/closeToTray"), true);
        auto window = makeWindow();
        QVERIFY(window);
        QVERIFY(!window->tray()->icon());
        QVERIFY(play(window.get(), m_audio));
        m_core->setVolume(37);
        QTRY_COMPARE(qRound(m_core->volume()), 37);
        window->resize(1000, 640);
        QTRY_COMPARE(window->width(), 1000);

        // The close must end the event loop by itself.
        QTimer::singleShot(0, window.get(), [&] { window->close(); });
        QCOMPARE(runEventLoop(), 0);
        QVERIFY(!window->isVisible());
        QSettings stored(dataDir() + "/config.ini", QSettings::IniFormat);
        QCOMPARE(stored.value("audio/volume").toInt(), 37);
        QVERIFY(!stored.value("window/geometry").toByteArray().isEmpty());
        auto restored = std::make_unique<MainWindow>(m_core.get());
        QCOMPARE(restored->size(), QSize(1000, 640));
    }

    void closeToTrayBalloonOnceAndQuit()
    {
        QVERIFY2(startTrayPanel(), "no system tray from trayer");
        auto window = makeWindow();
        QVERIFY(window);
        QSystemTrayIcon *tray = window->tray()->icon();
        QVERIFY(tray);
        QVERIFY(tray->isVisible());
        QCOMPARE(tray->toolTip(), QStringLiteral("Zorvi Player"));
        QMenu *menu = window->tray()->menu();
        QVERIFY(menu);
        QStringList entries;
        for (QAction *action : menu->actions())
            entries << (action->isSeparator() ? QStringLiteral("|") : action->text());
        QStringList expected{"Show window", "|"};
        for (const char *id : {"play_pause", "prev", "next"})
            expected << Actions::instance()->action(QString::fromLatin1(id))->text();
        expected << "|" << Actions::instance()->action("quit")->text();
        QCOMPARE(entries, expected);

        QVERIFY(play(window.get(), m_audio));
        appSettings().setValue(QStringLiteral("general/closeToTray"), true);
        QVERIFY(!window->close());
        QVERIFY(!window->isVisible());
        QTRY_VERIFY(visibleBalloon());
        visibleBalloon()->hide();
        QVERIFY(!m_core->isIdle());

        // Activating the icon brings the window back and hides it again.
        emit tray->activated(QSystemTrayIcon::Trigger);
        QTRY_VERIFY(window->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(!window->isVisible());
        window->show();
        QTRY_VERIFY(window->isVisible());
        // A middle click toggles pause.
        emit tray->activated(QSystemTrayIcon::MiddleClick);
        QTRY_VERIFY(m_core->isPaused());
        emit tray->activated(QSystemTrayIcon::MiddleClick);
        QTRY_VERIFY(!m_core->isPaused());

        // The tip follows a new title without a pause in between, and the end.
        const QString firstTip = tray->toolTip();
        QVERIFY2(firstTip.startsWith(QStringLiteral("Zorvi Player — ")), qPrintable(firstTip));
        QVERIFY(play(window.get(), m_video));
        QTRY_COMPARE(tray->toolTip(),
                     QStringLiteral("Zorvi Player — ") + m_core->nowPlayingTitle());
        QVERIFY(tray->toolTip() != firstTip);
        m_core->stop();
        QTRY_COMPARE(tray->toolTip(), QStringLiteral("Zorvi Player"));

        QVERIFY(!window->close());
        QVERIFY(!window->isVisible());
        QTest::qWait(1000);
        QVERIFY(!visibleBalloon());

        // Quitting bypasses the tray, even from the hidden window.
        QTimer::singleShot(0, qApp,
                           [] { Actions::instance()->action(QStringLiteral("quit"))->trigger(); });
        QCOMPARE(runEventLoop(), 0);
        QVERIFY(!tray->isVisible());
        m_trayPanel.reset();
    }

    // A close from the window manager hides the window in the tray; the
    // termination signal still ends the process cleanly with the settings
    // stored.
    void processCloseToTrayThenTerminate()
    {
        QVERIFY2(startTrayPanel(), "no system tray from trayer");
        auto stopTray = qScopeGuard([this] { m_trayPanel.reset(); });
        QTemporaryDir home;
        PlayerProcess player(home.path(), {{"general/closeToTray", true}, {"audio/volume", 64}});
        const QString window = player.startAndFindWindow({m_video});
        QVERIFY2(!window.isEmpty(), "the player window did not appear");
        QTest::qWait(2000);
        // The window manager's own close request (what Alt+F4 or the title
        // bar's button send), asked again when a busy machine lost it.
        for (int attempt = 0; attempt < 4 && player.windowVisible(window); ++attempt) {
            QProcess::execute(QStringLiteral("wmctrl"), {"-i", "-c", window});
            if (QTest::qWaitFor([&] { return !player.windowVisible(window); }, 4000))
                break;
        }
        QVERIFY(!player.windowVisible(window));
        QTest::qWait(1000);
        QFile log(findFile(home.path(), "zorvi-player.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY2(player.process().state() == QProcess::Running, log.readAll().constData());

        QSettings before(player.configPath(), QSettings::IniFormat);
        QVERIFY(before.value("window/geometry").toByteArray().isEmpty());
        ::kill(pid_t(player.process().processId()), SIGTERM);
        QVERIFY(player.process().waitForFinished(20000));
        QCOMPARE(player.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.process().exitCode(), 0);
        QSettings after(player.configPath(), QSettings::IniFormat);
        QVERIFY(!after.value("window/geometry").toByteArray().isEmpty());
        QCOMPARE(after.value("audio/volume").toInt(), 64);
        // Written by another process, the INI "general" section reads back as
        // the group "General".
        QCOMPARE(after.value("General/closeToTray", after.value("general/closeToTray")).toBool(),
                 true);
        log.seek(0);
        QVERIFY(log.readAll().contains("encerrado"));
    }

    // The first window, at its default size or at a size saved on a larger
    // monitor, opens inside the screen whatever the scale factor.
    void firstWindowFitsTheScreen_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<bool>("saved");
        for (const char *scale : {"1", "1.25", "1.5", "2"}) {
            QTest::addRow("default at %s", scale) << scale << false;
            QTest::addRow("saved at %s", scale) << scale << true;
        }
    }

    void firstWindowFitsTheScreen()
    {
        QFETCH(QString, scale);
        QFETCH(bool, saved);
        QMap<QString, QVariant> settings;
        if (saved) {
            QWidget elsewhere;
            elsewhere.setGeometry(2200, 300, 2400, 1300);
            settings.insert(QStringLiteral("window/geometry"), elsewhere.saveGeometry());
        }
        QTemporaryDir home;
        PlayerProcess player(home.path(), settings);
        QProcessEnvironment env = player.process().processEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        player.process().setProcessEnvironment(env);
        const QString window = player.startAndFindWindow({});
        QVERIFY2(!window.isEmpty(), "the player window did not appear");

        // This process runs unscaled: its pixels are the screen's.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const auto placed = [&] {
            const QString shape = xdotool({"getwindowgeometry", "--shell", window}, 3000);
            QMap<QString, int> values;
            for (const QString &line : shape.split('\n', Qt::SkipEmptyParts))
                values.insert(line.section('=', 0, 0), line.section('=', 1).toInt());
            return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"),
                         values.value("HEIGHT"));
        };
        QTRY_VERIFY2_WITH_TIMEOUT(area.contains(placed()),
                                  qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                     .arg(placed().x())
                                                     .arg(placed().y())
                                                     .arg(placed().width())
                                                     .arg(placed().height())),
                                  5000);
        QVERIFY(placed().width() >= 400);
    }

    // The quit shortcut ends the process even with close-to-tray on.
    void processQuitShortcut()
    {
        QVERIFY2(startTrayPanel(), "no system tray from trayer");
        auto stopTray = qScopeGuard([this] { m_trayPanel.reset(); });
        QTemporaryDir home;
        PlayerProcess player(home.path(), {{"general/closeToTray", true}, {"audio/volume", 41}});
        const QString window = player.startAndFindWindow({m_audio});
        QVERIFY2(!window.isEmpty(), "the player window did not appear");
        QTest::qWait(1500);
        xdotool({"windowactivate", "--sync", window});
        xdotool({"key", "--clearmodifiers", "ctrl+q"});
        QVERIFY(player.process().waitForFinished(20000));
        QCOMPARE(player.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.process().exitCode(), 0);
        QSettings after(player.configPath(), QSettings::IniFormat);
        QVERIFY(!after.value("window/geometry").toByteArray().isEmpty());
        QCOMPARE(after.value("audio/volume").toInt(), 41);
    }
};

#include <QDBusConnection>
#include <QDBusError>
#include <QThread>

// A stand-in for the desktop's screen saver service: counts the requests and
// hands out cookies. It lives on its own thread and bus connection so that the
// window's blocking calls reach it through the real bus.
class ScreenSaverService final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QAtomicInt inhibits;
    QAtomicInt uninhibits;
    QAtomicInt lastCookie;
    QAtomicInt releasedCookie;

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        Q_UNUSED(application);
        Q_UNUSED(reason);
        inhibits.ref();
        lastCookie.storeRelaxed(1000 + inhibits.loadRelaxed());
        return uint(lastCookie.loadRelaxed());
    }
    void UnInhibit(uint cookie)
    {
        uninhibits.ref();
        releasedCookie.storeRelaxed(int(cookie));
    }
};

void tst_Modes::keepAwakeInhibitsOnceAndReleasesOnPause()
{
    QThread thread;
    ScreenSaverService service;
    service.moveToThread(&thread);
    thread.start();
    QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("saver"));
    QVERIFY2(bus.isConnected(), "no session bus");
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &service,
                               QDBusConnection::ExportAllSlots));
    QVERIFY2(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")),
             qPrintable(bus.lastError().message()));
    auto cleanup = qScopeGuard([&] {
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        QDBusConnection::disconnectFromBus(QStringLiteral("saver"));
        thread.quit();
        thread.wait();
    });

    {
        auto window = makeWindow();
        QVERIFY(window);
        QSignalSpy checks(window->keepAwake(), &KeepAwakeController::checked);
        auto waitChecks = [&checks] {
            checks.clear();
            return QTest::qWaitFor([&checks] { return checks.count() >= 3; }, 5000);
        };
        // Audio never keeps the display awake.
        QVERIFY(play(window.get(), m_audio));
        QVERIFY(waitChecks());
        QCOMPARE(service.inhibits.loadRelaxed(), 0);

        QVERIFY(play(window.get(), m_video));
        QTRY_COMPARE_WITH_TIMEOUT(service.inhibits.loadRelaxed(), 1, 5000);
        QVERIFY(window->keepAwake()->isKeepingAwake());
        // Later checks keep the one request.
        QVERIFY(waitChecks());
        QCOMPARE(service.inhibits.loadRelaxed(), 1);
        QCOMPARE(service.uninhibits.loadRelaxed(), 0);

        m_core->togglePause();
        QTRY_COMPARE_WITH_TIMEOUT(service.uninhibits.loadRelaxed(), 1, 5000);
        QCOMPARE(service.releasedCookie.loadRelaxed(), service.lastCookie.loadRelaxed());
        QVERIFY(!window->keepAwake()->isKeepingAwake());

        // Playing again asks again; the setting switches it off.
        m_core->togglePause();
        QTRY_COMPARE_WITH_TIMEOUT(service.inhibits.loadRelaxed(), 2, 5000);
        appSettings().setValue(QStringLiteral("playback/keepAwake"), false);
        QTRY_COMPARE_WITH_TIMEOUT(service.uninhibits.loadRelaxed(), 2, 5000);
        appSettings().setValue(QStringLiteral("playback/keepAwake"), true);
        QTRY_COMPARE_WITH_TIMEOUT(service.inhibits.loadRelaxed(), 3, 5000);

        // Closing gives the request back, and the checks that still come
        // before the window goes do not take it again.
        QVERIFY(window->close());
        QTRY_COMPARE_WITH_TIMEOUT(service.uninhibits.loadRelaxed(), 3, 5000);
        QVERIFY(!window->keepAwake()->isKeepingAwake());
        QVERIFY(waitChecks());
        QCOMPARE(service.inhibits.loadRelaxed(), 3);
    }
    QTest::qWait(300);
    QCOMPARE(service.uninhibits.loadRelaxed(), 3);
}

QTEST_MAIN(tst_Modes)
#include "tst_modes.moc"
