// The video surface against the real engine: pixels drawn into the widget's
// framebuffer and onto the screen, surface lifetimes, rendering while hidden,
// the statistics line and the mouse signals.
#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "engine/MpvApi.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "tst_videosurface_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>
#include <memory>

using namespace VideoSurfaceTest;

namespace {} // namespace

class TestVideoSurface final : public QObject
{
    Q_OBJECT

public:
    // Same toolkit set-up as the player: swap interval 1.
    static void initMain()
    {
        QSurfaceFormat format = QSurfaceFormat::defaultFormat();
        format.setSwapInterval(1);
        QSurfaceFormat::setDefaultFormat(format);
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void blockValueFromEnvironmentText();
    void drawsSolidColourIntoFramebufferAndOntoScreen();
    void keepsOrientation();
    void rendersAtTheNewSizeAfterResize();
    void keepsDrawingAfterMovingToAnotherWindow();
    void secondSurfaceLifetimeOnTheSameEngine();
    void rendersWhileHiddenWithoutRepaintRequests();
    void statisticsLineAtMostOncePerSecond();
    void leftDoubleClickIsNotAClick();
    void pressDragReleaseIsMovementThenClick();
    void rightClickReportsRoundedGlobalPosition();
    void wheelIsReportedAndNotPropagated();
    void engineDestroyedAfterTheWindow();
    void blockingCallsDoNotHoldBackTheFirstFrame();

private:
    void loadAndWaitForColour(MpvWidget *video, const QString &path, const QColor &centre);
    QImage grabWhenCentreIs(MpvWidget *video, const QColor &centre);

    QTemporaryDir m_dir;
    std::unique_ptr<PlayerCore> m_core;
    QString m_red;
    QString m_blue;
    QString m_leftRight;
    QString m_topBottom;
    QString m_moving;
    QString m_withSound;
    QString m_tone;
};

void TestVideoSurface::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    // No sound card on the test machines; software decoding keeps the
    // picture path the same everywhere.
    qputenv("ZORVIPLAYER_OPT", "ao=null");
    qputenv("ZORVIPLAYER_HWDEC", "no");

    m_red = TestMedia::solidVideo(m_dir.filePath("red.mkv"), 3, "red", 320, 240);
    m_blue = TestMedia::solidVideo(m_dir.filePath("blue.mkv"), 3, "blue", 320, 240);
    m_leftRight = splitVideo(m_dir.filePath("leftright.mkv"), "red", "lime", true, 320, 240, 3);
    m_topBottom = splitVideo(m_dir.filePath("topbottom.mkv"), "blue", "yellow", false, 320, 240, 3);
    m_moving = TestMedia::solidVideo(m_dir.filePath("long.mkv"), 30, "0x3060c0", 160, 120);
    m_withSound = colourWithSound(m_dir.filePath("sound.mkv"), "0x3060c0", 30);
    m_tone = TestMedia::tone(m_dir.filePath("tone.wav"), 30);
    QVERIFY(!m_red.isEmpty() && !m_blue.isEmpty() && !m_leftRight.isEmpty() &&
            !m_topBottom.isEmpty() && !m_moving.isEmpty() && !m_withSound.isEmpty() &&
            !m_tone.isEmpty());

    m_core = PlayerTestUtil::startCore();

    QVERIFY(m_core);
    QVERIFY(m_core->handle());
}

void TestVideoSurface::cleanupTestCase()
{
    m_core.reset();
}

void TestVideoSurface::cleanup()
{
    if (m_core && m_core->handle())
        runCommand(m_core->handle(), {"stop"});
    qunsetenv("ZORVIPLAYER_DEBUGFPS");
}

QImage TestVideoSurface::grabWhenCentreIs(MpvWidget *video, const QColor &centre)
{
    QImage image;
    waitUntil([&] {
        image = video->grabFramebuffer();
        return !image.isNull() && near(pixelAt(image, 0.5, 0.5), centre);
    });
    return image;
}

void TestVideoSurface::loadAndWaitForColour(MpvWidget *video, const QString &path,
                                            const QColor &centre)
{
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", path}), 0);
    const QImage image = grabWhenCentreIs(video, centre);
    QVERIFY2(near(pixelAt(image, 0.5, 0.5), centre),
             qPrintable("centre " + describe(pixelAt(image, 0.5, 0.5))));
}

void TestVideoSurface::blockValueFromEnvironmentText()
{
    QCOMPARE(MpvWidget::blockForTargetTime(false, QByteArray()), 1);
    QCOMPARE(MpvWidget::blockForTargetTime(true, "0"), 0);
    QCOMPARE(MpvWidget::blockForTargetTime(true, "1"), 1);
    QCOMPARE(MpvWidget::blockForTargetTime(true, " 1 "), 1);
    QCOMPARE(MpvWidget::blockForTargetTime(true, "off"), 0);
    QCOMPARE(MpvWidget::blockForTargetTime(true, "yes"), 0);
    QCOMPARE(MpvWidget::blockForTargetTime(true, "1x"), 0);
    QCOMPARE(MpvWidget::blockForTargetTime(true, ""), 0);
}

void TestVideoSurface::drawsSolidColourIntoFramebufferAndOntoScreen()
{
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    // No OpenGL until a file with a picture opens: a sound alone makes none.
    QVERIFY(!view.video->hasSurface());
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_tone}), 0);
    QTRY_VERIFY(getPropertyDouble(m_core->handle(), "time-pos") > 0.2);
    QVERIFY(!view.video->hasSurface());
    QVERIFY(!view.video->hasRenderContext());

    const MpvWidget::RenderCounters before = MpvWidget::renderCounters();
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_red}), 0);

    // The engine's own update path (callback, due frame, repaint, swap) has to
    // put the picture on the screen; nothing here asks for a repaint.
    QImage screen;
    const bool shown = waitUntil([&] {
        screen = screenPixels(view.video);
        return near(pixelAt(screen, 0.5, 0.5), Qt::red);
    });
    QVERIFY2(shown, qPrintable("screen centre " + describe(pixelAt(screen, 0.5, 0.5))));
    for (double fx : {0.05, 0.5, 0.95})
        for (double fy : {0.05, 0.5, 0.95})
            QVERIFY2(near(pixelAt(screen, fx, fy), Qt::red),
                     qPrintable(QStringLiteral("screen at %1,%2 is %3")
                                        .arg(fx)
                                        .arg(fy)
                                        .arg(describe(pixelAt(screen, fx, fy)))));
    // The first picture may have come from the window being shown; the
    // frames after it come through the engine's notices.
    QTRY_VERIFY(MpvWidget::renderCounters().frames > before.frames);
    const MpvWidget::RenderCounters after = MpvWidget::renderCounters();
    QVERIFY(after.callbacks > before.callbacks);
    QVERIFY(after.paints > before.paints);
    QVERIFY(after.swaps > before.swaps);

    const QImage frame = view.video->grabFramebuffer();
    QCOMPARE(frame.size(), view.video->size() * view.video->devicePixelRatioF());
    QVERIFY(near(pixelAt(frame, 0.02, 0.02), Qt::red));
    QVERIFY(near(pixelAt(frame, 0.98, 0.98), Qt::red));

    // A second file replaces the picture.
    loadAndWaitForColour(view.video, m_blue, Qt::blue);
}

void TestVideoSurface::keepsOrientation()
{
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));

    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_leftRight}), 0);
    QImage image;
    QVERIFY(waitUntil([&] {
        image = view.video->grabFramebuffer();
        return near(pixelAt(image, 0.25, 0.5), Qt::red);
    }));
    QVERIFY2(near(pixelAt(image, 0.25, 0.5), Qt::red),
             qPrintable(describe(pixelAt(image, 0.25, 0.5))));
    QVERIFY2(near(pixelAt(image, 0.75, 0.5), QColor(0, 255, 0)),
             qPrintable(describe(pixelAt(image, 0.75, 0.5))));
    QVERIFY(near(pixelAt(image, 0.1, 0.1), Qt::red));
    QVERIFY(near(pixelAt(image, 0.9, 0.9), QColor(0, 255, 0)));

    // Only a top/bottom split shows a vertical flip.
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_topBottom}), 0);
    QVERIFY(waitUntil([&] {
        image = view.video->grabFramebuffer();
        return !near(pixelAt(image, 0.25, 0.5), Qt::red) &&
               !near(pixelAt(image, 0.5, 0.1), Qt::black);
    }));
    QVERIFY2(near(pixelAt(image, 0.5, 0.2), Qt::blue),
             qPrintable(describe(pixelAt(image, 0.5, 0.2))));
    QVERIFY2(near(pixelAt(image, 0.5, 0.8), Qt::yellow),
             qPrintable(describe(pixelAt(image, 0.5, 0.8))));

    // The same holds for what reaches the screen, once the window has been
    // flushed after the new frame.
    QImage screen;
    waitUntil([&] {
        screen = screenPixels(view.video);
        return near(pixelAt(screen, 0.5, 0.2), Qt::blue);
    });
    QVERIFY2(near(pixelAt(screen, 0.5, 0.2), Qt::blue),
             qPrintable(describe(pixelAt(screen, 0.5, 0.2))));
    QVERIFY2(near(pixelAt(screen, 0.5, 0.8), Qt::yellow),
             qPrintable(describe(pixelAt(screen, 0.5, 0.8))));
}

void TestVideoSurface::rendersAtTheNewSizeAfterResize()
{
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_leftRight}), 0);
    QImage image;
    QVERIFY(waitUntil([&] {
        image = view.video->grabFramebuffer();
        return near(pixelAt(image, 0.25, 0.5), Qt::red);
    }));

    // Twice as wide: the 4:3 picture sits centred between black bars. A
    // render at the old size would leave it in the left half.
    view.window->resize(640, 240);
    QTRY_COMPARE(view.video->size(), QSize(640, 240));
    QVERIFY(waitUntil([&] {
        image = view.video->grabFramebuffer();
        return image.width() == 640 && near(pixelAt(image, 0.05, 0.5), Qt::black);
    }));
    QCOMPARE(image.size(), QSize(640, 240) * view.video->devicePixelRatioF());
    const int y = image.height() / 2;
    QVERIFY2(near(image.pixelColor(40, y), Qt::black),
             qPrintable(describe(image.pixelColor(40, y))));
    QVERIFY2(near(image.pixelColor(240, y), Qt::red),
             qPrintable(describe(image.pixelColor(240, y))));
    QVERIFY2(near(image.pixelColor(400, y), QColor(0, 255, 0)),
             qPrintable(describe(image.pixelColor(400, y))));
    QVERIFY2(near(image.pixelColor(600, y), Qt::black),
             qPrintable(describe(image.pixelColor(600, y))));

    // And the screen follows without any request from here.
    QImage screen;
    QVERIFY(waitUntil([&] {
        screen = screenPixels(view.video);
        return near(screen.pixelColor(600, y), Qt::black) &&
               near(screen.pixelColor(400, y), QColor(0, 255, 0));
    }));
    QVERIFY(near(screen.pixelColor(240, y), Qt::red));
}

void TestVideoSurface::keepsDrawingAfterMovingToAnotherWindow()
{
    // Full screen and the mini player move the surface to another top-level
    // window.
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    loadAndWaitForColour(view.video, m_moving, QColor(0x30, 0x60, 0xc0));

    QWidget other;
    auto *layout = new QVBoxLayout(&other);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view.video);
    other.resize(400, 300);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QCOMPARE(view.video->window(), &other);
    QVERIFY(view.video->hasRenderContext());
    QImage screen;
    QVERIFY(waitUntil([&] {
        screen = screenPixels(view.video);
        return near(pixelAt(screen, 0.5, 0.5), QColor(0x30, 0x60, 0xc0));
    }));
    delete view.video; // before `other` goes, as the main window would
}

void TestVideoSurface::secondSurfaceLifetimeOnTheSameEngine()
{
    LogCapture log;
    auto first = std::make_unique<VideoWindow>(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(first->window.get()));
    loadAndWaitForColour(first->video, m_withSound, QColor(0x30, 0x60, 0xc0));
    QVERIFY(first->video->hasRenderContext());

    // The engine takes one render context at a time: a second surface cannot
    // get one while the first holds it...
    {
        VideoWindow rival(m_core.get(), 200, 150);
        QVERIFY(QTest::qWaitForWindowExposed(rival.window.get()));
        QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_withSound}), 0);
        QTRY_VERIFY(rival.video->hasSurface());
        QVERIFY(!rival.video->hasRenderContext());
        QVERIFY(log.lines().contains("mpv: falha ao criar contexto de renderizacao"));
    }
    QVERIFY(first->video->hasRenderContext());

    // ...and gets one as soon as the first surface is destroyed, which shows
    // that destruction released it. The engine stays alive throughout.
    first.reset();
    const double position = getPropertyDouble(m_core->handle(), "time-pos");
    QTRY_VERIFY(getPropertyDouble(m_core->handle(), "time-pos") > position + 0.3);
    QCOMPARE(getPropertyString(m_core->handle(), "path"), m_withSound);
    VideoWindow second(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(second.window.get()));
    loadAndWaitForColour(second.video, m_blue, Qt::blue);
    QVERIFY(second.video->hasRenderContext());
    QImage screen;
    QVERIFY(waitUntil([&] {
        screen = screenPixels(second.video);
        return near(pixelAt(screen, 0.5, 0.5), Qt::blue);
    }));
}

void TestVideoSurface::rendersWhileHiddenWithoutRepaintRequests()
{
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    loadAndWaitForColour(view.video, m_moving, QColor(0x30, 0x60, 0xc0));

    // Hidden (another page in front): frames keep being rendered, straight
    // from the update notification, without scheduling repaints.
    view.video->hide();
    QTest::qWait(200);
    const MpvWidget::RenderCounters hiddenStart = MpvWidget::renderCounters();
    const double positionStart = getPropertyDouble(m_core->handle(), "time-pos");
    QTest::qWait(1500);
    const MpvWidget::RenderCounters hiddenEnd = MpvWidget::renderCounters();
    const double positionEnd = getPropertyDouble(m_core->handle(), "time-pos");
    QVERIFY2(hiddenEnd.paints - hiddenStart.paints >= 10,
             qPrintable(QString::number(hiddenEnd.paints - hiddenStart.paints)));
    QCOMPARE(hiddenEnd.frames, hiddenStart.frames);
    // Playback does not stall waiting for a swap that never comes.
    QVERIFY2(positionEnd - positionStart > 1.0,
             qPrintable(QStringLiteral("%1 -> %2").arg(positionStart).arg(positionEnd)));

    // Shown again: back to repaint requests.
    view.video->show();
    QTRY_VERIFY(MpvWidget::renderCounters().frames > hiddenEnd.frames);

    // Minimised: the same.
    view.window->showMinimized();
    QTRY_VERIFY(view.window->isMinimized());
    QTest::qWait(200);
    const MpvWidget::RenderCounters minimisedStart = MpvWidget::renderCounters();
    QTest::qWait(1500);
    const MpvWidget::RenderCounters minimisedEnd = MpvWidget::renderCounters();
    QVERIFY2(minimisedEnd.paints - minimisedStart.paints >= 10,
             qPrintable(QString::number(minimisedEnd.paints - minimisedStart.paints)));
    QCOMPARE(minimisedEnd.frames, minimisedStart.frames);
}

void TestVideoSurface::statisticsLineAtMostOncePerSecond()
{
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    loadAndWaitForColour(view.video, m_moving, QColor(0x30, 0x60, 0xc0));

    qputenv("ZORVIPLAYER_DEBUGFPS", "1");
    LogCapture log;
    QList<qint64> times;
    QElapsedTimer clock;
    clock.start();
    int seen = 0;
    const QRegularExpression format(
            "^render: callbacks=(\\d+) frames=(\\d+) paints=(\\d+) swaps=(\\d+)$");
    QRegularExpressionMatch last;
    while (clock.elapsed() < 3500) {
        QTest::qWait(10);
        const QStringList lines = log.matching("render:");
        for (; seen < lines.size(); ++seen) {
            times.append(clock.elapsed());
            last = format.match(lines[seen]);
            QVERIFY2(last.hasMatch(), qPrintable(lines[seen]));
        }
    }
    QVERIFY2(times.size() >= 2, qPrintable(QString::number(times.size())));
    QVERIFY(times.size() <= 4);
    for (int i = 1; i < times.size(); ++i)
        QVERIFY2(times[i] - times[i - 1] >= 950,
                 qPrintable(QStringLiteral("%1 ms apart").arg(times[i] - times[i - 1])));
    // A full second of 25 fps playback: each counter moved, swaps included.
    QVERIFY(last.captured(1).toInt() > 0);
    QVERIFY(last.captured(2).toInt() > 0);
    QVERIFY(last.captured(3).toInt() > 0);
    QVERIFY(last.captured(4).toInt() > 0);

    // No notifications, no line.
    QCOMPARE(setPropertyFlag(m_core->handle(), "pause", true), 0);
    QTest::qWait(500);
    const qsizetype linesWhenPaused = log.matching("render:").size();
    QTest::qWait(2500);
    QCOMPARE(log.matching("render:").size(), linesWhenPaused);
    setPropertyFlag(m_core->handle(), "pause", false);
}

void TestVideoSurface::leftDoubleClickIsNotAClick()
{
    VideoWindow view(nullptr, 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    QSignalSpy clicked(view.video, &MpvWidget::clicked);
    QSignalSpy doubleClicked(view.video, &MpvWidget::doubleClicked);
    QSignalSpy rightClicked(view.video, &MpvWidget::rightClicked);
    QWindow *window = view.window->windowHandle();

    // Press, release, press, release in quick succession: the toolkit turns
    // the second press into a double click. The first click is an ordinary
    // click (the main window waits before acting on it); the second must not
    // be one.
    QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(rightClicked.count(), 0);

    // A right double click is not a double click.
    QTest::mouseDClick(window, Qt::RightButton, {}, QPoint(100, 100));
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(clicked.count(), 1);
}

void TestVideoSurface::pressDragReleaseIsMovementThenClick()
{
    VideoWindow view(nullptr, 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    QWindow *window = view.window->windowHandle();
    QList<QString> order;
    connect(view.video, &MpvWidget::mouseMoved, view.video, [&] { order.append("moved"); });
    connect(view.video, &MpvWidget::clicked, view.video, [&] { order.append("clicked"); });
    connect(view.video, &MpvWidget::doubleClicked, view.video, [&] { order.append("double"); });

    // Movement without a button is reported too.
    QTest::mouseMove(window, QPoint(20, 20));
    QTest::mouseMove(window, QPoint(30, 25));
    QVERIFY(order.count("moved") >= 1);
    order.clear();

    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(window, QPoint(80, 60));
    QTest::mouseMove(window, QPoint(120, 90));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(120, 90));
    QVERIFY2(order.size() >= 2, qPrintable(order.join(',')));
    QCOMPARE(order.last(), QString("clicked"));
    QCOMPARE(order.count("clicked"), 1);
    QCOMPARE(order.count("double"), 0);
    QVERIFY(order.count("moved") >= 1);

    // A release without a press on the widget is no click.
    order.clear();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 10), QPointF(10, 10),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view.video, &release);
    QCOMPARE(order.count("clicked"), 0);
}

void TestVideoSurface::rightClickReportsRoundedGlobalPosition()
{
    VideoWindow view(nullptr, 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    QSignalSpy clicked(view.video, &MpvWidget::clicked);
    QSignalSpy doubleClicked(view.video, &MpvWidget::doubleClicked);
    QSignalSpy rightClicked(view.video, &MpvWidget::rightClicked);

    QTest::mouseClick(view.window->windowHandle(), Qt::RightButton, {}, QPoint(70, 40));
    QCOMPARE(rightClicked.count(), 1);
    QCOMPARE(rightClicked.at(0).at(0).toPoint(), view.video->mapToGlobal(QPoint(70, 40)));
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(doubleClicked.count(), 0);

    // Fractional positions (scaled screens) round half away from zero.
    const struct
    {
        QPointF global;
        QPoint expected;
    } cases[] = {{{10.5, 20.4}, {11, 20}}, {{-3.5, -2.6}, {-4, -3}}, {{99.49, 0.5}, {99, 1}}};
    for (const auto &c : cases) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), c.global, Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), c.global, Qt::RightButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.video, &press);
        QApplication::sendEvent(view.video, &release);
        QCOMPARE(rightClicked.last().at(0).toPoint(), c.expected);
    }
    QCOMPARE(rightClicked.count(), 4);
    QCOMPARE(clicked.count(), 0);

    // A left press followed by a right release does not click either.
    QMouseEvent leftPress(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
    QMouseEvent rightRelease(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                             Qt::RightButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.video, &leftPress);
    QApplication::sendEvent(view.video, &rightRelease);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(rightClicked.count(), 5);
}

namespace {

class WheelCounter : public QWidget
{
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent *event) override
    {
        ++wheels;
        event->accept();
    }
};

// A real wheel notch from the X server at a global position: button 4 is
// up, 5 is down.
bool xWheel(QPoint global, int button)
{
    QProcess xdotool;
    xdotool.start("xdotool", {"mousemove", QString::number(global.x()), QString::number(global.y()),
                              "click", QString::number(button)});
    return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

} // namespace

void TestVideoSurface::wheelIsReportedAndNotPropagated()
{
    WheelCounter parent;
    auto *layout = new QVBoxLayout(&parent);
    auto *video = new MpvWidget(nullptr, &parent);
    auto *plain = new QWidget(&parent);
    layout->addWidget(video);
    layout->addWidget(plain);
    parent.resize(320, 400);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy scrolled(video, &MpvWidget::wheelScrolled);

    // A plain child lets the wheel through to its parent; that is what the
    // video surface must not do.
    QVERIFY(xWheel(plain->mapToGlobal(plain->rect().center()), 4));
    QTRY_COMPARE(parent.wheels, 1);
    QCOMPARE(scrolled.count(), 0);

    const QPoint onVideo = video->mapToGlobal(video->rect().center());
    QVERIFY(xWheel(onVideo, 4));
    QTRY_COMPARE(scrolled.count(), 1);
    QVERIFY(xWheel(onVideo, 5));
    QTRY_COMPARE(scrolled.count(), 2);
    QCOMPARE(scrolled.at(0).at(0).toInt(), 120);
    QCOMPARE(scrolled.at(1).at(0).toInt(), -120);
    QTest::qWait(100);
    QCOMPARE(parent.wheels, 1);

    // Only the vertical component is reported, at any size.
    QWheelEvent diagonal(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(30, -240), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(video, &diagonal);
    QCOMPARE(scrolled.count(), 3);
    QCOMPARE(scrolled.at(2).at(0).toInt(), -240);
    QVERIFY(diagonal.isAccepted());
}

void TestVideoSurface::engineDestroyedAfterTheWindow()
{
    // The order of the player's shutdown: window (and surface) first, then
    // the engine, while a video is playing.
    auto core = PlayerTestUtil::startCore();
    QVERIFY(core);
    auto view = std::make_unique<VideoWindow>(core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view->window.get()));
    QCOMPARE(runCommand(core->handle(), {"loadfile", m_withSound}), 0);
    QImage image;
    QVERIFY(waitUntil([&] {
        image = view->video->grabFramebuffer();
        return near(pixelAt(image, 0.5, 0.5), QColor(0x30, 0x60, 0xc0));
    }));
    QPointer<MpvWidget> video = view->video;
    view.reset();
    QVERIFY(video.isNull());
    // Events still queued for the destroyed surface are dropped; the engine
    // plays on without a picture.
    const double position = getPropertyDouble(core->handle(), "time-pos");
    QTRY_VERIFY(getPropertyDouble(core->handle(), "time-pos") > position + 0.3);
    core.reset();
    QTest::qWait(100);
}

QTEST_MAIN(TestVideoSurface)

// The engine waits for each new output and each frame to be drawn, on the
// thread that draws; that thread asking the engine something synchronously
// at that moment used to hold both until the engine gave up after 200 ms,
// which it reports in its verbose log.
void TestVideoSurface::blockingCallsDoNotHoldBackTheFirstFrame()
{
    mpv_handle *handle = m_core->handle();
    QCOMPARE(mpvApi().mpv_request_log_messages(handle, "v"), 0);
    LogCapture log(false);
    MpvWidget video(m_core.get());
    video.resize(320, 240);
    video.show();
    QVERIFY(QTest::qWaitForWindowExposed(&video));
    // The window asks all the time while a file starts (titles, tags, tracks).
    QTimer asker;
    asker.setInterval(0);
    int asked = 0;
    connect(&asker, &QTimer::timeout, &video, [&] {
        getPropertyNode(handle, "metadata");
        getPropertyString(handle, "path");
        ++asked;
    });
    asker.start();
    for (const QString &path : {m_red, m_blue, m_red, m_blue}) {
        QSignalSpy swapped(&video, &MpvWidget::frameSwapped);
        QCOMPARE(runCommand(handle, {"loadfile", path}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
                !swapped.isEmpty() && getPropertyDouble(handle, "time-pos", -1) >= 0, 15000);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
    }
    asker.stop();
    mpvApi().mpv_request_log_messages(handle, "warn");
    QVERIFY(asked > 0);
    // The verbose log did arrive, so its silence below means something.
    QVERIFY(!log.matching(QStringLiteral("reconfig to")).isEmpty());
    QVERIFY2(log.matching(QStringLiteral("not being called or stuck")).isEmpty(),
             qPrintable(log.matching(QStringLiteral("not being called or stuck")).join('\n')));
}

#include "tst_videosurface.moc"
