#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One entry of the engine's "playlist", which is the play queue.
struct QueueEntry
{
    QString path; // "filename", normalised
    QString title;
    bool current = false;

    static QueueEntry fromMap(const QVariantMap &map);
};

Q_DECLARE_METATYPE(QueueEntry)
