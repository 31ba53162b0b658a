#include "playlists/ReplyLimits.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

void limitReply(QNetworkReply *reply, qint64 maxBytes, int deadlineMs)
{
    reply->setReadBufferSize(maxBytes + 1);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes] {
        bool known = false;
        const qint64 announced =
                reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > maxBytes)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes] {
        if (reply->bytesAvailable() > maxBytes)
            reply->abort();
    });
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, deadline, &QTimer::stop);
    deadline->start(deadlineMs);
}
