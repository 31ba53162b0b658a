#include "update/Updater.h"

#include "app/AppSettings.h"
#include "platform/UpdateInstall.h"
#include "update/UpdateManifest.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSettings>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>

namespace {

// The maker's server: manifest, product page and packages all live there.
const QString MakerHost = QStringLiteral("orvandel.com.br");

constexpr qint64 MaxManifestBytes = 1024 * 1024;
constexpr qint64 ReadBufferBytes = 256 * 1024;

const QString ReadyFileKey = QStringLiteral("updates/readyFile");
const QString ReadyVersionKey = QStringLiteral("updates/readyVersion");
const QString ReadySizeKey = QStringLiteral("updates/readySize");
const QString ReadyHashKey = QStringLiteral("updates/readyHash");
const QString LastAttemptKey = QStringLiteral("updates/lastAttempt");

bool autoUpdate()
{
    return settingValue(QStringLiteral("general/autoUpdate"), true).toBool();
}

// File names compare by letter case where the file system does.
constexpr Qt::CaseSensitivity PathCase =
#ifdef Q_OS_WIN
        Qt::CaseInsensitive;
#else
        Qt::CaseSensitive;
#endif

} // namespace

UpdateEndpoints::UpdateEndpoints()
    : manifestUrl(
              QStringLiteral("https://%1/downloads/apps/zorvi-player/update.json").arg(MakerHost))
    , productPage(QStringLiteral("https://%1/aplicacoes/zorvi-player/").arg(MakerHost))
{}

// One download: shared by the reply's handlers, released with the last one.
struct Updater::Transfer
{
    std::unique_ptr<QSaveFile> file;
    QCryptographicHash hash{QCryptographicHash::Sha256};
    qint64 received = 0;
    bool ok = true;
    qint64 expectedSize = 0;
    QByteArray expectedHash;
    QString version;
    int percent = -1;
};

Updater::Updater(QNetworkAccessManager *network, QObject *parent, UpdateEndpoints endpoints)
    : QObject(parent)
    , m_network(network ? network : new QNetworkAccessManager(this))
    , m_endpoints(std::move(endpoints))
{
    QSettings &settings = appSettings();
    m_candidate.file = settings.value(ReadyFileKey).toString();
    m_candidate.version = settings.value(ReadyVersionKey).toString();
    m_candidate.size = settings.value(ReadySizeKey).toLongLong();
    m_candidate.hash = settings.value(ReadyHashKey).toByteArray();

    connect(&m_verification, &QFutureWatcher<bool>::finished, this,
            [this] { startupVerified(m_verification.result()); });
    if (!m_candidate.file.isEmpty() && isInUpdatesDir(m_candidate.file) &&
        isNewer(m_candidate.version, currentVersion())) {
        // Hashing up to 512 MiB takes a while: not on the GUI thread.
        m_verifying = true;
        const Ready candidate = m_candidate;
        m_verification.setFuture(QtConcurrent::run([candidate] {
            return verifyFile(candidate.file, candidate.size, candidate.hash);
        }));
        return;
    }
    if (!m_candidate.file.isEmpty() || settings.childGroups().contains(QStringLiteral("updates")))
        forgetReady(true);
    m_candidate = {};
    removeStrayFiles();
}

Updater::~Updater() = default;

QString Updater::updatesDir()
{
    return dataSubdir(QStringLiteral("updates"));
}

bool Updater::isInUpdatesDir(const QString &path) const
{
    const QString dir = QDir::cleanPath(QDir::fromNativeSeparators(updatesDir()));
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    return clean.compare(dir, PathCase) == 0 || clean.startsWith(dir + QLatin1Char('/'), PathCase);
}

void Updater::startupVerified(bool ok)
{
    if (!m_verifying)
        return;
    m_verifying = false;
    if (ok) {
        m_ready = m_candidate;
        m_ready.file = QDir::cleanPath(m_ready.file);
        m_ready.hash = m_ready.hash.toLower();
    } else {
        qInfo() << "atualizacao guardada invalida";
        forgetReady(true);
    }
    m_candidate = {};
    removeStrayFiles();
    if (m_checkWaiting) {
        m_checkWaiting = false;
        check(m_checkWaitingManual);
    }
}

void Updater::forgetReady(bool deleteFile)
{
    const QString file = m_candidate.file.isEmpty() ? appSettings().value(ReadyFileKey).toString()
                                                    : m_candidate.file;
    // Only ever inside the updates folder, whatever the settings file says.
    if (deleteFile && !file.isEmpty() && isInUpdatesDir(file)) {
        const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(file));
        if (clean != QDir::cleanPath(updatesDir()))
            QFile::remove(clean);
    }
    m_ready = {};
    QSettings &settings = appSettings();
    settings.remove(QStringLiteral("updates"));
    settings.sync();
}

void Updater::removeStrayFiles()
{
    // Left by a download that was killed: never the waiting package, never
    // anything outside the folder (only its own entries are listed).
    const QDir dir(updatesDir());
    const QFileInfoList entries =
            dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString path = QDir::cleanPath(entry.absoluteFilePath());
        if (!m_ready.file.isEmpty() && path.compare(m_ready.file, PathCase) == 0)
            continue;
        if (QFile::remove(path))
            qInfo() << "atualizacao: sobra removida" << entry.fileName();
    }
}

void Updater::check(bool manual)
{
    if (m_checkReply || m_downloadReply)
        return;
    if (m_verifying) {
        m_checkWaiting = true;
        m_checkWaitingManual = m_checkWaitingManual || manual;
        return;
    }
    m_checkWaitingManual = false;
    if (!m_ready.file.isEmpty()) {
        Q_EMIT updateReady(m_ready.version);
        return;
    }
    QNetworkRequest request(m_endpoints.manifestUrl);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("ZorviPlayer/%1").arg(currentVersion()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(m_endpoints.checkTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    m_checkReply = reply;
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > MaxManifestBytes)
            reply->abort();
    });
    // The transfer timeout only notices silence; a trickle would hold the
    // check, and with it every later one, for good.
    QTimer::singleShot(m_endpoints.checkDeadlineMs, reply, [reply] {
        qInfo() << "atualizacao: manifesto demorou demais";
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, manual] { checkFinished(reply, manual); });
}

void Updater::checkFinished(QNetworkReply *reply, bool manual)
{
    m_checkReply = nullptr;
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        qInfo() << "atualizacao: manifesto falhou" << reply->error();
        if (manual)
            Q_EMIT failed(reply->errorString());
        return;
    }
    const QByteArray body = reply->read(MaxManifestBytes + 1);
    const UpdateManifest manifest =
            body.size() > MaxManifestBytes ? UpdateManifest() : parseManifest(body);
    if (!manifest.valid) {
        qInfo() << "atualizacao: manifesto invalido";
        if (manual)
            Q_EMIT failed(uiText(QStringLiteral("Invalid update manifest"),
                                 QStringLiteral("Manifesto de atualização inválido")));
        return;
    }
    if (!isNewer(manifest.version, currentVersion())) {
        if (manual)
            Q_EMIT upToDate();
        return;
    }
    Q_EMIT updateAvailable(manifest.version, manifest.notes, m_endpoints.productPage.toString());
    // Without a program file to replace, the offer is all there is.
    if (!autoUpdate() || !UpdateInstall::canInstall())
        return;
    if (!isValidPackage(manifest.package, manifest.version, m_endpoints.manifestUrl)) {
        qWarning() << "atualizacao: pacote invalido";
        Q_EMIT failed(uiText(QStringLiteral("Invalid update package"),
                             QStringLiteral("Pacote de atualização inválido")));
        return;
    }
    download(manifest.package, manifest.version);
}

void Updater::download(const QJsonObject &package, const QString &version)
{
    auto transfer = std::make_shared<Transfer>();
    transfer->version = version;
    transfer->expectedSize = package.value(QStringLiteral("size")).toInteger();
    transfer->expectedHash =
            package.value(QStringLiteral("sha256")).toString().toLatin1().toLower();
    const QString target =
            updatesDir() + QLatin1Char('/') + UpdateInstall::packageFileName(version);
    transfer->file = std::make_unique<QSaveFile>(target);
    // Unbuffered, so that a full disk shows at the write that fails.
    if (!transfer->file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        Q_EMIT failed(transfer->file->errorString());
        return;
    }

    QNetworkRequest request(installerUrl(package, m_endpoints.manifestUrl));
    // Every hop must pass the same rules as the listed URL.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(m_endpoints.downloadTimeoutMs);
    request.setPriority(QNetworkRequest::LowPriority);
    QNetworkReply *reply = m_network->get(request);
    reply->setReadBufferSize(ReadBufferBytes);
    m_downloadReply = reply;
    qInfo() << "atualizacao: baixando" << version;

    const QUrl manifestUrl = m_endpoints.manifestUrl;
    connect(reply, &QNetworkReply::redirected, this,
            [this, reply, transfer, manifestUrl](const QUrl &to) {
                if (transfer->ok && isValidPackageUrl(reply->url().resolved(to), manifestUrl)) {
                    Q_EMIT reply->redirectAllowed();
                    return;
                }
                qWarning() << "atualizacao: redirecionamento recusado";
                // A reply aborted while it waits for a redirect decision
                // does not always finish: end the download here.
                transfer->ok = false;
                disconnect(reply, nullptr, this, nullptr);
                reply->abort();
                downloadFinished(*transfer, reply);
            });
    connect(reply, &QNetworkReply::readyRead, this,
            [this, reply, transfer] { consume(*transfer, reply); });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, transfer](qint64 received, qint64) {
                // Against the listed size, whatever the server claims.
                const qint64 percent =
                        std::clamp<qint64>(received * 100 / transfer->expectedSize, 0, 100);
                if (percent != transfer->percent) {
                    transfer->percent = int(percent);
                    Q_EMIT downloadProgress(int(percent));
                }
            });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, transfer] { downloadFinished(*transfer, reply); });
}

void Updater::consume(Transfer &transfer, QNetworkReply *reply)
{
    while (reply->bytesAvailable() > 0) {
        const QByteArray data = reply->read(ReadBufferBytes);
        if (data.isEmpty() || !transfer.ok)
            return;
        transfer.received += data.size();
        if (transfer.received > transfer.expectedSize ||
            transfer.file->write(data) != data.size()) {
            transfer.ok = false;
            reply->abort();
            return;
        }
        transfer.hash.addData(data);
    }
}

void Updater::downloadFinished(Transfer &transfer, QNetworkReply *reply)
{
    if (transfer.ok)
        consume(transfer, reply);
    m_downloadReply = nullptr;
    reply->deleteLater();
    const bool good = transfer.ok && reply->error() == QNetworkReply::NoError &&
                      transfer.received == transfer.expectedSize &&
                      transfer.hash.result().toHex() == transfer.expectedHash;
    if (!good) {
        qWarning() << "atualizacao: download incompleto" << reply->error() << transfer.received;
        // Dropping the save file removes its temporary file; an earlier file
        // at the target stays as it was.
        transfer.file.reset();
        Q_EMIT failed(uiText(
                QStringLiteral("Incomplete download or integrity check failed; try again"),
                QStringLiteral("Download incompleto ou integridade inválida; tente novamente")));
        return;
    }
    const QString target = transfer.file->fileName();
    if (!transfer.file->commit()) {
        const QString error = transfer.file->errorString();
        transfer.file.reset();
        Q_EMIT failed(error);
        return;
    }
    transfer.file.reset();
    m_ready = {QDir::cleanPath(target), transfer.version, transfer.expectedSize,
               transfer.expectedHash};
    QSettings &settings = appSettings();
    settings.setValue(ReadyFileKey, m_ready.file);
    settings.setValue(ReadyVersionKey, m_ready.version);
    settings.setValue(ReadySizeKey, m_ready.size);
    settings.setValue(ReadyHashKey, m_ready.hash);
    settings.sync();
    qInfo() << "atualizacao pronta" << m_ready.version;
    Q_EMIT updateReady(m_ready.version);
}

bool Updater::verifyFile(const QString &path, qint64 size, const QByteArray &hash)
{
    if (size < 1 || hash.size() != 64 || QFileInfo(path).size() != size)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash digest(QCryptographicHash::Sha256);
    if (!digest.addData(&file) || file.size() != size)
        return false;
    return digest.result().toHex() == hash.toLower();
}

bool Updater::canAutoInstall() const
{
    return !m_ready.file.isEmpty() &&
           appSettings().value(LastAttemptKey).toString() != m_ready.version &&
           UpdateInstall::canInstall();
}

bool Updater::install(bool autoRestart)
{
    if (m_verifying) {
        // Closing before the start-up check ended: finish it here.
        m_verification.waitForFinished();
        startupVerified(m_verification.result());
    }
    if (m_ready.file.isEmpty())
        return false;
    if (!autoRestart && !autoUpdate())
        return false;
    if (!UpdateInstall::canInstall())
        return false;
    if (!verifyFile(m_ready.file, m_ready.size, m_ready.hash)) {
        Q_EMIT failed(
                uiText(QStringLiteral("Installer integrity check failed"),
                       QStringLiteral("Instalador não passou na verificação de integridade")));
        return false;
    }
    if (!UpdateInstall::install(m_ready.file, m_ready.size, m_ready.hash, autoRestart)) {
        Q_EMIT failed(uiText(QStringLiteral("Could not start installer"),
                             QStringLiteral("Não foi possível iniciar o instalador")));
        return false;
    }
    QSettings &settings = appSettings();
    settings.setValue(LastAttemptKey, m_ready.version);
    settings.sync();
    return true;
}
