#include "MprisClient.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>

namespace MprisClient {

Run run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    process.start(program, args);
    if (process.waitForStarted(5000) && process.state() == QProcess::Running)
        loop.exec();
    Run result;
    result.finished =
            process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    if (!result.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    result.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return result;
}

QString playerName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.interface()->serviceOwner(BusPrefix + "zorviplayer").value() == bus.baseService())
        return QStringLiteral("zorviplayer");
    return QStringLiteral("zorviplayer.instance%1").arg(QCoreApplication::applicationPid());
}

Run playerctl(const QStringList &args)
{
    return run("playerctl", QStringList{"-p", playerName()} + args);
}

Run gdbusCall(const QString &method, const QStringList &args)
{
    return run("gdbus",
               QStringList{"call", "--session", "--dest", BusPrefix + playerName(), "--object-path",
                           "/org/mpris/MediaPlayer2", "--method", method} +
                       args);
}

Run getProperty(const QString &interface, const QString &name)
{
    return gdbusCall("org.freedesktop.DBus.Properties.Get", {interface, name});
}

Monitor::Monitor()
{
    m_process.start("gdbus", {"monitor", "--session", "--dest", BusPrefix + playerName()});
}

Monitor::~Monitor()
{
    m_process.kill();
    m_process.waitForFinished(2000);
}

bool Monitor::ready()
{
    // gdbus reports the name's owner once it watches it.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && !text().contains("owned by"))
        QTest::qWait(20);
    return text().contains("owned by");
}

QString Monitor::text()
{
    m_text += QString::fromUtf8(m_process.readAllStandardOutput());
    return m_text;
}

void Monitor::clear()
{
    text();
    m_text.clear();
}

} // namespace MprisClient
