#include "ui/Theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QStringList collectedWarnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        collectedWarnings << message;
}

int colorDistance(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

QColor mix(QColor a, QColor b, double t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

} // namespace

class tst_Theme final : public QObject
{
    Q_OBJECT

    QApplication &app() { return *static_cast<QApplication *>(QCoreApplication::instance()); }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void fontFallsBackWhenNoInterLoads()
    {
        applyTheme(app(), {QStringLiteral("/nonexistent/Inter-Regular.ttf"),
                           QStringLiteral(":/icons/zorvi-player.svg")});
        const QFont font = QApplication::font();
        QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
        QCOMPARE(font.pointSizeF(), 10.0);
        // What the font configuration draws in its place on this system.
        qInfo("Segoe UI is drawn with %s", qPrintable(QFontInfo(font).family()));
    }

    void themeUsesInterFusionAndThePalette()
    {
        applyTheme(app());
        // The style sheet wraps the widget style; without it the base shows.
        const QString sheet = app().styleSheet();
        QVERIFY(!sheet.isEmpty());
        app().setStyleSheet(QString());
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
        app().setStyleSheet(sheet);

        const QFont font = QApplication::font();
        QCOMPARE(font.family(), QStringLiteral("Inter"));
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Inter"));
        QCOMPARE(font.pointSizeF(), 10.0);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic());
        QCOMPARE(font.hintingPreference(), QFont::PreferNoHinting);
        QVERIFY(font.styleStrategy() & QFont::PreferAntialias);

        const QPalette palette = QApplication::palette();
        const struct
        {
            QPalette::ColorRole role;
            const char *color;
        } roles[] = {
                {QPalette::Window, "#07111f"},
                {QPalette::WindowText, "#f4f7fb"},
                {QPalette::Base, "#0d1b2e"},
                {QPalette::AlternateBase, "#12233a"},
                {QPalette::Text, "#f4f7fb"},
                {QPalette::Button, "#12233a"},
                {QPalette::ButtonText, "#f4f7fb"},
                {QPalette::Highlight, "#183049"},
                {QPalette::HighlightedText, "#ffffff"},
                {QPalette::ToolTipBase, "#12233a"},
                {QPalette::ToolTipText, "#f4f7fb"},
                {QPalette::PlaceholderText, "#6b7c93"},
                {QPalette::Link, "#2bd9fe"},
        };
        for (const auto &entry : roles) {
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
                QCOMPARE(palette.color(group, entry.role).name(), QLatin1String(entry.color));
            }
        }
        for (QPalette::ColorRole role :
             {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            QCOMPARE(palette.color(QPalette::Disabled, role).name(), QStringLiteral("#4b5d75"));
        QCOMPARE(palette.color(QPalette::Disabled, QPalette::Window).name(),
                 QStringLiteral("#07111f"));
    }

    void styleSheetParsesAndTakesEffect()
    {
        collectedWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
        applyTheme(app());

        QWidget window;
        window.resize(420, 360);
        auto *layout = new QVBoxLayout(&window);
        auto *plain = new QPushButton(QStringLiteral("Plain"));
        auto *primary = new QPushButton(QStringLiteral("Primary"));
        primary->setProperty("primary", true);
        primary->setFixedSize(240, 40);
        auto *checked = new QCheckBox(QStringLiteral("On"));
        checked->setChecked(true);
        auto *unchecked = new QCheckBox(QStringLiteral("Off"));
        auto *edit = new QLineEdit(QStringLiteral("text"));
        auto *other = new QLineEdit(QStringLiteral("other"));
        auto *spin = new QSpinBox;
        spin->setFixedWidth(120);
        auto *video = new QLabel;
        video->setObjectName(QStringLiteral("VideoArea"));
        video->setFixedHeight(20);
        for (QWidget *widget : std::initializer_list<QWidget *>{plain, primary, checked, unchecked,
                                                                edit, other, spin, video})
            layout->addWidget(widget);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        qInstallMessageHandler(previous);
        QVERIFY2(collectedWarnings.isEmpty(), qPrintable(collectedWarnings.join('\n')));

        const QImage image = window.grab().toImage();
        auto at = [&](QWidget *widget, QPoint point) {
            return image.pixelColor(widget->mapTo(&window, point));
        };

        QCOMPARE(at(plain, QPoint(6, plain->height() / 2)).name(), QStringLiteral("#12233a"));

        // The primary gradient runs from cyan on the left to violet on the right.
        const QColor cyan("#2bd9fe");
        const QColor violet("#8b5cf6");
        for (int x : {20, 120, 220}) {
            const QColor expected = mix(cyan, violet, x / 240.0);
            const QColor seen = at(primary, QPoint(x, 4));
            QVERIFY2(colorDistance(seen, expected) < 30,
                     qPrintable(QStringLiteral("x %1: %2, expected about %3")
                                        .arg(x)
                                        .arg(seen.name(), expected.name())));
        }

        // Checked boxes are filled with the accent gradient, unchecked ones are not.
        auto indicatorCentre = [&](QCheckBox *box) {
            QStyleOptionButton option;
            option.initFrom(box);
            const QRect indicator =
                    box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
            return at(box, indicator.center());
        };
        QVERIFY2(colorDistance(indicatorCentre(checked), mix(cyan, violet, 0.5)) < 40,
                 qPrintable(indicatorCentre(checked).name()));
        QCOMPARE(indicatorCentre(unchecked).name(), QStringLiteral("#0d1b2e"));

        // The focused field has the accent border, the other one the plain border.
        const QPoint borderPoint(edit->width() / 2, 0);
        QCOMPARE(at(edit, borderPoint).name(), QStringLiteral("#2bd9fe"));
        QCOMPARE(at(other, borderPoint).name(), QStringLiteral("#22344c"));

        QCOMPARE(at(video, QPoint(10, 10)).name(), QStringLiteral("#000000"));

        // The spin box arrows come from the resources and are drawn light.
        int lightPixels = 0;
        for (int y = 0; y < spin->height(); ++y) {
            for (int x = spin->width() - 22; x < spin->width(); ++x) {
                if (at(spin, QPoint(x, y)).lightness() > 150)
                    ++lightPixels;
            }
        }
        QVERIFY2(lightPixels >= 6, qPrintable(QString::number(lightPixels)));
    }
};

QTEST_MAIN(tst_Theme)
#include "tst_theme.moc"
