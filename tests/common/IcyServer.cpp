#include "IcyServer.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <vector>

class IcyWorker : public QObject
{
public:
    explicit IcyWorker(IcyServer *owner)
        : m_owner(owner)
    {}

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        connect(m_server, &QTcpServer::newConnection, this, &IcyWorker::accept);
        m_timer = new QTimer(this);
        m_timer->setInterval(100);
        connect(m_timer, &QTimer::timeout, this, &IcyWorker::tick);
        m_timer->start();
        return m_server->serverPort();
    }

private:
    struct Client
    {
        QTcpSocket *socket = nullptr;
        QByteArray request;
        bool answered = false;
        bool metadata = false;
        qsizetype offset = 0; // into the MP3 data
        int untilMeta = 0;    // audio bytes left before the next block
    };

    void accept()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            Client client;
            client.socket = socket;
            m_clients.push_back(client);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        }
    }

    Client *find(QTcpSocket *socket)
    {
        for (Client &client : m_clients) {
            if (client.socket == socket)
                return &client;
        }
        return nullptr;
    }

    void readRequest(QTcpSocket *socket)
    {
        Client *client = find(socket);
        if (!client || client->answered)
            return;
        client->request += socket->readAll();
        if (!client->request.contains("\r\n\r\n"))
            return;
        client->answered = true;
        client->metadata = client->request.toLower().contains("icy-metadata: 1");
        client->untilMeta = m_owner->m_metaInt;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_lastRequest = client->request;
        }
        QByteArray header = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n"
                            "icy-name: Zorvi Test Radio\r\n";
        if (client->metadata)
            header += "icy-metaint: " + QByteArray::number(m_owner->m_metaInt) + "\r\n";
        header += m_owner->m_extraHeaders + "\r\n";
        socket->write(header);
        // A head start of two seconds lets playback begin without waiting.
        send(*client, 2 * m_owner->m_bytesPerSecond);
    }

    void tick()
    {
        for (auto it = m_clients.begin(); it != m_clients.end();) {
            if (it->socket->state() != QAbstractSocket::ConnectedState) {
                it->socket->deleteLater();
                it = m_clients.erase(it);
                continue;
            }
            if (it->answered)
                send(*it, m_owner->m_bytesPerSecond / 10);
            ++it;
        }
    }

    QByteArray metadataBlock() const
    {
        QString title;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            title = m_owner->m_title;
        }
        QByteArray text = "StreamTitle='" + title.toUtf8() + "';";
        const int blocks = int((text.size() + 15) / 16);
        text.append(QByteArray(blocks * 16 - text.size(), '\0'));
        return char(blocks) + text;
    }

    void send(Client &client, int audioBytes)
    {
        const QByteArray &mp3 = m_owner->m_mp3;
        QByteArray out;
        while (audioBytes > 0) {
            int chunk = std::min<int>(audioBytes, int(mp3.size() - client.offset));
            if (client.metadata)
                chunk = std::min(chunk, client.untilMeta);
            out += mp3.mid(client.offset, chunk);
            client.offset = (client.offset + chunk) % mp3.size();
            audioBytes -= chunk;
            if (client.metadata) {
                client.untilMeta -= chunk;
                if (client.untilMeta == 0) {
                    out += metadataBlock();
                    client.untilMeta = m_owner->m_metaInt;
                }
            }
        }
        client.socket->write(out);
    }

    IcyServer *m_owner;
    QTcpServer *m_server = nullptr;
    QTimer *m_timer = nullptr;
    std::vector<Client> m_clients;
};

IcyServer::IcyServer(QByteArray mp3, QByteArray extraHeaders, int metaInt, int bytesPerSecond)
    : m_mp3(std::move(mp3))
    , m_extraHeaders(std::move(extraHeaders))
    , m_metaInt(metaInt)
    , m_bytesPerSecond(bytesPerSecond)
{}

IcyServer::~IcyServer()
{
    m_thread.quit();
    m_thread.wait();
}

bool IcyServer::start()
{
    if (m_mp3.isEmpty())
        return false;
    m_thread.start();
    m_worker = new IcyWorker(this);
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    QMetaObject::invokeMethod(
            m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
    return m_port != 0;
}

QString IcyServer::url() const
{
    return QStringLiteral("http://127.0.0.1:%1/radio.mp3").arg(m_port);
}

void IcyServer::setTitle(const QString &title)
{
    QMutexLocker lock(&m_mutex);
    m_title = title;
}

QString IcyServer::title() const
{
    QMutexLocker lock(&m_mutex);
    return m_title;
}

QByteArray IcyServer::lastRequest() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastRequest;
}
