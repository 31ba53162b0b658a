#include "playlists/RadioSearch.h"

#include "engine/MediaPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>
#include <QtDebug>

#include <cmath>

namespace {

QString jsonText(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

// Directory bit rates are kbps; a number that is not a plausible one is none.
int jsonBitrate(const QJsonObject &object)
{
    const QJsonValue value = object.value(QLatin1String("bitrate"));
    if (!value.isDouble())
        return 0;
    const double kbps = value.toDouble();
    if (!std::isfinite(kbps) || kbps < 1 || kbps > 1000000)
        return 0;
    return static_cast<int>(kbps);
}

QString schemeOf(const QString &url)
{
    return QUrl(url, QUrl::TolerantMode).scheme().toLower();
}

} // namespace

QUrl directorySearchUrl(const QString &baseUrl, const QString &text, const QString &countryCode)
{
    QList<std::pair<QString, QString>> items;
    const QString name = text.trimmed();
    if (!name.isEmpty())
        items.append({QStringLiteral("name"), name});
    if (!countryCode.isEmpty())
        items.append({QStringLiteral("countrycode"), countryCode});
    items.append({QStringLiteral("hidebroken"), QStringLiteral("true")});
    items.append({QStringLiteral("order"), QStringLiteral("clickcount")});
    items.append({QStringLiteral("reverse"), QStringLiteral("true")});
    items.append({QStringLiteral("limit"), QStringLiteral("120")});

    // QUrlQuery leaves "+" literal, which servers read as a blank: encode
    // every value ourselves, reserved characters included.
    QByteArray query;
    for (const auto &[key, value] : items) {
        if (!query.isEmpty())
            query += '&';
        query += key.toLatin1() + '=' + QUrl::toPercentEncoding(value);
    }
    QUrl url(baseUrl + QStringLiteral("/json/stations/search"));
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

QString directorySubtitle(const QString &state, const QString &tags, int bitrateKbps)
{
    QStringList parts;
    if (!state.isEmpty())
        parts.append(state);
    const QString tagText = tags.split(QLatin1Char(',')).mid(0, 3).join(QStringLiteral(", "));
    if (!tagText.isEmpty())
        parts.append(tagText);
    if (bitrateKbps > 0)
        parts.append(QStringLiteral("%1 kbps").arg(bitrateKbps));
    return parts.join(QStringLiteral(" · "));
}

QList<StationRecord> parseDirectoryReply(const QByteArray &bytes, bool *isArray)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const bool array = error.error == QJsonParseError::NoError && document.isArray();
    if (isArray)
        *isArray = array;
    if (!array)
        return {};
    QList<StationRecord> records;
    int dropped = 0;
    for (const QJsonValue &element : document.array()) {
        const QJsonObject object = element.toObject();
        StationRecord record;
        record.name = jsonText(object, "name").trimmed();
        record.url = jsonText(object, "url_resolved");
        if (record.url.isEmpty())
            record.url = jsonText(object, "url");
        if (record.name.isEmpty() || record.url.isEmpty())
            continue;
        if (!isPlayableStationUrl(record.url)) {
            ++dropped;
            continue;
        }
        record.logo = jsonText(object, "favicon");
        record.tags = directorySubtitle(jsonText(object, "state"), jsonText(object, "tags"),
                                        jsonBitrate(object));
        records.append(record);
    }
    if (dropped > 0)
        qInfo() << "radios com endereco nao aceito descartadas:" << dropped;
    return records;
}

bool isPlayableStationUrl(const QString &url)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("rtmp"), QStringLiteral("rtmps"),
                                        QStringLiteral("rtsp"), QStringLiteral("rtp"),
                                        QStringLiteral("udp"),  QStringLiteral("mms"),
                                        QStringLiteral("mmsh"), QStringLiteral("srt")};
    // The scheme is read off the text first: none of these is "file", so an
    // address that passes is a network source, and only one URL parse is
    // needed for tens of thousands of channels.
    const qsizetype separator = url.indexOf(QLatin1String("://"));
    if (separator < 1 || !schemes.contains(url.left(separator), Qt::CaseInsensitive))
        return false;
    // The engine takes addresses as C strings: a NUL would cut one short.
    for (const QChar c : url) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    const QUrl parsed(url, QUrl::TolerantMode);
    return parsed.isValid() &&
           parsed.scheme().compare(url.left(separator), Qt::CaseInsensitive) == 0;
}

QList<StationRecord> playableStations(const QList<StationRecord> &stations)
{
    QList<StationRecord> kept;
    kept.reserve(stations.size());
    qsizetype dropped = 0;
    for (const StationRecord &station : stations) {
        if (isPlayableStationUrl(station.url)) {
            kept.append(station);
        } else if (++dropped <= 5) {
            qInfo().noquote() << "canal descartado, endereco nao aceito:" << station.url.left(200);
        }
    }
    if (dropped > 5)
        qInfo() << "canais descartados ao todo:" << dropped;
    return kept;
}

bool isFetchableLogoUrl(const QString &url)
{
    const QString scheme = schemeOf(url);
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}
