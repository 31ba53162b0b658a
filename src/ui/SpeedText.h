#pragma once

#include <QString>

// A playback speed for people: two decimals at most, no trailing zeros, the
// decimal comma in Portuguese, then "x" (1.25x / 1,25x, 2x).
QString speedText(double speed);
