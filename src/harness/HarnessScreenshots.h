#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class MainWindow;
class PlayerCore;
class QPixmap;

// Shows every page, the player with audio and with video, full screen, the
// mini player, the queue panel and the dialogs, and saves one PNG per view
// into the output folder under a stable name ("01-home.png", ...). Quits the
// event loop with 0 when every picture was written.
class HarnessScreenshots : public QObject
{
    Q_OBJECT

public:
    // The size every windowed picture is taken at.
    static constexpr int WidthPx = 1320;
    static constexpr int HeightPx = 820;

    HarnessScreenshots(MainWindow *window, PlayerCore *core, const QString &outputFolder,
                       const QString &sampleFolder);

    static void start(MainWindow *window, PlayerCore *core, const QString &outputFolder,
                      const QString &sampleFolder);

private:
    void run();
    void placeWindow();
    void save(const QString &name, const QPixmap &picture);
    void shootPage(const QString &name, const QString &pageId);
    bool playAndWait(const QString &path);
    void shootDialogs(int &number, bool adjustments);
    void shootSeekPreview(const QString &name);
    // Waits until the cards on screen have their thumbnails and covers.
    void waitForPictures(const QString &pageId);
    // The library pages in their other views, then emptied.
    void shootLibraryViews(int &number);
    void shootUserPlaylist(const QString &name, const QStringList &songs);

    QPointer<MainWindow> m_window;
    PlayerCore *m_core = nullptr;
    QString m_outputFolder;
    QString m_sampleFolder;
    QStringList m_problems;
    int m_saved = 0;
    bool m_libraryScanned = false;
};
