#include "ui/window/LibraryStatus.h"

#include "library/Library.h"
#include "ui/UiText.h"
#include "ui/window/PageNavigator.h"

#include <QLabel>

LibraryStatus::LibraryStatus(Library *library, PageNavigator *navigator, QObject *parent)
    : QObject(parent)
    , m_library(library)
    , m_navigator(navigator)
{
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(FinishedShownMs);
    connect(&m_hideTimer, &QTimer::timeout, navigator->statusLabel(), &QLabel::hide);
    connect(library, &Library::scanStarted, this, &LibraryStatus::showStarted);
    connect(library, &Library::scanFinished, this, &LibraryStatus::showFinished);
}

void LibraryStatus::scheduleFirstScan(int delayMs)
{
    // Tied to this object: a window closed before then starts nothing.
    QTimer::singleShot(delayMs, this, [library = m_library] { library->startScan(); });
}

void LibraryStatus::showStarted()
{
    // A scan that starts while the last result is still up keeps the line.
    m_hideTimer.stop();
    showText(tr2("Updating library…", "Atualizando biblioteca…"));
}

void LibraryStatus::showFinished(int found)
{
    showText(tr2("%1 files in library", "%1 arquivos na biblioteca").arg(found));
    m_hideTimer.start();
}

void LibraryStatus::showText(const QString &text)
{
    QLabel *label = m_navigator->statusLabel();
    label->setText(text);
    // The narrow sidebar has no room for it; the text waits for a wider window.
    label->setVisible(!m_navigator->isCompact());
}
