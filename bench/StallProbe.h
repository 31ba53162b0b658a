#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

// Measures how long the GUI thread's event loop is kept from running: a
// 1 ms precise timer notes when each tick arrives; a tick late by more than
// its interval means the loop was busy. Shared by the benchmarks that must
// show the window does not freeze (library scan, covers, thumbnails).
class StallProbe final : public QObject
{
    Q_OBJECT

public:
    explicit StallProbe(QObject *parent = nullptr);

    void start();
    void stop();
    // Milliseconds since start(), on the probe's own clock.
    double nowMs() const;
    // The longest stall (gap between ticks minus the 1 ms interval) among
    // gaps that ended within [fromMs, toMs); 0 when none.
    double longestStallMs(double fromMs, double toMs) const;
    double longestStallMs() const { return longestStallMs(0, 1e300); }

private:
    struct Gap
    {
        double endMs;
        double lengthMs;
    };

    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_lastTickMs = 0;
    QList<Gap> m_gaps;
};
