#pragma once

#include "engine/AudioDevice.h"
#include "engine/AudioFilters.h"
#include "engine/ChapterInfo.h"
#include "engine/FormatTime.h"
#include "engine/LoadedFile.h"
#include "engine/MediaPaths.h"
#include "engine/QueueEntry.h"
#include "engine/TrackInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

struct mpv_handle;
struct mpv_event;
struct mpv_event_property;
class QTimer;

// The one object through which the interface plays media: it owns the
// engine instance, mirrors the engine state the interface needs and turns
// engine events into signals. Everything runs on the GUI thread.
class PlayerCore : public QObject
{
    Q_OBJECT

public:
    enum Repeat { RepeatOff = 0, RepeatAll = 1, RepeatOne = 2 };
    Q_ENUM(Repeat)

    explicit PlayerCore(QObject *parent = nullptr);
    ~PlayerCore() override;

    // Loads the binding, creates, configures and initialises the engine and
    // restores the stored audio settings. On failure the reason goes into
    // errorText and the object is only good for destruction. Returns without
    // waiting for the engine to settle: queue and transport calls made before
    // it has are held and run, in order, once it is ready.
    bool start(QString &errorText);
    // True once the engine has finished starting up (or took too long to say so).
    bool isEngineReady() const { return m_engineReady; }

    double position() const { return m_position; }
    double duration() const { return m_duration; }
    double speed() const { return m_speed; }
    double volume() const { return m_volume; }
    bool isPaused() const { return m_paused; }
    bool isMuted() const { return m_muted; }
    bool isIdle() const { return m_idle; }
    bool hasVideo() const { return m_hasVideo; }
    bool isBuffering() const { return m_buffering; }
    QString currentPath() const { return m_currentPath; }
    QString lastPath() const { return m_lastPath; }
    QString mediaTitle() const { return m_mediaTitle; }
    QString streamTitle() const { return m_streamTitle; }
    QVariantMap metadata() const { return m_metadata; }
    QList<TrackInfo> tracks() const { return m_tracks; }
    QList<ChapterInfo> chapters() const { return m_chapters; }
    QList<QueueEntry> queue() const { return m_queue; }
    int queuePos() const { return m_queuePos; }
    double abLoopA() const { return m_abLoopA; }
    double abLoopB() const { return m_abLoopB; }
    Repeat repeat() const { return m_repeat; }
    bool shuffle() const { return m_shuffle; }
    bool mirror() const { return m_mirror; }
    bool hwdecEnabled() const { return m_hwdecEnabled; }
    bool eqEnabled() const { return m_eqEnabled; }
    QList<double> eqGains() const { return m_eqGains; }
    double eqPreamp() const { return m_eqPreamp; }
    bool normalize() const { return m_normalize; }
    double crossfadeSeconds() const { return m_crossfadeSeconds; }
    // Current gain of the crossfade filter, 0..1.
    double fadeLevel() const { return m_fadeLevel; }
    mpv_handle *handle() const { return m_handle; }

    // Stream title, else media title, else the file's base name.
    QString nowPlayingTitle() const;
    // isNetworkSource of the current path.
    bool isNetwork() const;

    // Audio effects and output device.
    void applyAudioFilters();
    void setEqualizer(bool enabled, const QList<double> &gains, double preamp);
    void setNormalize(bool on);
    void setCrossfadeSeconds(double seconds);
    QList<AudioDevice> audioDevices() const;
    // The engine's current output device name.
    QString audioDevice() const;
    void setAudioDevice(const QString &name);
    // Read from the engine, not the mirror: steps taken in a quick row must
    // build on each other.
    double engineVolume() const;
    double audioDelay() const;
    void setAudioDelay(double seconds);

    // Tracks, media information, screenshots, picture.
    QList<TrackInfo> tracksOfType(const QString &kind) const;
    void selectTrack(const QString &kind, qint64 id);
    void cycleTrack(const QString &kind);
    // 0 when no secondary subtitle shows.
    qint64 secondarySubtitle() const;
    void setSecondarySubtitle(qint64 id);
    void addSubtitle(const QString &path);
    double subDelay() const;
    void setSubDelay(double seconds);
    QString mediaInfoHtml() const;
    // Returns the written file's path, or an empty text on failure.
    QString takeScreenshot(bool includeSubtitles);
    void setHwdec(bool on);
    void setMirror(bool on);
    // ratio: an aspect such as "16:9", or "-1" for the file's own; panScan
    // 1.0 fills the window by cropping; without keepAspect the picture is
    // stretched.
    void setAspectOverride(const QString &ratio, double panScan, bool keepAspect);
    // Zoom as a power of two: 0 is the natural size, 1 twice as large.
    void setVideoZoom(double log2Zoom);
    void resetVideoPan();
    void setVideoRotation(int degrees);

public Q_SLOTS:
    // Queue and transport. The queue is the engine's playlist; its contents
    // come back through queueChanged.
    void loadFile(const QString &path, const QString &mode);
    void playFiles(const QStringList &paths, int start);
    void playNext(const QStringList &paths);
    void enqueue(const QStringList &paths);
    void playIndex(int index);
    void moveQueueItem(int from, int to);
    void removeQueueItem(int index);
    void clearQueue();
    void next();
    void previous();
    void togglePause();
    void setPaused(bool paused);
    void stop();
    void seekAbsolute(double seconds);
    void seekPercent(double percent);
    void seekRelative(double seconds);
    void frameStep(bool backwards);
    void chapterStep(bool forward);
    void toggleAbLoop();
    void clearAbLoop();
    void setSpeed(double factor);
    void setVolume(double percent);
    void setMute(bool muted);
    void setRepeat(PlayerCore::Repeat mode);
    void setShuffle(bool on);

Q_SIGNALS:
    void positionChanged(double pos);
    void durationChanged(double dur);
    void pauseChanged(bool paused);
    void speedChanged(double speed);
    void volumeChanged(double vol);
    void muteChanged(bool muted);
    void idleChanged(bool idle);
    void bufferingChanged(bool buffering);
    // Once, when the engine has finished starting up.
    void engineReady();
    void fileStarted();
    // The item as the engine holds it once loaded; the mirrored properties
    // may still describe the previous item at this point.
    void fileLoaded(const LoadedFile &file);
    void fileEnded(const QString &path, const QString &reason, double pos, double duration);
    void titleChanged();
    void tracksChanged();
    void chaptersChanged();
    void queueChanged();
    void abLoopChanged();
    void metadataChanged();
    void repeatChanged();
    void shuffleChanged();
    void videoPresenceChanged(bool hasVideo);
    // A file with a picture is about to choose its video output; the engine
    // waits for the handlers, so a surface made here is the one it uses.
    void videoOutputNeeded();
    void errorMessage(const QString &msg);

private Q_SLOTS:
    // Drains the engine's event queue; posted by the engine's wake-up callback.
    void processEvents();

private:
    static void wakeUp(void *context);
    // Holds a queue or transport call until the engine is ready; true when held.
    bool holdUntilReady(std::function<void()> call);
    void setEngineReady();
    QString playlistEntryPath(qint64 entryId) const;
    // Read from the engine at the load event.
    LoadedFile loadedFile() const;
    // The opening file has a video track that is not a cover picture.
    bool fileHasPicture() const;
    void handleEvent(const mpv_event &event);
    void handlePropertyChange(const mpv_event_property &property);
    void setTitles(const QString &mediaTitle, const QVariantMap &metadata);
    void setBuffering(bool buffering);
    void restoreAudioSettings();
    AudioFilterSettings audioFilterSettings() const;
    void setFilterChain();
    bool filterIsRunning(const QString &label) const;
    enum class FilterCommand { Delivered, NotRunning, Failed };
    FilterCommand sendFilterCommand(const QStringList &args);
    FilterCommand sendFadeCommand(double level);
    void resyncFilterChain();
    void fadeOutCheck();
    void prepareFadeForNewFile();
    void startFadeIn();
    void fadeInStep();

    mpv_handle *m_handle = nullptr;
    double m_position = 0;
    double m_duration = 0;
    double m_speed = 1.0;
    double m_volume = 100.0;
    double m_lastPosition = 0;
    double m_lastDuration = 0;
    QString m_lastPath;
    bool m_paused = true;
    bool m_muted = false;
    bool m_idle = true;
    bool m_hasVideo = false;
    bool m_buffering = false;
    QString m_currentPath;
    QString m_mediaTitle;
    QString m_streamTitle;
    QVariantMap m_metadata;
    QList<TrackInfo> m_tracks;
    QList<ChapterInfo> m_chapters;
    QList<QueueEntry> m_queue;
    int m_queuePos = -1;
    double m_abLoopA = -1;
    double m_abLoopB = -1;
    Repeat m_repeat = RepeatOff;
    bool m_shuffle = false;
    bool m_mirror = false;
    bool m_hwdecEnabled = true;
    bool m_eqEnabled = false;
    QList<double> m_eqGains = QList<double>(10, 0.0);
    double m_eqPreamp = 0;
    bool m_normalize = false;
    QString m_filterSignature;
    bool m_filterTextStale = false; // live gains not yet in the engine's "af" text
    double m_chainFadeLevel = -1;   // fade level in the "af" text; -1 without a fade filter
    double m_crossfadeSeconds = 0;
    double m_fadeLevel = 1.0;
    bool m_fadeInPending = false;
    QTimer *m_fadeTimer = nullptr;
    bool m_engineReady = false;
    QList<std::function<void()>> m_heldCalls;
    QTimer *m_readyTimer = nullptr;
};
