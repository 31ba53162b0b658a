#pragma once

#include <QString>

// "m:ss" below one hour, "h:mm:ss" from one hour up. Negative, infinite and
// not-a-number inputs count as 0; fractions are truncated.
QString formatTime(double seconds);
