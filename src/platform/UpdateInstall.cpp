#include "platform/UpdateInstall.h"

#include "app/AppSettings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace UpdateInstall {

#ifdef Q_OS_WIN

QString platformKey()
{
    return QStringLiteral("windows");
}

QString packageSuffix()
{
    return QStringLiteral(".exe");
}

QString packageFileName(const QString &version)
{
    return QStringLiteral("Zorvi-Player-Setup-") + version + packageSuffix();
}

bool canInstall()
{
    return true;
}

bool install(const QString &file, qint64 size, const QByteArray &sha256Hex, bool autoRestart)
{
    Q_UNUSED(size);
    Q_UNUSED(sha256Hex);
    const QString logPath =
            dataSubdir(QStringLiteral("logs")) + QStringLiteral("/update-install.log");
    return QProcess::startDetached(
            file, windowsArguments(QCoreApplication::applicationDirPath(), logPath, autoRestart));
}

#else

namespace {

constexpr qint64 CopyBufferBytes = 256 * 1024;

// The running AppImage, empty when the program does not run from one that
// it may replace.
QString appImagePath()
{
    const QString path = qEnvironmentVariable("APPIMAGE");
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink())
        return {};
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    if (::access(folder.constData(), W_OK) != 0)
        return {};
    return info.absoluteFilePath();
}

// Copies source into the open destination, hashing what is written.
bool copyHashed(QFile &source, QFile &destination, qint64 *written, QCryptographicHash *hash)
{
    QByteArray buffer(CopyBufferBytes, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(buffer.data(), buffer.size());
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (destination.write(buffer.constData(), got) != got)
            return false;
        hash->addData(QByteArrayView(buffer.constData(), got));
        *written += got;
    }
}

} // namespace

QString platformKey()
{
    return QStringLiteral("linux");
}

QString packageSuffix()
{
    return QStringLiteral(".AppImage");
}

QString packageFileName(const QString &version)
{
    return QStringLiteral("Zorvi-Player-") + version + packageSuffix();
}

bool canInstall()
{
    return !appImagePath().isEmpty();
}

bool install(const QString &file, qint64 size, const QByteArray &sha256Hex, bool autoRestart)
{
    const QString target = appImagePath();
    if (target.isEmpty())
        return false;
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        qWarning() << "atualizacao nao abriu" << file;
        return false;
    }
    // Beside the target, so that the rename is atomic and never crosses file
    // systems; removed on every failure.
    QByteArray staged = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkstemp(staged.data());
    if (fd < 0) {
        qWarning() << "atualizacao sem arquivo temporario";
        return false;
    }
    auto removeStaged = qScopeGuard([&staged] { ::unlink(staged.constData()); });
    QFile out;
    if (!out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    qint64 written = 0;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!copyHashed(source, out, &written, &hash) || !out.flush()) {
        qWarning() << "atualizacao nao copiou" << out.errorString();
        return false;
    }
    if (written != size || hash.result().toHex() != sha256Hex.toLower()) {
        qWarning() << "atualizacao mudou durante a copia";
        return false;
    }
    if (::fsync(out.handle()) != 0 || ::fchmod(out.handle(), 0755) != 0) {
        qWarning() << "atualizacao nao gravou no disco";
        return false;
    }
    // Still open for writing, the new program could not be started.
    out.close();
    if (std::rename(staged.constData(), QFile::encodeName(target).constData()) != 0) {
        qWarning() << "atualizacao nao substituiu o programa";
        return false;
    }
    removeStaged.dismiss();
    qInfo() << "atualizacao instalada" << target;
    if (!autoRestart)
        return true;
    // The program path as one argument, no shell in between.
    if (!QProcess::startDetached(target, {})) {
        qWarning() << "atualizacao nao reiniciou";
        return false;
    }
    return true;
}

#endif

// The installer reads Windows paths whatever built the list.
static QString windowsPath(QString path)
{
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QStringList windowsArguments(const QString &programDir, const QString &logPath, bool autoRestart)
{
    QStringList arguments{QStringLiteral("/VERYSILENT"),
                          QStringLiteral("/SUPPRESSMSGBOXES"),
                          QStringLiteral("/NORESTART"),
                          QStringLiteral("/SP-"),
                          QStringLiteral("/CURRENTUSER"),
                          QStringLiteral("/CLOSEAPPLICATIONS"),
                          QStringLiteral("/NORESTARTAPPLICATIONS"),
                          QStringLiteral("/DIR=") + windowsPath(programDir),
                          QStringLiteral("/LOG=") + windowsPath(logPath)};
    if (autoRestart)
        arguments.append(QStringLiteral("/ZORVIAUTORESTART=1"));
    return arguments;
}

} // namespace UpdateInstall
