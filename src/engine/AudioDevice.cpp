#include "engine/AudioDevice.h"

QList<AudioDevice> AudioDevice::listFromNode(const QVariant &node)
{
    QList<AudioDevice> devices;
    for (const QVariant &entry : node.toList()) {
        const QVariantMap map = entry.toMap();
        AudioDevice device;
        device.name = map.value(QStringLiteral("name")).toString();
        device.description = map.value(QStringLiteral("description")).toString();
        if (!device.name.isEmpty())
            devices.append(device);
    }
    return devices;
}
