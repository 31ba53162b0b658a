#pragma once

#include <QKeySequence>
#include <QKeySequenceEdit>

// A key-sequence editor in which Esc cancels: the toolkit's own editor
// records Esc as the new shortcut. Cancelling restores the sequence the
// editor held when it got the focus and ends the edit.
class ShortcutEdit : public QKeySequenceEdit
{
    Q_OBJECT

public:
    explicit ShortcutEdit(const QKeySequence &sequence, QWidget *parent = nullptr);

Q_SIGNALS:
    void cancelled();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QKeySequence m_previous;
};
