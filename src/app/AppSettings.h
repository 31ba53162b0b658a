#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

// Per-user data directory, the one settings file and the interface language.
// All of these live for the whole process.

// The writable application-local data folder, created on first use.
QString dataDir();
// dataDir() + "/" + name, created (with parents) on every call.
QString dataSubdir(const QString &name);
// The shared INI settings object over dataDir() + "/config.ini".
QSettings &appSettings();
QVariant settingValue(const QString &key, const QVariant &defaultValue = QVariant());
// Writes key and flushes the file; "general/..." keys must be written
// through it, or the file gets the section twice and the next run reads back
// only one of them. False (logged) when the file could not be written.
bool setSettingValue(const QString &key, const QVariant &value);

// Validated reading of one key. A missing key gives the default; a value
// that does not fit gives the default too and one log line per key and run
// ("configuracao invalida: <key> = <value>"). Nothing is written back.
// Booleans: true/false, 1/0, yes/no, on/off in any letter case.
bool settingBool(const QString &key, bool defaultValue);
// A whole number within min..max.
int settingInt(const QString &key, int defaultValue, int min, int max);
// A finite number within min..max.
double settingReal(const QString &key, double defaultValue, double min, double max);
// One of the allowed texts, exactly.
QString settingChoice(const QString &key, const QString &defaultValue, const QStringList &allowed);
// Any text; an unquoted "a,b" in the file, which the toolkit reads as a
// list, comes back joined with ",".
QString settingText(const QString &key, const QString &defaultValue = QString());

// False means Brazilian Portuguese, the default. Written once at start-up.
extern bool uiEnglish;

// Picks the text of the interface language.
inline QString uiText(const QString &english, const QString &portuguese)
{
    return uiEnglish ? english : portuguese;
}

// Sets uiEnglish from a "ui/language" value: only "en" means English.
void applyLanguageSetting(const QString &value);
