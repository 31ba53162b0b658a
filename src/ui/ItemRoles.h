#pragma once

#include <Qt>

// Item data roles the pages fill and the card delegate reads. A role that is
// not set means "none": the delegate tells a missing progress or thumbnail
// position apart from zero.
namespace ItemRole {
inline constexpr int Path = Qt::UserRole + 1;          // 257: file path or link
inline constexpr int Kind = Qt::UserRole + 2;          // 258: "video", "audio" or "stream"
inline constexpr int Subtitle = Qt::UserRole + 3;      // 259: second line of the card
inline constexpr int Progress = Qt::UserRole + 4;      // 260: 0 ... 1, absent for no bar
inline constexpr int Badge = Qt::UserRole + 5;         // 261: short text such as a duration
inline constexpr int ThumbTag = Qt::UserRole + 6;      // 262: thumbnail cache tag, empty = "lib"
inline constexpr int ThumbPosition = Qt::UserRole + 7; // 263: seconds, or a negative fraction
inline constexpr int Paths = Qt::UserRole + 8;         // 264: list of paths (albums, folders)
inline constexpr int FilterValue = Qt::UserRole + 10;  // 266: value a page filters on
inline constexpr int SortValue = Qt::UserRole + 50;    // 306: numeric sort key
} // namespace ItemRole
