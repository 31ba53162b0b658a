#include "ui/pages/VideosPage.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/SimpleMediaList.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

VideosPage::VideosPage(Host *host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
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
    m_list = new SimpleMediaList(host, false, this);
    layout->addWidget(m_list, 1);
    connect(Database::instance(), &Database::libraryChanged, this, [this] { reload(); });
    connect(Database::instance(), &Database::historyChanged, this, [this] {
        if (isVisible())
            reload();
    });
    reload();
}

void VideosPage::reload()
{
    QList<SimpleMediaList::Entry> entries;
    for (const MediaRecord &row : Database::instance()->libraryMedia(QStringLiteral("video"))) {
        entries.append({row.path, row.displayTitle(), QFileInfo(row.folder).fileName(),
                        QStringLiteral("film")});
    }
    m_list->setEntries(entries);
    m_empty->setVisible(entries.isEmpty());
}
