#pragma once

#include <QObject>
#include <QTimer>

class PlaybackSession;
class PlayerCore;
class PreviewPopup;
class QPoint;

// The popup over the seek bar: time and chapter at once, and a frame asked
// for only once the pointer rests.
class SeekPreviewController : public QObject
{
    Q_OBJECT

public:
    static constexpr int RestMs = 180;
    // The pointer must move this far before another frame is worth asking for.
    static constexpr double MinStepSeconds = 0.8;

    SeekPreviewController(PreviewPopup *popup, PlayerCore *core, PlaybackSession *session,
                          QObject *parent = nullptr);

    void hover(double seconds, const QPoint &globalAnchor);
    void leave();
    // A new file: no frame of the old one stays.
    void reset();

    bool isPending() const { return m_restTimer.isActive(); }
    // The position the last frame request is for; -1 when none.
    double lastPosition() const { return m_lastPosition; }

private:
    PreviewPopup *m_popup;
    PlayerCore *m_core;
    PlaybackSession *m_session;
    QTimer m_restTimer;
    double m_lastPosition = -1.0;
};
