#include "platform/ProcessMemory.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <psapi.h>
#include <windows.h>
#else
#include <QFile>
#include <QList>

#include <unistd.h>
#endif

double residentMegabytes()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return double(counters.WorkingSetSize) / (1024.0 * 1024.0);
#else
    // statm: total and resident size in pages.
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().simplified().split(' ');
    bool ok = false;
    const double pages = fields.value(1).toDouble(&ok);
    if (!ok)
        return -1;
    return pages * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
#endif
}
