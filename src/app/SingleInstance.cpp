#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

QString localServerName()
{
    QString user = qEnvironmentVariable("USERNAME");
    if (!qEnvironmentVariableIsSet("USERNAME"))
        user = qEnvironmentVariableIsSet("USER") ? qEnvironmentVariable("USER")
                                                 : QStringLiteral("user");
    return QStringLiteral("ZorviPlayer-%1").arg(user);
}

QByteArray encodeHandOver(const QStringList &arguments)
{
    return arguments.join(QLatin1Char('\n')).toUtf8();
}

QStringList decodeHandOver(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool handOverToRunningInstance(const QString &serverName, const QStringList &arguments)
{
    QLocalSocket socket;
    socket.connectToServer(serverName, QIODevice::ReadWrite);
    if (!socket.waitForConnected(400))
        return false;
    socket.write(encodeHandOver(arguments));
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return true;
}

void serveHandOvers(QLocalServer *server, std::function<void(const QStringList &)> deliver)
{
    QObject::connect(server, &QLocalServer::newConnection, server, [server, deliver] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, [socket, deliver] {
                const QStringList list = decodeHandOver(socket->readAll());
                socket->deleteLater();
                deliver(list);
            });
        }
    });
}

QLocalServer *startInstanceServer(const QString &serverName, QObject *parent)
{
    QLocalServer::removeServer(serverName);
    auto *server = new QLocalServer(parent);
#ifndef Q_OS_WIN
    server->setSocketOptions(QLocalServer::UserAccessOption);
#endif
    server->listen(serverName);
    return server;
}
