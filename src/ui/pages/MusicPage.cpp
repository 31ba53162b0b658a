#include "ui/pages/MusicPage.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/LibraryText.h"
#include "ui/pages/MusicGroups.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/TrackProxy.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QStandardItem *cell(const QString &text, const char *color = nullptr)
{
    auto *item = new QStandardItem(text);
    if (color)
        item->setForeground(QColor(QLatin1String(color)));
    return item;
}

QStringList headerLabels()
{
    return {QStringLiteral("#"),
            uiText(QStringLiteral("Title"), QStringLiteral("Título")),
            uiText(QStringLiteral("Artist"), QStringLiteral("Artista")),
            uiText(QStringLiteral("Album"), QStringLiteral("Álbum")),
            uiText(QStringLiteral("Genre"), QStringLiteral("Gênero")),
            uiText(QStringLiteral("Time"), QStringLiteral("Duração")),
            uiText(QStringLiteral("Plays"), QStringLiteral("Tocadas"))};
}

QString chipText(const QString &kind, const QString &value)
{
    QString label;
    if (kind == QLatin1String("artist"))
        label = uiText(QStringLiteral("Artist"), QStringLiteral("Artista"));
    else if (kind == QLatin1String("album"))
        label = uiText(QStringLiteral("Album"), QStringLiteral("Álbum"));
    else if (kind == QLatin1String("genre"))
        label = uiText(QStringLiteral("Genre"), QStringLiteral("Gênero"));
    else
        label = uiText(QStringLiteral("Folder"), QStringLiteral("Pasta"));
    QString shown = value;
    if (value.isEmpty())
        shown = uiText(QStringLiteral("(empty)"), QStringLiteral("(vazio)"));
    else if (kind == QLatin1String("folder"))
        shown = LibraryText::folderName(value);
    return escapeAmpersands(QStringLiteral("%1: %2").arg(label, shown));
}

} // namespace

MusicPage::MusicPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 10);
    layout->setSpacing(10);
    buildHeader(layout);

    auto *tabRow = new QHBoxLayout;
    m_tabs = new QTabBar;
    m_tabs->setObjectName(QStringLiteral("musicTabs"));
    m_tabs->setDrawBase(false);
    m_tabs->addTab(uiText(QStringLiteral("Songs"), QStringLiteral("Faixas")));
    m_tabs->addTab(uiText(QStringLiteral("Albums"), QStringLiteral("Álbuns")));
    m_tabs->addTab(uiText(QStringLiteral("Artists"), QStringLiteral("Artistas")));
    m_tabs->addTab(uiText(QStringLiteral("Genres"), QStringLiteral("Gêneros")));
    m_tabs->addTab(uiText(QStringLiteral("Folders"), QStringLiteral("Pastas")));
    tabRow->addWidget(m_tabs);
    tabRow->addSpacing(10);
    m_chip = new QPushButton;
    m_chip->setObjectName(QStringLiteral("musicChip"));
    m_chip->setProperty("chip", true);
    m_chip->setIcon(icon(QStringLiteral("x")));
    m_chip->setLayoutDirection(Qt::RightToLeft);
    m_chip->setCursor(Qt::PointingHandCursor);
    m_chip->hide();
    tabRow->addWidget(m_chip);
    tabRow->addStretch();
    layout->addLayout(tabRow);

    m_outer = new QStackedWidget;
    m_inner = new QStackedWidget;
    buildTable();
    buildGroupViews();
    m_outer->addWidget(m_inner);
    QPushButton *choose = makeButton(uiText(QStringLiteral("Choose a music folder"),
                                            QStringLiteral("Escolher pasta de músicas")),
                                     QStringLiteral("folder-plus"), true);
    connect(choose, &QPushButton::clicked, this, &MusicPage::chooseFolder);
    m_outer->addWidget(makeEmptyState(
            QStringLiteral("music"),
            uiText(QStringLiteral("Your music library is empty"),
                   QStringLiteral("Sua biblioteca de música está vazia")),
            uiText(QStringLiteral("Add the folders with your music. Covers, artists, albums and "
                                  "genres are read automatically."),
                   QStringLiteral("Adicione as pastas com suas músicas. Capas, artistas, álbuns e "
                                  "gêneros são lidos automaticamente.")),
            choose));
    layout->addWidget(m_outer, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, &MusicPage::onTabChanged);
    connect(m_chip, &QPushButton::clicked, this, [this] { applyFilter(QString(), QString()); });
    connect(m_database, &Database::libraryChanged, this, &MusicPage::reload);
    reload();
}

void MusicPage::buildHeader(QBoxLayout *layout)
{
    auto *header = new QHBoxLayout;
    header->addWidget(makeLabel(uiText(QStringLiteral("Music"), QStringLiteral("Música")),
                                QStringLiteral("PageTitle")));
    header->addStretch();
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("musicSearch"));
    m_search->setPlaceholderText(uiText(QStringLiteral("Search songs, artists, albums…"),
                                        QStringLiteral("Buscar música, artista, álbum…")));
    m_search->setClearButtonEnabled(true);
    m_search->setFixedWidth(280);
    header->addWidget(m_search);
    QPushButton *playAll =
            makeButton(uiText(QStringLiteral("Play all"), QStringLiteral("Tocar tudo")),
                       QStringLiteral("play"), true);
    QPushButton *shuffle =
            makeButton(uiText(QStringLiteral("Shuffle"), QStringLiteral("Aleatório")),
                       QStringLiteral("shuffle"));
    QPushButton *add =
            makeButton(uiText(QStringLiteral("Add folder"), QStringLiteral("Adicionar pasta")),
                       QStringLiteral("folder-plus"));
    QPushButton *rescan = makeButton(QString(), QStringLiteral("refresh"));
    rescan->setToolTip(
            uiText(QStringLiteral("Rescan library"), QStringLiteral("Atualizar biblioteca")));
    for (QPushButton *button : {playAll, shuffle, add, rescan})
        header->addWidget(button);
    layout->addLayout(header);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        const QString trimmed = text.trimmed();
        m_proxy->setSearchText(trimmed);
        if (m_tabs->currentIndex() != SongsTab && !trimmed.isEmpty())
            m_tabs->setCurrentIndex(SongsTab);
    });
    connect(playAll, &QPushButton::clicked, this, [this] { playShown(false); });
    connect(shuffle, &QPushButton::clicked, this, [this] { playShown(true); });
    connect(add, &QPushButton::clicked, this, &MusicPage::chooseFolder);
    connect(rescan, &QPushButton::clicked, this, [] { Library::instance()->startScan(); });
}

void MusicPage::buildTable()
{
    m_tracks = new QStandardItemModel(0, TrackProxy::ColumnCount, this);
    m_tracks->setHorizontalHeaderLabels(headerLabels());
    m_proxy = new TrackProxy(this);
    m_proxy->setTracks(m_tracks);
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("songTable"));
    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(TrackProxy::ArtistColumn, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(36);
    // Fixed rows: the header then never measures 20,000 sections.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView *header = m_table->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(TrackProxy::TitleColumn, QHeaderView::Stretch);
    const std::pair<int, int> widths[] = {
            {TrackProxy::TrackColumn, 48},  {TrackProxy::ArtistColumn, 200},
            {TrackProxy::AlbumColumn, 200}, {TrackProxy::GenreColumn, 110},
            {TrackProxy::TimeColumn, 80},   {TrackProxy::PlaysColumn, 80}};
    for (const auto &[column, width] : widths)
        header->resizeSection(column, width);
    m_inner->addWidget(m_table);

    connect(m_table, &QTableView::activated, this,
            [this](const QModelIndex &index) { m_host->playPaths(shownPaths(), index.row()); });
    connect(m_table, &QTableView::customContextMenuRequested, this, &MusicPage::showTableMenu);
}

void MusicPage::buildGroupViews()
{
    m_albums = new CardView(false, false);
    m_albums->setObjectName(QStringLiteral("albumCards"));
    m_albumModel = m_albums->model();
    m_inner->addWidget(m_albums);

    m_groups = new QListView;
    m_groups->setObjectName(QStringLiteral("groupList"));
    m_groupModel = new QStandardItemModel(this);
    m_groups->setModel(m_groupModel);
    m_groups->setIconSize(QSize(20, 20));
    m_groups->setSpacing(2);
    m_groups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_groups->setContextMenuPolicy(Qt::CustomContextMenu);
    m_inner->addWidget(m_groups);

    connect(m_albums, &CardView::activatedPath, this, [this](const QModelIndex &index) {
        applyFilter(QStringLiteral("album"), index.data(ItemRole::FilterValue).toString());
        m_tabs->setCurrentIndex(SongsTab);
    });
    connect(m_albums, &CardView::menuRequested, this,
            [this](const QModelIndex &index, const QPoint &globalPos) {
                m_host->showMediaMenu(index.data(ItemRole::Paths).toStringList(), globalPos);
            });
    connect(m_groups, &QListView::activated, this, [this](const QModelIndex &index) {
        applyFilter(index.data(ItemRole::Kind).toString(),
                    index.data(ItemRole::FilterValue).toString());
        m_tabs->setCurrentIndex(SongsTab);
    });
    connect(m_groups, &QListView::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = m_groups->indexAt(pos);
        if (index.isValid())
            m_host->showMediaMenu(index.data(ItemRole::Paths).toStringList(),
                                  m_groups->viewport()->mapToGlobal(pos));
    });
}

void MusicPage::reload()
{
    m_songs = m_database->libraryMedia(QStringLiteral("audio"));
    fillTable();
    if (m_tabs->currentIndex() != SongsTab)
        rebuildGroups();
    m_outer->setCurrentIndex(m_songs.isEmpty() ? 1 : 0);
}

void MusicPage::fillTable()
{
    // A new library scan must not lose the user's place: the selection and
    // the top row are found again by path.
    QSet<QString> selected;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows(0))
        selected.insert(index.data(ItemRole::Path).toString());
    const QString topPath = m_proxy->index(m_table->rowAt(0), 0).data(ItemRole::Path).toString();

    // Filled away from the proxy and handed over whole: a sorting proxy that
    // sees every row arrive places each one, which grows with the square of
    // the rows.
    auto *model = new QStandardItemModel(int(m_songs.size()), TrackProxy::ColumnCount, this);
    model->setHorizontalHeaderLabels(headerLabels());
    for (int row = 0; row < m_songs.size(); ++row) {
        const MediaRecord &song = m_songs.at(row);
        QStandardItem *track =
                cell(song.track >= 1 ? QString::number(song.track) : QString(), "#6b7c93");
        track->setData(song.path, ItemRole::Path);
        track->setData(song.track, ItemRole::SortValue);
        QStandardItem *title = cell(song.displayTitle());
        title->setToolTip(LibraryText::plainToolTip(song.path));
        QStandardItem *time =
                cell(song.duration > 0 ? formatTime(song.duration) : QString(), "#a8b5c7");
        time->setData(song.duration, ItemRole::SortValue);
        QStandardItem *plays =
                cell(song.playCount >= 1 ? QString::number(song.playCount) : QString(), "#a8b5c7");
        plays->setData(song.playCount, ItemRole::SortValue);
        model->setItem(row, TrackProxy::TrackColumn, track);
        model->setItem(row, TrackProxy::TitleColumn, title);
        model->setItem(row, TrackProxy::ArtistColumn, cell(song.artist, "#c9d4e3"));
        model->setItem(row, TrackProxy::AlbumColumn, cell(song.album, "#c9d4e3"));
        model->setItem(row, TrackProxy::GenreColumn, cell(song.genre, "#a8b5c7"));
        model->setItem(row, TrackProxy::TimeColumn, time);
        model->setItem(row, TrackProxy::PlaysColumn, plays);
    }
    // The swap resets the header; its widths and sort order are put back.
    QHeaderView *header = m_table->horizontalHeader();
    const QByteArray headerState = header->saveState();
    QStandardItemModel *old = m_tracks;
    m_tracks = model;
    m_proxy->setTracks(model);
    delete old;
    header->restoreState(headerState);

    QItemSelection selection;
    QModelIndex top;
    if (!selected.isEmpty() || !topPath.isEmpty()) {
        for (int row = 0; row < m_proxy->rowCount(); ++row) {
            const QModelIndex index = m_proxy->index(row, 0);
            const QString path = index.data(ItemRole::Path).toString();
            if (selected.contains(path))
                selection.select(index, m_proxy->index(row, TrackProxy::ColumnCount - 1));
            if (path == topPath)
                top = index;
        }
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (top.isValid())
        m_table->scrollTo(top, QAbstractItemView::PositionAtTop);
}

void MusicPage::rebuildGroups()
{
    const int tab = m_tabs->currentIndex();
    if (tab == AlbumsTab) {
        m_albumModel->clear();
        for (QStandardItem *card : MusicGroups::albumCards(m_songs))
            m_albumModel->appendRow(card);
        return;
    }
    static const char *const fields[] = {"artist", "genre", "folder"};
    m_groupModel->clear();
    for (QStandardItem *row :
         MusicGroups::fieldRows(m_songs, QLatin1String(fields[tab - ArtistsTab])))
        m_groupModel->appendRow(row);
}

void MusicPage::onTabChanged(int tab)
{
    m_inner->setCurrentIndex(tab == SongsTab ? 0 : tab == AlbumsTab ? 1 : 2);
    if (tab != SongsTab)
        rebuildGroups();
}

void MusicPage::applyFilter(const QString &kind, const QString &value)
{
    m_proxy->setGroupFilter(kind, value);
    if (kind.isEmpty()) {
        m_chip->hide();
        return;
    }
    m_chip->setText(chipText(kind, value));
    m_chip->show();
    // An album plays in track order.
    if (kind == QLatin1String("album"))
        m_table->sortByColumn(TrackProxy::TrackColumn, Qt::AscendingOrder);
}

void MusicPage::showAlbum(const QString &album)
{
    applyFilter(QStringLiteral("album"), album);
    m_tabs->setCurrentIndex(SongsTab);
}

void MusicPage::showArtist(const QString &artist)
{
    applyFilter(QStringLiteral("artist"), artist);
    m_tabs->setCurrentIndex(SongsTab);
}

QStringList MusicPage::shownPaths() const
{
    QStringList paths;
    const int rows = m_proxy->rowCount();
    paths.reserve(rows);
    for (int row = 0; row < rows; ++row)
        paths.append(m_proxy->index(row, 0).data(ItemRole::Path).toString());
    return paths;
}

void MusicPage::playShown(bool shuffle)
{
    const QStringList paths = shownPaths();
    if (paths.isEmpty())
        return;
    m_host->player()->setShuffle(shuffle);
    const int start = shuffle ? int(QRandomGenerator::global()->bounded(qint64(paths.size()))) : 0;
    m_host->playPaths(paths, start);
}

void MusicPage::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
            this, uiText(QStringLiteral("Music folder"), QStringLiteral("Pasta de músicas")),
            QString(), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        Library::instance()->addFolder(QStringLiteral("audio"), folder);
}

void MusicPage::showTableMenu(const QPoint &viewportPos)
{
    QStringList paths;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows(0))
        paths.append(index.data(ItemRole::Path).toString());
    if (!paths.isEmpty())
        m_host->showMediaMenu(paths, m_table->viewport()->mapToGlobal(viewportPos));
}
