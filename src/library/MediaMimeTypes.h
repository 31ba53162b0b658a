#pragma once

#include <QString>
#include <QStringList>

// The player's suffix lists (MediaFiles) as MIME types, for the desktop entry
// and the media controls. Computed from the lists, so a suffix added there is
// announced everywhere.

// The MIME types of "x.<suffix>" in the system's MIME database, text types left
// out (".ts" is also a translation source); when the database knows none, the
// player's own type for the suffix.
QStringList suffixMimeTypes(const QString &suffix);

// The type the player declares for a video or audio suffix that the system's
// MIME database does not know: "video/x-zorvi-<suffix>" or "audio/x-zorvi-<suffix>".
QString ownMimeType(const QString &suffix);

// Every video, audio and playlist suffix the player recognises, as MIME types:
// sorted, without repeats.
QStringList mediaMimeTypes();

// The video and audio suffixes that only the player's own type covers.
QStringList suffixesWithoutSystemMimeType();

// A shared-mime-info package declaring ownMimeType() for each of those suffixes.
QByteArray ownMimePackage();
