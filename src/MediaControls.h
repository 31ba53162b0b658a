#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class MediaControlsBackend;
class PlayerCore;
class QWidget;

// Mirrors what plays into the desktop's media controls (the overlay that the
// media keys drive) and turns the buttons pressed there into signals. It keeps
// no playback state of its own: the main window tells it every change.
//
// When the system facility cannot be obtained the object still exists, logs
// one warning, and every operation does nothing.
class MediaControls final : public QObject
{
    Q_OBJECT

public:
    // window is the main window the controls belong to; player is the engine
    // facade that answers position, seek, volume and rate queries where the
    // platform offers them (may be null).
    MediaControls(QWidget *window, PlayerCore *player, QObject *parent = nullptr);
    ~MediaControls() override;

    // Playing when active and playing, paused when active and not playing,
    // stopped when not active.
    void setPlaybackState(bool playing, bool active);

    // Replaces everything shown. For a video, artist is shown as its subtitle
    // and album is not shown. An empty or unusable cover path shows no picture.
    void setTrack(const QString &title, const QString &artist, const QString &album,
                  const QString &coverPath, bool isVideo);

    // The MIME types announced as openable; the provider is asked once, when
    // a desktop first wants them.
    void setSupportedMimeTypes(std::function<QStringList()> provider);
    QStringList supportedMimeTypes();

    bool isAvailable() const { return m_backend != nullptr; }
    PlayerCore *player() const { return m_player; }

Q_SIGNALS:
    void playRequested();
    void pauseRequested();
    void stopRequested();
    void nextRequested();
    void previousRequested();
    void playPauseRequested();
    void raiseRequested();
    void quitRequested();

private:
    PlayerCore *m_player = nullptr;
    std::unique_ptr<MediaControlsBackend> m_backend;
    std::function<QStringList()> m_mimeTypesProvider;
    std::optional<QStringList> m_mimeTypes;
};
