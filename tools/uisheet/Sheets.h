#pragma once

#include <QImage>

// All built-in icons at 16, 20 and 32 pixels on the window colour, with the
// application logo and the cover placeholders underneath.
QImage renderIconSheet();

// A window holding every control the style sheet styles, with an open menu and
// the focused look of the focusable controls beside it.
QImage renderControlsSheet();

// Cards in every layout and state: grid and list, wide and square, a shelf,
// hover, selection, progress, badges, long titles and the placeholders. At
// the screen's device pixel ratio (QT_SCALE_FACTOR).
QImage renderCardSheet();
