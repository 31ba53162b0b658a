#include "PlayerTestUtil.h"
#include "TaggedMedia.h"
#include "TestMedia.h"
#include "library/Covers.h"
#include "library/Thumbnailer.h"
#include "ui/CardDelegate.h"
#include "ui/CardView.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"
#include "ui/Theme.h"
#include "ui/window/FocusKeyFilter.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const QColor Background(ThemeColor::Window);

bool near(const QColor &a, const QColor &b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QString describe(const QColor &c)
{
    return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

QPixmap solid(QSize size, const QColor &color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

// One card as the pages make it; roles not given stay absent.
QStandardItem *card(const QString &title, const QString &kind, const QVariantMap &roles = {})
{
    auto *item = new QStandardItem(title);
    item->setData(kind, ItemRole::Kind);
    for (auto it = roles.begin(); it != roles.end(); ++it)
        item->setData(it.value(), it.key().toInt());
    return item;
}

// Paints one item into an image with a margin of background around the
// item rectangle, so anything drawn outside the card shows.
struct Painted
{
    QImage image;
    QRect itemRect;
};

Painted paintCard(const CardDelegate &delegate, QStandardItem *item, QSize itemSize,
                  QStyle::State extra = {}, int margin = 0)
{
    QStandardItemModel model;
    model.appendRow(item);
    Painted out;
    out.itemRect = QRect(QPoint(margin, margin), itemSize);
    out.image =
            QImage(itemSize + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    out.image.fill(Background);
    QStyleOptionViewItem option;
    option.rect = out.itemRect;
    option.state = QStyle::State_Enabled | extra;
    option.font = QApplication::font();
    QPainter painter(&out.image);
    delegate.paint(&painter, option, model.index(0, 0));
    return out;
}

// The bounding box of the pixels where two images differ.
QRect differences(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

void fill(CardView &view, int count, const QString &kind = QStringLiteral("audio"))
{
    for (int i = 0; i < count; ++i)
        view.model()->appendRow(
                card(QStringLiteral("Card %1").arg(i), kind,
                     {{QString::number(ItemRole::Path), QStringLiteral("/media/%1").arg(i)}}));
}

// Lets the view finish every pending layout: the delayed layout and the
// scroll bar's show or hide are posted events and zero timers.
void settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The width a vertical scroll bar takes from the viewport.
int barExtent(const CardView &view)
{
    return view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view.verticalScrollBar());
}

// Resizes so that the viewport, with the vertical bar shown, is width wide.
void setViewportWidth(CardView &view, int width)
{
    view.resize(width + barExtent(view), view.height());
}

// A double click as the platform delivers it: the second press comes with
// the double-click event.
void doubleClick(QWidget *widget, QPoint pos)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mousePress(widget, Qt::LeftButton, {}, pos);
    const QPointF global = widget->mapToGlobal(QPointF(pos));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(pos), global, Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &dbl);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

// Counts the view's layout passes.
class CountingCardView : public CardView
{
public:
    using CardView::CardView;
    void doItemsLayout() override
    {
        ++layouts;
        CardView::doItemsLayout();
    }
    int layouts = 0;
};

} // namespace

class tst_CardView final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_cardview")));
        applyTheme(*qApp);
    }

    void cleanupTestCase() { Thumbnailer::instance()->shutdown(); }

    void backgroundFollowsHoverAndSelection_data()
    {
        QTest::addColumn<bool>("listMode");
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("expected");
        for (bool list : {false, true}) {
            const char *mode = list ? "list" : "grid";
            QTest::addRow("%s plain", mode) << list << 0 << Background;
            QTest::addRow("%s hovered", mode)
                    << list << int(QStyle::State_MouseOver) << QColor(ThemeColor::Raised);
            QTest::addRow("%s selected", mode)
                    << list << int(QStyle::State_Selected) << QColor(ThemeColor::Selection);
            QTest::addRow("%s hovered and selected", mode)
                    << list << int(QStyle::State_Selected | QStyle::State_MouseOver)
                    << QColor(ThemeColor::Selection);
        }
    }

    void backgroundFollowsHoverAndSelection()
    {
        QFETCH(bool, listMode);
        QFETCH(int, state);
        QFETCH(QColor, expected);
        CardDelegate delegate(listMode, false);
        const QSize size = delegate.sizeHint({}, {});
        const Painted p = paintCard(delegate, card(QString(), QStringLiteral("audio")), size,
                                    QStyle::State(state));
        // Inside the rounded card, clear of picture and text.
        const QPoint probe(size.width() - 4 - 2, size.height() / 2);
        QCOMPARE(p.image.pixelColor(probe).name(), expected.name());
        // The inset of 4 stays background.
        QCOMPARE(p.image.pixelColor(2, size.height() / 2).name(), Background.name());
    }

    void progressBar_data()
    {
        QTest::addColumn<QVariant>("progress");
        QTest::addColumn<double>("filled"); // fraction expected filled, -1 for no bar
        QTest::newRow("half") << QVariant(0.5) << 0.5;
        QTest::newRow("over one") << QVariant(1.4) << 1.0;
        QTest::newRow("zero") << QVariant(0.0) << 0.0;
        QTest::newRow("negative") << QVariant(-1.0) << -1.0;
        QTest::newRow("missing") << QVariant() << -1.0;
        QTest::newRow("nan") << QVariant(std::nan("")) << -1.0;
        QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << 1.0;
        QTest::newRow("1e300") << QVariant(1e300) << 1.0;
    }

    void progressBar()
    {
        QFETCH(QVariant, progress);
        QFETCH(double, filled);
        CardDelegate delegate(false, false);
        const QSize size = delegate.sizeHint({}, {});
        const QColor picture(40, 40, 40);
        auto make = [&](const QVariant &value) {
            QStandardItem *item = card(QStringLiteral("t"), QStringLiteral("audio"));
            item->setData(solid(QSize(50, 50), picture), Qt::DecorationRole);
            if (value.isValid())
                item->setData(value, ItemRole::Progress);
            return paintCard(delegate, item, size);
        };
        const Painted bare = make(QVariant());
        const Painted withBar = make(progress);
        const CardDelegate::Layout parts = delegate.layout(withBar.itemRect, "audio");
        if (filled < 0) {
            QCOMPARE(withBar.image, bare.image);
            return;
        }
        const QRect &pic = parts.picture;
        // The bar takes the picture's last four rows, clear of the rounded corners.
        const int y = pic.bottom() - 1;
        QCOMPARE(withBar.image.pixelColor(pic.center().x(), pic.bottom() - 5), picture);
        QVERIFY(withBar.image.pixelColor(pic.center().x(), y) != picture);
        const int first = pic.left() + 12;
        const int last = pic.right() - 12;
        const QColor start = withBar.image.pixelColor(first, y);
        const QColor end = withBar.image.pixelColor(last, y);
        const QColor track = withBar.image.pixelColor(pic.left() + int(pic.width() * 0.75), y);
        if (filled == 0) {
            QCOMPARE(start, end);
            QVERIFY2(!near(start, QColor(ThemeColor::Accent), 60), qPrintable(describe(start)));
        } else if (filled == 1) {
            QVERIFY2(near(start, QColor(ThemeColor::Accent), 16), qPrintable(describe(start)));
            QVERIFY2(near(end, QColor(ThemeColor::Accent2), 16), qPrintable(describe(end)));
        } else {
            QVERIFY2(near(start, QColor(ThemeColor::Accent), 30), qPrintable(describe(start)));
            // Past the middle: the track, white at alpha 60 over the picture.
            const int mix = 40 + (255 - 40) * 60 / 255;
            QVERIFY2(near(track, QColor(mix, mix, mix), 3), qPrintable(describe(track)));
            QVERIFY(near(withBar.image.pixelColor(pic.left() + pic.width() / 2 - 3, y),
                         QColor(ThemeColor::Accent2), 30));
        }
    }

    void badgeSitsInTheCorner()
    {
        CardDelegate delegate(false, true);
        const QSize size = delegate.sizeHint({}, {});
        QStandardItem *item = card(QStringLiteral("t"), QStringLiteral("video"));
        item->setData(solid(QSize(64, 36), Qt::green), Qt::DecorationRole);
        item->setData(QStringLiteral("12:34"), ItemRole::Badge);
        const Painted p = paintCard(delegate, item, size);
        const QRect pic = delegate.layout(p.itemRect, "video").picture;
        const int right = pic.left() + pic.width() - 6; // first column right of the badge
        const int top = pic.top() + pic.height() - 22;  // first row of the badge
        // rgba(7, 17, 31, 210) over green.
        const QColor blended(qRound(7 * 210 / 255.0), qRound(17 * 210 / 255.0 + 255 * 45 / 255.0),
                             qRound(31 * 210 / 255.0));
        const int midRow = top + 8;
        QVERIFY(near(p.image.pixelColor(right - 2, midRow), blended, 4));
        QCOMPARE(p.image.pixelColor(right, midRow), QColor(Qt::green));
        QVERIFY(near(p.image.pixelColor(right - 3, top + 6), blended, 4));
        QCOMPARE(p.image.pixelColor(right - 3, top - 1), QColor(Qt::green));
        QVERIFY(near(p.image.pixelColor(right - 3, top + 16 - 5), blended, 4));
        QCOMPARE(p.image.pixelColor(right - 3, top + 17), QColor(Qt::green));
    }

    void placeholderStandsInForAMissingPicture_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::addColumn<bool>("listMode");
        QTest::addColumn<bool>("videoLook");
        QTest::newRow("square grid") << false << false << false;
        QTest::newRow("wide grid") << true << false << true;
        QTest::newRow("square list") << false << true << false;
        QTest::newRow("wide list") << true << true << true;
    }

    void placeholderStandsInForAMissingPicture()
    {
        QFETCH(bool, wide);
        QFETCH(bool, listMode);
        QFETCH(bool, videoLook);
        CardDelegate delegate(listMode, wide);
        const QSize size = delegate.sizeHint({}, {});
        const Painted p = paintCard(delegate, card(QString(), QStringLiteral("stream")), size);
        const QRect pic = delegate.layout(p.itemRect, "stream").picture;
        QCOMPARE(pic.width() > pic.height(), wide);
        const QImage expected =
                placeholderCover(pic.width(), videoLook)
                        .scaled(pic.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .toImage();
        // Away from the rounded corners the card shows the placeholder itself.
        int mismatches = 0;
        for (int y = 8; y < pic.height() - 8; ++y)
            for (int x = 8; x < pic.width() - 8; ++x)
                if (!near(p.image.pixelColor(pic.topLeft() + QPoint(x, y)),
                          expected.pixelColor(x, y), 2))
                    ++mismatches;
        QCOMPARE(mismatches, 0);
    }

    void decorationIsCentreCroppedAndRounded()
    {
        CardDelegate delegate(false, false);
        const QSize size = delegate.sizeHint({}, {});
        QPixmap thirds(240, 120);
        {
            QPainter painter(&thirds);
            painter.fillRect(0, 0, 80, 120, Qt::green);
            painter.fillRect(80, 0, 80, 120, Qt::red);
            painter.fillRect(160, 0, 80, 120, Qt::blue);
        }
        QStandardItem *item = card(QStringLiteral("t"), QStringLiteral("audio"));
        item->setData(thirds, Qt::DecorationRole);
        const Painted p = paintCard(delegate, item, size);
        const QRect pic = delegate.layout(p.itemRect, "audio").picture;
        QCOMPARE(pic.width(), pic.height());
        const int midY = pic.center().y();
        QCOMPARE(p.image.pixelColor(pic.center()), QColor(Qt::red));
        QCOMPARE(p.image.pixelColor(pic.left() + 1, midY), QColor(Qt::green));
        QCOMPARE(p.image.pixelColor(pic.right() - 1, midY), QColor(Qt::blue));
        // The middle half of the source fills the area: its first sixth is green.
        QCOMPARE(p.image.pixelColor(pic.left() + pic.width() / 10, midY), QColor(Qt::green));
        QCOMPARE(p.image.pixelColor(pic.left() + pic.width() / 4, midY), QColor(Qt::red));
        // Outside the rounded clip the corner stays background.
        QCOMPARE(p.image.pixelColor(pic.topLeft()), Background);
        QCOMPARE(p.image.pixelColor(pic.bottomRight()), Background);
    }

    void hoverDiscInGridOnly()
    {
        for (bool listMode : {false, true}) {
            CardDelegate delegate(listMode, false);
            const QSize size = delegate.sizeHint({}, {});
            auto make = [&](QStyle::State state) {
                QStandardItem *item = card(QStringLiteral("t"), QStringLiteral("audio"));
                item->setData(solid(QSize(50, 50), QColor(200, 200, 200)), Qt::DecorationRole);
                return paintCard(delegate, item, size, state);
            };
            const Painted plain = make({});
            const Painted hovered = make(QStyle::State_MouseOver);
            const QRect pic = delegate.layout(plain.itemRect, "audio").picture;
            // Inside the disc, below the glyph.
            const QPoint inDisc = pic.center() + QPoint(0, 17);
            const QColor disc = hovered.image.pixelColor(inDisc);
            if (listMode) {
                QCOMPARE(disc, plain.image.pixelColor(inDisc));
            } else {
                QVERIFY2(disc.blue() > 230 && disc.red() < 140, qPrintable(describe(disc)));
                // The rest of the picture is darkened.
                const QColor dimmed = hovered.image.pixelColor(pic.left() + 12, pic.top() + 12);
                QVERIFY2(dimmed.red() < 180 && dimmed.red() > 120, qPrintable(describe(dimmed)));
                // The glyph in the window colour at the centre.
                QVERIFY(near(hovered.image.pixelColor(pic.center()), Background, 40));
            }
        }
    }

    void listPictureSitsAtTheLeft()
    {
        for (bool wide : {false, true}) {
            CardDelegate delegate(true, wide);
            const QSize size = delegate.sizeHint({}, {});
            QCOMPARE(size, QSize(400, wide ? 84 : 64));
            QStandardItem *item = card(QStringLiteral("t"), QStringLiteral("stream"));
            item->setData(solid(QSize(30, 30), Qt::red), Qt::DecorationRole);
            const Painted p = paintCard(delegate, item, size);
            const QRect pic = delegate.layout(p.itemRect, "stream").picture;
            QCOMPARE(pic.topLeft(), QPoint(4 + 6, 4 + 5));
            QCOMPARE(pic.height(), size.height() - 8 - 10);
            QCOMPARE(pic.width(), wide ? pic.height() * 16 / 9 : pic.height());
            const int midY = pic.center().y();
            QCOMPARE(p.image.pixelColor(pic.left(), midY), QColor(Qt::red));
            QCOMPARE(p.image.pixelColor(pic.right(), midY), QColor(Qt::red));
            QCOMPARE(p.image.pixelColor(pic.right() + 1, midY), Background);
            QCOMPARE(p.image.pixelColor(pic.left() - 1, midY), Background);
        }
    }

    // Whatever the data, the card paints inside its rectangle, and the text
    // inside its text area.
    void badInputStaysInsideTheCard_data()
    {
        QTest::addColumn<QVariantMap>("roles");
        QTest::addColumn<QString>("kind");
        const auto decoration = [](QSize size) {
            return QVariantMap{{QString::number(Qt::DecorationRole),
                                size.isEmpty() ? QPixmap() : solid(size, Qt::yellow)}};
        };
        const auto title = [](const QString &text) {
            return QVariantMap{{QString::number(Qt::DisplayRole), text}};
        };
        QTest::newRow("tall strip") << decoration(QSize(1, 4000)) << "video";
        QTest::newRow("wide strip") << decoration(QSize(4000, 1)) << "audio";
        QTest::newRow("empty picture") << decoration(QSize(0, 0)) << "audio";
        QTest::newRow("long title") << title(QString(10000, QLatin1Char('W'))) << "audio";
        QTest::newRow("right to left")
                << title(QString::fromUtf8("مرحبا بالعالم هذا عنوان طويل جدا جدا جدا جدا جدا"))
                << "audio";
        QTest::newRow("emoji")
                << title(QString::fromUtf8(
                           "🎵🎶🎸🥁🎹🎺🎻🎷🎤🎧🎼🎵🎶🎸🥁🎹🎺"
                           "🎻"))
                << "audio";
        QTest::newRow("combining") << title(QString::fromUtf8("Z̵̡̢̛̗̘̙̜̝̞̟̠̖̗̘̙̜̝̞̟a̵̡̢̛̗̘̙̜̝̞̟l̵̡̢̛̗̘̙̜̝̞̟g̵̡̢̛̗̘̙̜̝̞̟ơ̵̡̢̗̘̙̜̝̞̟")) << "audio";
        QTest::newRow("newlines") << title(QStringLiteral("one\ntwo\nthree\r\nfour")) << "audio";
        QTest::newRow("long badge")
                << QVariantMap{{QString::number(ItemRole::Badge), QString(40, QLatin1Char('8'))}}
                << "video";
        QTest::newRow("unknown kind") << QVariantMap{} << "podcast";
        QTest::newRow("empty path")
                << QVariantMap{{QString::number(ItemRole::Path), QString()}} << "video";
        QTest::newRow("text position")
                << QVariantMap{{QString::number(ItemRole::ThumbPosition), QStringLiteral("x")}}
                << "video";
    }

    void badInputStaysInsideTheCard()
    {
        QFETCH(QVariantMap, roles);
        QFETCH(QString, kind);
        for (bool listMode : {false, true}) {
            CardDelegate delegate(listMode, kind == QLatin1String("video"));
            const QSize size = delegate.sizeHint({}, {});
            QStandardItem *item = card(QStringLiteral("Title"), kind, roles);
            item->setData(QStringLiteral("Subtitle line\nwith a break"), ItemRole::Subtitle);
            const Painted p = paintCard(delegate, item, size, QStyle::State_MouseOver, 30);
            const Painted empty =
                    paintCard(delegate, card(QString(), kind), size, QStyle::State_MouseOver, 30);
            QImage background(p.image.size(), p.image.format());
            background.fill(Background);
            const QRect drawn = differences(p.image, background);
            QVERIFY2(p.itemRect.contains(drawn), qPrintable(QStringLiteral("drawn at %1,%2 %3x%4")
                                                                    .arg(drawn.x())
                                                                    .arg(drawn.y())
                                                                    .arg(drawn.width())
                                                                    .arg(drawn.height())));
            if (roles.contains(QString::number(Qt::DisplayRole))) {
                const QRect text = delegate.layout(p.itemRect, kind).text;
                const QRect titleDrawn = differences(p.image, empty.image);
                QVERIFY(!titleDrawn.isEmpty());
                QVERIFY(text.contains(titleDrawn));
            }
        }
    }

    void picturesMatchTheDeviceResolution()
    {
        CardDelegate delegate(false, true);
        QStandardItemModel model;
        QStandardItem *item = card(QString(), QStringLiteral("video"));
        item->setData(solid(QSize(64, 36), Qt::red), Qt::DecorationRole);
        model.appendRow(item);
        for (qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
            const QPixmap pixmap =
                    delegate.picture(model.index(0, 0), QSize(233, 131), true, ratio);
            QCOMPARE(pixmap.size(), QSize(qRound(233 * ratio), qRound(131 * ratio)));
            QCOMPARE(pixmap.devicePixelRatio(), ratio);
            const QPixmap placeholder =
                    delegate.picture(QModelIndex(), QSize(233, 131), true, ratio);
            QCOMPARE(placeholder.size(), QSize(qRound(233 * ratio), qRound(131 * ratio)));
        }
        // Repeated paints reuse what was made; a new picture replaces the old.
        const int cached = delegate.pictureCache().count();
        delegate.picture(model.index(0, 0), QSize(233, 131), true, 1.5);
        QCOMPARE(delegate.pictureCache().count(), cached);
        item->setData(solid(QSize(64, 36), Qt::blue), Qt::DecorationRole);
        const QImage fresh =
                delegate.picture(model.index(0, 0), QSize(233, 131), true, 1.5).toImage();
        QCOMPARE(fresh.pixelColor(100, 60), QColor(Qt::blue));
    }

    void gridFollowsTheWidth()
    {
        CardView view(false, false);
        fill(view, 60);
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const qreal ratio = view.devicePixelRatioF();

        const struct
        {
            int width, columns, cardWidth;
        } cases[] = {{1000, 4, 233}, {150, 1, 140},  {300, 1, 280}, {455, 1, 435},
                     {456, 2, 210},  {1920, 8, 223}, {1000, 4, 233}};
        for (const auto &c : cases) {
            setViewportWidth(view, c.width);
            QTRY_COMPARE(view.visualRect(view.model()->index(0, 0)).width(), c.cardWidth + 16);
            settle();
            QVERIFY(view.verticalScrollBar()->isVisible());
            int columns = 0;
            const int firstTop = view.visualRect(view.model()->index(0, 0)).top();
            for (int i = 0; i < view.model()->rowCount(); ++i) {
                const QRect r = view.visualRect(view.model()->index(i, 0));
                QCOMPARE(r.size(), QSize(c.cardWidth + 16, c.cardWidth + 64));
                if (r.top() == firstTop)
                    ++columns;
            }
            QCOMPARE(columns, c.columns);
        }

        // Every picture fills its area to the last device pixel.
        setViewportWidth(view, 1000);
        QTRY_COMPARE(view.visualRect(view.model()->index(0, 0)).width(), 233 + 16);
        view.verticalScrollBar()->setValue(0);
        for (int i = 0; i < 4; ++i)
            view.model()->item(i)->setData(solid(QSize(40, 40), Qt::red), Qt::DecorationRole);
        // No card under the pointer: a hovered one is darkened.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view.viewport(), &leave);
        settle();
        const QImage grab = view.viewport()->grab().toImage();
        QCOMPARE(grab.devicePixelRatio(), ratio);
        for (int i = 0; i < 4; ++i) {
            const QRect r = view.visualRect(view.model()->index(i, 0));
            const QRect pic = view.cardDelegate()->layout(r, "audio").picture;
            const int lastX = int(std::floor((pic.left() + pic.width()) * ratio)) - 1;
            const int lastY = int(std::floor((pic.top() + pic.height()) * ratio)) - 1;
            const int firstX = int(std::ceil(pic.left() * ratio));
            const int midX = int((pic.center().x()) * ratio);
            const int midY = int((pic.center().y()) * ratio);
            QCOMPARE(grab.pixelColor(lastX, midY), QColor(Qt::red));
            QCOMPARE(grab.pixelColor(firstX, midY), QColor(Qt::red));
            QCOMPARE(grab.pixelColor(midX, lastY), QColor(Qt::red));
        }
    }

    // Widths at each column threshold, with about a screen of cards: the
    // bar showing or hiding must not change the columns again.
    void layoutSettlesAtThresholds()
    {
        for (int columns = 1; columns <= 5; ++columns) {
            const int threshold = columns * CardView::ColumnPx + 4;
            for (int width : {threshold - 1, threshold, threshold + 1}) {
                const int cardWidth = CardView::gridCardWidth(width);
                const int cardHeight = cardWidth + 64;
                for (int rows : {2, 3}) {
                    CountingCardView view(false, false);
                    const int perRow = qMax(1, (width - 4) / CardView::ColumnPx);
                    fill(view, perRow * rows);
                    // Content as tall as the viewport, give or take a few pixels.
                    view.resize(width, rows * cardHeight + 2);
                    view.show();
                    QVERIFY(QTest::qWaitForWindowExposed(&view));
                    settle();
                    view.layouts = 0;
                    view.resize(width + barExtent(view), rows * cardHeight - 2);
                    settle();
                    QVERIFY2(view.layouts <= 2, qPrintable(QString::number(view.layouts)));
                    const int contentHeight =
                            view.visualRect(view.model()->index(view.model()->rowCount() - 1, 0))
                                    .bottom() +
                            1 + view.verticalScrollBar()->value();
                    QCOMPARE(view.verticalScrollBar()->isVisible(),
                             contentHeight > view.viewport()->height());
                }
            }
        }
    }

    void keyboard()
    {
        CardView view(false, false);
        fill(view, 40);
        setViewportWidth(view, 1000);
        view.resize(view.width(), 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_COMPARE(view.visualRect(view.model()->index(0, 0)).width(), 233 + 16);
        view.setFocus();
        view.setCurrentIndex(view.model()->index(5, 0));
        const auto row = [&] {
            return view.currentIndex().row();
        };
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(row(), 9);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(row(), 5);
        QTest::keyClick(&view, Qt::Key_Right);
        QCOMPARE(row(), 6);
        QTest::keyClick(&view, Qt::Key_Left);
        QCOMPARE(row(), 5);
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(row(), 39);
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(row(), 0);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QVERIFY(row() >= 4);
        QCOMPARE(row() % 4, 0);
        const int paged = row();
        QTest::keyClick(&view, Qt::Key_PageUp);
        QVERIFY(row() < paged);

        view.setCurrentIndex(view.model()->index(1, 0));
        QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        const QModelIndexList extended = view.selectionModel()->selectedIndexes();
        QVERIFY(extended.contains(view.model()->index(1, 0)));
        QVERIFY(extended.contains(view.model()->index(5, 0)));
        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), 40);

        QSignalSpy activated(&view, &CardView::activatedPath);
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(activated.at(0).at(0).toModelIndex(), view.currentIndex());

        CardView list(true, false);
        fill(list, 10);
        list.resize(500, 400);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.setCurrentIndex(list.model()->index(2, 0));
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.currentIndex().row(), 3);

        CardView shelf(false, false);
        shelf.setShelf(true);
        fill(shelf, 12);
        shelf.resize(700, shelf.sizeHint().height());
        shelf.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shelf));
        shelf.setCurrentIndex(shelf.model()->index(0, 0));
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(&shelf, Qt::Key_Right);
        QCOMPARE(shelf.currentIndex().row(), 6);
        QVERIFY(shelf.horizontalScrollBar()->value() > 0);
        // The drawn card (the item inset by 4) is in view; the list may leave
        // the item's last empty column outside.
        const QRect current = shelf.visualRect(shelf.currentIndex());
        QVERIFY(shelf.viewport()->rect().contains(current.adjusted(4, 4, -4, -4)));
    }

    // In the window the view keeps its navigation keys, while Left and Right
    // stay with the window's seek shortcuts.
    void windowKeysAroundTheView()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *view = new CardView(false, false);
        layout->addWidget(view);
        fill(*view, 20);
        FocusKeyFilter filter(nullptr);
        int seeks = 0;
        int others = 0;
        for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right}) {
            auto *action = new QAction(&window);
            action->setShortcut(key);
            connect(action, &QAction::triggered, &window, [&seeks] { ++seeks; });
            window.addAction(action);
        }
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_Return}) {
            auto *action = new QAction(&window);
            action->setShortcut(key);
            connect(action, &QAction::triggered, &window, [&others] { ++others; });
            window.addAction(action);
        }
        window.resize(1000, 700);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        view->setFocus();
        view->setCurrentIndex(view->model()->index(5, 0));
        QSignalSpy activated(view, &CardView::activatedPath);

        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(seeks, 1);
        QCOMPARE(view->currentIndex().row(), 5);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(seeks, 2);
        const int columns =
                view->viewport()->width() / view->visualRect(view->model()->index(0, 0)).width();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->currentIndex().row(), 5 + columns);
        QTest::keyClick(view, Qt::Key_End);
        QCOMPARE(view->currentIndex().row(), 19);
        QTest::keyClick(view, Qt::Key_Home);
        QCOMPARE(view->currentIndex().row(), 0);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(others, 0);
    }

    void signalsAndModes()
    {
        CardView view(false, false);
        fill(view, 3);
        view.resize(1000, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy menu(&view, &CardView::menuRequested);
        QSignalSpy activated(&view, &CardView::activatedPath);

        const QModelIndex second = view.model()->index(1, 0);
        const QPoint onCard = view.visualRect(second).center();
        QContextMenuEvent onItem(QContextMenuEvent::Mouse, onCard,
                                 view.viewport()->mapToGlobal(onCard));
        QApplication::sendEvent(view.viewport(), &onItem);
        QCOMPARE(menu.size(), 1);
        QCOMPARE(menu.at(0).at(0).toModelIndex(), second);
        QCOMPARE(menu.at(0).at(1).toPoint(), view.viewport()->mapToGlobal(onCard));
        const QPoint empty(view.viewport()->width() - 5, view.viewport()->height() - 5);
        QVERIFY(!view.indexAt(empty).isValid());
        QContextMenuEvent offItem(QContextMenuEvent::Mouse, empty,
                                  view.viewport()->mapToGlobal(empty));
        QApplication::sendEvent(view.viewport(), &offItem);
        QCOMPARE(menu.size(), 1);

        doubleClick(view.viewport(), onCard);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(activated.at(0).at(0).toModelIndex(), second);

        QCOMPARE(view.flow(), QListView::LeftToRight);
        QVERIFY(view.isWrapping());
        const int gridHeight = view.cardDelegate()->sizeHint({}, {}).height();
        view.setShelf(true);
        QCOMPARE(view.flow(), QListView::LeftToRight);
        QVERIFY(!view.isWrapping());
        QCOMPARE(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QCOMPARE(view.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(view.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(view.sizeHint(), QSize(600, view.cardDelegate()->sizeHint({}, {}).height() + 18));
        QVERIFY(gridHeight > 64);
        view.setShelf(false);
        QVERIFY(view.isWrapping());
        QCOMPARE(view.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(view.sizePolicy().verticalPolicy(), QSizePolicy::Expanding);

        CardView list(true, true);
        QCOMPARE(list.flow(), QListView::TopToBottom);
        list.setShelf(true);
        QCOMPARE(list.flow(), QListView::LeftToRight);
        QCOMPARE(list.sizeHint(), QSize(600, 84 + 18));
        list.setShelf(false);
        QCOMPARE(list.flow(), QListView::TopToBottom);
        QVERIFY(!list.isWrapping());
    }

    // Cards without a decoration show the thumbnail or the embedded cover
    // once it is ready, and the view repaints when it arrives.
    void realPictures()
    {
        const QString video = TestMedia::numberedVideo(m_home.filePath(QStringLiteral("n.mp4")), 50,
                                                       QColor(200, 120, 40), 2, 320, 180);
        QVERIFY(!video.isEmpty());
        const QString song = TaggedMedia::audio(m_home.filePath(QStringLiteral("s.mp3")));
        QVERIFY(!song.isEmpty());
        TaggedMedia::Tags tags;
        tags.title = QStringLiteral("Song");
        QByteArray jpeg;
        {
            QImage cover(64, 64, QImage::Format_RGB32);
            cover.fill(QColor(30, 60, 220));
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(cover.save(&buffer, "JPEG", 95));
        }
        tags.picture = jpeg;
        QVERIFY(TaggedMedia::writeTags(song, tags));

        CardView view(false, true);
        const QString path = QString::number(ItemRole::Path);
        view.model()->appendRow(card(QStringLiteral("default frame"), "video", {{path, video}}));
        view.model()->appendRow(
                card(QStringLiteral("history frame"), "video",
                     {{path, video},
                      {QString::number(ItemRole::ThumbPosition), 42.0},
                      {QString::number(ItemRole::ThumbTag), QStringLiteral("hist")}}));
        view.model()->appendRow(card(QStringLiteral("song"), "audio", {{path, song}}));
        int paints = 0;
        struct PaintCounter : QObject
        {
            int *count;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    ++*count;
                return false;
            }
        } filter;
        filter.count = &paints;
        view.viewport()->installEventFilter(&filter);
        QSignalSpy ready(Covers::instance(), &Covers::ready);
        view.resize(1000, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const auto frameOf = [&](int row) {
            const QModelIndex index = view.model()->index(row, 0);
            const QRect area = view.cardDelegate()->layout(view.visualRect(index), "video").picture;
            return TestMedia::readNumberedFrame(
                           view.cardDelegate()->picture(index, area.size(), true, 1.0).toImage())
                    .frame;
        };
        const int fps = TestMedia::NumberedFps;
        QTRY_COMPARE_WITH_TIMEOUT(frameOf(0), 6 * fps, 30000); // 15 % of 50 s: the key at 6 s
        QTRY_COMPARE_WITH_TIMEOUT(frameOf(1), 42 * fps, 30000);
        const QModelIndex songIndex = view.model()->index(2, 0);
        const QRect songArea =
                view.cardDelegate()->layout(view.visualRect(songIndex), "audio").picture;
        const auto songCentre = [&] {
            const QImage image =
                    view.cardDelegate()->picture(songIndex, songArea.size(), false, 1.0).toImage();
            return image.pixelColor(image.rect().center());
        };
        QTRY_VERIFY_WITH_TIMEOUT(near(songCentre(), QColor(30, 60, 220), 24), 30000);
        // Each picture that arrived asked the view to paint again.
        QVERIFY(!ready.isEmpty());
        const int before = paints;
        emit Covers::instance()->ready(QStringLiteral("/not/in/the/model"));
        QTRY_VERIFY(paints > before);
    }

    // The model changing under a hovered card repaints without trouble.
    void modelChangesUnderTheMouse()
    {
        CardView view(false, false);
        fill(view, 8);
        view.resize(800, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint onCard = view.visualRect(view.model()->index(2, 0)).center();
        QTest::mouseMove(view.viewport(), onCard);
        view.model()->removeRows(1, 3);
        view.viewport()->repaint();
        view.model()->clear();
        view.viewport()->repaint();
        fill(view, 2);
        view.viewport()->repaint();
        QCOMPARE(view.model()->rowCount(), 2);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(tst_CardView)
#include "tst_cardview.moc"
