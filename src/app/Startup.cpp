#include "app/Startup.h"

#include "app/AppSettings.h"
#include "app/CommandLine.h"
#include "app/Logging.h"
#include "app/Preferences.h"
#include "app/SingleInstance.h"
#include "app/ToolkitTranslation.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "harness/HarnessScreenshots.h"
#include "harness/HarnessSelfTest.h"
#include "harness/HarnessUiAudit.h"
#include "library/Database.h"
#include "platform/ProcessMemory.h"
#include "platform/QuitOnSignal.h"
#include "playlists/DirectoryConfig.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QSurfaceFormat>
#include <QTcpServer>
#include <QTimer>
#include <QWidget>

#include <clocale>
#include <memory>

namespace {

void prepareSurfaceFormat()
{
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(1);
    const QByteArray gl = qgetenv("ZORVIPLAYER_GL");
    if (gl == "core33") {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
    } else if (gl == "compat") {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(4, 5);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
    }
    QSurfaceFormat::setDefaultFormat(format);
}

// A start-up and memory record for users' reports: when the window came up,
// when the engine was ready, and the memory held then.
void recordStartup(QObject *window, PlayerCore *player, const QElapsedTimer &sinceStart)
{
    QTimer::singleShot(0, window, [sinceStart] {
        qDebug().noquote() << QStringLiteral("janela mostrada em %1 ms, memoria %2 MB")
                                      .arg(sinceStart.elapsed())
                                      .arg(residentMegabytes(), 0, 'f', 1);
    });
    auto engineReady = [sinceStart] {
        qDebug().noquote() << QStringLiteral("motor pronto em %1 ms").arg(sinceStart.elapsed());
    };
    if (player->isEngineReady())
        engineReady();
    else
        QObject::connect(player, &PlayerCore::engineReady, window, engineReady,
                         Qt::SingleShotConnection);
}

bool isHarnessSwitch(const QString &arg)
{
    return arg == QLatin1String("--selftest") || arg == QLatin1String("--screenshots") ||
           arg == QLatin1String("--ui-audit");
}

// The unattended routines never reach the public radio directory: every
// mirror points at a local port that was free a moment ago, so a search fails
// at once with "connection refused".
void useOfflineDirectory()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    DirectoryConfig config = DirectoryConfig::standard();
    for (QString &mirror : config.mirrors)
        mirror = QStringLiteral("https://127.0.0.1:%1").arg(port);
    DirectoryConfig::useForProcess(config);
}

void prepareHarness(const QString &mode, const QStringList &args)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(
            QStringLiteral("ZorviPlayer-Test-%1").arg(QCoreApplication::applicationPid()));
    const QString third = args.value(2);
    QSettings &settings = appSettings();
    if (mode == QLatin1String("--screenshots")) {
        settings.setValue(QStringLiteral("library/audio"), QStringList{third + "/Musicas"});
        settings.setValue(QStringLiteral("library/video"), QStringList{third + "/Videos"});
    } else {
        const QString folder = QFileInfo(third).absolutePath();
        settings.setValue(QStringLiteral("library/audio"), QStringList{folder});
        settings.setValue(QStringLiteral("library/video"), QStringList{folder});
    }
    setSettingValue(QStringLiteral("general/checkUpdates"), false);
    useOfflineDirectory();
    // The data folder of a harness run is new each time; this is the only way
    // to run the routines against the English interface.
    const QString language = qEnvironmentVariable("ZORVIPLAYER_HARNESS_LANGUAGE");
    if (language == QLatin1String("en") || language == QLatin1String("pt"))
        settings.setValue(QStringLiteral("ui/language"), language);
}

QString databaseFailureText()
{
    return uiText(QStringLiteral("Could not open the library database. History will not be saved."),
                  QStringLiteral("Não foi possível abrir o banco da biblioteca. O histórico não "
                                 "será salvo."));
}

QString engineFailureText()
{
    return uiText(
            QStringLiteral("The playback engine (libmpv) was not found or failed to start.\n\n"
                           "Please reinstall Zorvi Player.\n\nDetails: "),
            QStringLiteral("O motor de reprodução (libmpv) não foi encontrado ou não "
                           "iniciou.\n\nReinstale o Zorvi Player pelo site "
                           "https://orvandel.com.br/aplicacoes/zorvi-player.\n\nDetalhe: "));
}

} // namespace

void showStartupBox(QMessageBox::Icon icon, const QString &text)
{
    // Unattended runs (CI, kiosks) set ZORVIPLAYER_NO_DIALOGS so that start-up
    // never waits for a click; the text still reaches the log.
    if (qEnvironmentVariableIsSet("ZORVIPLAYER_NO_DIALOGS")) {
        qInfo().noquote() << "caixa de mensagem:" << text;
        return;
    }
    QMessageBox box(icon, QStringLiteral("Zorvi Player"), text, QMessageBox::Ok);
    box.exec();
}

int runPlayer(int argc, char **argv)
{
    // Before the application object: it needs a display, these two do not.
    if (answerInformationSwitches(argc, argv))
        return 0;
    QElapsedTimer sinceStart;
    sinceStart.start();

    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    prepareSurfaceFormat();

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer"));
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Zorvi Player"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVI_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvi-player"));
    std::setlocale(LC_NUMERIC, "C");

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    const QString mode = args.value(0);
    const bool harness = isHarnessSwitch(mode);
    if (harness)
        prepareHarness(mode, args);
    else if (handOverToRunningInstance(localServerName(), args))
        return 0;

    // From here on a termination request ends the run cleanly, even one that
    // arrives before the window is up: the event loop picks it up once it runs.
    quitOnTerminationSignals();
    installFileLog();
    qInfo().noquote() << "Zorvi Player" << ZORVI_VERSION << "iniciando, Qt" << qVersion();

    applyLanguageSetting(Preferences::language());
    installToolkitTranslation(app);

    applyTheme(app);
    QApplication::setWindowIcon(appIcon());

    // The player still runs without a working database; only the history and
    // library are lost.
    if (!Database::instance()->open())
        showStartupBox(QMessageBox::Warning, databaseFailureText());

    auto player = std::make_unique<PlayerCore>();
    QString engineError;
    if (!player->start(engineError)) {
        qCritical().noquote() << "motor de video nao iniciou:" << engineError;
        showStartupBox(QMessageBox::Critical, engineFailureText() + engineError);
        player.reset();
        return 1;
    }
    qInfo().noquote() << "libmpv carregada de" << mpvApi().loadedFrom << "api"
                      << QString::number(mpvApi().mpv_client_api_version(), 16);

    // Listening before the window is built closes the gap in which a second
    // start would find no instance and run as a second player; its list waits
    // in the socket until the event loop delivers it to the window.
    QString serverName = localServerName();
    if (harness)
        serverName += QStringLiteral("-test-%1").arg(QCoreApplication::applicationPid());
    std::unique_ptr<QLocalServer> server(startInstanceServer(serverName));

    auto window = std::make_unique<MainWindow>(player.get());
    QPointer<MainWindow> windowGuard = window.get();
    serveHandOvers(server.get(), [windowGuard](const QStringList &list) {
        qInfo() << "argumentos recebidos:" << list;
        if (windowGuard)
            windowGuard->openArguments(list, true);
    });

    window->show();
    recordStartup(window.get(), player.get(), sinceStart);

    // The unattended routines start once the event loop runs and end it
    // themselves with their result.
    if (mode == QLatin1String("--ui-audit")) {
        HarnessUiAudit::start(window.get(), player.get(), args.value(1), args.value(2));
    } else if (mode == QLatin1String("--screenshots")) {
        HarnessScreenshots::start(window.get(), player.get(), args.value(1), args.value(2));
    } else if (mode == QLatin1String("--selftest")) {
        HarnessSelfTest::start(window.get(), player.get(), args.value(1), args.mid(2));
    } else if (!args.isEmpty()) {
        QTimer::singleShot(200, window.get(), [windowGuard, args] {
            if (windowGuard)
                windowGuard->openArguments(args, false);
        });
    }

    const int result = app.exec();
    qInfo() << "encerrado";
    // The video surface inside the window must go before the engine does.
    server.reset();
    window.reset();
    player.reset();
    return result;
}
