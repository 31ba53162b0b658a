#include "ui/MainWindow.h"

bool MainWindow::openDialog(const QString &id)
{
    if (id == QLatin1String("about")) {
        showAbout();
    } else if (id == QLatin1String("custom_speed")) {
        showCustomSpeedDialog();
    } else if (id == QLatin1String("new_playlist")) {
        // The media menu offers it for the item under the pointer; the
        // current item stands in for it.
        createPlaylistFrom(m_currentPath.isEmpty() ? QStringList() : QStringList{m_currentPath});
    } else {
        return false;
    }
    return true;
}
