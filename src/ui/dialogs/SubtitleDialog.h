#pragma once

#include <QColor>
#include <QDialog>

class PlayerCore;
class QCheckBox;
class QDoubleSpinBox;
class QPushButton;
class QSlider;

// Subtitle look (size, colours, outline, bold, position), stored and
// replayed at the next start, and the subtitle and audio delays, which last
// for the current engine only.
class SubtitleDialog : public QDialog
{
    Q_OBJECT

public:
    SubtitleDialog(PlayerCore *core, QWidget *parent = nullptr);

    // Sets the engine property and stores it under "subStyle/<name>".
    void setSubtitleStyle(const QString &name, const QString &text);
    // The look of a colour button: upper-case name, text colour by lightness.
    static void styleColorButton(QPushButton *button, const QColor &color);

    QSlider *sizeSlider() const { return m_sizeSlider; }
    QSlider *outlineSlider() const { return m_outlineSlider; }
    QSlider *positionSlider() const { return m_positionSlider; }
    QCheckBox *boldBox() const { return m_boldBox; }
    QPushButton *textColorButton() const { return m_textColorButton; }
    QPushButton *outlineColorButton() const { return m_outlineColorButton; }
    QDoubleSpinBox *subDelayBox() const { return m_subDelayBox; }
    QDoubleSpinBox *audioDelayBox() const { return m_audioDelayBox; }
    QPushButton *resetButton() const { return m_resetButton; }

private:
    QSlider *makeSlider(int minimum, int maximum, int value, const char *option);
    QPushButton *makeColorButton(const char *option, const QString &fallback);
    void chooseColor(QPushButton *button, const char *option);
    void reset();

    PlayerCore *m_core;
    QSlider *m_sizeSlider = nullptr;
    QSlider *m_outlineSlider = nullptr;
    QSlider *m_positionSlider = nullptr;
    QCheckBox *m_boldBox = nullptr;
    QPushButton *m_textColorButton = nullptr;
    QPushButton *m_outlineColorButton = nullptr;
    QDoubleSpinBox *m_subDelayBox = nullptr;
    QDoubleSpinBox *m_audioDelayBox = nullptr;
    QPushButton *m_resetButton = nullptr;
};
