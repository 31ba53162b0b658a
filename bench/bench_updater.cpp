// The updater's download and verification against curl + sha256sum, in one
// run on one local HTTPS server (its own thread in this process; its copy of
// the package is allocated before any figure is taken).
//   bench_updater [MiB]   (default 256)
// Prints wall times, the ratios, the peak RSS growth during the download
// and the longest GUI-thread stall during the download and during the
// start-up verification of the downloaded package.
#include "LocalHttpServer.h"
#include "StallProbe.h"
#include "TestCa.h"
#include "app/AppSettings.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// VmRSS or VmHWM of this process, in KiB.
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

double runMs(const QString &program, const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 256;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer-bench-updater"));
    // Downloads only happen for a program that can replace itself.
    const QString appImage = home.filePath(QStringLiteral("Zorvi.AppImage"));
    QFile(appImage).open(QIODevice::WriteOnly);
    qputenv("APPIMAGE", appImage.toUtf8());

    TestCa ca;
    if (!ca.create())
        return 1;
    ca.trustInThisProcess();
    QByteArray package(mib << 20, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(package.data()), package.size() / 4);
    const QByteArray hash = QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex();
    LocalHttpServer server;
    server.setTls(ca.localhost().certificate, ca.localhost().key);
    if (!server.start())
        return 1;
    const QString packagePath =
            QStringLiteral("/downloads/apps/zorvi-player/Zorvi-Player-9.0.0.AppImage");
    server.setReply(packagePath, HttpReply::ok(package));
    const QJsonObject root{{"app", "zorvi-player"},
                           {"version", "9.0.0"},
                           {"linux", QJsonObject{{"releaseUrl", "Zorvi-Player-9.0.0.AppImage"},
                                                 {"size", qint64(package.size())},
                                                 {"sha256", QString::fromLatin1(hash)}}}};
    const QString manifestPath = QStringLiteral("/downloads/apps/zorvi-player/update.json");
    server.setReply(manifestPath, HttpReply::ok(QJsonDocument(root).toJson()));
    UpdateEndpoints endpoints;
    endpoints.manifestUrl = QUrl(server.url(manifestPath, QStringLiteral("localhost")));

    // Ours: manifest, download, hash, commit.
    StallProbe probe;
    const qint64 rssBefore = statusKiB("VmRSS:");
    double oursMs = -1;
    double downloadStallMs = -1;
    QString readyFile;
    {
        Updater updater(nullptr, nullptr, endpoints);
        waitFor([&] { return !updater.isVerifying(); }, 10000);
        bool ready = false;
        QObject::connect(&updater, &Updater::updateReady, [&] { ready = true; });
        QObject::connect(&updater, &Updater::failed, [](const QString &error) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(error));
        });
        probe.start();
        QElapsedTimer clock;
        clock.start();
        updater.check(false);
        if (!waitFor([&] { return ready || !updater.isBusy(); }, 600000) || !ready)
            return 2;
        oursMs = clock.nsecsElapsed() / 1e6;
        probe.stop();
        downloadStallMs = probe.longestStallMs();
        readyFile = updater.readyFile();
    }
    const qint64 rssGrowthKiB = statusKiB("VmHWM:") - rssBefore;

    // Start-up verification of that package.
    probe.start();
    QElapsedTimer verifyClock;
    verifyClock.start();
    {
        Updater updater(nullptr, nullptr, endpoints);
        waitFor([&] { return !updater.isVerifying(); }, 600000);
    }
    const double startupMs = verifyClock.nsecsElapsed() / 1e6;
    probe.stop();
    const double startupStallMs = probe.longestStallMs();

    // curl writing the file, then sha256sum of it.
    const QString curlFile = home.filePath(QStringLiteral("curl.bin"));
    const double curlMs =
            runMs(QStringLiteral("curl"), {"-sS", "--cacert", ca.authorityPath(), "-o", curlFile,
                                           server.url(packagePath, QStringLiteral("localhost"))});
    const double sumMs = runMs(QStringLiteral("sha256sum"), {curlFile});

    QElapsedTimer clock;
    clock.start();
    const bool verified = Updater::verifyFile(readyFile, package.size(), hash);
    const double verifyMs = clock.nsecsElapsed() / 1e6;
    const double sumOnlyMs = runMs(QStringLiteral("sha256sum"), {readyFile});

    std::printf("package %lld MiB\n", mib);
    std::printf("download+verify: ours %.0f ms, curl+sha256sum %.0f ms (%.0f + %.0f), ratio %.2f\n",
                oursMs, curlMs + sumMs, curlMs, sumMs, oursMs / (curlMs + sumMs));
    std::printf("peak RSS growth during download: %.1f MiB\n", rssGrowthKiB / 1024.0);
    std::printf("verifyFile: %.0f ms (%s), sha256sum %.0f ms, ratio %.2f\n", verifyMs,
                verified ? "ok" : "FAILED", sumOnlyMs, verifyMs / sumOnlyMs);
    std::printf("longest GUI stall: download %.1f ms, start-up verification %.1f ms (%.0f ms)\n",
                downloadStallMs, startupStallMs, startupMs);
    return verified ? 0 : 3;
}
