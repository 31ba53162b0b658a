#pragma once

#include <QObject>
#include <QtGlobal>

class QDBusServiceWatcher;

// Keeps the display from blanking while a video plays. On Windows this is the
// thread execution state; on Linux the desktop's screen saver service on the
// session bus, which hands out a cookie that must be given back to release
// the request. Without such a service the request is simply not made.
//
// Nothing here waits for the system: requests to the screen saver go out
// without blocking and their answers arrive through the event loop.
class KeepAwake final : public QObject
{
public:
    explicit KeepAwake(QObject *parent = nullptr);
    ~KeepAwake() override;
    KeepAwake(const KeepAwake &) = delete;
    KeepAwake &operator=(const KeepAwake &) = delete;

    // Requests (true) or releases (false) keeping the display awake. The
    // wanted state is remembered even when the system refuses; a refused
    // request is made again on the next call that asks for it, and when the
    // screen saver service (re)appears.
    void setActive(bool on);
    bool isActive() const { return m_active; }

private:
    void request();
    void release();

    bool m_active = false;
    bool m_held = false; // the system holds the request now
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The screen saver cookie, valid while m_held.
    quint32 m_cookie = 0;
    bool m_requestPending = false;
    bool m_askAgain = false; // the service appeared while a request was pending
    QDBusServiceWatcher *m_serviceWatcher = nullptr;
#endif
};
