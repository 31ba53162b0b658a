#include "ui/pages/RecentsPage.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/MediaPaths.h"
#include "library/Database.h"
#include "ui/CardView.h"
#include "ui/ExistenceCheck.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"
#include "ui/RelativeTime.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString Separator = QStringLiteral("   ·   ");

struct Tab
{
    const char *kind;
    const char *english;
    const char *portuguese;
};
constexpr Tab Tabs[] = {
        {"video", "Watched videos", "Vídeos assistidos"},
        {"audio", "Played music", "Músicas ouvidas"},
        {"stream", "Links & radios", "Links e rádios"},
};

// A number read from a file someone may have edited: anything but a finite
// value of at least 0 counts as 0.
double sane(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0.0;
}

} // namespace

RecentsPage::RecentsPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
    , m_existence(new ExistenceCheck(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 10);
    layout->setSpacing(12);

    auto *header = new QHBoxLayout;
    header->addWidget(makeLabel(tr2("Recent", "Recentes"), QStringLiteral("PageTitle")));
    header->addStretch(1);
    QPushButton *clear =
            makeButton(tr2("Clear history", "Limpar histórico"), QStringLiteral("trash"));
    header->addWidget(clear);
    layout->addLayout(header);

    m_tabs = new QTabBar(this);
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(false);
    for (const Tab &tab : Tabs) {
        // "&" would mark a shortcut letter in a tab's text.
        const int index = m_tabs->addTab(escapeAmpersands(tr2(tab.english, tab.portuguese)));
        m_tabs->setTabData(index, QString::fromLatin1(tab.kind));
    }
    layout->addWidget(m_tabs);

    m_stack = new QStackedWidget(this);
    m_cards = new CardView(true, true, m_stack);
    m_model = m_cards->model();
    m_stack->addWidget(m_cards);
    m_empty = makeEmptyState(
            QStringLiteral("clock"), tr2("Nothing here yet", "Nada por aqui ainda"),
            tr2("Everything you watch or listen to shows up here, with where you stopped.",
                "Tudo o que você assistir ou ouvir aparece aqui, com o ponto onde parou."));
    m_stack->addWidget(m_empty);
    layout->addWidget(m_stack, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, [this] { reload(); });
    connect(clear, &QPushButton::clicked, this, &RecentsPage::askClear);
    connect(m_cards, &CardView::activatedPath, this, [this](const QModelIndex &index) {
        m_host->playPath(index.data(ItemRole::Path).toString());
    });
    connect(m_cards, &CardView::menuRequested, this, &RecentsPage::showMenu);
    connect(m_existence, &ExistenceCheck::answered, this, &RecentsPage::markMissing);
    connect(m_database, &Database::historyChanged, this, [this] {
        if (isVisible())
            reload();
    });
    reload();
}

QString RecentsPage::currentKind() const
{
    return m_tabs->tabData(std::max(m_tabs->currentIndex(), 0)).toString();
}

void RecentsPage::reload()
{
    const QString kind = currentKind();
    const QDateTime now = QDateTime::currentDateTime();
    m_model->clear();
    const QList<HistoryEntry> entries = m_database->history(kind, MaxEntries);
    QHash<QString, MediaRecord> library;
    if (kind == QLatin1String("audio")) {
        QStringList paths;
        for (const HistoryEntry &entry : entries)
            paths.append(entry.path);
        library = m_database->mediaByPaths(paths);
    }
    QStringList files;
    for (const HistoryEntry &entry : entries) {
        m_model->appendRow(makeCard(entry, kind, now, library));
        if (!isNetworkSource(entry.path))
            files.append(entry.path);
    }
    if (files.isEmpty())
        m_existence->cancel();
    else
        m_existence->check(files);
    m_stack->setCurrentWidget(m_model->rowCount() == 0 ? m_empty : m_cards);
}

QStandardItem *RecentsPage::makeCard(const HistoryEntry &entry, const QString &kind,
                                     const QDateTime &now,
                                     const QHash<QString, MediaRecord> &library)
{
    QString title = entry.title;
    if (title.isEmpty())
        title = QFileInfo(entry.path).completeBaseName();
    if (title.isEmpty())
        title = entry.path;
    auto *item = new QStandardItem(title);
    item->setEditable(false);
    item->setData(entry.path, ItemRole::Path);
    item->setData(kind, ItemRole::Kind);
    item->setToolTip(plainToolTip(entry.path));

    QString first;
    const double duration = sane(entry.duration);
    if (kind == QLatin1String("video") && duration > 0) {
        const double position = std::min(sane(entry.position), duration);
        if (entry.finished) {
            first = tr2("Watched to the end", "Assistido até o fim");
        } else {
            first = tr2("Stopped at %1 of %2", "Parou em %1 de %2")
                            .arg(formatTime(position), formatTime(duration));
        }
        item->setData(entry.finished ? 1.0 : std::clamp(position / duration, 0.0, 1.0),
                      ItemRole::Progress);
        item->setData(formatTime(duration), ItemRole::Badge);
        item->setData(QStringLiteral("hist"), ItemRole::ThumbTag);
        item->setData(position, ItemRole::ThumbPosition);
    } else if (kind == QLatin1String("audio")) {
        const auto media = library.constFind(entry.path);
        if (media != library.constEnd()) {
            first = media->displayArtist();
            if (!media->album.isEmpty())
                first += QStringLiteral(" · ") + media->album;
        }
    } else {
        first = entry.path;
    }
    item->setData(first + Separator +
                          relativeTime(QDateTime::fromSecsSinceEpoch(entry.lastPlayed), now),
                  ItemRole::Subtitle);
    return item;
}

void RecentsPage::markMissing(const QSet<QString> &missing)
{
    const QString suffix = Separator + tr2("file not found", "arquivo não encontrado");
    for (int row = 0; row < m_model->rowCount(); ++row) {
        QStandardItem *item = m_model->item(row);
        if (missing.contains(item->data(ItemRole::Path).toString()))
            item->setData(item->data(ItemRole::Subtitle).toString() + suffix, ItemRole::Subtitle);
    }
}

void RecentsPage::showMenu(const QModelIndex &index, const QPoint &globalPos)
{
    const QString path = index.data(ItemRole::Path).toString();
    auto *extra = new QWidget;
    auto add = [this, extra](const char *iconName, const QString &text, auto &&onTrigger) {
        auto *action = new QAction(icon(QString::fromLatin1(iconName)), text, extra);
        connect(action, &QAction::triggered, this, onTrigger);
        extra->addAction(action);
    };
    add("play", tr2("Resume", "Continuar de onde parei"), [this, path] { m_host->playPath(path); });
    add("refresh", tr2("Play from start", "Assistir do início"),
        [this, path] { m_host->playFromStart(path); });
    add("trash", tr2("Remove from history", "Remover do histórico"),
        [this, path] { m_database->removeHistory(path); });
    m_host->showMediaMenu({path}, globalPos, extra);
}

void RecentsPage::askClear()
{
    const QString title = tr2("Clear history", "Limpar histórico");
    const QString text = tr2("Clear the history of this tab? Your files are not deleted.",
                             "Apagar o histórico desta aba? Os arquivos não são apagados.");
    const QString kind = currentKind();
    if (QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        m_database->clearHistory(kind);
}
