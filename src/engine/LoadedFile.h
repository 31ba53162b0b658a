#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

// What the engine holds at the moment a file has loaded. The player's
// mirrored properties follow through events that arrive after the load, so a
// listener of the load takes the item from here rather than from them.
struct LoadedFile
{
    QString path;
    // The media title, else the file's base name.
    QString title;
    QVariantMap tags;
    double durationSeconds = 0;
    bool hasVideo = false;
};

Q_DECLARE_METATYPE(LoadedFile)
