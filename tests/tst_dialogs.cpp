#include "PlayerTestUtil.h"
#include "app/AppSettings.h"
#include "engine/AudioFilters.h"
#include "engine/EngineOptions.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "ui/Theme.h"
#include "ui/dialogs/EqualizerDialog.h"
#include "ui/dialogs/ImageDialog.h"
#include "ui/dialogs/SubtitleDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>

namespace {

QList<double> tenths(const QList<QSlider *> &sliders)
{
    QList<double> values;
    for (const QSlider *slider : sliders)
        values.append(slider->value() / 10.0);
    return values;
}

QList<double> storedGains()
{
    QList<double> gains;
    for (const QVariant &v : appSettings().value(QStringLiteral("eq/gains")).toList())
        gains.append(v.toDouble());
    return gains;
}

const EqualizerPreset &preset(const QString &name)
{
    for (const EqualizerPreset &p : equalizerPresets())
        if (p.name == name)
            return p;
    qFatal("no preset %s", qPrintable(name));
}

// Moves a slider the way a person does, with the keyboard.
void nudge(QWidget *control, Qt::Key key, int times = 1)
{
    control->setFocus();
    for (int i = 0; i < times; ++i)
        QTest::keyClick(control, key);
}

// Answers the next colour chooser once it is up: picks the colour and
// accepts, or cancels when the colour is invalid. Stores its title.
void answerColorChooser(const QColor &pick, QString *title = nullptr, int tries = 250)
{
    QTimer::singleShot(20, [=] {
        auto *chooser = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        if (!chooser) {
            if (tries > 0)
                answerColorChooser(pick, title, tries - 1);
            return;
        }
        if (title)
            *title = chooser->windowTitle();
        if (pick.isValid()) {
            chooser->setCurrentColor(pick);
            chooser->accept();
        } else {
            chooser->reject();
        }
    });
}

} // namespace

class tst_Dialogs final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_dialogs")));
        applyTheme(*qApp);
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
    }

    void cleanupTestCase() { m_core.reset(); }

    void init() { appSettings().clear(); }

    void equalizerFollowsThePerson()
    {
        const QList<double> before = m_core->eqGains();
        EqualizerDialog dialog(m_core.get());
        // Opening writes nothing and changes nothing.
        QVERIFY(appSettings().allKeys().isEmpty());
        QCOMPARE(m_core->eqGains(), before);
        QVERIFY(!dialog.enabledBox()->isChecked());
        QCOMPARE(dialog.presetBox()->currentIndex(), 0);
        QCOMPARE(dialog.presetBox()->count(), 16);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Equalizer"));

        // "Flat" with the equalizer off leaves it off; "Rock" turns it on.
        dialog.presetBox()->setCurrentText(QStringLiteral("Pop"));
        QVERIFY(dialog.enabledBox()->isChecked());
        dialog.enabledBox()->click();
        QVERIFY(!m_core->eqEnabled());
        dialog.presetBox()->setCurrentText(equalizerPresets().first().name);
        QVERIFY(!dialog.enabledBox()->isChecked());
        QVERIFY(!m_core->eqEnabled());
        QCOMPARE(m_core->eqGains(), QList<double>(10, 0.0));
        const EqualizerPreset &rock = preset(QStringLiteral("Rock"));
        dialog.presetBox()->setCurrentText(rock.name);
        QVERIFY(dialog.enabledBox()->isChecked());
        QCOMPARE(tenths(dialog.bandSliders()), rock.gains);
        QCOMPARE(m_core->eqGains(), rock.gains);
        QVERIFY(m_core->eqEnabled());
        QCOMPARE(appSettings().value(QStringLiteral("eq/preset")).toString(), rock.name);

        // Band 3 moved by a person: "Custom", the other bands keep Rock's.
        nudge(dialog.bandSliders()[3], Qt::Key_Up, 5);
        QCOMPARE(dialog.presetBox()->currentText(), QStringLiteral("Custom"));
        QList<double> expected = rock.gains;
        expected[3] += 0.5;
        QCOMPARE(tenths(dialog.bandSliders()), expected);
        QCOMPARE(m_core->eqGains(), expected);
        QCOMPARE(storedGains(), expected);
        QCOMPARE(appSettings().value(QStringLiteral("eq/preset")).toString(),
                 QStringLiteral("Custom"));
        QCOMPARE(dialog.valueLabel(dialog.bandSliders()[3])->text(),
                 EqualizerDialog::gainText(dialog.bandSliders()[3]->value()));

        // Pre moved, then Reset: bands to zero, Pre kept.
        nudge(dialog.preampSlider(), Qt::Key_PageDown, 2);
        QCOMPARE(dialog.preampSlider()->value(), -20);
        QCOMPARE(m_core->eqPreamp(), -2.0);
        QCOMPARE(dialog.valueLabel(dialog.preampSlider())->text(), QStringLiteral("-2.0"));
        dialog.resetButton()->click();
        QCOMPARE(dialog.presetBox()->currentIndex(), 0);
        QCOMPARE(tenths(dialog.bandSliders()), QList<double>(10, 0.0));
        QCOMPARE(dialog.preampSlider()->value(), -20);
        QCOMPARE(appSettings().value(QStringLiteral("eq/preamp")).toDouble(), -2.0);

        // Unchecking the switch turns the chain's equalizer off.
        dialog.enabledBox()->click();
        QVERIFY(!m_core->eqEnabled());
        QCOMPARE(appSettings().value(QStringLiteral("eq/enabled")).toBool(), false);
    }

    void equalizerLabels()
    {
        QCOMPARE(EqualizerDialog::gainText(35), QStringLiteral("+3.5"));
        QCOMPARE(EqualizerDialog::gainText(0), QStringLiteral("0.0"));
        QCOMPARE(EqualizerDialog::gainText(-120), QStringLiteral("-12.0"));
        QCOMPARE(EqualizerDialog::gainText(-5), QStringLiteral("-0.5"));
    }

    // Stored gains under the first preset's name (an older version, a hand
    // edit): Reset must still zero them, although the combo does not move.
    void resetZeroesGainsStoredUnderTheFirstPreset()
    {
        appSettings().setValue(QStringLiteral("eq/gains"),
                               QVariantList{3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
        appSettings().setValue(QStringLiteral("eq/preset"), equalizerPresets().first().name);
        EqualizerDialog dialog(m_core.get());
        QCOMPARE(dialog.presetBox()->currentIndex(), 0);
        QCOMPARE(dialog.bandSliders()[0]->value(), 30);
        dialog.resetButton()->click();
        QCOMPARE(tenths(dialog.bandSliders()), QList<double>(10, 0.0));
        QCOMPARE(storedGains(), QList<double>(10, 0.0));
        QCOMPARE(m_core->eqGains(), QList<double>(10, 0.0));
    }

    void storedPresetInTheOtherLanguageShowsCustom()
    {
        appSettings().setValue(QStringLiteral("eq/preset"), QStringLiteral("Eletrônica"));
        appSettings().setValue(QStringLiteral("eq/gains"),
                               QVariantList{6, 5, 2, 0, -2, 1, 0, 2, 4, 5});
        EqualizerDialog dialog(m_core.get());
        QCOMPARE(dialog.presetBox()->currentText(), QStringLiteral("Custom"));
        QCOMPARE(tenths(dialog.bandSliders()), (QList<double>{6, 5, 2, 0, -2, 1, 0, 2, 4, 5}));
    }

    void badStoredGainsAreClampedNotStored_data()
    {
        QTest::addColumn<QVariant>("gains");
        QTest::addColumn<QVariant>("preamp");
        QTest::addColumn<QList<double>>("shown");
        QTest::addColumn<double>("shownPreamp");
        QList<double> tail(7, 0.0);
        QTest::newRow("three mixed")
                << QVariant(QVariantList{40, QStringLiteral("abc"), -1e9})
                << QVariant(QStringLiteral("loud")) << (QList<double>{12, 0, -12} + tail) << 0.0;
        QVariantList twelve;
        for (int i = 0; i < 12; ++i)
            twelve.append(i % 2 ? std::nan("") : 1.5);
        QTest::newRow("twelve with nan")
                << QVariant(twelve) << QVariant(1e9)
                << QList<double>{1.5, 0, 1.5, 0, 1.5, 0, 1.5, 0, 1.5, 0} << 12.0;
    }

    void badStoredGainsAreClampedNotStored()
    {
        QFETCH(QVariant, gains);
        QFETCH(QVariant, preamp);
        QFETCH(QList<double>, shown);
        QFETCH(double, shownPreamp);
        QCOMPARE(storedEqualizerGains(gains), shown);
        QCOMPARE(storedEqualizerGain(preamp), shownPreamp);

        appSettings().setValue(QStringLiteral("eq/gains"), gains);
        appSettings().setValue(QStringLiteral("eq/preamp"), preamp);
        appSettings().setValue(QStringLiteral("eq/preset"), QString(10000, QLatin1Char('x')));
        EqualizerDialog dialog(m_core.get());
        QCOMPARE(tenths(dialog.bandSliders()), shown);
        QCOMPARE(dialog.preampSlider()->value() / 10.0, shownPreamp);
        QCOMPARE(dialog.presetBox()->currentText(), QStringLiteral("Custom"));
        // Nothing rewritten just by opening.
        QCOMPARE(appSettings().value(QStringLiteral("eq/preamp")), preamp);
    }

    void pictureLivesInTheEngineOnly()
    {
        {
            ImageDialog dialog(m_core.get());
            QCOMPARE(dialog.sliders().size(), 5);
            QCOMPARE(dialog.minimumWidth(), 420);
            nudge(dialog.sliders()[0], Qt::Key_PageUp, 3); // brightness +30
            nudge(dialog.sliders()[4], Qt::Key_Left, 4);   // hue -4
        }
        QCOMPARE(getPropertyDouble(m_core->handle(), "brightness", -1), 30.0);
        QCOMPARE(getPropertyDouble(m_core->handle(), "hue", -1), -4.0);
        QVERIFY(appSettings().allKeys().isEmpty());

        ImageDialog again(m_core.get());
        QCOMPARE(again.sliders()[0]->value(), 30);
        QCOMPARE(again.sliders()[4]->value(), -4);
        again.resetButton()->click();
        for (const QByteArray &name : ImageDialog::properties())
            QCOMPARE(getPropertyDouble(m_core->handle(), name, -1), 0.0);
        QVERIFY(appSettings().allKeys().isEmpty());
    }

    void subtitleStyleReachesEngineAndSettings()
    {
        SubtitleDialog dialog(m_core.get());
        QVERIFY(appSettings().allKeys().isEmpty());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Subtitles & sync"));
        QCOMPARE(dialog.sizeSlider()->value(), 55);
        QCOMPARE(dialog.textColorButton()->text(), QStringLiteral("#FFFFFF"));
        QCOMPARE(dialog.outlineColorButton()->text(), QStringLiteral("#000000"));

        nudge(dialog.sizeSlider(), Qt::Key_PageUp, 3); // 55 -> 85
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-font-size"), 85.0);
        QCOMPARE(appSettings().value(QStringLiteral("subStyle/sub-font-size")).toString(),
                 QStringLiteral("85"));
        dialog.boldBox()->click();
        QVERIFY(getPropertyFlag(m_core->handle(), "sub-bold"));
        QCOMPARE(appSettings().value(QStringLiteral("subStyle/sub-bold")).toString(),
                 QStringLiteral("yes"));
        nudge(dialog.positionSlider(), Qt::Key_Home);
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-pos"), 50.0);
        nudge(dialog.outlineSlider(), Qt::Key_Right, 3);
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-border-size"), 6.0);
        QCOMPARE(appSettings().value(QStringLiteral("subStyle/sub-border-size")).toString(),
                 QStringLiteral("6"));

        // The chooser: a light pick gets dark text, a dark one white text,
        // a cancelled one changes nothing. Pure green has an HSL lightness
        // of 127, on the white-text side.
        QString title;
        answerColorChooser(QColor("#00FF00"), &title);
        dialog.textColorButton()->click();
        QCOMPARE(title, QStringLiteral("Choose color"));
        QCOMPARE(dialog.textColorButton()->text(), QStringLiteral("#00FF00"));
        QVERIFY(dialog.textColorButton()->styleSheet().contains(QStringLiteral("#ffffff")));
        QCOMPARE(appSettings().value(QStringLiteral("subStyle/sub-color")).toString(),
                 QStringLiteral("#00ff00"));
        QCOMPARE(QColor(getPropertyString(m_core->handle(), "sub-color")), QColor("#00ff00"));
        answerColorChooser(QColor("#203040"));
        dialog.outlineColorButton()->click();
        QCOMPARE(dialog.outlineColorButton()->text(), QStringLiteral("#203040"));
        QVERIFY(dialog.outlineColorButton()->styleSheet().contains(QStringLiteral("#ffffff")));
        answerColorChooser(QColor("#ccffcc"));
        dialog.outlineColorButton()->click();
        QCOMPARE(dialog.outlineColorButton()->text(), QStringLiteral("#CCFFCC"));
        QVERIFY(dialog.outlineColorButton()->styleSheet().contains(QStringLiteral("#07111f")));
        QCOMPARE(appSettings().value(QStringLiteral("subStyle/sub-border-color")).toString(),
                 QStringLiteral("#ccffcc"));
        answerColorChooser(QColor());
        dialog.textColorButton()->click();
        QCOMPARE(dialog.textColorButton()->text(), QStringLiteral("#00FF00"));
        QCOMPARE(appSettings().value(QStringLiteral("subStyle/sub-color")).toString(),
                 QStringLiteral("#00ff00"));

        // Delays go to the engine and are not stored.
        nudge(dialog.subDelayBox(), Qt::Key_Up, 3);
        // The engine keeps delays as single-precision numbers.
        QVERIFY(qAbs(m_core->subDelay() - 0.3) < 1e-6);
        nudge(dialog.audioDelayBox(), Qt::Key_Down, 2);
        QVERIFY(qAbs(m_core->audioDelay() + 0.1) < 1e-6);
        QVERIFY(!appSettings().allKeys().join(QLatin1Char(' ')).contains(QLatin1String("delay")));

        dialog.resetButton()->click();
        appSettings().sync();
        QSettings fresh(appSettings().fileName(), QSettings::IniFormat);
        fresh.beginGroup(QStringLiteral("subStyle"));
        QVERIFY(fresh.allKeys().isEmpty());
        QVERIFY(appSettings().childGroups().indexOf(QStringLiteral("subStyle")) < 0);
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-font-size"), 55.0);
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-border-size"), 3.0);
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-pos"), 100.0);
        QVERIFY(!getPropertyFlag(m_core->handle(), "sub-bold", true));
        QCOMPARE(QColor(getPropertyString(m_core->handle(), "sub-color")), QColor(Qt::white));
        QCOMPARE(QColor(getPropertyString(m_core->handle(), "sub-border-color")),
                 QColor(Qt::black));
        QCOMPARE(m_core->subDelay(), 0.0);
        QCOMPARE(m_core->audioDelay(), 0.0);
        QCOMPARE(dialog.textColorButton()->text(), QStringLiteral("#FFFFFF"));
    }

    // An engine value outside a slider's range shows at the limit and
    // writes nothing until the person moves the slider.
    void outOfRangeEngineValuesStayUnwritten()
    {
        setPropertyString(m_core->handle(), "sub-font-size", QStringLiteral("10"));
        SubtitleDialog dialog(m_core.get());
        QCOMPARE(dialog.sizeSlider()->value(), 20);
        QCOMPARE(getPropertyDouble(m_core->handle(), "sub-font-size"), 10.0);
        QVERIFY(appSettings().allKeys().isEmpty());
        dialog.resetButton()->click();
    }

    void onlySubtitleLookIsReplayed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("replayed");
        for (const char *name : {"sub-font-size", "sub-color", "sub-border-color",
                                 "sub-border-size", "sub-bold", "sub-pos", "sub-shadow-offset"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char *name : {"log-file", "script", "input-conf", "sub-file", "sub-file-paths",
                                 "sub-fonts-dir", "sub-", "osd-font-size"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
    }

    void onlySubtitleLookIsReplayed()
    {
        QFETCH(QString, name);
        QFETCH(bool, replayed);
        QCOMPARE(isSubtitleStyleOption(name), replayed);
    }

private:
    QTemporaryDir m_home;
    std::unique_ptr<PlayerCore> m_core;
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
