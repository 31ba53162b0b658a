#pragma once

#include "library/Records.h"
#include "playlists/DirectoryConfig.h"

#include <QList>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// The client of the radio directory: one search at a time is current, tried
// on each mirror at most once, starting where the last success left off.
class RadioDirectory : public QObject
{
    Q_OBJECT

public:
    RadioDirectory(QNetworkAccessManager *network, const DirectoryConfig &config,
                   QObject *parent = nullptr);

    // Starts a new search; a reply of an earlier one is ignored when it comes.
    void searchDirectory(const QString &text, const QString &countryCode);

    // The mirror to ask is mirrorIndex modulo the number of mirrors.
    int mirrorIndex() const { return m_mirrorIndex; }
    // Counts the requests sent; only the reply of the latest one is used.
    qint64 searchSerial() const { return m_searchSerial; }
    bool isSearching() const { return m_searching; }

Q_SIGNALS:
    void searchFinished(const QList<StationRecord> &records);
    // Every mirror failed once in this search.
    void searchFailed();

private:
    void sendRequest();
    void handleSearchReply(QNetworkReply *reply, qint64 serial);

    QNetworkAccessManager *m_network;
    DirectoryConfig m_config;
    int m_mirrorIndex = 0;
    qint64 m_searchSerial = 0;
    int m_failures = 0; // in the current search
    bool m_searching = false;
    QString m_text;
    QString m_countryCode;
};
