#include "engine/AudioFilters.h"

#include "app/AppSettings.h"

#include <algorithm>
#include <cmath>

QStringList equalizerBandLabels()
{
    return {QStringLiteral("31"),  QStringLiteral("62"),  QStringLiteral("125"),
            QStringLiteral("250"), QStringLiteral("500"), QStringLiteral("1k"),
            QStringLiteral("2k"),  QStringLiteral("4k"),  QStringLiteral("8k"),
            QStringLiteral("16k")};
}

const QList<EqualizerPreset> &equalizerPresets()
{
    static const QList<EqualizerPreset> presets{
            {uiText(QStringLiteral("Flat"), QStringLiteral("Normal")),
             {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
            {uiText(QStringLiteral("Bass boost"), QStringLiteral("Grave forte")),
             {7, 6, 5, 3, 1, 0, 0, 0, 0, 0}},
            {uiText(QStringLiteral("Bass & treble"), QStringLiteral("Grave + agudo")),
             {6, 5, 3, 0, -1, -1, 0, 2, 4, 5}},
            {uiText(QStringLiteral("Treble boost"), QStringLiteral("Agudo forte")),
             {0, 0, 0, 0, 0, 1, 3, 5, 6, 7}},
            {uiText(QStringLiteral("Voice / podcast"), QStringLiteral("Voz / podcast")),
             {-4, -3, -1, 1, 3, 4, 4, 3, 1, -1}},
            {QStringLiteral("Rock"), {5, 4, 2, -1, -2, -1, 2, 3, 4, 4}},
            {QStringLiteral("Pop"), {-1, 1, 3, 4, 3, 0, -1, -1, 1, 2}},
            {uiText(QStringLiteral("Electronic"), QStringLiteral("Eletrônica")),
             {6, 5, 2, 0, -2, 1, 0, 2, 4, 5}},
            {QStringLiteral("Hip-hop"), {6, 5, 2, 3, -1, -1, 1, 0, 2, 3}},
            {QStringLiteral("Jazz"), {3, 2, 1, 2, -1, -1, 0, 1, 2, 3}},
            {uiText(QStringLiteral("Classical"), QStringLiteral("Clássica")),
             {4, 3, 2, 1, -1, -1, 0, 2, 3, 4}},
            {uiText(QStringLiteral("Acoustic"), QStringLiteral("Sertanejo / acústico")),
             {3, 3, 2, 1, 1, 1, 2, 2, 2, 1}},
            {uiText(QStringLiteral("Funk"), QStringLiteral("Funk / baile")),
             {8, 7, 4, 1, -1, 0, 1, 2, 3, 3}},
            {uiText(QStringLiteral("Small headphones"), QStringLiteral("Fone pequeno")),
             {4, 3, 2, 1, 0, 0, 1, 2, 3, 3}},
            {uiText(QStringLiteral("Night (soft)"), QStringLiteral("Noite (suave)")),
             {-2, -1, 0, 0, 1, 1, 0, -1, -2, -3}},
    };
    return presets;
}

static QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString audioFilterSignature(const AudioFilterSettings &settings)
{
    return QStringLiteral("%1|%2|%3")
            .arg(flag(settings.eqEnabled), flag(settings.normalize),
                 flag(settings.crossfadeSeconds > 0));
}

QStringList audioFilterList(const AudioFilterSettings &settings)
{
    QStringList filters;
    if (settings.eqEnabled) {
        filters << QStringLiteral("@eqpre:lavfi=[volume=volume=%1dB]")
                           .arg(QString::number(settings.eqPreamp, 'f', 1));
        for (int band = 0; band < int(EqualizerBandHz.size()); ++band) {
            filters << QStringLiteral("@eq%1:lavfi=[equalizer=f=%2:t=o:w=1:g=%3]")
                               .arg(band)
                               .arg(EqualizerBandHz[band])
                               .arg(QString::number(settings.eqGains.value(band), 'f', 1));
        }
    }
    if (settings.normalize)
        filters << QStringLiteral("@norm:lavfi=[dynaudnorm=f=250:g=15:p=0.9]");
    if (settings.crossfadeSeconds > 0) {
        filters << QStringLiteral("@fade:lavfi=[volume=volume=%1]")
                           .arg(QString::number(settings.fadeLevel, 'f', 3));
    }
    return filters;
}

QList<QStringList> equalizerCommands(double preamp, const QList<double> &gains)
{
    QList<QStringList> commands;
    commands.append({QStringLiteral("af-command"), QStringLiteral("eqpre"),
                     QStringLiteral("volume"),
                     QStringLiteral("%1dB").arg(QString::number(preamp, 'f', 1))});
    for (int band = 0; band < int(EqualizerBandHz.size()); ++band) {
        commands.append({QStringLiteral("af-command"), QStringLiteral("eq%1").arg(band),
                         QStringLiteral("g"), QString::number(gains.value(band), 'f', 1)});
    }
    return commands;
}

std::optional<double> fadeOutTarget(const FadeOutInput &in)
{
    if (in.fadeInRunning)
        return std::nullopt;
    // Without a following item there is nothing to fade into; short items,
    // videos, streams and a repeated item are never faded.
    const bool hasNext = in.queuePos >= 0 && (in.queuePos < in.queueLength - 1 || in.repeatAll);
    const bool fades = in.crossfadeSeconds > 0 && !in.hasVideo && !in.networkSource &&
                       !in.repeatOne && hasNext && in.duration >= 3 * in.crossfadeSeconds;
    double target = 1.0;
    if (fades) {
        const double remaining = in.duration - in.position;
        if (remaining < in.crossfadeSeconds)
            target = std::max(0.0, remaining / in.crossfadeSeconds);
    }
    // An item that stopped qualifying half-way (repeat switched on, its
    // successor removed) goes back to full level rather than staying low.
    if (target == in.fadeLevel)
        return std::nullopt;
    // Small steps are skipped to spare the engine; the way back to full
    // level is always sent.
    if (std::abs(target - in.fadeLevel) < 0.02 && target != 1.0)
        return std::nullopt;
    return target;
}

double fadeInNextLevel(double level, double crossfadeSeconds)
{
    return std::min(1.0, level + 0.05 / std::max(crossfadeSeconds, 0.5));
}

namespace {

// The gain of one stored value and whether it had to be corrected.
double safeGain(const QVariant &value, bool &corrected)
{
    bool numeric = false;
    const double gain = value.toDouble(&numeric);
    if (!numeric || !std::isfinite(gain)) {
        corrected = true;
        return 0;
    }
    const double clamped = std::clamp(gain, -MaxEqualizerGainDb, MaxEqualizerGainDb);
    if (clamped != gain)
        corrected = true;
    return clamped;
}

} // namespace

double storedEqualizerGain(const QVariant &stored)
{
    if (!stored.isValid())
        return 0;
    bool corrected = false;
    const double gain = safeGain(stored, corrected);
    if (corrected)
        qWarning("pre-amplificacao do equalizador corrigida");
    return gain;
}

QList<double> storedEqualizerGains(const QVariant &stored)
{
    QList<double> gains(int(EqualizerBandHz.size()), 0.0);
    if (!stored.isValid())
        return gains;
    // A one-element list can come back from the INI file as a plain value.
    const QVariantList values =
            stored.typeId() == QMetaType::QVariantList || stored.typeId() == QMetaType::QStringList
                    ? stored.toList()
                    : QVariantList{stored};
    bool corrected = values.size() != gains.size();
    for (int band = 0; band < std::min<int>(int(values.size()), int(gains.size())); ++band)
        gains[band] = safeGain(values[band], corrected);
    if (corrected)
        qWarning("ganhos do equalizador corrigidos");
    return gains;
}
