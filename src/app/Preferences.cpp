#include "app/Preferences.h"

#include "app/AppSettings.h"

namespace Preferences {

QString language()
{
    return settingChoice(QStringLiteral("ui/language"), QStringLiteral("pt"),
                         {QStringLiteral("pt"), QStringLiteral("en")});
}

QString openMode()
{
    return settingChoice(QStringLiteral("general/openMode"), QStringLiteral("play"),
                         {QStringLiteral("play"), QStringLiteral("queue")});
}

int seekStepSeconds()
{
    return settingInt(QStringLiteral("playback/seekStep"), DefaultSeekStepSeconds,
                      MinSeekStepSeconds, MaxSeekStepSeconds);
}

double speedStep()
{
    return settingReal(QStringLiteral("playback/speedStep"), DefaultSpeedStep, MinSpeedStep,
                       MaxSpeedStep);
}

double crossfadeSeconds()
{
    return settingReal(QStringLiteral("audio/crossfade"), 0, 0, MaxCrossfadeSeconds);
}

bool normalize()
{
    return settingBool(QStringLiteral("audio/normalize"), false);
}

bool hardwareDecoding()
{
    return settingBool(QStringLiteral("video/hwdec"), true);
}

bool keepHistory()
{
    return settingBool(QStringLiteral("privacy/history"), true);
}

QString audioDevice()
{
    const QString name = settingText(QStringLiteral("audio/device"), QStringLiteral("auto"));
    return name.isEmpty() ? QStringLiteral("auto") : name;
}

QStringList subtitleEncodings()
{
    return {QStringLiteral("auto"), QStringLiteral("utf8"), QStringLiteral("cp1252"),
            QStringLiteral("latin1")};
}

QString subtitleEncoding()
{
    return settingChoice(QStringLiteral("subs/codepage"), QStringLiteral("auto"),
                         subtitleEncodings());
}

QString subtitleLanguages()
{
    return settingText(QStringLiteral("subs/lang"),
                       uiEnglish ? QStringLiteral("en,eng") : QStringLiteral("pt,por,pt-BR,pob"));
}

QString audioLanguages()
{
    return settingText(QStringLiteral("audio/lang"));
}

} // namespace Preferences
