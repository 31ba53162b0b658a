#pragma once

// What every entry the playlist reader returns must look like, checked by
// the playlist fuzz targets: non-empty, no NUL, and either a stream link
// (without line breaks) or a clean absolute path ("/", "//share" or "X:/"
// root, no empty, "." or ".." segments, no trailing separator).
#include "engine/MediaPaths.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

inline bool isCleanAbsolutePath(const QString &path)
{
    qsizetype rootSize = 0;
    if (path.size() >= 3 && path.at(0).unicode() < 0x80 && path.at(0).isLetter() &&
        path.at(1) == u':' && path.at(2) == u'/')
        rootSize = 3;
    else if (path.startsWith(QLatin1String("//")))
        rootSize = 2;
    else if (path.startsWith(u'/'))
        rootSize = 1;
    else
        return false;
    const QString rest = path.mid(rootSize);
    if (rest.isEmpty())
        return true;
    const QStringList segments = rest.split(u'/');
    for (const QString &segment : segments) {
        if (segment.isEmpty() || segment == QLatin1String(".") || segment == QLatin1String(".."))
            return false;
    }
    return !path.contains(u'\\');
}

inline void checkEntry(const QString &entry)
{
    const bool ok = !entry.isEmpty() && !entry.contains(QChar(0)) &&
                    (isNetworkSource(entry) ? !entry.contains(u'\n') && !entry.contains(u'\r')
                                            : isCleanAbsolutePath(entry));
    if (!ok) {
        std::fprintf(stderr, "bad entry: %s\n", entry.toUtf8().toPercentEncoding("/:").constData());
        std::abort();
    }
}
