#pragma once

#include <QString>
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
// Writes key; "general/..." keys must be written through it, or the file gets
// the section twice and the next run reads back only one of them.
void setSettingValue(const QString &key, const QVariant &value);

// False means Brazilian Portuguese, the default. Written once at start-up.
extern bool uiEnglish;

// Picks the text of the interface language.
inline QString uiText(const QString &english, const QString &portuguese)
{
    return uiEnglish ? english : portuguese;
}

// Sets uiEnglish from a "ui/language" value: only "en" means English.
void applyLanguageSetting(const QString &value);
