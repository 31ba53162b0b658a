#pragma once

class QWidget;

// Where the main window shows up and in which state.
namespace WindowPlacement {

// Brings the window back from the task bar or the tray: undoes only the
// minimising or hiding, so a maximised or full-screen window stays so.
void bringBack(QWidget *window);

// Fits the first window into the available area of the screen it opens on:
// the default size at a large scale factor, or a size saved on a larger or
// absent monitor, would run off the screen. A window that fits is left alone.
void fitOnScreen(QWidget *window);

} // namespace WindowPlacement
