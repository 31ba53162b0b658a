#include "IcyServer.h"
#include "LocalHttpServer.h"
#include "PlayerTestUtil.h"
#include "RecordingHost.h"
#include "TestCa.h"
#include "TestMedia.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "playlists/DirectoryConfig.h"
#include "playlists/RadioDirectory.h"
#include "playlists/StationLogos.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/MainWindow.h"
#include "ui/Toast.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/RadiosPage.h"

#include <QBuffer>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

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
        // A dialog that refused to close would block the test for good.
        QPointer<QDialog> guard(dialog);
        QTimer::singleShot(5000, [guard] {
            if (guard && guard->isVisible())
                guard->reject();
        });
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

QByteArray directoryReply(const QStringList &names)
{
    QByteArray json = "[";
    for (const QString &name : names) {
        if (json.size() > 1)
            json += ',';
        json += "{\"name\":\"" + name.toUtf8() + "\",\"url_resolved\":\"http://radio.test/" +
                name.toUtf8() + "\",\"tags\":\"pop\",\"bitrate\":64}";
    }
    return json + "]";
}

// A PNG of the given size, with zero bytes after its end when padTo says so.
QByteArray pngBytes(int widthPx, int heightPx, qsizetype padTo = 0)
{
    QImage image(widthPx, heightPx, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (padTo > bytes.size())
        bytes.append(padTo - bytes.size(), '\0');
    return bytes;
}

// A small PNG whose header claims widthPx x heightPx (CRC fixed up).
QByteArray pngDeclaring(int widthPx, int heightPx)
{
    QByteArray bytes = pngBytes(8, 8);
    auto put32 = [&bytes](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((value >> (24 - 8 * i)) & 0xff);
    };
    put32(16, quint32(widthPx));
    put32(20, quint32(heightPx));
    // CRC-32 over the chunk type and data of IHDR (bytes 12 .. 28).
    quint32 crc = 0xffffffffu;
    for (int i = 12; i < 29; ++i) {
        crc ^= quint8(bytes[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    put32(29, ~crc);
    return bytes;
}

qint64 statusKib(const char *key)
{
    QFile file("/proc/self/status");
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
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
    TestCa m_ca;

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
        QVERIFY(m_ca.create());
        m_ca.trustInThisProcess();
    }

    void init()
    {
        clearStations();
        m_host = RecordingHost();
    }

    // Mirrors m1 .. m4 on one local server; a test breaks the ones it needs.
    DirectoryConfig localMirrors(const LocalHttpServer &server)
    {
        DirectoryConfig config = DirectoryConfig::standard();
        config.mirrors.clear();
        for (int i = 1; i <= 4; ++i)
            config.mirrors.append(server.url(QStringLiteral("/m%1").arg(i)));
        config.searchTimeoutMs = 600;
        config.searchDeadlineMs = 1500;
        config.logoTimeoutMs = 600;
        config.logoDeadlineMs = 1500;
        return config;
    }
    static QString searchPath(int mirror)
    {
        return QStringLiteral("/m%1/json/stations/search").arg(mirror);
    }
    static bool waitForStatus(RadiosPage *page, const QString &text)
    {
        return QTest::qWaitFor([&] { return status(page)->text() == text; }, 10000);
    }
    static void search(RadiosPage *page)
    {
        page->findChild<QLineEdit *>()->setText("x");
        QMetaObject::invokeMethod(page->findChild<QLineEdit *>(), "returnPressed");
    }

    void searchRequests()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setReply(searchPath(1), HttpReply::ok(directoryReply({"One", "Two"})));
        auto page = std::make_unique<RadiosPage>(PageContext{&m_host, nullptr, m_db}, nullptr,
                                                 localMirrors(server));
        page->reload();
        m_db->saveStation(station("Saved", "http://saved.example/"));
        QCOMPARE(server.requests().size(), 0);

        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        page->reload();
        QVERIFY(waitForStatus(page.get(), "2 radios found · right-click to save"));
        QCOMPARE(cardTexts(page.get()), (QStringList{"One", "Two"}));
        QCOMPARE(cards(page.get())->item(0)->data(Qt::UserRole + 3).toString(),
                 QStringLiteral("pop · 64 kbps"));
        HttpRequest first = server.requests().first();
        QCOMPARE(first.header("User-Agent"), QByteArray("ZorviPlayer/1.1.0"));
        QCOMPARE(QUrlQuery(QString::fromLatin1(first.target.mid(first.target.indexOf('?') + 1)))
                         .queryItemValue("countrycode"),
                 QStringLiteral("BR"));

        const QString text = QStringLiteral("Rock+Pop & Co=1 São");
        page->findChild<QLineEdit *>()->setText(text);
        page->findChild<QComboBox *>()->setCurrentIndex(3); // all countries: searches
        QTRY_COMPARE(server.requests().size(), 2);
        const QByteArray target = server.requests().last().target;
        const QUrlQuery query(QString::fromLatin1(target.mid(target.indexOf('?') + 1)));
        QCOMPARE(query.queryItemValue("name", QUrl::FullyDecoded), text);
        QVERIFY(!query.hasQueryItem("countrycode"));
        QVERIFY(waitForStatus(page.get(), "2 radios found · right-click to save"));
    }

    void failover_data()
    {
        QTest::addColumn<QString>("failure");
        for (const char *failure : {"refused", "silent", "500", "html", "truncated", "object",
                                    "endless", "trickle", "other ca", "other name"})
            QTest::newRow(failure) << QString::fromLatin1(failure);
    }
    void failover()
    {
        QFETCH(QString, failure);
        LocalHttpServer server;
        QVERIFY(server.start());
        DirectoryConfig config = localMirrors(server);
        server.setReply(searchPath(2), HttpReply::ok(directoryReply({"Second"})));
        LocalHttpServer tls;
        HttpReply bad = HttpReply::ok("");
        if (failure == "refused") {
            config.mirrors[0] = QStringLiteral("http://127.0.0.1:%1").arg(closedPort());
        } else if (failure == "silent") {
            bad.delayMs = 5000;
        } else if (failure == "500") {
            bad = HttpReply::error(500);
        } else if (failure == "html") {
            bad = HttpReply::ok("<html>Down for maintenance</html>", "text/html");
        } else if (failure == "truncated") {
            bad = HttpReply::ok(directoryReply({"A", "B"}).chopped(5));
        } else if (failure == "object") {
            bad = HttpReply::ok("{\"name\":\"A\",\"url\":\"http://a/\"}");
        } else if (failure == "endless") {
            bad.chunked = bad.endless = true;
            config.searchReplyLimitBytes = 1024 * 1024;
        } else if (failure == "trickle") {
            bad = HttpReply::ok(directoryReply({"Slow"}));
            bad.trickleMs = 100;
        } else {
            // CA A is trusted: "other name" fails on the name alone.
            const TestCa::Identity identity =
                    failure == "other ca" ? m_ca.untrusted() : m_ca.otherName();
            tls.setTls(identity.certificate, identity.key);
            tls.setReply(searchPath(1), HttpReply::ok(directoryReply({"Wrong"})));
            QVERIFY(tls.start());
            config.mirrors[0] = tls.url("/m1", "localhost");
        }
        server.setReply(searchPath(1), bad);
        auto page = makePage(config);
        QVERIFY(page);
        page->reload();
        QVERIFY(waitForStatus(page.get(), "1 radios found · right-click to save"));
        QCOMPARE(cardTexts(page.get()), QStringList{"Second"});
        QCOMPARE(page->mirrorIndex(), 1);
        // Refused connections and refused certificates never reach a request.
        const int badRequests = config.mirrors[0].startsWith(server.url("/m1")) ? 1 : 0;
        QCOMPARE(server.requestCount(searchPath(1)), badRequests);
        QCOMPARE(tls.requestCount(searchPath(1)), 0);
        QCOMPARE(server.requestCount(searchPath(2)), 1);
        search(page.get());
        QTRY_COMPARE(server.requestCount(searchPath(2)), 2);
        QVERIFY(waitForStatus(page.get(), "1 radios found · right-click to save"));
        QCOMPARE(server.requestCount(searchPath(1)), badRequests);
        if (failure == "endless") {
            const HttpRequest endless = server.requests().first();
            QVERIFY(endless.clientClosed);
            QVERIFY2(endless.bytesSent < 16 * 1024 * 1024,
                     qPrintable(QString::number(endless.bytesSent)));
        }
    }

    void emptyResultsAndTotalFailure()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setReply(searchPath(1), HttpReply::ok(directoryReply({"A", "B"})));
        auto page = makePage(localMirrors(server));
        QVERIFY(page);
        page->reload();
        QVERIFY(waitForStatus(page.get(), "2 radios found · right-click to save"));

        // Only the second mirror answers; then a true empty result there.
        server.setReply(searchPath(1), HttpReply::error(500));
        server.setReply(searchPath(2), HttpReply::ok(directoryReply({"C"})));
        search(page.get());
        QVERIFY(waitForStatus(page.get(), "1 radios found · right-click to save"));
        server.setReply(searchPath(2), HttpReply::ok("[]"));
        search(page.get());
        QVERIFY(waitForStatus(page.get(), "0 radios found · right-click to save"));
        QCOMPARE(server.requestCount(searchPath(3)), 0);
        QCOMPARE(page->mirrorIndex(), 1);
        QVERIFY(page->shownStations().isEmpty());

        server.setReply(searchPath(2), HttpReply::ok(directoryReply({"D", "E"})));
        search(page.get());
        QVERIFY(waitForStatus(page.get(), "2 radios found · right-click to save"));
        // Every mirror fails once, starting from the second, then the
        // message; the cards stay and rows still map to them.
        server.resetLog();
        for (int i = 1; i <= 4; ++i)
            server.setReply(searchPath(i), HttpReply::error(500));
        search(page.get());
        QVERIFY(waitForStatus(page.get(),
                              "Could not reach the radio directory. Try again shortly."));
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(server.requestCount(searchPath(i)), 1);
        QCOMPARE(server.requests().first().path, searchPath(2).toLatin1());
        QCOMPARE(cardTexts(page.get()), (QStringList{"D", "E"}));
        page->playStation(1);
        QCOMPARE(m_host.played.value(m_host.playedIndex), QStringLiteral("http://radio.test/E"));
        QCOMPARE(page->mirrorIndex(), 5);
    }

    void staleReplies()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        DirectoryConfig config = localMirrors(server);
        config.searchTimeoutMs = 5000; // the slow replies below are late, not dead
        auto page = makePage(config);
        QVERIFY(page);
        auto *directory = page->findChild<RadioDirectory *>();
        for (const bool aFails : {false, true}) {
            server.resetLog();
            QSignalSpy replies(page->findChild<QNetworkAccessManager *>(),
                               &QNetworkAccessManager::finished);
            HttpReply slow = aFails ? HttpReply::error(500) : HttpReply::ok(directoryReply({"A"}));
            slow.delayMs = 800;
            server.setReply(searchPath(1), slow);
            search(page.get());
            QTRY_COMPARE(server.requests().size(), 1);
            server.setReply(searchPath(1), HttpReply::ok(directoryReply({"B1", "B2"})));
            search(page.get());
            QVERIFY(waitForStatus(page.get(), "2 radios found · right-click to save"));
            // Both replies reached the page once the manager saw them finish.
            QTRY_COMPARE(replies.count(), 2);
            QCOMPARE(cardTexts(page.get()), (QStringList{"B1", "B2"}));
            QCOMPARE(status(page.get())->text(),
                     QStringLiteral("2 radios found · right-click to save"));
            QCOMPARE(page->mirrorIndex(), 0);
            QCOMPARE(server.requests().size(), 2);
        }

        // A reply that lands while "My radios" is shown leaves it alone.
        m_db->saveStation(station("Keep", "http://keep.example/"));
        m_db->saveStation(station("Gone", "http://gone.example/"));
        HttpReply late = HttpReply::ok(directoryReply({"Late1", "Late2", "Late3"}));
        late.delayMs = 500;
        server.setReply(searchPath(1), late);
        QSignalSpy finished(directory, &RadioDirectory::searchFinished);
        search(page.get());
        sections(page.get())->setCurrentRow(1);
        QVERIFY(finished.wait(5000));
        QCOMPARE(cardTexts(page.get()), (QStringList{"Keep", "Gone"}));
        QCOMPARE(names(page->shownStations()), (QStringList{"Keep", "Gone"}));
        QCOMPARE(status(page.get())->text(), QStringLiteral("2 radios"));
        page->deleteStation(page->shownStations().at(1));
        QCOMPARE(names(m_db->stations("radio")), QStringList{"Keep"});

        const int requests = server.requests().size();
        sections(page.get())->setCurrentRow(0);
        QCOMPARE(cardTexts(page.get()), (QStringList{"Late1", "Late2", "Late3"}));
        QCOMPARE(status(page.get())->text(),
                 QStringLiteral("3 radios found · right-click to save"));
        QCOMPARE(server.requests().size(), requests);
    }

    void logosAreBounded()
    {
        LocalHttpServer http;
        LocalHttpServer https;
        https.setTls(m_ca.localhost().certificate, m_ca.localhost().key);
        QVERIFY(http.start() && https.start());
        http.setReply("/exact.png", HttpReply::ok(pngBytes(40, 20, StationLogos::MaxLogoBytes)));
        http.setReply("/over.png", HttpReply::ok(pngBytes(40, 20, StationLogos::MaxLogoBytes + 1)));
        HttpReply endless;
        endless.chunked = endless.endless = true;
        endless.body = pngBytes(40, 20);
        http.setReply("/endless.png", endless);
        HttpReply trickle = HttpReply::ok(pngBytes(40, 20, 4096));
        trickle.trickleMs = 50;
        http.setReply("/trickle.png", trickle);
        http.setReply("/plain.png", HttpReply::ok(pngBytes(16, 16)));
        http.setReply("/huge.png", HttpReply::ok(pngDeclaring(30000, 30000)));
        https.setReply("/down.png", HttpReply::redirect(http.url("/plain.png")));
        QFile local(m_dir.filePath("local.png"));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.write(pngBytes(16, 16));
        local.close();

        const QStringList logos{http.url("/exact.png"),
                                http.url("/over.png"),
                                http.url("/endless.png"),
                                http.url("/trickle.png"),
                                https.url("/down.png", "localhost"),
                                http.url("/huge.png"),
                                QUrl::fromLocalFile(local.fileName()).toString(),
                                "data:image/png;base64," + pngBytes(4, 4).toBase64(),
                                "qrc:/icons/zorvi-player.svg"};
        QList<StationRecord> list;
        for (int i = 0; i < logos.size(); ++i) {
            StationRecord s =
                    station(QString::number(i), "http://s.test/" + QString::number(i), "");
            s.logo = logos.at(i);
            list.append(s);
        }
        DirectoryConfig config = offlineConfig();
        config.logoTimeoutMs = 600;
        config.logoDeadlineMs = 1500;
        auto page = makePage(config);
        QVERIFY(page);
        auto *fetcher = page->findChild<StationLogos *>();
        QSignalSpy ready(fetcher, &StationLogos::logoReady);
        // The big declared picture is refused before anything is allocated.
        QFile clear("/proc/self/clear_refs");
        const bool peakReset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        const qint64 before = statusKib("VmRSS:");
        page->showStations(list);
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 6, 10000);
        if (peakReset)
            QVERIFY2(statusKib("VmHWM:") - before < 32 * 1024,
                     qPrintable(QString::number(statusKib("VmHWM:") - before)));
        QStandardItemModel *model = cards(page.get());
        QTRY_VERIFY(!model->item(0)->data(Qt::DecorationRole).value<QPixmap>().isNull());
        QCOMPARE(model->item(0)->data(Qt::DecorationRole).value<QPixmap>().size(), QSize(128, 64));
        for (int row = 1; row < logos.size(); ++row)
            QVERIFY2(model->item(row)->data(Qt::DecorationRole).isNull(),
                     qPrintable(logos.at(row)));
        // The HTTPS host was reached (its certificate is trusted); only its
        // redirect to plain HTTP was refused.
        QCOMPARE(https.requestCount("/down.png"), 1);
        QCOMPARE(http.requestCount("/plain.png"), 0);
        const HttpRequest endlessRequest = [&] {
            for (const HttpRequest &r : http.requests())
                if (r.path == "/endless.png")
                    return r;
            return HttpRequest();
        }();
        QVERIFY(endlessRequest.clientClosed);
        QVERIFY(endlessRequest.bytesSent < 16 * 1024 * 1024);

        // Failures are remembered: showing the list again asks for nothing.
        const int requests = http.requests().size() + https.requests().size();
        page->showStations(list);
        QCOMPARE(fetcher->downloadsRunning() + fetcher->queuedCount(), 0);
        QCOMPARE(http.requests().size() + https.requests().size(), requests);
        QVERIFY(!model->item(0)->data(Qt::DecorationRole).isNull());
        QVERIFY(model->item(1)->data(Qt::DecorationRole).isNull());
    }

    void logosFollowTheirList()
    {
        LocalHttpServer http;
        QVERIFY(http.start());
        QList<StationRecord> shared;
        for (int i = 0; i < 20; ++i) {
            StationRecord s =
                    station(QString::number(i), "http://s.test/" + QString::number(i), "");
            s.logo = http.url("/shared.png");
            shared.append(s);
        }
        http.setReply("/shared.png", HttpReply::ok(pngBytes(32, 32)));
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        auto *fetcher = page->findChild<StationLogos *>();
        QSignalSpy ready(fetcher, &StationLogos::logoReady);
        page->showStations(shared);
        QVERIFY(ready.wait(5000));
        QCOMPARE(http.requestCount("/shared.png"), 1);
        for (int row = 0; row < 20; ++row)
            QVERIFY(!cards(page.get())->item(row)->data(Qt::DecorationRole).isNull());

        // Distinct logos go at most six at a time, in row order; a list
        // that replaces them drops the queue and gets no stale picture.
        QList<StationRecord> many;
        for (int i = 0; i < 30; ++i) {
            StationRecord s =
                    station("L" + QString::number(i), "http://l.test/" + QString::number(i), "");
            s.logo = http.url(QStringLiteral("/slow%1.png").arg(i));
            HttpReply slow = HttpReply::ok(pngBytes(32, 32));
            slow.delayMs = 400;
            http.setReply(QStringLiteral("/slow%1.png").arg(i), slow);
            many.append(s);
        }
        page->showStations(many);
        QCOMPARE(fetcher->downloadsRunning(), StationLogos::MaxDownloads);
        QCOMPARE(fetcher->queuedCount(), 24);
        QTRY_COMPARE(http.requests().size(), 1 + StationLogos::MaxDownloads);
        QCOMPARE(http.requests().at(1).path, QByteArray("/slow0.png"));
        page->showStations({station("Plain", "http://p.test/", "")});
        QCOMPARE(fetcher->queuedCount(), 0);
        ready.clear();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), StationLogos::MaxDownloads, 5000);
        QVERIFY(cards(page.get())->item(0)->data(Qt::DecorationRole).isNull());
        QCOMPARE(http.requests().size(), 1 + StationLogos::MaxDownloads);
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

        // A long group hands the engine a window around the chosen channel.
        QList<StationRecord> channels;
        for (int i = 0; i < 400; ++i)
            channels.append(station(QString::number(i), "http://big/" + QString::number(i), ""));
        QVERIFY(m_db->replaceStationGroup("Big", channels));
        list->setCurrentRow(2);
        page->playStation(200);
        QCOMPARE(m_host.played.size(), 51);
        QCOMPARE(m_host.played.first(), QStringLiteral("http://big/175"));
        QCOMPARE(m_host.played.at(m_host.playedIndex), QStringLiteral("http://big/200"));
        page->playStation(399);
        QCOMPARE(m_host.played.size(), 26);
        QCOMPARE(m_host.played.last(), QStringLiteral("http://big/399"));
    }

    void stationsPlayThroughTheEngine()
    {
        const QString mp3 =
                TestMedia::tone(m_dir.filePath("radio.mp3"), 5, {"-b:a", "96k", "-ar", "44100"});
        QFile file(mp3);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        IcyServer one(bytes);
        IcyServer two(bytes);
        one.setTitle("Artist - Song A");
        QVERIFY(one.start() && two.start());
        const QString closed = QStringLiteral("http://127.0.0.1:%1/live").arg(closedPort());
        m_db->saveStation(station("One", one.url()));
        m_db->saveStation(station("Two", two.url()));
        m_db->saveStation(station("Closed", closed));

        std::unique_ptr<PlayerCore> core = PlayerTestUtil::startCore();
        QVERIFY(core);
        {
            MainWindow window(core.get());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.navigate("radios");
            auto *page = window.findChild<RadiosPage *>();
            QVERIFY(page && page->isVisible());
            sections(page)->setCurrentRow(1);
            QCOMPARE(cardTexts(page), (QStringList{"One", "Two", "Closed"}));

            auto *view = page->findChild<CardView *>();
            Q_EMIT view->activatedPath(view->model()->index(0, 0));
            QCOMPARE(window.toastWidget()->text(), QStringLiteral("Connecting: One"));
            QTRY_COMPARE_WITH_TIMEOUT(core->streamTitle(), QStringLiteral("Artist - Song A"),
                                      PlayerTestUtil::EngineWaitMs);
            QCOMPARE(core->currentPath(), one.url());
            const std::optional<MediaRecord> row = m_db->mediaByPath(one.url());
            QVERIFY(row);
            QCOMPARE(row->kind, QStringLiteral("stream"));
            QCOMPARE(row->title, QStringLiteral("One"));

            QVERIFY(two.lastRequest().isEmpty());
            core->next();
            QTRY_COMPARE_WITH_TIMEOUT(core->currentPath(), two.url(), PlayerTestUtil::EngineWaitMs);
            QTRY_VERIFY_WITH_TIMEOUT(!two.lastRequest().isEmpty(), PlayerTestUtil::EngineWaitMs);

            // A dead station ends in the engine's error; the page goes on.
            QSignalSpy errors(core.get(), &PlayerCore::errorMessage);
            page->playStation(2);
            QTRY_VERIFY_WITH_TIMEOUT(errors.count() > 0, PlayerTestUtil::EngineWaitMs);
            sections(page)->setCurrentRow(1);
            page->playStation(0);
            QTRY_COMPARE_WITH_TIMEOUT(core->currentPath(), one.url(), PlayerTestUtil::EngineWaitMs);
            QVERIFY(PlayerTestUtil::stopAndWaitIdle(*core));
        }
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
        // How a line that is not UTF-8 reads is the list reader's business;
        // here it must give a named channel ("*" matches any name).
        QTest::newRow("crlf, bom, invalid utf-8")
                << QByteArray("\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1,Caf\xC3\xA9\r\nhttp://tv/e\r\n"
                              "#EXTINF:-1,Bad \xFF\xFE name\r\nhttp://tv/f\r\n")
                << QStringList{"Café|http://tv/e||", "*|http://tv/f||"};
        static const char nul[] = "#EXTINF:-1,Good\nhttp://tv/g\n#EXTINF:-1,Nul\nhttp://tv/\0x\n";
        QTest::newRow("nul in an address") << QByteArray("#EXTM3U\n#" + QByteArray(5000, 'x') +
                                                         "\n" + QByteArray(nul, sizeof(nul) - 1))
                                           << QStringList{"Good|http://tv/g||"};
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
        // With ZORVI_FUZZ_SEEDS set, the lists become seeds of the IPTV fuzz target.
        if (const QString seeds = qEnvironmentVariable("ZORVI_FUZZ_SEEDS"); !seeds.isEmpty()) {
            QDir().mkpath(seeds + "/iptv_list");
            QFile seed(seeds + "/iptv_list/" + QString::number(qHash(content), 16));
            QVERIFY(seed.open(QIODevice::WriteOnly));
            seed.write(content);
        }
        auto page = makePage(offlineConfig());
        QVERIFY(page);
        const QString path = write("Channels.m3u", content);
        QVERIFY(import(page.get(), path));
        QStringList seen;
        for (const StationRecord &s : m_db->stations("Channels")) {
            QCOMPARE(s.grp, QStringLiteral("Channels"));
            QVERIFY(!s.name.isEmpty());
            const bool anyName = expected.value(seen.size()).startsWith("*|");
            seen.append(QStringList{anyName ? "*" : s.name, s.url, s.logo, s.tags}.join('|'));
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

        // As the button does it: a list without valid channels keeps the group
        // and leaves its own message on screen.
        sections(page.get())->setCurrentRow(2);
        const QString empty = write("Tv.m3u", "#EXTM3U\n#EXTINF:-1,Local\n/tmp/a.ts\n");
        page->importChosenList(empty);
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
