// The control bar's reactions to the player: times, play state, status line,
// volume, speed, repeat and shuffle.
#include "app/AppSettings.h"
#include "engine/FormatTime.h"
#include "engine/PlayerCore.h"
#include "ui/Icons.h"
#include "ui/SpeedText.h"
#include "ui/Theme.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/SeekBar.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include <cmath>

void ControlBar::connectPlayer()
{
    PlayerCore *core = m_core;
    connect(core, &PlayerCore::positionChanged, this, &ControlBar::onPositionChanged);
    connect(core, &PlayerCore::durationChanged, this, &ControlBar::onDurationChanged);
    connect(core, &PlayerCore::pauseChanged, this, [this] {
        refreshPlayIcon();
        refreshStatus();
    });
    connect(core, &PlayerCore::idleChanged, this, [this] {
        refreshPlayIcon();
        refreshStatus();
        refreshTotalLabel(m_core->duration());
    });
    connect(core, &PlayerCore::bufferingChanged, this, [this](bool buffering) {
        if (buffering) {
            m_bufferDelay.start();
        } else {
            m_bufferDelay.stop();
            refreshStatus();
        }
    });
    connect(core, &PlayerCore::fileLoaded, this, [this] {
        refreshStatus();
        // A stream without duration never reports a duration change when the
        // previous item had none either, so the label is rewritten here too.
        refreshTotalLabel(m_core->duration());
    });
    connect(core, &PlayerCore::speedChanged, this,
            [this](double speed) { m_speedButton->setText(speedText(speed)); });
    connect(core, &PlayerCore::volumeChanged, this, [this](double volume) {
        const QSignalBlocker blocker(m_volumeSlider);
        m_volumeSlider->setValue(int(std::lround(volume)));
        refreshVolumeIcon();
    });
    connect(core, &PlayerCore::muteChanged, this, &ControlBar::refreshVolumeIcon);
    connect(core, &PlayerCore::chaptersChanged, this,
            [this] { m_seekBar->setChapters(m_core->chapters()); });
    connect(core, &PlayerCore::abLoopChanged, this,
            [this] { m_seekBar->setAbLoop(m_core->abLoopA(), m_core->abLoopB()); });
    connect(core, &PlayerCore::shuffleChanged, this,
            [this] { m_shuffleButton->setChecked(m_core->shuffle()); });
    connect(core, &PlayerCore::repeatChanged, this, &ControlBar::refreshRepeat);

    connect(m_volumeSlider, &QSlider::valueChanged, this,
            [this](int value) { m_core->setVolume(value); });
    connect(m_muteButton, &QToolButton::clicked, this,
            [this] { m_core->setMute(!m_core->isMuted()); });

    // Start from what the player already knows; later changes arrive as signals.
    {
        const QSignalBlocker blocker(m_volumeSlider);
        m_volumeSlider->setValue(int(std::lround(core->volume())));
    }
    m_speedButton->setText(speedText(core->speed()));
    m_shuffleButton->setChecked(core->shuffle());
    m_seekBar->setChapters(core->chapters());
    m_seekBar->setAbLoop(core->abLoopA(), core->abLoopB());
    onDurationChanged(core->duration());
    onPositionChanged(core->position());
    refreshVolumeIcon();
    // Off keeps the plain "Repeat" tip until the mode is first changed.
    if (core->repeat() != PlayerCore::RepeatOff)
        refreshRepeat();
    refreshPlayIcon();
}

void ControlBar::onPositionChanged(double pos)
{
    m_seekBar->setPosition(pos);
    m_elapsedLabel->setText(formatTime(pos));
    const double duration = m_core->duration();
    if (m_remainingTime && duration > 0)
        m_totalLabel->setText(QStringLiteral("-") + formatTime(duration - pos));
}

void ControlBar::onDurationChanged(double dur)
{
    m_seekBar->setDuration(dur);
    refreshTotalLabel(dur);
}

void ControlBar::refreshPlayIcon()
{
    const bool playing = !m_core->isPaused() && !m_core->isIdle();
    m_playButton->setIcon(tintedIcon(playing ? QStringLiteral("pause") : QStringLiteral("play"),
                                     themeColor(ThemeColor::Window),
                                     themeColor(ThemeColor::Window)));
}

void ControlBar::refreshStatus()
{
    QString text;
    const bool network = m_core->isNetwork();
    if (m_core->isIdle()) {
        text = uiText(QStringLiteral("Open a file to start"),
                      QStringLiteral("Abra um arquivo para começar"));
    } else if (!m_core->isBuffering() || m_bufferDelay.isActive()) {
        text = network ? QStringLiteral("Internet")
                       : uiText(QStringLiteral("Local file"), QStringLiteral("Arquivo local"));
        text += m_core->isPaused()
                        ? uiText(QStringLiteral(" · Paused"), QStringLiteral(" · Pausado"))
                        : uiText(QStringLiteral(" · Playing"), QStringLiteral(" · Reproduzindo"));
    } else if (network) {
        text = uiText(QStringLiteral("Waiting for network data…"),
                      QStringLiteral("Aguardando dados da rede…"));
    } else {
        text = uiText(QStringLiteral("Waiting for file data…"),
                      QStringLiteral("Aguardando leitura do arquivo…"));
    }
    m_playbackStatus->setText(text);
}

void ControlBar::refreshVolumeIcon()
{
    const double volume = m_core->volume();
    QString name = QStringLiteral("volume");
    if (m_core->isMuted() || volume <= 0)
        name = QStringLiteral("volume-x");
    else if (volume < 50)
        name = QStringLiteral("volume-low");
    m_muteButton->setIcon(icon(name));
    m_muteButton->setToolTip(
            QStringLiteral("%1 — %2%").arg(QStringLiteral("Volume")).arg(std::lround(volume)));
}

void ControlBar::refreshRepeat()
{
    const PlayerCore::Repeat mode = m_core->repeat();
    m_repeatButton->setChecked(mode != PlayerCore::RepeatOff);
    m_repeatButton->setIcon(icon(mode == PlayerCore::RepeatOne ? QStringLiteral("repeat-one")
                                                               : QStringLiteral("repeat")));
    QString tip;
    if (mode == PlayerCore::RepeatOne)
        tip = uiText(QStringLiteral("Repeat one"), QStringLiteral("Repetindo esta faixa"));
    else if (mode == PlayerCore::RepeatAll)
        tip = uiText(QStringLiteral("Repeat all"), QStringLiteral("Repetindo a fila"));
    else
        tip = uiText(QStringLiteral("Repeat off"), QStringLiteral("Repetir desligado"));
    m_repeatButton->setToolTip(tip);
}

void ControlBar::refreshTotalLabel(double duration)
{
    if (duration > 0) {
        m_totalLabel->setText(m_remainingTime ? QStringLiteral("-") +
                                                        formatTime(duration - m_core->position())
                                              : formatTime(duration));
    } else if (m_core->isNetwork()) {
        // Also after a click on the label: a live stream keeps saying so.
        m_totalLabel->setText(uiText(QStringLiteral("LIVE"), QStringLiteral("AO VIVO")));
    } else {
        m_totalLabel->setText(QStringLiteral("0:00"));
    }
}

void ControlBar::toggleRemainingTime()
{
    m_remainingTime = !m_remainingTime;
    appSettings().setValue(QStringLiteral("ui/remainingTime"), m_remainingTime);
    refreshTotalLabel(m_core->duration());
}

bool ControlBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_totalLabel && event->type() == QEvent::MouseButtonRelease) {
        toggleRemainingTime();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
