#include "ui/pages/MusicPage.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/SimpleMediaList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MusicPage::MusicPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(uiText(QStringLiteral("Music"), QStringLiteral("Música")),
                                QStringLiteral("PageTitle")));
    auto *filterRow = new QHBoxLayout;
    m_filterLabel = makeLabel(QString(), QStringLiteral("Muted"));
    filterRow->addWidget(m_filterLabel, 1);
    QPushButton *all = makeButton(uiText(QStringLiteral("All songs"), QStringLiteral("Todas")),
                                  QStringLiteral("music"), false);
    filterRow->addWidget(all);
    connect(all, &QPushButton::clicked, this, [this] { clearFilter(); });
    layout->addLayout(filterRow);
    m_empty = makeLabel(uiText(QStringLiteral("No music in the library yet."),
                               QStringLiteral("Ainda não há músicas na biblioteca.")),
                        QStringLiteral("Muted"));
    layout->addWidget(m_empty);
    m_list = new SimpleMediaList(context.host, true, this);
    layout->addWidget(m_list, 1);
    connect(m_database, &Database::libraryChanged, this, [this] { reload(); });
    reload();
}

void MusicPage::reload()
{
    QList<SimpleMediaList::Entry> entries;
    for (const MediaRecord &row : m_database->libraryMedia(QStringLiteral("audio"))) {
        if (!m_artist.isEmpty() && row.artist != m_artist && row.albumArtist != m_artist)
            continue;
        if (!m_album.isEmpty() && row.album != m_album)
            continue;
        entries.append(
                {row.path, row.displayTitle(), row.displayArtist(), QStringLiteral("music")});
    }
    m_list->setEntries(entries);
    m_empty->setVisible(entries.isEmpty());
    const QString filter = !m_artist.isEmpty() ? m_artist : m_album;
    m_filterLabel->setText(filter);
}

void MusicPage::showArtist(const QString &artist)
{
    m_artist = artist;
    m_album.clear();
    reload();
}

void MusicPage::showAlbum(const QString &album)
{
    m_album = album;
    m_artist.clear();
    reload();
}

void MusicPage::clearFilter()
{
    m_artist.clear();
    m_album.clear();
    reload();
}
