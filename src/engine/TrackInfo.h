#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One entry of the engine's "track-list".
struct TrackInfo
{
    qint64 id = 0;
    QString type; // "video", "audio" or "sub"
    QString title;
    QString lang;
    QString codec;
    bool selected = false;
    bool external = false;
    bool albumart = false;
    bool isDefault = false;
    int channels = 0;

    // Missing keys give empty or zero values.
    static TrackInfo fromMap(const QVariantMap &map);

    // The text the track menus show, in the interface language.
    QString trackLabel() const;
};

Q_DECLARE_METATYPE(TrackInfo)
