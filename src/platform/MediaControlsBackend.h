#pragma once

#include <QString>

#include <memory>

class MediaControls;
class PlayerCore;
class QWidget;

// The platform side of MediaControls: one implementation per operating
// system, each in its own source file, chosen at build time.
class MediaControlsBackend
{
public:
    enum class Status { Stopped, Playing, Paused };

    virtual ~MediaControlsBackend() = default;

    virtual void setPlaybackStatus(Status status) = 0;
    virtual void setTrack(const QString &title, const QString &artist, const QString &album,
                          const QString &coverPath, bool isVideo) = 0;
};

// Obtains the system facility. On failure returns null and, when there is
// one, writes the reason into reason. The backend emits owner's signals on the
// GUI thread.
std::unique_ptr<MediaControlsBackend> createMediaControlsBackend(MediaControls *owner,
                                                                 QWidget *window,
                                                                 PlayerCore *player,
                                                                 QString *reason);

// The log phrase for a facility that could not be obtained.
extern const char *const MediaControlsUnavailableText;
