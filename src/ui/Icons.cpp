#include "ui/Icons.h"

#include "ui/Theme.h"
#include "ui/TintedIconEngine.h"

#include <QGuiApplication>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace {

const QString SvgTemplate =
        QStringLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" )"
                       R"(stroke="currentColor" stroke-width="2" stroke-linecap="round" )"
                       R"(stroke-linejoin="round">%1</svg>)");

const QColor DefaultTint(QLatin1String(ThemeColor::IconTint));
const QColor AccentTint(QLatin1String(ThemeColor::Accent));

qreal applicationPixelRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap renderSvg(const QByteArray &document, int widthPx, int heightPx, qreal ratio)
{
    QSvgRenderer renderer(document);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(qMax(1, qRound(widthPx * ratio)), qMax(1, qRound(heightPx * ratio)));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, pixmap.width(), pixmap.height()));
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

QPixmap renderIcon(const QString &name, int sizePx, const QColor &color)
{
    return renderIcon(name, sizePx, color, applicationPixelRatio());
}

QPixmap renderIcon(const QString &name, int sizePx, const QColor &color, qreal devicePixelRatio)
{
    const QString markup = iconMarkup(name);
    if (markup.isEmpty() || sizePx <= 0)
        return {};
    QString document = SvgTemplate.arg(markup);
    document.replace(QLatin1String("currentColor"), color.name(QColor::HexRgb));
    return renderSvg(document.toUtf8(), sizePx, sizePx, devicePixelRatio);
}

QIcon tintedIcon(const QString &name, const QColor &normal, const QColor &active)
{
    // Lives as long as the process; only the GUI thread builds icons.
    static QHash<QString, QIcon> cache;
    const QString key = name + normal.name(QColor::HexRgb) + active.name(QColor::HexRgb);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;

    if (iconMarkup(name).isEmpty())
        return {};
    const QIcon result(new TintedIconEngine(name, normal, active));
    cache.insert(key, result);
    return result;
}

QIcon icon(const QString &name)
{
    return tintedIcon(name, DefaultTint, AccentTint);
}

QIcon appIcon()
{
    initThemeResources();
    QIcon result;
    const QString path = QStringLiteral(":/icons/zorvi-player.svg");
    for (int sizePx : {16, 24, 32, 48, 64, 128, 256})
        result.addFile(path, QSize(sizePx, sizePx));
    return result;
}

QPixmap appLogo(int sizePx)
{
    return appIcon().pixmap(QSize(sizePx, sizePx));
}

QPixmap placeholderCover(int widthPx, bool isVideo)
{
    const int w = qMax(1, widthPx);
    const int h = qMax(1, isVideo ? w * 9 / 16 : w);
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QLinearGradient gradient(QPointF(0, 0), QPointF(w, h));
    gradient.setColorAt(0, themeColor(ThemeColor::Raised));
    gradient.setColorAt(1, themeColor(ThemeColor::Base));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(0, 0, w, h), 8, 8);

    const int glyphPx = qMin(w, h) / 3;
    const QPixmap glyph = renderIcon(isVideo ? QStringLiteral("film") : QStringLiteral("music"),
                                     glyphPx, AccentTint);
    if (!glyph.isNull()) {
        painter.setOpacity(0.55);
        painter.drawPixmap(QRectF((w - glyphPx) / 2.0, (h - glyphPx) / 2.0, glyphPx, glyphPx),
                           glyph, QRectF(glyph.rect()));
    }
    return pixmap;
}

QPixmap roundedPixmap(const QPixmap &pixmap, qreal radiusPx)
{
    if (pixmap.isNull())
        return pixmap;
    QPixmap result(pixmap.size());
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    result.fill(Qt::transparent);

    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()), radiusPx, radiusPx);
    painter.setClipPath(clip);
    painter.drawPixmap(0, 0, pixmap);
    return result;
}
