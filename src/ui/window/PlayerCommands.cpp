#include "ui/window/PlayerCommands.h"

#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/PlayerCore.h"
#include "ui/GotoTime.h"
#include "ui/SpeedText.h"
#include "ui/UiText.h"
#include "ui/dialogs/EqualizerDialog.h"
#include "ui/dialogs/ImageDialog.h"
#include "ui/dialogs/SubtitleDialog.h"
#include "ui/window/ActionBinder.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

constexpr int MsPerMinute = 60000;
constexpr int DefaultSleepMinutes = 30;
constexpr int MaxSleepMinutes = 240;
constexpr int SleepStepMinutes = 5;

// Shortest form of a number: 10, -60, 2.5.
QString shortNumber(double value)
{
    return QString::number(value, 'g', 6);
}

struct AspectMode
{
    const char *english;
    const char *portuguese;
    // The engine's aspect override; fill and stretch keep the file's own.
    const char *ratio;
    double panScan;
    bool keepAspect;
};

const AspectMode AspectModes[] = {
        {"Auto", "Automática", "-1", 0, true},
        {"16:9", "16:9", "16:9", 0, true},
        {"4:3", "4:3", "4:3", 0, true},
        {"21:9", "21:9", "2.33", 0, true},
        {"2,35:1", "2,35:1", "2.35", 0, true},
        {"1:1", "1:1", "1:1", 0, true},
        {"9:16", "9:16", "9:16", 0, true},
        {"Fill screen (crop)", "Preencher a tela (corta bordas)", "-1", 1.0, true},
        {"Stretch", "Esticar", "-1", 0, false},
};

} // namespace

PlayerCommands::PlayerCommands(PlayerCore *core, QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_dialogParent(dialogParent)
{
    m_sleepTimer.setSingleShot(true);
    connect(&m_sleepTimer, &QTimer::timeout, this, [this] {
        m_core->setPaused(true);
        Q_EMIT sleepTimerFired();
        Q_EMIT toast(tr2("Sleep timer: playback paused", "Temporizador: reprodução pausada"));
    });
}

void PlayerCommands::bindActions(ActionBinder &binder)
{
    PlayerCore *core = m_core;
    auto seekStep = [] {
        return settingValue(QStringLiteral("playback/seekStep"), DefaultSeekStepSeconds).toDouble();
    };
    auto speedStep = [] {
        return settingValue(QStringLiteral("playback/speedStep"), DefaultSpeedStep).toDouble();
    };
    auto bind = [this, &binder](const char *id, std::function<void()> handler) {
        binder.bind(id, this, std::move(handler));
    };
    binder.bind("play_pause", core, [core] { core->togglePause(); });
    binder.bind("stop", core, [core] { core->stop(); });
    binder.bind("next", core, [core] { core->next(); });
    binder.bind("prev", core, [core] { core->previous(); });
    binder.bind("frame_next", core, [core] { core->frameStep(false); });
    binder.bind("frame_prev", core, [core] { core->frameStep(true); });
    binder.bind("chapter_next", core, [core] { core->chapterStep(true); });
    binder.bind("chapter_prev", core, [core] { core->chapterStep(false); });

    bind("sleep_timer", [this] { showSleepTimerDialog(); });
    bind("seek_fwd", [this, seekStep] { seekBy(seekStep()); });
    bind("seek_back", [this, seekStep] { seekBy(-seekStep()); });
    bind("seek_fwd10", [this] { seekBy(LongSeekSeconds); });
    bind("seek_back10", [this] { seekBy(-LongSeekSeconds); });
    bind("seek_fwd60", [this] { seekBy(MinuteSeekSeconds); });
    bind("seek_back60", [this] { seekBy(-MinuteSeekSeconds); });
    bind("speed_up", [this, speedStep] { applySpeed(m_core->speed() + speedStep()); });
    bind("speed_down", [this, speedStep] { applySpeed(m_core->speed() - speedStep()); });
    bind("speed_fine_up", [this] { applySpeed(m_core->speed() + FineSpeedStep); });
    bind("speed_fine_down", [this] { applySpeed(m_core->speed() - FineSpeedStep); });
    bind("speed_reset", [this] { applySpeed(1.0); });
    bind("ab_loop", [this] { toggleAbLoop(); });
    bind("repeat", [this] { cycleRepeat(); });
    bind("shuffle", [this] { toggleShuffle(); });
    bind("goto_time", [this] { showGotoTimeDialog(); });

    bind("vol_up", [this] { changeVolumeBy(VolumeStepPercent); });
    bind("vol_down", [this] { changeVolumeBy(-VolumeStepPercent); });
    bind("mute", [this] { toggleMute(); });
    bind("audio_cycle", [this] { cycleTrack(QStringLiteral("audio")); });
    bind("audio_delay_plus", [this] { changeAudioDelay(DelayStepSeconds); });
    bind("audio_delay_minus", [this] { changeAudioDelay(-DelayStepSeconds); });
    bind("eq", [this] { showEqualizer(); });
    bind("normalize", [this] { toggleNormalize(); });

    bind("aspect_cycle", [this] { cycleAspect(); });
    bind("zoom_in", [this] { zoomBy(ZoomStepLog2); });
    bind("zoom_out", [this] { zoomBy(-ZoomStepLog2); });
    bind("zoom_reset", [this] { resetZoom(); });
    bind("rotate", [this] { rotateVideo(); });
    bind("mirror", [this] { toggleMirror(); });
    bind("image_adjust", [this] { showImageAdjust(); });
    bind("screenshot", [this] { takeScreenshot(false); });
    bind("screenshot_subs", [this] { takeScreenshot(true); });
    bind("media_info", [this] { showMediaInfo(); });

    bind("sub_cycle", [this] { cycleTrack(QStringLiteral("sub")); });
    bind("sub_delay_plus", [this] { changeSubDelay(DelayStepSeconds); });
    bind("sub_delay_minus", [this] { changeSubDelay(-DelayStepSeconds); });
    bind("sub_style", [this] { showSubtitleStyle(); });
}

QList<QAction *> PlayerCommands::seekPercentActions(QObject *parent)
{
    QList<QAction *> actions;
    for (int digit = 0; digit <= 9; ++digit) {
        auto *action = new QAction(parent);
        action->setObjectName(QStringLiteral("seek_percent_%1").arg(digit * 10));
        action->setShortcut(QKeySequence(Qt::Key_0 + digit));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, digit] {
            if (m_core->duration() > 0)
                m_core->seekPercent(digit * 10);
        });
        actions.append(action);
    }
    return actions;
}

void PlayerCommands::seekBy(double seconds)
{
    if (m_core->isIdle())
        return;
    m_core->seekRelative(seconds);
    Q_EMIT toast((seconds > 0 ? QStringLiteral("+") : QString()) + shortNumber(seconds) +
                 QStringLiteral(" s"));
}

void PlayerCommands::changeVolumeBy(double deltaPercent)
{
    // Steps from the engine's own value: the mirrored one lags until the
    // change is reported, and a fast scroll would step from a stale value.
    const double volume = std::clamp(m_core->engineVolume() + deltaPercent, 0.0, MaxVolumePercent);
    m_core->setVolume(volume);
    Q_EMIT toast(QStringLiteral("Volume %1%").arg(static_cast<int>(volume)));
}

void PlayerCommands::applySpeed(double speed)
{
    const double value = std::clamp(std::round(speed * 100.0) / 100.0, MinSpeed, MaxSpeed);
    m_core->setSpeed(value);
    Q_EMIT toast(tr2("Speed %1", "Velocidade %1").arg(speedText(value)));
}

int PlayerCommands::aspectCount()
{
    return int(std::size(AspectModes));
}

QString PlayerCommands::aspectLabel(int index)
{
    const AspectMode &mode = AspectModes[std::clamp(index, 0, aspectCount() - 1)];
    return tr2(mode.english, mode.portuguese);
}

void PlayerCommands::applyAspect(int index)
{
    m_aspectIndex = std::clamp(index, 0, aspectCount() - 1);
    const AspectMode &mode = AspectModes[m_aspectIndex];
    m_core->setAspectOverride(QString::fromLatin1(mode.ratio), mode.panScan, mode.keepAspect);
    Q_EMIT toast(tr2("Aspect: ", "Proporção: ") + aspectLabel(m_aspectIndex));
}

void PlayerCommands::zoomBy(double stepLog2)
{
    m_zoomLog2 = std::clamp(m_zoomLog2 + stepLog2, -MaxZoomLog2, MaxZoomLog2);
    m_core->setVideoZoom(m_zoomLog2);
    Q_EMIT toast(QStringLiteral("Zoom %1%").arg(static_cast<int>(std::pow(2.0, m_zoomLog2) * 100)));
}

void PlayerCommands::resetZoom()
{
    m_zoomLog2 = 0;
    m_core->setVideoZoom(0);
    m_core->resetVideoPan();
    Q_EMIT toast(QStringLiteral("Zoom 100%"));
}

void PlayerCommands::rotateVideo()
{
    m_rotationDegrees = (m_rotationDegrees + 90) % 360;
    m_core->setVideoRotation(m_rotationDegrees);
    Q_EMIT toast(tr2("Rotation %1°", "Rotação %1°").arg(m_rotationDegrees));
}

void PlayerCommands::toggleMirror()
{
    const bool on = !m_core->mirror();
    m_core->setMirror(on);
    Q_EMIT mirrorChanged(on);
    Q_EMIT toast(on ? tr2("Mirrored", "Espelhado") : tr2("Mirror off", "Espelho desligado"));
}

void PlayerCommands::toggleNormalize()
{
    const bool on = !settingValue(QStringLiteral("audio/normalize"), false).toBool();
    appSettings().setValue(QStringLiteral("audio/normalize"), on);
    m_core->setNormalize(on);
    Q_EMIT normalizeChanged(on);
    Q_EMIT toast(on ? tr2("Normalization on", "Normalização ligada")
                    : tr2("Normalization off", "Normalização desligada"));
}

void PlayerCommands::cycleRepeat()
{
    switch (m_core->repeat()) {
    case PlayerCore::RepeatOff:
        m_core->setRepeat(PlayerCore::RepeatAll);
        Q_EMIT toast(tr2("Repeat all", "Repetir a fila"));
        break;
    case PlayerCore::RepeatAll:
        m_core->setRepeat(PlayerCore::RepeatOne);
        Q_EMIT toast(tr2("Repeat one", "Repetir esta faixa"));
        break;
    default:
        m_core->setRepeat(PlayerCore::RepeatOff);
        Q_EMIT toast(tr2("Repeat off", "Repetição desligada"));
        break;
    }
}

void PlayerCommands::toggleShuffle()
{
    const bool on = !m_core->shuffle();
    m_core->setShuffle(on);
    Q_EMIT toast(on ? tr2("Shuffle on", "Aleatório ligado")
                    : tr2("Shuffle off", "Aleatório desligado"));
}

void PlayerCommands::toggleMute()
{
    const bool on = !m_core->isMuted();
    m_core->setMute(on);
    Q_EMIT toast(on ? tr2("Muted", "Mudo") : tr2("Sound on", "Som ligado"));
}

void PlayerCommands::cycleTrack(const QString &kind)
{
    m_core->cycleTrack(kind);
    QTimer::singleShot(TrackToastDelayMs, this, [this, kind] {
        const auto tracks = m_core->tracksOfType(kind);
        if (kind == QLatin1String("audio")) {
            for (const auto &track : tracks) {
                if (track.selected)
                    Q_EMIT toast(tr2("Audio: ", "Áudio: ") + track.trackLabel());
            }
            return;
        }
        QString label = tr2("off", "desligada");
        for (const auto &track : tracks) {
            if (track.selected)
                label = track.trackLabel();
        }
        Q_EMIT toast(tr2("Subtitle: ", "Legenda: ") + label);
    });
}

void PlayerCommands::changeAudioDelay(double deltaSeconds)
{
    const double value = m_core->audioDelay() + deltaSeconds;
    m_core->setAudioDelay(value);
    Q_EMIT toast(tr2("Audio delay: %1 s", "Atraso do áudio: %1 s").arg(value, 0, 'f', 2));
}

void PlayerCommands::changeSubDelay(double deltaSeconds)
{
    const double value = m_core->subDelay() + deltaSeconds;
    m_core->setSubDelay(value);
    Q_EMIT toast(tr2("Subtitle delay: %1 s", "Atraso da legenda: %1 s").arg(value, 0, 'f', 2));
}

void PlayerCommands::toggleAbLoop()
{
    m_core->toggleAbLoop();
    QTimer::singleShot(LoopToastDelayMs, this, [this] { showAbLoopState(); });
}

void PlayerCommands::showAbLoopState()
{
    const double a = m_core->abLoopA();
    const double b = m_core->abLoopB();
    if (a >= 0 && b >= 0)
        Q_EMIT toast(
                tr2("Looping %1 – %2", "Repetindo de %1 a %2").arg(formatTime(a), formatTime(b)));
    else if (a < 0)
        Q_EMIT toast(tr2("A-B repeat off", "Repetição A-B desligada"));
    else
        Q_EMIT toast(tr2("A set at %1 · press again for B",
                         "Início A em %1 · aperte de novo para marcar o fim B")
                             .arg(formatTime(a)));
}

void PlayerCommands::takeScreenshot(bool withSubtitles)
{
    if (!m_core->hasVideo()) {
        Q_EMIT toast(tr2("Nothing to capture", "Nada para capturar"));
        return;
    }
    const QString file = m_core->takeScreenshot(withSubtitles);
    if (file.isEmpty())
        Q_EMIT toast(tr2("Screenshot failed", "Falha na captura"));
    else
        Q_EMIT toast(tr2("Saved to ", "Captura salva em ") +
                     QDir::toNativeSeparators(QFileInfo(file).absolutePath()));
}

void PlayerCommands::startSleepTimer(int minutes)
{
    m_sleepTimer.stop();
    if (minutes <= 0) {
        Q_EMIT toast(tr2("Sleep timer cancelled", "Temporizador cancelado"));
        return;
    }
    m_sleepTimer.start(minutes * MsPerMinute);
    Q_EMIT toast(tr2("Auto pause in %1 min", "Pausa automática em %1 min").arg(minutes));
}

void PlayerCommands::checkForUpdates()
{
    Q_EMIT updateCheckRequested();
}

void PlayerCommands::showEqualizer()
{
    EqualizerDialog dialog(m_core, m_dialogParent);
    dialog.exec();
}

void PlayerCommands::showImageAdjust()
{
    ImageDialog dialog(m_core, m_dialogParent);
    dialog.exec();
}

void PlayerCommands::showSubtitleStyle()
{
    SubtitleDialog dialog(m_core, m_dialogParent);
    dialog.exec();
}

void PlayerCommands::showSleepTimerDialog()
{
    const int initial = m_sleepTimer.isActive()
                                ? std::max(1, m_sleepTimer.remainingTime() / MsPerMinute)
                                : DefaultSleepMinutes;
    bool ok = false;
    const int minutes = QInputDialog::getInt(m_dialogParent, tr2("Sleep timer", "Temporizador"),
                                             tr2("Pause after how many minutes? (0 cancels)",
                                                 "Pausar em quantos minutos? (0 cancela)"),
                                             initial, 0, MaxSleepMinutes, SleepStepMinutes, &ok);
    if (ok)
        startSleepTimer(minutes);
}

void PlayerCommands::showGotoTimeDialog()
{
    if (m_core->duration() <= 0)
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(
            m_dialogParent, tr2("Go to time", "Ir para o tempo"),
            tr2("Time (e.g. 1:23:45, 12:30 or 90):", "Tempo (ex.: 1:23:45, 12:30 ou 90):"),
            QLineEdit::Normal, formatTime(m_core->position()), &ok);
    if (!ok || text.trimmed().isEmpty())
        return;
    m_core->seekAbsolute(parseGotoTime(text));
}

void PlayerCommands::showCustomSpeedDialog()
{
    bool ok = false;
    const double value = QInputDialog::getDouble(m_dialogParent, tr2("Speed", "Velocidade"),
                                                 tr2("Speed (0.1 to 8):", "Velocidade (0,1 a 8):"),
                                                 m_core->speed(), MinSpeed, MaxSpeed, 2, &ok,
                                                 Qt::WindowFlags(), 1);
    if (ok)
        applySpeed(value);
}

void PlayerCommands::showMediaInfo()
{
    if (m_core->isIdle())
        return;
    QMessageBox box(QMessageBox::NoIcon, tr2("Media information", "Informações da mídia"),
                    m_core->mediaInfoHtml(), QMessageBox::Ok, m_dialogParent);
    box.setTextFormat(Qt::RichText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void PlayerCommands::addSubtitleFile(const QString &startFolder)
{
    const QString filter = tr2("Subtitles", "Legendas") +
                           QStringLiteral(" (*.srt *.ass *.ssa *.vtt *.sub *.idx *.sup *.smi)");
    const QString file = QFileDialog::getOpenFileName(m_dialogParent, tr2("Subtitle", "Legenda"),
                                                      startFolder, filter);
    if (!file.isEmpty())
        m_core->addSubtitle(file);
}
