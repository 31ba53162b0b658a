#include "ui/pages/VideosPage.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/ItemRoles.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/LibraryText.h"
#include "ui/pages/PageContext.h"

#include <QCollator>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString SortKey = QStringLiteral("videos/sort");

// The watched fraction of a history entry, or a negative value for no bar.
double watchedFraction(const HistoryEntry *entry)
{
    if (!entry || entry->duration <= 0)
        return -1;
    if (entry->finished)
        return 1.0;
    return std::clamp(entry->position / entry->duration, 0.0, 1.0);
}

QString subtitleOf(const MediaRecord &video)
{
    const QString folder = LibraryText::folderName(video.folder);
    const QString size = LibraryText::sizeText(video.size);
    if (size.isEmpty())
        return folder;
    return QStringLiteral("%1 · %2").arg(folder, size);
}

} // namespace

VideosPage::VideosPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 10);
    layout->setSpacing(14);
    buildHeader(layout);

    m_stack = new QStackedWidget;
    m_view = new CardView(false, true);
    m_view->setObjectName(QStringLiteral("videoCards"));
    m_model = m_view->model();
    m_stack->addWidget(m_view);

    QPushButton *choose = makeButton(uiText(QStringLiteral("Choose a video folder"),
                                            QStringLiteral("Escolher pasta de vídeos")),
                                     QStringLiteral("folder-plus"), true);
    connect(choose, &QPushButton::clicked, this, &VideosPage::chooseFolder);
    m_stack->addWidget(makeEmptyState(
            QStringLiteral("film"),
            uiText(QStringLiteral("No videos in your library"),
                   QStringLiteral("Nenhum vídeo na biblioteca")),
            uiText(QStringLiteral("Choose the folders with your movies, shows and recordings. "
                                  "Zorvi Player lists everything with thumbnails and remembers "
                                  "where you stopped."),
                   QStringLiteral("Escolha as pastas onde ficam seus filmes, séries e gravações. "
                                  "O Zorvi Player lista tudo com miniatura e lembra onde você "
                                  "parou.")),
            choose));
    layout->addWidget(m_stack, 1);

    connect(m_view, &CardView::activatedPath, this, [this](const QModelIndex &index) {
        const QString path = index.data(ItemRole::Path).toString();
        if (!path.isEmpty())
            m_host->playPath(path);
    });
    connect(m_view, &CardView::menuRequested, this, &VideosPage::showMenu);
    connect(Covers::instance(), &Covers::ready, this, &VideosPage::refreshCard);
    connect(m_database, &Database::libraryChanged, this, &VideosPage::reload);
    connect(m_database, &Database::historyChanged, this, [this] {
        if (isVisible())
            rebuildCards();
        else
            m_historyStale = true;
    });
    reload();
}

void VideosPage::buildHeader(QBoxLayout *layout)
{
    auto *header = new QHBoxLayout;
    header->addWidget(makeLabel(uiText(QStringLiteral("Videos"), QStringLiteral("Vídeos")),
                                QStringLiteral("PageTitle")));
    header->addStretch();

    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("videosSearch"));
    m_search->setPlaceholderText(
            uiText(QStringLiteral("Search videos…"), QStringLiteral("Buscar vídeos…")));
    m_search->setClearButtonEnabled(true);
    m_search->setFixedWidth(240);
    header->addWidget(m_search);

    m_folders = new QComboBox;
    m_folders->setObjectName(QStringLiteral("videosFolders"));
    m_folders->setMinimumWidth(160);
    header->addWidget(m_folders);

    m_sort = new QComboBox;
    m_sort->setObjectName(QStringLiteral("videosSort"));
    m_sort->addItem(uiText(QStringLiteral("Name"), QStringLiteral("Nome")), QStringLiteral("name"));
    m_sort->addItem(uiText(QStringLiteral("Newest"), QStringLiteral("Mais recentes")),
                    QStringLiteral("date"));
    m_sort->addItem(uiText(QStringLiteral("Size"), QStringLiteral("Tamanho")),
                    QStringLiteral("size"));
    m_sort->addItem(uiText(QStringLiteral("Duration"), QStringLiteral("Duração")),
                    QStringLiteral("duration"));
    // An unknown stored key (a hand-edited file) leaves Name current.
    m_sort->setCurrentIndex(
            std::max(0, m_sort->findData(settingValue(SortKey, QStringLiteral("name")))));
    header->addWidget(m_sort);

    QPushButton *add =
            makeButton(uiText(QStringLiteral("Add folder"), QStringLiteral("Adicionar pasta")),
                       QStringLiteral("folder-plus"));
    header->addWidget(add);
    QPushButton *rescan = makeButton(QString(), QStringLiteral("refresh"));
    rescan->setToolTip(
            uiText(QStringLiteral("Rescan library"), QStringLiteral("Atualizar biblioteca")));
    header->addWidget(rescan);
    layout->addLayout(header);

    connect(m_search, &QLineEdit::textChanged, this, &VideosPage::rebuildCards);
    connect(m_folders, &QComboBox::currentIndexChanged, this, &VideosPage::rebuildCards);
    connect(m_sort, &QComboBox::currentIndexChanged, this, [this] {
        setSettingValue(SortKey, m_sort->currentData());
        rebuildCards();
    });
    connect(add, &QPushButton::clicked, this, &VideosPage::chooseFolder);
    connect(rescan, &QPushButton::clicked, this, [] { Library::instance()->startScan(); });
}

void VideosPage::reload()
{
    m_videos = m_database->libraryMedia(QStringLiteral("video"));
    rebuildFolders();
    rebuildCards();
}

void VideosPage::rebuildFolders()
{
    const QString remembered = m_folders->currentData().toString();
    QStringList folders;
    QSet<QString> seen;
    for (const MediaRecord &video : std::as_const(m_videos)) {
        if (!video.folder.isEmpty() && !seen.contains(video.folder)) {
            seen.insert(video.folder);
            folders.append(video.folder);
        }
    }
    folders.sort(Qt::CaseSensitive);

    const QSignalBlocker blocker(m_folders);
    m_folders->clear();
    m_folders->addItem(uiText(QStringLiteral("All folders"), QStringLiteral("Todas as pastas")),
                       QString());
    for (const QString &folder : std::as_const(folders)) {
        m_folders->addItem(LibraryText::folderName(folder), folder);
        m_folders->setItemData(m_folders->count() - 1, folder, Qt::ToolTipRole);
    }
    const int index = remembered.isEmpty() ? 0 : m_folders->findData(remembered);
    m_folders->setCurrentIndex(index > 0 ? index : 0);
}

QList<MediaRecord> VideosPage::shownVideos() const
{
    const QString text = m_search->text().trimmed();
    const QString folder = m_folders->currentData().toString();
    QList<MediaRecord> shown;
    for (const MediaRecord &video : m_videos) {
        if (!folder.isEmpty() && video.folder != folder)
            continue;
        if (!text.isEmpty() && !video.displayTitle().contains(text, Qt::CaseInsensitive) &&
            !video.path.contains(text, Qt::CaseInsensitive))
            continue;
        shown.append(video);
    }

    // Ties fall back to the shown title, then the path, so equal keys keep
    // their places from one rebuild to the next.
    struct Keyed
    {
        const MediaRecord *video;
        QCollatorSortKey title;
    };
    QCollator collator;
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(shown.size()));
    for (const MediaRecord &video : std::as_const(shown))
        keyed.push_back({&video, collator.sortKey(video.displayTitle())});
    const QString key = m_sort->currentData().toString();
    const auto byTitle = [](const Keyed &a, const Keyed &b) {
        const int order = a.title.compare(b.title);
        return order != 0 ? order < 0 : a.video->path < b.video->path;
    };
    const auto descending = [&byTitle](auto field) {
        return [field, &byTitle](const Keyed &a, const Keyed &b) {
            const auto x = field(*a.video);
            const auto y = field(*b.video);
            return x != y ? x > y : byTitle(a, b);
        };
    };
    if (key == QLatin1String("date"))
        std::sort(keyed.begin(), keyed.end(),
                  descending([](const MediaRecord &v) { return v.addedAt; }));
    else if (key == QLatin1String("size"))
        std::sort(keyed.begin(), keyed.end(),
                  descending([](const MediaRecord &v) { return v.size; }));
    else if (key == QLatin1String("duration"))
        std::sort(keyed.begin(), keyed.end(),
                  descending([](const MediaRecord &v) { return v.duration; }));
    else
        std::sort(keyed.begin(), keyed.end(), byTitle);

    QList<MediaRecord> sorted;
    sorted.reserve(shown.size());
    for (const Keyed &entry : keyed)
        sorted.append(*entry.video);
    return sorted;
}

void VideosPage::rebuildCards()
{
    m_historyStale = false;
    // A rebuild must not throw the user back to the top: the selection and
    // the card at the top of the view are found again by path.
    QSet<QString> selected;
    for (const QModelIndex &index : m_view->selectionModel()->selectedIndexes())
        selected.insert(index.data(ItemRole::Path).toString());
    const QString topPath = m_view->indexAt(QPoint(8, 8)).data(ItemRole::Path).toString();
    const QString currentPath = m_view->currentIndex().data(ItemRole::Path).toString();

    QHash<QString, HistoryEntry> history;
    for (const HistoryEntry &entry : m_database->history(QStringLiteral("video"), 2000)) {
        if (!history.contains(entry.path))
            history.insert(entry.path, entry);
    }

    m_model->clear();
    QModelIndex top;
    QModelIndex current;
    QItemSelection selection;
    for (const MediaRecord &video : shownVideos()) {
        auto *item = new QStandardItem(video.displayTitle());
        item->setToolTip(LibraryText::plainToolTip(video.path));
        item->setData(video.path, ItemRole::Path);
        item->setData(QStringLiteral("video"), ItemRole::Kind);
        item->setData(subtitleOf(video), ItemRole::Subtitle);
        const auto found = history.constFind(video.path);
        const double watched = watchedFraction(found == history.constEnd() ? nullptr : &*found);
        if (watched >= 0)
            item->setData(watched, ItemRole::Progress);
        if (video.duration > 0)
            item->setData(formatTime(video.duration), ItemRole::Badge);
        m_model->appendRow(item);
        const QModelIndex index = item->index();
        if (selected.contains(video.path))
            selection.select(index, index);
        if (video.path == topPath)
            top = index;
        if (video.path == currentPath)
            current = index;
    }
    if (current.isValid())
        m_view->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (top.isValid())
        m_view->scrollTo(top, QAbstractItemView::PositionAtTop);
    m_stack->setCurrentIndex(m_videos.isEmpty() ? 1 : 0);
}

void VideosPage::refreshCard(const QString &path)
{
    const QModelIndexList found =
            m_model->match(m_model->index(0, 0), ItemRole::Path, path, 1, Qt::MatchExactly);
    if (found.isEmpty())
        return;
    const QModelIndex index = found.first();
    if (index.data(ItemRole::Badge).toString().isEmpty()) {
        const std::optional<MediaRecord> row = m_database->mediaByPath(path);
        if (row && row->duration > 0) {
            m_model->setData(index, formatTime(row->duration), ItemRole::Badge);
            for (MediaRecord &video : m_videos) {
                if (video.path == path)
                    video.duration = row->duration;
            }
        }
    }
    m_view->update(index);
}

void VideosPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_historyStale)
        rebuildCards();
}

void VideosPage::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
            this, uiText(QStringLiteral("Video folder"), QStringLiteral("Pasta de vídeos")),
            QString(), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        Library::instance()->addFolder(QStringLiteral("video"), folder);
}

void VideosPage::showMenu(const QModelIndex &at, const QPoint &globalPos)
{
    QStringList paths;
    for (const QModelIndex &index : m_view->selectionModel()->selectedIndexes())
        paths.append(index.data(ItemRole::Path).toString());
    if (paths.isEmpty())
        paths.append(at.data(ItemRole::Path).toString());
    m_host->showMediaMenu(paths, globalPos);
}
