#pragma once

#include "platform/KeepAwake.h"

#include <QObject>
#include <QTimer>

class PlayerCore;

// Keeps the display awake while a video plays (when the setting allows),
// following the player and checking the setting every interval.
class KeepAwakeController : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultCheckMs = 1000;

    explicit KeepAwakeController(PlayerCore *core, QObject *parent = nullptr);

    bool isKeepingAwake() const { return m_on; }
    void setCheckInterval(int ms) { m_timer.setInterval(ms); }
    // Gives the request back for good: the window is closing, and a check
    // before the event loop ends must not take it again.
    void release();
    // The close was called off.
    void resume();

Q_SIGNALS:
    // A check ran (also after the release, when it changes nothing).
    void checked();

private:
    void update();

    PlayerCore *m_core;
    KeepAwake m_keepAwake;
    QTimer m_timer;
    bool m_on = false;
    bool m_released = false;
};
