#pragma once

#include <QString>
#include <QtGlobal>

// Texts the library pages build from file names, folders and sizes.
namespace LibraryText {

// The last component of a folder, or the whole text when that is empty
// (a root such as "/").
QString folderName(const QString &folder);

// "%1 MB" (whole mebibytes) up to 1 GiB, "%1 GB" with one decimal above;
// empty for a size of 0 or less.
QString sizeText(qint64 bytes);

// A tool tip that shows the text literally: tool tips take anything that
// looks like markup for rich text, and file names and tags may.
QString plainToolTip(const QString &text);

} // namespace LibraryText
