#include "platform/KeepAwake.h"

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDebug>
#include <QString>
#endif

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
const char *const Service = "org.freedesktop.ScreenSaver";
const char *const ObjectPath = "/org/freedesktop/ScreenSaver";
const char *const Interface = "org.freedesktop.ScreenSaver";
// A missing service must not stall the window's tick.
constexpr int CallTimeoutMs = 2000;

bool inhibit(quint32 &cookie)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call =
            QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(ObjectPath),
                                           QLatin1String(Interface), QStringLiteral("Inhibit"));
    call << QStringLiteral("Zorvi Player") << QStringLiteral("Playing video");
    const QDBusReply<quint32> reply = bus.call(call, QDBus::Block, CallTimeoutMs);
    if (!reply.isValid()) {
        qInfo().noquote() << "protecao de tela nao inibida:" << reply.error().name();
        return false;
    }
    cookie = reply.value();
    return true;
}

void uninhibit(quint32 cookie)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call =
            QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(ObjectPath),
                                           QLatin1String(Interface), QStringLiteral("UnInhibit"));
    call << cookie;
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        qInfo().noquote() << "protecao de tela nao liberada:" << reply.errorName();
}
#endif

} // namespace

KeepAwake::~KeepAwake()
{
    setActive(false);
}

bool KeepAwake::setActive(bool on)
{
    if (on == m_active)
        return true;
    m_active = on;
#ifdef Q_OS_WIN
    const EXECUTION_STATE flags =
            on ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) : ES_CONTINUOUS;
    return SetThreadExecutionState(flags) != 0;
#elif defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (on) {
        m_inhibited = inhibit(m_cookie);
        return m_inhibited;
    }
    if (m_inhibited) {
        uninhibit(m_cookie);
        m_inhibited = false;
    }
    return true;
#else
    return false;
#endif
}
