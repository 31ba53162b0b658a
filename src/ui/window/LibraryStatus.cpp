#include "ui/window/LibraryStatus.h"

#include "library/Library.h"
#include "ui/UiText.h"

#include <QLabel>

LibraryStatus::LibraryStatus(Library *library, QLabel *label, QObject *parent)
    : QObject(parent)
    , m_library(library)
    , m_label(label)
{
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(FinishedShownMs);
    connect(&m_hideTimer, &QTimer::timeout, m_label, &QLabel::hide);
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
    m_label->setText(tr2("Updating library…", "Atualizando biblioteca…"));
    m_label->show();
}

void LibraryStatus::showFinished(int found)
{
    m_label->setText(tr2("%1 files in library", "%1 arquivos na biblioteca").arg(found));
    m_label->show();
    m_hideTimer.start();
}
