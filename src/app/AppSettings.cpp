#include "app/AppSettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

bool uiEnglish = false;

QString dataDir()
{
    static const QString dir = [] {
        QString path = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(path);
        return path;
    }();
    return dir;
}

QString dataSubdir(const QString &name)
{
    const QString path = dataDir() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

QSettings &appSettings()
{
    // Never deleted: settings are synced by QSettings itself and at shutdown.
    static QSettings *settings =
            new QSettings(dataDir() + QStringLiteral("/config.ini"), QSettings::IniFormat);
    return *settings;
}

QVariant settingValue(const QString &key, const QVariant &defaultValue)
{
    QSettings &settings = appSettings();
    // The INI backend stores a "general" section as "[%General]" and reads it
    // back as the group "General"; keys are case-sensitive here, so without
    // this the "general/..." settings would be lost at every restart.
    if (key.startsWith(QLatin1String("general/")) && !settings.contains(key))
        return settings.value(QStringLiteral("General") + key.mid(7), defaultValue);
    return settings.value(key, defaultValue);
}

void setSettingValue(const QString &key, const QVariant &value)
{
    QSettings &settings = appSettings();
    if (key.startsWith(QLatin1String("general/"))) {
        // Stored in the form the file is read back as, so that the section
        // is written once and this run and the next see the same value.
        settings.remove(key);
        settings.setValue(QStringLiteral("General") + key.mid(7), value);
        return;
    }
    settings.setValue(key, value);
}

void applyLanguageSetting(const QString &value)
{
    uiEnglish = value == QLatin1String("en");
}
