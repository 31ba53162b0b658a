#include "ui/window/KeepAwakeController.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"

KeepAwakeController::KeepAwakeController(PlayerCore *core, QObject *parent)
    : QObject(parent)
    , m_core(core)
{
    m_timer.setInterval(DefaultCheckMs);
    connect(&m_timer, &QTimer::timeout, this, &KeepAwakeController::update);
    m_timer.start();
}

void KeepAwakeController::update()
{
    Q_EMIT checked();
    if (m_released)
        return;
    const bool wanted = settingBool(QStringLiteral("playback/keepAwake"), true) &&
                        !m_core->isPaused() && !m_core->isIdle() && m_core->hasVideo();
    if (wanted == m_on)
        return;
    m_keepAwake.setActive(wanted);
    m_on = wanted;
}

void KeepAwakeController::release()
{
    m_released = true;
    m_keepAwake.setActive(false);
    m_on = false;
}

void KeepAwakeController::resume()
{
    m_released = false;
}
