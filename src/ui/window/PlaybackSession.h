#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class Database;
class PlayerCore;
struct LoadedFile;

// The bookkeeping of what plays: the current item, its play count, its
// resume point and its history row. Needs no window.
class PlaybackSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTickMs = 1000;
    static constexpr int DefaultResumeSaveMs = 5000;
    // Audio shorter than this gets no resume point.
    static constexpr double LongAudioSeconds = 1200;
    // A resume point this close to the start is not worth resuming.
    static constexpr double MinResumeSeconds = 5;
    // Nor one this close to the end.
    static constexpr double ResumeEndMarginSeconds = 10;
    // A play counts after half the item, at most this long.
    static constexpr double PlayCountSeconds = 30;

    PlaybackSession(PlayerCore *core, Database *database, QObject *parent = nullptr);

    QString currentPath() const { return m_currentPath; }
    // Takes the engine's path when none is known yet (an item that was
    // already playing when the window appeared).
    void adoptEnginePath();

    // The next load of path resumes even where the settings would not.
    void requestResume(const QString &path);
    // The next load of path starts at 0 even where it would resume.
    void requestStartOver(const QString &path);
    // Writes the position of the current item; unless forced, not while
    // paused. Nobody is told: this runs every few seconds.
    void saveResumePoint(bool forced);

    // Books a loaded item: library row, resume seek, history row.
    // Emits resumedAt when it seeks to a resume point.
    void handleFileLoaded(const LoadedFile &file);
    void handleFileEnded(const QString &path, const QString &reason, double positionSeconds,
                         double durationSeconds);
    void handleIdle();

    // One second of playing time (while not paused, idle or buffering).
    // Public so that a test can drive the count without the timer.
    void tick();
    double playedSeconds() const { return m_playedSeconds; }
    bool playCounted() const { return m_playCounted; }

    // Tests shorten these.
    void setIntervals(int tickMs, int resumeSaveMs);
    int tickIntervalMs() const { return m_tickTimer.interval(); }

    // Whether a position counts as the end of an item of that length.
    static bool isNearEnd(double positionSeconds, double durationSeconds);

Q_SIGNALS:
    void resumedAt(double seconds);

private:
    PlayerCore *m_core;
    Database *m_database;
    QTimer m_tickTimer;
    QTimer m_resumeSaveTimer;
    QString m_currentPath;
    QSet<QString> m_resumeRequested;
    QSet<QString> m_startOverRequested;
    double m_playedSeconds = 0;
    bool m_playCounted = false;
};
