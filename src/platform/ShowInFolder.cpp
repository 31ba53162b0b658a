#include "platform/ShowInFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QProcess>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#endif

namespace {

void openContainingFolder(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace

void showInFolder(const QString &path)
{
#ifdef Q_OS_WIN
    if (!QProcess::startDetached(QStringLiteral("explorer.exe"),
                                 {QStringLiteral("/select,"), QDir::toNativeSeparators(path)}))
        openContainingFolder(path);
#else
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
    call << QStringList{uri} << QString();
    // Asynchronous so that a slow or missing file manager never blocks the
    // interface; a failure falls back to opening the folder.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path](QDBusPendingCallWatcher *self) {
                         const QDBusPendingReply<> reply = *self;
                         if (reply.isError()) {
                             qInfo().noquote() << "gerenciador de arquivos indisponivel:"
                                               << reply.error().name();
                             openContainingFolder(path);
                         }
                         self->deleteLater();
                     });
#endif
}
