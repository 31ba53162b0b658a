#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "platform/ShowInFolder.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>

namespace {

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}

QStringList idList(std::initializer_list<const char *> ids)
{
    QStringList list;
    for (const char *id : ids)
        list.append(QString::fromLatin1(id));
    return list;
}

} // namespace

void MainWindow::addRegistryActions(QMenu *menu, const QStringList &ids)
{
    for (const QString &id : ids) {
        if (id.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        if (QAction *action = Actions::instance()->action(id))
            menu->addAction(action);
    }
}

QMenu *MainWindow::addFilledSubmenu(QMenu *parent, const QString &text, const QString &iconName,
                                    void (MainWindow::*fill)(QMenu *))
{
    QMenu *submenu = parent->addMenu(icon(iconName), text);
    connect(submenu, &QMenu::aboutToShow, this, [this, submenu, fill] {
        submenu->clear();
        (this->*fill)(submenu);
    });
    return submenu;
}

void MainWindow::buildMenuBar()
{
    QMenuBar *bar = menuBar();

    QMenu *media = bar->addMenu(tr2("&Media", "&Mídia"));
    addRegistryActions(media, idList({"open_file", "open_folder", "open_url"}));
    addFilledSubmenu(media, tr2("Open recent", "Abertos recentemente"), QStringLiteral("clock"),
                     &MainWindow::fillRecentMenu);
    media->addSeparator();
    addRegistryActions(media, idList({"quit"}));

    QMenu *playback = bar->addMenu(tr2("&Playback", "&Reprodução"));
    addRegistryActions(playback,
                       idList({"play_pause", "stop", "prev", "next", "", "seek_back", "seek_fwd",
                               "seek_back10", "seek_fwd10", "seek_back60", "seek_fwd60",
                               "frame_prev", "frame_next", "goto_time", ""}));
    addFilledSubmenu(playback, tr2("Speed", "Velocidade"), QStringLiteral("speed"),
                     &MainWindow::fillSpeedMenu);
    addFilledSubmenu(playback, tr2("Repeat", "Repetir"), QStringLiteral("repeat"),
                     &MainWindow::fillRepeatMenu);
    addRegistryActions(playback, idList({"shuffle", "ab_loop", "sleep_timer"}));
    addFilledSubmenu(playback, tr2("Chapters", "Capítulos"), QStringLiteral("list"),
                     &MainWindow::fillChaptersMenu);

    QMenu *audio = bar->addMenu(tr2("&Audio", "Á&udio"));
    addFilledSubmenu(audio, tr2("Audio track", "Faixa de áudio"), QStringLiteral("audio"),
                     &MainWindow::fillAudioTrackMenu);
    addFilledSubmenu(audio, tr2("Output device", "Saída de som"), QStringLiteral("volume"),
                     &MainWindow::fillOutputDeviceMenu);
    addRegistryActions(audio, idList({"vol_up", "vol_down", "mute", "audio_cycle",
                                      "audio_delay_plus", "audio_delay_minus", "eq", "normalize"}));

    QMenu *video = bar->addMenu(tr2("&Video", "&Vídeo"));
    addRegistryActions(video, idList({"fullscreen", "mini", "on_top", ""}));
    addFilledSubmenu(video, tr2("Aspect ratio", "Proporção da tela"), QStringLiteral("aspect"),
                     &MainWindow::fillAspectMenu);
    addFilledSubmenu(video, tr2("Video track", "Faixa de vídeo"), QStringLiteral("film"),
                     &MainWindow::fillVideoTrackMenu);
    addRegistryActions(video,
                       idList({"zoom_in", "zoom_out", "zoom_reset", "rotate", "mirror",
                               "image_adjust", "screenshot", "screenshot_subs", "media_info"}));

    QMenu *subtitles = bar->addMenu(tr2("&Subtitles", "&Legenda"));
    addFilledSubmenu(subtitles, tr2("Subtitle track", "Faixa de legenda"),
                     QStringLiteral("captions"), &MainWindow::fillSubtitleTrackMenu);
    addFilledSubmenu(subtitles, tr2("Secondary subtitle", "Segunda legenda"),
                     QStringLiteral("captions"), &MainWindow::fillSecondarySubtitleMenu);
    addRegistryActions(subtitles, idList({"sub_cycle", "sub_load", "sub_delay_plus",
                                          "sub_delay_minus", "sub_style"}));

    QMenu *view = bar->addMenu(tr2("V&iew", "&Exibir"));
    addRegistryActions(view,
                       idList({"go_home", "go_videos", "go_music", "go_playlists", "go_recents",
                               "go_radios", "go_player", "queue_toggle", "go_settings"}));

    QMenu *help = bar->addMenu(tr2("&Help", "A&juda"));
    help->addAction(icon(QStringLiteral("keyboard")),
                    tr2("Keyboard shortcuts", "Atalhos de teclado"), this,
                    [this] { navigate(QStringLiteral("settings")); });
    help->addAction(icon(QStringLiteral("refresh")),
                    tr2("Check for updates", "Procurar atualização"), this,
                    [this] { checkForUpdates(); });
    help->addAction(icon(QStringLiteral("globe")),
                    tr2("Zorvi Player website", "Página do Zorvi Player"), this,
                    [this] { openWebsite(); });
    help->addAction(icon(QStringLiteral("info")), tr2("About", "Sobre"), this,
                    [this] { showAbout(); });
}

void MainWindow::showMediaMenu(const QStringList &paths, const QPoint &globalPos, QWidget *extra)
{
    if (paths.isEmpty()) {
        if (extra)
            extra->deleteLater();
        return;
    }
    QMenu menu(this);
    if (extra) {
        menu.addActions(extra->actions());
        menu.addSeparator();
    }
    menu.addAction(icon(QStringLiteral("play")), tr2("Play", "Tocar"), this,
                   [this, paths] { playPaths(paths, 0); });
    menu.addAction(icon(QStringLiteral("next")), tr2("Play next", "Tocar em seguida"), this,
                   [this, paths] { playNextPaths(paths); });
    menu.addAction(icon(QStringLiteral("queue")), tr2("Add to queue", "Adicionar à fila"), this,
                   [this, paths] { enqueuePaths(paths); });

    QMenu *playlists = menu.addMenu(icon(QStringLiteral("playlist")),
                                    tr2("Add to playlist", "Adicionar à playlist"));
    playlists->addAction(icon(QStringLiteral("plus")), tr2("New playlist…", "Nova playlist…"), this,
                         [this, paths] { createPlaylistFrom(paths); });
    const QList<PlaylistInfo> existing = Database::instance()->playlists();
    if (!existing.isEmpty())
        playlists->addSeparator();
    for (const PlaylistInfo &info : existing) {
        playlists->addAction(info.name, this, [this, paths, info] {
            Database::instance()->appendToPlaylist(info.id, paths);
            showToast(tr2("Added to \"%1\"", "Adicionado a \"%1\"").arg(info.name));
        });
    }

    if (paths.size() == 1) {
        const QString path = paths.first();
        const bool favorite = Database::instance()->isFavorite(path);
        menu.addAction(icon(favorite ? QStringLiteral("heart") : QStringLiteral("heart-filled")),
                       favorite ? tr2("Remove from favorites", "Tirar dos favoritos")
                                : tr2("Add to favorites", "Favoritar"),
                       this, [this, path, favorite] {
                           Database::instance()->setFavorite(path, !favorite);
                           if (path == m_currentPath)
                               updateFavoriteState();
                       });
        if (!isNetworkSource(path)) {
            menu.addSeparator();
            menu.addAction(icon(QStringLiteral("folder")),
                           tr2("Show in folder", "Abrir pasta do arquivo"), this,
                           [path] { ::showInFolder(path); });
            menu.addAction(
                    icon(QStringLiteral("link")), tr2("Copy path", "Copiar caminho"), this, [path] {
                        QGuiApplication::clipboard()->setText(QDir::toNativeSeparators(path));
                    });
        }
    }

    menu.exec(globalPos);
    if (extra)
        extra->deleteLater();
}

void MainWindow::createPlaylistFrom(const QStringList &paths)
{
    bool ok = false;
    const QString name =
            QInputDialog::getText(this, tr2("New playlist", "Nova playlist"), tr2("Name:", "Nome:"),
                                  QLineEdit::Normal, QString(), &ok)
                    .trimmed();
    if (!ok || name.isEmpty())
        return;
    const qint64 id = Database::instance()->createPlaylist(name);
    if (id <= 0)
        return;
    Database::instance()->setPlaylistItems(id, paths);
    showToast(tr2("Playlist created", "Playlist criada"));
}
