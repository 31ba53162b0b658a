#include "ui/dialogs/EqualizerDialog.h"

#include "app/AppSettings.h"
#include "engine/AudioFilters.h"
#include "engine/PlayerCore.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/dialogs/DialogFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int RangeTenths = 120;
constexpr int SliderHeight = 190;
constexpr int TickTenths = 30;

} // namespace

EqualizerDialog::EqualizerDialog(PlayerCore *core, QWidget *parent)
    : QDialog(parent)
    , m_core(core)
{
    QVBoxLayout *layout = setUpDialogFrame(this, tr2("Equalizer", "Equalizador"));

    const QList<EqualizerPreset> &presets = equalizerPresets();
    auto *top = new QHBoxLayout;
    m_enabledBox = new QCheckBox(tr2("Equalizer on", "Equalizador ligado"));
    m_enabledBox->setChecked(settingValue(QStringLiteral("eq/enabled"), false).toBool());
    m_presetBox = new QComboBox;
    for (const EqualizerPreset &preset : presets)
        m_presetBox->addItem(preset.name);
    m_presetBox->addItem(tr2("Custom", "Personalizado"));
    const QString storedPreset =
            settingValue(QStringLiteral("eq/preset"), presets.first().name).toString();
    const int presetIndex =
            m_presetBox->findText(storedPreset, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_presetBox->setCurrentIndex(presetIndex >= 0 ? presetIndex : m_presetBox->count() - 1);
    top->addWidget(m_enabledBox);
    top->addStretch(1);
    top->addWidget(new QLabel(tr2("Preset:", "Predefinição:")));
    top->addWidget(m_presetBox);
    layout->addLayout(top);

    // Stored values outside the sliders' range are shown clamped; nothing
    // is written until the user changes something.
    const QList<double> gains = storedEqualizerGains(settingValue(QStringLiteral("eq/gains")));
    const double preamp = storedEqualizerGain(settingValue(QStringLiteral("eq/preamp"), 0));
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    m_preampSlider = addSliderColumn(grid, 0, tr2("Pre", "Pré"), preamp);
    grid->setColumnMinimumWidth(1, 12);
    const QStringList labels = equalizerBandLabels();
    for (int band = 0; band < labels.size(); ++band)
        m_bandSliders.append(addSliderColumn(grid, band + 2, labels[band], gains.value(band)));
    layout->addLayout(grid);

    QLabel *hint = makeLabel(tr2("Values in dB. Lower \"Pre\" if loud bass distorts.",
                                 "Valores em dB. Se o som distorcer com grave alto, abaixe o "
                                 "\"Pré\"."),
                             QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    m_resetButton = addDialogButtons(this, layout, tr2("Reset", "Zerar"));

    // Reactions come last, so that showing the stored values runs none.
    for (QSlider *slider : std::as_const(m_bandSliders))
        connect(slider, &QSlider::valueChanged, this, [this] { bandMoved(); });
    connect(m_preampSlider, &QSlider::valueChanged, this, [this] {
        if (!m_applying)
            apply();
    });
    connect(m_enabledBox, &QCheckBox::toggled, this, [this] { apply(); });
    connect(m_presetBox, &QComboBox::currentTextChanged, this, &EqualizerDialog::presetChosen);
    connect(m_resetButton, &QPushButton::clicked, this, &EqualizerDialog::reset);
}

QString EqualizerDialog::gainText(int tenths)
{
    return QStringLiteral("%1%2")
            .arg(tenths > 0 ? QStringLiteral("+") : QString())
            .arg(tenths / 10.0, 0, 'f', 1);
}

QLabel *EqualizerDialog::valueLabel(QSlider *slider) const
{
    if (slider == m_preampSlider)
        return m_valueLabels.value(0);
    const int band = int(m_bandSliders.indexOf(slider));
    return band >= 0 ? m_valueLabels.value(band + 1) : nullptr;
}

QSlider *EqualizerDialog::addSliderColumn(QGridLayout *grid, int column, const QString &caption,
                                          double gainDb)
{
    auto *slider = new QSlider(Qt::Vertical);
    slider->setRange(-RangeTenths, RangeTenths);
    slider->setMinimumHeight(SliderHeight);
    slider->setTickInterval(TickTenths);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setValue(int(gainDb * 10));
    auto *value = new QLabel(gainText(slider->value()));
    value->setAlignment(Qt::AlignCenter);
    value->setStyleSheet(QStringLiteral("color: #2bd9fe; font-size: 8.5pt; font-weight: 700;"));
    auto *name = new QLabel(caption);
    name->setAlignment(Qt::AlignCenter);
    name->setStyleSheet(QStringLiteral("color: #a8b5c7; font-size: 8.5pt;"));
    connect(slider, &QSlider::valueChanged, value,
            [value](int tenths) { value->setText(gainText(tenths)); });
    grid->addWidget(value, 0, column, Qt::AlignHCenter);
    grid->addWidget(slider, 1, column, Qt::AlignHCenter);
    grid->addWidget(name, 2, column, Qt::AlignHCenter);
    m_valueLabels.append(value);
    return slider;
}

void EqualizerDialog::switchOnQuietly()
{
    if (m_enabledBox->isChecked())
        return;
    const QSignalBlocker blocker(m_enabledBox);
    m_enabledBox->setChecked(true);
}

void EqualizerDialog::bandMoved()
{
    if (m_applying)
        return;
    {
        const QSignalBlocker blocker(m_presetBox);
        m_presetBox->setCurrentIndex(m_presetBox->count() - 1);
    }
    switchOnQuietly();
    apply();
}

void EqualizerDialog::presetChosen(const QString &name)
{
    const QList<EqualizerPreset> &presets = equalizerPresets();
    int index = -1;
    for (int i = 0; i < presets.size(); ++i) {
        if (presets[i].name == name) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;
    m_applying = true;
    for (int band = 0; band < m_bandSliders.size(); ++band)
        m_bandSliders[band]->setValue(int(presets[index].gains.value(band) * 10));
    m_applying = false;
    if (index != 0)
        switchOnQuietly();
    apply();
}

void EqualizerDialog::reset()
{
    // Selecting the item already shown changes no text and would run no
    // reaction, leaving stored non-zero bands under the first preset's name.
    if (m_presetBox->currentIndex() == 0)
        presetChosen(m_presetBox->currentText());
    else
        m_presetBox->setCurrentIndex(0);
}

void EqualizerDialog::apply()
{
    QList<double> gains;
    QVariantList stored;
    for (const QSlider *slider : std::as_const(m_bandSliders)) {
        gains.append(slider->value() / 10.0);
        stored.append(slider->value() / 10.0);
    }
    const double preamp = m_preampSlider->value() / 10.0;
    QSettings &settings = appSettings();
    settings.setValue(QStringLiteral("eq/gains"), stored);
    settings.setValue(QStringLiteral("eq/enabled"), m_enabledBox->isChecked());
    settings.setValue(QStringLiteral("eq/preamp"), preamp);
    settings.setValue(QStringLiteral("eq/preset"), m_presetBox->currentText());
    if (m_core)
        m_core->setEqualizer(m_enabledBox->isChecked(), gains, preamp);
}
