#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

class PlayerCore;
class QWidget;

// What pages and panels may ask of the main window. Going through one place
// keeps the media menu, the toasts and the history bookkeeping identical
// wherever an action starts.
class Host
{
public:
    virtual ~Host() = default;

    virtual PlayerCore *player() const = 0;
    // Replaces the queue with paths and starts at startIndex.
    virtual void playPaths(const QStringList &paths, int startIndex) = 0;
    virtual void enqueuePaths(const QStringList &paths) = 0;
    virtual void playNextPaths(const QStringList &paths) = 0;
    // Plays one item alone and resumes where it stopped.
    virtual void playPath(const QString &path) = 0;
    // Plays one item alone from its start, whatever resume point it has.
    virtual void playFromStart(const QString &path) { playPaths({path}, 0); }
    // The shared media context menu; the window takes ownership of extra and
    // shows its actions first.
    virtual void showMediaMenu(const QStringList &paths, const QPoint &globalPos,
                               QWidget *extra = nullptr) = 0;
    virtual void openFiles() = 0;
    virtual void openFolder() = 0;
    virtual void openLink() = 0;
    virtual void showToast(const QString &text) = 0;
    // Page ids: "home", "videos", "music", "playlists", "recents", "radios",
    // "player", "settings". Unknown ids are ignored.
    virtual void navigate(const QString &id) = 0;
};

#define ZorviHost_iid "br.com.orvandel.ZorviPlayer.Host"
Q_DECLARE_INTERFACE(Host, ZorviHost_iid)
