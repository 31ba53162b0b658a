#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class MainWindow;
class PlayerCore;

// Plays the given files through the main window and checks the playback
// chain (start, load, advancing position, seek, pause and resume, next and
// previous, end of file). Writes one line per check to the report file and to
// standard output, then quits the event loop with 0 only when every check
// passed.
class HarnessSelfTest : public QObject
{
    Q_OBJECT

public:
    HarnessSelfTest(MainWindow *window, PlayerCore *core, const QString &reportFile,
                    const QStringList &mediaFiles);

    // Runs once the event loop turns; the object belongs to the window.
    static void start(MainWindow *window, PlayerCore *core, const QString &reportFile,
                      const QStringList &mediaFiles);

private:
    void run();
    void check(bool passed, const QString &what, const QString &failure);
    void skip(const QString &what);
    bool waitLoaded(const QString &path, int timeoutMs);
    void checkPlaybackOf(const QString &path);
    void checkSeekAndPause();
    void checkNextPrevious();
    void checkEndOfFile();
    void finish();

    QPointer<MainWindow> m_window;
    PlayerCore *m_core = nullptr;
    QString m_reportFile;
    QStringList m_files;
    QStringList m_lines;
    int m_failures = 0;
    int m_started = 0;
    int m_loaded = 0;
    QStringList m_endReasons;
    QStringList m_endPaths;
    QStringList m_errors;
};
