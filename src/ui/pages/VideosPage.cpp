#include "ui/pages/VideosPage.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/SimpleMediaList.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

VideosPage::VideosPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(uiText(QStringLiteral("Videos"), QStringLiteral("Vídeos")),
                                QStringLiteral("PageTitle")));
    m_empty = makeLabel(uiText(QStringLiteral("No videos in the library yet."),
                               QStringLiteral("Ainda não há vídeos na biblioteca.")),
                        QStringLiteral("Muted"));
    layout->addWidget(m_empty);
    m_list = new SimpleMediaList(context.host, false, this);
    layout->addWidget(m_list, 1);
    connect(m_database, &Database::libraryChanged, this, [this] { reload(); });
    connect(m_database, &Database::historyChanged, this, [this] {
        if (isVisible())
            reload();
    });
    reload();
}

void VideosPage::reload()
{
    QList<SimpleMediaList::Entry> entries;
    for (const MediaRecord &row : m_database->libraryMedia(QStringLiteral("video"))) {
        entries.append({row.path, row.displayTitle(), QFileInfo(row.folder).fileName(),
                        QStringLiteral("film")});
    }
    m_list->setEntries(entries);
    m_empty->setVisible(entries.isEmpty());
}
