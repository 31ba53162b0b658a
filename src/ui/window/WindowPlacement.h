#pragma once

class QWidget;

// Where the main window shows up and in which state.
namespace WindowPlacement {

// Brings the window back from the task bar or the tray: undoes only the
// minimising or hiding, so a maximised or full-screen window stays so.
void bringBack(QWidget *window);

} // namespace WindowPlacement
