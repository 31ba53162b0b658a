#pragma once

#include <QString>
#include <QStringList>

// The user's preferences that more than one place reads, each through its
// validated reader with its one default and range, so a hand-edited value
// means the same on the settings page, in the engine and in the commands.
namespace Preferences {

inline constexpr int MinSeekStepSeconds = 1;
inline constexpr int MaxSeekStepSeconds = 120;
inline constexpr int DefaultSeekStepSeconds = 5;
inline constexpr double MinSpeedStep = 0.05;
inline constexpr double MaxSpeedStep = 1.0;
inline constexpr double DefaultSpeedStep = 0.25;
inline constexpr double MaxCrossfadeSeconds = 12.0;

// "pt" or "en".
QString language();
// "play" or "queue".
QString openMode();
int seekStepSeconds();
double speedStep();
double crossfadeSeconds();
bool normalize();
bool hardwareDecoding();
bool keepHistory();
// The output device's engine name, "auto" for the system default.
QString audioDevice();
// "auto", "utf8", "cp1252" or "latin1".
QString subtitleEncoding();
QStringList subtitleEncodings();
// The stored subtitle languages, else the start default of the interface
// language.
QString subtitleLanguages();
// The stored audio languages, empty for the file's own default.
QString audioLanguages();

} // namespace Preferences
