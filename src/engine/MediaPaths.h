#pragma once

#include <QString>

class QTime;

// The one test that separates streams from files everywhere: the text holds
// "://" and, read as a URL, is not a local file URL.
bool isNetworkSource(const QString &text);

// Local paths and file URLs become clean local paths; empty texts and network
// sources are returned unchanged.
QString normalizePath(const QString &text);

// "<base>_<position>_<HHmmss>.png" for a screenshot of the current path: the
// base name is "captura" for streams and nameless paths, characters that file
// systems refuse become "_", and the position uses "-" instead of ":".
QString screenshotFileName(const QString &currentPath, double positionSeconds, const QTime &time);
