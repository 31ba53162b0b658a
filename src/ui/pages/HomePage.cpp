#include "ui/pages/HomePage.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/MediaPaths.h"
#include "library/Database.h"
#include "ui/CardDelegate.h"
#include "ui/CardView.h"
#include "ui/ExistenceCheck.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/ItemRoles.h"
#include "ui/Theme.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QTime>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

double sane(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0.0;
}

} // namespace

namespace {

// The manifest names the link; only web pages are opened from it.
void openBannerLink(const QString &link)
{
    const QUrl url(link);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qWarning().noquote() << "link de atualizacao recusado:" << link;
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace

HomePage::HomePage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
    , m_existence(new ExistenceCheck(this))
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    auto *content = new QWidget(scroll);
    scroll->setWidget(content);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(22);

    m_banner = new QWidget(content);
    m_banner->setObjectName(QStringLiteral("Banner"));
    m_banner->setAttribute(Qt::WA_StyledBackground);
    auto *bannerRow = new QHBoxLayout(m_banner);
    bannerRow->setContentsMargins(16, 10, 10, 10);
    auto *sparkle = new QLabel(m_banner);
    sparkle->setPixmap(renderIcon(QStringLiteral("sparkles"), 22, themeColor(ThemeColor::Accent2)));
    bannerRow->addWidget(sparkle);
    m_bannerText = new QLabel(m_banner);
    m_bannerText->setWordWrap(true);
    bannerRow->addWidget(m_bannerText, 1);
    m_bannerButton = makeButton(QString(), QStringLiteral("download"), true);
    bannerRow->addWidget(m_bannerButton);
    auto *close = new QToolButton(m_banner);
    close->setIcon(icon(QStringLiteral("x")));
    close->setToolTip(tr2("Close", "Fechar"));
    bannerRow->addWidget(close);
    connect(close, &QToolButton::clicked, m_banner, &QWidget::hide);
    connect(m_bannerButton, &QPushButton::clicked, this, [this] { onBannerClicked(); });
    m_banner->hide();
    layout->addWidget(m_banner);

    auto *hero = new QWidget(content);
    hero->setObjectName(QStringLiteral("Hero"));
    hero->setAttribute(Qt::WA_StyledBackground);
    auto *heroRow = new QHBoxLayout(hero);
    heroRow->setContentsMargins(28, 24, 28, 24);
    heroRow->setSpacing(22);
    auto *logo = new QLabel(hero);
    logo->setPixmap(appLogo(92));
    heroRow->addWidget(logo, 0, Qt::AlignTop);
    auto *block = new QVBoxLayout;
    block->setSpacing(6);
    QLabel *title = makeLabel(greeting(QTime::currentTime().hour()) +
                                      uiText(QStringLiteral("! What shall we watch or listen to?"),
                                             QStringLiteral("! O que vamos assistir ou ouvir?")),
                              QStringLiteral("PageTitle"));
    title->setWordWrap(true);
    block->addWidget(title);
    QLabel *hint = makeLabel(
            uiText(QStringLiteral("Open a video, a song, a whole folder or a link. You can also "
                                  "drag files into this window."),
                   QStringLiteral("Abra um vídeo, uma música, uma pasta inteira ou um link. Você "
                                  "também pode arrastar arquivos para esta janela.")),
            QStringLiteral("Muted"));
    hint->setWordWrap(true);
    block->addWidget(hint);
    block->addSpacing(6);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    QPushButton *openFile =
            makeButton(uiText(QStringLiteral("Open file"), QStringLiteral("Abrir arquivo")),
                       QStringLiteral("file"), true);
    QPushButton *openFolder =
            makeButton(uiText(QStringLiteral("Open folder"), QStringLiteral("Abrir pasta")),
                       QStringLiteral("folder"), false);
    QPushButton *openLink =
            makeButton(uiText(QStringLiteral("Open link"), QStringLiteral("Abrir link")),
                       QStringLiteral("link"), false);
    connect(openFile, &QPushButton::clicked, this, [this] { m_host->openFiles(); });
    connect(openFolder, &QPushButton::clicked, this, [this] { m_host->openFolder(); });
    connect(openLink, &QPushButton::clicked, this, [this] { m_host->openLink(); });
    buttons->addWidget(openFile);
    buttons->addWidget(openFolder);
    buttons->addWidget(openLink);
    buttons->addStretch(1);
    block->addLayout(buttons);
    heroRow->addLayout(block, 1);
    layout->addWidget(hero);

    QPushButton *history = makeButton(tr2("See history", "Ver histórico"), QStringLiteral("clock"));
    connect(history, &QPushButton::clicked, this,
            [this] { m_host->navigate(QStringLiteral("recents")); });
    m_continueRow = addShelf(layout, tr2("Continue watching", "Continuar assistindo"), history,
                             true, 250, &m_continueSection);
    m_playedRow = addShelf(layout, tr2("Recently played", "Ouvidas recentemente"), nullptr, false,
                           150, &m_playedSection);
    QPushButton *music = makeButton(tr2("Go to Music", "Ir para Música"), QStringLiteral("music"));
    connect(music, &QPushButton::clicked, this,
            [this] { m_host->navigate(QStringLiteral("music")); });
    m_addedRow = addShelf(layout, tr2("Recently added", "Adicionadas à biblioteca"), music, false,
                          150, &m_addedSection);
    layout->addStretch(1);

    connect(m_continueRow, &CardView::activatedPath, this, [this](const QModelIndex &index) {
        m_host->playPath(index.data(ItemRole::Path).toString());
    });
    connect(m_playedRow, &CardView::activatedPath, this,
            [this](const QModelIndex &index) { playRow(m_playedRow, index.row()); });
    connect(m_addedRow, &CardView::activatedPath, this,
            [this](const QModelIndex &index) { playRow(m_addedRow, index.row()); });
    for (CardView *row : {m_continueRow, m_playedRow, m_addedRow}) {
        connect(row, &CardView::menuRequested, this,
                [this](const QModelIndex &index, const QPoint &globalPos) {
                    m_host->showMediaMenu({index.data(ItemRole::Path).toString()}, globalPos);
                });
    }
    connect(m_existence, &ExistenceCheck::answered, this, &HomePage::fillContinue);
    const auto refreshWhenShown = [this] {
        if (isVisible())
            refresh();
    };
    connect(m_database, &Database::historyChanged, this, refreshWhenShown);
    connect(m_database, &Database::libraryChanged, this, refreshWhenShown);

    refresh();
}

QString HomePage::greeting(int hour)
{
    if (hour < 12)
        return tr2("Good morning", "Bom dia");
    if (hour < 18)
        return tr2("Good afternoon", "Boa tarde");
    return tr2("Good evening", "Boa noite");
}

CardView *HomePage::addShelf(QLayout *layout, const QString &title, QWidget *button, bool wide,
                             int cardWidth, QWidget **section)
{
    *section = new QWidget;
    auto *column = new QVBoxLayout(*section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto *header = new QHBoxLayout;
    header->addWidget(makeLabel(title, QStringLiteral("SectionTitle")));
    header->addStretch(1);
    if (button)
        header->addWidget(button);
    column->addLayout(header);
    auto *row = new CardView(false, wide, *section);
    row->cardDelegate()->setCardWidth(cardWidth);
    row->setShelf(true);
    column->addWidget(row);
    layout->addWidget(*section);
    (*section)->hide();
    return row;
}

void HomePage::refresh()
{
    // Continue watching: unfinished local videos with a length, shown once
    // the worker has told which files still exist.
    m_candidates.clear();
    QStringList files;
    for (const HistoryEntry &entry : m_database->history(QStringLiteral("video"), 40)) {
        if (entry.finished || sane(entry.duration) <= 0 || isNetworkSource(entry.path))
            continue;
        m_candidates.append(entry);
        files.append(entry.path);
    }
    if (files.isEmpty()) {
        m_existence->cancel();
        fillContinue({});
    } else {
        m_existence->check(files);
    }

    QStandardItemModel *played = m_playedRow->model();
    played->clear();
    for (const HistoryEntry &entry : m_database->history(QStringLiteral("audio"), 30)) {
        const bool network = isNetworkSource(entry.path);
        const auto media = m_database->mediaByPath(entry.path);
        QString title = media ? media->displayTitle() : entry.title;
        if (title.isEmpty())
            title = entry.path;
        auto *item = new QStandardItem(title);
        item->setData(entry.path, ItemRole::Path);
        item->setData(network ? QStringLiteral("stream") : QStringLiteral("audio"), ItemRole::Kind);
        // A link has a media row once played, but no artist worth showing.
        item->setData(media && !network ? media->displayArtist() : QString(), ItemRole::Subtitle);
        item->setToolTip(plainToolTip(entry.path));
        played->appendRow(item);
    }
    m_playedSection->setVisible(played->rowCount() > 0);

    QStandardItemModel *added = m_addedRow->model();
    added->clear();
    for (const MediaRecord &media : m_database->recentlyAdded(24, QStringLiteral("audio"))) {
        auto *item = new QStandardItem(media.displayTitle());
        item->setData(media.path, ItemRole::Path);
        item->setData(QStringLiteral("audio"), ItemRole::Kind);
        item->setData(media.displayArtist(), ItemRole::Subtitle);
        item->setToolTip(plainToolTip(media.path));
        added->appendRow(item);
    }
    m_addedSection->setVisible(added->rowCount() > 0);
}

void HomePage::fillContinue(const QSet<QString> &missing)
{
    QStandardItemModel *model = m_continueRow->model();
    model->clear();
    for (const HistoryEntry &entry : std::as_const(m_candidates)) {
        if (model->rowCount() >= MaxContinueCards)
            break;
        if (missing.contains(entry.path))
            continue;
        const double duration = sane(entry.duration);
        const double position = std::min(sane(entry.position), duration);
        QString title = entry.title;
        if (title.isEmpty())
            title = QFileInfo(entry.path).completeBaseName();
        if (title.isEmpty())
            title = entry.path;
        auto *item = new QStandardItem(title);
        item->setData(entry.path, ItemRole::Path);
        item->setData(QStringLiteral("video"), ItemRole::Kind);
        item->setData(tr2("%1 left", "Faltam %1").arg(formatTime(duration - position)),
                      ItemRole::Subtitle);
        item->setData(std::clamp(position / duration, 0.0, 1.0), ItemRole::Progress);
        item->setData(formatTime(duration), ItemRole::Badge);
        item->setData(QStringLiteral("hist"), ItemRole::ThumbTag);
        item->setData(position, ItemRole::ThumbPosition);
        item->setToolTip(plainToolTip(entry.path));
        model->appendRow(item);
    }
    m_continueSection->setVisible(model->rowCount() > 0);
}

void HomePage::playRow(CardView *row, int index)
{
    QStringList paths;
    for (int i = 0; i < row->model()->rowCount(); ++i)
        paths.append(row->model()->item(i)->data(ItemRole::Path).toString());
    m_host->playPaths(paths, index);
}

void HomePage::showUpdateAvailable(const QString &version, const QString &notes,
                                   const QString &link)
{
    m_bannerText->setText(QStringLiteral("<b>%1 %2</b><br><span style='color:%3'>%4</span>")
                                  .arg(uiText(QStringLiteral("New version available:"),
                                              QStringLiteral("Nova versão disponível:")),
                                       version.toHtmlEscaped(),
                                       QLatin1String(ThemeColor::SecondaryText),
                                       notes.toHtmlEscaped()));
    m_bannerLink = link;
    m_bannerButton->setText(
            uiText(QStringLiteral("Download update"), QStringLiteral("Baixar atualização")));
    m_bannerButton->show();
    m_installMode = false;
    m_retryMode = false;
    m_banner->show();
}

void HomePage::showUpdateNotice(const QString &text, bool installable)
{
    m_bannerText->setText(text.toHtmlEscaped());
    m_bannerButton->setText(
            uiText(QStringLiteral("Install and reopen"), QStringLiteral("Instalar e reabrir")));
    m_bannerButton->setVisible(installable);
    m_installMode = installable;
    m_retryMode = false;
    m_banner->show();
}

void HomePage::showUpdateError(const QString &text)
{
    m_bannerText->setText(text.toHtmlEscaped());
    m_bannerButton->setText(uiText(QStringLiteral("Retry"), QStringLiteral("Tentar novamente")));
    m_bannerButton->show();
    m_retryMode = true;
    m_installMode = false;
    m_banner->show();
}

void HomePage::onBannerClicked()
{
    if (m_retryMode)
        emit retryUpdateRequested();
    else if (m_installMode)
        emit installUpdateRequested();
    else if (!m_bannerLink.isEmpty())
        openBannerLink(m_bannerLink);
}
