// The settings page against a bare peer built in the same run:
//   bench_settings <history rows>
// Steps: the page's construction plus first show (shortcut editors
// included) against the same number of bare widgets of the same kinds made
// in one loop; refreshing the output devices; "Clear all history" over the
// given number of rows against a bare "DELETE FROM history" on the same
// file; adding a library folder. Prints one line of name=value pairs per
// step: ms is the step's own time, stall_ms the longest GUI-thread stall
// seen by the shared probe from the step's start until the loop is idle.
#include "QuietHost.h"
#include "StallProbe.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/Actions.h"
#include "ui/pages/SettingsPage.h"
#include "ui/pages/ShortcutTable.h"
#include "ui/window/ActionBinder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

namespace {

// Runs the event loop until it has been idle (no stall) for a moment.
void settle()
{
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A second connection to the same file, for the bare peer and the fill.
QSqlDatabase peer(const QString &file)
{
    QSqlDatabase db =
            QSqlDatabase::contains(QStringLiteral("peer"))
                    ? QSqlDatabase::database(QStringLiteral("peer"))
                    : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peer"));
    db.setDatabaseName(file);
    db.open();
    return db;
}

void fillHistory(QSqlDatabase db, int rows)
{
    db.transaction();
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO history (path, kind, title, position, duration, "
                                 "last_played, finished) VALUES (?, 'video', ?, 10, 100, ?, 0)"));
    for (int i = 0; i < rows; ++i) {
        query.addBindValue(QStringLiteral("/media/clip %1.mkv").arg(i));
        query.addBindValue(QStringLiteral("clip %1").arg(i));
        query.addBindValue(1700000000 + i);
        query.exec();
    }
    db.commit();
}

template<typename T>
int countOf(QWidget *root)
{
    return int(root->findChildren<T *>().size());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int historyRows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50000;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("bench_settings"));
    uiEnglish = true;
    setSettingValue(QStringLiteral("general/checkUpdates"), false);
    const QString file = home.filePath(QStringLiteral("biblioteca.db"));
    if (!Database::instance()->open(file))
        return 1;
    PlayerCore core;
    QString error;
    if (!core.start(error))
        return 1;
    QuietHost host;
    host.core = &core;
    // The registry as the window fills it, without handlers.
    ActionBinder(Actions::instance()).apply();

    StallProbe probe;
    probe.start();
    auto report = [&probe](const char *name, double ms, double fromMs, const QString &extra) {
        std::printf("step=%s ms=%.2f stall_ms=%.2f %s\n", name, ms,
                    probe.longestStallMs(fromMs, 1e300), qPrintable(extra));
        std::fflush(stdout);
    };

    // The bare peer: the given numbers of widgets of each kind, one loop,
    // shown and painted.
    auto buildBare = [](int labels, int checks, int spins, int edits, int keys) {
        auto *bare = new QWidget;
        auto *layout = new QVBoxLayout(bare);
        for (int i = 0; i < labels; ++i)
            layout->addWidget(new QLabel(QStringLiteral("label %1").arg(i)));
        for (int i = 0; i < checks; ++i)
            layout->addWidget(new QCheckBox(QStringLiteral("check %1").arg(i)));
        for (int i = 0; i < spins; ++i)
            layout->addWidget(new QDoubleSpinBox);
        for (int i = 0; i < edits; ++i)
            layout->addWidget(new QLineEdit);
        for (int i = 0; i < keys; ++i)
            layout->addWidget(new QKeySequenceEdit(QKeySequence(QStringLiteral("Ctrl+K"))));
        bare->resize(1100, 800);
        bare->show();
        settle();
        return bare;
    };
    // Both sides pay for the toolkit's first use (style, fonts) and the
    // library's start equally: once, before either is measured.
    delete buildBare(5, 5, 2, 5, 5);
    Library::instance();

    // The page: construction, then the first show until every editor is built.
    settle();
    double from = probe.nowMs();
    QElapsedTimer clock;
    clock.start();
    auto *page = new SettingsPage(&host);
    const double constructMs = double(clock.nsecsElapsed()) / 1e6;
    settle();
    report("page_construct", constructMs, from, {});
    from = probe.nowMs();
    page->resize(1100, 800);
    page->show();
    while (!page->shortcuts()->isFilled())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    settle();
    const double pageMs = double(clock.nsecsElapsed()) / 1e6;
    report("page_first_show", pageMs, from, {});

    const int labels = countOf<QLabel>(page), checks = countOf<QCheckBox>(page),
              spins = countOf<QAbstractSpinBox>(page), edits = countOf<QLineEdit>(page),
              keys = countOf<QKeySequenceEdit>(page);
    settle();
    from = probe.nowMs();
    clock.restart();
    QWidget *bare = buildBare(labels, checks, spins, edits - keys, keys);
    const double bareMs = double(clock.nsecsElapsed()) / 1e6;
    report("bare_widgets", bareMs, from,
           QStringLiteral("labels=%1 checks=%2 spins=%3 edits=%4 keys=%5 ratio=%6")
                   .arg(labels)
                   .arg(checks)
                   .arg(spins)
                   .arg(edits - keys)
                   .arg(keys)
                   .arg(pageMs / bareMs, 0, 'f', 2));
    delete bare;

    settle();
    from = probe.nowMs();
    clock.restart();
    page->refreshAudioDevices();
    const double devicesMs = double(clock.nsecsElapsed()) / 1e6;
    settle();
    report("refresh_devices", devicesMs, from, {});

    // Clear history as the page does, then the bare statement on the same file.
    fillHistory(peer(file), historyRows);
    settle();
    from = probe.nowMs();
    clock.restart();
    Database::instance()->clearHistory(QString());
    const double clearMs = double(clock.nsecsElapsed()) / 1e6;
    settle();
    report("clear_history", clearMs, from, QStringLiteral("rows=%1").arg(historyRows));
    fillHistory(peer(file), historyRows);
    clock.restart();
    QSqlQuery(peer(file)).exec(QStringLiteral("DELETE FROM history"));
    const double bareClearMs = double(clock.nsecsElapsed()) / 1e6;
    report("bare_delete", bareClearMs, from,
           QStringLiteral("rows=%1 ratio=%2")
                   .arg(historyRows)
                   .arg(clearMs / bareClearMs, 0, 'f', 2));

    // Adding a folder: the call on the GUI thread; the scan runs elsewhere.
    const QString folder = home.filePath(QStringLiteral("Videos"));
    QDir().mkpath(folder);
    settle();
    from = probe.nowMs();
    clock.restart();
    Library::instance()->addFolder(QStringLiteral("video"), folder);
    const double addMs = double(clock.nsecsElapsed()) / 1e6;
    settle();
    report("add_folder", addMs, from, {});
    delete page;
    return 0;
}
