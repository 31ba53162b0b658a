#include "SilentServer.h"

#include <QTcpSocket>

SilentServer::SilentServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
            m_sockets.append(socket);
        }
    });
}

bool SilentServer::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString SilentServer::url(const QString &name) const
{
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(name);
}
