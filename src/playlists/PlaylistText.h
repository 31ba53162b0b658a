#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Turns the bytes of a playlist or channel list into trimmed, non-empty lines.
// A UTF-8, UTF-16 or UTF-32 byte-order mark selects that encoding; without
// one each line is read as UTF-8 when it is valid UTF-8 and as Windows-1252
// otherwise, so legacy lists keep their accented names. Lines end at CR LF,
// CR or LF. Lines over 64 KiB and lines holding a NUL are dropped, as is a
// U+FEFF at the start of any line.
namespace PlaylistText {

inline constexpr qsizetype MaxLineBytes = 64 * 1024;
// Without a byte-order mark, a NUL this early marks a binary file.
inline constexpr qsizetype BinaryProbeBytes = 4096;

// False for binary content (a NUL in the first 4 KiB without a UTF-16/32
// byte-order mark); lines is then empty.
bool splitLines(const QByteArray &bytes, QStringList *lines);

// A Windows-1252 line: Latin-1 with the 0x80-0x9F block of that code page.
QString fromWindows1252(const char *data, qsizetype size);
bool isValidUtf8(const char *data, qsizetype size);

} // namespace PlaylistText
