#include "LocalHttpServer.h"
#include "TestCa.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

class tst_Updater final : public QObject
{
    Q_OBJECT

    TestCa m_ca;

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
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_ca.create());
        m_ca.trustInThisProcess();
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
};

QTEST_GUILESS_MAIN(tst_Updater)
#include "tst_updater.moc"
