#pragma once

#include <QDialog>
#include <QList>

class PlayerCore;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// Ten-band equalizer with presets. Every change is stored and applied to
// the player at once; there is nothing to confirm.
class EqualizerDialog : public QDialog
{
    Q_OBJECT

public:
    EqualizerDialog(PlayerCore *core, QWidget *parent = nullptr);

    // "+3.5", "0.0", "-12.0" for a gain in tenths of a dB.
    static QString gainText(int tenths);

    const QList<QSlider *> &bandSliders() const { return m_bandSliders; }
    QSlider *preampSlider() const { return m_preampSlider; }
    QCheckBox *enabledBox() const { return m_enabledBox; }
    QComboBox *presetBox() const { return m_presetBox; }
    QPushButton *resetButton() const { return m_resetButton; }
    QLabel *valueLabel(QSlider *slider) const;

private:
    QSlider *addSliderColumn(class QGridLayout *grid, int column, const QString &caption,
                             double gainDb);
    void bandMoved();
    void presetChosen(const QString &name);
    void reset();
    void apply();
    // Checks the switch without its own reaction: the caller applies once.
    void switchOnQuietly();

    PlayerCore *m_core;
    QList<QSlider *> m_bandSliders;
    QList<QLabel *> m_valueLabels; // pre first, then the bands
    QSlider *m_preampSlider = nullptr;
    QCheckBox *m_enabledBox = nullptr;
    QComboBox *m_presetBox = nullptr;
    QPushButton *m_resetButton = nullptr;
    bool m_applying = false;
};
