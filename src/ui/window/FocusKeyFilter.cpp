#include "ui/window/FocusKeyFilter.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

namespace {

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

FocusKeyFilter::FocusKeyFilter(QWidget *volumeSlider, QObject *parent)
    : QObject(parent)
    , m_volumeSlider(volumeSlider)
{
    qApp->installEventFilter(this);
}

bool FocusKeyFilter::keepsKeyForFocus(const QKeyEvent *event) const
{
    // The keypad flag is not a modifier the user holds.
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const int key = event->key();
    if (!isNavigationKey(key))
        return false;
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return false;
    // The seek bar uses only these four; the rest (volume, chapters, ...)
    // stay with the window.
    if (focus->inherits("SeekBar"))
        return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home ||
               key == Qt::Key_End;
    if (qobject_cast<QAbstractItemView *>(focus))
        return key != Qt::Key_Left && key != Qt::Key_Right;
    if (qobject_cast<QAbstractSpinBox *>(focus) || qobject_cast<QComboBox *>(focus))
        return true;
    if (auto *slider = qobject_cast<QAbstractSlider *>(focus))
        return slider != m_volumeSlider;
    return false;
}

bool FocusKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    // Accepting the override hands the key to the focused widget and keeps
    // the window's shortcut from firing.
    if (event->type() == QEvent::ShortcutOverride &&
        keepsKeyForFocus(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
