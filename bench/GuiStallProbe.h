#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures how long the GUI thread goes without serving its event loop: a
// 1 ms timer notes the longest gap between two of its ticks. Runs while the
// benchmark does its work on the same thread.
class GuiStallProbe : public QObject
{
public:
    explicit GuiStallProbe(QObject *parent = nullptr);
    void start();
    void stop();
    // Forgets what was seen so far (for example after a one-time set-up).
    void reset();
    double longestStallMs() const { return m_longestNs / 1e6; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = -1;
    qint64 m_longestNs = 0;
};
