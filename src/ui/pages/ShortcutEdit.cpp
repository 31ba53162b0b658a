#include "ui/pages/ShortcutEdit.h"

#include <QKeyEvent>
#include <QSignalBlocker>

ShortcutEdit::ShortcutEdit(const QKeySequence &sequence, QWidget *parent)
    : QKeySequenceEdit(sequence, parent)
    , m_previous(sequence)
{}

void ShortcutEdit::focusInEvent(QFocusEvent *event)
{
    m_previous = keySequence();
    QKeySequenceEdit::focusInEvent(event);
}

void ShortcutEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        {
            // Also stops a recording in progress, so no edit finishes later.
            const QSignalBlocker block(this);
            setKeySequence(m_previous);
        }
        clearFocus();
        Q_EMIT cancelled();
        return;
    }
    QKeySequenceEdit::keyPressEvent(event);
}
