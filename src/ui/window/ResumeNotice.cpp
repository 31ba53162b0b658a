#include "ui/window/ResumeNotice.h"

#include "engine/FormatTime.h"
#include "engine/PlayerCore.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

ResumeNotice::ResumeNotice(QWidget *videoArea, PlayerCore *core, double seconds)
    : QWidget(videoArea)
{
    setObjectName(QStringLiteral("Card"));
    setAttribute(Qt::WA_StyledBackground);
    keepAboveVideo(this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 8, 8);
    auto *label =
            new QLabel(tr2("Resuming from %1", "Continuando de %1").arg(formatTime(seconds)), this);
    label->setStyleSheet(QStringLiteral("font-weight: 700;"));
    layout->addWidget(label);
    QPushButton *restart =
            makeButton(tr2("Start over", "Começar do início"), QStringLiteral("refresh"), false);
    layout->addWidget(restart);
    connect(restart, &QPushButton::clicked, this, [this, core] {
        core->seekAbsolute(0);
        deleteLater();
    });
    resize(sizeHint());
    move(MarginPx, MarginPx);
    QTimer::singleShot(ShownMs, this, &QObject::deleteLater);
}

void ResumeNotice::open(QWidget *videoArea, PlayerCore *core, double seconds)
{
    // One notice at a time.
    delete videoArea->findChild<ResumeNotice *>(QString(), Qt::FindDirectChildrenOnly);
    auto *notice = new ResumeNotice(videoArea, core, seconds);
    notice->show();
    notice->raise();
}
