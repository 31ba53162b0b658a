#include "engine/ChapterInfo.h"

ChapterInfo ChapterInfo::fromMap(const QVariantMap &map)
{
    return {map.value(QStringLiteral("time")).toDouble(),
            map.value(QStringLiteral("title")).toString()};
}
