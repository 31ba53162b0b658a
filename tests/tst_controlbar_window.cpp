#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/Thumbnailer.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/bars/SeekBar.h"
#include "ui/window/SeekPreviewController.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

// The control bar inside the main window, driving a real engine (no audio, no
// video output) with a real database in a private folder.
class tst_ControlBarWindow final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;
    QString m_video;
    QString m_second;
    QString m_numberedA;
    QString m_numberedB;

    ControlBar *bar() const { return m_window->controlBar(); }
    SeekBar *seekBar() const { return bar()->seekBar(); }

    void sendMouse(QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        SeekBar *seek = seekBar();
        const QPointF local(x, seek->height() / 2);
        QMouseEvent event(type, local, seek->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(seek, &event);
    }
    void hoverAt(int x)
    {
        SeekBar *seek = seekBar();
        const QPointF local(x, seek->height() / 2);
        QEnterEvent enter(local, local, seek->mapToGlobal(local));
        QApplication::sendEvent(seek, &enter);
        sendMouse(QEvent::MouseMove, x, Qt::NoButton, Qt::NoButton);
    }
    int xFor(double seconds) const { return seekBar()->xForSeconds(seconds); }

    void play(const QString &path)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_window->playPaths({path}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->duration() > 0, 10000);
    }
    void pauseAt(double seconds)
    {
        m_core->setPaused(true);
        QTRY_VERIFY(m_core->isPaused());
        m_core->seekAbsolute(seconds);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - seconds) < 0.2, 10000);
    }
    void waitIdle() { QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-controlbar-window")));
        appSettings().setValue(QStringLiteral("general/checkUpdates"), false);

        // 30 s of video with chapters at 0, 10 and 20 s; a second, plain clip.
        const QString meta = m_media.filePath("chapters.txt");
        QFile file(meta);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(";FFMETADATA1\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=10000\ntitle=Opening\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=10000\nEND=20000\ntitle=Middle\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=20000\nEND=30000\ntitle=Ending\n");
        file.close();
        m_video = m_media.filePath("film.mkv");
        QVERIFY(TestMedia::ffmpeg({"-f", "lavfi", "-i", "testsrc=s=320x240:r=25:d=30", "-i", meta,
                                   "-map", "0:v", "-map_chapters", "1", "-c:v", "libx264", "-g",
                                   "25", "-preset", "ultrafast", "-pix_fmt", "yuv420p", m_video}));
        m_second = TestMedia::solidVideo(m_media.filePath("second.mp4"), 20, "green");
        QVERIFY(!m_second.isEmpty());
        // Frames that carry their number, a keyframe every 2 s, one tint per file.
        m_numberedA = TestMedia::numberedVideo(m_media.filePath("a.mp4"), 12, QColor(200, 40, 40));
        m_numberedB = TestMedia::numberedVideo(m_media.filePath("b.mp4"), 12, QColor(40, 40, 200));
        QVERIFY(!m_numberedA.isEmpty() && !m_numberedB.isEmpty());

        m_core = PlayerTestUtil::startCore();

        QVERIFY(m_core);
        m_window = std::make_unique<MainWindow>(m_core.get());
        m_window->resize(1320, 820);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanupTestCase()
    {
        waitIdle();
        m_window.reset();
        m_core.reset();
    }

    void init()
    {
        appSettings().remove(QStringLiteral("video/seekPreview"));
        waitIdle();
    }

    void nothingLoaded()
    {
        QVERIFY(!bar()->favoriteButton()->isEnabled());
        QCOMPARE(bar()->playbackStatus()->text(), QString("Open a file to start"));
        m_window->navigate("music");
        bar()->coverButton()->click();
        QCOMPARE(m_window->currentPage(), QString("music"));
    }

    void dragSeeksOnceOnRelease()
    {
        play(m_video);
        pauseAt(2);
        QCOMPARE(seekBar()->duration(), m_core->duration());
        QSignalSpy requests(seekBar(), &SeekBar::seekRequested);
        QList<double> reported;
        const auto connection = connect(m_core.get(), &PlayerCore::positionChanged, this,
                                        [&](double pos) { reported.append(pos); });

        sendMouse(QEvent::MouseButtonPress, xFor(6), Qt::LeftButton, Qt::LeftButton);
        for (const double target : {9.0, 14.0, 18.0}) {
            sendMouse(QEvent::MouseMove, xFor(target), Qt::NoButton, Qt::LeftButton);
            QTest::qWait(150);
        }
        // The knob shows the target while the player stays where it was.
        QVERIFY(qAbs(seekBar()->position() - 18) < 0.2);
        QVERIFY2(qAbs(m_core->position() - 2) < 0.1,
                 qPrintable(QString::number(m_core->position())));
        QVERIFY(reported.isEmpty());

        sendMouse(QEvent::MouseButtonRelease, xFor(24), Qt::LeftButton, Qt::NoButton);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - 24) < 0.5, 10000);
        QTest::qWait(300);
        disconnect(connection);

        QCOMPARE(requests.count(), 5);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(requests.at(i).at(1).toBool(), true);
        QCOMPARE(requests.last().at(1).toBool(), false);
        // Every reported position is the release target: no intermediate seeks.
        QVERIFY(!reported.isEmpty());
        for (const double pos : reported)
            QVERIFY2(qAbs(pos - 24) < 0.5, qPrintable(QString::number(pos)));
        QCOMPARE(bar()->elapsedLabel()->text(), QString("0:24"));
    }

    void keysOnTheSeekBarSeekThePlayer()
    {
        play(m_video);
        pauseAt(27);
        seekBar()->setFocus();
        QTest::keyClick(seekBar(), Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 29.5, 10000);
        pauseAt(2);
        QTest::keyClick(seekBar(), Qt::Key_Left);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() < 0.1, 10000);

        // Keys the bar does not use still reach the window after a click on
        // it: Up and Down change the volume, Page Down goes to the next chapter.
        m_core->setVolume(50);
        QTRY_COMPARE(m_core->volume(), 50.0);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::mouseClick(seekBar(), Qt::LeftButton, {}, QPoint(xFor(3), seekBar()->height() / 2));
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - 3) < 0.5, 10000);
        QTRY_VERIFY(seekBar()->hasFocus());
        QTest::keyClick(seekBar(), Qt::Key_Up);
        QTRY_VERIFY(m_core->volume() > 50.0);
        const double raised = m_core->volume();
        QTest::keyClick(seekBar(), Qt::Key_Down);
        QTRY_VERIFY(m_core->volume() < raised);
        QTest::keyClick(seekBar(), Qt::Key_PageDown);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 9.5, 10000);
        QVERIFY(seekBar()->hasFocus());
    }

    void hoverShowsTimeAndChapterAndAsksForAFrame()
    {
        play(m_video);
        pauseAt(1);
        auto *popup = m_window->findChild<PreviewPopup *>();
        QVERIFY(popup);

        hoverAt(xFor(15));
        QVERIFY(popup->isVisible());
        const double first = seekBar()->secondsAt(xFor(15));
        QCOMPARE(popup->timeLabel()->text(), formatTime(first));
        QCOMPARE(popup->chapterLabel()->text(), QString("Middle"));
        QVERIFY(!popup->chapterLabel()->isHidden());
        QVERIFY(m_window->seekPreview()->isPending());
        QCOMPARE(m_window->seekPreview()->lastPosition(), first);
        // The popup sits above the bar, centred on the pointer.
        const QPoint anchor = seekBar()->mapToGlobal(QPoint(xFor(15), 0));
        QCOMPARE(popup->geometry().bottom() + 1, anchor.y() - 10);
        QVERIFY(qAbs(popup->geometry().center().x() - anchor.x()) <= 1);

        // One pixel further is less than 0.8 s: no new request.
        hoverAt(xFor(15) + 1);
        QVERIFY(seekBar()->secondsAt(xFor(15) + 1) - first < 0.8);
        QCOMPARE(m_window->seekPreview()->lastPosition(), first);
        hoverAt(xFor(25));
        QCOMPARE(popup->chapterLabel()->text(), QString("Ending"));
        QCOMPARE(m_window->seekPreview()->lastPosition(), seekBar()->secondsAt(xFor(25)));

        // The request timer runs out after 180 ms.
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->seekPreview()->isPending(), 1000);

        // Leaving hides the popup and forgets the position.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(seekBar(), &leave);
        QVERIFY(!popup->isVisible());
        QCOMPARE(m_window->seekPreview()->lastPosition(), -1.0);

        // With previews switched off only time and chapter are shown, and an old frame goes.
        appSettings().setValue(QStringLiteral("video/seekPreview"), false);
        QImage frame(160, 90, QImage::Format_RGB32);
        frame.fill(Qt::red);
        popup->setImage(frame);
        hoverAt(xFor(5));
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->chapterLabel()->text(), QString("Opening"));
        QVERIFY(!m_window->seekPreview()->isPending());
        QCOMPARE(m_window->seekPreview()->lastPosition(), -1.0);
        QVERIFY(popup->pictureLabel()->isHidden());
        QApplication::sendEvent(seekBar(), &leave);
    }

    // Resting on the timeline of a playing video shows the keyframe at or
    // before that position, and after a change of file only the new file's.
    void hoverShowsTheFrameOfTheCurrentFile()
    {
        auto *popup = m_window->findChild<PreviewPopup *>();
        QVERIFY(popup);
        QLabel *picture = popup->pictureLabel();
        auto shown = [picture] {
            return picture->pixmap().toImage();
        };

        play(m_numberedA);
        QVERIFY(m_core->hasVideo());
        hoverAt(xFor(7.3));
        const double hovered = m_window->seekPreview()->lastPosition();
        QVERIFY(hovered > 6.2 && hovered < 8.0);
        QTRY_VERIFY_WITH_TIMEOUT(!picture->isHidden() && !shown().isNull(), 15000);
        TestMedia::NumberedFrame frame = TestMedia::readNumberedFrame(shown());
        const int keyframe = int(hovered / 2) * 2 * TestMedia::NumberedFps;
        QCOMPARE(frame.frame, keyframe);
        QVERIFY(TestMedia::sameTint(frame.tint, QColor(200, 40, 40)));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(seekBar(), &leave);

        // Hover A, then switch to B at once, by a new list and by "next":
        // whatever A's request brings back must not be shown once B is loaded.
        const std::function<void()> switches[] = {
                [this] { m_window->playPaths({m_numberedB}, 0); },
                [this] { m_core->next(); },
        };
        for (const auto &switchToB : switches) {
            m_window->playPaths({m_numberedA, m_numberedB}, 0);
            QTRY_COMPARE_WITH_TIMEOUT(m_window->currentPath(), m_numberedA, 15000);
            hoverAt(xFor(3.1));
            QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
            switchToB();
            QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
            QCOMPARE(m_window->currentPath(), m_numberedB);
            QVERIFY(shown().isNull() || picture->isHidden());
            // The bar maps the pointer to a time only once it has B's length.
            QTRY_VERIFY_WITH_TIMEOUT(seekBar()->duration() > 0, 10000);
            hoverAt(xFor(9.1));
            QTRY_VERIFY_WITH_TIMEOUT(!picture->isHidden() && !shown().isNull(), 15000);
            frame = TestMedia::readNumberedFrame(shown());
            QVERIFY2(TestMedia::sameTint(frame.tint, QColor(40, 40, 200)),
                     qPrintable(frame.tint.name()));
            QCOMPARE(frame.frame,
                     int(m_window->seekPreview()->lastPosition() / 2) * 2 * TestMedia::NumberedFps);
            QApplication::sendEvent(seekBar(), &leave);
        }
    }

    // A video shows the video placeholder until its thumbnail arrives, never
    // the music one.
    void placeholderFollowsTheKindOfMedia()
    {
        const int side = bar()->coverButton()->iconSize().width();
        auto shownCover = [this, side] {
            return bar()
                    ->coverButton()
                    ->icon()
                    .pixmap(side, side)
                    .toImage()
                    .convertToFormat(QImage::Format_ARGB32);
        };
        auto placeholder = [side](bool video) {
            return roundedPixmap(placeholderCover(side, video), 8)
                    .toImage()
                    .convertToFormat(QImage::Format_ARGB32);
        };
        QVERIFY(placeholder(true) != placeholder(false));
        const QImage before = shownCover();
        play(m_video);
        QTRY_VERIFY_WITH_TIMEOUT(shownCover() != before, 5000);
        QVERIFY(shownCover() != placeholder(false));
    }

    // While a video plays, library thumbnails wait and previews still
    // answer; pausing lets the queue go on.
    void libraryThumbnailsWaitWhileAVideoPlays()
    {
        play(m_numberedA);
        QTRY_VERIFY(!m_core->isPaused());
        Thumbnailer *thumbs = Thumbnailer::instance();
        QSignalSpy ready(thumbs, &Thumbnailer::ready);
        QSignalSpy previews(thumbs, &Thumbnailer::previewReady);
        thumbs->requestThumbnail(m_numberedB, -0.5, 200, QStringLiteral("held-job"));
        // Between two previews an unheld queue would have run the job.
        for (int i = 1; i <= 2; ++i) {
            thumbs->requestPreview(m_numberedA, 2.0 * i);
            QTRY_COMPARE_WITH_TIMEOUT(previews.count(), i, 15000);
        }
        QCOMPARE(ready.count(), 0);
        m_core->setPaused(true);
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 15000);
        QCOMPARE(ready.at(0).at(0).toString(), QStringLiteral("held-job"));
        QVERIFY(!ready.at(0).at(1).value<QImage>().isNull());
    }

    void heartCoverAndTransportDriveThePlayer()
    {
        play(m_video);
        const QString path = m_core->currentPath();
        QTRY_VERIFY(bar()->favoriteButton()->isEnabled());
        QVERIFY(!bar()->favoriteButton()->isChecked());
        QTest::mouseClick(bar()->favoriteButton(), Qt::LeftButton);
        QVERIFY(Database::instance()->isFavorite(path));
        QVERIFY(bar()->favoriteButton()->isChecked());
        QTest::mouseClick(bar()->favoriteButton(), Qt::LeftButton);
        QVERIFY(!Database::instance()->isFavorite(path));
        QVERIFY(!bar()->favoriteButton()->isChecked());

        m_window->navigate("music");
        QTest::mouseClick(bar()->coverButton(), Qt::LeftButton);
        QCOMPARE(m_window->currentPage(), QString("player"));

        // Play, pause and the 10-second jumps with the mouse.
        pauseAt(12);
        QTest::mouseClick(bar()->playButton(), Qt::LeftButton);
        QTRY_VERIFY(!m_core->isPaused());
        QTest::mouseClick(bar()->playButton(), Qt::LeftButton);
        QTRY_VERIFY(m_core->isPaused());
        pauseAt(12);
        QTest::mouseClick(bar()->fwd10Button(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - 22) < 0.5, 10000);
        QTest::mouseClick(bar()->back10Button(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_core->position() - 12) < 0.5, 10000);

        // Next and previous move through the queue.
        m_window->enqueuePaths({m_second});
        QTRY_COMPARE(m_core->queue().size(), 2);
        QTest::mouseClick(bar()->nextButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->queuePos(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->currentPath() == m_second, 10000);
        QTest::mouseClick(bar()->prevButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->queuePos(), 0, 10000);

        // Volume and mute from the bar.
        bar()->volumeSlider()->setValue(40);
        QTRY_COMPARE(m_core->volume(), 40.0);
        QTest::mouseClick(bar()->muteButton(), Qt::LeftButton);
        QTRY_VERIFY(m_core->isMuted());
        QTest::mouseClick(bar()->muteButton(), Qt::LeftButton);
        QTRY_VERIFY(!m_core->isMuted());
        bar()->volumeSlider()->setValue(100);
        QTRY_COMPARE(m_core->volume(), 100.0);

        waitIdle();
        QTRY_VERIFY(!bar()->favoriteButton()->isEnabled());
        QCOMPARE(bar()->titleLabel()->text(), QString("Nothing playing"));
    }
};

QTEST_MAIN(tst_ControlBarWindow)
#include "tst_controlbar_window.moc"
