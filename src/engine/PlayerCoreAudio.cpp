#include "engine/EngineProperties.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QDebug>
#include <QTimer>

AudioFilterSettings PlayerCore::audioFilterSettings() const
{
    return {m_eqEnabled, m_eqGains, m_eqPreamp, m_normalize, m_crossfadeSeconds, m_fadeLevel};
}

void PlayerCore::applyAudioFilters()
{
    const QString signature = audioFilterSignature(audioFilterSettings());
    // Without the equalizer the chain holds nothing a new value could change:
    // setting it again would only cost time and interrupt the sound (the "Pre"
    // slider moved, a fade length stepped while music plays).
    if (signature == m_filterSignature && !m_eqEnabled)
        return;
    // Same filters, new gains: adjust the running chain instead of rebuilding
    // it, which would interrupt the sound.
    if (signature == m_filterSignature && m_eqEnabled) {
        const QList<QStringList> commands = equalizerCommands(m_eqPreamp, m_eqGains);
        // The equalizer's filters are built and rebuilt together: once the
        // first one takes its command the others run too, and their answers,
        // which look failed (see sendFilterCommand), need no second look.
        // This keeps a slider drag to one engine round trip per filter.
        if (sendFilterCommand(commands.first()) == FilterCommand::Delivered) {
            for (qsizetype i = 1; i < commands.size(); ++i)
                runCommandQuietly(m_handle, commands[i]);
            // The engine rebuilds its filters from the "af" text, which still
            // holds the old gains, at the next seek or file.
            m_filterTextStale = true;
            return;
        }
    }
    setFilterChain();
}

void PlayerCore::setFilterChain()
{
    if (m_crossfadeSeconds <= 0)
        m_fadeLevel = 1.0; // no fade filter, nothing turned down
    const AudioFilterSettings settings = audioFilterSettings();
    m_filterSignature = audioFilterSignature(settings);
    m_filterTextStale = false;
    m_chainFadeLevel = settings.crossfadeSeconds > 0 ? m_fadeLevel : -1;
    setPropertyString(m_handle, "af", audioFilterList(settings).join(QLatin1Char(',')));
}

void PlayerCore::resyncFilterChain()
{
    // Give filters that the engine is about to rebuild from the "af" text the
    // gains and the fade level in force now.
    if (m_filterTextStale || (m_chainFadeLevel >= 0 && m_chainFadeLevel != m_fadeLevel))
        setFilterChain();
}

bool PlayerCore::filterIsRunning(const QString &label) const
{
    // Only a labelled filter that is part of the running chain answers.
    return getPropertyNode(m_handle, "af-metadata/" + label.toUtf8()).isValid();
}

PlayerCore::FilterCommand PlayerCore::sendFilterCommand(const QStringList &args)
{
    if (!m_handle)
        return FilterCommand::Failed;
    const int status = runCommandQuietly(m_handle, args);
    if (status >= 0)
        return FilterCommand::Delivered;
    // The engine's libavfilter bridge hands a command to every filter of its
    // graph and reports the answer of the last one, its own output pad,
    // which refuses every command; so a delivered command looks failed.
    const QString label = args.value(1);
    if (filterIsRunning(label))
        return FilterCommand::Delivered;
    // A filter of the chain is rebuilt after every seek and file change and
    // takes commands again once audio flows through it.
    if (getPropertyString(m_handle, "af").contains(QLatin1Char('@') + label + QLatin1Char(':'))) {
        qDebug() << "mpv filtro ainda parado" << args;
        return FilterCommand::NotRunning;
    }
    qWarning() << "mpv comando falhou" << args << mpvErrorText(status);
    return FilterCommand::Failed;
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

QList<AudioDevice> PlayerCore::audioDevices() const
{
    return AudioDevice::listFromNode(getPropertyNode(m_handle, EngineProperty::AudioDeviceList));
}

QString PlayerCore::audioDevice() const
{
    return getPropertyString(m_handle, EngineProperty::AudioDevice);
}

void PlayerCore::setAudioDevice(const QString &name)
{
    setPropertyString(m_handle, EngineProperty::AudioDevice, name);
}

double PlayerCore::engineVolume() const
{
    return getPropertyDouble(m_handle, EngineProperty::Volume, m_volume);
}

double PlayerCore::audioDelay() const
{
    return getPropertyDouble(m_handle, EngineProperty::AudioDelay);
}

void PlayerCore::setAudioDelay(double seconds)
{
    setPropertyDouble(m_handle, EngineProperty::AudioDelay, seconds);
}

void PlayerCore::fadeOutCheck()
{
    // Without a fade filter in the chain there is nothing to turn down.
    if (m_chainFadeLevel < 0)
        return;
    FadeOutInput input;
    input.crossfadeSeconds = m_crossfadeSeconds;
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
    // Not taken yet: the next position update or seek end tries again.
    if (sendFadeCommand(*target) == FilterCommand::NotRunning)
        return;
    m_fadeLevel = *target;
    m_fadeInPending = m_fadeLevel < 1.0;
}

void PlayerCore::prepareFadeForNewFile()
{
    m_fadeTimer->stop();
    // Each file gets a new filter chain built from the "af" text. Start it
    // silent when a fade-in follows and at full level otherwise, whatever
    // level a fade had reached when the text was last written or when the
    // previous file was left.
    const double startLevel = m_fadeInPending ? 0.0 : 1.0;
    m_fadeLevel = startLevel;
    resyncFilterChain();
}

void PlayerCore::startFadeIn()
{
    m_fadeInPending = false;
    m_fadeLevel = 0;
    // A chain built silent for this file needs no command, and could not
    // take one yet: its filters start with the first audio frame.
    if (m_chainFadeLevel != 0)
        sendFadeCommand(0);
    m_fadeTimer->start();
}

void PlayerCore::fadeInStep()
{
    // The ramp runs on the clock; a step the chain cannot take yet is simply
    // overtaken by the next one.
    m_fadeLevel = fadeInNextLevel(m_fadeLevel, m_crossfadeSeconds);
    sendFadeCommand(m_fadeLevel);
    if (m_fadeLevel >= 1.0)
        m_fadeTimer->stop();
}

PlayerCore::FilterCommand PlayerCore::sendFadeCommand(double level)
{
    return sendFilterCommand({QStringLiteral("af-command"), QStringLiteral("fade"),
                              QStringLiteral("volume"), QString::number(level, 'f', 3)});
}
