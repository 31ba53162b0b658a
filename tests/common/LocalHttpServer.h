#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QThread>

class HttpWorker;
class HttpConnection;

// What the server answers on one path. The defaults give "200 OK" with the
// body and a Content-Length; the other fields script broken or slow servers.
struct HttpReply
{
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers; // further header lines
    QByteArray body;
    qint64 extraBytes = 0;  // filler bytes sent after body (and counted in Content-Length)
    int delayMs = 0;        // wait before the status line
    bool chunked = false;   // Transfer-Encoding: chunked instead of Content-Length
    bool endless = false;   // chunked filler that never ends (body is sent first)
    int trickleMs = 0;      // one body byte per interval instead of all at once
    qint64 stallAfter = -1; // send this many body bytes, then nothing while open
    qint64 closeAfter = -1; // send this many body bytes, then close the connection

    static HttpReply ok(QByteArray body,
                        const QByteArray &contentType = "application/octet-stream");
    static HttpReply error(int status);
    // status 301, 302, 303, 307 or 308 with Location.
    static HttpReply redirect(const QString &location, int status = 302);
};

// One request as the server saw it, with what it sent back.
struct HttpRequest
{
    QByteArray method;
    QByteArray target; // as sent: path with any query
    QByteArray path;   // target without query
    QByteArray line;   // the request line
    QList<QPair<QByteArray, QByteArray>> headers;
    qint64 bytesSent = 0;      // reply bytes written to the client, head included
    qint64 bytesPlanned = -1;  // reply bytes the script meant to send (-1: endless)
    bool complete = false;     // everything planned was written
    bool clientClosed = false; // the client went away before that

    // The value of a header, any letter case of its name; empty when absent.
    QByteArray header(const QByteArray &name) const;
};

// An HTTP/1.1 server (HTTPS once setTls is called) on 127.0.0.1 for tests,
// with replies scripted per path. It runs on its own thread, so a test that
// waits on the GUI thread never starves it. Every reply closes its
// connection. Unknown paths get 404.
class LocalHttpServer
{
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    // Before start: serve HTTPS with this certificate and key.
    void setTls(const QSslCertificate &certificate, const QSslKey &key);
    // Connections after the first `after` present this certificate instead:
    // a package fetched after its manifest, from the same origin, can meet
    // a bad certificate. May be called while running.
    void setLaterTls(const QSslCertificate &certificate, const QSslKey &key, int after);
    bool start();
    quint16 port() const { return m_port; }
    bool isTls() const { return !m_certificate.isNull(); }
    // scheme://host:port + path; path starts with "/".
    QString url(const QString &path, const QString &host = QStringLiteral("127.0.0.1")) const;

    // The path is matched without the query; may be changed while running.
    void setReply(const QString &path, const HttpReply &reply);
    void clearReplies();

    QList<HttpRequest> requests() const;
    // Requests for this path (without query).
    int requestCount(const QString &path) const;
    int connections() const;
    // TLS handshakes that ended in an error on the server side (the client
    // refused the certificate, for instance).
    int handshakeFailures() const;
    // Forget recorded requests and counters.
    void resetLog();

private:
    friend class HttpWorker;
    friend class HttpConnection;
    bool replyFor(const QByteArray &path, HttpReply *reply) const;

    QSslCertificate m_certificate;
    QSslKey m_key;
    QSslCertificate m_laterCertificate;
    QSslKey m_laterKey;
    int m_laterAfter = -1;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QByteArray, HttpReply> m_replies;
    QList<HttpRequest> m_requests;
    int m_generation = 0; // bumped by resetLog
    int m_connections = 0;
    int m_handshakeFailures = 0;
    QThread m_thread;
    HttpWorker *m_worker = nullptr;
};
