#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>

class IcyWorker;

// A small internet-radio server on 127.0.0.1 for tests: it streams an MP3 in
// a loop at about its bit rate and, when the client asks for it with
// "Icy-MetaData: 1", announces "icy-metaint" and inserts ICY metadata blocks
// carrying StreamTitle. Runs on its own thread so that a test waiting on the
// player never starves it.
class IcyServer
{
public:
    // extraHeaders: further response header lines, each ending in "\r\n".
    explicit IcyServer(QByteArray mp3, QByteArray extraHeaders = {}, int metaInt = 4096,
                       int bytesPerSecond = 12000);
    ~IcyServer();

    bool start();
    QString url() const;
    void setTitle(const QString &title);
    QString title() const;
    // The request headers of the most recent client.
    QByteArray lastRequest() const;

private:
    friend class IcyWorker;
    QByteArray m_mp3;
    QByteArray m_extraHeaders;
    int m_metaInt;
    int m_bytesPerSecond;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QString m_title;
    QByteArray m_lastRequest;
    QThread m_thread;
    IcyWorker *m_worker = nullptr;
};
