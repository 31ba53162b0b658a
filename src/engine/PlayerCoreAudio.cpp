#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QTimer>

AudioFilterSettings PlayerCore::audioFilterSettings() const
{
    return {m_eqEnabled, m_eqGains, m_eqPreamp, m_normalize, m_crossfadeSeconds, m_fadeLevel};
}

void PlayerCore::applyAudioFilters()
{
    const AudioFilterSettings settings = audioFilterSettings();
    const QString signature = audioFilterSignature(settings);
    // Same filters, new gains: adjust the running chain instead of rebuilding
    // it, which would interrupt the sound.
    if (signature == m_filterSignature && m_eqEnabled) {
        bool allSent = true;
        const QList<QStringList> commands = equalizerCommands(m_eqPreamp, m_eqGains);
        for (const QStringList &command : commands) {
            if (runCommand(m_handle, command) < 0) {
                allSent = false;
                break;
            }
        }
        if (allSent)
            return;
    }
    m_filterSignature = signature;
    setPropertyString(m_handle, "af", audioFilterList(settings).join(QLatin1Char(',')));
}

void PlayerCore::setEqualizer(bool enabled, const QList<double> &gains, double preamp)
{
    m_eqEnabled = enabled;
    for (int band = 0; band < std::min<int>(int(gains.size()), 10); ++band)
        m_eqGains[band] = gains[band];
    m_eqPreamp = preamp;
    applyAudioFilters();
}

void PlayerCore::setNormalize(bool on)
{
    m_normalize = on;
    applyAudioFilters();
}

void PlayerCore::setCrossfadeSeconds(double seconds)
{
    m_crossfadeSeconds = seconds;
}

QVariantList PlayerCore::audioDevices() const
{
    return getPropertyNode(m_handle, "audio-device-list").toList();
}

void PlayerCore::setAudioDevice(const QString &name)
{
    setPropertyString(m_handle, "audio-device", name);
}

void PlayerCore::setAudioDelay(double seconds)
{
    setPropertyDouble(m_handle, "audio-delay", seconds);
}

void PlayerCore::fadeOutCheck()
{
    FadeOutInput input;
    input.crossfadeSeconds = m_crossfadeSeconds;
    if (input.crossfadeSeconds <= 0)
        return;
    input.position = m_position;
    input.duration = m_duration;
    input.fadeLevel = m_fadeLevel;
    input.hasVideo = m_hasVideo;
    input.networkSource = isNetwork();
    input.repeatOne = m_repeat == RepeatOne;
    input.repeatAll = m_repeat == RepeatAll;
    input.fadeInRunning = m_fadeTimer->isActive();
    input.queuePos = m_queuePos;
    input.queueLength = int(m_queue.size());
    const std::optional<double> target = fadeOutTarget(input);
    if (!target)
        return;
    m_fadeLevel = *target;
    m_fadeInPending = m_fadeLevel < 1.0;
    sendFadeLevel();
}

void PlayerCore::startFadeIn()
{
    m_fadeInPending = false;
    m_fadeLevel = 0;
    runCommand(m_handle, {QStringLiteral("af-command"), QStringLiteral("fade"),
                          QStringLiteral("volume"), QStringLiteral("0")});
    m_fadeTimer->start();
}

void PlayerCore::fadeInStep()
{
    m_fadeLevel = fadeInNextLevel(m_fadeLevel, m_crossfadeSeconds);
    sendFadeLevel();
    if (m_fadeLevel >= 1.0)
        m_fadeTimer->stop();
}

void PlayerCore::sendFadeLevel()
{
    runCommand(m_handle, {QStringLiteral("af-command"), QStringLiteral("fade"),
                          QStringLiteral("volume"), QString::number(m_fadeLevel, 'f', 3)});
}
