#include "ui/MainWindow.h"
#include "ui/Toast.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

namespace {

// Navigation keys that a focused list, spin box, combo box, slider or the
// seek bar needs for itself.
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

bool MainWindow::keepsKeyForFocus(QKeyEvent *event) const
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
    if (focus->inherits("SeekBar"))
        return true;
    if (qobject_cast<QAbstractItemView *>(focus))
        return key != Qt::Key_Left && key != Qt::Key_Right;
    if (qobject_cast<QAbstractSpinBox *>(focus) || qobject_cast<QComboBox *>(focus))
        return true;
    if (auto *slider = qobject_cast<QAbstractSlider *>(focus))
        return slider != volumeSlider();
    return false;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (handleModeEvent(watched, event))
        return true;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepting the override hands the key to the focused widget and keeps
        // the window's shortcut from firing.
        if (keepsKeyForFocus(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::Resize:
        if (watched == m_content || watched == m_videoArea) {
            if (m_toast && m_toast->parentWidget() == watched && m_toast->isVisible())
                m_toast->reposition();
        }
        if (watched == m_videoArea)
            placeOverlayBar();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
