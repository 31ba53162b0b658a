#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QApplication;

// The one dark look of the application.
namespace ThemeColor {
inline constexpr char Window[] = "#07111f";
inline constexpr char Base[] = "#0d1b2e";
inline constexpr char Raised[] = "#12233a";
inline constexpr char Selection[] = "#183049";
inline constexpr char Border[] = "#22344c";
inline constexpr char MutedText[] = "#6b7c93";
inline constexpr char SecondaryText[] = "#a8b5c7";
inline constexpr char Text[] = "#f4f7fb";
inline constexpr char Accent[] = "#2bd9fe";
inline constexpr char Accent2[] = "#8b5cf6";
inline constexpr char White[] = "#ffffff";
inline constexpr char Disabled[] = "#4b5d75";
inline constexpr char IconTint[] = "#c9d4e3";
inline constexpr char HeartActive[] = "#ff5c8a";
inline constexpr char StrongBorder[] = "#2e4a6b";
inline constexpr char Panel[] = "#0a1626";
inline constexpr char MenuText[] = "#e6ecf4";
inline constexpr char GroupBox[] = "#0b1828";
inline constexpr char Video[] = "#000000";
} // namespace ThemeColor

// A palette colour, optionally see-through (alpha from 0 to 255).
QColor themeColor(const char *hex, int alpha = 255);

// Registers the compiled-in icons and fonts. They live in a static library
// whose own initialiser the linker may drop, so whoever reads them calls this
// first.
void initThemeResources();

// Fusion style, the dark palette, the application font and the style sheet.
void applyTheme(QApplication &app);
// The same with other font files; used when the bundled fonts are not wanted.
void applyTheme(QApplication &app, const QStringList &fontFiles);

// The bundled Inter font files in the order they are loaded.
QStringList themeFontFiles();

// Adds the font files to the application font database and returns the first
// family of the last one that loaded, or "Segoe UI" when none did.
QString loadThemeFontFamily(const QStringList &fontFiles);

// The application-wide style sheet.
QString themeStyleSheet();
