#include "GuiStallProbe.h"

GuiStallProbe::GuiStallProbe(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    connect(&m_timer, &QTimer::timeout, this, &GuiStallProbe::tick);
}

void GuiStallProbe::start()
{
    m_clock.start();
    m_lastNs = -1;
    m_timer.start();
}

void GuiStallProbe::stop()
{
    tick();
    m_timer.stop();
}

void GuiStallProbe::reset()
{
    m_longestNs = 0;
    m_lastNs = m_clock.isValid() ? m_clock.nsecsElapsed() : -1;
}

void GuiStallProbe::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    if (m_lastNs >= 0)
        m_longestNs = std::max(m_longestNs, now - m_lastNs);
    m_lastNs = now;
}
