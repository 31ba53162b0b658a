#include "ui/pages/PlayerPage.h"

#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "ui/pages/NowPlaying.h"

#include <QStackedLayout>

PlayerPage::PlayerPage(PlayerCore *core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
    , m_stack(new QStackedLayout(this))
    , m_video(new MpvWidget(core, this))
    , m_nowPlaying(new NowPlaying(core, this))
{
    setObjectName(QStringLiteral("VideoArea"));
    setAttribute(Qt::WA_StyledBackground);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_video);
    m_stack->addWidget(m_nowPlaying);
}

void PlayerPage::showPicture(bool hasVideo)
{
    m_stack->setCurrentWidget(hasVideo ? static_cast<QWidget *>(m_video) : m_nowPlaying);
}

void PlayerPage::followPlayer()
{
    showPicture(m_core->hasVideo());
}
