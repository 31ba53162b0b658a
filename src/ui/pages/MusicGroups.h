#pragma once

#include "library/Records.h"

#include <QList>
#include <QString>

class QStandardItem;

// The music page's groups of songs: album cards and the artist, genre and
// folder rows. Each item carries its paths in song-list order and the value
// its filter uses.
namespace MusicGroups {

// One card per album, names that differ only in case merged; the songs
// without album form a group of their own, apart from any album that happens
// to be called "No album".
QList<QStandardItem *> albumCards(const QList<MediaRecord> &songs);

// One row per exact value of field ("artist", "genre" or "folder").
QList<QStandardItem *> fieldRows(const QList<MediaRecord> &songs, const QString &field);

} // namespace MusicGroups
