#pragma once

#include <QString>

// Reveals a file in the system file manager with the file selected. Windows
// asks Explorer to select it; elsewhere the desktop's file manager is asked
// over D-Bus (org.freedesktop.FileManager1.ShowItems) and, when no file
// manager answers, the containing folder is opened instead. Returns at once;
// the D-Bus answer arrives later.
void showInFolder(const QString &path);
