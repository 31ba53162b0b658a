#pragma once

#include <QtGlobal>

// Keeps the display from blanking while a video plays. On Windows this is the
// thread execution state; on Linux the desktop's screen saver service on the
// session bus, which hands out a cookie that must be given back to release
// the request. Without such a service the request is simply not made.
class KeepAwake
{
public:
    KeepAwake() = default;
    ~KeepAwake();
    KeepAwake(const KeepAwake &) = delete;
    KeepAwake &operator=(const KeepAwake &) = delete;

    // Requests (true) or releases (false) keeping the display awake. Asking for
    // the state already held does nothing. Returns whether the system took the
    // request; the wanted state is remembered either way.
    bool setActive(bool on);
    bool isActive() const { return m_active; }

private:
    bool m_active = false;
    // The screen saver cookie on Linux, valid while m_inhibited.
    quint32 m_cookie = 0;
    bool m_inhibited = false;
};
