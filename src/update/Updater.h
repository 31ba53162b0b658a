#pragma once

#include <QByteArray>
#include <QFutureWatcher>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QJsonObject;
class QNetworkAccessManager;

// Where the updater looks and how long it waits. Everything lives on the
// maker's server; tests point the manifest at a local one.
struct UpdateEndpoints
{
    UpdateEndpoints();

    QUrl manifestUrl;
    QUrl productPage;
    int checkTimeoutMs = 10000;    // manifest: longest silence
    int checkDeadlineMs = 30000;   // manifest: whole request, so a trickle cannot hold it
    int downloadTimeoutMs = 30000; // package: longest silence
};

// Keeps the program up to date: reads the manifest, downloads the package
// while hashing it, keeps the verified package in the updates folder and
// installs it when asked (at exit, or earlier when the player is idle).
class Updater : public QObject
{
    Q_OBJECT

public:
    // Without a network manager the updater makes its own. A package left
    // from an earlier run is verified in the background; a check asked for
    // meanwhile runs once that is done.
    explicit Updater(QNetworkAccessManager *network = nullptr, QObject *parent = nullptr,
                     UpdateEndpoints endpoints = UpdateEndpoints());
    ~Updater() override;

    void check(bool manual);
    // A verified package waits and was not started yet.
    bool canAutoInstall() const;
    // Installs the waiting package; true when it was installed (or started).
    bool install(bool autoRestart);

    QString readyFile() const { return m_ready.file; }
    QString readyVersion() const { return m_ready.version; }
    // The start-up verification of a waiting package is still running.
    bool isVerifying() const { return m_verifying; }
    // A manifest request or a download is under way.
    bool isBusy() const { return m_checkReply || m_downloadReply; }

    static bool verifyFile(const QString &path, qint64 size, const QByteArray &hash);
    static QString updatesDir();

Q_SIGNALS:
    void updateAvailable(const QString &version, const QString &notes, const QString &url);
    void downloadProgress(int percent);
    void updateReady(const QString &version);
    void upToDate();
    void failed(const QString &error);

private:
    struct Ready
    {
        QString file;
        QString version;
        qint64 size = 0;
        QByteArray hash;
    };
    struct Transfer;

    void startupVerified(bool ok);
    void forgetReady(bool deleteFile);
    void removeStrayFiles();
    bool isInUpdatesDir(const QString &path) const;
    void checkFinished(QNetworkReply *reply, bool manual);
    void download(const QJsonObject &package, const QString &version);
    void consume(Transfer &transfer, QNetworkReply *reply);
    void downloadFinished(Transfer &transfer, QNetworkReply *reply);

    QNetworkAccessManager *m_network;
    UpdateEndpoints m_endpoints;
    QPointer<QNetworkReply> m_checkReply;
    QPointer<QNetworkReply> m_downloadReply;
    Ready m_ready;
    Ready m_candidate; // read at start, under verification
    QFutureWatcher<bool> m_verification;
    bool m_verifying = false;
    bool m_checkWaiting = false;
    bool m_checkWaitingManual = false;
};
