#include "StallProbe.h"

StallProbe::StallProbe(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const double now = nowMs();
        // Only gaps beyond the interval matter; keeping them all would grow
        // by a thousand entries a second.
        if (now - m_lastTickMs > 2.0)
            m_gaps.append({now, now - m_lastTickMs - 1.0});
        m_lastTickMs = now;
    });
}

void StallProbe::start()
{
    m_gaps.clear();
    m_clock.start();
    m_lastTickMs = 0;
    m_timer.start();
}

void StallProbe::stop()
{
    m_timer.stop();
    // The time since the last tick is a gap too.
    const double now = nowMs();
    if (now - m_lastTickMs > 2.0)
        m_gaps.append({now, now - m_lastTickMs - 1.0});
}

double StallProbe::nowMs() const
{
    return m_clock.nsecsElapsed() / 1e6;
}

double StallProbe::longestStallMs(double fromMs, double toMs) const
{
    double longest = 0;
    for (const Gap &gap : m_gaps) {
        if (gap.endMs >= fromMs && gap.endMs < toMs)
            longest = qMax(longest, gap.lengthMs);
    }
    return longest;
}
