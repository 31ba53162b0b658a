#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class ActionBinder;
class PlayerCore;
class QAction;
class QWidget;

// The playback commands shared by the actions, the menus and the control
// bar. Each one acts on the player and reports what it did as a short text
// for the toast.
class PlayerCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr double MaxVolumePercent = 200;
    static constexpr double VolumeStepPercent = 5;
    static constexpr double DefaultSeekStepSeconds = 5;
    static constexpr double LongSeekSeconds = 10;
    static constexpr double MinuteSeekSeconds = 60;
    static constexpr double DefaultSpeedStep = 0.25;
    static constexpr double FineSpeedStep = 0.05;
    static constexpr double DelayStepSeconds = 0.1;
    static constexpr double ZoomStepLog2 = 0.1;
    static constexpr double MinSpeed = 0.1;
    static constexpr double MaxSpeed = 8.0;
    // Zoom is kept as a power of two, as the engine takes it.
    static constexpr double MaxZoomLog2 = 2.0;
    // Track and loop changes are reported once the engine has applied them.
    static constexpr int TrackToastDelayMs = 150;
    static constexpr int LoopToastDelayMs = 100;

    // dialogParent owns the small input dialogs.
    PlayerCommands(PlayerCore *core, QWidget *dialogParent, QObject *parent = nullptr);

    // Binds the registry's playback, audio, video and subtitle commands.
    void bindActions(ActionBinder &binder);
    // Digits 0 to 9 jump to 0 %, 10 %, ... 90 %: fixed keys, deliberately
    // outside the editable registry.
    QList<QAction *> seekPercentActions(QObject *parent);

    void seekBy(double seconds);
    void changeVolumeBy(double deltaPercent);
    void applySpeed(double speed);

    // Aspect: 0 automatic, then fixed ratios, then fill (crop) and stretch.
    static int aspectCount();
    static QString aspectLabel(int index);
    void applyAspect(int index);
    void cycleAspect() { applyAspect((m_aspectIndex + 1) % aspectCount()); }
    int aspectIndex() const { return m_aspectIndex; }
    // A new file starts from the automatic ratio again.
    void forgetAspect() { m_aspectIndex = 0; }

    void zoomBy(double stepLog2);
    void resetZoom();
    void rotateVideo();
    void toggleMirror();
    void toggleNormalize();
    void cycleRepeat();
    void toggleShuffle();
    void toggleMute();
    void cycleTrack(const QString &kind);
    void changeAudioDelay(double deltaSeconds);
    void changeSubDelay(double deltaSeconds);
    void toggleAbLoop();
    void takeScreenshot(bool withSubtitles);

    // 0 minutes cancels.
    void startSleepTimer(int minutes);
    bool sleepTimerActive() const { return m_sleepTimer.isActive(); }
    int sleepTimerRemainingMs() const { return m_sleepTimer.remainingTime(); }

    // Pieces that are not part of this build yet say so.
    void checkForUpdates();
    // The modal adjustment dialogs, over the dialog parent.
    void showEqualizer();
    void showImageAdjust();
    void showSubtitleStyle();

    // The commands that ask first.
    void showSleepTimerDialog();
    void showGotoTimeDialog();
    void showCustomSpeedDialog();
    void showMediaInfo();
    // startFolder: where the file dialog opens; empty for its default.
    void addSubtitleFile(const QString &startFolder);

Q_SIGNALS:
    void toast(const QString &text);
    // The user asked for an update check.
    void updateCheckRequested();
    void mirrorChanged(bool on);
    void normalizeChanged(bool on);
    // The sleep timer paused playback.
    void sleepTimerFired();

private:
    void showAbLoopState();

    PlayerCore *m_core;
    QWidget *m_dialogParent;
    QTimer m_sleepTimer;
    int m_aspectIndex = 0;
    double m_zoomLog2 = 0;
    int m_rotationDegrees = 0;
};
