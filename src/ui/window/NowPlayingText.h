#pragma once

#include <QString>

class Database;
class PlayerCore;

// What the window title, the control bar, the now-playing view and the
// desktop's media controls show for the item at path.
struct NowPlayingText
{
    QString title;
    // Artist for music, folder for video, station for streams.
    QString subtitle;
    QString album;
    bool isVideo = false;

    // The library's tags win over the engine's reading of them.
    static NowPlayingText describe(const PlayerCore *core, Database *database, const QString &path);
};
