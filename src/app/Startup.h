#pragma once

// The whole life of the process: start-up, event loop and shutdown.
int runPlayer(int argc, char **argv);

#include <QMessageBox>

// A message box with no parent and title "Zorvi Player", shown during
// start-up before the main window exists.
void showStartupBox(QMessageBox::Icon icon, const QString &text);

// Text printed by "--version".
inline constexpr const char *VersionLine = "Zorvi Player " ZORVI_VERSION;
