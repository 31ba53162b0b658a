#include "IcyServer.h"
#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "playlists/DirectoryConfig.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/MainWindow.h"
#include "ui/Toast.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/RadiosPage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The window side of a page, reduced to what the radio page asks for.
class RecordingHost final : public Host
{
public:
    PlayerCore *player() const override { return nullptr; }
    void playPaths(const QStringList &paths, int startIndex) override
    {
        played = paths;
        playedIndex = startIndex;
    }
    void enqueuePaths(const QStringList &) override {}
    void playNextPaths(const QStringList &) override {}
    void playPath(const QString &) override {}
    void showMediaMenu(const QStringList &, const QPoint &, QWidget *) override {}
    void openFiles() override {}
    void openFolder() override {}
    void openLink() override {}
    void showToast(const QString &text) override { toasts.append(text); }
    void navigate(const QString &) override {}

    QStringList played;
    int playedIndex = -1;
    QStringList toasts;
};

// A port on 127.0.0.1 that was free a moment ago: connecting is refused.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

DirectoryConfig offlineConfig()
{
    DirectoryConfig config = DirectoryConfig::standard();
    const QString closed = QStringLiteral("https://127.0.0.1:%1").arg(closedPort());
    for (QString &mirror : config.mirrors)
        mirror = closed;
    return config;
}

// Runs act on the next modal dialog of type T not seen before; act must close
// it and only record what it saw, the test checks that afterwards.
template<typename T>
void whenModal(const std::function<void(T *)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || dialog->property("handled").toBool())
            return;
        dialog->setProperty("handled", true);
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

StationRecord station(const QString &name, const QString &url, const QString &group = "radio",
                      bool favorite = false)
{
    StationRecord s;
    s.name = name;
    s.url = url;
    s.grp = group;
    s.favorite = favorite;
    return s;
}

QStringList names(const QList<StationRecord> &list)
{
    QStringList out;
    for (const StationRecord &s : list)
        out.append(s.name);
    return out;
}

} // namespace

// The radio and TV page against a real database in a private folder; the
// playback case drives the real engine through the main window.
class tst_Radios final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    Database *m_db = nullptr;
    RecordingHost m_host;

    std::unique_ptr<RadiosPage> makePage(const DirectoryConfig &config)
    {
        auto page =
                std::make_unique<RadiosPage>(PageContext{&m_host, nullptr, m_db}, nullptr, config);
        page->resize(900, 600);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            return nullptr;
        return page;
    }

    static QListWidget *sections(RadiosPage *page) { return page->findChild<QListWidget *>(); }
    static QLabel *status(RadiosPage *page)
    {
        for (QLabel *label : page->findChildren<QLabel *>()) {
            if (label->objectName() == QLatin1String("Muted"))
                return label;
        }
        return nullptr;
    }
    static QStandardItemModel *cards(RadiosPage *page)
    {
        return page->findChild<CardView *>()->model();
    }
    static bool searchRowVisible(RadiosPage *page)
    {
        return page->findChild<QLineEdit *>()->isVisible();
    }
    static QStringList cardTexts(RadiosPage *page)
    {
        QStringList out;
        QStandardItemModel *model = cards(page);
        for (int row = 0; row < model->rowCount(); ++row)
            out.append(model->item(row)->text());
        return out;
    }

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return path;
    }

    bool import(RadiosPage *page, const QString &path)
    {
        QSignalSpy finished(page, &RadiosPage::importFinished);
        if (!page->importIptvList(path))
            return false;
        if (!finished.wait(10000))
            return false;
        return finished.first().first().toBool();
    }

    void clearStations()
    {
        for (const QString &group : m_db->stationGroups())
            m_db->removeStationGroup(group);
        m_db->removeStationGroup("radio");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_dir.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), "tst_radios"));
        m_db = Database::instance();
        // Pages built by the main window never reach the public directory.
        DirectoryConfig::useForProcess(offlineConfig());
    }

    void init()
    {
        clearStations();
        m_host = RecordingHost();
    }

    void savedStationsFollowTheDatabase()
    {
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        QListWidget *list = sections(page.get());
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(1);
        QVERIFY(!searchRowVisible(page.get()));
        QVERIFY(status(page.get())->text().startsWith("No saved radios yet."));

        // The same directory result saved twice is stored once.
        StationRecord found = station("Found FM", "http://found.example/live", QString());
        page->saveToFavorites(found);
        page->saveToFavorites(found);
        QCOMPARE(m_host.toasts, QStringList(2, "Radio saved to favorites"));
        QCOMPARE(names(m_db->stations("radio")), QStringList{"Found FM"});
        QVERIFY(m_db->stations("radio").first().favorite);
        m_db->saveStation(station("Second", "http://second.example/"));
        m_db->saveStation(station("Third", "http://third.example/"));
        QCOMPARE(cardTexts(page.get()), (QStringList{"Found FM", "Second", "Third"}));
        QCOMPARE(status(page.get())->text(), QStringLiteral("3 radios"));
        QCOMPARE(cards(page.get())->item(1)->data(Qt::UserRole + 3).toString(),
                 QStringLiteral("http://second.example/"));

        page->toggleFavorite(page->shownStations().at(1));
        QCOMPARE(page->shownStations().at(1).favorite, true);
        QCOMPARE(page->shownStations().at(0).favorite, true);
        QCOMPARE(page->shownStations().at(2).favorite, false);

        QString prefilled;
        whenModal<QInputDialog>([&prefilled](QInputDialog *dialog) {
            prefilled = dialog->textValue();
            dialog->setTextValue("  Renamed  ");
            dialog->accept();
        });
        page->renameStation(page->shownStations().at(2));
        QCOMPARE(prefilled, QStringLiteral("Third"));
        QCOMPARE(cardTexts(page.get()), (QStringList{"Found FM", "Second", "Renamed"}));

        page->deleteStation(page->shownStations().at(0));
        QCOMPARE(cardTexts(page.get()), (QStringList{"Second", "Renamed"}));
        QCOMPARE(names(m_db->stations("radio")), (QStringList{"Second", "Renamed"}));

        // Playing addresses the listed stations from the chosen row on.
        page->playStation(1);
        QCOMPARE(m_host.played, (QStringList{"http://second.example/", "http://third.example/"}));
        QCOMPARE(m_host.playedIndex, 1);
        QCOMPARE(m_host.toasts.last(), QStringLiteral("Connecting: Renamed"));
        QCOMPARE(m_db->mediaByPath("http://third.example/")->title, QStringLiteral("Renamed"));
        QCOMPARE(m_db->mediaByPath("http://third.example/")->kind, QStringLiteral("stream"));
        page->playStation(2);
        QCOMPARE(m_host.playedIndex, 1);
    }

    void addByLinkShowsTheNewStation()
    {
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        QString prefilled;
        whenModal<QInputDialog>([&prefilled](QInputDialog *first) {
            first->setTextValue("  http://r%C3%A1dio.example:8000/live  ");
            whenModal<QInputDialog>([&prefilled](QInputDialog *second) {
                prefilled = second->textValue();
                second->accept();
            });
            first->accept();
        });
        page->addByLink();
        QCOMPARE(prefilled, QStringLiteral("rádio.example"));
        QCOMPARE(sections(page.get())->currentRow(), 1);
        QCOMPARE(page->shownStations().size(), 1);
        QCOMPARE(page->shownStations().first().name, QStringLiteral("rádio.example"));
        QCOMPARE(page->shownStations().first().url,
                 QStringLiteral("http://r%C3%A1dio.example:8000/live"));
        QVERIFY(page->shownStations().first().favorite);
    }

    void groupsComeAndGo()
    {
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        QVERIFY(m_db->replaceStationGroup("News", {station("N1", "http://n/1", "")}));
        QVERIFY(m_db->replaceStationGroup(
                "Sports", {station("S1", "http://s/1", ""), station("S2", "http://s/2", "")}));
        QListWidget *list = sections(page.get());
        QCOMPARE(list->count(), 4);
        list->setCurrentRow(3);
        QVERIFY(!searchRowVisible(page.get()));
        QCOMPARE(cardTexts(page.get()), (QStringList{"S1", "S2"}));
        QCOMPARE(status(page.get())->text(), QStringLiteral("2 channels"));

        QString question;
        whenModal<QMessageBox>([&question](QMessageBox *box) {
            question = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        page->removeGroup("Sports");
        QCOMPARE(question, QStringLiteral("Remove list \"Sports\"?"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(cardTexts(page.get()), QStringList{"N1"});
        whenModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
        page->removeGroup("News");
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(list->currentItem()->data(Qt::UserRole + 2).toString(), QStringLiteral("mine"));
        QVERIFY(m_db->stationGroups().isEmpty());
    }

    void iptvListsImport_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected"); // name|url|logo|tags

        QTest::newRow("commas inside quotes, any order, lower case")
                << QByteArray(
                           "#EXTM3U\n"
                           "#EXTINF:-1 group-title=\"News, World\" tvg-logo=\"http://l/a,b.png\" "
                           "tvg-id=\"x\",Channel 1\nhttp://tv/1\n"
                           "#extinf:-1 tvg-logo=\"http://l/2.png\",Two\nhttps://tv/2\n")
                << QStringList{"Channel 1|http://tv/1|http://l/a,b.png|News, World",
                               "Two|https://tv/2|http://l/2.png|"};
        QTest::newRow("malformed info lines")
                << QByteArray("#EXTINF:-1 no comma here\nhttp://tv/a\n"
                              "#EXTINF:-1 tvg-logo=\"unbalanced,Name\nhttp://tv/b\n"
                              "#EXTINF:\n#EXTINF:-1,Second of two\nhttp://tv/c\n"
                              "\n#EXTINF:-1,Blank line before\n\nhttp://tv/d\n"
                              "#EXTINF:-1,Last without url\n")
                << QStringList{"http://tv/a|http://tv/a||", "http://tv/b|http://tv/b||",
                               "Second of two|http://tv/c||", "Blank line before|http://tv/d||"};
        static const char mixed[] =
                "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1,Caf\xC3\xA9\r\nhttp://tv/e\r\n"
                "#EXTINF:-1,Bad \xFF\xFE name\r\nhttp://tv/f\r\n"
                "#EXTINF:-1,Nul\0name\r\nhttp://tv/g\r\n";
        QTest::newRow("crlf, bom, invalid utf-8, nul")
                << QByteArray(mixed, sizeof(mixed) - 1)
                << QStringList{"Café|http://tv/e||", "Bad \uFFFD\uFFFD name|http://tv/f||",
                               QString("Nul") + QChar(0) + "name|http://tv/g||"};
        QTest::newRow("local paths and odd schemes")
                << QByteArray("#EXTINF:-1,Local\n/home/x/a.ts\nfile:///home/x/b.ts\n"
                              "lavfi://sine\nhttp://tv/h\n"
                              "#EXTINF:-1,Edl\nedl://x\n#EXTINF:-1,Udp\nudp://239.1.1.1:5000\n")
                << QStringList{"http://tv/h|http://tv/h||", "Udp|udp://239.1.1.1:5000||"};
    }
    void iptvListsImport()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        const QString path = write("Channels.m3u", content);
        QVERIFY(import(page.get(), path));
        QStringList seen;
        for (const StationRecord &s : m_db->stations("Channels")) {
            QCOMPARE(s.grp, QStringLiteral("Channels"));
            seen.append(QStringList{s.name, s.url, s.logo, s.tags}.join('|'));
        }
        QCOMPARE(seen.join("\n"), expected.join("\n"));
        QCOMPARE(m_host.toasts.last(),
                 QStringLiteral("List \"Channels\" imported: %1 channels").arg(expected.size()));
        QCOMPARE(sections(page.get())->item(2)->text(), QStringLiteral("Channels"));
    }

    void iptvImportKeepsWhatItMust()
    {
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        m_db->saveStation(station("Mine", "http://mine.example/"));
        const QString first =
                write("Tv.m3u", "#EXTINF:-1,A\nhttp://tv/a\n#EXTINF:-1,B\nhttp://tv/b\n"
                                "#EXTINF:-1,C\nhttp://tv/c\n");
        QVERIFY(import(page.get(), first));
        for (const StationRecord &s : m_db->stations("Tv")) {
            if (s.name == "B")
                m_db->setStationFavorite(s.id, true);
        }
        // A second import while one runs is ignored.
        const QString again = write("Tv.m3u", "#EXTINF:-1,B again\nhttp://tv/b\n"
                                              "#EXTINF:-1,D\nhttp://tv/d\n");
        QSignalSpy finished(page.get(), &RadiosPage::importFinished);
        QVERIFY(page->importIptvList(again));
        QVERIFY(!page->importIptvList(again));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.count(), 1);
        QList<StationRecord> tv = m_db->stations("Tv");
        QCOMPARE(names(tv), (QStringList{"B again", "D"}));
        QVERIFY(tv.at(0).favorite);
        QVERIFY(!tv.at(1).favorite);

        // Refusals leave everything as it was.
        const QString radio = write("radio.m3u", "#EXTINF:-1,X\nhttp://x/\n");
        QVERIFY(!import(page.get(), radio));
        QCOMPARE(m_host.toasts.last(), QStringLiteral("Invalid list or save failed. The previous "
                                                      "list was preserved."));
        QCOMPARE(names(m_db->stations("radio")), QStringList{"Mine"});

        // A failing insert rolls the whole replacement back, silently.
        QSqlQuery trigger(QSqlDatabase::database());
        QVERIFY(trigger.exec("CREATE TEMP TRIGGER refuse_bad BEFORE INSERT ON stations "
                             "WHEN NEW.name = 'Bad' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QSignalSpy changed(m_db, &Database::stationsChanged);
        QVERIFY(!import(page.get(), write("Tv.m3u", "#EXTINF:-1,E\nhttp://tv/e\n"
                                                    "#EXTINF:-1,Bad\nhttp://tv/bad\n")));
        QVERIFY(trigger.exec("DROP TRIGGER refuse_bad"));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(names(m_db->stations("Tv")), (QStringList{"B again", "D"}));

        // Through the button: a list without valid channels keeps the group
        // and leaves its own message on screen.
        sections(page.get())->setCurrentRow(2);
        const QString empty = write("Tv.m3u", "#EXTM3U\n#EXTINF:-1,Local\n/tmp/a.ts\n");
        whenModal<QFileDialog>([empty](QFileDialog *dialog) {
            dialog->selectFile(empty);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QPushButton *importButton = nullptr;
        for (QPushButton *button : page->findChildren<QPushButton *>()) {
            if (button->text() == QLatin1String("Import IPTV list"))
                importButton = button;
        }
        QVERIFY(importButton);
        QMetaObject::invokeMethod(importButton, "click", Qt::QueuedConnection);
        QVERIFY(QTest::qWaitFor(
                [this] {
                    return m_host.toasts.last() == QLatin1String("No valid channels in list");
                },
                10000));
        QCOMPARE(m_host.toasts.at(m_host.toasts.size() - 2),
                 QStringLiteral("Invalid list or save failed. The previous list was preserved."));
        QCOMPARE(cardTexts(page.get()), (QStringList{"B again", "D"}));
    }
};

QTEST_MAIN(tst_Radios)
#include "tst_radios.moc"
