#pragma once

#include <QString>
#include <QStringList>

// What counts as a video or an audio file, by suffix, everywhere in the player.

// The recognised video suffixes, lower case. Built once, never changed.
const QStringList &videoExtensions();
// The recognised audio suffixes, lower case. Shares no entry with the video list.
const QStringList &audioExtensions();
// Suffixes (lower case) of the playlist files that are expanded into their entries.
const QStringList &playlistSuffixes();

// The text after the last "." of the whole path, lower-cased; empty without a dot.
QString fileSuffixLower(const QString &path);

// True when the suffix of the path is a video suffix.
bool isVideoFile(const QString &path);

// True when path is folder itself or lies below it. Both sides are taken with
// forward slashes and cleaned; letter case counts where the file system
// tells names apart by it (Linux), not elsewhere. An empty folder or
// "." contains nothing.
bool isUnderFolder(const QString &path, const QString &folder);
