#include "app/Logging.h"

#include "app/AppSettings.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

namespace {

QMutex logMutex;
QFile *logFile = nullptr;

} // namespace

const char *logLevelWord(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "DEBUG";
    case QtWarningMsg:
        return "AVISO";
    case QtCriticalMsg:
        return "ERRO";
    case QtFatalMsg:
        return "FATAL";
    default:
        return "INFO";
    }
}

bool openLogIn(const QString &logDir)
{
    const QString current = logDir + QStringLiteral("/zorvi-player.log");
    const QString previous = logDir + QStringLiteral("/zorvi-player.old.log");
    QFileInfo info(current);
    if (info.exists() && info.size() > LogRotateBytes) {
        QFile::remove(previous);
        QFile::rename(current, previous);
    }
    auto *file = new QFile(current);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        delete file;
        return false;
    }
    QMutexLocker lock(&logMutex);
    delete logFile;
    logFile = file;
    return true;
}

void installFileLog()
{
    if (openLogIn(dataSubdir(QStringLiteral("logs"))))
        qInstallMessageHandler(logMessageHandler);
}

void logMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&logMutex);
    if (!logFile)
        return;
    QTextStream out(logFile);
    out.setEncoding(QStringConverter::Utf8);
    out << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) << " ["
        << logLevelWord(type) << "] " << message << '\n';
    out.flush();
    logFile->flush();
}
