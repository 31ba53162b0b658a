#include "Sheets.h"
#include "ui/CardDelegate.h"
#include "ui/CardView.h"
#include "ui/ItemRoles.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QStandardItemModel>

namespace {

// A made-up picture: a diagonal gradient with a light disc, so crops and
// scaling show.
QPixmap samplePicture(QSize size, const QColor &from, const QColor &to)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(QPointF(0, 0), QPointF(size.width(), size.height()));
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(pixmap.rect(), gradient);
    painter.setBrush(QColor(255, 255, 255, 120));
    painter.setPen(Qt::NoPen);
    const int d = qMin(size.width(), size.height()) / 2;
    painter.drawEllipse(QRect(size.width() / 2 - d / 2, size.height() / 2 - d / 2, d, d));
    return pixmap;
}

struct Sample
{
    QString title;
    QString subtitle;
    QString kind;
    QVariant progress;
    QString badge;
    bool picture = false;
    QStyle::State state = {};
};

QStandardItem *itemFor(const Sample &s)
{
    auto *item = new QStandardItem(s.title);
    item->setData(s.kind, ItemRole::Kind);
    item->setData(s.subtitle, ItemRole::Subtitle);
    if (s.progress.isValid())
        item->setData(s.progress, ItemRole::Progress);
    if (!s.badge.isEmpty())
        item->setData(s.badge, ItemRole::Badge);
    if (s.picture) {
        const bool video = s.kind == QLatin1String("video");
        item->setData(samplePicture(video ? QSize(640, 360) : QSize(500, 500),
                                    video ? QColor("#1e6fa8") : QColor("#a83a6f"),
                                    QColor("#f2b33d")),
                      Qt::DecorationRole);
    }
    return item;
}

// One row of cards painted straight through the delegate, so hover and
// selection can be shown side by side.
int paintRow(QPainter &painter, int top, const QString &caption, const CardDelegate &delegate,
             const QList<Sample> &samples)
{
    constexpr int Margin = 16;
    painter.setPen(QColor(QLatin1String(ThemeColor::MutedText)));
    painter.setFont(QApplication::font());
    painter.drawText(Margin, top + 14, caption);
    top += 22;
    QStandardItemModel model;
    for (const Sample &s : samples)
        model.appendRow(itemFor(s));
    const QSize size = delegate.sizeHint({}, {});
    const int perRow = delegate.listMode() ? 2 : 5;
    for (int i = 0; i < samples.size(); ++i) {
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(Margin + (i % perRow) * (size.width() + 8),
                                   top + (i / perRow) * (size.height() + 4)),
                            size);
        option.state = QStyle::State_Enabled | samples[i].state;
        option.font = QApplication::font();
        delegate.paint(&painter, option, model.index(i, 0));
    }
    const int rows = int((samples.size() + perRow - 1) / perRow);
    return top + rows * (size.height() + 4) + 12;
}

} // namespace

QImage renderCardSheet()
{
    const qreal ratio = qApp->devicePixelRatio();
    const QSize logical(1200, 1120);
    QImage image(logical * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(QLatin1String(ThemeColor::Window)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const QString longTitle = QStringLiteral("A very long title ").repeated(17).left(300);
    const QList<Sample> videos = {
            {QStringLiteral("Placeholder"), QStringLiteral("stream, no picture"), "stream", {}, {}},
            {QStringLiteral("Hovered"), QStringLiteral("progress 0.5, badge"), "video", 0.5,
             QStringLiteral("1:23:45"), true, QStyle::State_MouseOver},
            {QStringLiteral("Selected"),
             QStringLiteral("progress 0"),
             "video",
             0.0,
             {},
             true,
             QStyle::State_Selected},
            {QStringLiteral("Over the end"),
             QStringLiteral("progress 1.4"),
             "video",
             1.4,
             {},
             true},
            {longTitle, QStringLiteral("300 characters, no progress"), "video", {}, {}, true},
    };
    QList<Sample> songs = {
            {QStringLiteral("Placeholder"), QStringLiteral("audio, no cover"), "audio", {}, {}},
            {QStringLiteral("Hovered"),
             QStringLiteral("badge"),
             "audio",
             {},
             QStringLiteral("3:45"),
             true,
             QStyle::State_MouseOver},
            {QStringLiteral("Selected"),
             QStringLiteral("Artist"),
             "audio",
             {},
             {},
             true,
             QStyle::State_Selected},
            {QStringLiteral("Stream"), QStringLiteral("radio"), "stream", {}, {}},
            {longTitle, QStringLiteral("Artist with a long name as well"), "audio", 0.3, {}, true},
    };

    int top = 12;
    CardDelegate gridWide(false, true);
    gridWide.setCardWidth(200);
    top = paintRow(painter, top, QStringLiteral("grid, wide (video)"), gridWide, videos);
    CardDelegate gridSquare(false, false);
    gridSquare.setCardWidth(180);
    top = paintRow(painter, top, QStringLiteral("grid, square (music)"), gridSquare, songs);
    CardDelegate listWide(true, true);
    top = paintRow(painter, top, QStringLiteral("list, wide"), listWide, videos.mid(0, 4));
    CardDelegate listSquare(true, false);
    top = paintRow(painter, top, QStringLiteral("list, square"), listSquare, songs.mid(0, 4));

    // A real shelf, grabbed as it draws itself.
    painter.setPen(QColor(QLatin1String(ThemeColor::MutedText)));
    painter.drawText(16, top + 14, QStringLiteral("shelf"));
    top += 22;
    CardView shelf(false, true);
    shelf.setShelf(true);
    for (const Sample &s : videos)
        shelf.model()->appendRow(itemFor(s));
    for (const Sample &s : videos)
        shelf.model()->appendRow(itemFor(s));
    shelf.resize(1168, shelf.sizeHint().height());
    shelf.setAttribute(Qt::WA_DontShowOnScreen);
    shelf.show();
    QApplication::processEvents();
    painter.drawPixmap(16, top, shelf.grab());
    return image;
}
