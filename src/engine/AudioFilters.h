#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <optional>

// Centre frequencies of the ten equalizer bands, band 0 first.
inline constexpr std::array<int, 10> EqualizerBandHz{31,   62,   125,  250,  500,
                                                     1000, 2000, 4000, 8000, 16000};
// Labels of the bands as the equalizer dialog shows them.
QStringList equalizerBandLabels();

// One named set of band gains (dB); presets carry no pre-amplification.
struct EqualizerPreset
{
    QString name;
    QList<double> gains;
};

// The fifteen built-in presets, named in the interface language that is
// current at the first call.
const QList<EqualizerPreset> &equalizerPresets();

// Equalizer gains as the settings hold them, made safe to hand to the
// engine: numbers clamped to -12 ... +12 dB, anything else (text, nan) read
// as 0, missing bands 0, extra ones dropped. A corrected value is logged
// once per call.
inline constexpr double MaxEqualizerGainDb = 12.0;
double storedEqualizerGain(const QVariant &stored);
QList<double> storedEqualizerGains(const QVariant &stored);

// What the chain is made of; the same flags always give the same chain shape.
struct AudioFilterSettings
{
    bool eqEnabled = false;
    QList<double> eqGains = QList<double>(10, 0.0);
    double eqPreamp = 0;
    bool normalize = false;
    double crossfadeSeconds = 0;
    double fadeLevel = 1.0;
};

// "eq|norm|fade" as 0/1 flags: equal signatures mean the chain only needs
// its parameters updated.
QString audioFilterSignature(const AudioFilterSettings &settings);

// The labelled filters in chain order.
QStringList audioFilterList(const AudioFilterSettings &settings);

// The "af-command" argument lists that update the equalizer of a running
// chain: pre-amplification first, then bands 0 to 9.
QList<QStringList> equalizerCommands(double preamp, const QList<double> &gains);

// State the fade-out near the end of an item depends on.
struct FadeOutInput
{
    double crossfadeSeconds = 0;
    double position = 0;
    double duration = 0;
    double fadeLevel = 1.0;
    bool hasVideo = false;
    bool networkSource = false;
    bool repeatOne = false;
    bool repeatAll = false;
    bool fadeInRunning = false;
    int queuePos = -1;
    int queueLength = 0;
};

// The new level of the fade filter, or nothing when no command is due.
std::optional<double> fadeOutTarget(const FadeOutInput &input);

// The next level of a running fade-in: one 50 ms tick of a fade that lasts
// the crossfade length, at least half a second.
double fadeInNextLevel(double level, double crossfadeSeconds);
