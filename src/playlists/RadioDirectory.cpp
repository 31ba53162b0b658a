#include "playlists/RadioDirectory.h"

#include "app/Version.h"
#include "playlists/RadioSearch.h"
#include "playlists/ReplyLimits.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtDebug>

RadioDirectory::RadioDirectory(QNetworkAccessManager *network, const DirectoryConfig &config,
                               QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_config(config)
{}

void RadioDirectory::searchDirectory(const QString &text, const QString &countryCode)
{
    m_text = text;
    m_countryCode = countryCode;
    m_failures = 0;
    m_searching = true;
    sendRequest();
}

void RadioDirectory::sendRequest()
{
    const qint64 serial = ++m_searchSerial;
    if (m_config.mirrors.isEmpty()) {
        m_searching = false;
        Q_EMIT searchFailed();
        return;
    }
    const qsizetype count = m_config.mirrors.size();
    const QString base = m_config.mirrors.at(((m_mirrorIndex % count) + count) % count);
    QNetworkRequest request(directorySearchUrl(base, m_text, m_countryCode));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("ZorviPlayer/%1").arg(QStringLiteral(ZORVI_VERSION)));
    request.setTransferTimeout(m_config.searchTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    limitReply(reply, m_config.searchReplyLimitBytes, m_config.searchDeadlineMs);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, serial] { handleSearchReply(reply, serial); });
}

void RadioDirectory::handleSearchReply(QNetworkReply *reply, qint64 serial)
{
    reply->deleteLater();
    if (serial != m_searchSerial)
        return;
    bool isArray = false;
    QList<StationRecord> records;
    if (reply->error() == QNetworkReply::NoError)
        records = parseDirectoryReply(reply->readAll(), &isArray);
    if (!isArray) {
        qInfo().noquote() << "diretorio de radios falhou:" << reply->url().host()
                          << reply->errorString();
        ++m_mirrorIndex;
        // Each mirror once per search; the rotation goes on from here.
        if (++m_failures < m_config.mirrors.size()) {
            sendRequest();
            return;
        }
        m_searching = false;
        Q_EMIT searchFailed();
        return;
    }
    m_searching = false;
    Q_EMIT searchFinished(records);
}
