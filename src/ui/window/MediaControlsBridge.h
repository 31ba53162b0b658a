#pragma once

#include <QObject>
#include <QString>

class MediaControls;
class PlayerCore;
class QWidget;
struct NowPlayingText;

// Connects the desktop's media controls to the player: their buttons drive
// playback, and pause, stop and the item shown follow the player.
class MediaControlsBridge : public QObject
{
    Q_OBJECT

public:
    // window: the top-level window the controls belong to.
    MediaControlsBridge(QWidget *window, PlayerCore *core, QObject *parent = nullptr);

    MediaControls *controls() const { return m_controls; }
    // Shows the item at path; its cover comes from the cover cache when the
    // cover was already loaded.
    void publish(const NowPlayingText &text, const QString &path);

Q_SIGNALS:
    void raiseRequested();
    void quitRequested();

private:
    PlayerCore *m_core;
    MediaControls *m_controls;
};
