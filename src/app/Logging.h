#pragma once

#include <QtGlobal>

class QString;

// Rotates the log (kept up to 2 MiB, one old generation), opens it for
// appending and installs logMessageHandler. Installs nothing when the file
// cannot be opened.
void installFileLog();

// Writes one line "yyyy-MM-dd HH:mm:ss.zzz [LEVEL] message" to the open log.
// Safe to call from any thread.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// The level word written for a message type.
const char *logLevelWord(QtMsgType type);

// Size above which the log is rotated at start.
constexpr qint64 LogRotateBytes = 2 * 1024 * 1024;

// Rotation and opening for an explicit folder; installFileLog() uses the data
// directory's "logs" folder.
bool openLogIn(const QString &logDir);
