#pragma once

#include <QString>

// Seconds typed as "h:m:s", "m:s" or "s": parts from left to right are
// accumulated as total * 60 + part; a comma counts as the decimal point and an
// unreadable or empty part counts 0 ("1::5" is one hour and five seconds).
double parseGotoTime(const QString &text);
