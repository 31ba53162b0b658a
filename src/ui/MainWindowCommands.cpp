#include "app/AppSettings.h"
#include "engine/MediaPaths.h"
#include "engine/MpvApi.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "engine/TrackInfo.h"
#include "library/Database.h"
#include "library/MediaFiles.h"
#include "playlists/PlaylistFiles.h"
#include "ui/Actions.h"
#include "ui/GotoTime.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/SpeedText.h"
#include "ui/WidgetBuilders.h"
#include "ui/bars/ControlBar.h"
#include "ui/bars/PreviewPopup.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/QueuePanel.h"

#include <QAction>
#include <QClipboard>
#include <QCollator>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}

const QString WebsiteUrl = QStringLiteral("https://orvandel.com.br/aplicacoes/zorvi-player/");

bool isLocalFileUrl(const QString &text)
{
    return QUrl(text, QUrl::TolerantMode).isLocalFile();
}

// Shortest form of a number: 10, -60, 2.5.
QString shortNumber(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

// ---- Host operations -------------------------------------------------------

void MainWindow::playPaths(const QStringList &paths, int startIndex)
{
    if (paths.isEmpty())
        return;
    saveResumePoint(true);
    m_core->playFiles(paths, startIndex);
}

void MainWindow::enqueuePaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_core->enqueue(paths);
    showToast(tr2("%1 items added to queue", "%1 itens adicionados à fila").arg(paths.size()));
}

void MainWindow::playNextPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_core->playNext(paths);
    showToast(tr2("Playing next", "Vai tocar em seguida"));
}

void MainWindow::playPath(const QString &path)
{
    m_resumeRequested.insert(path);
    playPaths({path}, 0);
}

// ---- Opening media ---------------------------------------------------------

QStringList MainWindow::expandPaths(const QStringList &list) const
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

void MainWindow::openFiles()
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
    const QStringList files =
            QFileDialog::getOpenFileNames(this, tr2("Open files", "Abrir arquivos"), start, filter);
    if (files.isEmpty())
        return;
    appSettings().setValue(QStringLiteral("ui/lastDir"), QFileInfo(files.first()).absolutePath());
    playPaths(expandPaths(files), 0);
}

void MainWindow::openFolder()
{
    const QString start = settingValue(QStringLiteral("ui/lastDir"), QString()).toString();
    const QString folder = QFileDialog::getExistingDirectory(
            this, tr2("Open folder", "Abrir pasta"), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    appSettings().setValue(QStringLiteral("ui/lastDir"), folder);
    const QStringList items = expandPaths({folder});
    if (items.isEmpty()) {
        showToast(tr2("No videos or music in that folder", "Nenhum vídeo ou música nessa pasta"));
        return;
    }
    playPaths(items, 0);
}

void MainWindow::openLink()
{
    const QString clip = QGuiApplication::clipboard()->text().trimmed();
    const QString initial = isNetworkSource(clip) ? clip : QString();
    bool ok = false;
    const QString text =
            QInputDialog::getText(this, tr2("Open link", "Abrir link"),
                                  tr2("Address of a video, audio, radio or playlist (http, "
                                      "https, rtmp, rtsp, m3u8):",
                                      "Endereço do vídeo, áudio, rádio ou lista (http, https, "
                                      "rtmp, rtsp, m3u8):"),
                                  QLineEdit::Normal, initial, &ok)
                    .trimmed();
    if (!ok || text.isEmpty())
        return;
    Database::instance()->ensureMedia(text, QStringLiteral("stream"), text);
    playPaths({text}, 0);
}

void MainWindow::openArguments(const QStringList &list, bool fromOtherInstance)
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
    if (fromOtherInstance) {
        if (isMinimized() || !isVisible())
            showNormal();
        raise();
        activateWindow();
    }
    const QStringList items = expandPaths(wanted);
    if (items.isEmpty())
        return;
    if (items.size() == 1 && subtitleSuffixes().contains(fileSuffixLower(items.first())) &&
        !m_core->isIdle()) {
        qInfo().noquote() << "legenda recebida:" << items.first();
        m_core->addSubtitle(items.first());
        return;
    }
    if (fromOtherInstance &&
        settingValue(QStringLiteral("general/openMode"), QStringLiteral("play")).toString() ==
                QLatin1String("queue") &&
        !m_core->isIdle()) {
        qInfo().noquote() << "argumentos na fila:" << items.join(QStringLiteral(" | "));
        enqueuePaths(items);
        return;
    }
    qInfo().noquote() << "argumentos tocados:" << items.join(QStringLiteral(" | "));
    playPaths(items, 0);
}

// ---- Load, end, resume and counting ---------------------------------------

void MainWindow::saveResumePoint(bool forced)
{
    if (m_currentPath.isEmpty() || m_core->isIdle() || isNetworkSource(m_currentPath))
        return;
    if (!forced && m_core->isPaused())
        return;
    const bool video = m_core->hasVideo();
    const double duration = m_core->duration();
    if (!video && duration < 1200)
        return;
    HistoryEntry row;
    row.path = m_currentPath;
    row.kind = video ? QStringLiteral("video") : QStringLiteral("audio");
    row.title = m_core->nowPlayingTitle();
    row.position = m_core->position();
    row.duration = duration;
    row.finished = duration > 0 && row.position >= duration - std::max(duration * 0.03, 10.0);
    Database *db = Database::instance();
    const bool wasBlocked = db->blockSignals(true);
    db->recordHistory(row);
    db->blockSignals(wasBlocked);
}

namespace {

// What the engine holds at the moment a file has loaded. The player's mirror
// follows through property events that the engine delivers after the load
// event, so right now it may still describe the previous item.
struct LoadedItem
{
    QString path;
    double duration = 0;
    bool hasVideo = false;
    QString title;
};

LoadedItem loadedItem(const PlayerCore *core)
{
    mpv_handle *handle = core->handle();
    LoadedItem item;
    item.path = normalizePath(getPropertyString(handle, "path"));
    if (item.path.isEmpty())
        item.path = core->currentPath();
    item.duration = std::max(0.0, getPropertyDouble(handle, "duration"));
    const QVariantList tracks = getPropertyNode(handle, "track-list").toList();
    for (const QVariant &entry : tracks) {
        const TrackInfo track = TrackInfo::fromMap(entry.toMap());
        item.hasVideo = item.hasVideo || (track.type == QLatin1String("video") && !track.albumart);
    }
    if (core->currentPath() == item.path) {
        item.title = core->nowPlayingTitle();
    } else {
        item.title = getPropertyString(handle, "media-title");
        if (item.title.isEmpty())
            item.title = QFileInfo(item.path).completeBaseName();
    }
    return item;
}

} // namespace

void MainWindow::onFileLoaded()
{
    const LoadedItem loaded = loadedItem(m_core);
    m_currentPath = loaded.path;
    m_preview->hide();
    m_preview->clearImage();
    m_lastPreviewPos = -1.0;
    m_playedSeconds = 0;
    m_playCounted = false;
    m_aspectIndex = 0;
    m_playerNavButton->show();

    const QString path = m_currentPath;
    const bool network = isNetworkSource(path);
    const bool isVideo = loaded.hasVideo || isVideoFile(path);
    const QString kind = network   ? QStringLiteral("stream")
                         : isVideo ? QStringLiteral("video")
                                   : QStringLiteral("audio");
    Database *db = Database::instance();
    const auto mediaRow = db->mediaByPath(path);
    if (isVideo || network || !mediaRow)
        db->ensureMedia(path, kind, loaded.title);
    if (loaded.duration > 0)
        db->setDurationIfUnknown(path, loaded.duration);

    bool resume = m_resumeRequested.remove(path);
    if (!resume)
        resume = settingValue(QStringLiteral("playback/resume"), true).toBool() &&
                 (isVideo || loaded.duration > 1200);
    const auto history = db->historyEntry(path);
    if (resume && history && !history->finished) {
        const double x = history->position;
        if (x > 5 && (history->duration <= 0 || x < history->duration - 10)) {
            m_core->seekAbsolute(x);
            if (settingValue(QStringLiteral("playback/resumeNotice"), true).toBool())
                showResumeNotice(x);
        }
    }

    HistoryEntry row;
    row.path = path;
    row.kind = kind;
    row.title = (!isVideo && !network && mediaRow) ? mediaRow->displayTitle() : loaded.title;
    row.duration = loaded.duration;
    row.position = (history && !history->finished) ? history->position : 0;
    row.finished = false;
    db->recordHistory(row);

    updateNowPlaying();

    if (isVideo) {
        m_videoStack->setCurrentWidget(m_video);
        if (!m_mini)
            navigate(QStringLiteral("player"));
    } else {
        m_videoStack->setCurrentWidget(m_nowPlaying);
    }
}

void MainWindow::onFileEnded(const QString &path, const QString &reason, double pos,
                             double duration)
{
    if (path.isEmpty() || reason == QLatin1String("error") || reason == QLatin1String("redirect"))
        return;
    const bool network = isNetworkSource(path);
    const bool isVideo = isVideoFile(path) || (path == m_currentPath && m_core->hasVideo());
    Database *db = Database::instance();
    HistoryEntry row;
    row.path = path;
    row.kind = network   ? QStringLiteral("stream")
               : isVideo ? QStringLiteral("video")
                         : QStringLiteral("audio");
    const auto existing = db->historyEntry(path);
    row.title = existing && !existing->title.isEmpty() ? existing->title
                                                       : QFileInfo(path).completeBaseName();
    row.duration = duration;
    row.position = network ? 0 : pos;
    row.finished = reason == QLatin1String("eof") ||
                   (duration > 0 && pos >= duration - std::max(duration * 0.03, 10.0));
    if (row.finished && !isVideo)
        return;
    db->recordHistory(row);
}

void MainWindow::onTick()
{
    if (m_core->isPaused() || m_core->isIdle() || m_core->isBuffering())
        return;
    m_playedSeconds += 1;
    const double duration = m_core->duration();
    if (!m_playCounted && !m_currentPath.isEmpty() && duration > 0 &&
        m_playedSeconds >= std::min(duration * 0.5, 30.0)) {
        m_playCounted = true;
        Database::instance()->countPlay(m_currentPath);
    }
}

void MainWindow::showResumeNotice(double seconds)
{
    delete m_resumeCard;
    auto *card = new QWidget(m_videoArea);
    card->setObjectName(QStringLiteral("Card"));
    card->setAttribute(Qt::WA_StyledBackground);
    auto *layout = new QHBoxLayout(card);
    layout->setContentsMargins(14, 8, 8, 8);
    auto *label =
            new QLabel(tr2("Resuming from %1", "Continuando de %1").arg(formatTime(seconds)), card);
    label->setStyleSheet(QStringLiteral("font-weight: 700;"));
    layout->addWidget(label);
    QPushButton *restart =
            makeButton(tr2("Start over", "Começar do início"), QStringLiteral("refresh"), false);
    layout->addWidget(restart);
    connect(restart, &QPushButton::clicked, card, [this, card] {
        m_core->seekAbsolute(0);
        card->deleteLater();
    });
    card->resize(card->sizeHint());
    card->move(24, 24);
    card->show();
    card->raise();
    QTimer::singleShot(7000, card, &QObject::deleteLater);
    m_resumeCard = card;
}

// ---- Commands of the registry ---------------------------------------------

void MainWindow::seekBy(double seconds)
{
    if (m_core->isIdle())
        return;
    m_core->seekRelative(seconds);
    showToast((seconds > 0 ? QStringLiteral("+") : QString()) + shortNumber(seconds) +
              QStringLiteral(" s"));
}

void MainWindow::changeVolumeBy(double delta)
{
    // Steps from the engine's own value: the mirrored one lags until the
    // change is reported, and a fast scroll would step from a stale value.
    const double current = getPropertyDouble(m_core->handle(), "volume", m_core->volume());
    const double volume = std::clamp(current + delta, 0.0, 200.0);
    m_core->setVolume(volume);
    showToast(QStringLiteral("Volume %1%").arg(static_cast<int>(volume)));
}

void MainWindow::applySpeed(double speed)
{
    const double value = std::clamp(std::round(speed * 100.0) / 100.0, 0.1, 8.0);
    m_core->setSpeed(value);
    showToast(tr2("Speed %1", "Velocidade %1").arg(speedText(value)));
}

void MainWindow::cycleAspect()
{
    static const char *values[] = {"-1", "16:9", "4:3", "2.33", "2.35", "1:1", "9:16"};
    m_aspectIndex = (m_aspectIndex + 1) % 9;
    mpv_handle *handle = m_core->handle();
    setPropertyString(handle, "panscan", QStringLiteral("0"));
    setPropertyString(handle, "keepaspect", QStringLiteral("yes"));
    if (m_aspectIndex <= 6) {
        setPropertyString(handle, "video-aspect-override",
                          QString::fromLatin1(values[m_aspectIndex]));
    } else if (m_aspectIndex == 7) {
        setPropertyString(handle, "video-aspect-override", QStringLiteral("-1"));
        setPropertyString(handle, "panscan", QStringLiteral("1.0"));
    } else {
        setPropertyString(handle, "video-aspect-override", QStringLiteral("-1"));
        setPropertyString(handle, "keepaspect", QStringLiteral("no"));
    }
    showToast(tr2("Aspect: ", "Proporção: ") + aspectLabel(m_aspectIndex));
}

void MainWindow::zoomBy(double step)
{
    m_zoomLevel = std::clamp(m_zoomLevel + step, -2.0, 2.0);
    setPropertyDouble(m_core->handle(), "video-zoom", m_zoomLevel);
    showToast(QStringLiteral("Zoom %1%").arg(static_cast<int>(std::pow(2.0, m_zoomLevel) * 100)));
}

void MainWindow::resetZoom()
{
    m_zoomLevel = 0;
    setPropertyDouble(m_core->handle(), "video-zoom", 0);
    setPropertyString(m_core->handle(), "video-pan-x", QStringLiteral("0"));
    setPropertyString(m_core->handle(), "video-pan-y", QStringLiteral("0"));
    showToast(QStringLiteral("Zoom 100%"));
}

void MainWindow::rotateVideo()
{
    m_rotation = (m_rotation + 90) % 360;
    setPropertyInt(m_core->handle(), "video-rotate", m_rotation);
    showToast(tr2("Rotation %1°", "Rotação %1°").arg(m_rotation));
}

void MainWindow::toggleMirror()
{
    const bool on = !m_core->mirror();
    m_core->setMirror(on);
    if (QAction *action = Actions::instance()->action(QStringLiteral("mirror")))
        action->setChecked(on);
    showToast(on ? tr2("Mirrored", "Espelhado") : tr2("Mirror off", "Espelho desligado"));
}

void MainWindow::toggleNormalize()
{
    const bool on = !settingValue(QStringLiteral("audio/normalize"), false).toBool();
    appSettings().setValue(QStringLiteral("audio/normalize"), on);
    m_core->setNormalize(on);
    if (QAction *action = Actions::instance()->action(QStringLiteral("normalize")))
        action->setChecked(on);
    showToast(on ? tr2("Normalization on", "Normalização ligada")
                 : tr2("Normalization off", "Normalização desligada"));
}

void MainWindow::cycleRepeat()
{
    switch (m_core->repeat()) {
    case PlayerCore::RepeatOff:
        m_core->setRepeat(PlayerCore::RepeatAll);
        showToast(tr2("Repeat all", "Repetir a fila"));
        break;
    case PlayerCore::RepeatAll:
        m_core->setRepeat(PlayerCore::RepeatOne);
        showToast(tr2("Repeat one", "Repetir esta faixa"));
        break;
    default:
        m_core->setRepeat(PlayerCore::RepeatOff);
        showToast(tr2("Repeat off", "Repetição desligada"));
        break;
    }
}

void MainWindow::toggleShuffle()
{
    const bool on = !m_core->shuffle();
    m_core->setShuffle(on);
    showToast(on ? tr2("Shuffle on", "Aleatório ligado")
                 : tr2("Shuffle off", "Aleatório desligado"));
}

void MainWindow::toggleMute()
{
    const bool on = !m_core->isMuted();
    m_core->setMute(on);
    showToast(on ? tr2("Muted", "Mudo") : tr2("Sound on", "Som ligado"));
}

void MainWindow::cycleTrackWithToast(const QString &kind)
{
    m_core->cycleTrack(kind);
    QTimer::singleShot(150, this, [this, kind] {
        const auto tracks = m_core->tracksOfType(kind);
        if (kind == QLatin1String("audio")) {
            for (const auto &track : tracks) {
                if (track.selected)
                    showToast(tr2("Audio: ", "Áudio: ") + track.trackLabel());
            }
            return;
        }
        QString label = tr2("off", "desligada");
        for (const auto &track : tracks) {
            if (track.selected)
                label = track.trackLabel();
        }
        showToast(tr2("Subtitle: ", "Legenda: ") + label);
    });
}

void MainWindow::changeAudioDelay(double delta)
{
    const double value = getPropertyDouble(m_core->handle(), "audio-delay") + delta;
    m_core->setAudioDelay(value);
    showToast(tr2("Audio delay: %1 s", "Atraso do áudio: %1 s").arg(value, 0, 'f', 2));
}

void MainWindow::changeSubDelay(double delta)
{
    const double value = getPropertyDouble(m_core->handle(), "sub-delay") + delta;
    m_core->setSubDelay(value);
    showToast(tr2("Subtitle delay: %1 s", "Atraso da legenda: %1 s").arg(value, 0, 'f', 2));
}

void MainWindow::showAbLoopToast()
{
    const double a = m_core->abLoopA();
    const double b = m_core->abLoopB();
    if (a >= 0 && b >= 0)
        showToast(tr2("Looping %1 – %2", "Repetindo de %1 a %2").arg(formatTime(a), formatTime(b)));
    else if (a < 0)
        showToast(tr2("A-B repeat off", "Repetição A-B desligada"));
    else
        showToast(tr2("A set at %1 · press again for B",
                      "Início A em %1 · aperte de novo para marcar o fim B")
                          .arg(formatTime(a)));
}

void MainWindow::toggleQueue()
{
    m_controlBar->queueButton()->toggle();
}

void MainWindow::toggleFavorite()
{
    if (m_currentPath.isEmpty())
        return;
    const bool on = !Database::instance()->isFavorite(m_currentPath);
    Database::instance()->setFavorite(m_currentPath, on);
    m_controlBar->setFavoriteState(on, true);
    showToast(on ? tr2("Added to favorites", "Adicionado aos favoritos")
                 : tr2("Removed from favorites", "Removido dos favoritos"));
}

void MainWindow::addSubtitleFile()
{
    const QString start = m_currentPath.isEmpty() || isNetworkSource(m_currentPath)
                                  ? QString()
                                  : QFileInfo(m_currentPath).absolutePath();
    const QString filter = tr2("Subtitles", "Legendas") +
                           QStringLiteral(" (*.srt *.ass *.ssa *.vtt *.sub *.idx *.sup *.smi)");
    const QString file =
            QFileDialog::getOpenFileName(this, tr2("Subtitle", "Legenda"), start, filter);
    if (!file.isEmpty())
        m_core->addSubtitle(file);
}

void MainWindow::takeScreenshot(bool withSubtitles)
{
    if (!m_core->hasVideo()) {
        showToast(tr2("Nothing to capture", "Nada para capturar"));
        return;
    }
    const QString file = m_core->takeScreenshot(withSubtitles);
    if (file.isEmpty())
        showToast(tr2("Screenshot failed", "Falha na captura"));
    else
        showToast(tr2("Saved to ", "Captura salva em ") +
                  QDir::toNativeSeparators(QFileInfo(file).absolutePath()));
}

void MainWindow::showMediaInfo()
{
    if (m_core->isIdle())
        return;
    QMessageBox box(QMessageBox::NoIcon, tr2("Media information", "Informações da mídia"),
                    m_core->mediaInfoHtml(), QMessageBox::Ok, this);
    box.setTextFormat(Qt::RichText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MainWindow::showSleepTimerDialog()
{
    const int initial =
            m_sleepTimer.isActive() ? std::max(1, m_sleepTimer.remainingTime() / 60000) : 30;
    bool ok = false;
    const int minutes = QInputDialog::getInt(this, tr2("Sleep timer", "Temporizador"),
                                             tr2("Pause after how many minutes? (0 cancels)",
                                                 "Pausar em quantos minutos? (0 cancela)"),
                                             initial, 0, 240, 5, &ok);
    if (!ok)
        return;
    m_sleepTimer.stop();
    m_sleepTimer.disconnect(this);
    if (minutes <= 0) {
        showToast(tr2("Sleep timer cancelled", "Temporizador cancelado"));
        return;
    }
    connect(&m_sleepTimer, &QTimer::timeout, this, [this] {
        m_core->setPaused(true);
        saveResumePoint(true);
        showToast(tr2("Sleep timer: playback paused", "Temporizador: reprodução pausada"));
    });
    m_sleepTimer.start(minutes * 60000);
    showToast(tr2("Auto pause in %1 min", "Pausa automática em %1 min").arg(minutes));
}

void MainWindow::showGotoTimeDialog()
{
    if (m_core->duration() <= 0)
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(
            this, tr2("Go to time", "Ir para o tempo"),
            tr2("Time (e.g. 1:23:45, 12:30 or 90):", "Tempo (ex.: 1:23:45, 12:30 ou 90):"),
            QLineEdit::Normal, formatTime(m_core->position()), &ok);
    if (!ok || text.trimmed().isEmpty())
        return;
    const double total = parseGotoTime(text);
    m_core->seekAbsolute(total);
}

void MainWindow::showCustomSpeedDialog()
{
    bool ok = false;
    const double value = QInputDialog::getDouble(
            this, tr2("Speed", "Velocidade"), tr2("Speed (0.1 to 8):", "Velocidade (0,1 a 8):"),
            m_core->speed(), 0.1, 8.0, 2, &ok, Qt::WindowFlags(), 1);
    if (ok)
        applySpeed(value);
}

void MainWindow::showAbout()
{
    QMessageBox box(this);
    box.setWindowTitle(tr2("About Zorvi Player", "Sobre o Zorvi Player"));
    box.setIconPixmap(appLogo(80));
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<b style='font-size:14pt'>Zorvi Player %1</b><br><br>%2<br>"
                               "<a style='color:#2bd9fe' href='%3'>orvandel.com.br</a>")
                        .arg(QStringLiteral("1.1.0"),
                             tr2("Video and music player for Windows and Linux.",
                                 "Reprodutor de vídeo e música para Windows e Linux."),
                             WebsiteUrl));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void MainWindow::openWebsite()
{
    QDesktopServices::openUrl(QUrl(WebsiteUrl));
}

void MainWindow::saveQueueAsPlaylist(const QStringList &paths)
{
    bool ok = false;
    const QString name =
            QInputDialog::getText(this, tr2("Save queue as playlist", "Salvar fila como playlist"),
                                  tr2("Name:", "Nome:"), QLineEdit::Normal,
                                  tr2("My queue", "Minha fila"), &ok)
                    .trimmed();
    if (!ok || name.isEmpty())
        return;
    const qint64 id = Database::instance()->createPlaylist(name);
    if (id <= 0)
        return;
    Database::instance()->setPlaylistItems(id, paths);
    showToast(tr2("Playlist saved", "Playlist salva"));
}

// The updater and the three effect dialogs are separate pieces that are not
// part of this build yet; their entries say so instead of doing nothing.
void MainWindow::checkForUpdates()
{
    showToast(tr2("Update check is not available in this version",
                  "A busca de atualização não está disponível nesta versão"));
}

void MainWindow::showEqualizer()
{
    showToast(tr2("The equalizer is not available in this version",
                  "O equalizador não está disponível nesta versão"));
}

void MainWindow::showImageAdjust()
{
    showToast(tr2("Picture adjustments are not available in this version",
                  "Os ajustes de imagem não estão disponíveis nesta versão"));
}

void MainWindow::showSubtitleStyle()
{
    showToast(tr2("Subtitle style is not available in this version",
                  "A aparência da legenda não está disponível nesta versão"));
}
