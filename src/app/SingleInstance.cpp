#include "app/SingleInstance.h"

#include "app/AppSettings.h"

#include <QDebug>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifndef Q_OS_WIN
// A folder only this user can enter: a real folder (not a link), owned by the
// user, with no rights for anyone else.
bool isPrivateFolder(const QString &path)
{
    struct stat info;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The user's runtime folder when it is private, else a folder of the player's
// own inside the data folder, made private. Empty when neither can be had.
QString channelFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return runtime;
    const QString own = dataSubdir(QStringLiteral("run"));
    ::chmod(QFile::encodeName(own).constData(), 0700);
    if (isPrivateFolder(own))
        return own;
    qWarning().noquote() << "canal de instancia sem pasta privada:" << own;
    return {};
}
#endif

} // namespace

QString localServerName()
{
    QString user = qEnvironmentVariable("USERNAME");
    if (!qEnvironmentVariableIsSet("USERNAME"))
        user = qEnvironmentVariableIsSet("USER") ? qEnvironmentVariable("USER")
                                                 : QStringLiteral("user");
    return QStringLiteral("ZorviPlayer-%1").arg(user);
}

QString instanceChannelPath(const QString &serverName)
{
#ifdef Q_OS_WIN
    return serverName;
#else
    // Not the shared temporary folder, where another user could create the
    // channel first and receive every later start's arguments.
    const QString folder = channelFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + serverName;
#endif
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
    const QString path = instanceChannelPath(serverName);
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path, QIODevice::ReadWrite);
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
    auto *server = new QLocalServer(parent);
    const QString path = instanceChannelPath(serverName);
    if (path.isEmpty())
        return server;
    // Only a channel of this user's own can be left over in that folder.
    QLocalServer::removeServer(path);
#ifndef Q_OS_WIN
    server->setSocketOptions(QLocalServer::UserAccessOption);
#endif
    if (!server->listen(path))
        qWarning().noquote() << "canal de instancia nao abriu:" << path << server->errorString();
    return server;
}
