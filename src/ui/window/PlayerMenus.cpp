#include "ui/window/PlayerMenus.h"

#include "app/AppSettings.h"
#include "app/Version.h"
#include "engine/AudioDevice.h"
#include "engine/FormatTime.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "platform/ShowInFolder.h"
#include "ui/Actions.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/SpeedText.h"
#include "ui/Theme.h"
#include "ui/UiText.h"
#include "ui/window/PlaybackSession.h"
#include "ui/window/PlayerCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

#include <cmath>

namespace {

const QString WebsiteUrl = QStringLiteral("https://orvandel.com.br/aplicacoes/zorvi-player/");
constexpr int AboutLogoPx = 80;
// A resume point shorter than this is not worth showing in the recent list.
constexpr double ShownResumeSeconds = 5;

QStringList idList(std::initializer_list<const char *> ids)
{
    QStringList list;
    for (const char *id : ids)
        list.append(QString::fromLatin1(id));
    return list;
}

QAction *addChoice(QMenu *menu, QActionGroup *group, const QString &text, bool checked)
{
    QAction *action = menu->addAction(text);
    action->setCheckable(true);
    action->setChecked(checked);
    group->addAction(action);
    return action;
}

} // namespace

PlayerMenus::PlayerMenus(QWidget *window, Host *host, PlayerCore *core, PlayerCommands *commands,
                         PlaybackSession *session, Database *database, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_host(host)
    , m_core(core)
    , m_commands(commands)
    , m_session(session)
    , m_database(database)
{}

void PlayerMenus::addRegistryActions(QMenu *menu, const QStringList &ids)
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

QMenu *PlayerMenus::filledMenu(QWidget *parent, Fill fill)
{
    auto *menu = new QMenu(parent);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, fill] {
        menu->clear();
        (this->*fill)(menu);
    });
    return menu;
}

QMenu *PlayerMenus::addFilledSubmenu(QMenu *parent, const QString &text, const QString &iconName,
                                     Fill fill)
{
    QMenu *submenu = parent->addMenu(icon(iconName), text);
    connect(submenu, &QMenu::aboutToShow, this, [this, submenu, fill] {
        submenu->clear();
        (this->*fill)(submenu);
    });
    return submenu;
}

QMenu *PlayerMenus::speedMenu(QWidget *parent)
{
    return filledMenu(parent, &PlayerMenus::fillSpeedMenu);
}

QMenu *PlayerMenus::subtitleMenu(QWidget *parent)
{
    return filledMenu(parent, &PlayerMenus::fillSubtitleButtonMenu);
}

QMenu *PlayerMenus::audioMenu(QWidget *parent)
{
    return filledMenu(parent, &PlayerMenus::fillAudioButtonMenu);
}

QMenu *PlayerMenus::moreMenu(QWidget *parent)
{
    return filledMenu(parent, &PlayerMenus::fillMoreMenu);
}

void PlayerMenus::buildMenuBar(QMenuBar *bar)
{
    QMenu *media = bar->addMenu(tr2("&Media", "&Mídia"));
    addRegistryActions(media, idList({"open_file", "open_folder", "open_url"}));
    addFilledSubmenu(media, tr2("Open recent", "Abertos recentemente"), QStringLiteral("clock"),
                     &PlayerMenus::fillRecentMenu);
    media->addSeparator();
    addRegistryActions(media, idList({"quit"}));

    QMenu *playback = bar->addMenu(tr2("&Playback", "&Reprodução"));
    addRegistryActions(playback,
                       idList({"play_pause", "stop", "prev", "next", "", "seek_back", "seek_fwd",
                               "seek_back10", "seek_fwd10", "seek_back60", "seek_fwd60",
                               "frame_prev", "frame_next", "goto_time", ""}));
    addFilledSubmenu(playback, tr2("Speed", "Velocidade"), QStringLiteral("speed"),
                     &PlayerMenus::fillSpeedMenu);
    addFilledSubmenu(playback, tr2("Repeat", "Repetir"), QStringLiteral("repeat"),
                     &PlayerMenus::fillRepeatMenu);
    addRegistryActions(playback, idList({"shuffle", "ab_loop", "sleep_timer"}));
    addFilledSubmenu(playback, tr2("Chapters", "Capítulos"), QStringLiteral("list"),
                     &PlayerMenus::fillChaptersMenu);

    QMenu *audio = bar->addMenu(tr2("&Audio", "Á&udio"));
    addFilledSubmenu(audio, tr2("Audio track", "Faixa de áudio"), QStringLiteral("audio"),
                     &PlayerMenus::fillAudioTrackMenu);
    addFilledSubmenu(audio, tr2("Output device", "Saída de som"), QStringLiteral("volume"),
                     &PlayerMenus::fillOutputDeviceMenu);
    addRegistryActions(audio, idList({"vol_up", "vol_down", "mute", "audio_cycle",
                                      "audio_delay_plus", "audio_delay_minus", "eq", "normalize"}));

    QMenu *video = bar->addMenu(tr2("&Video", "&Vídeo"));
    addRegistryActions(video, idList({"fullscreen", "mini", "on_top", ""}));
    addFilledSubmenu(video, tr2("Aspect ratio", "Proporção da tela"), QStringLiteral("aspect"),
                     &PlayerMenus::fillAspectMenu);
    addFilledSubmenu(video, tr2("Video track", "Faixa de vídeo"), QStringLiteral("film"),
                     &PlayerMenus::fillVideoTrackMenu);
    addRegistryActions(video,
                       idList({"zoom_in", "zoom_out", "zoom_reset", "rotate", "mirror",
                               "image_adjust", "screenshot", "screenshot_subs", "media_info"}));

    QMenu *subtitles = bar->addMenu(tr2("&Subtitles", "&Legenda"));
    addFilledSubmenu(subtitles, tr2("Subtitle track", "Faixa de legenda"),
                     QStringLiteral("captions"), &PlayerMenus::fillSubtitleTrackMenu);
    addFilledSubmenu(subtitles, tr2("Secondary subtitle", "Segunda legenda"),
                     QStringLiteral("captions"), &PlayerMenus::fillSecondarySubtitleMenu);
    addRegistryActions(subtitles, idList({"sub_cycle", "sub_load", "sub_delay_plus",
                                          "sub_delay_minus", "sub_style"}));

    QMenu *view = bar->addMenu(tr2("V&iew", "&Exibir"));
    addRegistryActions(view,
                       idList({"go_home", "go_videos", "go_music", "go_playlists", "go_recents",
                               "go_radios", "go_player", "queue_toggle", "go_settings"}));

    QMenu *help = bar->addMenu(tr2("&Help", "A&juda"));
    help->addAction(icon(QStringLiteral("keyboard")),
                    tr2("Keyboard shortcuts", "Atalhos de teclado"), this,
                    [this] { m_host->navigate(QStringLiteral("settings")); });
    help->addAction(icon(QStringLiteral("refresh")),
                    tr2("Check for updates", "Procurar atualização"), m_commands,
                    [this] { m_commands->checkForUpdates(); });
    help->addAction(icon(QStringLiteral("globe")),
                    tr2("Zorvi Player website", "Página do Zorvi Player"), this,
                    [this] { openWebsite(); });
    help->addAction(icon(QStringLiteral("info")), tr2("About", "Sobre"), this,
                    [this] { showAbout(); });
}

void PlayerMenus::showMediaMenu(const QStringList &paths, const QPoint &globalPos, QWidget *extra)
{
    if (paths.isEmpty()) {
        if (extra)
            extra->deleteLater();
        return;
    }
    QMenu menu(m_window);
    if (extra) {
        menu.addActions(extra->actions());
        menu.addSeparator();
    }
    menu.addAction(icon(QStringLiteral("play")), tr2("Play", "Tocar"), this,
                   [this, paths] { m_host->playPaths(paths, 0); });
    menu.addAction(icon(QStringLiteral("next")), tr2("Play next", "Tocar em seguida"), this,
                   [this, paths] { m_host->playNextPaths(paths); });
    menu.addAction(icon(QStringLiteral("queue")), tr2("Add to queue", "Adicionar à fila"), this,
                   [this, paths] { m_host->enqueuePaths(paths); });

    QMenu *playlists = menu.addMenu(icon(QStringLiteral("playlist")),
                                    tr2("Add to playlist", "Adicionar à playlist"));
    playlists->addAction(icon(QStringLiteral("plus")), tr2("New playlist…", "Nova playlist…"), this,
                         [this, paths] { createPlaylistFrom(paths); });
    const QList<PlaylistInfo> existing = m_database->playlists();
    if (!existing.isEmpty())
        playlists->addSeparator();
    for (const PlaylistInfo &info : existing) {
        playlists->addAction(info.name, this, [this, paths, info] {
            if (m_database->appendToPlaylist(info.id, paths))
                m_host->showToast(tr2("Added to \"%1\"", "Adicionado a \"%1\"").arg(info.name));
            else
                m_host->showToast(tr2("Could not add to \"%1\"", "Não foi possível adicionar a "
                                                                 "\"%1\"")
                                          .arg(info.name));
        });
    }

    if (paths.size() == 1) {
        const QString path = paths.first();
        const bool favorite = m_database->isFavorite(path);
        menu.addAction(icon(favorite ? QStringLiteral("heart") : QStringLiteral("heart-filled")),
                       favorite ? tr2("Remove from favorites", "Tirar dos favoritos")
                                : tr2("Add to favorites", "Favoritar"),
                       this, [this, path, favorite] {
                           m_database->setFavorite(path, !favorite);
                           Q_EMIT favoriteChanged(path);
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

void PlayerMenus::savePlaylist(const QString &title, const QString &suggestedName,
                               const QStringList &paths, const QString &doneText)
{
    bool ok = false;
    const QString name = QInputDialog::getText(m_window, title, tr2("Name:", "Nome:"),
                                               QLineEdit::Normal, suggestedName, &ok)
                                 .trimmed();
    if (!ok || name.isEmpty())
        return;
    const qint64 id = m_database->createPlaylist(name);
    if (id <= 0 || !m_database->setPlaylistItems(id, paths)) {
        m_host->showToast(tr2("Could not save the playlist", "Não foi possível salvar a playlist"));
        return;
    }
    m_host->showToast(doneText);
}

void PlayerMenus::createPlaylistFrom(const QStringList &paths)
{
    savePlaylist(tr2("New playlist", "Nova playlist"), QString(), paths,
                 tr2("Playlist created", "Playlist criada"));
}

void PlayerMenus::saveQueueAsPlaylist(const QStringList &paths)
{
    savePlaylist(tr2("Save queue as playlist", "Salvar fila como playlist"),
                 tr2("My queue", "Minha fila"), paths, tr2("Playlist saved", "Playlist salva"));
}

void PlayerMenus::showAbout()
{
    QMessageBox box(m_window);
    box.setWindowTitle(tr2("About Zorvi Player", "Sobre o Zorvi Player"));
    box.setIconPixmap(appLogo(AboutLogoPx));
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<b style='font-size:14pt'>Zorvi Player %1</b><br><br>%2<br>"
                               "<a style='color:%4' href='%3'>orvandel.com.br</a>")
                        .arg(QStringLiteral(ZORVI_VERSION),
                             tr2("Video and music player for Windows and Linux.",
                                 "Reprodutor de vídeo e música para Windows e Linux."),
                             WebsiteUrl, QLatin1String(ThemeColor::Accent)));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void PlayerMenus::openWebsite()
{
    QDesktopServices::openUrl(QUrl(WebsiteUrl));
}

void PlayerMenus::fillRecentMenu(QMenu *menu)
{
    const QList<HistoryEntry> rows = m_database->history(QString(), RecentItems);
    if (rows.isEmpty()) {
        menu->addAction(tr2("(empty)", "(vazio)"))->setEnabled(false);
        return;
    }
    for (const HistoryEntry &row : rows) {
        QString text = row.title.isEmpty() ? QFileInfo(row.path).fileName() : row.title;
        if (row.kind == QLatin1String("video") && !row.finished &&
            row.position > ShownResumeSeconds)
            text += QStringLiteral("   (") + formatTime(row.position) + QLatin1Char(')');
        const QString iconName = row.kind == QLatin1String("video")    ? QStringLiteral("film")
                                 : row.kind == QLatin1String("stream") ? QStringLiteral("radio")
                                                                       : QStringLiteral("music");
        const QString path = row.path;
        menu->addAction(icon(iconName), text, this, [this, path] { m_host->playPath(path); });
    }
    menu->addSeparator();
    menu->addAction(icon(QStringLiteral("clock")), tr2("See all…", "Ver todos…"), this,
                    [this] { m_host->navigate(QStringLiteral("recents")); });
}

void PlayerMenus::fillSpeedMenu(QMenu *menu)
{
    static const double presets[] = {0.25, 0.5, 0.75, 1, 1.25, 1.5, 1.75, 2, 2.5, 3, 3.5, 4};
    auto *group = new QActionGroup(menu);
    const double speed = m_core->speed();
    for (double preset : presets) {
        QString text = speedText(preset);
        if (preset == 1.0)
            text += QStringLiteral("  (normal)");
        QAction *action = addChoice(menu, group, text, std::abs(speed - preset) < 0.001);
        connect(action, &QAction::triggered, m_commands,
                [this, preset] { m_commands->applySpeed(preset); });
    }
    menu->addSeparator();
    addRegistryActions(menu,
                       idList({"speed_up", "speed_down", "speed_fine_up", "speed_fine_down"}));
    menu->addAction(tr2("Custom speed…", "Outra velocidade…"), m_commands,
                    [this] { m_commands->showCustomSpeedDialog(); });
}

void PlayerMenus::fillRepeatMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    const QList<QPair<PlayerCore::Repeat, QString>> modes = {
            {PlayerCore::RepeatOff, tr2("Off", "Não repetir")},
            {PlayerCore::RepeatAll, tr2("Repeat all", "Repetir a fila")},
            {PlayerCore::RepeatOne, tr2("Repeat one", "Repetir esta faixa")},
    };
    for (const auto &[mode, text] : modes) {
        QAction *action = addChoice(menu, group, text, m_core->repeat() == mode);
        const PlayerCore::Repeat chosen = mode;
        connect(action, &QAction::triggered, m_core, [this, chosen] { m_core->setRepeat(chosen); });
    }
}

void PlayerMenus::fillChaptersMenu(QMenu *menu)
{
    const auto chapters = m_core->chapters();
    if (chapters.isEmpty()) {
        menu->addAction(tr2("(no chapters)", "(sem capítulos)"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < chapters.size(); ++i) {
        const double start = chapters.at(i).time;
        const QString title = chapters.at(i).title;
        const QString text = title.isEmpty()
                                     ? tr2("Chapter %1", "Capítulo %1").arg(i + 1)
                                     : QStringLiteral("%1  ·  %2").arg(formatTime(start), title);
        menu->addAction(text, m_core, [this, start] { m_core->seekAbsolute(start); });
    }
}

void PlayerMenus::fillAudioTrackMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("audio"));
}

void PlayerMenus::fillVideoTrackMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("video"));
}

void PlayerMenus::fillSubtitleTrackMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("sub"));
}

void PlayerMenus::fillTrackMenu(QMenu *menu, const QString &kind)
{
    auto *group = new QActionGroup(menu);
    const auto tracks = m_core->tracksOfType(kind);
    if (kind != QLatin1String("audio")) {
        bool anySelected = false;
        for (const auto &track : tracks)
            anySelected = anySelected || track.selected;
        QAction *off = addChoice(menu, group, tr2("Off", "Desligada"), !anySelected);
        connect(off, &QAction::triggered, m_core, [this, kind] { m_core->selectTrack(kind, 0); });
    }
    if (tracks.isEmpty()) {
        menu->addAction(tr2("(no tracks)", "(nenhuma faixa)"))->setEnabled(false);
        return;
    }
    for (const auto &track : tracks) {
        QAction *action = addChoice(menu, group, track.trackLabel(), track.selected);
        const qint64 id = track.id;
        connect(action, &QAction::triggered, m_core,
                [this, kind, id] { m_core->selectTrack(kind, id); });
    }
}

void PlayerMenus::fillSecondarySubtitleMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    const qint64 current = m_core->secondarySubtitle();
    QAction *off = addChoice(menu, group, tr2("Off", "Desligada"), current <= 0);
    connect(off, &QAction::triggered, m_core, [this] { m_core->setSecondarySubtitle(0); });
    for (const auto &track : m_core->tracksOfType(QStringLiteral("sub"))) {
        const qint64 id = track.id;
        QAction *action = addChoice(menu, group, track.trackLabel(), current == id);
        connect(action, &QAction::triggered, m_core,
                [this, id] { m_core->setSecondarySubtitle(id); });
    }
}

void PlayerMenus::fillOutputDeviceMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    const QString current = m_core->audioDevice();
    for (const AudioDevice &device : m_core->audioDevices()) {
        const QString text = device.isAutomatic() ? tr2("Automatic (system default)",
                                                        "Automática (padrão do sistema)")
                                                  : device.description;
        QAction *action = addChoice(menu, group, text, device.name == current);
        const QString name = device.name;
        connect(action, &QAction::triggered, m_core, [this, name] {
            m_core->setAudioDevice(name);
            setSettingValue(QStringLiteral("audio/device"), name);
        });
    }
}

void PlayerMenus::fillAspectMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < PlayerCommands::aspectCount(); ++i) {
        QAction *action = addChoice(menu, group, PlayerCommands::aspectLabel(i),
                                    i == m_commands->aspectIndex());
        connect(action, &QAction::triggered, m_commands, [this, i] { m_commands->applyAspect(i); });
    }
}

void PlayerMenus::showVideoMenu(const QPoint &globalPos)
{
    auto *menu = new QMenu(m_window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    addRegistryActions(menu, idList({"play_pause", "next", "prev", ""}));
    addFilledSubmenu(menu, tr2("Speed (%1)", "Velocidade (%1)").arg(speedText(m_core->speed())),
                     QStringLiteral("speed"), &PlayerMenus::fillSpeedMenu);
    QMenu *subs = menu->addMenu(icon(QStringLiteral("captions")), tr2("Subtitles", "Legenda"));
    connect(subs, &QMenu::aboutToShow, this, [this, subs] {
        subs->clear();
        fillTrackMenu(subs, QStringLiteral("sub"));
        subs->addSeparator();
        addRegistryActions(subs, idList({"sub_load", "sub_style"}));
    });
    addFilledSubmenu(menu, tr2("Secondary subtitle", "Segunda legenda"), QStringLiteral("captions"),
                     &PlayerMenus::fillSecondarySubtitleMenu);
    QMenu *audio = menu->addMenu(icon(QStringLiteral("audio")), tr2("Audio", "Áudio"));
    connect(audio, &QMenu::aboutToShow, this, [this, audio] {
        audio->clear();
        fillTrackMenu(audio, QStringLiteral("audio"));
        audio->addSeparator();
        addRegistryActions(audio, idList({"eq", "normalize"}));
    });
    addFilledSubmenu(menu, tr2("Aspect", "Proporção"), QStringLiteral("aspect"),
                     &PlayerMenus::fillAspectMenu);
    if (!m_core->chapters().isEmpty())
        addFilledSubmenu(menu, tr2("Chapters", "Capítulos"), QStringLiteral("list"),
                         &PlayerMenus::fillChaptersMenu);
    menu->addSeparator();
    addRegistryActions(menu, idList({"ab_loop", "rotate", "mirror", "image_adjust", "screenshot",
                                     "media_info", "", "fullscreen", "mini", "on_top"}));
    menu->popup(globalPos);
}

void PlayerMenus::fillSubtitleButtonMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("sub"));
    menu->addSeparator();
    addFilledSubmenu(menu, tr2("Secondary subtitle", "Segunda legenda"), QStringLiteral("captions"),
                     &PlayerMenus::fillSecondarySubtitleMenu);
    addRegistryActions(menu, idList({"sub_load", "sub_style"}));
}

void PlayerMenus::fillAudioButtonMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("audio"));
    menu->addSeparator();
    addFilledSubmenu(menu, tr2("Output device", "Saída de som"), QStringLiteral("volume"),
                     &PlayerMenus::fillOutputDeviceMenu);
    addRegistryActions(menu, idList({"eq", "normalize"}));
}

void PlayerMenus::fillMoreMenu(QMenu *menu)
{
    addRegistryActions(menu, idList({"ab_loop"}));
    addFilledSubmenu(menu, tr2("Repeat", "Repetir"), QStringLiteral("repeat"),
                     &PlayerMenus::fillRepeatMenu);
    QMenu *chapters = addFilledSubmenu(menu, tr2("Chapters", "Capítulos"), QStringLiteral("list"),
                                       &PlayerMenus::fillChaptersMenu);
    chapters->setEnabled(!m_core->chapters().isEmpty());
    addRegistryActions(menu,
                       idList({"goto_time", "sleep_timer", "eq", "sub_load", "audio_cycle", ""}));
    addFilledSubmenu(menu, tr2("Aspect ratio", "Proporção da tela"), QStringLiteral("aspect"),
                     &PlayerMenus::fillAspectMenu);
    addRegistryActions(menu, idList({"rotate", "mirror", "image_adjust", "screenshot",
                                     "screenshot_subs", "", "on_top", "media_info"}));
}
