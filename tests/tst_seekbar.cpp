#include "app/AppSettings.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/bars/SeekBar.h"

#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

namespace {

// Receives the keys the seek bar passes on.
class KeyRecorder : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        keys.append(event->key());
        event->accept();
    }
};

void sendMouse(QWidget *widget, QEvent::Type type, int x, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    const QPointF local(x, widget->height() / 2);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

bool sendKey(QWidget *widget, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

void enter(SeekBar *bar, int x)
{
    const QPointF local(x, bar->height() / 2);
    QEnterEvent event(local, local, bar->mapToGlobal(local));
    QApplication::sendEvent(bar, &event);
}

void leave(SeekBar *bar)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(bar, &event);
}

bool near(QColor a, QColor b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

// The colour of the progress gradient at pixel x of a track starting at 6 and
// 300 pixels wide.
QColor gradientAt(int x)
{
    const double t = (x + 0.5 - 6) / 300.0;
    return QColor(int(0x2b + t * (0x8b - 0x2b)), int(0xd9 + t * (0x5c - 0xd9)),
                  int(0xfe + t * (0xf6 - 0xfe)));
}

} // namespace

class tst_SeekBar final : public QObject
{
    Q_OBJECT

private:
    // A bar whose track is exactly 300 pixels: x 6 … 306.
    std::unique_ptr<SeekBar> makeBar(double duration)
    {
        auto bar = std::make_unique<SeekBar>();
        // A plain grey behind the bar, unlike every colour the bar paints.
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
        bar->setPalette(palette);
        bar->setAutoFillBackground(true);
        bar->resize(312, 22);
        bar->setDuration(duration);
        return bar;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        uiEnglish = true;
    }

    void geometryMapsPixelsToSecondsAndBack()
    {
        auto bar = makeBar(100);
        QCOMPARE(bar->trackRect(), QRect(6, 9, 300, 4));
        QCOMPARE(bar->secondsAt(6), 0.0);
        QCOMPARE(bar->secondsAt(156), 50.0);
        QCOMPARE(bar->secondsAt(-40), 0.0);
        QCOMPARE(bar->secondsAt(900), 100.0);
        QCOMPARE(bar->xForSeconds(25), 81);
        QCOMPARE(bar->xForSeconds(33.4), 106); // whole part of 100.2
        QCOMPARE(bar->xForSeconds(250), 306);
        QCOMPARE(bar->xForSeconds(-3), 6);

        enter(bar.get(), 50);
        QVERIFY(bar->isHovering());
        QCOMPARE(bar->trackRect(), QRect(6, 8, 300, 6));

        bar->setDuration(0);
        QCOMPARE(bar->secondsAt(156), 0.0);
        bar->resize(10, 22); // the track has no width left
        bar->setDuration(100);
        QCOMPARE(bar->secondsAt(5), 0.0);
    }

    void pressesNeedADuration()
    {
        auto bar = makeBar(0);
        QSignalSpy seeks(bar.get(), &SeekBar::seekRequested);
        QSignalSpy hovers(bar.get(), &SeekBar::hovered);
        sendMouse(bar.get(), QEvent::MouseButtonPress, 100, Qt::LeftButton, Qt::LeftButton);
        sendMouse(bar.get(), QEvent::MouseMove, 150, Qt::NoButton, Qt::LeftButton);
        sendMouse(bar.get(), QEvent::MouseButtonRelease, 150, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!bar->isDragging());
        QCOMPARE(seeks.count(), 0);
        QCOMPARE(hovers.count(), 0);

        // A right click never starts a drag either.
        bar->setDuration(100);
        sendMouse(bar.get(), QEvent::MouseButtonPress, 100, Qt::RightButton, Qt::RightButton);
        QVERIFY(!bar->isDragging());
        QCOMPARE(seeks.count(), 0);
    }

    void dragSeeksLiveAndOnceOnRelease()
    {
        auto bar = makeBar(300);
        QSignalSpy seeks(bar.get(), &SeekBar::seekRequested);
        sendMouse(bar.get(), QEvent::MouseButtonPress, 56, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(bar->isDragging());
        sendMouse(bar.get(), QEvent::MouseMove, 106, Qt::NoButton, Qt::LeftButton);
        // The engine keeps reporting the old position during the drag.
        bar->setPosition(3);
        QCOMPARE(bar->position(), 100.0);
        sendMouse(bar.get(), QEvent::MouseMove, 206, Qt::NoButton, Qt::LeftButton);
        sendMouse(bar.get(), QEvent::MouseButtonRelease, 256, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!bar->isDragging());

        QCOMPARE(seeks.count(), 4);
        const QList<double> expected{50, 100, 200, 250};
        for (int i = 0; i < seeks.count(); ++i) {
            QCOMPARE(seeks.at(i).at(0).toDouble(), expected.at(i));
            QCOMPARE(seeks.at(i).at(1).toBool(), i == seeks.count() - 1 ? false : true);
        }
        QCOMPARE(bar->position(), 250.0);
        bar->setPosition(251);
        QCOMPARE(bar->position(), 251.0);

        // A release without a press is not a seek.
        sendMouse(bar.get(), QEvent::MouseButtonRelease, 10, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(seeks.count(), 4);
    }

    void keysSeekWithinTheDuration_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("expected");
        QTest::newRow("right 3 s before the end stops at the end")
                << 97.0 << int(Qt::Key_Right) << 100.0;
        QTest::newRow("left at 2 s stops at 0") << 2.0 << int(Qt::Key_Left) << 0.0;
        QTest::newRow("right in the middle") << 40.0 << int(Qt::Key_Right) << 45.0;
        QTest::newRow("left in the middle") << 40.0 << int(Qt::Key_Left) << 35.0;
        QTest::newRow("home") << 40.0 << int(Qt::Key_Home) << 0.0;
        QTest::newRow("end") << 40.0 << int(Qt::Key_End) << 100.0;
    }
    void keysSeekWithinTheDuration()
    {
        QFETCH(double, start);
        QFETCH(int, key);
        QFETCH(double, expected);
        KeyRecorder parent;
        auto *bar = new SeekBar(&parent);
        bar->resize(312, 22);
        bar->setDuration(100);
        bar->setPosition(start);
        QSignalSpy seeks(bar, &SeekBar::seekRequested);
        QVERIFY(sendKey(bar, key));
        QCOMPARE(seeks.count(), 1);
        QCOMPARE(seeks.at(0).at(0).toDouble(), expected);
        QCOMPARE(seeks.at(0).at(1).toBool(), false);
        QCOMPARE(bar->position(), expected);
        QVERIFY(parent.keys.isEmpty());
    }

    void keysPassOnWithoutDurationOrWhenNotSeekKeys()
    {
        KeyRecorder parent;
        auto *bar = new SeekBar(&parent);
        bar->resize(312, 22);
        QSignalSpy seeks(bar, &SeekBar::seekRequested);
        sendKey(bar, Qt::Key_Right);
        sendKey(bar, Qt::Key_End);
        QCOMPARE(parent.keys, (QList<int>{Qt::Key_Right, Qt::Key_End}));
        bar->setDuration(100);
        sendKey(bar, Qt::Key_Up);
        QCOMPARE(parent.keys.size(), 3);
        QCOMPARE(parent.keys.last(), int(Qt::Key_Up));
        QCOMPARE(seeks.count(), 0);
    }

    void hoverReportsSecondsAndAnchor()
    {
        auto bar = makeBar(300);
        bar->move(200, 300);
        bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
        QSignalSpy hovers(bar.get(), &SeekBar::hovered);
        QSignalSpy left(bar.get(), &SeekBar::hoverLeft);
        enter(bar.get(), 106);
        sendMouse(bar.get(), QEvent::MouseMove, 106, Qt::NoButton, Qt::NoButton);
        QCOMPARE(bar->hoverX(), 106);
        QCOMPARE(hovers.count(), 1);
        QCOMPARE(hovers.at(0).at(0).toDouble(), 100.0);
        QCOMPARE(hovers.at(0).at(1).toPoint(), bar->mapToGlobal(QPoint(106, 0)));

        // Beyond the right edge (the mouse is grabbed during a drag) the anchor stays on the bar.
        sendMouse(bar.get(), QEvent::MouseMove, 500, Qt::NoButton, Qt::NoButton);
        QCOMPARE(hovers.at(1).at(0).toDouble(), 300.0);
        QCOMPARE(hovers.at(1).at(1).toPoint(), bar->mapToGlobal(QPoint(312, 0)));

        leave(bar.get());
        QCOMPARE(left.count(), 1);
        QVERIFY(!bar->isHovering());
        QCOMPARE(bar->hoverX(), -1);

        bar->setDuration(0);
        sendMouse(bar.get(), QEvent::MouseMove, 106, Qt::NoButton, Qt::NoButton);
        QCOMPARE(hovers.count(), 2);
    }

    void paintsProgressLoopTicksAndKnob()
    {
        auto bar = makeBar(100);
        bar->setPosition(50);   // progress ends at x 156
        bar->setAbLoop(20, 30); // band x 66 … 96
        bar->setChapters({{0.3, "intro"}, {40, "inside"}, {70, "after"}});
        const QImage image = bar->grab().toImage();
        const QColor background = image.pixelColor(160, 0);
        const QColor track(0x22, 0x34, 0x4c);
        const QColor tick(0x07, 0x11, 0x1f);
        const int row = 10; // inside the 4-pixel track at y 9 … 12

        QVERIFY2(near(image.pixelColor(20, row), gradientAt(20)),
                 qPrintable(image.pixelColor(20, row).name()));
        QVERIFY2(near(image.pixelColor(150, row), gradientAt(150)),
                 qPrintable(image.pixelColor(150, row).name()));
        QVERIFY(near(image.pixelColor(154, row), gradientAt(154)));
        QVERIFY(near(image.pixelColor(157, row), track));
        QVERIFY(near(image.pixelColor(250, row), track));

        // Chapter ticks: 2 pixels at x(start) - 1, none for a chapter in the first half second.
        QVERIFY(near(image.pixelColor(125, row), tick, 2));
        QVERIFY(near(image.pixelColor(126, row), tick, 2));
        QVERIFY(near(image.pixelColor(124, row), gradientAt(124)));
        QVERIFY(near(image.pixelColor(215, row), tick, 2));
        QVERIFY(near(image.pixelColor(217, row), track));
        QVERIFY(near(image.pixelColor(5, row), background, 2));

        // The A-B band reaches 3 pixels above the track.
        const QColor band = image.pixelColor(80, 7);
        QVERIFY2(!near(band, background, 10) && band.blue() > band.green(),
                 qPrintable(band.name()));
        QVERIFY(near(image.pixelColor(100, 7), background, 2));
        QVERIFY(near(image.pixelColor(60, 7), background, 2));
        QVERIFY(near(image.pixelColor(80, 4), background, 2));

        // No knob without hover; a white one at x(position) with it.
        QVERIFY(near(image.pixelColor(156, 5), background, 2));
        enter(bar.get(), 250);
        const QImage hovered = bar->grab().toImage();
        QVERIFY(near(hovered.pixelColor(156, 11), Qt::white, 10));
        QVERIFY(near(hovered.pixelColor(156, 6), Qt::white, 40));
        // The hover band lightens the track up to the pointer.
        sendMouse(bar.get(), QEvent::MouseMove, 250, Qt::NoButton, Qt::NoButton);
        const QImage band2 = bar->grab().toImage();
        const QColor lit = band2.pixelColor(240, row);
        QVERIFY2(lit.red() > track.red() + 10, qPrintable(lit.name()));
        QVERIFY(near(band2.pixelColor(280, row), track));
    }

    void shortLoopBandsAreTwoPixels()
    {
        auto bar = makeBar(100);
        bar->setAbLoop(50, -1); // x 156
        const QImage image = bar->grab().toImage();
        const QColor background = image.pixelColor(150, 1);
        QVERIFY(!near(image.pixelColor(156, 7), background, 10));
        QVERIFY(!near(image.pixelColor(157, 7), background, 10));
        QVERIFY(near(image.pixelColor(158, 7), background, 2));
        QVERIFY(near(image.pixelColor(155, 7), background, 2));
        // A loop shorter than 3 pixels is widened to 2 so it stays visible.
        bar->setAbLoop(50, 50.1);
        const QImage narrow = bar->grab().toImage();
        QVERIFY(!near(narrow.pixelColor(156, 7), background, 10));
        QVERIFY(!near(narrow.pixelColor(157, 7), background, 10));
        QVERIFY(near(narrow.pixelColor(158, 7), background, 2));
        // Without a duration nothing but the track is drawn.
        bar->setDuration(0);
        const QImage empty = bar->grab().toImage();
        QVERIFY(near(empty.pixelColor(156, 7), empty.pixelColor(156, 1), 2));
    }

    void previewStaysInsideTheScreen()
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QRect area = screen->availableGeometry();
        PreviewPopup popup;

        const QPoint middle(area.center().x(), area.top() + 500);
        popup.showAt(middle, "1:23", QString());
        QVERIFY(popup.isVisible());
        QVERIFY(popup.chapterLabel()->isHidden());
        QCOMPARE(popup.timeLabel()->text(), QString("1:23"));
        QCOMPARE(popup.pos(),
                 QPoint(middle.x() - popup.width() / 2, middle.y() - popup.height() - 10));

        popup.showAt(QPoint(area.left() + 3, area.top() + 500), "0:02", "Opening");
        QVERIFY(!popup.chapterLabel()->isHidden());
        QCOMPARE(popup.chapterLabel()->text(), QString("Opening"));
        QCOMPARE(popup.x(), area.left() + 4);

        popup.showAt(QPoint(area.left() + area.width() - 2, area.top() + 500), "9:59", QString());
        QCOMPARE(popup.x() + popup.width(), area.left() + area.width() - 4);

        // No room above: below the anchor instead.
        popup.showAt(QPoint(area.center().x(), area.top() + 5), "0:10", QString());
        QCOMPARE(popup.y(), area.top() + 5 + 30);
    }

    void previewPicture()
    {
        PreviewPopup popup;
        const QPoint anchor(600, 600);
        popup.showAt(anchor, "0:10", QString());
        const QSize bare = popup.size();

        popup.setImage(QImage());
        QVERIFY(popup.pictureLabel()->isHidden());

        QImage frame(400, 200, QImage::Format_RGB32);
        frame.fill(Qt::red);
        popup.setImage(frame);
        QVERIFY(!popup.pictureLabel()->isHidden());
        QCOMPARE(popup.pictureLabel()->pixmap().size(), QSize(220, 110));
        QVERIFY(popup.width() >= 220 + 8);
        QVERIFY(popup.height() > bare.height() + 100);
        // The grown popup still ends 10 pixels above the anchor.
        QCOMPARE(popup.y() + popup.height(), anchor.y() - 10);

        popup.clearImage();
        QVERIFY(popup.pictureLabel()->isHidden());
        QVERIFY(popup.pictureLabel()->pixmap().isNull());
        QCOMPARE(popup.size(), bare);
    }
};

QTEST_MAIN(tst_SeekBar)
#include "tst_seekbar.moc"
