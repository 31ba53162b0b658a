#include "engine/PlayerCore.h"

#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "engine/AudioFilters.h"
#include "engine/EngineOptions.h"
#include "engine/EngineProperties.h"
#include "engine/MpvApi.h"

#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <utility>

PlayerCore::PlayerCore(QObject *parent)
    : QObject(parent)
    , m_fadeTimer(new QTimer(this))
    , m_readyTimer(new QTimer(this))
{
    m_fadeTimer->setInterval(50);
    connect(m_fadeTimer, &QTimer::timeout, this, &PlayerCore::fadeInStep);
    // An engine that never announces it is ready is taken as ready after a
    // while; nothing waits for it meanwhile but the held calls.
    m_readyTimer->setSingleShot(true);
    m_readyTimer->setInterval(3000);
    connect(m_readyTimer, &QTimer::timeout, this, &PlayerCore::setEngineReady);
}

PlayerCore::~PlayerCore()
{
    if (m_handle) {
        // No wake-up may reach this object once destruction has begun.
        mpvApi().mpv_set_wakeup_callback(m_handle, nullptr, nullptr);
        mpvApi().mpv_terminate_destroy(m_handle);
        m_handle = nullptr;
    }
}

bool PlayerCore::start(QString &errorText)
{
    if (!loadMpvApi()) {
        errorText = mpvApi().errors;
        return false;
    }
    const MpvApi &api = mpvApi();
    // The engine parses numbers with the C locale.
    std::setlocale(LC_NUMERIC, "C");
    m_handle = api.mpv_create();
    if (!m_handle) {
        errorText = QStringLiteral("mpv_create falhou");
        return false;
    }

    m_hwdecEnabled = Preferences::hardwareDecoding();
    const QList<EngineOption> options = engineOptions(currentEngineOptionInput(m_hwdecEnabled));
    for (const EngineOption &option : options)
        setOption(m_handle, option.name, option.value);

    const int status = api.mpv_initialize(m_handle);
    if (status < 0) {
        errorText = QStringLiteral("mpv_initialize: %1").arg(mpvErrorText(status));
        return false;
    }

    const QByteArray logLevel = qEnvironmentVariableIsSet("ZORVIPLAYER_MPVLOG")
                                        ? qgetenv("ZORVIPLAYER_MPVLOG")
                                        : QByteArray("warn");
    api.mpv_request_log_messages(m_handle, logLevel.constData());

    static const struct
    {
        const char *name;
        mpv_format format;
    } observed[] = {
            {"time-pos", MPV_FORMAT_DOUBLE},
            {EngineProperty::Duration, MPV_FORMAT_DOUBLE},
            {"pause", MPV_FORMAT_FLAG},
            {"speed", MPV_FORMAT_DOUBLE},
            {EngineProperty::Volume, MPV_FORMAT_DOUBLE},
            {"mute", MPV_FORMAT_FLAG},
            {"idle-active", MPV_FORMAT_FLAG},
            {"paused-for-cache", MPV_FORMAT_FLAG},
            {EngineProperty::Path, MPV_FORMAT_STRING},
            {EngineProperty::MediaTitle, MPV_FORMAT_STRING},
            {EngineProperty::TrackList, MPV_FORMAT_NODE},
            {"chapter-list", MPV_FORMAT_NODE},
            {"playlist", MPV_FORMAT_NODE},
            {"playlist-pos", MPV_FORMAT_INT64},
            {"ab-loop-a", MPV_FORMAT_NODE},
            {"ab-loop-b", MPV_FORMAT_NODE},
            {EngineProperty::Metadata, MPV_FORMAT_NODE},
    };
    for (const auto &property : observed)
        api.mpv_observe_property(m_handle, 0, property.name, property.format);

    // The engine builds a file's audio filters from the "af" text as soon as
    // it opens the file, which can be before the start event has been
    // handled here; holding the opening until then lets that handler bring
    // the text up to date (gains moved live during the previous file).
    if (api.mpv_hook_add) {
        api.mpv_hook_add(m_handle, 0, "on_load", 0);
        // The video output is made on demand; the engine picks its output
        // after this point, so a file with a picture waits here until the
        // surface exists.
        api.mpv_hook_add(m_handle, 0, "on_preloaded", 0);
    }

    api.mpv_set_wakeup_callback(m_handle, &PlayerCore::wakeUp, this);

    restoreAudioSettings();

    const QString device = Preferences::audioDevice();
    if (device != QLatin1String("auto"))
        setPropertyString(m_handle, EngineProperty::AudioDevice, device);

    m_readyTimer->start();
    return true;
}

void PlayerCore::restoreAudioSettings()
{
    const double storedVolume = settingValue(QStringLiteral("audio/volume"), 100).toDouble();
    setPropertyDouble(m_handle, EngineProperty::Volume, std::clamp(storedVolume, 0.0, 200.0));

    m_eqEnabled = settingValue(QStringLiteral("eq/enabled"), false).toBool();
    // Hand-edited values are clamped: the engine would play +40 dB as asked
    // and refuse nan, losing the whole chain with it.
    if (const QVariant gains = settingValue(QStringLiteral("eq/gains")); gains.isValid())
        m_eqGains = storedEqualizerGains(gains);
    m_eqPreamp = storedEqualizerGain(settingValue(QStringLiteral("eq/preamp"), 0));
    m_normalize = Preferences::normalize();
    m_crossfadeSeconds = Preferences::crossfadeSeconds();
    applyAudioFilters();
}

bool PlayerCore::holdUntilReady(std::function<void()> call)
{
    // Until its built-in scripts have loaded, the engine has not picked its
    // first playlist entry; a queue handed over in that window would start at
    // its first item whatever position was asked for. The engine announces
    // the end of that phase with its idle event.
    if (m_engineReady)
        return false;
    m_heldCalls.append(std::move(call));
    return true;
}

void PlayerCore::setEngineReady()
{
    if (m_engineReady)
        return;
    m_engineReady = true;
    m_readyTimer->stop();
    const QList<std::function<void()>> calls = std::exchange(m_heldCalls, {});
    for (const std::function<void()> &call : calls)
        call();
    Q_EMIT engineReady();
}

void PlayerCore::wakeUp(void *context)
{
    // Runs on an engine thread: only hand the work over to the GUI thread.
    QMetaObject::invokeMethod(static_cast<PlayerCore *>(context), "processEvents",
                              Qt::QueuedConnection);
}

QString PlayerCore::nowPlayingTitle() const
{
    if (!m_streamTitle.isEmpty())
        return m_streamTitle;
    if (!m_mediaTitle.isEmpty())
        return m_mediaTitle;
    return QFileInfo(m_currentPath).completeBaseName();
}

bool PlayerCore::isNetwork() const
{
    return isNetworkSource(m_currentPath);
}
