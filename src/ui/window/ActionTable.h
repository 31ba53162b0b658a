#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

enum class ActionCategory { Playback, Audio, Video, Subtitle, General };

// One user command of the registry as data: what it is called, its icon, its
// default key and where the shortcut editor lists it. Handlers are bound
// separately (ActionBinder).
struct ActionSpec
{
    const char *id;
    const char *english;
    const char *portuguese;
    const char *iconName;
    // Portable key text; empty for none.
    const char *defaultKey;
    ActionCategory category;
    bool checkable = false;

    QString label() const;
    QKeySequence key() const;
    QString categoryLabel() const;
};

// Every command in the order the registry lists them.
const QList<ActionSpec> &actionTable();
