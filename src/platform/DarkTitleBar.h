#pragma once

class QWidget;

// Asks the window manager for a dark caption in the window background colour.
// Only the Windows desktop window manager offers this; elsewhere the title bar
// follows the desktop theme and nothing is done.
void applyDarkTitleBar(QWidget *window);
