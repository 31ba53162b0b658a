#include "ui/pages/QueuePanel.h"

#include "app/AppSettings.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/QueueList.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int EntryIconPx = 16;

// Title and path tell rows apart; the engine fills titles in as files load.
QString rowKey(const QueueEntry &entry)
{
    return entry.path + QChar(0) + entry.title;
}

} // namespace

QueuePanel::QueuePanel(PlayerCore *core, Database *database, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
    , m_database(database)
{
    setObjectName(QStringLiteral("QueuePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedWidth(340);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 18, 12, 12);
    layout->setSpacing(10);

    auto *header = new QHBoxLayout;
    auto *titles = new QVBoxLayout;
    titles->addWidget(makeLabel(tr2("Queue", "Fila"), QStringLiteral("SectionTitle")));
    m_count = makeLabel(QString(), QStringLiteral("Muted"));
    titles->addWidget(m_count);
    header->addLayout(titles, 1);
    auto *close = new QToolButton(this);
    close->setIcon(icon(QStringLiteral("x")));
    close->setToolTip(tr2("Close", "Fechar"));
    connect(close, &QToolButton::clicked, this, &QueuePanel::closeRequested);
    header->addWidget(close, 0, Qt::AlignTop);
    layout->addLayout(header);

    auto *buttons = new QHBoxLayout;
    QPushButton *save = makeButton(tr2("Save playlist", "Salvar playlist"), QStringLiteral("plus"));
    QPushButton *clear = makeButton(tr2("Clear", "Limpar"), QStringLiteral("trash"));
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, [this] {
        QStringList paths;
        for (const auto &entry : m_core->queue())
            paths.append(entry.path);
        if (!paths.isEmpty())
            Q_EMIT saveAsPlaylist(paths);
    });
    connect(clear, &QPushButton::clicked, m_core, &PlayerCore::clearQueue);

    m_list = new QueueList(this);
    m_list->setIconSize(QSize(EntryIconPx, EntryIconPx));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setStyleSheet(
            QStringLiteral("QListWidget { background: transparent; border: none; } "
                           "QListWidget::item { padding: 8px 6px; border-radius: 8px; }"
                           "QListWidget::item:selected { background: %1; }")
                    .arg(QLatin1String(ThemeColor::Selection)));
    layout->addWidget(m_list, 1);
    layout->addWidget(makeLabel(
            tr2("Drag to reorder · Delete removes", "Arraste para reordenar · Delete remove"),
            QStringLiteral("Muted")));

    const QColor accent = themeColor(ThemeColor::Accent);
    m_currentIcon = tintedIcon(QStringLiteral("play"), accent, accent);
    m_entryIcon = QIcon(
            renderIcon(QStringLiteral("music"), EntryIconPx, themeColor(ThemeColor::Disabled)));

    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { m_core->playIndex(m_list->row(item)); });
    connect(m_list, &QueueList::moveRequested, m_core, &PlayerCore::moveQueueItem);
    connect(m_list, &QueueList::removeRequested, this, [this](const QList<int> &rows) {
        for (int row : rows)
            m_core->removeQueueItem(row);
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, &QueuePanel::showMenu);
    connect(m_core, &PlayerCore::queueChanged, this, [this] { follow(false); });
    connect(m_database, &Database::libraryChanged, this, [this] {
        m_libraryText.clear();
        follow(true);
    });
    rebuild();
}

QueuePanel::RowText QueuePanel::rowText(const QueueEntry &entry)
{
    auto known = m_libraryText.constFind(entry.path);
    if (known == m_libraryText.constEnd()) {
        RowText library;
        if (!isNetworkSource(entry.path)) {
            if (const auto media = m_database->mediaByPath(entry.path))
                library = {media->displayTitle(), media->artist};
        }
        known = m_libraryText.insert(entry.path, library);
    }
    RowText text{entry.title, known->artist};
    if (text.title.isEmpty())
        text.title = known->title;
    if (text.title.isEmpty()) {
        text.title =
                isNetworkSource(entry.path) ? entry.path : QFileInfo(entry.path).completeBaseName();
    }
    if (text.title.isEmpty())
        text.title = entry.path;
    return text;
}

void QueuePanel::style(QListWidgetItem *item, bool current) const
{
    QFont font = item->font();
    font.setWeight(current ? QFont::Bold : QFont::Normal);
    item->setFont(font);
    item->setIcon(current ? m_currentIcon : m_entryIcon);
    if (current)
        item->setForeground(themeColor(ThemeColor::Accent));
    else
        item->setData(Qt::ForegroundRole, QVariant());
}

void QueuePanel::fill(QListWidgetItem *item, const QueueEntry &entry)
{
    const RowText text = rowText(entry);
    item->setText(text.artist.isEmpty() ? text.title
                                        : text.title + QLatin1Char('\n') + text.artist);
    item->setToolTip(plainToolTip(entry.path));
}

void QueuePanel::rebuild()
{
    const int scroll = m_list->verticalScrollBar()->value();
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    const QList<QueueEntry> queue = m_core->queue();
    m_shownKeys.clear();
    m_shownKeys.reserve(queue.size());
    m_shownCurrent = -1;
    for (const QueueEntry &entry : queue) {
        auto *item = new QListWidgetItem;
        fill(item, entry);
        style(item, entry.current);
        if (entry.current)
            m_shownCurrent = m_shownKeys.size();
        m_shownKeys.append(rowKey(entry));
        m_list->addItem(item);
    }
    m_count->setText(tr2("%1 items", "%1 itens").arg(queue.size()));
    // The rows are laid out later; without this the old position would be
    // clamped to the empty list's range.
    m_list->doItemsLayout();
    m_list->verticalScrollBar()->setValue(scroll);
    // New rows: a drag that began on the old ones must not move anything.
    m_list->selectionModel()->clearCurrentIndex();
    m_list->setUpdatesEnabled(true);
}

void QueuePanel::follow(bool refillTexts)
{
    const QList<QueueEntry> queue = m_core->queue();
    bool samePaths = queue.size() == m_shownKeys.size();
    int current = -1;
    for (int i = 0; samePaths && i < queue.size(); ++i) {
        samePaths = m_shownKeys.at(i).startsWith(queue.at(i).path + QChar(0));
        if (queue.at(i).current)
            current = i;
    }
    if (!samePaths) {
        rebuild();
        return;
    }
    // The same entries in the same order: a title the engine or the library
    // filled in is rewritten in place, so the selection and a drag under way
    // survive it.
    for (int i = 0; i < queue.size(); ++i) {
        const QString key = rowKey(queue.at(i));
        if (refillTexts || key != m_shownKeys.at(i)) {
            fill(m_list->item(i), queue.at(i));
            m_shownKeys[i] = key;
        }
    }
    // Only the current entry moved: restyle the two rows it concerns. A full
    // rebuild of a long queue would stall the window on every track change.
    if (current == m_shownCurrent)
        return;
    if (QListWidgetItem *old = m_list->item(m_shownCurrent))
        style(old, false);
    if (QListWidgetItem *now = m_list->item(current))
        style(now, true);
    m_shownCurrent = current;
}

void QueuePanel::showMenu(const QPoint &viewPoint)
{
    const QModelIndex index = m_list->indexAt(viewPoint);
    if (!index.isValid())
        return;
    const int row = index.row();
    const int current = m_core->queuePos();
    QMenu menu(m_list);
    connect(menu.addAction(icon(QStringLiteral("play")), tr2("Play now", "Tocar agora")),
            &QAction::triggered, m_core, [this, row] { m_core->playIndex(row); });
    if (current >= 0 && row != current) {
        connect(menu.addAction(icon(QStringLiteral("next")), tr2("Play next", "Tocar em seguida")),
                &QAction::triggered, m_core,
                [this, row, current] { m_core->moveQueueItem(row, current + 1); });
    }
    connect(menu.addAction(icon(QStringLiteral("trash")),
                           tr2("Remove from queue", "Remover da fila")),
            &QAction::triggered, m_core, [this, row] { m_core->removeQueueItem(row); });
    menu.exec(m_list->viewport()->mapToGlobal(viewPoint));
}
