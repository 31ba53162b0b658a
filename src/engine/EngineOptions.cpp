#include "engine/EngineOptions.h"

#include "app/AppSettings.h"
#include "app/Preferences.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStringList>

namespace {

// A hand-edited INI line such as "lang=pt,por" reads back as a list; the
// engine wants the comma-separated text either way.
QString settingText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

std::optional<QByteArray> optionalEnv(const char *name)
{
    if (!qEnvironmentVariableIsSet(name))
        return std::nullopt;
    return qgetenv(name);
}

} // namespace

EngineOptionInput currentEngineOptionInput(bool hwdecEnabled)
{
    EngineOptionInput input;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            input.refreshRate = screen->refreshRate();
    }
    input.hwdecEnabled = hwdecEnabled;
    input.hwdecEnv = qgetenv("ZORVIPLAYER_HWDEC");
    input.vfEnv = optionalEnv("ZORVIPLAYER_VF");
    input.optEnv = optionalEnv("ZORVIPLAYER_OPT");
    input.appVersion = QCoreApplication::applicationVersion();
    input.subCodepage = Preferences::subtitleEncoding();
    input.subLang = Preferences::subtitleLanguages();
    input.audioLang = Preferences::audioLanguages();
    QSettings &settings = appSettings();
    settings.beginGroup(QStringLiteral("subStyle"));
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys) {
        // Only subtitle look options are replayed; a stale or hand-edited key
        // naming a log file, a script or a folder would have the engine write
        // or load files.
        if (!isSubtitleStyleOption(key)) {
            qWarning("opcao de legenda ignorada: %s", qPrintable(key));
            continue;
        }
        input.subStyle.append({key, settingText(settings.value(key))});
    }
    settings.endGroup();
    return input;
}

bool isSubtitleStyleOption(const QString &name)
{
    if (!name.startsWith(QLatin1String("sub-")) || name.size() <= 4)
        return false;
    for (const char *part : {"file", "path", "dir"}) {
        if (name.contains(QLatin1String(part), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

QList<EngineOption> parseOptionList(const QByteArray &text)
{
    QList<EngineOption> options;
    const QStringList parts =
            QString::fromLocal8Bit(text).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            options.append({part.toUtf8(), QString()});
        else
            options.append({part.left(eq).toUtf8(), part.mid(eq + 1)});
    }
    return options;
}

QList<EngineOption> engineOptions(const EngineOptionInput &input)
{
    QList<EngineOption> options{
            {"config", QStringLiteral("no")},
            {"terminal", QStringLiteral("no")},
            {"vo", QStringLiteral("libmpv")},
            {"fbo-format", QStringLiteral("rgba16")},
    };
    if (input.refreshRate > 1)
        options.append({"override-display-fps", QString::number(input.refreshRate, 'f', 3)});
    QString hwdec = QString::fromLocal8Bit(input.hwdecEnv);
    if (hwdec.isEmpty())
        hwdec = input.hwdecEnabled ? QStringLiteral("auto-safe") : QStringLiteral("no");
    options.append({"hwdec", hwdec});
    if (input.vfEnv)
        options.append({"vf", QString::fromLocal8Bit(*input.vfEnv)});
    if (input.optEnv)
        options.append(parseOptionList(*input.optEnv));
    options.append({
            {"idle", QStringLiteral("yes")},
            {"keep-open", QStringLiteral("yes")},
            {"input-default-bindings", QStringLiteral("no")},
            {"input-vo-keyboard", QStringLiteral("no")},
            {"osc", QStringLiteral("no")},
            {"osd-level", QStringLiteral("0")},
            {"audio-display", QStringLiteral("no")},
            {"ytdl", QStringLiteral("no")},
            {"volume-max", QStringLiteral("200")},
            {"gapless-audio", QStringLiteral("weak")},
            {"prefetch-playlist", QStringLiteral("yes")},
            {"sub-auto", QStringLiteral("exact")},
            {"audio-file-auto", QStringLiteral("no")},
            {"cache", QStringLiteral("auto")},
            {"demuxer-max-bytes", QStringLiteral("150MiB")},
            {"demuxer-readahead-secs", QStringLiteral("10")},
            {"audio-client-name", QStringLiteral("Zorvi Player")},
            {"screenshot-format", QStringLiteral("png")},
            {"audio-pitch-correction", QStringLiteral("yes")},
            {"save-position-on-quit", QStringLiteral("no")},
            // The engine's own scripts (statistics overlay, console, profiles
            // by condition) answer to key bindings and a configuration file
            // this player never gives it; each would cost a thread and memory.
            {"load-stats-overlay", QStringLiteral("no")},
            {"load-osd-console", QStringLiteral("no")},
            {"load-auto-profiles", QStringLiteral("no")},
            {"user-agent", QStringLiteral("ZorviPlayer/%1").arg(input.appVersion)},
    });
    if (input.subCodepage != QLatin1String("auto"))
        options.append({"sub-codepage", input.subCodepage});
    options.append({"slang", input.subLang});
    options.append({"alang", input.audioLang});
    for (const auto &[key, value] : input.subStyle)
        options.append({key.toUtf8(), value});
    return options;
}
