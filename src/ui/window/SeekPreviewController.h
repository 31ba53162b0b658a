#pragma once

#include <QObject>
#include <QTimer>

class PlaybackSession;
class PlayerCore;
class PreviewPopup;
class QImage;
class QPoint;
class Thumbnailer;

// The popup over the seek bar: time and chapter at once, and a frame asked
// for only once the pointer rests. It is also the window's link to the
// thumbnailer, which holds its library queue while a video plays.
class SeekPreviewController : public QObject
{
    Q_OBJECT

public:
    static constexpr int RestMs = 180;
    // The pointer must move this far before another frame is worth asking for.
    static constexpr double MinStepSeconds = 0.8;

    // A frame this close to the position asked for is the one asked for.
    static constexpr double SamePositionSeconds = 0.81;

    SeekPreviewController(PreviewPopup *popup, PlayerCore *core, PlaybackSession *session,
                          Thumbnailer *thumbnailer, QObject *parent = nullptr);

    void hover(double seconds, const QPoint &globalAnchor);
    void leave();
    // A new file: no frame of the old one stays.
    void reset();

    bool isPending() const { return m_restTimer.isActive(); }
    // The position the last frame request is for; -1 when none.
    double lastPosition() const { return m_lastPosition; }

private:
    void requestFrame();
    void showFrame(const QString &path, double position, const QImage &image);
    void updateHold();
    bool framesPossible() const;

    PreviewPopup *m_popup;
    PlayerCore *m_core;
    PlaybackSession *m_session;
    Thumbnailer *m_thumbnailer;
    QTimer m_restTimer;
    double m_lastPosition = -1.0;
    // Where the pointer rests while the popup is up; -1 when it is not.
    double m_hoverSeconds = -1.0;
};
