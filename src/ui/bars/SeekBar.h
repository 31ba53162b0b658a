#pragma once

#include "engine/ChapterInfo.h"

#include <QList>
#include <QWidget>

// The timeline under the transport buttons: shows the position, the chapters
// and the A-B loop, and turns mouse and keys into seek requests.
class SeekBar : public QWidget
{
    Q_OBJECT

public:
    explicit SeekBar(QWidget *parent = nullptr);

    void setDuration(double seconds);
    // Ignored while the user drags the knob, so the engine does not pull it back.
    void setPosition(double seconds);
    void setChapters(const QList<ChapterInfo> &chapters);
    void setAbLoop(double aSeconds, double bSeconds);

    double duration() const { return m_duration; }
    double position() const { return m_position; }
    const QList<ChapterInfo> &chapters() const { return m_chapters; }
    double loopA() const { return m_loopA; }
    double loopB() const { return m_loopB; }
    bool isHovering() const { return m_hovering; }
    bool isDragging() const { return m_dragging; }
    int hoverX() const { return m_hoverX; }

    // Track geometry and the mapping between pixels and seconds.
    QRect trackRect() const;
    double secondsAt(int x) const;
    int xForSeconds(double seconds) const;

signals:
    void seekRequested(double secs, bool dragging);
    void hovered(double secs, QPoint globalAnchor);
    void hoverLeft();

protected:
    QSize sizeHint() const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    double m_duration = 0;
    double m_position = 0;
    QList<ChapterInfo> m_chapters;
    double m_loopA = -1;
    double m_loopB = -1;
    bool m_hovering = false;
    bool m_dragging = false;
    int m_hoverX = -1;
};
