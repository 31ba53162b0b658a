// Drives the thumbnailer in a process of its own, for what only shows at
// process level: start-up without an engine, and the teardown at quit.
//   thumbnailer_child off <video>       requests with the engine switched off
//   thumbnailer_child teardown <video>  thumbnails and previews, then quits
// Prints one line of counts on standard output and every log message, marked
// "log: ", on standard error.
#include "app/AppSettings.h"
#include "library/Thumbnailer.h"

#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

// Every message of the program, marked, apart from what libraries print.
void logLine(QtMsgType, const QMessageLogContext &, const QString &message)
{
    std::fprintf(stderr, "log: %s\n", qPrintable(message));
}

int main(int argc, char **argv)
{
    qInstallMessageHandler(&logLine);
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_thumbnailer_child"));
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString mode = args.at(1);
    const QString video = args.at(2);

    Thumbnailer *thumbnailer = Thumbnailer::instance();
    int readyNull = 0;
    int readyImage = 0;
    int previews = 0;
    QObject::connect(thumbnailer, &Thumbnailer::ready, &app,
                     [&](const QString &, const QImage &image, double) {
                         ++(image.isNull() ? readyNull : readyImage);
                         if (mode == QLatin1String("teardown") && readyNull + readyImage == 2 &&
                             previews > 0)
                             QCoreApplication::quit();
                     });
    QObject::connect(thumbnailer, &Thumbnailer::previewReady, &app, [&] { ++previews; });

    int status = 0;
    if (mode == QLatin1String("off")) {
        thumbnailer->requestPreview(video, 1.0);
        thumbnailer->requestThumbnail(video, -0.15, 384, QStringLiteral("k1"));
        thumbnailer->requestThumbnail(video, 1.0, 384, QStringLiteral("k2"));
        thumbnailer->requestPreview(video, 2.0);
        // Whatever could still be posted runs now.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    } else {
        thumbnailer->requestThumbnail(video, -0.15, 384, QStringLiteral("k1"));
        thumbnailer->requestPreview(video, 2.0);
        thumbnailer->requestPreview(video, 4.0);
        thumbnailer->requestThumbnail(video, 3.0, 320, QStringLiteral("k2"));
        QTimer::singleShot(60000, &app, [] { std::exit(3); });
        status = app.exec();
    }
    const QDir thumbs(dataDir() + QStringLiteral("/thumbs"));
    const qsizetype files = thumbs.exists() ? thumbs.entryList(QDir::Files).size() : 0;
    std::printf("ready-null=%d ready-image=%d previews=%d engine=%d files=%d\n", readyNull,
                readyImage, previews, thumbnailer->hasEngine() ? 1 : 0, int(files));
    return status;
}
