#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One entry of the engine's "chapter-list".
struct ChapterInfo
{
    double time = 0; // seconds
    QString title;

    static ChapterInfo fromMap(const QVariantMap &map);
};

Q_DECLARE_METATYPE(ChapterInfo)
