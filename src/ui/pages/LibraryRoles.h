#pragma once

#include <Qt>

// Item roles of the library pages' cards, table rows and group rows. The
// card view reads the first ones; the rest are the pages' own.
namespace LibraryRole {
constexpr int Path = Qt::UserRole + 1;         // path of the item, or of a group's first song
constexpr int Kind = Qt::UserRole + 2;         // "video", "audio", or a group's field name
constexpr int Subtitle = Qt::UserRole + 3;     // second line of a card
constexpr int Progress = Qt::UserRole + 4;     // watched fraction 0 … 1; absent for no bar
constexpr int Badge = Qt::UserRole + 5;        // duration text on the picture
constexpr int Paths = Qt::UserRole + 8;        // QStringList: the paths of a group
constexpr int FilterValue = Qt::UserRole + 10; // the value a group filters by
constexpr int SortValue = Qt::UserRole + 50;   // number compared by the song table
} // namespace LibraryRole
