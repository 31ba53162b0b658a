#include "UpFrontIcon.h"
#include "ui/Icons.h"

#include <QPainter>
#include <QSet>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

namespace {

// Every name the other screens ask for, in table order.
const QStringList ExpectedNames = {
        "play",     "pause",        "stop",          "prev",         "next",
        "back10",   "fwd10",        "shuffle",       "repeat",       "repeat-one",
        "volume",   "volume-low",   "volume-x",      "fullscreen",   "fullscreen-exit",
        "queue",    "captions",     "audio",         "speed",        "eq",
        "more",     "home",         "film",          "music",        "playlist",
        "clock",    "radio",        "settings",      "folder",       "folder-plus",
        "file",     "link",         "plus",          "trash",        "search",
        "heart",    "heart-filled", "camera",        "pip",          "image",
        "x",        "check",        "pin",           "download",     "upload",
        "edit",     "refresh",      "info",          "tv",           "globe",
        "ab",       "rotate",       "mirror",        "aspect",       "mic",
        "mini",     "chevron-left", "chevron-right", "chevron-down", "frame",
        "keyboard", "sparkles",     "grid",          "list"};

int colorDistance(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

QColor centerColor(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// Bounding box of the pixels that stand out from the dark gradient.
QRect brightArea(const QImage &image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).green() > 70)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

} // namespace

class tst_Icons final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(qApp->devicePixelRatio(), 1.0);
    }

    void unknownNamesGiveNothing()
    {
        for (const QString &name : {QString(), QStringLiteral("nope"), QStringLiteral("Play"),
                                    QStringLiteral("play "), QStringLiteral("repeat_one")}) {
            QVERIFY2(renderIcon(name, 20, Qt::white).isNull(), qPrintable(name));
            QVERIFY2(tintedIcon(name, Qt::white, Qt::red).isNull(), qPrintable(name));
            QVERIFY2(icon(name).isNull(), qPrintable(name));
            QVERIFY2(iconMarkup(name).isEmpty(), qPrintable(name));
        }
    }

    void tableHoldsTheNamesInOrder() { QCOMPARE(iconNames(), ExpectedNames); }

    void everyGlyphRendersInItsTint_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : ExpectedNames)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyGlyphRendersInItsTint()
    {
        QFETCH(QString, name);
        // An unusual tint, so a colour left in the markup (or a "currentColor"
        // that was not replaced and falls back to black) shows up.
        const QColor tint(QStringLiteral("#e0309a"));
        for (int sizePx : {16, 20, 24}) {
            const QPixmap pixmap = renderIcon(name, sizePx, tint, 1.0);
            QVERIFY(!pixmap.isNull());
            QCOMPARE(pixmap.size(), QSize(sizePx, sizePx));
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            int solid = 0;
            int exact = 0;
            for (int y = 0; y < sizePx; ++y) {
                for (int x = 0; x < sizePx; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.alpha() < 128)
                        continue;
                    ++solid;
                    QVERIFY2(colorDistance(c, tint) <= 24,
                             qPrintable(QStringLiteral("%1 px %2: pixel (%3,%4) is %5")
                                                .arg(sizePx)
                                                .arg(name)
                                                .arg(x)
                                                .arg(y)
                                                .arg(c.name())));
                    if (c.alpha() == 255 && colorDistance(c, tint) <= 3)
                        ++exact;
                }
            }
            // Even the three dots of "more" cover some pixels; where a stroke
            // covers a whole pixel it has exactly the tint.
            QVERIFY2(solid >= sizePx / 2, qPrintable(QString::number(solid)));
            if (sizePx == 24)
                QVERIFY(exact > 0);
        }
        // Paint comes only from the tint: a misspelt colour would silently drop
        // a shape instead of failing to render.
        QXmlStreamReader xml(QStringLiteral("<g>%1</g>").arg(iconMarkup(name)));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                if (attribute.name() != QLatin1String("fill") &&
                    attribute.name() != QLatin1String("stroke"))
                    continue;
                QVERIFY2(attribute.value() == QLatin1String("currentColor") ||
                                 attribute.value() == QLatin1String("none"),
                         qPrintable(attribute.value().toString()));
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

        // Nothing is cut off by the edge of the 24-unit box.
        const QImage image = renderIcon(name, 24, tint, 1.0).toImage();
        for (int i = 0; i < 24; ++i) {
            for (const QPoint p : {QPoint(i, 0), QPoint(i, 23), QPoint(0, i), QPoint(23, i)})
                QVERIFY2(image.pixelColor(p).alpha() < 200,
                         qPrintable(QStringLiteral("edge pixel (%1,%2)").arg(p.x()).arg(p.y())));
        }
    }

    void glyphsAreAllDifferent()
    {
        QSet<QByteArray> seen;
        for (const QString &name : iconNames()) {
            const QImage image = renderIcon(name, 24, Qt::white, 1.0).toImage();
            const QByteArray bytes(reinterpret_cast<const char *>(image.constBits()),
                                   image.sizeInBytes());
            QVERIFY2(!seen.contains(bytes), qPrintable(name + " looks like another glyph"));
            seen.insert(bytes);
        }
    }

    void tintedIconFollowsTheStateTable()
    {
        const QColor normal(QStringLiteral("#123456"));
        const QColor active(QStringLiteral("#abcdef"));
        // "stop" is a solid square, so its centre shows the plain tint.
        const QIcon stop = tintedIcon(QStringLiteral("stop"), normal, active);
        QVERIFY(!stop.isNull());
        for (int sizePx : {16, 20, 24, 32})
            QVERIFY2(stop.availableSizes().contains(QSize(sizePx, sizePx)),
                     qPrintable(QString::number(sizePx)));
        for (const TintState &row : tintStates(normal, active)) {
            for (int sizePx : {16, 32}) {
                const QPixmap pixmap = stop.pixmap(QSize(sizePx, sizePx), row.mode, row.state);
                QCOMPARE(pixmap.size(), QSize(sizePx, sizePx));
                QCOMPARE(centerColor(pixmap).name(), row.colour.name());
            }
        }
    }

    void picturesDrawnOnDemandMatchTheUpFrontIcon()
    {
        compareWithUpFrontIcon(QStringLiteral("heart-filled"), QColor("#c9d4e3"),
                               QColor("#ff5c8a"));
    }

    void iconsAreCachedByNameAndColours()
    {
        const QColor normal(QStringLiteral("#c9d4e3"));
        const QIcon first = tintedIcon(QStringLiteral("heart-filled"), normal, QColor("#ff5c8a"));
        const QIcon again = tintedIcon(QStringLiteral("heart-filled"), normal, QColor("#ff5c8a"));
        QCOMPARE(again.cacheKey(), first.cacheKey());

        const QIcon otherActive =
                tintedIcon(QStringLiteral("heart-filled"), normal, QColor("#2bd9fe"));
        QVERIFY(otherActive.cacheKey() != first.cacheKey());
        QCOMPARE(centerColor(otherActive.pixmap(QSize(24, 24), QIcon::Normal, QIcon::On)).name(),
                 QStringLiteral("#2bd9fe"));
        QCOMPARE(centerColor(first.pixmap(QSize(24, 24), QIcon::Normal, QIcon::On)).name(),
                 QStringLiteral("#ff5c8a"));

        const QIcon otherName = tintedIcon(QStringLiteral("stop"), normal, QColor("#ff5c8a"));
        QVERIFY(otherName.cacheKey() != first.cacheKey());

        // The default pair is the one the plain icon uses.
        QCOMPARE(icon(QStringLiteral("stop")).cacheKey(),
                 tintedIcon(QStringLiteral("stop"), normal, QColor("#2bd9fe")).cacheKey());
        QCOMPARE(centerColor(icon(QStringLiteral("stop")).pixmap(QSize(20, 20))).name(),
                 normal.name());
    }

    void placeholderSizesAndGlyph_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("video");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("glyphPx");
        QTest::newRow("video 52") << 52 << true << QSize(52, 29) << 9;
        QTest::newRow("audio 52") << 52 << false << QSize(52, 52) << 17;
        QTest::newRow("video 200") << 200 << true << QSize(200, 112) << 37;
        QTest::newRow("audio 120") << 120 << false << QSize(120, 120) << 40;
    }
    void placeholderSizesAndGlyph()
    {
        QFETCH(int, width);
        QFETCH(bool, video);
        QFETCH(QSize, size);
        QFETCH(int, glyphPx);
        const QPixmap pixmap = placeholderCover(width, video);
        QCOMPARE(pixmap.size(), size);
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);

        // Rounded corners, gradient from the lighter top left to the darker
        // bottom right.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(size.width() - 1, size.height() - 1).alpha(), 0);
        const QColor topLeft = image.pixelColor(4, 4);
        const QColor bottomRight = image.pixelColor(size.width() - 5, size.height() - 5);
        QCOMPARE(topLeft.alpha(), 255);
        QVERIFY(colorDistance(topLeft, QColor("#12233a")) <
                colorDistance(topLeft, QColor("#0d1b2e")));
        QVERIFY(colorDistance(bottomRight, QColor("#0d1b2e")) <
                colorDistance(bottomRight, QColor("#12233a")));

        // The glyph sits in the centre and fits a square of its size.
        const QRect glyph = brightArea(image);
        QVERIFY2(!glyph.isEmpty(), "no glyph drawn");
        const QRect box((size.width() - glyphPx) / 2, (size.height() - glyphPx) / 2, glyphPx,
                        glyphPx);
        QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(glyph),
                 qPrintable(QStringLiteral("glyph %1,%2 %3x%4")
                                    .arg(glyph.x())
                                    .arg(glyph.y())
                                    .arg(glyph.width())
                                    .arg(glyph.height())));
        QVERIFY(glyph.width() >= glyphPx / 2 && glyph.height() >= glyphPx / 2);
    }

    void roundedPixmapClearsTheCorners()
    {
        QVERIFY(roundedPixmap(QPixmap(), 8).isNull());

        QPixmap square(40, 30);
        square.fill(Qt::red);
        const QImage image = roundedPixmap(square, 10).toImage();
        QCOMPARE(image.size(), QSize(40, 30));
        for (const QPoint corner : {QPoint(0, 0), QPoint(39, 0), QPoint(0, 29), QPoint(39, 29),
                                    QPoint(1, 1), QPoint(38, 28)})
            QCOMPARE(image.pixelColor(corner).alpha(), 0);
        for (const QPoint inside : {QPoint(20, 15), QPoint(20, 0), QPoint(0, 15), QPoint(39, 15)})
            QCOMPARE(image.pixelColor(inside), QColor(Qt::red));

        // The radius is in device-independent pixels and the ratio is kept.
        QPixmap sharp(80, 60);
        sharp.setDevicePixelRatio(2.0);
        sharp.fill(Qt::blue);
        const QPixmap rounded = roundedPixmap(sharp, 10);
        QCOMPARE(rounded.devicePixelRatio(), 2.0);
        QCOMPARE(rounded.size(), QSize(80, 60));
        const QImage hidpi = rounded.toImage();
        QCOMPARE(hidpi.pixelColor(4, 4).alpha(), 0); // 2 logical pixels in, still outside
        QCOMPARE(hidpi.pixelColor(40, 30), QColor(Qt::blue));
    }

    void applicationIconComesFromTheResources()
    {
        const QIcon app = appIcon();
        QVERIFY(!app.isNull());
        for (int sizePx : {16, 40, 80}) {
            const QPixmap logo = appLogo(sizePx);
            QCOMPARE(logo.size(), QSize(sizePx, sizePx));
            const QImage image = logo.toImage();
            QCOMPARE(image.pixelColor(sizePx / 2, sizePx / 2).alpha(), 255);
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // the tile has round corners
        }
    }
};

QTEST_MAIN(tst_Icons)
#include "tst_icons.moc"
