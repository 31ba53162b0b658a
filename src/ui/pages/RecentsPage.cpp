#include "ui/pages/RecentsPage.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/SimpleMediaList.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

RecentsPage::RecentsPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(uiText(QStringLiteral("Recent"), QStringLiteral("Recentes")),
                                QStringLiteral("PageTitle")));
    m_empty = makeLabel(
            uiText(QStringLiteral("Nothing played yet."), QStringLiteral("Nada foi tocado ainda.")),
            QStringLiteral("Muted"));
    layout->addWidget(m_empty);
    m_list = new SimpleMediaList(context.host, false, this);
    layout->addWidget(m_list, 1);
    connect(m_database, &Database::historyChanged, this, [this] {
        if (isVisible())
            reload();
    });
    reload();
}

void RecentsPage::reload()
{
    QList<SimpleMediaList::Entry> entries;
    for (const HistoryEntry &row : m_database->history(QString(), 200)) {
        const QString title =
                row.title.isEmpty() ? QFileInfo(row.path).completeBaseName() : row.title;
        QString where;
        if (!row.finished && row.position > 5)
            where = formatTime(row.position);
        const QString iconName = row.kind == QLatin1String("video")    ? QStringLiteral("film")
                                 : row.kind == QLatin1String("stream") ? QStringLiteral("radio")
                                                                       : QStringLiteral("music");
        entries.append({row.path, title, where, iconName});
    }
    m_list->setEntries(entries);
    m_empty->setVisible(entries.isEmpty());
}
