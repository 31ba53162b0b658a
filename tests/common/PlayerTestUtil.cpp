#include "PlayerTestUtil.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"

#include <QCoreApplication>
#include <QDebug>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace PlayerTestUtil {

bool useTestHome(const QString &home, const QString &applicationName)
{
    qputenv("HOME", home.toUtf8());
    qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(applicationName);
    if (!dataDir().startsWith(home)) {
        qWarning("data folder %s is outside the test home", qPrintable(dataDir()));
        return false;
    }
    uiEnglish = true;
    // Tests never ask the maker's server for updates.
    setSettingValue(QStringLiteral("general/checkUpdates"), false);
    return Database::instance()->open();
}

bool stopAndWaitIdle(PlayerCore &core)
{
    if (core.isIdle())
        return true;
    core.stop();
    return QTest::qWaitFor([&core] { return core.isIdle(); }, 10000);
}

std::unique_ptr<PlayerCore> startCore()
{
    auto core = std::make_unique<PlayerCore>();
    QString error;
    if (!core->start(error)) {
        qWarning("start failed: %s", qPrintable(error));
        return nullptr;
    }
    return core;
}

bool playAndWait(PlayerCore &core, const QStringList &paths, int start, int expectPos)
{
    QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
    core.playFiles(paths, start);
    const bool ok = QTest::qWaitFor(
            [&] {
                return loaded.count() > 0 && core.queuePos() == expectPos &&
                       core.currentPath() == paths.value(expectPos) && core.duration() > 0;
            },
            EngineWaitMs);
    if (!ok) {
        qWarning() << "not playing as expected: loaded" << loaded.count() << "pos"
                   << core.queuePos() << "path" << core.currentPath() << "duration"
                   << core.duration();
    }
    return ok;
}

bool seekPausedTo(PlayerCore &core, double seconds, double tolerance)
{
    core.setPaused(true);
    if (!QTest::qWaitFor([&] { return core.isPaused(); }, EngineWaitMs))
        return false;
    core.seekAbsolute(seconds);
    const bool ok = QTest::qWaitFor([&] { return qAbs(core.position() - seconds) < tolerance; },
                                    EngineWaitMs);
    if (!ok)
        qWarning() << "seek to" << seconds << "ended at" << core.position();
    return ok;
}

QStringList queuePaths(const PlayerCore &core)
{
    QStringList paths;
    for (const QueueEntry &entry : core.queue())
        paths << entry.path;
    return paths;
}

QString engineFilterText(const QStringList &filters)
{
    static const QRegularExpression lavfi(QStringLiteral("^(@[^:]+:lavfi=)\\[(.*)\\]$"));
    QStringList out;
    for (const QString &filter : filters) {
        const QRegularExpressionMatch match = lavfi.match(filter);
        if (!match.hasMatch()) {
            out << filter;
            continue;
        }
        const QString graph = match.captured(2);
        out << match.captured(1) + QStringLiteral("graph=%") +
                        QString::number(graph.toUtf8().size()) + QLatin1Char('%') + graph;
    }
    return out.join(QLatin1Char(','));
}

} // namespace PlayerTestUtil
