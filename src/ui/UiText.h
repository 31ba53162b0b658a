#pragma once

#include <QString>

// The interface text in the chosen language, from UTF-8 literals.
QString tr2(const char *english, const char *portuguese);

// A tooltip that shows text literally. Tooltips guess whether a text is
// markup, so a file named "<b>x</b>.mp3" would otherwise show in bold.
QString plainToolTip(const QString &text);

// A label for a button, tab or menu entry: those read "&" as a shortcut
// marker, so "Radio & TV" needs it doubled to show it.
QString escapeAmpersands(const QString &text);
