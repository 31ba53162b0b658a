// A separate process that runs one automatic update check with the given
// manifest URL and CA file, and prints what the updater reports. With a
// byte limit it runs under RLIMIT_FSIZE with SIGXFSZ ignored, so a write
// past the limit fails like a full disk.
//   updater_child <application name> <manifest url> <ca file> [byte limit]
#include "update/Updater.h"

#include <QCoreApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    if (argc > 4) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = rlim_t(std::strtoull(argv[4], nullptr, 10));
        const rlimit value{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &value) != 0)
            return 3;
    }
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(QString::fromLocal8Bit(argv[1]));
    QFile ca(QString::fromLocal8Bit(argv[3]));
    if (!ca.open(QIODevice::ReadOnly))
        return 4;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QSslCertificate::fromData(ca.readAll()));
    QSslConfiguration::setDefaultConfiguration(configuration);

    UpdateEndpoints endpoints;
    endpoints.manifestUrl = QUrl(QString::fromLocal8Bit(argv[2]));
    Updater updater(nullptr, nullptr, endpoints);
    QObject::connect(&updater, &Updater::failed, &app, [](const QString &error) {
        std::printf("failed %s\n", qPrintable(error));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    QObject::connect(&updater, &Updater::updateReady, &app, [](const QString &version) {
        std::printf("ready %s\n", qPrintable(version));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    updater.check(false);
    return QCoreApplication::exec();
}
