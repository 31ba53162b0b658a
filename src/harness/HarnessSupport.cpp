#include "harness/HarnessSupport.h"

#include "engine/PlayerCore.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"
#include "ui/pages/QueuePanel.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace HarnessSupport {

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        waitMs(20);
    }
    return true;
}

QList<DialogCommand> dialogCommands(MainWindow *window)
{
    auto command = [](const char *id) {
        return [id] {
            if (QAction *action = Actions::instance()->action(QString::fromLatin1(id)))
                action->trigger();
        };
    };
    auto windowDialog = [window](const char *id) {
        return [window, id] {
            window->openDialog(QString::fromLatin1(id));
        };
    };
    return {
            {QStringLiteral("open-files"), command("open_file")},
            {QStringLiteral("open-folder"), command("open_folder")},
            {QStringLiteral("open-link"), command("open_url")},
            {QStringLiteral("go-to-time"), command("goto_time")},
            {QStringLiteral("custom-speed"), windowDialog("custom_speed")},
            {QStringLiteral("sleep-timer"), command("sleep_timer")},
            {QStringLiteral("media-info"), command("media_info")},
            {QStringLiteral("load-subtitle"), command("sub_load")},
            {QStringLiteral("save-queue"),
             [window] {
                 // What the queue panel's save button does.
                 QStringList paths;
                 for (const auto &entry : window->player()->queue())
                     paths.append(entry.path);
                 if (!paths.isEmpty())
                     emit window->queuePanel()->saveAsPlaylist(paths);
             }},
            {QStringLiteral("new-playlist"), windowDialog("new_playlist")},
            {QStringLiteral("about"), windowDialog("about")},
            {QStringLiteral("equalizer"), command("eq")},
            {QStringLiteral("picture"), command("image_adjust")},
            {QStringLiteral("subtitles"), command("sub_style")},
    };
}

void useToolkitDialogs()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
}

QString withModalDialog(const std::function<void()> &trigger,
                        const std::function<void(QWidget *)> &onDialog)
{
    QString title;
    bool finished = false;
    int ticks = 0;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QPointer<QWidget> dialog = QApplication::activeModalWidget();
        if (!dialog) {
            // About five seconds without a dialog: the command opened none.
            if (++ticks > 100) {
                poll.stop();
                finished = true;
            }
            return;
        }
        poll.stop();
        waitMs(400); // let it lay out and paint
        if (dialog) {
            title = dialog->windowTitle();
            if (title.isEmpty())
                title = QString::fromLatin1(dialog->metaObject()->className());
            onDialog(dialog);
        }
        if (auto *box = qobject_cast<QDialog *>(dialog.data()))
            box->reject();
        else if (dialog)
            dialog->close();
        finished = true;
    });
    poll.start();
    trigger();
    waitFor([&] { return finished; }, 8000);
    poll.stop();
    return title;
}

QPixmap grabFromScreen(QWidget *window)
{
    QScreen *screen = window->screen();
    const QPixmap picture = screen ? screen->grabWindow(window->winId()) : QPixmap();
    return picture.isNull() ? window->grab() : picture;
}

QPixmap grabWindowWithDialog(QWidget *window, QWidget *dialog)
{
    QPixmap picture = grabFromScreen(window);
    const QPixmap dialogPicture = dialog->grab();
    QPoint at = dialog->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
    // A dialog placed off the window (no window manager) is shown centred.
    if (!QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize())
                 .contains(QRect(at, dialog->size())))
        at = QPoint((window->width() - dialog->width()) / 2,
                    (window->height() - dialog->height()) / 2);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 110)); // dim what is behind
    painter.drawPixmap(at, dialogPicture);
    painter.setPen(QColor(255, 255, 255, 60));
    painter.drawRect(QRect(at, dialog->size()).adjusted(0, 0, -1, -1));
    // Without a window manager there is no title bar; draw a plain one so the
    // picture still says which dialog it is.
    const int barPx = dialog->fontMetrics().height() + 10;
    const QRect bar(at.x(), at.y() - barPx, dialog->width(), barPx);
    if (bar.top() >= 0 && !dialog->windowTitle().isEmpty()) {
        painter.fillRect(bar, QColor(0x1a, 0x26, 0x3a));
        painter.setPen(QColor(0xe9, 0xed, 0xf2));
        painter.setFont(dialog->font());
        painter.drawText(bar.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         dialog->fontMetrics().elidedText(dialog->windowTitle(), Qt::ElideRight,
                                                          bar.width() - 20));
    }
    return picture;
}

QStringList mediaFilesIn(const QString &folder, const QStringList &suffixes)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (suffixes.contains(QFileInfo(path).suffix().toLower()))
            files << path;
    }
    files.sort();
    return files;
}

void reportLine(QStringList &lines, const QString &line)
{
    lines << line;
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

bool writeReport(const QString &file, const QStringList &lines)
{
    if (file.isEmpty())
        return false;
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    const QByteArray text = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    return out.write(text) == text.size();
}

} // namespace HarnessSupport
