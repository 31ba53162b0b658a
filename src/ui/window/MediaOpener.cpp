#include "ui/window/MediaOpener.h"

#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/MediaFiles.h"
#include "playlists/PlaylistFiles.h"
#include "ui/Host.h"
#include "ui/UiText.h"
#include "ui/window/ActionBinder.h"

#include <QClipboard>
#include <QCollator>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace {

bool isLocalFileUrl(const QString &text)
{
    return QUrl(text, QUrl::TolerantMode).isLocalFile();
}

} // namespace

MediaOpener::MediaOpener(Host *host, PlayerCore *core, Database *database, QWidget *dialogParent,
                         QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_core(core)
    , m_database(database)
    , m_dialogParent(dialogParent)
{}

const QStringList &MediaOpener::subtitleSuffixes()
{
    static const QStringList suffixes = {
            QStringLiteral("srt"), QStringLiteral("ass"), QStringLiteral("ssa"),
            QStringLiteral("vtt"), QStringLiteral("sub"), QStringLiteral("idx"),
            QStringLiteral("sup"), QStringLiteral("smi"), QStringLiteral("lrc")};
    return suffixes;
}

QStringList MediaOpener::expandPaths(const QStringList &list)
{
    // The "C" locale collates by code point and ignores the numeric mode, so
    // a process started without a language still sorts "Ep 2" before "Ep 10".
    const QLocale locale =
            QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList items;
    for (const QString &given : list) {
        if (given.contains(QLatin1String("://")) && !isLocalFileUrl(given)) {
            items.append(given);
            continue;
        }
        // A file URL that slipped through (drops, playlists) names a local path.
        const QString entry = isLocalFileUrl(given) ? QUrl(given).toLocalFile() : given;
        if (entry.isEmpty())
            continue;
        const QFileInfo info(entry);
        if (info.isDir()) {
            QStringList found;
            QDirIterator it(info.absoluteFilePath(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = QDir::cleanPath(it.next());
                const QString suffix = fileSuffixLower(file);
                if (videoExtensions().contains(suffix) || audioExtensions().contains(suffix))
                    found.append(file);
            }
            std::sort(found.begin(), found.end(), [&collator](const QString &a, const QString &b) {
                return collator.compare(a, b) < 0;
            });
            items.append(found);
            continue;
        }
        if (playlistSuffixes().contains(fileSuffixLower(entry))) {
            QString name;
            QStringList entries;
            if (readPlaylist(info.absoluteFilePath(), &name, &entries))
                items.append(entries);
            continue;
        }
        if (info.exists())
            items.append(QDir::cleanPath(info.absoluteFilePath()));
    }
    return items;
}

// A subtitle file on its own is not something to play.
QStringList MediaOpener::withoutSubtitles(QStringList items)
{
    items.removeIf(
            [](const QString &item) { return subtitleSuffixes().contains(fileSuffixLower(item)); });
    return items;
}

QString MediaOpener::nothingPlayableText()
{
    return tr2("No playable media found", "Nenhum vídeo ou música reconhecido");
}

bool MediaOpener::isLoneSubtitle(const QStringList &items) const
{
    return items.size() == 1 && subtitleSuffixes().contains(fileSuffixLower(items.first())) &&
           !m_core->isIdle();
}

void MediaOpener::bindActions(ActionBinder &binder)
{
    binder.bind("open_file", this, [this] { openFiles(); });
    binder.bind("open_folder", this, [this] { openFolder(); });
    binder.bind("open_url", this, [this] { openLink(); });
}

void MediaOpener::openFiles()
{
    QStringList patterns;
    for (const QStringList *list : {&videoExtensions(), &audioExtensions(), &playlistSuffixes()}) {
        for (const QString &suffix : *list)
            patterns.append(QStringLiteral("*.") + suffix);
    }
    const QString filter = tr2("Videos and music", "Vídeos e músicas") + QStringLiteral(" (") +
                           patterns.join(QLatin1Char(' ')) + QStringLiteral(");;") +
                           tr2("All files", "Todos os arquivos") + QStringLiteral(" (*)");
    const QString start =
            settingValue(QStringLiteral("ui/lastDir"),
                         QStandardPaths::writableLocation(QStandardPaths::MoviesLocation))
                    .toString();
    const QStringList files = QFileDialog::getOpenFileNames(
            m_dialogParent, tr2("Open files", "Abrir arquivos"), start, filter);
    if (files.isEmpty())
        return;
    appSettings().setValue(QStringLiteral("ui/lastDir"), QFileInfo(files.first()).absolutePath());
    m_host->playPaths(expandPaths(files), 0);
}

void MediaOpener::openFolder()
{
    const QString start = settingValue(QStringLiteral("ui/lastDir"), QString()).toString();
    const QString folder = QFileDialog::getExistingDirectory(
            m_dialogParent, tr2("Open folder", "Abrir pasta"), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    appSettings().setValue(QStringLiteral("ui/lastDir"), folder);
    const QStringList items = expandPaths({folder});
    if (items.isEmpty()) {
        m_host->showToast(
                tr2("No videos or music in that folder", "Nenhum vídeo ou música nessa pasta"));
        return;
    }
    m_host->playPaths(items, 0);
}

void MediaOpener::openLink()
{
    const QString clip = QGuiApplication::clipboard()->text().trimmed();
    const QString initial = isNetworkSource(clip) ? clip : QString();
    bool ok = false;
    const QString text =
            QInputDialog::getText(m_dialogParent, tr2("Open link", "Abrir link"),
                                  tr2("Address of a video, audio, radio or playlist (http, "
                                      "https, rtmp, rtsp, m3u8):",
                                      "Endereço do vídeo, áudio, rádio ou lista (http, https, "
                                      "rtmp, rtsp, m3u8):"),
                                  QLineEdit::Normal, initial, &ok)
                    .trimmed();
    if (!ok || text.isEmpty())
        return;
    m_database->ensureMedia(text, QStringLiteral("stream"), text);
    m_host->playPaths({text}, 0);
}

void MediaOpener::openArguments(const QStringList &list, bool fromOtherInstance)
{
    QStringList wanted;
    for (const QString &arg : list) {
        if (arg.startsWith(QLatin1String("--")))
            continue;
        if (arg.startsWith(QLatin1String("file:")))
            wanted.append(QUrl(arg).toLocalFile());
        else
            wanted.append(arg);
    }
    const QStringList expanded = expandPaths(wanted);
    if (expanded.isEmpty())
        return;
    if (isLoneSubtitle(expanded)) {
        qInfo().noquote() << "legenda recebida:" << expanded.first();
        m_core->addSubtitle(expanded.first());
        return;
    }
    // The same rule as a drop: subtitles alone are nothing to play.
    const QStringList items = withoutSubtitles(expanded);
    if (items.isEmpty()) {
        m_host->showToast(nothingPlayableText());
        return;
    }
    if (fromOtherInstance && Preferences::openMode() == QLatin1String("queue") &&
        !m_core->isIdle()) {
        qInfo().noquote() << "argumentos na fila:" << items.join(QStringLiteral(" | "));
        m_host->enqueuePaths(items);
        return;
    }
    qInfo().noquote() << "argumentos tocados:" << items.join(QStringLiteral(" | "));
    m_host->playPaths(items, 0);
}

bool MediaOpener::openDrop(const QMimeData *data, Qt::KeyboardModifiers modifiers)
{
    QStringList paths;
    for (const QUrl &url : data->urls())
        paths.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    if (paths.isEmpty())
        return false;

    if (isLoneSubtitle(paths)) {
        m_core->addSubtitle(paths.first());
        m_host->showToast(tr2("Subtitle loaded", "Legenda carregada"));
        return true;
    }

    const QStringList items = withoutSubtitles(expandPaths(paths));
    if (items.isEmpty()) {
        m_host->showToast(nothingPlayableText());
        return false;
    }
    if (modifiers & Qt::ControlModifier)
        m_host->enqueuePaths(items);
    else
        m_host->playPaths(items, 0);
    return true;
}

void MediaOpener::takeDropsOn(QWidget *target)
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool MediaOpener::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::DragEnter) {
        auto *enter = static_cast<QDragEnterEvent *>(event);
        if (enter->mimeData()->hasUrls())
            enter->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (openDrop(drop->mimeData(), drop->modifiers()))
            drop->acceptProposedAction();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
