#include "LocalHttpServer.h"
#include "PlayerTestUtil.h"
#include "TestCa.h"
#include "TestFiles.h"
#include "app/AppSettings.h"
#include "platform/UpdateInstall.h"
#include "update/UpdateManifest.h"
#include "update/Updater.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <memory>

using TestFiles::readBytes;
using TestFiles::writeBytes;

namespace {

const QString ManifestPath = QStringLiteral("/downloads/apps/zorvi-player/update.json");
const QString PackageName = QStringLiteral("Zorvi-Player-1.2.0.AppImage");
const QString PackagePath = QStringLiteral("/downloads/apps/zorvi-player/") + PackageName;
const QString IncompleteText =
        QStringLiteral("Incomplete download or integrity check failed; try again");
const QString InvalidPackageText = QStringLiteral("Invalid update package");

QByteArray sha256Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A shell script that records its arguments in $ZORVI_TEST_MARKER, padded
// to the size asked for.
QByteArray script(const QByteArray &word, qint64 size = 0)
{
    QByteArray text =
            "#!/bin/sh\nprintf '%s\\n' " + word + " \"$@\" > \"$ZORVI_TEST_MARKER\"\nexit 0\n";
    if (size > text.size())
        text += QByteArray(size - text.size(), '#');
    return text;
}

} // namespace

class tst_Updater final : public QObject
{
    Q_OBJECT

    TestCa m_ca;
    QTemporaryDir m_home;
    LocalHttpServer m_server; // https, trusted, for localhost
    LocalHttpServer m_other;  // the same on another port
    LocalHttpServer m_plain;  // http
    QString m_appImage;       // the running program, as far as the updater knows
    QByteArray m_appImageBytes;
    QString m_marker;
    QByteArray m_package;

    UpdateEndpoints endpoints() const
    {
        UpdateEndpoints endpoints;
        endpoints.manifestUrl = QUrl(m_server.url(ManifestPath, QStringLiteral("localhost")));
        endpoints.productPage = QUrl(QStringLiteral("https://localhost/product/"));
        endpoints.downloadTimeoutMs = 1500;
        return endpoints;
    }

    QString base(const LocalHttpServer &server,
                 const QString &scheme = QStringLiteral("https")) const
    {
        return QStringLiteral("%1://localhost:%2").arg(scheme).arg(server.port());
    }

    QJsonObject listing(const QByteArray &bytes, const QString &url = PackageName) const
    {
        return {{"version", "1.2.0"},
                {"releaseUrl", url},
                {"size", qint64(bytes.size())},
                {"sha256", QString::fromLatin1(sha256Hex(bytes))}};
    }

    void serveManifest(const QJsonObject &package, const QString &rootVersion = "1.2.0")
    {
        const QJsonObject root{{"app", "zorvi-player"},
                               {"version", rootVersion},
                               {"notes", "Faster & <safer>"},
                               {UpdateInstall::platformKey(), package}};
        m_server.setReply(ManifestPath,
                          HttpReply::ok(QJsonDocument(root).toJson(), "application/json"));
    }

    static QString target() { return Updater::updatesDir() + QLatin1Char('/') + PackageName; }

    static QStringList updateFiles()
    {
        return QDir(Updater::updatesDir())
                .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    static bool readyKeysWritten()
    {
        const QSettings fresh(dataDir() + QStringLiteral("/config.ini"), QSettings::IniFormat);
        for (const char *key : {"readyFile", "readyVersion", "readySize", "readyHash"}) {
            if (fresh.contains(QStringLiteral("updates/") + QLatin1String(key)))
                return true;
        }
        return false;
    }

    // A package waiting from an earlier run, as the settings remember it.
    static void rememberReady(const QString &file, const QByteArray &bytes,
                              const QString &version = "1.2.0")
    {
        QSettings &settings = appSettings();
        settings.setValue("updates/readyFile", file);
        settings.setValue("updates/readyVersion", version);
        settings.setValue("updates/readySize", qint64(bytes.size()));
        settings.setValue("updates/readyHash", sha256Hex(bytes));
        settings.sync();
    }

    // Checks every promise of a refused update after the updater settled.
    void expectNothingKept(const QStringList &filesBefore, const char *what)
    {
        QVERIFY2(updateFiles() == filesBefore, what);
        QVERIFY2(!readyKeysWritten(), what);
        QVERIFY2(readBytes(m_appImage) == m_appImageBytes, what);
        QVERIFY2(!QFile::exists(m_marker), what);
    }

    // Runs an automatic check against what the server offers now and expects
    // the failure text; an earlier file at the target must survive.
    void expectRefused(const QString &message, const char *what)
    {
        Updater updater(nullptr, nullptr, endpoints());
        QTRY_VERIFY(!updater.isVerifying());
        QVERIFY(writeBytes(target(), "earlier"));
        const QStringList before = updateFiles();
        QSignalSpy failed(&updater, &Updater::failed);
        QSignalSpy ready(&updater, &Updater::updateReady);
        updater.check(false);
        QTRY_VERIFY2_WITH_TIMEOUT(!failed.isEmpty(), what, 20000);
        QCOMPARE(failed.first().first().toString(), message);
        QTRY_VERIFY(!updater.isBusy());
        QVERIFY2(ready.isEmpty(), what);
        QCOMPARE(readBytes(target()), QByteArray("earlier"));
        expectNothingKept(before, what);
    }

    struct Fetched
    {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        int status = 0;
        QByteArray body;
    };

    // GET through a fresh manager; aborts once more than abortAfter bytes arrived.
    static Fetched get(const QString &url, qint64 abortAfter = -1)
    {
        QNetworkAccessManager manager;
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::UserAgentHeader, "HelperCheck/1");
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        QNetworkReply *reply = manager.get(request);
        Fetched fetched;
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [&, reply] {
            fetched.body += reply->readAll();
            if (abortAfter >= 0 && fetched.body.size() > abortAfter)
                reply->abort();
        });
        if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 20000))
            return fetched;
        if (reply->isOpen())
            fetched.body += reply->readAll();
        fetched.error = reply->error();
        fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        delete reply;
        return fetched;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-updater")));
        QVERIFY(m_ca.create());
        m_ca.trustInThisProcess();
        for (LocalHttpServer *server : {&m_server, &m_other}) {
            server->setTls(m_ca.localhost().certificate, m_ca.localhost().key);
            QVERIFY(server->start());
        }
        QVERIFY(m_plain.start());
        QVERIFY(QDir().mkpath(m_home.filePath("app")));
        m_appImage = m_home.filePath("app/Zorvi-Player.AppImage");
        m_appImageBytes = script("old");
        m_marker = m_home.filePath("marker.txt");
        qputenv("ZORVI_TEST_MARKER", m_marker.toUtf8());
        m_package = script("new", 300000);
    }

    void init()
    {
        appSettings().remove("updates");
        setSettingValue("general/autoUpdate", true);
        appSettings().sync();
        for (const QString &name : updateFiles())
            QFile::remove(Updater::updatesDir() + QLatin1Char('/') + name);
        QFile::remove(m_marker);
        QVERIFY(writeBytes(m_appImage, m_appImageBytes));
        QFile::setPermissions(m_appImage, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("APPIMAGE", m_appImage.toUtf8());
        m_server.clearReplies();
        m_server.setLaterTls(QSslCertificate(), QSslKey(), -1);
        m_server.resetLog();
        m_server.setReply(PackagePath, HttpReply::ok(m_package));
        uiEnglish = true;
    }

    // The shared test server and certificates: what other tests rely on.
    void localServerScriptsReplies()
    {
        LocalHttpServer server;
        server.setTls(m_ca.localhost().certificate, m_ca.localhost().key);
        QVERIFY(server.start());
        server.setReply("/a.json", HttpReply::ok("{\"x\":1}", "application/json"));
        server.setReply("/moved", HttpReply::redirect(server.url("/a.json", "localhost"), 307));
        server.setReply("/broken", [] {
            HttpReply reply = HttpReply::ok(QByteArray(100000, 'b'));
            reply.closeAfter = 1000;
            return reply;
        }());
        server.setReply("/endless", [] {
            HttpReply reply = HttpReply::ok("start");
            reply.endless = true;
            return reply;
        }());
        server.setReply("/slow", [] {
            HttpReply reply = HttpReply::ok("abc");
            reply.trickleMs = 20;
            reply.delayMs = 50;
            return reply;
        }());

        for (const QString &host : {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")}) {
            const Fetched fetched = get(server.url("/a.json?q=1", host));
            QCOMPARE(fetched.error, QNetworkReply::NoError);
            QCOMPARE(fetched.body, QByteArray("{\"x\":1}"));
        }
        const HttpRequest first = server.requests().value(0);
        QCOMPARE(first.method, QByteArray("GET"));
        QCOMPARE(first.target, QByteArray("/a.json?q=1"));
        QCOMPARE(first.path, QByteArray("/a.json"));
        QCOMPARE(first.header("user-agent"), QByteArray("HelperCheck/1"));
        QTRY_VERIFY(server.requests().value(0).complete);
        QCOMPARE(server.connections(), 2);

        const Fetched moved = get(server.url("/moved"));
        QCOMPARE(moved.status, 307);
        QCOMPARE(get(server.url("/missing")).status, 404);
        QCOMPARE(get(server.url("/slow")).body, QByteArray("abc"));
        QVERIFY(get(server.url("/broken")).error != QNetworkReply::NoError);

        // The client's abort shows up as an early close, long before the
        // server could have sent everything.
        const Fetched endless = get(server.url("/endless"), 300000);
        QCOMPARE(endless.error, QNetworkReply::OperationCanceledError);
        QVERIFY(endless.body.startsWith("start"));
        QTRY_VERIFY(server.requests().constLast().clientClosed);
        QVERIFY(server.requests().constLast().bytesSent >= endless.body.size());
        QVERIFY(!server.requests().constLast().complete);
        QCOMPARE(server.requestCount("/endless"), 1);
        QCOMPARE(server.handshakeFailures(), 0);
    }

    void localServerCertificatesAreRefusedWhereTheyShouldBe()
    {
        const TestCa::Identity refused[] = {m_ca.untrusted(), m_ca.otherName()};
        for (const TestCa::Identity &identity : refused) {
            LocalHttpServer server;
            server.setTls(identity.certificate, identity.key);
            QVERIFY(server.start());
            server.setReply("/a", HttpReply::ok("secret"));
            const Fetched fetched = get(server.url("/a", "localhost"));
            QCOMPARE(fetched.error, QNetworkReply::SslHandshakeFailedError);
            QVERIFY(fetched.body.isEmpty());
            QCOMPARE(server.requestCount("/a"), 0);
            QTRY_COMPARE(server.handshakeFailures(), 1);
        }
        LocalHttpServer plain;
        QVERIFY(plain.start());
        plain.setReply("/p", HttpReply::ok("plain"));
        QVERIFY(plain.url("/p").startsWith("http://127.0.0.1:"));
        QCOMPARE(get(plain.url("/p")).body, QByteArray("plain"));
    }

    void versionsCompareAsNumbers_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("newer");
        QTest::newRow("minor as number") << "1.10.0"
                                         << "1.9.9" << true;
        QTest::newRow("patch as number") << "1.1.10"
                                         << "1.1.9" << true;
        QTest::newRow("equal") << "1.1.0"
                               << "1.1.0" << false;
        QTest::newRow("older") << "1.0.99"
                               << "1.1.0" << false;
        QTest::newRow("leading zeros") << "01.1.0"
                                       << "1.1.0" << false;
        QTest::newRow("no wrap") << "1.1.10000000000"
                                 << "1.1.9" << true;
        QTest::newRow("longer than any integer") << "1.1.99999999999999999999999"
                                                 << "1.1.1" << true;
        QTest::newRow("two numbers") << "1.2"
                                     << "1.1.0" << false;
        QTest::newRow("leading v") << "v1.2.0"
                                   << "1.1.0" << false;
        QTest::newRow("leading space") << " 1.2.0"
                                       << "1.1.0" << false;
        QTest::newRow("final newline") << "1.2.0\n"
                                       << "1.1.0" << false;
        QTest::newRow("arabic-indic digits")
                << QString::fromUtf8("\u0661.\u0662.\u0660") << "1.1.0" << false;
        QTest::newRow("fullwidth digits")
                << QString::fromUtf8("\uff11.\uff12.\uff10") << "1.1.0" << false;
    }

    void versionsCompareAsNumbers()
    {
        QFETCH(QString, candidate);
        QFETCH(QString, current);
        QFETCH(bool, newer);
        QCOMPARE(isNewer(candidate, current), newer);
        if (newer)
            QVERIFY(!isNewer(current, candidate));
    }

    void manifestParsing()
    {
        const struct
        {
            const char *name;
            QByteArray json;
            bool valid;
            QString version;
            QString notes;
        } cases[] = {
                {"array root", R"([{"app":"zorvi-player","version":"1.2.0"}])", false, "", ""},
                {"app missing", R"({"version":"1.2.0"})", false, "1.2.0", ""},
                {"other app", R"({"app":"other","version":"1.2.0"})", false, "1.2.0", ""},
                {"app in capitals", R"({"app":"Zorvi-Player","version":"1.2.0"})", false, "1.2.0",
                 ""},
                {"broken json", R"({"app":"zorvi-player","version":"1.2.0")", false, "", ""},
                {"platform version wins",
                 R"({"app":"zorvi-player","version":"1.2.0","notes":"n","linux":{"version":"1.3.0"},"windows":{"version":"1.4.0"}})",
                 true, UpdateInstall::platformKey() == "linux" ? "1.3.0" : "1.4.0", "n"},
                {"non-string platform version",
                 R"({"app":"zorvi-player","version":"1.2.0","linux":{"version":130},"windows":{"version":130}})",
                 true, "1.2.0", ""},
                {"version with newline", R"({"app":"zorvi-player","version":"1.2.0\n"})", false,
                 "1.2.0\n", ""},
        };
        for (const auto &row : cases) {
            const UpdateManifest manifest = parseManifest(row.json);
            QVERIFY2(manifest.valid == row.valid, row.name);
            QVERIFY2(manifest.version == row.version, row.name);
            QVERIFY2(manifest.notes == row.notes, row.name);
        }
    }

    void windowsInstallerArguments()
    {
        const QStringList expected{"/VERYSILENT",
                                   "/SUPPRESSMSGBOXES",
                                   "/NORESTART",
                                   "/SP-",
                                   "/CURRENTUSER",
                                   "/CLOSEAPPLICATIONS",
                                   "/NORESTARTAPPLICATIONS",
                                   "/DIR=C:\\Program Files\\Zorvi Player",
                                   "/LOG=C:\\Users\\a b\\logs\\update-install.log"};
        const QString dir = "C:/Program Files/Zorvi Player";
        const QString log = "C:/Users/a b\\logs/update-install.log";
        QCOMPARE(UpdateInstall::windowsArguments(dir, log, false), expected);
        QCOMPARE(UpdateInstall::windowsArguments(dir, log, true),
                 expected + QStringList{"/ZORVIAUTORESTART=1"});
    }

    void packageRules_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QJsonValue>("size");
        QTest::addColumn<QJsonValue>("sha256");
        QTest::addColumn<bool>("accepted");
        const QString good = base(m_server) + PackagePath;
        const QJsonValue size = qint64(m_package.size());
        const QJsonValue sha = QString::fromLatin1(sha256Hex(m_package));
        const QString dir = base(m_server) + "/downloads/apps/zorvi-player/";
        const QJsonValue same(QJsonValue::Undefined);
        auto row = [&](const char *name, const QString &url,
                       QJsonValue s = QJsonValue(QJsonValue::Undefined),
                       QJsonValue h = QJsonValue(QJsonValue::Undefined), bool accepted = false) {
            QTest::newRow(name) << url << (s.isUndefined() ? size : s)
                                << (h.isUndefined() ? sha : h) << accepted;
        };
        row("other host",
            QStringLiteral("https://127.0.0.1:%1").arg(m_server.port()) + PackagePath);
        row("http", base(m_server, "http") + PackagePath);
        row("other port", base(m_other) + PackagePath);
        row("user information",
            QStringLiteral("https://me@localhost:%1").arg(m_server.port()) + PackagePath);
        row("query", good + "?x=1");
        row("bare question mark", good + "?");
        row("fragment", good + "#f");
        row("outside prefix", base(m_server) + "/downloads/apps/other/" + PackageName);
        row("capital D", base(m_server) + "/Downloads/apps/zorvi-player/" + PackageName);
        row("dot-dot out", dir + "../" + PackageName);
        row("encoded slash", dir + "..%2f" + PackageName);
        row("backslash", dir + "sub\\" + PackageName);
        row("zip", good + ".zip");
        row("capital suffix", dir + "Zorvi-Player-1.2.0.APPIMAGE", same, same, true);
        row("bare file name", PackageName, same, same, true);
        row("size 0", good, 0);
        row("size -1", good, -1);
        row("size above 512 MiB", good, 536870913);
        row("size as text", good, "100");
        row("size 1.5", good, 1.5);
        row("digest 63", good, same, sha.toString().left(63));
        row("digest 65", good, same, sha.toString() + "0");
        row("digest not hex", good, same, "g" + sha.toString().mid(1));
        row("digest newline", good, same, sha.toString() + "\n");
    }

    void packageRules()
    {
        QFETCH(QString, url);
        QFETCH(QJsonValue, size);
        QFETCH(QJsonValue, sha256);
        QFETCH(bool, accepted);
        m_server.setReply("/downloads/apps/zorvi-player/Zorvi-Player-1.2.0.APPIMAGE",
                          HttpReply::ok(m_package));
        QJsonObject package = listing(m_package, url);
        package["size"] = size;
        package["sha256"] = sha256;
        QCOMPARE(isValidPackage(package, "1.2.0", endpoints().manifestUrl), accepted);
        serveManifest(package);
        if (!accepted) {
            expectRefused(InvalidPackageText, QTest::currentDataTag());
            QCOMPARE(m_server.requests().size(), 1); // the manifest only
            QCOMPARE(m_other.requestCount(PackagePath), 0);
            return;
        }
        Updater updater(nullptr, nullptr, endpoints());
        QSignalSpy ready(&updater, &Updater::updateReady);
        updater.check(false);
        QTRY_COMPARE(ready.size(), 1);
        QCOMPARE(readBytes(target()), m_package);
        QVERIFY(!(QFileInfo(target()).permissions() & (QFile::ExeOwner | QFile::ExeOther)));
    }

    void badDownloadsLeaveNothing()
    {
        QByteArray changed = m_package;
        changed[1000] = changed[1000] ^ 1;
        const qint64 half = m_package.size() / 2;
        struct Case
        {
            const char *name;
            HttpReply reply;
            QByteArray listedHash;
            QString redirect;                           // the package path redirects here
            const TestCa::Identity *identity = nullptr; // presented for the package
        };
        auto with = [this](auto change) {
            HttpReply reply = HttpReply::ok(m_package);
            change(reply);
            return reply;
        };
        const TestCa::Identity untrusted = m_ca.untrusted();
        const TestCa::Identity otherName = m_ca.otherName();
        const QString dir = "/downloads/apps/zorvi-player/";
        const Case cases[] = {
                {"digest one byte off", HttpReply::ok(m_package), sha256Hex(changed), {}},
                {"one byte more", HttpReply::ok(m_package + "x"), {}, {}},
                {"64 MiB more", with([](HttpReply &r) { r.extraBytes = 64LL << 20; }), {}, {}},
                {"truncated", with([half](HttpReply &r) { r.closeAfter = half; }), {}, {}},
                {"stalls", with([half](HttpReply &r) { r.stallAfter = half; }), {}, {}},
                {"404", HttpReply::error(404), {}, {}},
                {"500", HttpReply::error(500), {}, {}},
                {"redirect to other host",
                 {},
                 {},
                 QStringLiteral("https://127.0.0.1:%1").arg(m_server.port()) + PackagePath},
                {"redirect to http", {}, {}, base(m_plain, "http") + PackagePath},
                {"redirect to other port", {}, {}, base(m_other) + PackagePath},
                {"redirect outside prefix", {}, {}, base(m_server) + "/elsewhere/" + PackageName},
                {"redirect through encoded slash",
                 {},
                 {},
                 base(m_server) + dir + "..%2f" + PackageName},
                {"untrusted certificate", HttpReply::ok(m_package), {}, {}, &untrusted},
                {"certificate for another name", HttpReply::ok(m_package), {}, {}, &otherName},
        };
        for (const Case &c : cases) {
            init();
            QJsonObject package = listing(m_package);
            if (!c.listedHash.isEmpty())
                package["sha256"] = QString::fromLatin1(c.listedHash);
            serveManifest(package);
            if (c.redirect.isEmpty()) {
                m_server.setReply(PackagePath, c.reply);
            } else {
                // Were the target fetched, it would deliver the package.
                for (LocalHttpServer *server : {&m_server, &m_other, &m_plain})
                    server->setReply(QUrl(c.redirect).path(), HttpReply::ok(m_package));
                m_server.setReply(PackagePath, HttpReply::redirect(c.redirect));
            }
            if (c.identity) // the manifest's connection keeps the good one
                m_server.setLaterTls(c.identity->certificate, c.identity->key, 1);
            const int otherBefore = m_other.requests().size() + m_plain.requests().size();
            expectRefused(IncompleteText, c.name);
            QVERIFY2(m_other.requests().size() + m_plain.requests().size() == otherBefore, c.name);
            if (QByteArray(c.name) == "64 MiB more") {
                // The download stopped reading: the server never got it all out.
                QTRY_VERIFY(m_server.requests().constLast().clientClosed);
                QVERIFY(!m_server.requests().constLast().complete);
            }
            if (c.identity)
                QTRY_COMPARE(m_server.handshakeFailures(), 1);
        }
    }

    void manifestRefusals()
    {
        auto with = [](QByteArray body, auto change) {
            HttpReply reply = HttpReply::ok(std::move(body), "application/json");
            change(reply);
            return reply;
        };
        const QByteArray valid = R"({"app":"zorvi-player","version":"1.2.0"})";
        const struct
        {
            const char *name;
            HttpReply reply;
            QString manualText; // empty: the network library's text
            bool upToDate;
        } cases[] = {
                {"over 1 MiB", HttpReply::ok(valid + QByteArray(1 << 20, ' ') + ' '), {}, false},
                {"endless", with(valid, [](HttpReply &r) { r.endless = true; }), {}, false},
                {"trickle", with(valid, [](HttpReply &r) { r.trickleMs = 150; }), {}, false},
                {"invalid json", HttpReply::ok("{\"app\":"), "Invalid update manifest", false},
                {"not newer",
                 HttpReply::ok(R"({"app":"zorvi-player","version":"1.1.0"})"),
                 {},
                 true},
        };
        UpdateEndpoints shortDeadline = endpoints();
        shortDeadline.checkDeadlineMs = 1500;
        for (const auto &c : cases) {
            for (bool manual : {true, false}) {
                init();
                m_server.setReply(ManifestPath, c.reply);
                Updater updater(nullptr, nullptr, shortDeadline);
                QSignalSpy failed(&updater, &Updater::failed);
                QSignalSpy upToDate(&updater, &Updater::upToDate);
                QSignalSpy available(&updater, &Updater::updateAvailable);
                updater.check(manual);
                QTRY_COMPARE(m_server.requestCount(ManifestPath), 1);
                QTRY_VERIFY_WITH_TIMEOUT(!updater.isBusy(), 10000);
                QVERIFY2(available.isEmpty(), c.name);
                if (!manual) {
                    QVERIFY2(failed.isEmpty() && upToDate.isEmpty(), c.name);
                } else if (c.upToDate) {
                    QVERIFY2(failed.isEmpty() && upToDate.size() == 1, c.name);
                } else {
                    QVERIFY2(failed.size() == 1, c.name);
                    const QString text = failed.first().first().toString();
                    QVERIFY2(c.manualText.isEmpty() ? !text.isEmpty() : text == c.manualText,
                             qPrintable(text));
                }
                QVERIFY2(!readyKeysWritten() && updateFiles().isEmpty(), c.name);
                // Nothing stays stuck: the next check goes out.
                updater.check(false);
                QTRY_COMPARE(m_server.requestCount(ManifestPath), 2);
            }
        }
    }

    void oneCheckAtATimeAndSettings()
    {
        HttpReply slow = HttpReply::ok(R"({"app":"zorvi-player","version":"1.1.0"})");
        slow.delayMs = 800;
        m_server.setReply(ManifestPath, slow);
        Updater updater(nullptr, nullptr, endpoints());
        QSignalSpy upToDate(&updater, &Updater::upToDate);
        updater.check(false);
        QVERIFY(updater.isBusy());
        updater.check(true);
        QTRY_VERIFY(!updater.isBusy());
        QCOMPARE(m_server.requestCount(ManifestPath), 1);
        QVERIFY(upToDate.isEmpty()); // the automatic one ran, the manual one was dropped

        // With automatic updates off the offer is all that happens.
        setSettingValue("general/autoUpdate", false);
        serveManifest(listing(m_package));
        QSignalSpy available(&updater, &Updater::updateAvailable);
        QSignalSpy failed(&updater, &Updater::failed);
        updater.check(false);
        QTRY_COMPARE(available.size(), 1);
        QCOMPARE(available.first().at(0).toString(), QStringLiteral("1.2.0"));
        QCOMPARE(available.first().at(1).toString(), QStringLiteral("Faster & <safer>"));
        QCOMPARE(available.first().at(2).toString(), QStringLiteral("https://localhost/product/"));
        QTRY_VERIFY(!updater.isBusy());
        QCOMPARE(m_server.requestCount(PackagePath), 0);
        QVERIFY(failed.isEmpty() && updateFiles().isEmpty());
    }

    void notAnAppImageOnlyOffers()
    {
        const QString folder = m_home.filePath("app");
        for (const QString &value : {QString(), m_home.filePath("app/missing.AppImage"), folder}) {
            init();
            serveManifest(listing(m_package));
            qputenv("APPIMAGE", value.toUtf8());
            Updater updater(nullptr, nullptr, endpoints());
            QSignalSpy available(&updater, &Updater::updateAvailable);
            updater.check(false);
            QTRY_COMPARE(available.size(), 1);
            QTRY_VERIFY(!updater.isBusy());
            QCOMPARE(m_server.requestCount(PackagePath), 0);
            QVERIFY(updateFiles().isEmpty());
            QVERIFY(!updater.canAutoInstall());
        }
    }

    void goodPathDownloadsOnce()
    {
        // Big enough that percent × size overflows 32 bits.
        QByteArray big = script("new", 24 << 20);
        for (qsizetype i = 100; i < big.size(); i += 4096)
            big[i] = char(i * 31);
        m_server.setReply(PackagePath, HttpReply::ok(big));
        QJsonObject package = listing(big);
        package["sha256"] = package["sha256"].toString().toUpper();
        serveManifest(package);
        Updater updater(nullptr, nullptr, endpoints());
        QSignalSpy progress(&updater, &Updater::downloadProgress);
        QSignalSpy ready(&updater, &Updater::updateReady);
        QSignalSpy failed(&updater, &Updater::failed);
        updater.check(false);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() || !failed.isEmpty(), 60000);
        QVERIFY2(failed.isEmpty(),
                 failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
        QCOMPARE(ready.size(), 1);
        QCOMPARE(ready.first().first().toString(), QStringLiteral("1.2.0"));
        int last = -1;
        for (const QList<QVariant> &args : progress) {
            QVERIFY(args.first().toInt() >= last && args.first().toInt() <= 100);
            last = args.first().toInt();
        }
        QCOMPARE(last, 100);
        QVERIFY(progress.size() >= 2);
        QCOMPARE(readBytes(target()), big);
        QCOMPARE(updateFiles(), QStringList{PackageName});

        const QSettings fresh(dataDir() + QStringLiteral("/config.ini"), QSettings::IniFormat);
        QCOMPARE(fresh.value("updates/readyFile").toString(), target());
        QCOMPARE(fresh.value("updates/readyVersion").toString(), QStringLiteral("1.2.0"));
        QCOMPARE(fresh.value("updates/readySize").toLongLong(), qint64(big.size()));
        QCOMPARE(fresh.value("updates/readyHash").toByteArray(), sha256Hex(big));
        QVERIFY(updater.canAutoInstall());

        // Ready: every check answers at once, without a request.
        m_server.resetLog();
        updater.check(true);
        QCOMPARE(ready.size(), 2);
        Updater next(nullptr, nullptr, endpoints());
        QSignalSpy nextReady(&next, &Updater::updateReady);
        next.check(false); // waits for the start-up verification
        QTRY_COMPARE(nextReady.size(), 1);
        QCOMPARE(m_server.requests().size(), 0);
        QCOMPARE(readBytes(target()), big);
    }

    void startupKeepsOnlyVerifiedPackages()
    {
        QByteArray changed = m_package;
        changed[10] = 'X';
        const QString inside = target();
        const QString outside = m_home.filePath("outside.AppImage");
        const QString variant = dataDir() + "/Updates/" + PackageName;
        const struct
        {
            const char *name;
            QString file;
            QByteArray onDisk;
            QString version;
            bool kept; // as the ready update
            bool fileStays;
        } cases[] = {
                {"verified", inside, m_package, "1.2.0", true, true},
                {"one byte changed", inside, changed, "1.2.0", false, false},
                {"truncated", inside, m_package.left(1000), "1.2.0", false, false},
                {"not newer", inside, m_package, "1.1.0", false, false},
                {"outside", outside, m_package, "1.2.0", false, true},
                {"through dot-dot", Updater::updatesDir() + "/../../outside.AppImage", m_package,
                 "1.2.0", false, true},
                {"folder in other letter case", variant, m_package, "1.2.0", false, true},
        };
        QVERIFY(QDir().mkpath(dataDir() + "/Updates"));
        for (const auto &c : cases) {
            init();
            QVERIFY(writeBytes(c.file, c.onDisk));
            rememberReady(c.file, m_package, c.version);
            // A leftover of a killed download goes, whatever else happens.
            QVERIFY(writeBytes(Updater::updatesDir() + "/" + PackageName + ".aBcDeF", "partial"));
            Updater updater(nullptr, nullptr, endpoints());
            QTRY_VERIFY(!updater.isVerifying());
            QVERIFY2(updater.readyFile().isEmpty() != c.kept, c.name);
            QVERIFY2(updater.canAutoInstall() == c.kept, c.name);
            QVERIFY2(QFile::exists(c.file) == c.fileStays, c.name);
            QVERIFY2(!QFile::exists(Updater::updatesDir() + "/" + PackageName + ".aBcDeF"), c.name);
            const QSettings fresh(dataDir() + QStringLiteral("/config.ini"), QSettings::IniFormat);
            QVERIFY2(fresh.childGroups().contains("updates") == c.kept, c.name);
            QFile::remove(c.file);
        }
    }

    void installReplacesTheAppImage()
    {
        QVERIFY(writeBytes(target(), m_package));
        rememberReady(target(), m_package);
        {
            // Automatic updates off: an ordinary exit leaves it waiting.
            setSettingValue("general/autoUpdate", false);
            Updater updater(nullptr, nullptr, endpoints());
            QVERIFY(!updater.install(false));
            QCOMPARE(readBytes(m_appImage), m_appImageBytes);
            setSettingValue("general/autoUpdate", true);
        }
        Updater updater(nullptr, nullptr, endpoints());
        QSignalSpy failed(&updater, &Updater::failed);
        QVERIFY(updater.install(true)); // right away: verifies on the spot
        QCOMPARE(readBytes(m_appImage), m_package);
        QVERIFY(QFileInfo(m_appImage).permissions() & QFile::ExeOwner);
        QTRY_COMPARE(readBytes(m_marker), QByteArray("new\n"));
        QCOMPARE(appSettings().value("updates/lastAttempt").toString(), QStringLiteral("1.2.0"));
        QVERIFY(!updater.canAutoInstall());
        QVERIFY(failed.isEmpty());
        QCOMPARE(QDir(m_home.filePath("app")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Zorvi-Player.AppImage"});
    }

    void installRefusesWhatChanged()
    {
        QVERIFY(writeBytes(target(), m_package));
        rememberReady(target(), m_package);
        Updater updater(nullptr, nullptr, endpoints());
        QTRY_VERIFY(!updater.isVerifying());
        QVERIFY(updater.canAutoInstall());
        QByteArray changed = m_package;
        changed[20] = 'Y';
        QVERIFY(writeBytes(target(), changed));
        QSignalSpy failed(&updater, &Updater::failed);
        QVERIFY(!updater.install(true));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(),
                 QStringLiteral("Installer integrity check failed"));
        QCOMPARE(readBytes(m_appImage), m_appImageBytes);
        QVERIFY(!QFile::exists(m_marker));

        // The program's folder went away after the download: nothing to
        // replace, and the package stays for later.
        QVERIFY(writeBytes(target(), m_package));
        const QString gone = m_home.filePath("gone");
        QVERIFY(QDir().mkpath(gone));
        QVERIFY(writeBytes(gone + "/Zorvi.AppImage", m_appImageBytes));
        qputenv("APPIMAGE", QString(gone + "/Zorvi.AppImage").toUtf8());
        QVERIFY(QDir(gone).removeRecursively());
        QVERIFY(!updater.install(true));
        QCOMPARE(readBytes(target()), m_package);
        QVERIFY(!QFile::exists(m_marker));
    }

    void otherProcessDownloads()
    {
        const QString child = qEnvironmentVariable("ZORVI_UPDATER_CHILD");
        QVERIFY2(QFileInfo(child).isExecutable(), "ZORVI_UPDATER_CHILD is not set");
        const QByteArray big = script("new", 4 << 20);
        serveManifest(listing(big));
        m_server.setReply(PackagePath, HttpReply::ok(big));
        const QStringList arguments{QCoreApplication::applicationName(),
                                    endpoints().manifestUrl.toString(), m_ca.authorityPath()};

        // A full disk: writes fail halfway through the package.
        QProcess limited;
        limited.start(child, arguments + QStringList{QString::number(1 << 20)});
        QVERIFY(limited.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(limited.readAllStandardOutput()),
                 QStringLiteral("failed Download incompleto ou integridade inválida; tente "
                                "novamente\n"));
        QVERIFY(updateFiles().isEmpty());
        QVERIFY(!readyKeysWritten());

        // Killed midway: no partial file outlives it, at the latest after the
        // next start (the system may keep the unfinished file nameless).
        HttpReply stalled = HttpReply::ok(big);
        stalled.stallAfter = 2 << 20;
        m_server.setReply(PackagePath, stalled);
        const QString outside = dataDir() + "/keep-me.AppImage";
        QVERIFY(writeBytes(outside, "not ours"));
        m_server.resetLog();
        QProcess killed;
        killed.start(child, arguments);
        QVERIFY(killed.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(PackagePath) == 1 &&
                                         m_server.requests().constLast().bytesSent >= (2 << 20),
                                 30000);
        ::kill(pid_t(killed.processId()), SIGKILL);
        QVERIFY(killed.waitForFinished(10000));
        Updater updater(nullptr, nullptr, endpoints());
        QTRY_VERIFY(!updater.isVerifying());
        QVERIFY(updateFiles().isEmpty());
        QVERIFY(!readyKeysWritten());
        QCOMPARE(readBytes(outside), QByteArray("not ours"));
        QFile::remove(outside);
    }
};

QTEST_GUILESS_MAIN(tst_Updater)
#include "tst_updater.moc"
