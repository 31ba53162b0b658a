#include "engine/TrackInfo.h"

#include "app/AppSettings.h"

TrackInfo TrackInfo::fromMap(const QVariantMap &map)
{
    TrackInfo track;
    track.id = map.value(QStringLiteral("id")).toLongLong();
    track.type = map.value(QStringLiteral("type")).toString();
    track.title = map.value(QStringLiteral("title")).toString();
    track.lang = map.value(QStringLiteral("lang")).toString();
    track.codec = map.value(QStringLiteral("codec")).toString();
    track.selected = map.value(QStringLiteral("selected")).toBool();
    track.external = map.value(QStringLiteral("external")).toBool();
    track.albumart = map.value(QStringLiteral("albumart")).toBool();
    track.isDefault = map.value(QStringLiteral("default")).toBool();
    track.channels = map.value(QStringLiteral("demux-channel-count")).toInt();
    return track;
}

QString TrackInfo::trackLabel() const
{
    QString label;
    if (!title.isEmpty() && !lang.isEmpty()) {
        label = QStringLiteral("%1 [%2]").arg(title, lang);
    } else if (!title.isEmpty() || !lang.isEmpty()) {
        label = title.isEmpty() ? lang : title;
    } else {
        QString word;
        if (type == QLatin1String("video"))
            word = uiText(QStringLiteral("Video"), QStringLiteral("Vídeo"));
        else if (type == QLatin1String("audio"))
            word = uiText(QStringLiteral("Track"), QStringLiteral("Faixa"));
        else
            word = uiText(QStringLiteral("Subtitle"), QStringLiteral("Legenda"));
        label = QStringLiteral("%1 %2").arg(word).arg(id);
    }
    if (!codec.isEmpty())
        label += QStringLiteral("  \u00b7  ") + codec;
    if (type == QLatin1String("audio") && channels > 0)
        label += QStringLiteral(" %1ch").arg(channels);
    if (external)
        label += uiText(QStringLiteral("  (file)"), QStringLiteral("  (arquivo)"));
    return label;
}
