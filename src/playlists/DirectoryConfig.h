#pragma once

#include <QStringList>
#include <QtGlobal>

// Where the radio directory is asked and how long a request may take. The
// standard values are the only ones a normal run uses; tests hand the page
// another set, and the unattended harness routines point the mirrors at a
// closed local port so that they never reach a public host.
struct DirectoryConfig
{
    // HTTPS base URLs of the directory's mirrors, tried in turn.
    QStringList mirrors;
    // Qt's transfer timeout: fires only when no byte arrives for that long.
    int searchTimeoutMs = 12000;
    int logoTimeoutMs = 8000;
    // Whole-request limits, so that a host trickling one byte at a time
    // cannot keep a request alive forever.
    int searchDeadlineMs = 20000;
    int logoDeadlineMs = 20000;
    // 120 stations are about 100 KB; anything near this is not a reply.
    qint64 searchReplyLimitBytes = 8 * 1024 * 1024;

    // The public directory's mirrors and the standard timeouts.
    static DirectoryConfig standard();
    // standard(), unless this process replaced it with useForProcess.
    static DirectoryConfig current();
    // For the unattended runs only: every page built afterwards uses config.
    static void useForProcess(const DirectoryConfig &config);
};
