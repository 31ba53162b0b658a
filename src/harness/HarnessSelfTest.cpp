#include "harness/HarnessSelfTest.h"

#include "engine/PlayerCore.h"
#include "harness/HarnessSupport.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>

using HarnessSupport::waitFor;
using HarnessSupport::waitMs;

namespace {

QString name(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString seconds(double value)
{
    return QString::number(value, 'f', 2);
}

} // namespace

HarnessSelfTest::HarnessSelfTest(MainWindow *window, PlayerCore *core, const QString &reportFile,
                                 const QStringList &mediaFiles)
    : QObject(window)
    , m_window(window)
    , m_core(core)
    , m_reportFile(reportFile)
    , m_files(mediaFiles)
{
    connect(core, &PlayerCore::fileStarted, this, [this] { ++m_started; });
    connect(core, &PlayerCore::fileLoaded, this, [this] { ++m_loaded; });
    connect(core, &PlayerCore::fileEnded, this,
            [this](const QString &path, const QString &reason, double, double) {
                m_endPaths << path;
                m_endReasons << reason;
            });
    connect(core, &PlayerCore::errorMessage, this, [this](const QString &msg) { m_errors << msg; });
}

void HarnessSelfTest::start(MainWindow *window, PlayerCore *core, const QString &reportFile,
                            const QStringList &mediaFiles)
{
    auto *test = new HarnessSelfTest(window, core, reportFile, mediaFiles);
    QTimer::singleShot(0, test, [test] { test->run(); });
}

void HarnessSelfTest::check(bool passed, const QString &what, const QString &failure)
{
    if (passed) {
        HarnessSupport::reportLine(m_lines, QStringLiteral("ok   ") + what);
        return;
    }
    ++m_failures;
    HarnessSupport::reportLine(m_lines,
                               QStringLiteral("FAIL ") + what + QStringLiteral(": ") + failure);
}

void HarnessSelfTest::skip(const QString &what)
{
    HarnessSupport::reportLine(m_lines, QStringLiteral("skip ") + what);
}

bool HarnessSelfTest::waitLoaded(const QString &path, int timeoutMs)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    return waitFor(
            [&] {
                return !m_core->isIdle() && m_core->duration() > 0 &&
                       QFileInfo(m_core->currentPath()).absoluteFilePath() == wanted;
            },
            timeoutMs);
}

void HarnessSelfTest::run()
{
    HarnessSupport::reportLine(m_lines,
                               QStringLiteral("# self-test of %1 file(s)").arg(m_files.size()));
    if (m_files.isEmpty())
        check(false, QStringLiteral("media files given"),
              QStringLiteral("none on the command line"));

    QStringList playable;
    for (const QString &file : std::as_const(m_files)) {
        const QFileInfo info(file);
        const bool readable = info.isFile() && info.isReadable();
        check(readable, QStringLiteral("file exists %1").arg(file),
              QStringLiteral("missing or unreadable"));
        if (readable)
            playable << info.absoluteFilePath();
    }
    m_files = playable;

    if (!m_files.isEmpty()) {
        m_window->playPaths(m_files, 0);
        checkPlaybackOf(m_files.first());
        checkSeekAndPause();
        checkNextPrevious();
        checkEndOfFile();
    }
    for (const QString &error : std::as_const(m_errors))
        HarnessSupport::reportLine(m_lines, QStringLiteral("# engine message: ") + error);
    finish();
}

void HarnessSelfTest::checkPlaybackOf(const QString &path)
{
    check(waitFor([&] { return m_started > 0; }, 15000), QStringLiteral("start-file"),
          QStringLiteral("no start-file event within 15 s"));
    const bool loaded = waitFor([&] { return m_loaded > 0; }, 15000) && waitLoaded(path, 5000);
    check(loaded, QStringLiteral("file-loaded %1").arg(name(path)),
          QStringLiteral("not loaded within 20 s (current: \"%1\", duration %2)")
                  .arg(m_core->currentPath(), seconds(m_core->duration())));
    if (!loaded)
        return;
    const double first = m_core->position();
    const bool advancing = waitFor([&] { return m_core->position() > first + 0.3; }, 8000);
    check(advancing, QStringLiteral("position advancing"),
          QStringLiteral("stayed at %1 s for 8 s").arg(seconds(m_core->position())));
}

void HarnessSelfTest::checkSeekAndPause()
{
    const double duration = m_core->duration();
    if (m_core->isIdle() || duration <= 0) {
        check(false, QStringLiteral("seek"), QStringLiteral("nothing is playing"));
        check(false, QStringLiteral("pause and resume"), QStringLiteral("nothing is playing"));
        return;
    }
    // Land well before the end so the rest of the checks still have time.
    const double target = std::max(0.0, std::min(duration * 0.5, duration - 2.0));
    m_core->seekAbsolute(target);
    const bool landed = waitFor([&] { return std::abs(m_core->position() - target) < 0.75; }, 6000);
    check(landed, QStringLiteral("seek to %1 s").arg(seconds(target)),
          QStringLiteral("position is %1 s").arg(seconds(m_core->position())));

    m_core->setPaused(true);
    const bool paused = waitFor([&] { return m_core->isPaused(); }, 3000);
    waitMs(300); // the last position report of the running clock may still arrive
    const double held = m_core->position();
    waitMs(800);
    const double drift = std::abs(m_core->position() - held);
    check(paused && drift < 0.05, QStringLiteral("pause holds the position"),
          paused ? QStringLiteral("moved %1 s while paused").arg(seconds(drift))
                 : QStringLiteral("engine did not report pause"));

    m_core->setPaused(false);
    const bool resumed =
            waitFor([&] { return !m_core->isPaused() && m_core->position() > held + 0.2; }, 6000);
    check(resumed, QStringLiteral("resume advances the position"),
          QStringLiteral("position %1 s, paused %2")
                  .arg(seconds(m_core->position()))
                  .arg(m_core->isPaused() ? QStringLiteral("yes") : QStringLiteral("no")));
}

void HarnessSelfTest::checkNextPrevious()
{
    if (m_files.size() < 2) {
        skip(QStringLiteral("next and previous (needs two files)"));
        return;
    }
    m_core->next();
    check(waitLoaded(m_files.at(1), 15000),
          QStringLiteral("next plays %1").arg(name(m_files.at(1))),
          QStringLiteral("current is \"%1\"").arg(m_core->currentPath()));
    m_core->previous();
    check(waitLoaded(m_files.at(0), 15000),
          QStringLiteral("previous plays %1").arg(name(m_files.at(0))),
          QStringLiteral("current is \"%1\"").arg(m_core->currentPath()));
}

void HarnessSelfTest::checkEndOfFile()
{
    const QString path = m_files.first();
    if (!waitLoaded(path, 5000)) {
        check(false, QStringLiteral("end-file eof"),
              QStringLiteral("%1 is not the current item").arg(name(path)));
        return;
    }
    const qsizetype before = m_endReasons.size();
    m_core->seekAbsolute(std::max(0.0, m_core->duration() - 1.0));
    auto endedHere = [&]() -> qsizetype {
        for (qsizetype i = before; i < m_endReasons.size(); ++i)
            if (QFileInfo(m_endPaths.at(i)).absoluteFilePath() == path)
                return i;
        return -1;
    };
    const bool ended = waitFor([&] { return endedHere() >= 0; }, 15000);
    const QString reason = ended ? m_endReasons.at(endedHere()) : QString();
    check(ended && reason == QLatin1String("eof"),
          QStringLiteral("end-file eof %1").arg(name(path)),
          ended ? QStringLiteral("reason \"%1\"").arg(reason)
                : QStringLiteral("no end-file within 15 s"));
    if (m_files.size() >= 2) {
        check(waitLoaded(m_files.at(1), 15000), QStringLiteral("queue moves on after eof"),
              QStringLiteral("current is \"%1\"").arg(m_core->currentPath()));
    }
}

void HarnessSelfTest::finish()
{
    HarnessSupport::reportLine(
            m_lines, m_failures == 0
                             ? QStringLiteral("# result: ok")
                             : QStringLiteral("# result: FAIL (%1 failed)").arg(m_failures));
    int code = m_failures == 0 ? 0 : 1;
    if (!HarnessSupport::writeReport(m_reportFile, m_lines)) {
        std::fprintf(stderr, "cannot write the report to \"%s\"\n",
                     m_reportFile.toLocal8Bit().constData());
        code = 2;
    }
    m_core->stop();
    QCoreApplication::exit(code);
}
