#include "PlayerTestUtil.h"
#include "RecordingHost.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/CardView.h"
#include "ui/ItemRoles.h"
#include "ui/MainWindow.h"
#include "ui/RelativeTime.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/RecentsPage.h"
#include "ui/window/PlaybackSession.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// Noon of the day that lies daysAgo before today, so that no test straddles
// midnight.
QDateTime noonDaysAgo(int daysAgo)
{
    return QDateTime(QDate::currentDate().addDays(-daysAgo), QTime(12, 0));
}

QStandardItem *cardFor(const RecentsPage &page, const QString &path)
{
    for (int row = 0; row < page.model()->rowCount(); ++row) {
        if (page.model()->item(row)->data(ItemRole::Path).toString() == path)
            return page.model()->item(row);
    }
    return nullptr;
}

QStringList shownPaths(const RecentsPage &page)
{
    QStringList paths;
    for (int row = 0; row < page.model()->rowCount(); ++row)
        paths << page.model()->item(row)->data(ItemRole::Path).toString();
    return paths;
}

// What a tooltip shows once the toolkit has decided whether it is markup.
QString shownToolTip(const QString &tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

void selectTab(RecentsPage &page, const QString &kind)
{
    for (int i = 0; i < page.tabs()->count(); ++i) {
        if (page.tabs()->tabData(i).toString() == kind)
            page.tabs()->setCurrentIndex(i);
    }
    QCOMPARE(page.currentKind(), kind);
}

} // namespace

// The recents page on a real database, with a recording host or inside the
// real window with a real engine.
class tst_Recents final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    Database *m_db = nullptr;
    RecordingHost m_host;

    std::unique_ptr<RecentsPage> makePage()
    {
        return std::make_unique<RecentsPage>(PageContext{&m_host, nullptr, m_db});
    }

    QString emptyFile(const QString &name)
    {
        const QString path = m_media.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return path;
    }

    void record(const QString &path, const QString &kind, const QString &title, double position,
                double duration, bool finished, const QDateTime &when = noonDaysAgo(0))
    {
        m_db->recordHistory(
                {path, kind, title, position, duration, when.toSecsSinceEpoch(), finished});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_recents")));
        m_db = Database::instance();
    }

    void init()
    {
        uiEnglish = true;
        m_db->clearHistory(QString());
        m_host.calls.clear();
    }

    void relativeTimes_data()
    {
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("portuguese");
        const QDate week = QDate::currentDate().addDays(-7);
        const QDate ahead = QDate::currentDate().addDays(3);
        QTest::newRow("today") << 0 << "Today, 12:00"
                               << "Hoje, 12:00";
        QTest::newRow("yesterday") << 1 << "Yesterday, 12:00"
                                   << "Ontem, 12:00";
        QTest::newRow("2 days") << 2 << "2 days ago"
                                << "Há 2 dias";
        QTest::newRow("6 days") << 6 << "6 days ago"
                                << "Há 6 dias";
        QTest::newRow("7 days") << 7 << week.toString("MM/dd/yyyy") << week.toString("dd/MM/yyyy");
        QTest::newRow("future") << -3 << ahead.toString("MM/dd/yyyy")
                                << ahead.toString("dd/MM/yyyy");
    }

    void relativeTimes()
    {
        QFETCH(int, daysAgo);
        QFETCH(QString, english);
        QFETCH(QString, portuguese);
        const QDateTime now = QDateTime::currentDateTime();
        uiEnglish = true;
        QCOMPARE(relativeTime(noonDaysAgo(daysAgo), now), english);
        uiEnglish = false;
        QCOMPARE(relativeTime(noonDaysAgo(daysAgo), now), portuguese);
    }

    void cards_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name"); // file in the media folder, or a link
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("duration");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<QString>("firstPart"); // "<path>" stands for the path
        QTest::addColumn<double>("progress");   // -1: no bar, badge or thumbnail
        QTest::addColumn<double>("thumbPosition");

        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("finished video") << "video"
                                        << "done.mkv"
                                        << "Done" << 100.0 << 250.0 << true << "Done"
                                        << "Watched to the end" << 1.0 << 100.0;
        QTest::newRow("unfinished video") << "video"
                                          << "half.mkv"
                                          << "" << 65.0 << 250.0 << false << "half"
                                          << "Stopped at 1:05 of 4:10" << 0.26 << 65.0;
        QTest::newRow("position beyond the duration")
                << "video"
                << "beyond.mkv"
                << "Beyond" << 900.0 << 250.0 << false << "Beyond"
                << "Stopped at 4:10 of 4:10" << 1.0 << 250.0;
        QTest::newRow("no duration") << "video"
                                     << "nodur.mkv"
                                     << "No duration" << 30.0 << 0.0 << false << "No duration"
                                     << "<path>" << -1.0 << 0.0;
        QTest::newRow("not a number") << "video"
                                      << "nan.mkv"
                                      << "NaN" << nan << 250.0 << false << "NaN"
                                      << "Stopped at 0:00 of 4:10" << 0.0 << 0.0;
        QTest::newRow("negative") << "video"
                                  << "neg.mkv"
                                  << "Neg" << -40.0 << 1e300 << false << "Neg"
                                  << "" << 0.0 << 0.0;
        QTest::newRow("song with album") << "audio"
                                         << "album.mp3"
                                         << "Song" << 0.0 << 0.0 << false << "Song"
                                         << "Singer · Record" << -1.0 << 0.0;
        QTest::newRow("song without album") << "audio"
                                            << "single.mp3"
                                            << "Single" << 0.0 << 0.0 << false << "Single"
                                            << "Singer" << -1.0 << 0.0;
        QTest::newRow("song without artist") << "audio"
                                             << "anon.mp3"
                                             << "Anon" << 0.0 << 0.0 << false << "Anon"
                                             << "Unknown artist" << -1.0 << 0.0;
        QTest::newRow("song outside the library") << "audio"
                                                  << "loose.mp3"
                                                  << "Loose" << 0.0 << 0.0 << false << "Loose"
                                                  << "" << -1.0 << 0.0;
        QTest::newRow("stream") << "stream"
                                << "http://radio.invalid/live"
                                << "Live" << 0.0 << 0.0 << false << "Live"
                                << "<path>" << -1.0 << 0.0;
        QTest::newRow("link without a name") << "stream"
                                             << "http://host.invalid/"
                                             << "" << 0.0 << 0.0 << false << "http://host.invalid/"
                                             << "<path>" << -1.0 << 0.0;
        QTest::newRow("markup") << "audio"
                                << "<b>x<img src=y>.mp3"
                                << "" << 0.0 << 0.0 << false << "<b>x<img src=y>"
                                << "" << -1.0 << 0.0;
    }

    void cards()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(double, position);
        QFETCH(double, duration);
        QFETCH(bool, finished);
        QFETCH(QString, shownTitle);
        QFETCH(QString, firstPart);
        QFETCH(double, progress);
        QFETCH(double, thumbPosition);

        const QString path = name.contains("://") ? name : emptyFile(name);
        if (firstPart == QLatin1String("<path>"))
            firstPart = path;
        if (name == QLatin1String("album.mp3") || name == QLatin1String("single.mp3") ||
            name == QLatin1String("anon.mp3")) {
            MediaRecord media;
            media.path = path;
            media.kind = "audio";
            media.title = title;
            media.artist = name == QLatin1String("anon.mp3") ? QString() : "Singer";
            media.album = name == QLatin1String("album.mp3") ? "Record" : QString();
            media.folder = m_media.path();
            QVERIFY(m_db->storeScanned({media}));
        }
        record(path, kind, title, position, duration, finished);
        // A second row of another kind must not show on this tab.
        record(emptyFile("other.txt"), kind == "video" ? "audio" : "video", "Other", 0, 0, false);

        auto page = makePage();
        selectTab(*page, kind);
        QCOMPARE(shownPaths(*page), QStringList{path});
        QStandardItem *card = cardFor(*page, path);
        QCOMPARE(card->text(), shownTitle);
        QCOMPARE(card->data(ItemRole::Kind).toString(), kind);
        QCOMPARE(shownToolTip(card->toolTip()), path);
        if (QTest::currentDataTag() == QByteArray("negative")) {
            // A huge duration is still a duration; only its text is unbounded.
            QVERIFY(card->data(ItemRole::Subtitle).toString().startsWith("Stopped at 0:00 of "));
        } else {
            QCOMPARE(card->data(ItemRole::Subtitle).toString(), firstPart + "   ·   Today, 12:00");
        }
        if (progress < 0) {
            for (int role :
                 {ItemRole::Progress, ItemRole::Badge, ItemRole::ThumbTag, ItemRole::ThumbPosition})
                QVERIFY2(!card->data(role).isValid(), qPrintable(QString::number(role)));
            return;
        }
        const double shown = card->data(ItemRole::Progress).toDouble();
        QVERIFY(shown >= 0.0 && shown <= 1.0);
        QVERIFY(qAbs(shown - progress) < 1e-6);
        QCOMPARE(card->data(ItemRole::ThumbTag).toString(), QStringLiteral("hist"));
        QCOMPARE(card->data(ItemRole::ThumbPosition).toDouble(), thumbPosition);
        QVERIFY(!card->data(ItemRole::Badge).toString().isEmpty());
        if (duration == 250.0)
            QCOMPARE(card->data(ItemRole::Badge).toString(), QStringLiteral("4:10"));

        uiEnglish = false;
        page->reload();
        card = cardFor(*page, path);
        if (firstPart == QLatin1String("Watched to the end"))
            QVERIFY(card->data(ItemRole::Subtitle)
                            .toString()
                            .startsWith("Assistido até o fim   ·   Hoje"));
        if (firstPart == QLatin1String("Stopped at 1:05 of 4:10"))
            QVERIFY(card->data(ItemRole::Subtitle).toString().startsWith("Parou em 1:05 de 4:10"));
        if (firstPart == QLatin1String("Unknown artist"))
            QVERIFY(card->data(ItemRole::Subtitle).toString().startsWith("Artista desconhecido"));
    }

    // The existence answer arrives later and only marks files, never links.
    void missingFiles()
    {
        const QString kept = emptyFile("kept.mp3");
        const QString gone = emptyFile("gone.mp3");
        const QString folder = m_media.filePath("folder.mp3");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::remove(gone));
        record(kept, "audio", "Kept", 0, 0, false);
        record(gone, "audio", "Gone", 0, 0, false, noonDaysAgo(1));
        record(folder, "audio", "Folder", 0, 0, false, noonDaysAgo(2));
        record("http://radio.invalid/gone", "stream", "Link", 0, 0, false);
        auto page = makePage();
        selectTab(*page, "audio");
        const QString suffix = QStringLiteral("   ·   file not found");
        QTRY_VERIFY(cardFor(*page, gone)->data(ItemRole::Subtitle).toString().endsWith(suffix));
        QTRY_VERIFY(cardFor(*page, folder)->data(ItemRole::Subtitle).toString().endsWith(suffix));
        QVERIFY(!cardFor(*page, kept)->data(ItemRole::Subtitle).toString().contains(suffix));
        QCOMPARE(cardFor(*page, gone)->data(ItemRole::Subtitle).toString().count(suffix), 1);

        selectTab(*page, "stream");
        // A check of the same tab that would mark a file proves the answer came.
        record(gone, "stream", "Gone as a stream", 0, 0, false);
        page->reload();
        QTRY_VERIFY(cardFor(*page, gone)->data(ItemRole::Subtitle).toString().endsWith(suffix));
        QVERIFY(!cardFor(*page, "http://radio.invalid/gone")
                         ->data(ItemRole::Subtitle)
                         .toString()
                         .contains("file not found"));
    }

    // Tabs, the 300-entry cap and clearing one tab with the question answered.
    void tabsAndClear()
    {
        for (int i = 0; i < RecentsPage::MaxEntries + 1; ++i) {
            record(QStringLiteral("http://s.invalid/%1").arg(i), "stream", "S", 0, 0, false,
                   noonDaysAgo(0).addSecs(-i));
        }
        record(emptyFile("v.mkv"), "video", "V", 10, 100, false);
        record(emptyFile("a.mp3"), "audio", "A", 0, 0, false);
        auto page = makePage();
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        selectTab(*page, "stream");
        QCOMPARE(page->model()->rowCount(), RecentsPage::MaxEntries);
        QCOMPARE(shownPaths(*page).first(), QStringLiteral("http://s.invalid/0"));
        QVERIFY(!shownPaths(*page).contains(QStringLiteral("http://s.invalid/300")));
        selectTab(*page, "video");
        QCOMPARE(shownPaths(*page), QStringList{m_media.filePath("v.mkv")});

        auto *clear = page->findChild<QPushButton *>();
        QVERIFY(clear);
        QCOMPARE(clear->text(), QStringLiteral("Clear history"));
        auto answer = [](QMessageBox::StandardButton button, QString *text) {
            QTimer::singleShot(0, [button, text] {
                QTRY_VERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                *text = box->windowTitle() + "|" + box->text();
                box->button(button)->click();
            });
        };
        selectTab(*page, "audio");
        QString asked;
        answer(QMessageBox::No, &asked);
        clear->click();
        QCOMPARE(asked, QStringLiteral("Clear history|Clear the history of this tab? Your files "
                                       "are not deleted."));
        QCOMPARE(m_db->history("audio", 10).size(), 1);
        answer(QMessageBox::Yes, &asked);
        clear->click();
        QVERIFY(m_db->history("audio", 10).isEmpty());
        QCOMPARE(m_db->history("video", 10).size(), 1);
        QCOMPARE(m_db->history("stream", 400).size(), RecentsPage::MaxEntries + 1);
        auto *stack = page->findChild<QStackedWidget *>();
        QVERIFY(stack->currentWidget() != page->findChild<QAbstractItemView *>());
    }

    // A hidden page ignores history changes until it is navigated to.
    void reloadsOnlyWhenShown()
    {
        auto page = makePage();
        selectTab(*page, "audio");
        record(emptyFile("first.mp3"), "audio", "First", 0, 0, false);
        QCOMPARE(page->model()->rowCount(), 0);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        record(emptyFile("second.mp3"), "audio", "Second", 0, 0, false);
        QCOMPARE(page->model()->rowCount(), 2);
        page->hide();
        record(emptyFile("third.mp3"), "audio", "Third", 0, 0, false);
        QCOMPARE(page->model()->rowCount(), 2);
        page->reload();
        QCOMPARE(page->model()->rowCount(), 3);
    }

    void emptyState_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("en") << true
                            << QStringList{"Recent", "Nothing here yet",
                                           "Everything you watch or listen to shows up here, "
                                           "with where you stopped."};
        QTest::newRow("pt") << false
                            << QStringList{"Recentes", "Nada por aqui ainda",
                                           "Tudo o que você assistir ou ouvir aparece aqui, com "
                                           "o ponto onde parou."};
    }

    void emptyState()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, texts);
        uiEnglish = english;
        auto page = makePage();
        page->resize(900, 600);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        QStringList shown;
        for (const QLabel *label : page->findChildren<QLabel *>()) {
            if (label->isVisible())
                shown << label->text();
        }
        for (const QString &text : texts)
            QVERIFY2(shown.contains(text), qPrintable(text));
        QCOMPARE(page->findChild<QPushButton *>()->text(),
                 english ? QStringLiteral("Clear history") : QStringLiteral("Limpar histórico"));
        QStringList tabs;
        for (int i = 0; i < page->tabs()->count(); ++i)
            tabs << page->tabs()->tabText(i);
        const QStringList expectedTabs =
                english ? QStringList{"Watched videos", "Played music", "Links & radios"}
                        : QStringList{"Vídeos assistidos", "Músicas ouvidas", "Links e rádios"};
        QCOMPARE(tabs, expectedTabs);
        QVERIFY(!page->findChild<QAbstractItemView *>()->isVisible());
        const QImage grab = page->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < grab.height(); y += 4) {
            for (int x = 0; x < grab.width(); x += 4)
                colours.insert(grab.pixel(x, y));
        }
        QVERIFY(colours.size() > 1);
    }

    // The card's bar in the picture: half filled at 50 %, measured against a
    // finished card, whose bar is full.
    void resumeBar()
    {
        record(emptyFile("full.mkv"), "video", "Full", 10, 100, true);
        record(emptyFile("halfway.mkv"), "video", "Halfway", 50, 100, false, noonDaysAgo(1));
        auto page = makePage();
        page->resize(900, 600);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        CardView *view = page->cards();
        QCOMPARE(page->model()->rowCount(), 2);
        const QImage grab = view->viewport()->grab().toImage();
        // The filled part is the only strongly coloured run of its row.
        auto filledWidth = [&](int row) {
            const QRect rect = view->visualRect(page->model()->index(row, 0));
            int best = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                int run = 0;
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    const QColor c = grab.pixelColor(x, y);
                    run += c.hsvSaturation() > 120 && c.blue() > 200 ? 1 : 0;
                }
                best = std::max(best, run);
            }
            return best;
        };
        const int full = filledWidth(0);
        QVERIFY2(full > 60, qPrintable(QString::number(full)));
        QVERIFY2(qAbs(filledWidth(1) - full / 2) <= 2,
                 qPrintable(QStringLiteral("%1 of %2").arg(filledWidth(1)).arg(full)));
    }

    // The menu's extra entries inside the real window, with the real engine.
    void menuEntriesPlay()
    {
        std::unique_ptr<PlayerCore> core = PlayerTestUtil::startCore();
        QVERIFY(core);
        const QString video =
                TestMedia::solidVideo(m_media.filePath("sixty.mkv"), 60, "blue", 160, 120);
        QVERIFY(!video.isEmpty());
        record(video, "video", "Sixty", 30, 60, false);
        MainWindow window(core.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.navigate("recents");
        auto *page = window.findChild<RecentsPage *>();
        selectTab(*page, "video");
        QCOMPARE(shownPaths(*page), QStringList{video});
        QSignalSpy resumed(window.session(), &PlaybackSession::resumedAt);

        auto choose = [&](const QString &entry) {
            auto *view = page->findChild<QAbstractItemView *>();
            const QRect rect = view->visualRect(page->model()->index(0, 0));
            QString seen;
            QTimer poll;
            poll.setInterval(20);
            connect(&poll, &QTimer::timeout, [&] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                poll.stop();
                for (QAction *action : menu->actions()) {
                    if (action->text() == entry) {
                        seen = entry;
                        menu->close();
                        action->trigger();
                        return;
                    }
                }
                menu->close();
            });
            poll.start();
            QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                                    view->viewport()->mapToGlobal(rect.center()));
            QCoreApplication::sendEvent(view->viewport(), &event);
            QTRY_COMPARE(seen, entry);
        };

        choose("Resume");
        QTRY_VERIFY_WITH_TIMEOUT(core->currentPath() == video && core->position() >= 29.5,
                                 PlayerTestUtil::EngineWaitMs);
        QCOMPARE(resumed.count(), 1);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*core));
        record(video, "video", "Sixty", 30, 60, false);

        QSignalSpy loaded(core.get(), &PlayerCore::fileLoaded);
        choose("Play from start");
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() == 1 && core->duration() > 0,
                                 PlayerTestUtil::EngineWaitMs);
        QTRY_VERIFY(core->position() > 0.2);
        QVERIFY(core->position() < 10);
        QCOMPARE(resumed.count(), 1);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*core));

        record(emptyFile("stays.mkv"), "video", "Stays", 5, 60, false, noonDaysAgo(1));
        selectTab(*page, "audio");
        selectTab(*page, "video");
        QCOMPARE(page->model()->rowCount(), 2);
        choose("Remove from history");
        QVERIFY(!m_db->historyEntry(video));
        QVERIFY(m_db->historyEntry(m_media.filePath("stays.mkv")));
        QCOMPARE(shownPaths(*page), QStringList{m_media.filePath("stays.mkv")});
    }
};

QTEST_MAIN(tst_Recents)
#include "tst_recents.moc"
