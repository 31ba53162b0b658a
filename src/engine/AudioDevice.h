#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

// One entry of the engine's output device list.
struct AudioDevice
{
    // "auto" is the system default.
    QString name;
    QString description;

    bool isAutomatic() const { return name == QLatin1String("auto"); }

    // Entries without a name are dropped.
    static QList<AudioDevice> listFromNode(const QVariant &node);
};

Q_DECLARE_METATYPE(AudioDevice)
