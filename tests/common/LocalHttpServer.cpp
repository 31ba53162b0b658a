#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QPointer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 PieceBytes = 64 * 1024;
// Keep at most this much queued in the socket, so that bytesSent tells how
// far the client really read before it closed.
constexpr qint64 QueueBytes = 256 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

const QByteArray &filler()
{
    static const QByteArray bytes(PieceBytes, 'z');
    return bytes;
}

} // namespace

HttpReply HttpReply::ok(QByteArray body, const QByteArray &contentType)
{
    HttpReply reply;
    reply.body = std::move(body);
    reply.headers.append(qMakePair(QByteArray("Content-Type"), contentType));
    return reply;
}

HttpReply HttpReply::error(int status)
{
    HttpReply reply;
    reply.status = status;
    reply.body = reasonPhrase(status);
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/plain")));
    return reply;
}

HttpReply HttpReply::redirect(const QString &location, int status)
{
    HttpReply reply;
    reply.status = status;
    reply.headers.append(qMakePair(QByteArray("Location"), location.toUtf8()));
    return reply;
}

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return {};
}

// One client connection: reads the request, then writes the scripted reply
// at the pace the socket drains.
class HttpConnection : public QObject
{
public:
    HttpConnection(LocalHttpServer *owner, QTcpSocket *socket)
        : QObject(socket)
        , m_owner(owner)
        , m_socket(socket)
    {
        connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::read);
        connect(socket, &QTcpSocket::bytesWritten, this, &HttpConnection::written);
        connect(socket, &QTcpSocket::disconnected, this, &HttpConnection::closed);
        if (auto *ssl = qobject_cast<QSslSocket *>(socket))
            connect(ssl, &QSslSocket::encryptedBytesWritten, this, &HttpConnection::schedulePump);
    }

private:
    void read()
    {
        if (m_index >= 0) {
            m_socket->readAll();
            return;
        }
        m_in += m_socket->readAll();
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = m_in.left(end).split('\n');
        HttpRequest request;
        request.line = lines.value(0).trimmed();
        const QList<QByteArray> parts = request.line.split(' ');
        request.method = parts.value(0);
        request.target = parts.value(1);
        const qsizetype query = request.target.indexOf('?');
        request.path = query < 0 ? request.target : request.target.left(query);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        if (!m_owner->replyFor(request.path, &m_reply))
            m_reply = HttpReply::error(404);
        m_total = m_reply.endless ? -1 : m_reply.body.size() + m_reply.extraBytes;
        m_limit = m_total < 0 ? std::numeric_limits<qint64>::max() : m_total;
        if (m_reply.stallAfter >= 0)
            m_limit = std::min(m_limit, m_reply.stallAfter);
        if (m_reply.closeAfter >= 0)
            m_limit = std::min(m_limit, m_reply.closeAfter);
        m_head = head();
        if (m_total >= 0) {
            request.bytesPlanned = m_head.size() + m_total;
            if (chunked())
                request.bytesPlanned = -1; // framing depends on the pieces
        }
        {
            QMutexLocker lock(&m_owner->m_mutex);
            m_index = int(m_owner->m_requests.size());
            m_generation = m_owner->m_generation;
            m_owner->m_requests.append(request);
        }
        if (m_reply.delayMs > 0)
            QTimer::singleShot(m_reply.delayMs, this, &HttpConnection::begin);
        else
            begin();
    }

    bool chunked() const { return m_reply.chunked || m_reply.endless; }

    QByteArray head() const
    {
        QByteArray text = "HTTP/1.1 " + QByteArray::number(m_reply.status) + ' ' +
                          reasonPhrase(m_reply.status) + "\r\n";
        for (const auto &field : m_reply.headers)
            text += field.first + ": " + field.second + "\r\n";
        if (chunked())
            text += "Transfer-Encoding: chunked\r\n";
        else
            text += "Content-Length: " + QByteArray::number(m_total) + "\r\n";
        text += "Connection: close\r\n\r\n";
        return text;
    }

    void begin()
    {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_started = true;
        m_socket->write(m_head);
        if (m_reply.trickleMs > 0) {
            auto *timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, timer] {
                if (m_position >= m_limit) {
                    timer->stop();
                    finishBody();
                    return;
                }
                sendBody(1);
            });
            timer->start(m_reply.trickleMs);
            return;
        }
        pump();
    }

    // The body bytes [from, from + count), filler after the scripted body.
    QByteArray bodySlice(qint64 from, qint64 count) const
    {
        const qint64 bodySize = m_reply.body.size();
        QByteArray out;
        if (from < bodySize) {
            const qint64 take = std::min(count, bodySize - from);
            out = m_reply.body.mid(from, take);
            count -= take;
        }
        while (count > 0) {
            const qint64 take = std::min<qint64>(count, filler().size());
            out += filler().left(take);
            count -= take;
        }
        return out;
    }

    void sendBody(qint64 count)
    {
        const QByteArray piece = bodySlice(m_position, count);
        m_position += piece.size();
        if (chunked())
            m_socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        else
            m_socket->write(piece);
    }

    // Bytes not yet handed to the system: a TLS socket keeps the plain text
    // and the encrypted bytes in two queues.
    qint64 queued() const
    {
        qint64 bytes = m_socket->bytesToWrite();
        if (auto *ssl = qobject_cast<QSslSocket *>(m_socket))
            bytes += ssl->encryptedBytesToWrite();
        return bytes;
    }

    void pump()
    {
        if (!m_started || m_done || m_reply.trickleMs > 0)
            return;
        while (m_position < m_limit && queued() < QueueBytes)
            sendBody(std::min(PieceBytes, m_limit - m_position));
        if (m_position >= m_limit)
            finishBody();
    }

    void finishBody()
    {
        if (m_done)
            return;
        m_done = true;
        if (m_position == m_total) {
            if (chunked())
                m_socket->write("0\r\n\r\n");
            m_closing = true;
            m_socket->disconnectFromHost();
        } else if (m_reply.closeAfter >= 0) {
            m_closing = true;
            m_socket->disconnectFromHost();
        }
        // stallAfter: keep the connection open and silent.
    }

    // The record of this connection's request, null after resetLog. Called
    // with the owner's mutex held.
    HttpRequest *record()
    {
        if (m_index < 0 || m_generation != m_owner->m_generation ||
            m_index >= m_owner->m_requests.size())
            return nullptr;
        return &m_owner->m_requests[m_index];
    }

    void written(qint64 bytes)
    {
        {
            QMutexLocker lock(&m_owner->m_mutex);
            if (HttpRequest *request = record()) {
                request->bytesSent += bytes;
                if (m_done && m_position == m_total && m_socket->bytesToWrite() == 0)
                    request->complete = true;
            }
        }
        schedulePump();
    }

    // Not from inside bytesWritten: a TLS socket emits it while it encrypts
    // its queue and would take more before flushing any.
    void schedulePump()
    {
        if (!m_pumpQueued) {
            m_pumpQueued = true;
            QMetaObject::invokeMethod(
                    this,
                    [this] {
                        m_pumpQueued = false;
                        pump();
                    },
                    Qt::QueuedConnection);
        }
    }

    void closed()
    {
        {
            QMutexLocker lock(&m_owner->m_mutex);
            if (HttpRequest *request = record(); request && !m_closing)
                request->clientClosed = true;
        }
        m_socket->deleteLater();
    }

    LocalHttpServer *m_owner;
    QTcpSocket *m_socket;
    QByteArray m_in;
    HttpReply m_reply;
    QByteArray m_head;
    int m_index = -1;
    int m_generation = 0;
    qint64 m_total = 0;    // body size, -1 when endless
    qint64 m_limit = 0;    // body bytes to send at all
    qint64 m_position = 0; // body bytes queued so far
    bool m_started = false;
    bool m_done = false;
    bool m_closing = false; // the server ends the connection
    bool m_pumpQueued = false;
};

class HttpWorker : public QTcpServer
{
public:
    explicit HttpWorker(LocalHttpServer *owner)
        : m_owner(owner)
    {}

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket *socket = nullptr;
        int earlier = 0;
        QSslCertificate certificate = m_owner->m_certificate;
        QSslKey key = m_owner->m_key;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            earlier = m_owner->m_connections++;
            if (m_owner->m_laterAfter >= 0 && earlier >= m_owner->m_laterAfter) {
                certificate = m_owner->m_laterCertificate;
                key = m_owner->m_laterKey;
            }
        }
        if (m_owner->isTls()) {
            auto *ssl = new QSslSocket(this);
            ssl->setLocalCertificate(certificate);
            ssl->setPrivateKey(key);
            // A client that refuses the certificate closes during the handshake.
            connect(ssl, &QSslSocket::encrypted, ssl,
                    [ssl] { ssl->setProperty("zorviEncrypted", true); });
            auto failed = [this, ssl] {
                if (!ssl->property("zorviEncrypted").toBool() &&
                    !ssl->property("zorviCounted").toBool()) {
                    ssl->setProperty("zorviCounted", true);
                    countFailure();
                }
            };
            connect(ssl, &QSslSocket::errorOccurred, ssl, failed);
            connect(ssl, &QSslSocket::disconnected, ssl, failed);
            socket = ssl;
        } else {
            socket = new QTcpSocket(this);
        }
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        new HttpConnection(m_owner, socket);
        if (auto *ssl = qobject_cast<QSslSocket *>(socket))
            ssl->startServerEncryption();
    }

private:
    void countFailure()
    {
        QMutexLocker lock(&m_owner->m_mutex);
        ++m_owner->m_handshakeFailures;
    }

    LocalHttpServer *m_owner;
};

LocalHttpServer::LocalHttpServer() = default;

LocalHttpServer::~LocalHttpServer()
{
    m_thread.quit();
    m_thread.wait();
}

void LocalHttpServer::setTls(const QSslCertificate &certificate, const QSslKey &key)
{
    m_certificate = certificate;
    m_key = key;
}

void LocalHttpServer::setLaterTls(const QSslCertificate &certificate, const QSslKey &key, int after)
{
    QMutexLocker lock(&m_mutex);
    m_laterCertificate = certificate;
    m_laterKey = key;
    m_laterAfter = after;
}

bool LocalHttpServer::start()
{
    m_thread.start();
    m_worker = new HttpWorker(this);
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    QMetaObject::invokeMethod(
            m_worker,
            [this] {
                if (m_worker->listen(QHostAddress::LocalHost, 0))
                    m_port = m_worker->serverPort();
            },
            Qt::BlockingQueuedConnection);
    return m_port != 0;
}

QString LocalHttpServer::url(const QString &path, const QString &host) const
{
    return QStringLiteral("%1://%2:%3%4")
            .arg(isTls() ? QStringLiteral("https") : QStringLiteral("http"), host)
            .arg(m_port)
            .arg(path);
}

void LocalHttpServer::setReply(const QString &path, const HttpReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(path.toUtf8(), reply);
}

void LocalHttpServer::clearReplies()
{
    QMutexLocker lock(&m_mutex);
    m_replies.clear();
}

bool LocalHttpServer::replyFor(const QByteArray &path, HttpReply *reply) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_replies.constFind(path);
    if (it == m_replies.constEnd())
        return false;
    *reply = *it;
    return true;
}

QList<HttpRequest> LocalHttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int LocalHttpServer::requestCount(const QString &path) const
{
    const QByteArray wanted = path.toUtf8();
    QMutexLocker lock(&m_mutex);
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [&](const HttpRequest &request) { return request.path == wanted; }));
}

int LocalHttpServer::connections() const
{
    QMutexLocker lock(&m_mutex);
    return m_connections;
}

int LocalHttpServer::handshakeFailures() const
{
    QMutexLocker lock(&m_mutex);
    return m_handshakeFailures;
}

void LocalHttpServer::resetLog()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
    ++m_generation;
    m_connections = 0;
    m_handshakeFailures = 0;
}
