#include "ui/RelativeTime.h"

#include "app/AppSettings.h"

QString relativeTime(const QDateTime &stamp, const QDateTime &now)
{
    const QDateTime local = stamp.toLocalTime();
    const qint64 days = local.date().daysTo(now.toLocalTime().date());
    const QString clock = local.toString(QStringLiteral("HH:mm"));
    if (days == 0)
        return uiText(QStringLiteral("Today, "), QStringLiteral("Hoje, ")) + clock;
    if (days == 1)
        return uiText(QStringLiteral("Yesterday, "), QStringLiteral("Ontem, ")) + clock;
    if (days >= 2 && days <= 6)
        return uiText(QStringLiteral("%1 days ago"), QStringLiteral("Há %1 dias")).arg(days);
    return local.toString(uiEnglish ? QStringLiteral("MM/dd/yyyy") : QStringLiteral("dd/MM/yyyy"));
}
