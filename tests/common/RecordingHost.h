#pragma once

#include "ui/Host.h"

#include <QStringList>

// The window side of a page for tests and benchmarks that build a page alone:
// it records what it is asked to play and the toasts, and does nothing else.
class RecordingHost final : public Host
{
public:
    PlayerCore *player() const override { return nullptr; }
    void playPaths(const QStringList &paths, int startIndex) override
    {
        played = paths;
        playedIndex = startIndex;
    }
    void enqueuePaths(const QStringList &) override {}
    void playNextPaths(const QStringList &) override {}
    void playPath(const QString &) override {}
    void showMediaMenu(const QStringList &, const QPoint &, QWidget *) override {}
    void openFiles() override {}
    void openFolder() override {}
    void openLink() override {}
    void showToast(const QString &text) override { toasts.append(text); }
    void navigate(const QString &) override {}

    QStringList played;
    int playedIndex = -1;
    QStringList toasts;
};
