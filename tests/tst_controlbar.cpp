#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/SeekBar.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// A radio-like HTTP source on 127.0.0.1: an MPEG-TS audio stream without a
// length, handed out only as fast as the test asks for it.
class LiveServer : public QTcpServer
{
public:
    explicit LiveServer(const QByteArray &stream)
        : m_stream(stream)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n") || m_client)
                        return;
                    m_client = socket;
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n\r\n");
                    sendSeconds(m_pendingSeconds);
                });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/live.ts").arg(serverPort()); }
    // Bytes for the given seconds of audio; before the player connects they
    // are kept for the first reply.
    void sendSeconds(double seconds)
    {
        if (!m_client) {
            m_pendingSeconds += seconds;
            return;
        }
        const qint64 bytes =
                qMin<qint64>(qint64(seconds * m_bytesPerSecond), m_stream.size() - m_sent);
        m_client->write(m_stream.constData() + m_sent, bytes);
        m_sent += bytes;
    }
    void setBytesPerSecond(double bytes) { m_bytesPerSecond = bytes; }

private:
    QByteArray m_stream;
    QByteArray m_request;
    QTcpSocket *m_client = nullptr;
    qint64 m_sent = 0;
    double m_pendingSeconds = 0;
    double m_bytesPerSecond = 0;
};

QImage iconImage(const QIcon &icon, int sizePx, QIcon::State state = QIcon::Off)
{
    return icon.pixmap(QSize(sizePx, sizePx), QIcon::Normal, state).toImage();
}

} // namespace

class tst_ControlBar final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_video;
    std::unique_ptr<PlayerCore> m_core;

    std::unique_ptr<ControlBar> makeBar(bool english)
    {
        uiEnglish = english;
        auto bar = std::make_unique<ControlBar>(m_core.get());
        bar->resize(1280, 80);
        return bar;
    }

    // Texts are chosen at the point of use by the language flag, which is set
    // once at start-up; a bar made in Portuguese reads the player's present
    // state in that language.
    template<typename Read>
    auto inPortuguese(Read read)
    {
        uiEnglish = false;
        auto bar = std::make_unique<ControlBar>(m_core.get());
        bar->resize(1280, 80);
        const auto result = read(bar.get());
        uiEnglish = true;
        return result;
    }

    static QString statusOf(ControlBar *bar) { return bar->playbackStatus()->text(); }

    void stopPlayer()
    {
        m_core->setPaused(false);
        m_core->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), 10000);
    }

    void loadPaused(const QString &path)
    {
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->playFiles({path}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
        m_core->setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isPaused() && m_core->duration() > 0, 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
        QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer-tst-controlbar"));
        appSettings().clear();
        qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
        QVERIFY(m_dir.isValid());

        // 12 s of video with chapters at 0, 4 and 8 s.
        const QString meta = m_dir.filePath("chapters.txt");
        QFile file(meta);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(";FFMETADATA1\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=4000\ntitle=Opening\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=4000\nEND=8000\ntitle=Middle\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=8000\nEND=12000\ntitle=Ending\n");
        file.close();
        m_video = m_dir.filePath("chapters.mkv");
        QVERIFY(TestMedia::ffmpeg({"-f",
                                   "lavfi",
                                   "-i",
                                   "color=c=blue:s=320x240:r=25:d=12",
                                   "-f",
                                   "lavfi",
                                   "-i",
                                   "sine=frequency=440:duration=12",
                                   "-i",
                                   meta,
                                   "-map",
                                   "0:v",
                                   "-map",
                                   "1:a",
                                   "-map_chapters",
                                   "2",
                                   "-c:v",
                                   "libx264",
                                   "-preset",
                                   "ultrafast",
                                   "-pix_fmt",
                                   "yuv420p",
                                   "-c:a",
                                   "aac",
                                   m_video}));

        m_core = PlayerTestUtil::startCore();

        QVERIFY(m_core);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->isIdle(), 5000);
    }

    void cleanupTestCase() { m_core.reset(); }

    void init()
    {
        appSettings().remove(QStringLiteral("ui/remainingTime"));
        uiEnglish = true;
    }

    void nothingLoadedInBothLanguages()
    {
        for (const bool english : {true, false}) {
            auto bar = makeBar(english);
            QCoreApplication::processEvents();
            QCOMPARE(bar->playbackStatus()->text(),
                     english ? QString("Open a file to start")
                             : QString("Abra um arquivo para começar"));
            QCOMPARE(bar->titleLabel()->text(),
                     english ? QString("Nothing playing") : QString("Nada tocando"));
            QCOMPARE(bar->elapsedLabel()->text(), QString("0:00"));
            QCOMPARE(bar->totalLabel()->text(), QString("0:00"));
            QVERIFY(!bar->favoriteButton()->isEnabled());
            QVERIFY(!bar->favoriteButton()->isChecked());
            QCOMPARE(bar->repeatButton()->toolTip(),
                     english ? QString("Repeat") : QString("Repetir"));
            QVERIFY(!bar->repeatButton()->isChecked());
            QVERIFY(!bar->coverButton()->icon().isNull());
            QCOMPARE(iconImage(bar->playButton()->icon(), 22),
                     iconImage(tintedIcon("play", QColor("#07111f"), QColor("#07111f")), 22));
            QSignalSpy seeks(bar->seekBar(), &SeekBar::seekRequested);
            bar->show();
            QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
            QTest::mouseClick(bar->seekBar(), Qt::LeftButton, {}, QPoint(50, 11));
            QCOMPARE(seeks.count(), 0);
        }
    }

    void followsALocalFile()
    {
        auto bar = makeBar(true);
        loadPaused(m_video);
        QCOMPARE(bar->totalLabel()->text(), QString("0:12"));
        QCOMPARE(bar->playbackStatus()->text(), QString("Local file · Paused"));
        QCOMPARE(inPortuguese(statusOf), QString("Arquivo local · Pausado"));
        QCOMPARE(iconImage(bar->playButton()->icon(), 22),
                 iconImage(tintedIcon("play", QColor("#07111f"), QColor("#07111f")), 22));

        m_core->setPaused(false);
        QTRY_COMPARE(bar->playbackStatus()->text(), QString("Local file · Playing"));
        QCOMPARE(inPortuguese(statusOf), QString("Arquivo local · Reproduzindo"));
        QCOMPARE(iconImage(bar->playButton()->icon(), 22),
                 iconImage(tintedIcon("pause", QColor("#07111f"), QColor("#07111f")), 22));
        m_core->setPaused(true);
        QTRY_VERIFY(m_core->isPaused());

        m_core->seekAbsolute(5.4);
        QTRY_COMPARE(bar->elapsedLabel()->text(), QString("0:05"));
        QCOMPARE(bar->seekBar()->position(), m_core->position());
        QCOMPARE(bar->seekBar()->duration(), m_core->duration());

        // Chapters and the A-B loop reach the seek bar.
        QTRY_COMPARE(bar->seekBar()->chapters().size(), 3);
        QCOMPARE(bar->seekBar()->chapters().at(1).time, 4.0);
        m_core->toggleAbLoop();
        QTRY_VERIFY(bar->seekBar()->loopA() > 5);
        QCOMPARE(bar->seekBar()->loopB(), -1.0);
        m_core->clearAbLoop();
        QTRY_COMPARE(bar->seekBar()->loopA(), -1.0);

        // Remaining time: a click on the total flips it and stores it.
        QTest::mouseClick(bar->totalLabel(), Qt::LeftButton);
        QVERIFY(bar->remainingTime());
        QCOMPARE(appSettings().value("ui/remainingTime").toBool(), true);
        QCOMPARE(bar->totalLabel()->text(), QString("-0:06"));
        m_core->seekAbsolute(8.2);
        QTRY_COMPARE(bar->totalLabel()->text(), QString("-0:03"));
        // A bar made now starts with the stored choice.
        auto later = makeBar(true);
        QVERIFY(later->remainingTime());
        QTest::mouseClick(bar->totalLabel(), Qt::LeftButton);
        QCOMPARE(bar->totalLabel()->text(), QString("0:12"));
        QCOMPARE(appSettings().value("ui/remainingTime").toBool(), false);

        stopPlayer();
        QCOMPARE(bar->playbackStatus()->text(), QString("Open a file to start"));
        QCOMPARE(bar->totalLabel()->text(), QString("0:00"));
        QCOMPARE(bar->elapsedLabel()->text(), QString("0:00"));
    }

    void speedRepeatAndShuffleFollowThePlayer()
    {
        auto bar = makeBar(true);
        m_core->setSpeed(1.25);
        QTRY_COMPARE(bar->speedButton()->text(), QString("1.25x"));
        QCOMPARE(inPortuguese([](ControlBar *pt) { return pt->speedButton()->text(); }),
                 QString("1,25x"));
        m_core->setSpeed(1.0);
        QTRY_COMPARE(bar->speedButton()->text(), QString("1x"));

        QToolButton *repeat = bar->repeatButton();
        m_core->setRepeat(PlayerCore::RepeatOne);
        QVERIFY(repeat->isChecked());
        QCOMPARE(repeat->toolTip(), QString("Repeat one"));
        const auto repeatTip = [](ControlBar *pt) {
            return pt->repeatButton()->toolTip();
        };
        QCOMPARE(inPortuguese(repeatTip), QString("Repetindo esta faixa"));
        QCOMPARE(iconImage(repeat->icon(), 20, QIcon::On),
                 iconImage(icon("repeat-one"), 20, QIcon::On));
        m_core->setRepeat(PlayerCore::RepeatAll);
        QVERIFY(repeat->isChecked());
        QCOMPARE(repeat->toolTip(), QString("Repeat all"));
        QCOMPARE(iconImage(repeat->icon(), 20, QIcon::On),
                 iconImage(icon("repeat"), 20, QIcon::On));
        m_core->setRepeat(PlayerCore::RepeatOff);
        QVERIFY(!repeat->isChecked());
        QCOMPARE(repeat->toolTip(), QString("Repeat off"));
        // A bar made while repeat is off keeps the plain tip until the mode changes.
        QCOMPARE(inPortuguese(repeatTip), QString("Repetir"));
        QCOMPARE(inPortuguese([this](ControlBar *pt) {
                     m_core->setRepeat(PlayerCore::RepeatAll);
                     m_core->setRepeat(PlayerCore::RepeatOff);
                     return pt->repeatButton()->toolTip();
                 }),
                 QString("Repetir desligado"));

        m_core->setShuffle(true);
        QVERIFY(bar->shuffleButton()->isChecked());
        m_core->setShuffle(false);
        QVERIFY(!bar->shuffleButton()->isChecked());
    }

    void volumeIconAndMute()
    {
        auto bar = makeBar(true);
        QSlider *slider = bar->volumeSlider();
        QToolButton *mute = bar->muteButton();
        const auto shows = [&](const char *name) {
            return iconImage(mute->icon(), 20) == iconImage(icon(name), 20);
        };

        slider->setValue(49);
        QTRY_COMPARE(m_core->volume(), 49.0);
        QTRY_VERIFY(shows("volume-low"));
        QCOMPARE(mute->toolTip(), QString("Volume — 49%"));
        slider->setValue(50);
        QTRY_VERIFY(shows("volume"));
        QCOMPARE(mute->toolTip(), QString("Volume — 50%"));

        mute->click();
        QTRY_VERIFY(m_core->isMuted());
        QTRY_VERIFY(shows("volume-x"));
        slider->setValue(150);
        QTRY_COMPARE(m_core->volume(), 150.0);
        QVERIFY(shows("volume-x"));
        mute->click();
        QTRY_VERIFY(!m_core->isMuted());
        QTRY_VERIFY(shows("volume"));

        slider->setValue(0);
        QTRY_VERIFY(shows("volume-x"));

        // A volume set elsewhere moves the slider without echoing back.
        QSignalSpy moved(slider, &QSlider::valueChanged);
        m_core->setVolume(77);
        QTRY_COMPARE(slider->value(), 77);
        QCOMPARE(moved.count(), 0);
        m_core->setVolume(100);
        QTRY_COMPARE(slider->value(), 100);
    }

    void liveStreamAndBuffering()
    {
        // Two minutes of MPEG-TS audio, served by the test as it pleases.
        const QString tsPath = m_dir.filePath("live.ts");
        QVERIFY(TestMedia::ffmpeg({"-f", "lavfi", "-i", "sine=frequency=330:duration=120", "-c:a",
                                   "mp2", "-b:a", "128k", "-f", "mpegts", tsPath}));
        QFile tsFile(tsPath);
        QVERIFY(tsFile.open(QIODevice::ReadOnly));
        LiveServer server(tsFile.readAll());
        server.setBytesPerSecond(tsFile.size() / 120.0);
        QVERIFY(server.listen(QHostAddress::LocalHost));

        auto bar = makeBar(true);
        bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
        QElapsedTimer clock;
        QList<qint64> bufferingOnMs;
        QList<qint64> bufferingOffMs;
        connect(m_core.get(), &PlayerCore::bufferingChanged, bar.get(),
                [&](bool on) { (on ? bufferingOnMs : bufferingOffMs).append(clock.elapsed()); });
        clock.start();

        server.sendSeconds(4);
        QSignalSpy loaded(m_core.get(), &PlayerCore::fileLoaded);
        m_core->playFiles({server.url()}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 15000);
        QVERIFY(m_core->isNetwork());
        QTRY_COMPARE(bar->playbackStatus()->text(), QString("Internet · Playing"));

        // This engine reports the end of what it has buffered as the duration
        // of an endless stream; a source that reports none is simulated here.
        const auto goLive = [this](ControlBar *target) {
            emit m_core->durationChanged(0);
            return target->totalLabel()->text();
        };
        QCOMPARE(goLive(bar.get()), QString("LIVE"));
        QCOMPARE(inPortuguese(goLive), QString("AO VIVO"));
        emit m_core->durationChanged(0);
        // Without a duration the seek bar takes neither presses nor keys.
        SeekBar *seek = bar->seekBar();
        QSignalSpy seeks(seek, &SeekBar::seekRequested);
        const QPointF at(80, seek->height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, seek->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(seek, &press);
        QVERIFY(!seek->isDragging());
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
        QApplication::sendEvent(seek, &end);
        QCOMPARE(seeks.count(), 0);

        // The data stops: the player stalls, and the bar admits it after 750 ms.
        QTRY_VERIFY_WITH_TIMEOUT(!bufferingOnMs.isEmpty(), 20000);
        const qint64 stalledAt = bufferingOnMs.last();
        QVERIFY(m_core->isBuffering());
        if (clock.elapsed() - stalledAt < 500)
            QCOMPARE(bar->playbackStatus()->text(), QString("Internet · Playing"));
        QTRY_COMPARE_WITH_TIMEOUT(bar->playbackStatus()->text(),
                                  QString("Waiting for network data…"), 3000);
        QVERIFY(clock.elapsed() - stalledAt >= 750);
        QCOMPARE(inPortuguese(statusOf), QString("Aguardando dados da rede…"));

        server.sendSeconds(10);
        QTRY_VERIFY_WITH_TIMEOUT(!bufferingOffMs.isEmpty(), 10000);
        QCOMPARE(bar->playbackStatus()->text(), QString("Internet · Playing"));

        // A short stall: data comes back at once; no waiting text at any moment.
        QStringList seen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, bar.get(), [&] {
            if (!seen.contains(bar->playbackStatus()->text()))
                seen.append(bar->playbackStatus()->text());
        });
        sampler.start(5);
        const int stallsBefore = bufferingOnMs.size();
        QTRY_VERIFY_WITH_TIMEOUT(bufferingOnMs.size() > stallsBefore, 20000);
        server.sendSeconds(20);
        QTRY_VERIFY_WITH_TIMEOUT(bufferingOffMs.size() > stallsBefore, 10000);
        const qint64 stallMs = bufferingOffMs.last() - bufferingOnMs.last();
        sampler.stop();
        QVERIFY(!seen.isEmpty());
        if (stallMs >= 700)
            QSKIP(qPrintable(
                    QString("the engine took %1 ms to refill; not a short stall").arg(stallMs)));
        QCOMPARE(seen, QStringList{"Internet · Playing"});
        qInfo("short stall lasted %lld ms", stallMs);

        stopPlayer();
    }

    void hidesButtonsOnNarrowBars()
    {
        // In the window the bar is one row of a vertical layout.
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        uiEnglish = true;
        auto *bar = new ControlBar(m_core.get(), &window);
        layout->addWidget(bar);
        window.resize(1280, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto setWidth = [&](int w) {
            window.resize(w, 100);
            QTRY_COMPARE(bar->width(), w);
        };

        setWidth(500);
        const QList<QWidget *> shown{
                bar->playButton(), bar->fullscreenButton(), bar->speedButton(),
                bar->moreButton(), bar->muteButton(),       bar->elapsedLabel(),
                bar->seekBar(),    bar->totalLabel(),       bar->playbackStatus()};
        const QList<QWidget *> hidden{
                bar->shuffleButton(),   bar->repeatButton(), bar->prevButton(),
                bar->nextButton(),      bar->back10Button(), bar->fwd10Button(),
                bar->subtitlesButton(), bar->audioButton(),  bar->eqButton(),
                bar->queueButton(),     bar->volumeSlider(), bar->pipButton(),
                bar->nowBlock()};
        for (QWidget *widget : shown)
            QVERIFY2(widget->isVisible(), qPrintable(widget->accessibleName()));
        for (QWidget *widget : hidden)
            QVERIFY2(!widget->isVisible(), qPrintable(widget->accessibleName()));
        QCOMPARE(bar->elapsedLabel()->minimumWidth(), 42);
        QCOMPARE(bar->totalLabel()->minimumWidth(), 42);
        // What is left fits: the play button keeps its size and the seek bar has room.
        QCOMPARE(bar->playButton()->size(), QSize(44, 44));
        QTRY_VERIFY(bar->seekBar()->width() > 100);
        QVERIFY(bar->fullscreenButton()->geometry().right() < bar->width());
        QCOMPARE(bar->fullscreenButton()->size(), bar->fullscreenButton()->sizeHint());

        // Each element appears one pixel above its threshold.
        const QList<QPair<QWidget *, int>> thresholds{
                {bar->nowBlock(), 980},        {bar->eqButton(), 1000},
                {bar->pipButton(), 820},       {bar->subtitlesButton(), 720},
                {bar->volumeSlider(), 700},    {bar->audioButton(), 660},
                {bar->back10Button(), 640},    {bar->fwd10Button(), 640},
                {bar->queueButton(), 580},     {bar->prevButton(), 560},
                {bar->nextButton(), 560},      {bar->shuffleButton(), 520},
                {bar->repeatButton(), 520},    {bar->speedButton(), 460},
                {bar->fullscreenButton(), 380}};
        for (const auto &[widget, limit] : thresholds) {
            setWidth(limit);
            QVERIFY2(!widget->isVisible(), qPrintable(QString::number(limit)));
            setWidth(limit + 1);
            QVERIFY2(widget->isVisible(), qPrintable(QString::number(limit)));
        }
        setWidth(549);
        QCOMPARE(bar->elapsedLabel()->minimumWidth(), 42);
        setWidth(550);
        QCOMPARE(bar->elapsedLabel()->minimumWidth(), 52);
        QCOMPARE(bar->totalLabel()->minimumWidth(), 52);
    }

    void nowPlayingFavoriteAndFullscreen()
    {
        auto bar = makeBar(true);
        const QString longTitle = QString("A very long title ").repeated(8);
        QImage wide(200, 100, QImage::Format_ARGB32);
        wide.fill(Qt::red);
        bar->setNowPlaying(longTitle, "Artist", QPixmap::fromImage(wide));
        QVERIFY(bar->titleLabel()->text().endsWith(QChar(0x2026)));
        QVERIFY(QFontMetrics(bar->titleLabel()->font())
                        .horizontalAdvance(bar->titleLabel()->text()) <= 190);
        QCOMPARE(bar->titleLabel()->toolTip(), longTitle);
        QCOMPARE(bar->subtitleLabel()->text(), QString("Artist"));
        const QImage cover = bar->coverButton()->icon().pixmap(52, 52).toImage();
        QCOMPARE(cover.size(), QSize(52, 52));
        QCOMPARE(cover.pixelColor(26, 26), QColor(Qt::red));
        QVERIFY(cover.pixelColor(0, 0).alpha() < 40); // rounded corner

        bar->setFavoriteState(true, true);
        QVERIFY(bar->favoriteButton()->isEnabled());
        QVERIFY(bar->favoriteButton()->isChecked());
        const QIcon heart = tintedIcon("heart-filled", QColor("#c9d4e3"), QColor("#ff5c8a"));
        QCOMPARE(iconImage(bar->favoriteButton()->icon(), 18, QIcon::On),
                 iconImage(heart, 18, QIcon::On));
        bar->setFavoriteState(false, true);
        QVERIFY(!bar->favoriteButton()->isChecked());
        QCOMPARE(iconImage(bar->favoriteButton()->icon(), 18),
                 iconImage(tintedIcon("heart", QColor("#c9d4e3"), QColor("#ff5c8a")), 18));

        QSignalSpy clicks(bar.get(), &ControlBar::coverClicked);
        bar->coverButton()->click();
        QCOMPARE(clicks.count(), 1);

        bar->setFullscreenState(true);
        QCOMPARE(bar->fullscreenButton()->toolTip(), QString("Exit fullscreen (Esc)"));
        QCOMPARE(iconImage(bar->fullscreenButton()->icon(), 20),
                 iconImage(icon("fullscreen-exit"), 20));
        bar->setFullscreenState(false);
        QCOMPARE(bar->fullscreenButton()->toolTip(), QString("Fullscreen (F)"));
    }

    void overlayPropertyRestyles()
    {
        QWidget window;
        window.setStyleSheet(themeStyleSheet());
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *bar = new ControlBar(m_core.get(), &window);
        layout->addWidget(bar);
        window.resize(1280, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto backgroundAt = [bar](int x, int y) {
            return bar->grab().toImage().pixelColor(x, y);
        };
        const QPoint inside(4, bar->height() / 2); // in the left margin, no child there
        QCOMPARE(backgroundAt(inside.x(), inside.y()), QColor("#0a1626"));

        bar->setProperty("overlay", true);
        const QColor overlay = backgroundAt(inside.x(), inside.y());
        QVERIFY2(overlay != QColor("#0a1626"), qPrintable(overlay.name()));
        // The overlay look has rounded corners.
        QVERIFY(backgroundAt(0, 0) != overlay);

        bar->setProperty("overlay", false);
        QCOMPARE(backgroundAt(inside.x(), inside.y()), QColor("#0a1626"));
    }
};

QTEST_MAIN(tst_ControlBar)
#include "tst_controlbar.moc"
