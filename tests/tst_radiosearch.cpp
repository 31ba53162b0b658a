#include "playlists/RadioSearch.h"

#include <QDir>
#include <QFile>
#include <QUrlQuery>
#include <QtTest>

// The network-free parts of the radio directory client: the request URL, the
// reply parser and the address filters.
class tst_RadioSearch final : public QObject
{
    Q_OBJECT

    // With ZORVI_FUZZ_SEEDS set, the replies built here become fuzz seeds.
    static void keepSeed(const QByteArray &bytes)
    {
        const QString folder = qEnvironmentVariable("ZORVI_FUZZ_SEEDS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder + "/radio_directory");
        QFile file(QStringLiteral("%1/radio_directory/%2")
                           .arg(folder, QString::number(qHash(bytes), 16)));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    // Replies are written with single quotes to stay readable.
    static QByteArray json(const char *text) { return QByteArray(text).replace('\'', '"'); }

private Q_SLOTS:
    void searchUrlCarriesTheItemsInOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QStringList>("keys");
        const QStringList fixed{"hidebroken", "order", "reverse", "limit"};
        QTest::newRow("text and country") << "rock"
                                          << "BR" << (QStringList{"name", "countrycode"} + fixed);
        QTest::newRow("blank text") << "   "
                                    << "PT" << (QStringList{"countrycode"} + fixed);
        QTest::newRow("all countries") << "jazz"
                                       << "" << (QStringList{"name"} + fixed);
        QTest::newRow("neither") << ""
                                 << "" << fixed;
    }
    void searchUrlCarriesTheItemsInOrder()
    {
        QFETCH(QString, text);
        QFETCH(QString, country);
        QFETCH(QStringList, keys);
        const QUrl url = directorySearchUrl("https://mirror.test:8443", text, country);
        QCOMPARE(url.toString(QUrl::RemoveQuery),
                 QStringLiteral("https://mirror.test:8443/json/stations/search"));
        const QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems();
        QStringList seen;
        for (const auto &item : items)
            seen.append(item.first);
        QCOMPARE(seen, keys);
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue("order"), QStringLiteral("clickcount"));
        QCOMPARE(query.queryItemValue("limit"), QStringLiteral("120"));
        if (!country.isEmpty())
            QCOMPARE(query.queryItemValue("countrycode"), country);
    }

    void searchTextIsEncodedByteForByte()
    {
        const QString text = QStringLiteral("Rock+Pop & Co=1 São");
        const QByteArray encoded = directorySearchUrl("https://m.test", text, "").toEncoded();
        QVERIFY2(encoded.contains("name=Rock%2BPop%20%26%20Co%3D1%20S%C3%A3o&"), encoded);
    }

    void repliesBecomeStations_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("isArray");
        QTest::addColumn<QStringList>("expected"); // name|url|logo|subtitle per station

        QTest::newRow("full record")
                << json("[{'name':' Rádio Um ','url':'http://a/x','url_resolved':'http://a/y',"
                        "'favicon':'https://a/logo.png','state':'São "
                        "Paulo','tags':'pop,rock,mpb,jazz',"
                        "'bitrate':128,'country':'BR'}]")
                << true
                << QStringList{"Rádio Um|http://a/y|https://a/logo.png|São Paulo · pop, rock, mpb "
                               "· 128 kbps"};
        QTest::newRow("url fallback, empty subtitle")
                << json("[{'name':'B','url':'http://b/"
                        "','url_resolved':'','state':'','tags':'','bitrate':0}]")
                << true << QStringList{"B|http://b/||"};
        QTest::newRow("empty name or url dropped")
                << json("[{'name':'  "
                        "','url':'http://c/'},{'name':'D'},{'name':'E','url':'http://e/'}]")
                << true << QStringList{"E|http://e/||"};
        QTest::newRow("tags with empty parts")
                << json("[{'name':'F','url':'http://f/','tags':'pop,,rock,x'}]") << true
                << QStringList{"F|http://f/||pop, , rock"};
        QTest::newRow("wrong types")
                << json("[123,'x',null,[1],{'name':123,'url':'http://g/'},"
                        "{'name':'H','url':'http://h/','bitrate':'128','tags':7,'state':false},"
                        "{'name':'I','url':'http://i/','bitrate':1e30},"
                        "{'name':'J','url':'http://j/','bitrate':-5,'favicon':{}}]")
                << true << QStringList{"H|http://h/||", "I|http://i/||", "J|http://j/||"};
        QTest::newRow("engine pseudo-protocols and files dropped")
                << json("[{'name':'L','url':'lavfi://sine'},{'name':'M','url':'edl://x'},"
                        "{'name':'N','url':'file:///etc/passwd'},{'name':'O','url':'/etc/passwd'},"
                        "{'name':'P','url':'memory://abc'},{'name':'Q','url':'RTSP://cam/1'},"
                        "{'name':'R','url':'mmsh://r/'}]")
                << true << QStringList{"Q|RTSP://cam/1||", "R|mmsh://r/||"};
        QTest::newRow("empty array") << json("[]") << true << QStringList{};
        QTest::newRow("object") << json("{'name':'A','url':'http://a/'}") << false << QStringList{};
        QTest::newRow("html") << json("<html><body>Maintenance</body></html>") << false
                              << QStringList{};
        QTest::newRow("truncated")
                << json("[{'name':'A','url':'http://a/'},{'na") << false << QStringList{};
        QTest::newRow("empty body") << QByteArray() << false << QStringList{};
    }
    void repliesBecomeStations()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, isArray);
        QFETCH(QStringList, expected);
        keepSeed(reply);
        bool array = !isArray;
        const QList<StationRecord> stations = parseDirectoryReply(reply, &array);
        QCOMPARE(array, isArray);
        QStringList seen;
        for (const StationRecord &s : stations) {
            QCOMPARE(s.id, 0);
            QVERIFY(s.grp.isEmpty());
            QVERIFY(!s.favorite);
            seen.append(QStringList{s.name, s.url, s.logo, s.tags}.join('|'));
        }
        QCOMPARE(seen, expected);
    }

    void addressFilters_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("playable");
        QTest::addColumn<bool>("logo");
        QTest::newRow("http") << "http://a/x.png" << true << true;
        QTest::newRow("https upper") << "HTTPS://a/x" << true << true;
        QTest::newRow("udp") << "udp://239.0.0.1:1234" << true << false;
        QTest::newRow("srt") << "srt://h:9000" << true << false;
        QTest::newRow("file") << "file:///etc/hosts" << false << false;
        QTest::newRow("data") << "data:image/png;base64,AAAA" << false << false;
        QTest::newRow("qrc") << "qrc:/icons/zorvi-player.svg" << false << false;
        QTest::newRow("fd") << "fd://0" << false << false;
        QTest::newRow("local") << "/home/x.m3u" << false << false;
        QTest::newRow("control character") << "http://a/\x01x" << false << true;
    }
    void addressFilters()
    {
        QFETCH(QString, url);
        QFETCH(bool, playable);
        QFETCH(bool, logo);
        QCOMPARE(isPlayableStationUrl(url), playable);
        QCOMPARE(isFetchableLogoUrl(url), logo);
    }
};

QTEST_GUILESS_MAIN(tst_RadioSearch)
#include "tst_radiosearch.moc"
