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
    return appSettings().value(key, defaultValue);
}

void applyLanguageSetting(const QString &value)
{
    uiEnglish = value == QLatin1String("en");
}
