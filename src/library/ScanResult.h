#pragma once

#include "library/Records.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What one library scan found, handed from the worker to the GUI thread.
struct ScanResult
{
    // Records of new or changed files, in walk order.
    QList<MediaRecord> items;
    // Every audio and every video file found, changed or not.
    QSet<QString> foundAudio;
    QSet<QString> foundVideo;
    // The configured folders that existed and could be read, in order.
    QStringList audioFolders;
    QStringList videoFolders;
    // Library paths below a scanned folder that were not found.
    QStringList missing;
    // Set when the scan was cancelled; nothing of it may be stored.
    bool cancelled = false;
    // Time the worker spent walking and reading, ms.
    qint64 workerMs = 0;
};
