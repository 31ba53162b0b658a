#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/Toast.h"
#include "ui/WidgetBuilders.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {

QString centerColorName(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2).name();
}

} // namespace

class tst_ThemeWidgets final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        applyTheme(*qApp);
    }

    void toastStartsHiddenAndIgnoresTheMouse()
    {
        QWidget parent;
        Toast toast(&parent);
        QCOMPARE(toast.objectName(), QStringLiteral("Toast"));
        QVERIFY(toast.isHidden());
        QVERIFY(toast.testAttribute(Qt::WA_TransparentForMouseEvents));
        QCOMPARE(toast.alignment(), Qt::AlignCenter);
    }

    void toastSitsCentredNearTheTop()
    {
        QWidget parent;
        parent.resize(600, 400);
        auto *toast = new Toast(&parent);
        auto *later = new QLabel(QStringLiteral("created after the toast"), &parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));

        toast->showMessage(QStringLiteral("Added to queue"), 5000);
        QVERIFY(toast->isVisible());
        QCOMPARE(toast->text(), QStringLiteral("Added to queue"));
        QCOMPARE(toast->size(), toast->sizeHint());
        QCOMPARE(toast->y(), 28);
        QCOMPARE(toast->x(), (600 - toast->width()) / 2);
        // Raised above siblings made after it.
        QCOMPARE(parent.children().last(), toast);
        Q_UNUSED(later);

        parent.resize(1000, 400);
        toast->reposition();
        QCOMPARE(toast->x(), (1000 - toast->width()) / 2);
        QCOMPARE(toast->y(), 28);
    }

    void secondMessageReplacesTextAndRestartsTheTimer()
    {
        QWidget parent;
        parent.resize(800, 300);
        auto *toast = new Toast(&parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        const QTimer *timer = toast->findChild<QTimer *>();
        QVERIFY(timer);

        // The timer may fire up to 5 % early or late, so the margins are wide.
        toast->showMessage(QStringLiteral("One"), 4000);
        const int shortWidth = toast->width();
        QTest::qWait(1200);
        const int left = timer->remainingTime();
        QVERIFY2(left <= 3100, qPrintable(QString::number(left)));

        toast->showMessage(QStringLiteral("A much longer second message"), 4000);
        QCOMPARE(toast->text(), QStringLiteral("A much longer second message"));
        QVERIFY(toast->width() > shortWidth);
        QCOMPARE(toast->x(), (800 - toast->width()) / 2);
        QVERIFY(timer->isActive());
        QVERIFY2(timer->remainingTime() > left + 500,
                 qPrintable(QStringLiteral("%1 after %2").arg(timer->remainingTime()).arg(left)));

        toast->showMessage(QStringLiteral("Short"), 50);
        QVERIFY(toast->isVisible());
        QTRY_VERIFY(toast->isHidden());
    }

    void buttonsCarryIconCursorAndLook()
    {
        std::unique_ptr<QPushButton> plain(
                makeButton(QStringLiteral("Open"), QStringLiteral("stop")));
        QCOMPARE(plain->text(), QStringLiteral("Open"));
        QCOMPARE(plain->iconSize(), QSize(16, 16));
        QCOMPARE(plain->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!plain->property("primary").toBool());
        QCOMPARE(centerColorName(plain->icon().pixmap(QSize(16, 16))), QStringLiteral("#c9d4e3"));
        QCOMPARE(centerColorName(plain->icon().pixmap(QSize(16, 16), QIcon::Normal, QIcon::On)),
                 QStringLiteral("#2bd9fe"));

        std::unique_ptr<QPushButton> primary(
                makeButton(QStringLiteral("Play all"), QStringLiteral("stop"), true));
        QCOMPARE(primary->property("primary"), QVariant(true));
        // Dark glyph on the bright gradient.
        QCOMPARE(centerColorName(primary->icon().pixmap(QSize(16, 16))), QStringLiteral("#07111f"));

        std::unique_ptr<QPushButton> textOnly(makeButton(QStringLiteral("Cancel")));
        QVERIFY(textOnly->icon().isNull());
        QCOMPARE(textOnly->cursor().shape(), Qt::PointingHandCursor);

        std::unique_ptr<QLabel> label(
                makeLabel(QStringLiteral("Music"), QStringLiteral("PageTitle")));
        QCOMPARE(label->text(), QStringLiteral("Music"));
        QCOMPARE(label->objectName(), QStringLiteral("PageTitle"));
    }

    void emptyStateIsACentredColumn()
    {
        const QString longText = QStringLiteral(
                "Add the folders where you keep your songs and they will show up here, sorted "
                "by artist and album, ready to play or to add to a playlist. New files in those "
                "folders are picked up on the next scan.");
        auto *extra = new QPushButton(QStringLiteral("Add folder"));
        std::unique_ptr<QWidget> block(makeEmptyState(
                QStringLiteral("music"), QStringLiteral("No music yet"), longText, extra));
        QCOMPARE(block->layout()->spacing(), 10);
        block->resize(900, 600);
        block->show();
        QVERIFY(QTest::qWaitForWindowExposed(block.get()));

        QLabel *glyph = nullptr;
        for (QLabel *label : block->findChildren<QLabel *>()) {
            if (!label->pixmap().isNull())
                glyph = label;
        }
        QVERIFY(glyph);
        QCOMPARE(glyph->pixmap().toImage(),
                 renderIcon(QStringLiteral("music"), 56, QColor("#2bd9fe")).toImage());
        auto *title = block->findChild<QLabel *>(QStringLiteral("SectionTitle"));
        auto *text = block->findChild<QLabel *>(QStringLiteral("Muted"));
        QVERIFY(title && text);
        QCOMPARE(title->text(), QStringLiteral("No music yet"));
        QCOMPARE(text->text(), longText);
        QVERIFY(text->wordWrap());
        QVERIFY(title->alignment() & Qt::AlignHCenter);
        QVERIFY(text->alignment() & Qt::AlignHCenter);

        // Top to bottom, 10 pixels apart, each centred on the block.
        const QList<QWidget *> column{glyph, title, text, extra};
        for (int i = 0; i < column.size(); ++i) {
            const QRect r = column[i]->geometry();
            QVERIFY2(qAbs(r.center().x() - 450) <= 1, qPrintable(QString::number(i)));
            if (i > 0)
                QCOMPARE(r.top() - column[i - 1]->geometry().bottom() - 1, 10);
        }
        // The stretches above and below split the free height.
        const int above = glyph->geometry().top();
        const int below = block->height() - extra->geometry().bottom() - 1;
        QVERIFY2(qAbs(above - below) <= 2,
                 qPrintable(QStringLiteral("%1 / %2").arg(above).arg(below)));

        // The text takes its full 460 pixels and is tall enough for every line.
        QCOMPARE(text->width(), 460);
        QVERIFY(text->heightForWidth(460) > text->fontMetrics().height() * 2);
        QVERIFY2(text->height() >= text->heightForWidth(460),
                 qPrintable(QStringLiteral("%1 < %2")
                                    .arg(text->height())
                                    .arg(text->heightForWidth(460))));

        // In a narrow block the text narrows with it.
        block->resize(300, 600);
        QTRY_COMPARE(text->width(), 300 - block->layout()->contentsMargins().left() -
                                            block->layout()->contentsMargins().right());
        QVERIFY(text->height() >= text->heightForWidth(text->width()));

        std::unique_ptr<QWidget> bare(
                makeEmptyState(QStringLiteral("film"), QStringLiteral("Nothing"), QString()));
        QVERIFY(bare->findChildren<QPushButton *>().isEmpty());
        QCOMPARE(bare->findChildren<QLabel *>().size(), 3);
    }
};

QTEST_MAIN(tst_ThemeWidgets)
#include "tst_theme_widgets.moc"
