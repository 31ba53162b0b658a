#include "ui/pages/PlaylistsPage.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

PlaylistsPage::PlaylistsPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(QStringLiteral("Playlists"), QStringLiteral("PageTitle")));
    m_empty = makeLabel(uiText(QStringLiteral("No playlists yet. Use \"Add to playlist\" in the "
                                              "menu of any song or video."),
                               QStringLiteral("Nenhuma playlist ainda. Use \"Adicionar à "
                                              "playlist\" no menu de uma música ou vídeo.")),
                        QStringLiteral("Muted"));
    m_empty->setWordWrap(true);
    layout->addWidget(m_empty);
    m_list = new QListWidget(this);
    m_list->setIconSize(QSize(18, 18));
    layout->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const qint64 id = item->data(Qt::UserRole + 9).toLongLong();
        m_host->playPaths(m_database->playlistItems(id), 0);
    });
    connect(m_database, &Database::playlistsChanged, this, [this] { reload(); });
    reload();
}

void PlaylistsPage::reload()
{
    m_list->clear();
    const QList<PlaylistInfo> playlists = m_database->playlists();
    for (const PlaylistInfo &info : playlists) {
        auto *item = new QListWidgetItem(icon(QStringLiteral("playlist")),
                                         QStringLiteral("%1  ·  %2")
                                                 .arg(info.name, uiText(QStringLiteral("%1 items"),
                                                                        QStringLiteral("%1 itens"))
                                                                         .arg(info.count)),
                                         m_list);
        item->setData(Qt::UserRole + 9, info.id);
    }
    m_empty->setVisible(playlists.isEmpty());
}
