#include "ui/bars/PreviewPopup.h"

#include "ui/Theme.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int ScreenMarginPx = 4;
constexpr int GapAbovePx = 10;
constexpr int GapBelowPx = 30;
constexpr int PictureWidthPx = 220;
} // namespace

PreviewPopup::PreviewPopup(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
            QStringLiteral("PreviewPopup { background: %1; border: 1px solid %2; "
                           "border-radius: 10px; }QLabel { background: transparent; }")
                    .arg(QLatin1String(ThemeColor::Window), QLatin1String(ThemeColor::Accent)));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 6);
    layout->setSpacing(3);

    m_picture = new QLabel(this);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->hide();
    m_chapter = new QLabel(this);
    m_chapter->setAlignment(Qt::AlignCenter);
    m_chapter->setStyleSheet(QStringLiteral("color: %1; font-size: 8.5pt;")
                                     .arg(QLatin1String(ThemeColor::SecondaryText)));
    m_time = new QLabel(this);
    m_time->setAlignment(Qt::AlignCenter);
    m_time->setStyleSheet(
            QStringLiteral("font-weight: 800; color: %1;").arg(QLatin1String(ThemeColor::White)));

    layout->addWidget(m_picture);
    layout->addWidget(m_chapter);
    layout->addWidget(m_time);
}

void PreviewPopup::showAt(const QPoint &globalAnchor, const QString &timeText,
                          const QString &chapterTitle)
{
    m_time->setText(timeText);
    m_chapter->setText(chapterTitle);
    m_chapter->setVisible(!chapterTitle.isEmpty());
    m_anchor = globalAnchor;
    adjustSize();
    place();
    if (isHidden())
        show();
}

void PreviewPopup::place()
{
    int x = m_anchor.x() - width() / 2;
    int y = m_anchor.y() - height() - GapAbovePx;

    QScreen *screen = QGuiApplication::screenAt(m_anchor);
    if (!screen)
        screen = this->screen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        const int minX = area.left() + ScreenMarginPx;
        const int maxX = area.left() + area.width() - width() - ScreenMarginPx;
        // The left edge wins when the popup is wider than the area.
        x = std::max(minX, std::min(x, maxX));
        if (y < area.top())
            y = m_anchor.y() + GapBelowPx;
    }
    move(x, y);
}

void PreviewPopup::setImage(const QImage &image)
{
    if (image.isNull())
        return;
    m_picture->setPixmap(
            QPixmap::fromImage(image.scaledToWidth(PictureWidthPx, Qt::SmoothTransformation)));
    m_picture->show();
    adjustSize();
    // A frame arriving while the pointer rests must not grow the popup down
    // over the seek bar.
    if (isVisible())
        place();
}

void PreviewPopup::clearImage()
{
    m_picture->clear();
    m_picture->hide();
    adjustSize();
    if (isVisible())
        place();
}
