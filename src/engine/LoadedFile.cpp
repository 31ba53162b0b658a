#include "engine/LoadedFile.h"

QString LoadedFile::tag(const QString &name) const
{
    for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value().toString();
    }
    return {};
}
