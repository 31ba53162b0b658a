// Directory replies from a hostile or broken server: parsing must not crash,
// and every station it keeps must be one the player may hand to the engine.
#include "engine/MediaPaths.h"
#include "playlists/RadioSearch.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

// The parsers log what they drop; at millions of runs that is only noise.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
            QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    bool isArray = false;
    const QList<StationRecord> stations = parseDirectoryReply(bytes, &isArray);
    if (!isArray && !stations.isEmpty())
        std::abort();
    for (const StationRecord &station : stations) {
        if (station.name.isEmpty() || station.name != station.name.trimmed())
            std::abort();
        if (!isNetworkSource(station.url) || !isPlayableStationUrl(station.url))
            std::abort();
        if (station.id != 0 || station.favorite || !station.grp.isEmpty())
            std::abort();
    }
    return 0;
}
