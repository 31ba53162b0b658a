#include "ui/pages/RadiosPage.h"

#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

RadiosPage::RadiosPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(uiText(QStringLiteral("Radio & TV"), QStringLiteral("Rádios e TV")),
                                QStringLiteral("PageTitle")));
    m_empty = makeLabel(uiText(QStringLiteral("No saved stations. Open a radio link with "
                                              "\"Open link…\"."),
                               QStringLiteral("Nenhuma estação salva. Abra o link de uma rádio "
                                              "com \"Abrir link…\".")),
                        QStringLiteral("Muted"));
    m_empty->setWordWrap(true);
    layout->addWidget(m_empty);
    m_list = new QListWidget(this);
    m_list->setIconSize(QSize(18, 18));
    layout->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        m_host->playPaths({item->data(Qt::UserRole + 1).toString()}, 0);
    });
    connect(m_database, &Database::stationsChanged, this, [this] { reload(); });
    reload();
}

void RadiosPage::reload()
{
    m_list->clear();
    const QList<StationRecord> stations = m_database->stations(QString());
    for (const StationRecord &station : stations) {
        auto *item = new QListWidgetItem(icon(station.grp == QLatin1String("radio")
                                                      ? QStringLiteral("radio")
                                                      : QStringLiteral("tv")),
                                         station.name, m_list);
        item->setData(Qt::UserRole + 1, station.url);
        item->setToolTip(station.url);
    }
    m_empty->setVisible(stations.isEmpty());
}
