#include "ui/pages/QueuePanel.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/WidgetBuilders.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

QueuePanel::QueuePanel(PlayerCore *core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
{
    setObjectName(QStringLiteral("QueuePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedWidth(340);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 18, 12, 12);
    layout->setSpacing(10);

    auto *header = new QHBoxLayout;
    auto *titles = new QVBoxLayout;
    titles->addWidget(makeLabel(uiText(QStringLiteral("Queue"), QStringLiteral("Fila")),
                                QStringLiteral("SectionTitle")));
    m_count = makeLabel(QString(), QStringLiteral("Muted"));
    titles->addWidget(m_count);
    header->addLayout(titles, 1);
    auto *close = new QToolButton(this);
    close->setIcon(icon(QStringLiteral("x")));
    close->setToolTip(uiText(QStringLiteral("Close"), QStringLiteral("Fechar")));
    connect(close, &QToolButton::clicked, this, &QueuePanel::closeRequested);
    header->addWidget(close, 0, Qt::AlignTop);
    layout->addLayout(header);

    auto *buttons = new QHBoxLayout;
    QPushButton *save =
            makeButton(uiText(QStringLiteral("Save playlist"), QStringLiteral("Salvar playlist")),
                       QStringLiteral("plus"), false);
    QPushButton *clear = makeButton(uiText(QStringLiteral("Clear"), QStringLiteral("Limpar")),
                                    QStringLiteral("trash"), false);
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, [this] {
        QStringList paths;
        for (const auto &entry : m_core->queue())
            paths.append(entry.path);
        if (!paths.isEmpty())
            emit saveAsPlaylist(paths);
    });
    connect(clear, &QPushButton::clicked, this, [this] { m_core->clearQueue(); });

    m_list = new QListWidget(this);
    m_list->setIconSize(QSize(16, 16));
    m_list->setStyleSheet(
            QStringLiteral("QListWidget { background: transparent; border: none; } "
                           "QListWidget::item { padding: 8px 6px; border-radius: 8px; }"
                           "QListWidget::item:selected { background: %1; }")
                    .arg(QLatin1String(ThemeColor::Selection)));
    layout->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { m_core->playIndex(m_list->row(item)); });
    connect(m_core, &PlayerCore::queueChanged, this, [this] { rebuild(); });
    rebuild();
}

void QueuePanel::rebuild()
{
    const int scroll = m_list->verticalScrollBar()->value();
    m_list->clear();
    const auto queue = m_core->queue();
    for (const auto &entry : queue) {
        QString title = entry.title;
        if (title.isEmpty())
            title = isNetworkSource(entry.path) ? entry.path
                                                : QFileInfo(entry.path).completeBaseName();
        auto *item = new QListWidgetItem(title, m_list);
        item->setToolTip(entry.path);
        if (entry.current) {
            item->setIcon(tintedIcon(QStringLiteral("play"), themeColor(ThemeColor::Accent),
                                     themeColor(ThemeColor::Accent)));
            item->setForeground(themeColor(ThemeColor::Accent));
            QFont font = item->font();
            font.setWeight(QFont::Bold);
            item->setFont(font);
        } else {
            item->setIcon(QIcon(
                    renderIcon(QStringLiteral("music"), 16, themeColor(ThemeColor::Disabled))));
        }
    }
    m_count->setText(
            uiText(QStringLiteral("%1 items"), QStringLiteral("%1 itens")).arg(queue.size()));
    m_list->verticalScrollBar()->setValue(scroll);
}
