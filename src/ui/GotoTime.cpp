#include "ui/GotoTime.h"

#include <QStringList>

#include <cmath>

double parseGotoTime(const QString &text)
{
    double total = 0;
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    for (QString part : parts) {
        part = part.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
        bool number = false;
        const double value = part.toDouble(&number);
        // "nan" and "inf" read as numbers but are no time.
        total = total * 60 + (number && std::isfinite(value) ? value : 0);
    }
    return total;
}
