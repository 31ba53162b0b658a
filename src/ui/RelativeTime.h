#pragma once

#include <QDateTime>
#include <QString>

// When something happened, as the lists show it: "Today, 14:05", "Yesterday,
// 09:30", "3 days ago", then the date. Days are calendar days in local time,
// so 23:59 yesterday is "Yesterday" at 00:01 today. A stamp on a later day
// (the clock was set back) shows its date.
QString relativeTime(const QDateTime &stamp, const QDateTime &now);
