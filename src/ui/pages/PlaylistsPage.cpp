#include "ui/pages/PlaylistsPage.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "playlists/PlaylistFiles.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/PlaylistTableLoader.h"
#include "ui/pages/ReorderTable.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <memory>

namespace {

const QString FavoritesKey = QStringLiteral("auto:fav");
const QString TopKey = QStringLiteral("auto:top");
const QString NewKey = QStringLiteral("auto:new");

// Library rows looked up per event-loop pass while exporting.
constexpr int ExportChunk = 2000;
constexpr int MaxNameLength = 200;

QString rowText(const QString &name, int count)
{
    return QStringLiteral("%1  (%2)").arg(name).arg(count);
}

struct ImportResult
{
    bool ok = false;
    QString name;
    QStringList entries;
};

} // namespace

PlaylistsPage::PlaylistsPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSidebar());
    layout->addWidget(buildMain(), 1);

    m_loader = new PlaylistTableLoader(m_database, m_table, this);
    connect(m_loader, &PlaylistTableLoader::rowsChanged, this, &PlaylistsPage::updateSubtitle);
    connect(m_loader, &PlaylistTableLoader::loaded, this,
            [this] { m_table->setReorderEnabled(m_currentId > 0); });
    connect(m_loader, &PlaylistTableLoader::detailsDone, this, &PlaylistsPage::updateSubtitle);
    connect(m_database, &Database::playlistsChanged, this, &PlaylistsPage::rebuildSidebar);
    connect(m_database, &Database::favoritesChanged, this, [this] {
        if (m_currentId == 0 && m_currentKey == FavoritesKey)
            loadTable();
    });
    rebuildSidebar();
}

QWidget *PlaylistsPage::buildSidebar()
{
    auto *sidebar = new QWidget(this);
    sidebar->setObjectName(QStringLiteral("SubSidebar"));
    sidebar->setAttribute(Qt::WA_StyledBackground);
    sidebar->setFixedWidth(270);
    auto *layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(16, 26, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(makeLabel(QStringLiteral("Playlists"), QStringLiteral("PageTitle")));
    QPushButton *create =
            makeButton(uiText(QStringLiteral("New playlist"), QStringLiteral("Nova playlist")),
                       QStringLiteral("plus"), true);
    create->setObjectName(QStringLiteral("NewPlaylistButton"));
    QPushButton *import =
            makeButton(uiText(QStringLiteral("Import M3U"), QStringLiteral("Importar M3U")),
                       QStringLiteral("upload"));
    import->setObjectName(QStringLiteral("ImportPlaylistButton"));
    connect(create, &QPushButton::clicked, this, &PlaylistsPage::newPlaylist);
    connect(import, &QPushButton::clicked, this, &PlaylistsPage::importPlaylist);
    layout->addWidget(create);
    layout->addWidget(import);
    m_sidebar = new QListWidget(sidebar);
    m_sidebar->setObjectName(QStringLiteral("PlaylistSidebar"));
    m_sidebar->setIconSize(QSize(18, 18));
    m_sidebar->setStyleSheet(
            QStringLiteral("QListWidget { background: transparent; border: none; }"
                           "QListWidget::item { padding: 8px 6px; border-radius: 8px; }"
                           "QListWidget::item:selected { background: %1; color: %2; }")
                    .arg(QLatin1String(ThemeColor::Selection), QLatin1String(ThemeColor::White)));
    connect(m_sidebar, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *item) { selectItem(item); });
    layout->addWidget(m_sidebar, 1);
    return sidebar;
}

QWidget *PlaylistsPage::buildMain()
{
    auto *main = new QWidget(this);
    auto *layout = new QVBoxLayout(main);
    layout->setContentsMargins(32, 26, 32, 10);
    layout->setSpacing(12);
    m_title = makeLabel(QString(), QStringLiteral("PageTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_subtitle = makeLabel(QString(), QStringLiteral("Muted"));
    m_subtitle->setTextFormat(Qt::PlainText);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    QPushButton *play = makeButton(uiText(QStringLiteral("Play"), QStringLiteral("Tocar")),
                                   QStringLiteral("play"), true);
    play->setObjectName(QStringLiteral("PlayPlaylistButton"));
    QPushButton *shuffle =
            makeButton(uiText(QStringLiteral("Shuffle"), QStringLiteral("Aleatório")),
                       QStringLiteral("shuffle"));
    shuffle->setObjectName(QStringLiteral("ShufflePlaylistButton"));
    const auto iconButton = [](const QString &iconName, const QString &tip, const char *name) {
        QPushButton *button = makeButton(QString(), iconName);
        button->setToolTip(tip);
        button->setObjectName(QLatin1String(name));
        return button;
    };
    m_rename = iconButton(QStringLiteral("edit"),
                          uiText(QStringLiteral("Rename"), QStringLiteral("Renomear")),
                          "RenamePlaylistButton");
    QPushButton *exportButton =
            iconButton(QStringLiteral("download"),
                       uiText(QStringLiteral("Export as M3U"), QStringLiteral("Exportar como M3U")),
                       "ExportPlaylistButton");
    m_delete = iconButton(
            QStringLiteral("trash"),
            uiText(QStringLiteral("Delete playlist"), QStringLiteral("Excluir playlist")),
            "DeletePlaylistButton");
    connect(play, &QPushButton::clicked, this, &PlaylistsPage::play);
    connect(shuffle, &QPushButton::clicked, this, &PlaylistsPage::shuffle);
    connect(m_rename, &QPushButton::clicked, this, &PlaylistsPage::renamePlaylist);
    connect(exportButton, &QPushButton::clicked, this, &PlaylistsPage::exportPlaylist);
    connect(m_delete, &QPushButton::clicked, this, &PlaylistsPage::deletePlaylist);
    for (QPushButton *button : {play, shuffle, m_rename, exportButton, m_delete})
        buttons->addWidget(button);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    m_table = new ReorderTable(main);
    m_table->setObjectName(QStringLiteral("PlaylistTable"));
    m_table->setColumnCount(4);
    m_table->setHorizontalHeaderLabels({uiText(QStringLiteral("Title"), QStringLiteral("Título")),
                                        uiText(QStringLiteral("Artist"), QStringLiteral("Artista")),
                                        uiText(QStringLiteral("Album"), QStringLiteral("Álbum")),
                                        uiText(QStringLiteral("Time"), QStringLiteral("Duração"))});
    QHeaderView *header = m_table->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        header->setSectionResizeMode(column, QHeaderView::Fixed);
    header->resizeSection(1, 200);
    header->resizeSection(2, 200);
    header->resizeSection(3, 80);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setRowsMovedHook([this] { saveOrder(); });
    m_table->setDeleteKeyHook([this] { removeSelectedRows(); });
    connect(m_table, &QTableWidget::itemActivated, this,
            [this](QTableWidgetItem *item) { m_host->playPaths(tablePaths(), item->row()); });
    connect(m_table, &QWidget::customContextMenuRequested, this, &PlaylistsPage::showTableMenu);
    layout->addWidget(m_table, 1);

    QLabel *hint = makeLabel(
            uiText(QStringLiteral("Tip: drag songs to reorder; Delete removes them. Add songs "
                                  "with right-click anywhere."),
                   QStringLiteral("Dica: arraste as faixas para mudar a ordem; Delete remove da "
                                  "playlist. Adicione músicas pelo botão direito em qualquer "
                                  "lista.")),
            QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    return main;
}

void PlaylistsPage::rebuildSidebar()
{
    const QSignalBlocker blocker(m_sidebar);
    const qint64 rememberedId = m_currentId;
    const QString rememberedKey = m_currentKey;
    m_sidebar->clear();
    const QColor accent = themeColor(ThemeColor::Accent);
    const struct
    {
        const char *english;
        const char *portuguese;
        const char *icon;
        const QString &key;
    } automatic[] = {{"Favorites", "Favoritos", "heart-filled", FavoritesKey},
                     {"Most played", "Mais tocadas", "sparkles", TopKey},
                     {"Recently added", "Adicionadas recentemente", "clock", NewKey}};
    for (const auto &row : automatic) {
        auto *item = new QListWidgetItem(
                tintedIcon(QLatin1String(row.icon), accent, accent),
                uiText(QString::fromUtf8(row.english), QString::fromUtf8(row.portuguese)),
                m_sidebar);
        item->setData(KeyRole, row.key);
        item->setData(IdRole, qint64(0));
    }
    auto *header = new QListWidgetItem(
            uiText(QStringLiteral("MY PLAYLISTS"), QStringLiteral("MINHAS PLAYLISTS")), m_sidebar);
    header->setFlags(Qt::NoItemFlags);
    header->setForeground(themeColor(ThemeColor::MutedText));
    QFont headerFont = header->font();
    headerFont.setPointSize(8);
    headerFont.setWeight(QFont::Bold);
    header->setFont(headerFont);
    const QList<PlaylistInfo> playlists = m_database->playlists();
    for (const PlaylistInfo &info : playlists) {
        auto *item = new QListWidgetItem(icon(QStringLiteral("playlist")),
                                         rowText(info.name, info.count), m_sidebar);
        item->setData(IdRole, info.id);
        item->setData(NameRole, info.name);
        item->setToolTip(PlaylistTableLoader::plainToolTip(info.name));
    }
    QListWidgetItem *chosen = rememberedId > 0 ? sidebarItem(rememberedId) : nullptr;
    for (int row = 0; !chosen && row < 3; ++row) {
        if (m_sidebar->item(row)->data(KeyRole).toString() == rememberedKey)
            chosen = m_sidebar->item(row);
    }
    if (!chosen)
        chosen = m_sidebar->item(0);
    m_sidebar->setCurrentItem(chosen);
    selectItem(chosen);
}

QListWidgetItem *PlaylistsPage::sidebarItem(qint64 id) const
{
    for (int row = 4; row < m_sidebar->count(); ++row) {
        if (m_sidebar->item(row)->data(IdRole).toLongLong() == id)
            return m_sidebar->item(row);
    }
    return nullptr;
}

void PlaylistsPage::selectItem(QListWidgetItem *item)
{
    if (!item || !(item->flags() & Qt::ItemIsSelectable))
        return;
    m_currentId = item->data(IdRole).toLongLong();
    m_currentKey = m_currentId > 0 ? QString() : item->data(KeyRole).toString();
    m_title->setText(m_currentId > 0 ? item->data(NameRole).toString() : item->text());
    m_rename->setEnabled(m_currentId > 0);
    m_delete->setEnabled(m_currentId > 0);
    loadTable();
}

void PlaylistsPage::loadTable()
{
    m_table->setReorderEnabled(false);
    if (m_currentId > 0) {
        m_loader->loadPlaylist(m_currentId);
    } else if (m_currentKey == TopKey) {
        m_loader->loadRecords(m_database->mostPlayed(100));
    } else if (m_currentKey == NewKey) {
        m_loader->loadRecords(m_database->recentlyAdded(200));
    } else {
        m_loader->loadRecords(m_database->favorites());
    }
}

void PlaylistsPage::updateSubtitle()
{
    // While rows arrive the loader keeps the sum; after an edit it is counted again.
    const double seconds = m_loader->isBusy() ? m_loader->loadedSeconds()
                                              : PlaylistTableLoader::totalSeconds(m_table);
    m_subtitle->setText(uiText(QStringLiteral("%1 items · %2"), QStringLiteral("%1 itens · %2"))
                                .arg(m_table->rowCount())
                                .arg(formatTime(seconds)));
}

QStringList PlaylistsPage::tablePaths() const
{
    QStringList paths;
    paths.reserve(m_table->rowCount());
    for (int row = 0; row < m_table->rowCount(); ++row)
        paths.append(PlaylistTableLoader::rowPath(m_table, row));
    return paths;
}

void PlaylistsPage::play()
{
    if (PlayerCore *player = m_host->player())
        player->setShuffle(false);
    const QStringList paths = tablePaths();
    if (!paths.isEmpty())
        m_host->playPaths(paths, 0);
}

void PlaylistsPage::shuffle()
{
    if (PlayerCore *player = m_host->player())
        player->setShuffle(true);
    const QStringList paths = tablePaths();
    if (!paths.isEmpty())
        m_host->playPaths(paths, int(QRandomGenerator::global()->bounded(paths.size())));
}

void PlaylistsPage::newPlaylist()
{
    const QString name =
            QInputDialog::getText(
                    this, uiText(QStringLiteral("New playlist"), QStringLiteral("Nova playlist")),
                    uiText(QStringLiteral("Name:"), QStringLiteral("Nome:")))
                    .trimmed();
    if (name.isEmpty())
        return;
    const qint64 id = m_database->createPlaylist(name);
    if (id <= 0)
        return;
    m_currentId = id;
    rebuildSidebar();
}

void PlaylistsPage::renamePlaylist()
{
    if (m_currentId <= 0)
        return;
    const qint64 id = m_currentId;
    const QString name =
            QInputDialog::getText(
                    this,
                    uiText(QStringLiteral("Rename playlist"), QStringLiteral("Renomear playlist")),
                    uiText(QStringLiteral("Name:"), QStringLiteral("Nome:")), QLineEdit::Normal,
                    m_title->text())
                    .trimmed();
    if (!name.isEmpty() && id == m_currentId)
        m_database->renamePlaylist(id, name);
}

void PlaylistsPage::deletePlaylist()
{
    if (m_currentId <= 0)
        return;
    const qint64 id = m_currentId;
    QMessageBox box(QMessageBox::Question,
                    uiText(QStringLiteral("Delete playlist"), QStringLiteral("Excluir playlist")),
                    uiText(QStringLiteral("Delete playlist \"%1\"? The songs stay on your "
                                          "computer."),
                           QStringLiteral("Excluir a playlist \"%1\"? As músicas continuam no "
                                          "computador."))
                            .arg(m_title->text()),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes && id == m_currentId)
        m_database->deletePlaylist(id);
}

QString PlaylistsPage::importedName(const QString &name, const QString &filePath)
{
    QString clean = name;
    for (QChar &c : clean) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    clean = clean.trimmed();
    if (clean.size() > MaxNameLength) {
        // Never cut between the halves of a surrogate pair.
        qsizetype cut = MaxNameLength;
        if (clean.at(cut - 1).isHighSurrogate())
            --cut;
        clean = clean.left(cut).trimmed();
    }
    return clean.isEmpty() ? QFileInfo(filePath).completeBaseName() : clean;
}

QString PlaylistsPage::safeFileName(const QString &name)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString safe = name;
    for (QChar &c : safe) {
        if (refused.contains(c) || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return safe;
}

void PlaylistsPage::importPlaylist()
{
    const QString file = QFileDialog::getOpenFileName(
            this, uiText(QStringLiteral("Import playlist"), QStringLiteral("Importar playlist")),
            QString(), QStringLiteral("Playlists (*.m3u *.m3u8 *.pls)"));
    if (file.isEmpty())
        return;
    auto *watcher = new QFutureWatcher<ImportResult>(this);
    connect(watcher, &QFutureWatcher<ImportResult>::finished, this, [this, watcher, file] {
        const ImportResult result = watcher->result();
        watcher->deleteLater();
        finishImport(file, result.ok, result.name, result.entries);
    });
    watcher->setFuture(QtConcurrent::run([file] {
        ImportResult result;
        result.ok = readPlaylist(file, &result.name, &result.entries);
        return result;
    }));
}

void PlaylistsPage::finishImport(const QString &filePath, bool ok, const QString &name,
                                 const QStringList &entries)
{
    if (!ok || entries.isEmpty()) {
        m_host->showToast(uiText(QStringLiteral("Could not read the playlist"),
                                 QStringLiteral("Não foi possível ler a playlist")));
        Q_EMIT importFinished(0);
        return;
    }
    const QString playlistName = importedName(name, filePath);
    const qint64 id = m_database->createPlaylist(playlistName);
    if (id <= 0 || !m_database->setPlaylistItems(id, entries)) {
        if (id > 0)
            m_database->deletePlaylist(id);
        m_host->showToast(uiText(QStringLiteral("Save failed"), QStringLiteral("Falha ao salvar")));
        Q_EMIT importFinished(0);
        return;
    }
    m_currentId = id;
    rebuildSidebar();
    m_host->showToast(uiText(QStringLiteral("Playlist \"%1\" imported (%2 items)"),
                             QStringLiteral("Playlist \"%1\" importada (%2 itens)"))
                              .arg(playlistName)
                              .arg(entries.size()));
    Q_EMIT importFinished(id);
}

void PlaylistsPage::exportPlaylist()
{
    const QString target = QFileDialog::getSaveFileName(
            this, uiText(QStringLiteral("Export playlist"), QStringLiteral("Exportar playlist")),
            safeFileName(m_title->text()) + QStringLiteral(".m3u8"),
            QStringLiteral("M3U (*.m3u8 *.m3u)"));
    if (target.isEmpty())
        return;
    writeExport(target, tablePaths());
}

void PlaylistsPage::writeExport(const QString &target, const QStringList &paths)
{
    // The library is read a chunk per pass on this thread (the database lives
    // here); the file is written on a worker.
    struct Export
    {
        QString target;
        QStringList paths;
        QList<M3uItem> items;
    };
    auto job = std::make_shared<Export>(Export{target, paths, {}});
    job->items.reserve(paths.size());
    auto step = std::make_shared<std::function<void()>>();
    // The step holds itself weakly; a queued pass holds it strongly.
    const std::weak_ptr<std::function<void()>> self = step;
    *step = [this, job, self] {
        const QStringList chunk = job->paths.mid(job->items.size(), ExportChunk);
        const QHash<QString, MediaRecord> rows = m_database->mediaByPaths(chunk);
        for (const QString &entry : chunk) {
            const auto found = rows.constFind(entry);
            job->items.append(m3uItem(entry, found == rows.cend()
                                                     ? std::nullopt
                                                     : std::optional<MediaRecord>(*found)));
        }
        if (job->items.size() < job->paths.size()) {
            QTimer::singleShot(0, this, [next = self.lock()] { (*next)(); });
            return;
        }
        auto *watcher = new QFutureWatcher<bool>(this);
        connect(watcher, &QFutureWatcher<bool>::finished, this, [this, watcher] {
            const bool ok = watcher->result();
            watcher->deleteLater();
            m_host->showToast(
                    ok ? uiText(QStringLiteral("Playlist exported"),
                                QStringLiteral("Playlist exportada"))
                       : uiText(QStringLiteral("Save failed"), QStringLiteral("Falha ao salvar")));
            Q_EMIT exportFinished(ok);
        });
        watcher->setFuture(
                QtConcurrent::run([job] { return writeM3uItems(job->target, job->items); }));
    };
    (*step)();
}

void PlaylistsPage::removeSelectedRows()
{
    if (m_currentId <= 0 || m_loader->isLoading())
        return;
    const QList<int> rows = m_table->selectedRowNumbers();
    if (rows.isEmpty())
        return;
    for (auto row = rows.crbegin(); row != rows.crend(); ++row)
        m_table->removeRow(*row);
    saveOrder();
}

void PlaylistsPage::saveOrder()
{
    if (m_currentId <= 0 || m_loader->isLoading())
        return;
    {
        // The sidebar is updated here; a rebuild would reload the table.
        const QSignalBlocker blocker(m_database);
        m_database->setPlaylistItems(m_currentId, tablePaths());
    }
    updateSubtitle();
    if (QListWidgetItem *item = sidebarItem(m_currentId))
        item->setText(rowText(item->data(NameRole).toString(), m_table->rowCount()));
}

void PlaylistsPage::showTableMenu(const QPoint &pos)
{
    QStringList paths;
    const QList<int> rows = m_table->selectedRowNumbers();
    for (const int row : rows)
        paths.append(PlaylistTableLoader::rowPath(m_table, row));
    if (paths.isEmpty())
        return;
    QMenu *extra = nullptr;
    if (m_currentId > 0) {
        extra = new QMenu(this);
        QAction *remove = extra->addAction(icon(QStringLiteral("trash")),
                                           uiText(QStringLiteral("Remove from this playlist"),
                                                  QStringLiteral("Remover desta playlist")));
        connect(remove, &QAction::triggered, this, &PlaylistsPage::removeSelectedRows);
    }
    m_host->showMediaMenu(paths, m_table->viewport()->mapToGlobal(pos), extra);
}
