// IPTV channel lists as the import reads them: whatever the bytes, the
// channels kept have a trimmed name and an address the engine may open.
#include "engine/MediaPaths.h"
#include "playlists/PlaylistFiles.h"
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
    const QList<StationRecord> channels = playableStations(parseIptvList(bytes));
    for (const StationRecord &channel : channels) {
        if (channel.name.isEmpty() || channel.name != channel.name.trimmed())
            std::abort();
        if (!isNetworkSource(channel.url) || !isPlayableStationUrl(channel.url))
            std::abort();
    }
    return 0;
}
