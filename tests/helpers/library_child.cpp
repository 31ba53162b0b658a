// A child process for the library tests that need a process of their own: a
// fresh home (first-run folders), another user (unreadable files), a quit in
// the middle of a scan, a crash inside the tag reader, and scans in rounds
// that the durability test kills.
//
//   library_child folders                  prints the folders of both kinds
//   library_child scan <folder>...         scans audio folders, prints rows
//   library_child quit <folder>            quits as soon as the scan started
//   library_child crash <journal> <path>   crashes while "reading" path
//   library_child rounds <folder>          scans, changes files, scans, ...
#include "app/AppSettings.h"
#include "library/Database.h"
#include "library/Library.h"
#include "library/ScanJournal.h"
#include "platform/FileSystemCalls.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <utime.h>

namespace {

void print(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void printRows()
{
    QSqlQuery query(
            QStringLiteral("SELECT in_library, path, title, size, mtime FROM media ORDER BY path"));
    while (query.next())
        print(QStringLiteral("row %1 %2\t%3\t%4\t%5")
                      .arg(query.value(0).toInt())
                      .arg(query.value(1).toString(), query.value(2).toString())
                      .arg(query.value(3).toLongLong())
                      .arg(query.value(4).toLongLong()));
}

// Rewrites every third file of the tree with one more byte or a new time,
// so that each round has something to read and store.
void changeSome(const QString &folder, int round)
{
    QDirIterator it(folder, {QStringLiteral("*.mp3")}, QDir::Files, QDirIterator::Subdirectories);
    int i = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        if ((i++ + round) % 3 != 0)
            continue;
        if (round % 2 == 0) {
            QFile file(path);
            if (file.open(QIODevice::Append))
                file.write("x", 1);
        } else {
            const utimbuf times{time_t(1000000 + round), time_t(1000000 + round)};
            ::utime(QFile::encodeName(path).constData(), &times);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    // The first-run folders come from the user's real XDG files (the test
    // points HOME and XDG_* at a temporary folder); test mode would hide them.
    const bool firstRun = argc > 1 && QByteArray(argv[1]) == "folders";
    QStandardPaths::setTestModeEnabled(!firstRun);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("library_child"));
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);

    if (mode == QLatin1String("crash")) {
        ScanJournal journal(args.value(1));
        journal.watchThisThread();
        journal.beginRead(QFile::encodeName(args.value(2)), QFileInfo(args.value(2)).size(),
                          QFileInfo(args.value(2)).lastModified().toMSecsSinceEpoch());
        std::raise(SIGSEGV);
        return 0;
    }
    if (mode == QLatin1String("folders")) {
        Library *library = Library::instance();
        print(QStringLiteral("audio=") + library->folders(QStringLiteral("audio")).join('|'));
        print(QStringLiteral("video=") + library->folders(QStringLiteral("video")).join('|'));
        return 0;
    }

    if (!Database::instance()->open())
        return 3;
    appSettings().setValue(QStringLiteral("library/audio"), args.mid(1));
    appSettings().setValue(QStringLiteral("library/video"), QStringList());
    Library *library = Library::instance();

    if (mode == QLatin1String("scan")) {
        print(QStringLiteral("uid %1").arg(::getuid()));
        QObject::connect(library, &Library::scanFinished, &app, [](int found) {
            print(QStringLiteral("found %1").arg(found));
            printRows();
            QCoreApplication::quit();
        });
        library->startScan();
        return app.exec();
    }
    if (mode == QLatin1String("quit")) {
        QElapsedTimer timer;
        QObject::connect(library, &Library::scanStarted, &app, [&timer] {
            QTimer::singleShot(20, [&timer] {
                timer.start();
                QCoreApplication::quit();
            });
        });
        QObject::connect(library, &Library::scanFinished, &app,
                         [](int) { print(QStringLiteral("finished before quit")); });
        library->startScan();
        app.exec();
        delete library; // as the application object would, with its children
        print(QStringLiteral("quit took %1 ms").arg(timer.elapsed()));
        QSqlQuery count(QStringLiteral("SELECT COUNT(*) FROM media"));
        print(QStringLiteral("rows %1").arg(count.next() ? count.value(0).toInt() : -1));
        return 0;
    }
    if (mode == QLatin1String("rounds")) {
        int round = 0;
        // Says once per round when storing began, so kills can aim at it.
        int storingRound = -1;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            if (library->isStoring() && storingRound != round) {
                storingRound = round;
                print(QStringLiteral("storing %1").arg(round));
            }
        });
        poll.start(0);
        QObject::connect(library, &Library::scanFinished, &app, [&](int found) {
            print(QStringLiteral("round %1 found %2").arg(round).arg(found));
            changeSome(args.value(1), ++round);
            library->startScan();
        });
        library->startScan();
        return app.exec();
    }
    return 2;
}
