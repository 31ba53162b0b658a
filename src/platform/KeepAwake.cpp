#include "platform/KeepAwake.h"

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QString>

#include <utility>
#endif

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
const QString Service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ObjectPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString Interface = QStringLiteral("org.freedesktop.ScreenSaver");
// A service that never answers must not leave a request pending forever.
constexpr int CallTimeoutMs = 2000;

QDBusMessage screenSaverCall(const QString &method)
{
    return QDBusMessage::createMethodCall(Service, ObjectPath, Interface, method);
}
#endif

} // namespace

KeepAwake::KeepAwake(QObject *parent)
    : QObject(parent)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_serviceWatcher = new QDBusServiceWatcher(Service, bus,
                                                   QDBusServiceWatcher::WatchForRegistration, this);
        // A service that starts (or restarts) late knows nothing of earlier
        // requests: ask it while the display should stay awake.
        connect(m_serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            m_held = false;
            if (m_requestPending)
                m_askAgain = true; // the pending answer may come from the bus, not the service
            else if (m_active)
                request();
        });
    }
#endif
}

KeepAwake::~KeepAwake()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // No answer can be awaited any more; the release goes out on its own.
    if (m_held) {
        QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
        call << m_cookie;
        QDBusConnection::sessionBus().send(call);
    }
#else
    setActive(false);
#endif
}

void KeepAwake::setActive(bool on)
{
    if (on == m_active) {
        if (on && !m_held)
            request();
        return;
    }
    m_active = on;
    if (on)
        request();
    else
        release();
}

#ifdef Q_OS_WIN

void KeepAwake::request()
{
    m_held = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) != 0;
}

void KeepAwake::release()
{
    SetThreadExecutionState(ES_CONTINUOUS);
    m_held = false;
}

#elif defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

void KeepAwake::request()
{
    if (m_held || m_requestPending)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = screenSaverCall(QStringLiteral("Inhibit"));
    call << QStringLiteral("Zorvi Player") << QStringLiteral("Playing video");
    m_requestPending = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_requestPending = false;
        const bool askAgain = std::exchange(m_askAgain, false);
        const QDBusPendingReply<quint32> reply = *watcher;
        if (reply.isError()) {
            qInfo().noquote() << "protecao de tela nao inibida:" << reply.error().name();
            if (askAgain && m_active)
                request();
            return;
        }
        m_cookie = reply.value();
        m_held = true;
        // Released while the answer was on its way.
        if (!m_active)
            release();
    });
}

void KeepAwake::release()
{
    // A request still on its way is given back when its answer arrives.
    if (!m_held)
        return;
    m_held = false;
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << m_cookie;
    auto *watcher = new QDBusPendingCallWatcher(
            QDBusConnection::sessionBus().asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher] {
        watcher->deleteLater();
        if (watcher->isError())
            qInfo().noquote() << "protecao de tela nao liberada:" << watcher->error().name();
    });
}

#else

void KeepAwake::request() {}

void KeepAwake::release() {}

#endif
