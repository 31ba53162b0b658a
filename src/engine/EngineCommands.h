#pragma once

#include <QString>
#include <QStringList>

// Pure helpers that turn player decisions into engine command arguments, so
// they can be checked without an engine.

// The per-file options for a source: streams get the cache and may pause to
// fill it; local files read directly.
QString sourceCacheOptions(const QString &path);

// True when the engine version text (for example "mpv 0.38.0") names an
// engine whose "loadfile" takes an insertion index before the options.
bool loadFileTakesIndex(const QString &versionText);

// "loadfile", path, mode, ["-1"], per-source options. The path is used as
// given (callers normalise it first).
QStringList loadFileArguments(const QString &path, const QString &mode, const QString &versionText);

// The reason word of an end-file event: "eof", "stop", "quit", "error" or
// "redirect"; unknown codes count as "stop".
QString endFileReasonText(int reason);
