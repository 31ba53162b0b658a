#pragma once

#include <QWidget>

class MpvWidget;
class NowPlaying;
class PlayerCore;
class QStackedLayout;

// The player page: the video surface, or the now-playing view for an item
// without a picture.
class PlayerPage : public QWidget
{
    Q_OBJECT

public:
    explicit PlayerPage(PlayerCore *core, QWidget *parent = nullptr);

    MpvWidget *video() const { return m_video; }
    NowPlaying *nowPlaying() const { return m_nowPlaying; }
    void showPicture(bool hasVideo);
    // What the player holds now decides.
    void followPlayer();

private:
    PlayerCore *m_core;
    QStackedLayout *m_stack;
    MpvWidget *m_video;
    NowPlaying *m_nowPlaying;
};
