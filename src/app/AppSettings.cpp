#include "app/AppSettings.h"

#include <QDir>
#include <QMutex>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

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

bool setSettingValue(const QString &key, const QVariant &value)
{
    QSettings &settings = appSettings();
    if (key.startsWith(QLatin1String("general/"))) {
        // Stored in the form the file is read back as, so that the section
        // is written once and this run and the next see the same value.
        settings.remove(key);
        settings.setValue(QStringLiteral("General") + key.mid(7), value);
    } else {
        settings.setValue(key, value);
    }
    // At once, so a crash right after a change keeps it, and a file that
    // cannot be written is noticed.
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    qWarning().noquote() << QStringLiteral("configuracao nao gravada: %1").arg(key);
    return false;
}

namespace {

// Logs an invalid value once per key and run; returns the default.
template<typename T>
T invalid(const QString &key, const QVariant &value, const T &defaultValue)
{
    static QMutex mutex;
    static QSet<QString> logged;
    QMutexLocker lock(&mutex);
    if (!logged.contains(key)) {
        logged.insert(key);
        const QString text = value.typeId() == QMetaType::QStringList
                                     ? value.toStringList().join(QLatin1Char(','))
                                     : value.toString();
        qWarning().noquote()
                << QStringLiteral("configuracao invalida: %1 = %2").arg(key, text.left(200));
    }
    return defaultValue;
}

// The stored value, or an invalid QVariant when the key is missing.
QVariant stored(const QString &key)
{
    return settingValue(key);
}

} // namespace

bool settingBool(const QString &key, bool defaultValue)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text =
            value.typeId() == QMetaType::QString ? value.toString().trimmed() : QString();
    for (const char *yes : {"true", "1", "yes", "on"}) {
        if (text.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    }
    for (const char *no : {"false", "0", "no", "off"}) {
        if (text.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
            return false;
    }
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
        const qlonglong number = value.toLongLong();
        if (number == 0 || number == 1)
            return number == 1;
    }
    return invalid(key, value, defaultValue);
}

int settingInt(const QString &key, int defaultValue, int min, int max)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    qlonglong number = 0;
    if (value.typeId() == QMetaType::QString)
        number = value.toString().trimmed().toLongLong(&ok);
    else if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::Bool)
        number = value.toLongLong(&ok);
    if (ok && number >= min && number <= max)
        return int(number);
    return invalid(key, value, defaultValue);
}

double settingReal(const QString &key, double defaultValue, double min, double max)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    double number = 0;
    if (value.typeId() == QMetaType::QString)
        number = value.toString().trimmed().toDouble(&ok);
    else if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::Bool)
        number = value.toDouble(&ok);
    if (ok && std::isfinite(number) && number >= min && number <= max)
        return number;
    return invalid(key, value, defaultValue);
}

QString settingChoice(const QString &key, const QString &defaultValue, const QStringList &allowed)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() == QMetaType::QString && allowed.contains(value.toString()))
        return value.toString();
    return invalid(key, value, defaultValue);
}

QString settingText(const QString &key, const QString &defaultValue)
{
    const QVariant value = stored(key);
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QString>())
        return value.toString();
    return invalid(key, value, defaultValue);
}

void applyLanguageSetting(const QString &value)
{
    uiEnglish = value == QLatin1String("en");
}
