#pragma once

#include <QWidget>

class PlayerCore;

// The card over the video saying where playback resumed, with a button to
// start over. It closes itself after a while; a new one replaces the old.
class ResumeNotice : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ShownMs = 7000;
    static constexpr int MarginPx = 24;

    static void open(QWidget *videoArea, PlayerCore *core, double seconds);

private:
    ResumeNotice(QWidget *videoArea, PlayerCore *core, double seconds);
};
