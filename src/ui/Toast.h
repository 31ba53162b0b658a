#pragma once

#include <QLabel>

class QTimer;

// Short message shown near the top of its parent; hides itself after a while
// and never takes mouse input.
class Toast : public QLabel
{
    Q_OBJECT
public:
    explicit Toast(QWidget *parent = nullptr);

    // Shows the text for ms milliseconds; a message already showing is replaced
    // and its time starts again.
    void showMessage(const QString &text, int ms);
    // Centres horizontally on the parent, 28 pixels below its top.
    void reposition();

private:
    QTimer *m_hideTimer = nullptr;
};
