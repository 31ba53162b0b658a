#include "UpFrontIcon.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QStandardPaths>
#include <QtTest>

// The same glyphs on a screen scaled by 1.5: pictures are made at the device
// resolution and carry the ratio, so they stay sharp and keep their layout size.
class tst_IconsHiDpi final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(qApp->devicePixelRatio(), 1.5);
    }

    void iconsRenderAtDevicePixels()
    {
        const QPixmap play = renderIcon(QStringLiteral("play"), 20, QColor("#2bd9fe"));
        QCOMPARE(play.size(), QSize(30, 30));
        QCOMPARE(play.devicePixelRatio(), 1.5);
        QCOMPARE(play.deviceIndependentSize(), QSizeF(20, 20));

        // 15 x 1.5 = 22.5 rounds to the nearest whole pixel.
        QCOMPARE(renderIcon(QStringLiteral("stop"), 15, Qt::white).size(), QSize(23, 23));

        const QPixmap fromIcon =
                tintedIcon(QStringLiteral("stop"), QColor("#123456"), QColor("#abcdef"))
                        .pixmap(QSize(20, 20), QIcon::Normal, QIcon::On);
        QCOMPARE(fromIcon.size(), QSize(30, 30));
        const QImage image = fromIcon.toImage();
        QCOMPARE(image.pixelColor(15, 15).name(), QStringLiteral("#abcdef"));
    }

    void picturesDrawnOnDemandMatchTheUpFrontIcon()
    {
        compareWithUpFrontIcon(QStringLiteral("play"), QColor("#a8b5c7"), QColor("#2bd9fe"));
    }

    void logoAndRoundedPicturesKeepTheRatio()
    {
        const QPixmap logo = appLogo(40);
        QCOMPARE(logo.deviceIndependentSize(), QSizeF(40, 40));
        QCOMPARE(logo.size(), QSize(60, 60));

        QPixmap cover(90, 90);
        cover.setDevicePixelRatio(1.5);
        cover.fill(Qt::green);
        const QPixmap rounded = roundedPixmap(cover, 12);
        QCOMPARE(rounded.size(), QSize(90, 90));
        QCOMPARE(rounded.devicePixelRatio(), 1.5);
        const QImage image = rounded.toImage();
        QCOMPARE(image.pixelColor(2, 2).alpha(), 0);
        QCOMPARE(image.pixelColor(89, 45), QColor(Qt::green));
    }
};

int main(int argc, char **argv)
{
    // Set before the application exists; the screens read it when created.
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication app(argc, argv);
    tst_IconsHiDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_icons_hidpi.moc"
