#pragma once

#include <QDialog>
#include <QList>

class PlayerCore;
class QPushButton;
class QSlider;

// Brightness, contrast, saturation, gamma and hue of the picture. Values
// live in the engine only, for as long as it runs.
class ImageDialog : public QDialog
{
    Q_OBJECT

public:
    // The engine properties in row order.
    static const QList<QByteArray> &properties();

    ImageDialog(PlayerCore *core, QWidget *parent = nullptr);

    const QList<QSlider *> &sliders() const { return m_sliders; }
    QPushButton *resetButton() const { return m_resetButton; }

private:
    void setAdjustment(const QByteArray &name, int value);
    void reset();

    PlayerCore *m_core;
    QList<QSlider *> m_sliders;
    QPushButton *m_resetButton = nullptr;
};
