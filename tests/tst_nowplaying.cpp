#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "ui/pages/NowPlaying.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The now-playing page with a real engine: layout, lyrics loading, the lit
// line against the engine's reported time, seeking from a line, pixels.
class tst_NowPlaying final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    // The page sits in a plain parent, so any width can be given to it.
    std::unique_ptr<QWidget> m_host;
    NowPlaying *m_page = nullptr;
    QString m_tone;

    QListWidget *list() const { return m_page->findChild<QListWidget *>("lyricsList"); }
    QWidget *panel() const { return m_page->findChild<QWidget *>("lyricsPanel"); }
    QLabel *cover() const { return m_page->findChild<QLabel *>("coverLabel"); }

    static bool write(const QString &path, const QByteArray &bytes)
    {
        QFile out(path);
        return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               out.write(bytes) == bytes.size();
    }

    // A song file (a copy of the tone) with the given side file.
    QString songWithLyrics(const QString &name, const QByteArray &lrc)
    {
        const QString path = m_media.filePath(name + QStringLiteral(".flac"));
        QFile::remove(path);
        if (!QFile::copy(m_tone, path) || !write(m_media.filePath(name + ".lrc"), lrc))
            return {};
        return path;
    }

    void showAt(int width, int height = 700)
    {
        m_page->setGeometry(0, 0, width, height);
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    }

    // Loads the song and waits for its lines.
    void load(const QString &path, int lines)
    {
        m_page->setTrack(path, QStringLiteral("Title"), QStringLiteral("Artist"),
                         QStringLiteral("Album"), QPixmap());
        QTRY_COMPARE(m_page->lyricLines().size(), lines);
        // Long lists are laid out in slices: wait for the last row's place.
        if (panel()->isVisible())
            QTRY_VERIFY(list()->visualItemRect(list()->item(lines - 1)).isValid());
    }

    // What the list shows in a row's rectangle: the number of near-white pixels.
    int whitePixels(int row)
    {
        const QRect rect = list()->visualItemRect(list()->item(row));
        const QImage image = list()->viewport()->grab(rect).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 220 && c.green() > 220 && c.blue() > 220;
            }
        }
        return count;
    }

    // The line the scan picks at a position: the last timed line no later
    // than the position plus the 0.15 s lead.
    int expectedLine(double seconds) const
    {
        int index = -1;
        const QList<LyricLine> &lines = m_page->lyricLines();
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).time >= 0 && lines.at(i).time <= seconds + 0.15)
                index = i;
        }
        return index;
    }

    // Lines at these times, plus an untimed intro that sorts first.
    static QByteArray timedLyrics(const QList<double> &times)
    {
        QByteArray text = "[ti:Tone]\nintro\n";
        for (const double time : times) {
            const int centis = qRound(time * 100);
            text += QStringLiteral("[%1:%2.%3]line at %4\n")
                            .arg(centis / 6000, 2, 10, QLatin1Char('0'))
                            .arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
                            .arg(centis % 100, 2, 10, QLatin1Char('0'))
                            .arg(time)
                            .toUtf8();
        }
        return text;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-nowplaying")));
        qputenv("ZORVIPLAYER_OPT", PlayerTestUtil::PausedSeekEngineOptions);
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
        m_tone = TestMedia::tone(m_media.filePath(QStringLiteral("tone.flac")), 12);
        QVERIFY(!m_tone.isEmpty());
        m_host = std::make_unique<QWidget>();
        m_host->resize(1200, 800);
        m_page = new NowPlaying(m_core.get(), m_host.get());
        m_host->show();
        showAt(1000);
    }

    void cleanupTestCase()
    {
        if (m_core)
            QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        m_host.reset();
        m_core.reset();
    }

    // The panel needs lyrics, 900 px and the full layout; the cover follows
    // the width.
    void layout_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<bool>("panelShown");
        QTest::addColumn<int>("coverPx");
        QTest::newRow("100 px") << 100 << false << false << 80;
        QTest::newRow("300 px") << 300 << false << false << 220;
        QTest::newRow("899 px") << 899 << false << false << 340;
        QTest::newRow("900 px") << 900 << false << true << 340;
        QTest::newRow("1000 px") << 1000 << false << true << 340;
        QTest::newRow("1000 px, compact") << 1000 << true << false << 120;
    }

    void layout()
    {
        QFETCH(int, width);
        QFETCH(bool, compact);
        QFETCH(bool, panelShown);
        QFETCH(int, coverPx);
        const QString song = songWithLyrics(QStringLiteral("layout"), "[00:01]one\n[00:02]two");
        if (m_page->lyricsPath() != song)
            load(song, 2);
        m_page->setCompact(compact);
        showAt(width);
        QCOMPARE(panel()->isVisible(), panelShown);
        QCOMPARE(cover()->size(), QSize(coverPx, coverPx));
        QCOMPARE(cover()->pixmap().size(), QSize(coverPx, coverPx));
        m_page->setCompact(false);
    }

    // Which lyrics are shown after a series of tracks, and when they load.
    void tracks()
    {
        showAt(1000);
        const QString a = songWithLyrics(QStringLiteral("a"), "[00:01]first text");
        load(a, 1);
        QVERIFY(panel()->isVisible());
        QCOMPARE(list()->item(0)->text(), QStringLiteral("first text"));

        // Opening the same file again does not read its lyrics again.
        QVERIFY(write(m_media.filePath(QStringLiteral("a.lrc")), "[00:01]changed"));
        m_page->setTrack(a, QStringLiteral("Again"), {}, {}, QPixmap());
        QCOMPARE(m_page->lyricLines().value(0).text, QStringLiteral("first text"));
        QCOMPARE(list()->item(0)->text(), QStringLiteral("first text"));

        // A then B at once: only B's lines, A's never under B's title.
        const QString b = songWithLyrics(QStringLiteral("b"), "[00:01]b one\n[00:02]");
        const QString a2 = songWithLyrics(QStringLiteral("a2"), "[00:01]a two");
        m_page->setTrack(a2, QStringLiteral("A2"), {}, {}, QPixmap());
        QVERIFY(m_page->lyricLines().isEmpty() && list()->count() == 0);
        m_page->setTrack(b, QStringLiteral("B"), {}, {}, QPixmap());
        QTRY_COMPARE(m_page->lyricLines().size(), 2);
        QCOMPARE(list()->item(0)->text(), QStringLiteral("b one"));
        QCOMPARE(list()->item(1)->text(), QStringLiteral("♪"));
        QCOMPARE(m_page->lyricsPath(), b);

        // A video and a stream hide the panel and forget the lyrics path.
        const QString video = m_media.filePath(QStringLiteral("b.mp4"));
        QVERIFY(QFile::copy(b, video));
        for (const QString &path : {video, QStringLiteral("http://127.0.0.1:9/live")}) {
            QVERIFY(panel()->isVisible());
            m_page->setTrack(path, QStringLiteral("Other"), {}, {}, QPixmap());
            QVERIFY(m_page->lyricsPath().isEmpty());
            QVERIFY(!panel()->isVisible());
            QCOMPARE(list()->count(), 0);
            // Going back reads the song's lyrics again.
            load(b, 2);
        }

        // No lyrics: no panel.
        const QString plain = m_media.filePath(QStringLiteral("plain.flac"));
        QVERIFY(QFile::copy(m_tone, plain));
        m_page->setTrack(plain, QStringLiteral("Plain"), {}, {}, QPixmap());
        QCOMPARE(m_page->lyricsPath(), plain);
        QVERIFY(!panel()->isVisible());
    }

    // Names are shown as text, never as markup, and the links give them back.
    void links()
    {
        const QString artist = QStringLiteral("AC/DC & <b>x</b>");
        const QString album = QStringLiteral("<i>Live</i>");
        m_page->setTrack(m_tone, QStringLiteral("Title"), artist, album, QPixmap());
        QSignalSpy artistSpy(m_page, &NowPlaying::artistClicked);
        QSignalSpy albumSpy(m_page, &NowPlaying::albumClicked);
        for (QLabel *label : m_page->findChildren<QLabel *>()) {
            if (!label->text().contains(QLatin1String("href")))
                continue;
            QVERIFY(!label->text().contains(QLatin1String("<b>")));
            QVERIFY(!label->text().contains(QLatin1String("<i>")));
            // A click on the start of the text, where the link begins.
            QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(4, label->height() / 2));
        }
        QCOMPARE(artistSpy.count(), 1);
        QCOMPARE(artistSpy.at(0).at(0).toString(), artist);
        QCOMPARE(albumSpy.count(), 1);
        QCOMPARE(albumSpy.at(0).at(0).toString(), album);
    }

    // The background is a gradient, tinted by the cover; the lit line is
    // the only one drawn in white.
    void pixels()
    {
        showAt(1000);
        const QString plain = m_media.filePath(QStringLiteral("pixels.flac"));
        QVERIFY(QFile::exists(plain) || QFile::copy(m_tone, plain));
        m_page->setTrack(plain, QStringLiteral("T"), {}, {}, QPixmap());
        QImage image = m_page->grab().toImage();
        const QPoint topLeft(2, 2);
        const QPoint bottomRight(image.width() - 3, image.height() - 3);
        QVERIFY(TestMedia::sameTint(image.pixelColor(topLeft), QColor("#0d1b2e"), 4));
        QVERIFY(TestMedia::sameTint(image.pixelColor(bottomRight), QColor("#07111f"), 4));
        const int plainRed = image.pixelColor(topLeft).red();

        QPixmap red(64, 64);
        red.fill(Qt::red);
        m_page->setTrack(plain, QStringLiteral("T"), {}, {}, red);
        image = m_page->grab().toImage();
        QVERIFY(image.pixelColor(topLeft).red() > plainRed + 15);
        QVERIFY(image.pixelColor(topLeft).green() < 40);

        const QString song =
                songWithLyrics(QStringLiteral("lit"), timedLyrics({1.0, 2.0, 3.0, 4.0}));
        load(song, 5);
        m_page->updatePosition(2.9);
        QCOMPARE(m_page->currentLine(), 3);
        for (int row = 0; row < list()->count(); ++row) {
            if (row == 3)
                QVERIFY2(whitePixels(row) > 30, qPrintable(QString::number(whitePixels(row))));
            else
                QCOMPARE(whitePixels(row), 0);
        }
        // Lighting the next line puts the previous one back.
        m_page->updatePosition(3.9);
        QCOMPARE(whitePixels(3), 0);
        QVERIFY(whitePixels(4) > 30);
    }

    // The lit line follows the engine while a tone plays in real time. At
    // each change of line the engine's own time is read: a line lights at
    // most 0.1 s after it is due (0.15 s before its time), so never later
    // than 0.05 s before its time; and at every position report the line
    // due by then is lit.
    void synchronisation()
    {
        showAt(1000);
        const QList<double> times = {1.0, 2.5, 4.0, 5.5, 6.0, 6.1, 7.0, 8.5, 10.0};
        const QString song = songWithLyrics(QStringLiteral("sync"), timedLyrics(times));
        load(song, times.size() + 1);

        struct Event
        {
            double seconds; // engine time
            int line;       // lit line then
        };
        QList<Event> reports;
        QList<Event> changes;
        // Disconnected with the guard, whichever way this test ends. Reports
        // are connected after the page, so the page has handled each first.
        QObject guard;
        connect(m_core.get(), &PlayerCore::positionChanged, &guard, [&](double seconds) {
            reports.append({seconds, m_page->currentLine()});
        });
        connect(list()->model(), &QAbstractItemModel::dataChanged, &guard,
                [&](const QModelIndex &row) {
                    const int line = m_page->currentLine();
                    const QColor color = row.data(Qt::ForegroundRole).value<QBrush>().color();
                    if (row.row() == line && color == Qt::white &&
                        (changes.isEmpty() || changes.last().line != line))
                        changes.append({getPropertyDouble(m_core->handle(), "time-pos", -1), line});
                });
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {song}, 0, 0));

        double largestLag = -1;
        double largestLead = -1;
        auto check = [&](double from) {
            for (int i = 1; i < m_page->lyricLines().size(); ++i) {
                const double due = m_page->lyricLines().at(i).time - 0.15;
                if (due < from + 0.1)
                    continue;
                // The change that lit this line or a later one.
                const auto change = std::find_if(changes.cbegin(), changes.cend(),
                                                 [&](const Event &e) { return e.line >= i; });
                QVERIFY2(change != changes.cend(), qPrintable(QString::number(due)));
                const QString what = QStringLiteral("line %1 due at %2 lit at %3")
                                             .arg(i)
                                             .arg(due)
                                             .arg(change->seconds);
                largestLag = std::max(largestLag, change->seconds - due);
                largestLead = std::max(largestLead, due - change->seconds);
                QVERIFY2(change->seconds < due + 0.1, qPrintable(what));
                // Between reports the page estimates the position from the
                // wall clock; the engine's own clock moves in small steps, so
                // measured against it a line may light a little early.
                QVERIFY2(change->seconds > due - 0.15, qPrintable(what));
                // Two lines closer than a report apart: the later one may win.
                QVERIFY2(change->line == i || m_page->lyricLines().at(change->line).time - 0.15 <=
                                                      change->seconds + 0.1,
                         qPrintable(what));
            }
            for (const Event &r : std::as_const(reports)) {
                QVERIFY2(
                        r.line >= expectedLine(r.seconds) &&
                                r.line <= expectedLine(r.seconds + 0.1),
                        qPrintable(QStringLiteral("report %1 line %2").arg(r.seconds).arg(r.line)));
            }
        };

        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() > 10.2, 20000);
        check(0);
        if (QTest::currentTestFailed())
            return;
        // Back to 2 s: lines light again on the way.
        reports.clear();
        changes.clear();
        m_core->seekAbsolute(2.0);
        auto landed = [&] {
            return std::find_if(reports.cbegin(), reports.cend(),
                                [](const Event &r) { return r.seconds < 2.2; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(landed() != reports.cend() && reports.last().seconds > 10.2,
                                 20000);
        // Only what happened after the seek landed.
        reports.erase(reports.cbegin(), landed());
        changes.erase(changes.cbegin(),
                      std::find_if(changes.cbegin(), changes.cend(),
                                   [](const Event &e) { return e.seconds < 2.2; }));
        check(2.0);
        qInfo("line changes against their due time: up to %.0f ms late, %.0f ms early",
              largestLag * 1000, largestLead * 1000);
    }

    // A click on a timed line seeks there and lights it; an untimed one does nothing.
    void clickToSeek()
    {
        showAt(1000);
        const QString song = songWithLyrics(QStringLiteral("click"), timedLyrics({1.0, 2.5, 4.0}));
        load(song, 4);
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {song}, 0, 0));
        QVERIFY(PlayerTestUtil::seekPausedTo(*m_core, 1.0));
        QTRY_COMPARE(m_page->currentLine(), 1);

        QList<double> positions;
        QObject guard;
        connect(m_core.get(), &PlayerCore::positionChanged, &guard,
                [&](double seconds) { positions.append(seconds); });
        auto click = [&](int row) {
            const QRect rect = list()->visualItemRect(list()->item(row));
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
        };
        click(0); // the untimed intro
        click(3); // 4.00 s
        QTRY_VERIFY(std::abs(m_core->position() - 4.0) <= 0.06);
        QTRY_COMPARE(m_page->currentLine(), 3);
        for (const double seconds : std::as_const(positions))
            QVERIFY2(seconds > 0.9, qPrintable(QString::number(seconds)));
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
    }
};

QTEST_MAIN(tst_NowPlaying)
#include "tst_nowplaying.moc"
