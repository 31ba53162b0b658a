// The equalizer dialog's cost on the GUI thread while a file plays: each of
// 240 band-slider steps (settings writes and eleven filter commands) against
// a bare loop sending the same eleven "af-command" commands through the
// engine API, alternating in the same run. Then the longest GUI-thread stall
// while each dialog opens (synchronous property reads) and while each of its
// sliders is dragged during playback.
//
// Usage: bench_equalizer [rounds]   (bench/equalizer.sh sets up a display)

#include "StallProbe.h"
#include "app/AppSettings.h"
#include "engine/AudioFilters.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "ui/Theme.h"
#include "ui/dialogs/EqualizerDialog.h"
#include "ui/dialogs/ImageDialog.h"
#include "ui/dialogs/SubtitleDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int Steps = 240;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The GUI-thread stall while the action runs and for a moment after it.
double stallDuring(const std::function<void()> &action)
{
    StallProbe probe;
    probe.start();
    QTest::qWait(50);
    action();
    QTest::qWait(100);
    probe.stop();
    return probe.longestStallMs();
}

// Moves the slider across its whole range and back in single steps, with
// the event loop running between steps as during a drag.
void drag(QSlider *slider, int steps)
{
    slider->setFocus();
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(slider, i < steps / 2 ? Qt::Key_Up : Qt::Key_Down);
        QTest::qWait(2);
    }
}

int run(int rounds)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_equalizer"));
    uiEnglish = true;
    applyTheme(*qApp);
    const QString tone = home.filePath(QStringLiteral("tone.flac"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                  "sine=frequency=1000:duration=600", tone});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }

    PlayerCore core;
    QString error;
    if (!core.start(error)) {
        std::fprintf(stderr, "engine: %s\n", qPrintable(error));
        return 1;
    }
    core.playFiles({tone}, 0);
    if (!QTest::qWaitFor([&] { return core.position() > 0.5; }, 15000)) {
        std::fprintf(stderr, "the tone does not play\n");
        return 1;
    }

    StallProbe idle;
    idle.start();
    QTest::qWait(1000);
    idle.stop();
    std::printf("longest GUI stall, idle for 1 s: %.1f ms\n", idle.longestStallMs());

    // Opening each dialog (and showing it).
    const struct
    {
        const char *name;
        std::function<std::unique_ptr<QDialog>()> make;
    } dialogs[] = {
            {"equalizer",
             [&] {
                 return std::make_unique<EqualizerDialog>(&core);
             }},
            {"picture",
             [&] {
                 return std::make_unique<ImageDialog>(&core);
             }},
            {"subtitles",
             [&] {
                 return std::make_unique<SubtitleDialog>(&core);
             }},
    };
    for (const auto &d : dialogs) {
        std::unique_ptr<QDialog> dialog;
        const double stall = stallDuring([&] {
            dialog = d.make();
            dialog->show();
        });
        std::printf("longest GUI stall, opening the %s dialog: %.1f ms\n", d.name, stall);
        // Every slider dragged during playback.
        double dragStall = 0;
        for (QSlider *slider : dialog->findChildren<QSlider *>())
            dragStall = std::max(dragStall, stallDuring([&] { drag(slider, 20); }));
        std::printf("longest GUI stall, dragging the %s sliders: %.1f ms\n", d.name, dragStall);
        if (auto *image = qobject_cast<ImageDialog *>(dialog.get()))
            image->resetButton()->click();
    }

    EqualizerDialog dialog(&core);
    dialog.show();
    if (!dialog.enabledBox()->isChecked())
        dialog.enabledBox()->click();
    if (!QTest::qWaitFor(
                [&] { return getPropertyNode(core.handle(), "af-metadata/eq5").isValid(); },
                15000)) {
        std::fprintf(stderr, "the equalizer chain does not run\n");
        return 1;
    }
    QSlider *band = dialog.bandSliders()[5];
    std::vector<double> dialogMs, coreMs, bareMs;
    QList<double> gains(10, 0.0);
    QElapsedTimer clock;
    for (int round = 0; round < rounds; ++round) {
        // The dialog: from -12 dB to +12 dB in tenths.
        // Stepped as a drag moves it (the slider's own action, without the
        // test library's key handling in the figure).
        band->triggerAction(QAbstractSlider::SliderToMinimum);
        QTest::qWait(20);
        for (int step = 0; step < Steps; ++step) {
            clock.start();
            band->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            dialogMs.push_back(clock.nsecsElapsed() / 1e6);
            QTest::qWait(2);
        }
        // The player's own call without the dialog: what the settings
        // writes and the key handling add is the difference.
        for (int step = 0; step < Steps; ++step) {
            gains[5] = (step + 1 - 120) / 10.0;
            clock.start();
            core.setEqualizer(true, gains, 0);
            coreMs.push_back(clock.nsecsElapsed() / 1e6);
            QTest::qWait(2);
        }
        // The bare loop: the same eleven commands for the same gains.
        for (int step = 0; step < Steps; ++step) {
            gains[5] = (step + 1 - 120) / 10.0;
            const QList<QStringList> commands = equalizerCommands(0, gains);
            clock.start();
            for (const QStringList &command : commands)
                runCommandQuietly(core.handle(), command);
            bareMs.push_back(clock.nsecsElapsed() / 1e6);
            QTest::qWait(2);
        }
    }
    const double dialogMedian = median(dialogMs);
    const double bareMedian = median(bareMs);
    std::printf("band step, dialog: median %.3f ms, max %.3f ms (%zu steps)\n", dialogMedian,
                *std::max_element(dialogMs.begin(), dialogMs.end()), dialogMs.size());
    std::printf("band step, PlayerCore::setEqualizer alone: median %.3f ms, max %.3f ms\n",
                median(coreMs), *std::max_element(coreMs.begin(), coreMs.end()));
    std::printf("band step, bare af-command loop: median %.3f ms, max %.3f ms\n", bareMedian,
                *std::max_element(bareMs.begin(), bareMs.end()));
    std::printf("ratio of medians: %.2f\n", dialogMedian / bareMedian);
    // The drag ends at the top of the range; anything else means steps were lost.
    std::printf("1 kHz band after the drag: %.1f dB in the engine\n", core.eqGains()[5]);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    return run(rounds);
}
