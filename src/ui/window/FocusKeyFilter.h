#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

// Leaves the navigation keys to a focused list, spin box, combo box, slider
// or the seek bar (only the keys it uses) instead of the window's shortcuts.
// The volume slider is the exception: arrows there still change the volume
// through the shortcuts.
class FocusKeyFilter : public QObject
{
    Q_OBJECT

public:
    FocusKeyFilter(QWidget *volumeSlider, QObject *parent = nullptr);

    bool keepsKeyForFocus(const QKeyEvent *event) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_volumeSlider;
};
