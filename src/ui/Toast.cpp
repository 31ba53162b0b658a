#include "ui/Toast.h"

#include "ui/WidgetBuilders.h"

#include <QTimer>

Toast::Toast(QWidget *parent)
    : QLabel(parent)
    , m_hideTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("Toast"));
    setAlignment(Qt::AlignCenter);
    // Messages quote names and paths, which must never render as markup.
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    keepAboveVideo(this);
    m_hideTimer->setObjectName(QStringLiteral("ToastHideTimer"));
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void Toast::showMessage(const QString &text, int ms)
{
    setText(text);
    adjustSize();
    reposition();
    raise();
    show();
    m_hideTimer->start(ms);
}

void Toast::reposition()
{
    const QWidget *parent = parentWidget();
    if (!parent)
        return;
    move((parent->width() - width()) / 2, 28);
}
