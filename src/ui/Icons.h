#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The built-in line icons, drawn from SVG markup on a 24 x 24 grid and tinted
// at run time, plus the application icon and the cover placeholder.

// Names of the built-in icons in table order.
QStringList iconNames();

// Inner SVG markup of a built-in icon; empty for an unknown name.
QString iconMarkup(const QString &name);

// One glyph in one colour, sizePx x sizePx logical pixels at the application's
// device pixel ratio. A null pixmap for an unknown name.
QPixmap renderIcon(const QString &name, int sizePx, const QColor &color);
// The same at an explicit device pixel ratio.
QPixmap renderIcon(const QString &name, int sizePx, const QColor &color, qreal devicePixelRatio);

// Icon with the normal colour for the plain state, the active colour for the
// checked state, white on hover and selection, grey when disabled. Cached for
// the life of the process by name and colours; each size is drawn when first
// shown.
QIcon tintedIcon(const QString &name, const QColor &normal, const QColor &active);

// tintedIcon with the default pair.
QIcon icon(const QString &name);

QIcon appIcon();
QPixmap appLogo(int sizePx);

// Picture for items without a cover: 16:9 for video, square otherwise.
QPixmap placeholderCover(int widthPx, bool isVideo);

QPixmap roundedPixmap(const QPixmap &pixmap, qreal radiusPx);
