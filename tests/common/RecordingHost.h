#pragma once

#include "ui/Host.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

// A Host that only writes down what a page asked of it, for page tests that
// need no window. Each call is one line: the operation's name, then its
// arguments joined by "|" (for example "playPaths|a|b|1").
class RecordingHost final : public Host
{
public:
    explicit RecordingHost(PlayerCore *player = nullptr)
        : m_player(player)
    {}

    QStringList calls;
    // The latest list handed to playPaths, its start, and every toast.
    QStringList played;
    int playedIndex = -1;
    QStringList toasts;
    // The paths, position and extra widget of the latest showMediaMenu; the
    // host owns the widget.
    QStringList menuPaths;
    QPointer<QWidget> lastExtra;
    QPoint lastMenuPos;

    PlayerCore *player() const override { return m_player; }
    void playPaths(const QStringList &paths, int startIndex) override
    {
        played = paths;
        playedIndex = startIndex;
        record(QStringLiteral("playPaths"), paths + QStringList{QString::number(startIndex)});
    }
    void enqueuePaths(const QStringList &paths) override
    {
        record(QStringLiteral("enqueuePaths"), paths);
    }
    void playNextPaths(const QStringList &paths) override
    {
        record(QStringLiteral("playNextPaths"), paths);
    }
    void playPath(const QString &path) override { record(QStringLiteral("playPath"), {path}); }
    void playFromStart(const QString &path) override
    {
        record(QStringLiteral("playFromStart"), {path});
    }
    void showMediaMenu(const QStringList &paths, const QPoint &globalPos,
                       QWidget *extra = nullptr) override
    {
        delete lastExtra;
        lastExtra = extra;
        lastMenuPos = globalPos;
        menuPaths = paths;
        record(QStringLiteral("showMediaMenu"), paths);
    }
    void openFiles() override { record(QStringLiteral("openFiles"), {}); }
    void openFolder() override { record(QStringLiteral("openFolder"), {}); }
    void openLink() override { record(QStringLiteral("openLink"), {}); }
    void showToast(const QString &text) override
    {
        toasts.append(text);
        record(QStringLiteral("showToast"), {text});
    }
    void navigate(const QString &id) override { record(QStringLiteral("navigate"), {id}); }

    // Forgets everything recorded, as before a new case.
    void reset()
    {
        calls.clear();
        played.clear();
        playedIndex = -1;
        toasts.clear();
        menuPaths.clear();
        delete lastExtra;
        lastMenuPos = {};
    }

    ~RecordingHost() override { delete lastExtra; }

private:
    void record(const QString &name, const QStringList &arguments)
    {
        calls.append((QStringList{name} + arguments).join(QLatin1Char('|')));
    }

    PlayerCore *m_player;
};
