#include "ui/dialogs/ImageDialog.h"

#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "ui/UiText.h"
#include "ui/dialogs/DialogFrame.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

const QList<QByteArray> &ImageDialog::properties()
{
    static const QList<QByteArray> names{"brightness", "contrast", "saturation", "gamma", "hue"};
    return names;
}

ImageDialog::ImageDialog(PlayerCore *core, QWidget *parent)
    : QDialog(parent)
    , m_core(core)
{
    QVBoxLayout *layout =
            setUpDialogFrame(this, tr2("Picture adjustments", "Ajustes de imagem"), 420);
    auto *form = new QFormLayout;
    form->setSpacing(12);
    const QStringList labels{tr2("Brightness", "Brilho"), tr2("Contrast", "Contraste"),
                             tr2("Saturation", "Saturação"), tr2("Gamma", "Gama"),
                             tr2("Hue", "Matiz")};
    mpv_handle *handle = m_core ? m_core->handle() : nullptr;
    for (int row = 0; row < properties().size(); ++row) {
        const QByteArray name = properties()[row];
        auto *slider = new QSlider(Qt::Horizontal);
        slider->setRange(-100, 100);
        slider->setValue(handle ? int(getPropertyDouble(handle, name, 0)) : 0);
        auto *value = new QLabel(QString::number(slider->value()));
        value->setMinimumWidth(34);
        connect(slider, &QSlider::valueChanged, this, [this, name, value](int v) {
            value->setText(QString::number(v));
            setAdjustment(name, v);
        });
        auto *line = new QHBoxLayout;
        line->addWidget(slider, 1);
        line->addWidget(value);
        form->addRow(labels[row], line);
        m_sliders.append(slider);
    }
    layout->addLayout(form);
    m_resetButton = addDialogButtons(this, layout, tr2("Reset", "Restaurar"));
    connect(m_resetButton, &QPushButton::clicked, this, &ImageDialog::reset);
}

void ImageDialog::reset()
{
    for (int row = 0; row < m_sliders.size(); ++row) {
        // A slider already at 0 runs no reaction; the engine may still hold
        // a value outside the slider's range.
        if (m_sliders[row]->value() == 0)
            setAdjustment(properties()[row], 0);
        m_sliders[row]->setValue(0);
    }
}

void ImageDialog::setAdjustment(const QByteArray &name, int value)
{
    if (!m_core || !m_core->handle())
        return;
    // Engines that keep these as whole numbers refuse a double.
    if (setPropertyDouble(m_core->handle(), name, value) < 0)
        setPropertyInt(m_core->handle(), name, value);
}
