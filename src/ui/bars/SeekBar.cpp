#include "ui/bars/SeekBar.h"

#include "app/AppSettings.h"
#include "ui/Theme.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int TrackInsetPx = 6;
constexpr int KnobRadiusPx = 7;
constexpr double ChapterTickMinSeconds = 0.5;
constexpr double KeyStepSeconds = 5.0;
} // namespace

SeekBar::SeekBar(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(
            uiText(QStringLiteral("Playback position"), QStringLiteral("Posição de reprodução")));
    setMinimumHeight(22);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SeekBar::setDuration(double seconds)
{
    m_duration = seconds;
    update();
}

void SeekBar::setPosition(double seconds)
{
    if (m_dragging)
        return;
    m_position = seconds;
    update();
}

void SeekBar::setChapters(const QList<ChapterInfo> &chapters)
{
    m_chapters = chapters;
    update();
}

void SeekBar::setAbLoop(double aSeconds, double bSeconds)
{
    m_loopA = aSeconds;
    m_loopB = bSeconds;
    update();
}

QRect SeekBar::trackRect() const
{
    const int heightPx = (m_hovering || m_dragging) ? 6 : 4;
    return QRect(TrackInsetPx, (height() - heightPx) / 2, width() - 2 * TrackInsetPx, heightPx);
}

double SeekBar::secondsAt(int x) const
{
    const QRect track = trackRect();
    if (m_duration <= 0 || track.width() <= 0)
        return 0;
    const double fraction = std::clamp(double(x - track.left()) / track.width(), 0.0, 1.0);
    return fraction * m_duration;
}

int SeekBar::xForSeconds(double seconds) const
{
    const QRect track = trackRect();
    if (m_duration <= 0 || track.width() <= 0)
        return track.left();
    // A NaN position must not turn into an arbitrary pixel.
    double fraction = seconds / m_duration;
    if (std::isnan(fraction))
        fraction = 0;
    return track.left() + int(track.width() * std::clamp(fraction, 0.0, 1.0));
}

QSize SeekBar::sizeHint() const
{
    return QSize(300, 22);
}

void SeekBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_duration <= 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_position = secondsAt(event->position().toPoint().x());
    emit seekRequested(m_position, true);
    update();
}

void SeekBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    m_position = secondsAt(event->position().toPoint().x());
    emit seekRequested(m_position, false);
    update();
}

void SeekBar::mouseMoveEvent(QMouseEvent *event)
{
    m_hoverX = event->position().toPoint().x();
    if (m_dragging) {
        m_position = secondsAt(m_hoverX);
        emit seekRequested(m_position, true);
    }
    if (m_duration > 0) {
        const QPoint anchor(std::clamp(m_hoverX, 0, width()), 0);
        emit hovered(secondsAt(m_hoverX), mapToGlobal(anchor));
    }
    update();
}

void SeekBar::keyPressEvent(QKeyEvent *event)
{
    if (m_duration <= 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    double target = 0;
    switch (event->key()) {
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = m_duration;
        break;
    case Qt::Key_Left:
        target = m_position - KeyStepSeconds;
        break;
    case Qt::Key_Right:
        target = m_position + KeyStepSeconds;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    target = std::clamp(target, 0.0, m_duration);
    m_position = target;
    emit seekRequested(target, false);
    event->accept();
    update();
}

void SeekBar::enterEvent(QEnterEvent *event)
{
    m_hovering = true;
    QWidget::enterEvent(event);
    update();
}

void SeekBar::leaveEvent(QEvent *event)
{
    m_hovering = false;
    m_hoverX = -1;
    emit hoverLeft();
    QWidget::leaveEvent(event);
    update();
}

void SeekBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const QRect track = trackRect();
    const double radius = track.height() / 2.0;
    painter.setBrush(themeColor(ThemeColor::Border));
    painter.drawRoundedRect(track, radius, radius);

    if (m_duration <= 0)
        return;

    if (m_hovering && !m_dragging && m_hoverX >= 0) {
        const int hoverEnd = std::clamp(m_hoverX, track.left(), track.left() + track.width());
        painter.setBrush(themeColor(ThemeColor::White, 40));
        painter.drawRoundedRect(
                QRect(track.left(), track.top(), hoverEnd - track.left(), track.height()), radius,
                radius);
    }

    if (m_loopA >= 0) {
        const int startX = xForSeconds(m_loopA);
        const int endX = m_loopB >= 0 ? xForSeconds(m_loopB) : startX + 2;
        int bandWidth = endX - startX;
        if (bandWidth < 3)
            bandWidth = 2;
        painter.setBrush(themeColor(ThemeColor::Accent2, 110));
        painter.drawRect(QRect(startX, track.top() - 3, bandWidth, track.height() + 6));
    }

    const int progressX = xForSeconds(m_position);
    if (progressX > track.left()) {
        QLinearGradient gradient(track.left(), 0, track.left() + track.width(), 0);
        gradient.setColorAt(0, themeColor(ThemeColor::Accent));
        gradient.setColorAt(1, themeColor(ThemeColor::Accent2));
        painter.setBrush(gradient);
        painter.drawRoundedRect(
                QRect(track.left(), track.top(), progressX - track.left(), track.height()), radius,
                radius);
    }

    painter.setBrush(themeColor(ThemeColor::Window));
    for (const ChapterInfo &chapter : m_chapters) {
        if (chapter.time > ChapterTickMinSeconds)
            painter.drawRect(QRect(xForSeconds(chapter.time) - 1, track.top(), 2, track.height()));
    }

    if (m_hovering || m_dragging) {
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(progressX, height() / 2.0), KnobRadiusPx, KnobRadiusPx);
    }
}
