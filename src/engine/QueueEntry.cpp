#include "engine/QueueEntry.h"

#include "engine/MediaPaths.h"

QueueEntry QueueEntry::fromMap(const QVariantMap &map)
{
    return {normalizePath(map.value(QStringLiteral("filename")).toString()),
            map.value(QStringLiteral("title")).toString(),
            map.value(QStringLiteral("current")).toBool()};
}
