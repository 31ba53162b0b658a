#pragma once

#include <QObject>
#include <QTimer>

class Library;
class PageNavigator;

// Starts the library scan shortly after the window is up and tells the
// sidebar's status line how it goes.
class LibraryStatus : public QObject
{
    Q_OBJECT

public:
    // The window shows first; the disk walk comes after.
    static constexpr int FirstScanDelayMs = 800;
    static constexpr int FinishedShownMs = 4000;

    LibraryStatus(Library *library, PageNavigator *navigator, QObject *parent = nullptr);

    void scheduleFirstScan(int delayMs = FirstScanDelayMs);

private:
    void showStarted();
    void showFinished(int found);
    void showText(const QString &text);

    Library *m_library;
    PageNavigator *m_navigator;
    QTimer m_hideTimer;
};
