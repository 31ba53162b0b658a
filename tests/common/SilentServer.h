#pragma once

#include <QList>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A TCP server on 127.0.0.1 that accepts every connection, reads what it is
// sent and never answers: a network source that stalls forever. It counts the
// connections, so a test can also tell whether anything reached out to it.
// Lives on the thread that creates it; the test's waits drive it.
class SilentServer : public QObject
{
public:
    SilentServer();
    bool start();
    // http://127.0.0.1:<port>/<name>
    QString url(const QString &name) const;
    int connections() const { return m_connections; }

private:
    QTcpServer m_server;
    QList<QTcpSocket *> m_sockets;
    int m_connections = 0;
};
