#include "ui/pages/RadiosPage.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "playlists/PlaylistFiles.h"
#include "playlists/RadioDirectory.h"
#include "playlists/RadioSearch.h"
#include "playlists/StationLogos.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QStandardItemModel>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

// Sidebar rows keep their section kind and group name in these roles.
constexpr int KindRole = ItemRole::Kind;
constexpr int GroupRole = ItemRole::FilterValue;

const QString Discover = QStringLiteral("discover");
const QString Mine = QStringLiteral("mine");
const QString Group = QStringLiteral("group");
const QString RadioGroup = QStringLiteral("radio");
const QColor Accent(0x2b, 0xd9, 0xfe);

// The engine gets the whole list when it is short (a directory search gives
// 120) and a window around the chosen station of a long one: next and
// previous still walk the listed stations, and starting a station of a
// 50,000-channel group does not queue all of them (each costs the engine a
// command on the GUI thread).
constexpr int WholeListLimit = 150;
constexpr int QueueReach = 25;

QString foundText(qsizetype count)
{
    return uiText(QStringLiteral("%1 radios found · right-click to save"),
                  QStringLiteral("%1 rádios encontradas · clique com o botão direito para "
                                 "salvar"))
            .arg(count);
}

QList<StationRecord> readPlayableChannels(const QString &filePath)
{
    return playableStations(readIptvList(filePath));
}

} // namespace

RadiosPage::RadiosPage(const PageContext &context, QWidget *parent, const DirectoryConfig &config)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
    , m_network(new QNetworkAccessManager(this))
    , m_directory(new RadioDirectory(m_network, config, this))
    , m_logos(new StationLogos(m_network, config, this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *sidebar = new QWidget(this);
    buildSidebar(sidebar);
    row->addWidget(sidebar);

    auto *right = new QVBoxLayout;
    right->setContentsMargins(32, 26, 32, 10);
    right->setSpacing(12);
    m_searchRow = new QWidget(this);
    auto *searchLayout = new QHBoxLayout(m_searchRow);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->setSpacing(8);
    m_search = new QLineEdit(m_searchRow);
    m_search->setPlaceholderText(uiText(
            QStringLiteral("Search radios by name, city or style…"),
            QStringLiteral("Buscar rádio por nome, cidade ou estilo (ex.: sertanejo, jovem pan, "
                           "rock)…")));
    m_search->setClearButtonEnabled(true);
    m_country = new QComboBox(m_searchRow);
    m_country->addItem(uiText(QStringLiteral("Brazil"), QStringLiteral("Brasil")),
                       QStringLiteral("BR"));
    m_country->addItem(QStringLiteral("Portugal"), QStringLiteral("PT"));
    m_country->addItem(uiText(QStringLiteral("United States"), QStringLiteral("Estados Unidos")),
                       QStringLiteral("US"));
    m_country->addItem(uiText(QStringLiteral("All countries"), QStringLiteral("Todos os países")),
                       QString());
    QPushButton *searchButton = makeButton(
            uiText(QStringLiteral("Search"), QStringLiteral("Buscar")), QStringLiteral("search"));
    searchLayout->addWidget(m_search, 1);
    searchLayout->addWidget(m_country);
    searchLayout->addWidget(searchButton);
    right->addWidget(m_searchRow);
    m_status = makeLabel(QString(), QStringLiteral("Muted"));
    m_status->setWordWrap(true);
    right->addWidget(m_status);
    m_cards = new CardView(true, false, this);
    right->addWidget(m_cards, 1);
    row->addLayout(right, 1);

    connect(searchButton, &QPushButton::clicked, this, &RadiosPage::searchDirectory);
    connect(m_search, &QLineEdit::returnPressed, this, &RadiosPage::searchDirectory);
    connect(m_country, &QComboBox::currentIndexChanged, this, [this] { searchDirectory(); });
    connect(m_cards, &CardView::activatedPath, this,
            [this](const QModelIndex &index) { playStation(index.row()); });
    connect(m_cards, &CardView::menuRequested, this,
            [this](const QModelIndex &index, const QPoint &globalPos) {
                showStationMenu(index.row(), globalPos);
            });
    connect(m_directory, &RadioDirectory::searchFinished, this,
            [this](const QList<StationRecord> &records) {
                m_directoryResults = records;
                m_directoryStatus = foundText(records.size());
                // A late reply must not replace another section's cards.
                if (currentKind() == Discover) {
                    m_status->setText(m_directoryStatus);
                    showStations(records);
                }
            });
    connect(m_directory, &RadioDirectory::searchFailed, this, [this] {
        setDirectoryStatus(uiText(QStringLiteral("Could not reach the radio directory. Try "
                                                 "again shortly."),
                                  QStringLiteral("Sem conexão com o diretório de rádios. Tente "
                                                 "de novo em instantes.")));
    });
    connect(m_logos, &StationLogos::logoReady, this, &RadiosPage::applyLogo);
    connect(m_database, &Database::stationsChanged, this, &RadiosPage::reload);
    reload();
}

RadiosPage::~RadiosPage() = default;

void RadiosPage::buildSidebar(QWidget *sidebar)
{
    sidebar->setObjectName(QStringLiteral("SubSidebar"));
    sidebar->setAttribute(Qt::WA_StyledBackground);
    sidebar->setFixedWidth(250);
    auto *layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(16, 26, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(makeLabel(uiText(QStringLiteral("Radio & TV"), QStringLiteral("Rádios e TV")),
                                QStringLiteral("PageTitle")));
    QPushButton *addLink =
            makeButton(uiText(QStringLiteral("Add by link"), QStringLiteral("Adicionar por link")),
                       QStringLiteral("link"));
    QPushButton *importList = makeButton(
            uiText(QStringLiteral("Import IPTV list"), QStringLiteral("Importar lista IPTV")),
            QStringLiteral("upload"));
    layout->addWidget(addLink);
    layout->addWidget(importList);
    m_sections = new QListWidget(sidebar);
    m_sections->setIconSize(QSize(18, 18));
    m_sections->setFrameShape(QFrame::NoFrame);
    m_sections->setContextMenuPolicy(Qt::CustomContextMenu);
    m_sections->setStyleSheet(
            QStringLiteral("QListWidget { background: transparent; border: none; }"
                           "QListWidget::item { padding: 9px 8px; border-radius: 8px; }"
                           "QListWidget::item:selected { background: #183049; }"));
    layout->addWidget(m_sections, 1);

    connect(addLink, &QPushButton::clicked, this, &RadiosPage::addByLink);
    connect(importList, &QPushButton::clicked, this, &RadiosPage::chooseIptvList);
    connect(m_sections, &QListWidget::currentRowChanged, this, &RadiosPage::activateSection);
    connect(m_sections, &QListWidget::customContextMenuRequested, this,
            &RadiosPage::showSectionMenu);
}

int RadiosPage::mirrorIndex() const
{
    return m_directory->mirrorIndex();
}

qint64 RadiosPage::searchSerial() const
{
    return m_directory->searchSerial();
}

void RadiosPage::reload()
{
    const int remembered = qMax(0, m_sections->currentRow());
    {
        const QSignalBlocker blocker(m_sections);
        m_sections->clear();
        auto addRow = [this](const QString &text, const QString &iconName, const QString &kind,
                             const QString &group) {
            auto *item =
                    new QListWidgetItem(tintedIcon(iconName, Accent, Accent), text, m_sections);
            item->setData(KindRole, kind);
            item->setData(GroupRole, group);
        };
        addRow(uiText(QStringLiteral("Discover radios"), QStringLiteral("Descobrir rádios")),
               QStringLiteral("globe"), Discover, QString());
        addRow(uiText(QStringLiteral("My radios"), QStringLiteral("Minhas rádios")),
               QStringLiteral("heart-filled"), Mine, QString());
        for (const QString &group : m_database->stationGroups())
            addRow(group, QStringLiteral("tv"), Group, group);
        m_sections->setCurrentRow(qMin(remembered, m_sections->count() - 1));
    }
    activateSection(m_sections->currentRow());
}

QString RadiosPage::currentKind() const
{
    const QListWidgetItem *item = m_sections->currentItem();
    return item ? item->data(KindRole).toString() : QString();
}

void RadiosPage::activateSection(int row)
{
    const QListWidgetItem *item = m_sections->item(row);
    if (!item)
        return;
    const QString kind = item->data(KindRole).toString();
    m_searchRow->setVisible(kind == Discover);
    if (kind == Group) {
        const QList<StationRecord> channels =
                m_database->stations(item->data(GroupRole).toString());
        showStations(channels);
        m_status->setText(uiText(QStringLiteral("%1 channels"), QStringLiteral("%1 canais"))
                                  .arg(channels.size()));
    } else if (kind == Mine) {
        const QList<StationRecord> radios = m_database->stations(RadioGroup);
        showStations(radios);
        m_status->setText(
                radios.isEmpty()
                        ? uiText(QStringLiteral("No saved radios yet. Use Discover and "
                                                "right-click to save, or add by link."),
                                 QStringLiteral("Nenhuma rádio salva. Use \"Descobrir rádios\" e "
                                                "clique com o botão direito para salvar, ou "
                                                "adicione por link."))
                        : uiText(QStringLiteral("%1 radios"), QStringLiteral("%1 rádios"))
                                  .arg(radios.size()));
    } else if (kind == Discover) {
        showDirectorySection();
    }
}

void RadiosPage::showDirectorySection()
{
    // Nothing goes out while the page is hidden; navigation reloads it.
    if (!isVisible())
        return;
    if (m_directory->isSearching() || !m_directoryResults.isEmpty()) {
        showStations(m_directoryResults);
        m_status->setText(m_directory->isSearching() ? uiText(QStringLiteral("Searching radios…"),
                                                              QStringLiteral("Buscando rádios…"))
                                                     : m_directoryStatus);
        return;
    }
    searchDirectory();
}

void RadiosPage::setDirectoryStatus(const QString &text)
{
    m_directoryStatus = text;
    if (currentKind() == Discover)
        m_status->setText(text);
}

void RadiosPage::searchDirectory()
{
    m_status->setText(
            uiText(QStringLiteral("Searching radios…"), QStringLiteral("Buscando rádios…")));
    m_directory->searchDirectory(m_search->text(), m_country->currentData().toString());
}

void RadiosPage::showStations(const QList<StationRecord> &list)
{
    m_logos->dropQueued();
    m_logoWaiters.clear();
    m_shownStations = list;
    QStandardItemModel *model = m_cards->model();
    model->removeRows(0, model->rowCount());
    QList<QStandardItem *> items;
    items.reserve(list.size());
    for (const StationRecord &station : list) {
        auto *item = new QStandardItem(station.name);
        item->setEditable(false);
        item->setData(station.url, ItemRole::Path);
        item->setData(QStringLiteral("stream"), ItemRole::Kind);
        item->setData(station.tags.isEmpty() ? station.url : station.tags, ItemRole::Subtitle);
        item->setToolTip(station.url);
        items.append(item);
    }
    model->invisibleRootItem()->appendRows(items);
    for (qsizetype row = 0; row < list.size(); ++row) {
        if (!list.at(row).logo.isEmpty())
            fetchLogo(items.at(row), list.at(row).logo);
    }
}

void RadiosPage::fetchLogo(QStandardItem *item, const QString &url)
{
    QPixmap pixmap;
    if (m_logos->lookUp(url, &pixmap)) {
        if (!pixmap.isNull())
            item->setData(pixmap, Qt::DecorationRole);
        return;
    }
    if (!isFetchableLogoUrl(url))
        return;
    m_logoWaiters[url].append(item->row());
    m_logos->request(url);
}

void RadiosPage::applyLogo(const QString &url, const QPixmap &pixmap)
{
    const QList<int> rows = m_logoWaiters.take(url);
    if (pixmap.isNull())
        return;
    QStandardItemModel *model = m_cards->model();
    for (int row : rows) {
        // Rows are registered only for the cards now shown.
        if (QStandardItem *item = model->item(row))
            item->setData(pixmap, Qt::DecorationRole);
    }
}

void RadiosPage::playStation(int row)
{
    if (row < 0 || row >= m_shownStations.size())
        return;
    const StationRecord &station = m_shownStations.at(row);
    m_database->ensureMedia(station.url, QStringLiteral("stream"), station.name);
    const bool whole = m_shownStations.size() <= WholeListLimit;
    const qsizetype first = whole ? 0 : qMax<qsizetype>(0, row - QueueReach);
    const qsizetype last = whole ? m_shownStations.size() - 1
                                 : qMin<qsizetype>(m_shownStations.size() - 1, row + QueueReach);
    QStringList urls;
    urls.reserve(last - first + 1);
    for (qsizetype i = first; i <= last; ++i)
        urls.append(m_shownStations.at(i).url);
    const QString name = station.name;
    m_host->playPaths(urls, int(row - first));
    m_host->showToast(uiText(QStringLiteral("Connecting: "), QStringLiteral("Conectando: ")) +
                      name);
}

void RadiosPage::saveToFavorites(StationRecord record)
{
    record.favorite = true;
    record.grp = RadioGroup;
    if (!m_database->isRadioSaved(record.url))
        m_database->saveStation(record);
    m_host->showToast(uiText(QStringLiteral("Radio saved to favorites"),
                             QStringLiteral("Rádio salva nas favoritas")));
}

void RadiosPage::addByLink()
{
    const QString title = uiText(QStringLiteral("Add radio or channel"),
                                 QStringLiteral("Adicionar rádio ou canal"));
    bool ok = false;
    const QString link =
            QInputDialog::getText(this, title,
                                  uiText(QStringLiteral("Stream link (http/https, m3u, m3u8):"),
                                         QStringLiteral("Link do stream (http/https, m3u, m3u8):")),
                                  QLineEdit::Normal, QString(), &ok)
                    .trimmed();
    if (!ok || link.isEmpty())
        return;
    // Shown as the user would write it, not in its ASCII form.
    const QString host =
            QUrl::fromAce(QUrl(link, QUrl::TolerantMode).host(QUrl::FullyEncoded).toLatin1(),
                          QUrl::IgnoreIDNWhitelist);
    const QString name = QInputDialog::getText(
            this, title, uiText(QStringLiteral("Name:"), QStringLiteral("Nome:")),
            QLineEdit::Normal, host, &ok);
    if (!ok)
        return;
    StationRecord station;
    station.name = name.trimmed().isEmpty() ? link : name.trimmed();
    station.url = link;
    station.grp = RadioGroup;
    station.favorite = true;
    m_database->saveStation(station);
    m_sections->setCurrentRow(1);
}

void RadiosPage::renameStation(StationRecord record)
{
    bool ok = false;
    const QString name = QInputDialog::getText(
                                 this, uiText(QStringLiteral("Rename"), QStringLiteral("Renomear")),
                                 uiText(QStringLiteral("Name:"), QStringLiteral("Nome:")),
                                 QLineEdit::Normal, record.name, &ok)
                                 .trimmed();
    if (!ok || name.isEmpty())
        return;
    record.name = name;
    m_database->saveStation(record);
}

void RadiosPage::deleteStation(const StationRecord &record)
{
    m_database->removeStation(record.id);
}

void RadiosPage::toggleFavorite(const StationRecord &record)
{
    m_database->setStationFavorite(record.id, !record.favorite);
}

bool RadiosPage::importIptvList(const QString &filePath, std::function<void(bool)> done)
{
    if (m_import)
        return false;
    const QString group = QFileInfo(filePath).completeBaseName();
    m_importDone = std::move(done);
    m_import = new QFutureWatcher<QList<StationRecord>>(this);
    connect(m_import, &QFutureWatcher<QList<StationRecord>>::finished, this,
            [this, group] { finishImport(group); });
    m_import->setFuture(QtConcurrent::run(readPlayableChannels, filePath));
    return true;
}

void RadiosPage::finishImport(const QString &group)
{
    const QList<StationRecord> channels = m_import->result();
    m_import->deleteLater();
    m_import = nullptr;
    // The one store transaction stays on the GUI thread, like every other
    // database write.
    const bool ok = m_database->replaceStationGroup(group, channels);
    if (ok) {
        m_host->showToast(uiText(QStringLiteral("List \"%1\" imported: %2 channels"),
                                 QStringLiteral("Lista \"%1\" importada: %2 canais"))
                                  .arg(group)
                                  .arg(channels.size()));
    } else {
        m_host->showToast(uiText(QStringLiteral("Invalid list or save failed. The previous list "
                                                "was preserved."),
                                 QStringLiteral("Lista inválida ou falha ao salvar. A lista "
                                                "anterior foi preservada.")));
    }
    if (const auto done = std::exchange(m_importDone, {}))
        done(ok);
    Q_EMIT importFinished(ok);
}

void RadiosPage::chooseIptvList()
{
    if (m_import)
        return;
    const QString path = QFileDialog::getOpenFileName(
            this, uiText(QStringLiteral("IPTV list"), QStringLiteral("Lista IPTV")), QString(),
            QStringLiteral("M3U (*.m3u *.m3u8)"));
    if (!path.isEmpty())
        importChosenList(path);
}

void RadiosPage::importChosenList(const QString &filePath)
{
    importIptvList(filePath, [this](bool ok) {
        // Shown after the import's own message, which it replaces.
        if (!ok)
            m_host->showToast(uiText(QStringLiteral("No valid channels in list"),
                                     QStringLiteral("Lista sem canais válidos")));
    });
}

void RadiosPage::removeGroup(const QString &group)
{
    const QString title = uiText(QStringLiteral("Remove list"), QStringLiteral("Remover lista"));
    const auto answer = QMessageBox::question(
            this, title,
            uiText(QStringLiteral("Remove list \"%1\"?"), QStringLiteral("Remover a lista \"%1\"?"))
                    .arg(group),
            QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        m_database->removeStationGroup(group);
}

void RadiosPage::showStationMenu(int row, const QPoint &globalPos)
{
    if (row < 0 || row >= m_shownStations.size())
        return;
    const StationRecord station = m_shownStations.at(row);
    QMenu menu(this);
    menu.addAction(icon(QStringLiteral("play")),
                   uiText(QStringLiteral("Play"), QStringLiteral("Tocar")), this,
                   [this, row] { playStation(row); });
    if (station.id < 1) {
        menu.addAction(
                icon(QStringLiteral("heart-filled")),
                uiText(QStringLiteral("Save to favorites"), QStringLiteral("Salvar nas favoritas")),
                this, [this, station] { saveToFavorites(station); });
    } else {
        menu.addAction(
                icon(station.favorite ? QStringLiteral("heart") : QStringLiteral("heart-filled")),
                station.favorite ? uiText(QStringLiteral("Unfavorite"),
                                          QStringLiteral("Tirar dos favoritos"))
                                 : uiText(QStringLiteral("Favorite"), QStringLiteral("Favoritar")),
                this, [this, station] { toggleFavorite(station); });
        menu.addAction(icon(QStringLiteral("edit")),
                       uiText(QStringLiteral("Rename"), QStringLiteral("Renomear")), this,
                       [this, station] { renameStation(station); });
        menu.addAction(icon(QStringLiteral("trash")),
                       uiText(QStringLiteral("Delete"), QStringLiteral("Excluir")), this,
                       [this, station] { deleteStation(station); });
    }
    menu.exec(globalPos);
}

void RadiosPage::showSectionMenu(const QPoint &pos)
{
    const QListWidgetItem *item = m_sections->itemAt(pos);
    if (!item || item->data(KindRole).toString() != Group)
        return;
    const QString group = item->data(GroupRole).toString();
    QMenu menu(this);
    menu.addAction(icon(QStringLiteral("trash")),
                   uiText(QStringLiteral("Remove list"), QStringLiteral("Remover lista")), this,
                   [this, group] { removeGroup(group); });
    menu.exec(m_sections->viewport()->mapToGlobal(pos));
}
