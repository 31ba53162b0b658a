#include "Sheets.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QPainter>

QImage renderIconSheet()
{
    const QStringList names = iconNames();
    constexpr int Columns = 8;
    constexpr int CellWidth = 150;
    constexpr int CellHeight = 66;
    constexpr int Margin = 16;
    const int rows = (int(names.size()) + Columns - 1) / Columns;
    const int footerTop = Margin + rows * CellHeight + 12;
    const QSize size(Margin * 2 + Columns * CellWidth, footerTop + 130 + Margin);

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(QLatin1String(ThemeColor::Window)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont small = QApplication::font();
    small.setPointSizeF(8);
    painter.setFont(small);

    const QColor tint(QLatin1String(ThemeColor::IconTint));
    for (int i = 0; i < names.size(); ++i) {
        const QPoint cell(Margin + (i % Columns) * CellWidth, Margin + (i / Columns) * CellHeight);
        painter.setPen(QColor(QLatin1String(ThemeColor::MutedText)));
        painter.drawText(QRect(cell.x(), cell.y(), CellWidth - 6, 16), Qt::AlignLeft,
                         QStringLiteral("%1 %2").arg(i + 1).arg(names[i]));
        int x = cell.x();
        for (int px : {16, 20, 32}) {
            painter.drawPixmap(x, cell.y() + 20 + (32 - px) / 2,
                               renderIcon(names[i], px, tint, 1.0));
            x += px + 14;
        }
        // The checked look in the accent colour, as the control bar shows it.
        painter.drawPixmap(
                x, cell.y() + 26,
                renderIcon(names[i], 20, QColor(QLatin1String(ThemeColor::Accent)), 1.0));
    }

    painter.setPen(QColor(QLatin1String(ThemeColor::MutedText)));
    painter.drawText(Margin, footerTop,
                     QStringLiteral("appLogo 80 / 40 / 16, placeholderCover 52 video, "
                                    "52 audio, 200 video, 120 audio, roundedPixmap 14"));
    int x = Margin;
    const int top = footerTop + 10;
    for (int px : {80, 40, 16}) {
        painter.drawPixmap(x, top, appLogo(px));
        x += px + 16;
    }
    for (const auto &[width, video] :
         {std::pair{52, true}, {52, false}, {200, true}, {120, false}}) {
        painter.drawPixmap(x, top, placeholderCover(width, video));
        x += width + 16;
    }
    QPixmap square(80, 80);
    QPainter squarePainter(&square);
    QLinearGradient gradient(0, 0, 80, 80);
    gradient.setColorAt(0, QColor(QLatin1String(ThemeColor::Accent)));
    gradient.setColorAt(1, QColor(QLatin1String(ThemeColor::Accent2)));
    squarePainter.fillRect(square.rect(), gradient);
    squarePainter.end();
    painter.drawPixmap(x, top, roundedPixmap(square, 14));
    return image;
}
