#pragma once

#include <QObject>
#include <QPointer>

class ControlBar;
class Database;
class MediaControlsBridge;
class NowPlaying;
class PlaybackSession;
class PlayerCore;
class QWidget;

// Shows the current item everywhere it appears: the window title, the
// control bar with its favourite mark, the now-playing view and the desktop's
// media controls.
class NowPlayingPresenter : public QObject
{
    Q_OBJECT

public:
    NowPlayingPresenter(QWidget *window, PlayerCore *core, PlaybackSession *session,
                        Database *database, ControlBar *bar, NowPlaying *view,
                        QObject *parent = nullptr);

    // The desktop's media controls arrive once the window exists.
    void setMediaControls(MediaControlsBridge *bridge);

    void refresh();
    void refreshFavorite();
    // Nothing plays any more.
    void clear();
    void toggleFavorite();

Q_SIGNALS:
    void toast(const QString &text);

private:
    QWidget *m_window;
    PlayerCore *m_core;
    PlaybackSession *m_session;
    Database *m_database;
    ControlBar *m_bar;
    NowPlaying *m_view;
    QPointer<MediaControlsBridge> m_mediaControls;
};
