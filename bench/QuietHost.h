#pragma once

#include "engine/PlayerCore.h"
#include "ui/Host.h"

#include <QStringList>
#include <QWidget>

// The window's side of a page under measurement: nothing is shown or
// navigated. With a player set, play requests reach it, so their cost can
// be timed.
class QuietHost final : public Host
{
public:
    PlayerCore *core = nullptr;

    PlayerCore *player() const override { return core; }
    void playPaths(const QStringList &paths, int startIndex) override
    {
        if (core)
            core->playFiles(paths, startIndex);
    }
    void enqueuePaths(const QStringList &) override {}
    void playNextPaths(const QStringList &) override {}
    void playPath(const QString &path) override
    {
        if (core)
            core->playFiles({path}, 0);
    }
    void showMediaMenu(const QStringList &, const QPoint &, QWidget *extra) override
    {
        delete extra;
    }
    void openFiles() override {}
    void openFolder() override {}
    void openLink() override {}
    void showToast(const QString &) override {}
    void navigate(const QString &) override {}
};
