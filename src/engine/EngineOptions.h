#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// One engine option as handed to setOption before initialisation.
struct EngineOption
{
    QByteArray name;
    QString value;
    bool operator==(const EngineOption &other) const = default;
};

// Everything the start-up option list depends on, gathered in one place so
// the list itself can be built and checked without an engine.
struct EngineOptionInput
{
    double refreshRate = 0;           // of the primary screen; 0 when there is none
    bool hwdecEnabled = true;         // setting "video/hwdec"
    QByteArray hwdecEnv;              // ZORVIPLAYER_HWDEC (empty = not given)
    std::optional<QByteArray> vfEnv;  // ZORVIPLAYER_VF, when set
    std::optional<QByteArray> optEnv; // ZORVIPLAYER_OPT, when set
    QString appVersion;               // for the user agent
    QString subCodepage = QStringLiteral("auto");
    QString subLang; // already resolved to its default
    QString audioLang;
    QList<QPair<QString, QString>> subStyle; // settings group "subStyle", in key order
};

// Reads the screen, the environment and the settings.
EngineOptionInput currentEngineOptionInput(bool hwdecEnabled);

// The options in the order they must be set. Later entries win over earlier
// ones with the same name, which is how the fixed options override
// ZORVIPLAYER_OPT and the subtitle style overrides everything.
QList<EngineOption> engineOptions(const EngineOptionInput &input);

// The "name=value;..." list of ZORVIPLAYER_OPT; empty parts are dropped.
QList<EngineOption> parseOptionList(const QByteArray &text);

// Whether a stored "subStyle" key may be replayed as an engine option: a
// name beginning with "sub-" that names no file or folder.
bool isSubtitleStyleOption(const QString &name);
