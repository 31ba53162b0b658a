#include "engine/FormatTime.h"

#include <algorithm>
#include <cmath>

QString formatTime(double seconds)
{
    // A corrupt value can be far beyond what the integer holds.
    constexpr double MaxSeconds = 1e15;
    const qint64 total =
            std::isfinite(seconds) && seconds > 0 ? qint64(std::min(seconds, MaxSeconds)) : 0;
    const qint64 hours = total / 3600;
    const qint64 minutes = (total / 60) % 60;
    const qint64 secs = total % 60;
    const QLatin1Char zero('0');
    if (hours == 0)
        return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, zero);
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, zero).arg(secs, 2, 10, zero);
}
