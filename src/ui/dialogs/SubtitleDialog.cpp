#include "ui/dialogs/SubtitleDialog.h"

#include "app/AppSettings.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/dialogs/DialogFrame.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr char StyleGroup[] = "subStyle";

QColor engineColor(mpv_handle *handle, const char *option, const QString &fallback)
{
    const QString text = handle ? getPropertyString(handle, option) : QString();
    const QColor color(text);
    return !text.isEmpty() && color.isValid() ? color : QColor(fallback);
}

} // namespace

SubtitleDialog::SubtitleDialog(PlayerCore *core, QWidget *parent)
    : QDialog(parent)
    , m_core(core)
{
    QVBoxLayout *layout =
            setUpDialogFrame(this, tr2("Subtitles & sync", "Legendas e sincronia"), 460);
    mpv_handle *handle = m_core ? m_core->handle() : nullptr;
    const auto number = [handle](const char *name, double fallback) {
        return handle ? getPropertyDouble(handle, name, fallback) : fallback;
    };

    auto *form = new QFormLayout;
    form->setSpacing(12);
    m_sizeSlider = makeSlider(20, 110, int(number("sub-font-size", 55)), "sub-font-size");
    form->addRow(tr2("Size", "Tamanho"), m_sizeSlider);
    m_textColorButton = makeColorButton("sub-color", QStringLiteral("#FFFFFF"));
    form->addRow(tr2("Text color", "Cor do texto"), m_textColorButton);
    m_outlineColorButton = makeColorButton("sub-border-color", QStringLiteral("#000000"));
    form->addRow(tr2("Outline color", "Cor do contorno"), m_outlineColorButton);
    m_outlineSlider = makeSlider(0, 10, int(number("sub-border-size", 3)), "sub-border-size");
    form->addRow(tr2("Outline size", "Espessura do contorno"), m_outlineSlider);
    m_boldBox = new QCheckBox(tr2("Bold", "Negrito"));
    m_boldBox->setChecked(handle ? getPropertyFlag(handle, "sub-bold", false) : false);
    connect(m_boldBox, &QCheckBox::toggled, this, [this](bool on) {
        setSubtitleStyle(QStringLiteral("sub-bold"),
                         on ? QStringLiteral("yes") : QStringLiteral("no"));
    });
    form->addRow(QString(), m_boldBox);
    m_positionSlider = makeSlider(50, 100, int(number("sub-pos", 100)), "sub-pos");
    form->addRow(tr2("Vertical position", "Altura na tela"), m_positionSlider);

    m_subDelayBox = new QDoubleSpinBox;
    m_subDelayBox->setRange(-600, 600);
    m_subDelayBox->setSingleStep(0.1);
    m_subDelayBox->setDecimals(2);
    m_subDelayBox->setSuffix(QStringLiteral(" s"));
    m_subDelayBox->setValue(m_core ? m_core->subDelay() : 0);
    connect(m_subDelayBox, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        if (m_core)
            m_core->setSubDelay(seconds);
    });
    form->addRow(tr2("Subtitle delay", "Atraso da legenda"), m_subDelayBox);
    m_audioDelayBox = new QDoubleSpinBox;
    m_audioDelayBox->setRange(-60, 60);
    m_audioDelayBox->setSingleStep(0.05);
    m_audioDelayBox->setDecimals(2);
    m_audioDelayBox->setSuffix(QStringLiteral(" s"));
    m_audioDelayBox->setValue(m_core ? m_core->audioDelay() : 0);
    connect(m_audioDelayBox, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        if (m_core)
            m_core->setAudioDelay(seconds);
    });
    form->addRow(tr2("Audio delay", "Atraso do áudio"), m_audioDelayBox);
    layout->addLayout(form);

    QLabel *hint = makeLabel(
            tr2("Subtitle early? Use a positive value. Late? Negative. Shortcuts: G/H "
                "(subtitle), Ctrl+G/Ctrl+H (audio).",
                "Legenda adiantada? Use valor positivo. Atrasada? Valor negativo. Atalhos: G e H "
                "(legenda), Ctrl+G e Ctrl+H (áudio)."),
            QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    m_resetButton = addDialogButtons(this, layout, tr2("Reset", "Restaurar padrão"));
    connect(m_resetButton, &QPushButton::clicked, this, &SubtitleDialog::reset);
}

QSlider *SubtitleDialog::makeSlider(int minimum, int maximum, int value, const char *option)
{
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setRange(minimum, maximum);
    // An engine value outside the range shows at the limit; nothing is
    // written until the user moves the slider.
    slider->setValue(value);
    const QString name = QString::fromLatin1(option);
    connect(slider, &QSlider::valueChanged, this,
            [this, name](int v) { setSubtitleStyle(name, QString::number(v)); });
    return slider;
}

QPushButton *SubtitleDialog::makeColorButton(const char *option, const QString &fallback)
{
    auto *button = new QPushButton;
    button->setAutoDefault(false);
    button->setCursor(Qt::PointingHandCursor);
    styleColorButton(button, engineColor(m_core ? m_core->handle() : nullptr, option, fallback));
    connect(button, &QPushButton::clicked, this,
            [this, button, option] { chooseColor(button, option); });
    return button;
}

void SubtitleDialog::styleColorButton(QPushButton *button, const QColor &color)
{
    const QString name = color.name().toUpper();
    button->setText(name);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; }")
                                  .arg(name, color.lightness() <= 128 ? QStringLiteral("#ffffff")
                                                                      : QStringLiteral("#07111f")));
}

void SubtitleDialog::chooseColor(QPushButton *button, const char *option)
{
    // The toolkit's own chooser on every desktop, so it looks the same and
    // can be driven in tests.
    const QColor chosen = QColorDialog::getColor(QColor(button->text()), this,
                                                 tr2("Choose color", "Escolher cor"),
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return;
    styleColorButton(button, chosen);
    setSubtitleStyle(QString::fromLatin1(option), chosen.name().toLower());
}

void SubtitleDialog::setSubtitleStyle(const QString &name, const QString &text)
{
    if (m_core && m_core->handle())
        setPropertyString(m_core->handle(), name.toUtf8(), text);
    appSettings().setValue(QLatin1String(StyleGroup) + QLatin1Char('/') + name, text);
}

void SubtitleDialog::reset()
{
    QSettings &settings = appSettings();
    settings.remove(QLatin1String(StyleGroup));
    if (m_core && m_core->handle()) {
        const std::pair<const char *, const char *> defaults[] = {
                {"sub-font-size", "55"},
                {"sub-color", "#FFFFFFFF"},
                {"sub-border-color", "#FF000000"},
                {"sub-border-size", "3"},
                {"sub-bold", "no"},
                {"sub-pos", "100"},
        };
        for (const auto &[name, value] : defaults)
            setPropertyString(m_core->handle(), name, QString::fromLatin1(value));
    }
    m_sizeSlider->setValue(55);
    m_outlineSlider->setValue(3);
    m_boldBox->setChecked(false);
    m_positionSlider->setValue(100);
    styleColorButton(m_textColorButton, QColor(Qt::white));
    styleColorButton(m_outlineColorButton, QColor(Qt::black));
    // The controls' reactions above stored keys again.
    settings.remove(QLatin1String(StyleGroup));
    // A box already at 0 runs no reaction: the engine is set directly too.
    if (m_core) {
        m_core->setSubDelay(0);
        m_core->setAudioDelay(0);
    }
    m_subDelayBox->setValue(0);
    m_audioDelayBox->setValue(0);
}
