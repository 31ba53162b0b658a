#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class MainWindow;
class QWidget;
class QPixmap;

// Small pieces shared by the unattended routines (self-test, screenshots,
// interface audit). They run linearly on the GUI thread and let the event
// loop turn while they wait.
namespace HarnessSupport {

// Lets the event loop run for the given time.
void waitMs(int ms);

// Lets the event loop run until condition holds or timeoutMs passes; true
// when the condition held.
bool waitFor(const std::function<bool()> &condition, int timeoutMs);

// One dialog of the main window: a stable name for pictures and reports
// ("open-link") and the call that opens it (which blocks while it is open).
struct DialogCommand
{
    QString name;
    std::function<void()> open;
};

// Every dialog the window can open, in a fixed order. Some need media loaded
// (go to time, media information) or a queue (save queue).
QList<DialogCommand> dialogCommands(MainWindow *window);

// Keeps the file dialogs inside the toolkit, where they can be found and
// painted like any other dialog.
void useToolkitDialogs();

// Runs trigger, which may open a modal dialog (blocking or not). When a modal
// dialog appears within a few seconds it is painted, handed to onDialog and
// then rejected. Returns the dialog's window title, or an empty text when
// none appeared.
QString withModalDialog(const std::function<void()> &trigger,
                        const std::function<void(QWidget *)> &onDialog);

// What the screen shows of the window: a widget grab would miss the video,
// which is drawn into a native window of its own.
QPixmap grabFromScreen(QWidget *window);

// The window with the dialog painted over it where it stands on screen, so a
// picture of a dialog keeps the window's size.
QPixmap grabWindowWithDialog(QWidget *window, QWidget *dialog);

// Media files under folder (recursively), sorted by path.
QStringList mediaFilesIn(const QString &folder, const QStringList &suffixes);

// Writes line to standard output at once and appends it to lines.
void reportLine(QStringList &lines, const QString &line);

// Writes lines to file with a trailing line feed; false when it cannot.
bool writeReport(const QString &file, const QStringList &lines);

} // namespace HarnessSupport
