#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QSettings>

namespace {

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}

} // namespace

void MainWindow::buildActions()
{
    Actions *registry = Actions::instance();
    const QString playback = Actions::playbackCategory();
    const QString audio = Actions::audioCategory();
    const QString video = Actions::videoCategory();
    const QString subtitle = Actions::subtitleCategory();
    const QString general = Actions::generalCategory();
    auto add = [registry](const char *id, const QString &label, const char *iconName,
                          const QKeySequence &key, std::function<void()> handler,
                          const QString &category) {
        return registry->add(QString::fromLatin1(id), label, QString::fromLatin1(iconName), key,
                             std::move(handler), category);
    };
    auto keys = [](const char *portable) {
        return QKeySequence::fromString(QString::fromLatin1(portable), QKeySequence::PortableText);
    };
    const double seekStep = 5.0;
    auto step = [seekStep] {
        return settingValue(QStringLiteral("playback/seekStep"), seekStep).toDouble();
    };
    auto speedStep = [] {
        return settingValue(QStringLiteral("playback/speedStep"), 0.25).toDouble();
    };

    add(
            "sleep_timer", tr2("Sleep timer…", "Temporizador para pausar…"), "clock", {},
            [this] { showSleepTimerDialog(); }, playback);
    add(
            "open_file", tr2("Open file…", "Abrir arquivo…"), "file", keys("Ctrl+O"),
            [this] { openFiles(); }, general);
    add(
            "open_folder", tr2("Open folder…", "Abrir pasta…"), "folder", keys("Ctrl+Shift+O"),
            [this] { openFolder(); }, general);
    add(
            "open_url", tr2("Open link…", "Abrir link…"), "link", keys("Ctrl+U"),
            [this] { openLink(); }, general);
    add(
            "quit", tr2("Quit", "Sair"), "x", keys("Ctrl+Q"), [this] { realQuit(); }, general);
    add(
            "queue_toggle", tr2("Show queue", "Mostrar fila"), "queue", keys("Q"),
            [this] { toggleQueue(); }, general);
    add(
            "go_home", tr2("Go to Home", "Ir para Início"), "home", keys("Ctrl+1"),
            [this] { navigate(QStringLiteral("home")); }, general);
    add(
            "go_videos", tr2("Go to Videos", "Ir para Vídeos"), "film", keys("Ctrl+2"),
            [this] { navigate(QStringLiteral("videos")); }, general);
    add(
            "go_music", tr2("Go to Music", "Ir para Música"), "music", keys("Ctrl+3"),
            [this] { navigate(QStringLiteral("music")); }, general);
    add(
            "go_playlists", tr2("Go to Playlists", "Ir para Playlists"), "playlist", keys("Ctrl+4"),
            [this] { navigate(QStringLiteral("playlists")); }, general);
    add(
            "go_recents", tr2("Go to Recent", "Ir para Recentes"), "clock", keys("Ctrl+5"),
            [this] { navigate(QStringLiteral("recents")); }, general);
    add(
            "go_radios", tr2("Go to Radio & TV", "Ir para Rádios e TV"), "radio", keys("Ctrl+6"),
            [this] { navigate(QStringLiteral("radios")); }, general);
    add(
            "go_player", tr2("Go to Now playing", "Ir para Reproduzindo"), "play", keys("Ctrl+7"),
            [this] { navigate(QStringLiteral("player")); }, general);
    add(
            "go_settings", tr2("Settings", "Configurações"), "settings", keys("Ctrl+,"),
            [this] { navigate(QStringLiteral("settings")); }, general);

    add(
            "play_pause", tr2("Play / pause", "Tocar / pausar"), "play",
            QKeySequence(Qt::Key_Space), [this] { m_core->togglePause(); }, playback);
    add(
            "stop", tr2("Stop", "Parar"), "stop", {}, [this] { m_core->stop(); }, playback);
    add(
            "next", tr2("Next", "Próxima"), "next", keys("N"), [this] { m_core->next(); },
            playback);
    add(
            "prev", tr2("Previous", "Anterior"), "prev", keys("P"), [this] { m_core->previous(); },
            playback);
    add(
            "seek_fwd", tr2("Forward (short)", "Avançar (passo curto)"), "chevron-right",
            QKeySequence(Qt::Key_Right), [this, step] { seekBy(step()); }, playback);
    add(
            "seek_back", tr2("Back (short)", "Voltar (passo curto)"), "chevron-left",
            QKeySequence(Qt::Key_Left), [this, step] { seekBy(-step()); }, playback);
    add(
            "seek_fwd10", tr2("Forward 10 s", "Avançar 10 s"), "fwd10", keys("L"),
            [this] { seekBy(10); }, playback);
    add(
            "seek_back10", tr2("Back 10 s", "Voltar 10 s"), "back10", keys("J"),
            [this] { seekBy(-10); }, playback);
    add(
            "seek_fwd60", tr2("Forward 1 minute", "Avançar 1 minuto"), "fwd10", keys("Ctrl+Right"),
            [this] { seekBy(60); }, playback);
    add(
            "seek_back60", tr2("Back 1 minute", "Voltar 1 minuto"), "back10", keys("Ctrl+Left"),
            [this] { seekBy(-60); }, playback);
    add(
            "frame_next", tr2("Next frame", "Próximo quadro"), "frame", keys("."),
            [this] { m_core->frameStep(false); }, playback);
    add(
            "frame_prev", tr2("Previous frame", "Quadro anterior"), "frame", keys(","),
            [this] { m_core->frameStep(true); }, playback);
    add(
            "speed_up", tr2("Faster", "Mais rápido"), "speed", keys("]"),
            [this, speedStep] { applySpeed(m_core->speed() + speedStep()); }, playback);
    add(
            "speed_down", tr2("Slower", "Mais devagar"), "speed", keys("["),
            [this, speedStep] { applySpeed(m_core->speed() - speedStep()); }, playback);
    add(
            "speed_fine_up", tr2("Speed +0.05", "Velocidade +0,05"), "speed", keys("Ctrl+]"),
            [this] { applySpeed(m_core->speed() + 0.05); }, playback);
    add(
            "speed_fine_down", tr2("Speed −0.05", "Velocidade −0,05"), "speed", keys("Ctrl+["),
            [this] { applySpeed(m_core->speed() - 0.05); }, playback);
    add(
            "speed_reset", tr2("Normal speed (1x)", "Velocidade normal (1x)"), "speed",
            QKeySequence(Qt::Key_Backspace), [this] { applySpeed(1.0); }, playback);
    add(
            "ab_loop", tr2("A-B repeat", "Repetir trecho A-B"), "ab", keys("Ctrl+L"),
            [this] {
                m_core->toggleAbLoop();
                QTimer::singleShot(100, this, [this] { showAbLoopToast(); });
            },
            playback);
    add(
            "repeat", tr2("Cycle repeat", "Alternar repetição"), "repeat", keys("R"),
            [this] { cycleRepeat(); }, playback);
    add(
            "shuffle", tr2("Shuffle", "Aleatório"), "shuffle", keys("Shift+R"),
            [this] { toggleShuffle(); }, playback);
    add(
            "chapter_next", tr2("Next chapter", "Próximo capítulo"), "next",
            QKeySequence(Qt::Key_PageDown), [this] { m_core->chapterStep(true); }, playback);
    add(
            "chapter_prev", tr2("Previous chapter", "Capítulo anterior"), "prev",
            QKeySequence(Qt::Key_PageUp), [this] { m_core->chapterStep(false); }, playback);
    add(
            "goto_time", tr2("Go to time…", "Ir para o tempo…"), "clock", keys("Ctrl+J"),
            [this] { showGotoTimeDialog(); }, playback);

    add(
            "vol_up", tr2("Volume up", "Aumentar volume"), "volume", QKeySequence(Qt::Key_Up),
            [this] { changeVolumeBy(5); }, audio);
    add(
            "vol_down", tr2("Volume down", "Baixar volume"), "volume-low",
            QKeySequence(Qt::Key_Down), [this] { changeVolumeBy(-5); }, audio);
    add(
            "mute", tr2("Mute", "Mudo"), "volume-x", keys("M"), [this] { toggleMute(); }, audio);
    add(
            "audio_cycle", tr2("Cycle audio track", "Trocar faixa de áudio"), "audio", keys("B"),
            [this] { cycleTrackWithToast(QStringLiteral("audio")); }, audio);
    add(
            "audio_delay_plus", tr2("Audio delay +0.1 s", "Atrasar áudio +0,1 s"), "audio",
            keys("Ctrl+H"), [this] { changeAudioDelay(0.1); }, audio);
    add(
            "audio_delay_minus", tr2("Audio delay −0.1 s", "Adiantar áudio −0,1 s"), "audio",
            keys("Ctrl+G"), [this] { changeAudioDelay(-0.1); }, audio);
    add(
            "eq", tr2("Equalizer…", "Equalizador…"), "eq", keys("Ctrl+E"),
            [this] { showEqualizer(); }, audio);
    QAction *normalize = add(
            "normalize", tr2("Normalize volume", "Normalizar volume"), "volume", {},
            [this] { toggleNormalize(); }, audio);
    normalize->setCheckable(true);
    normalize->setChecked(settingValue(QStringLiteral("audio/normalize"), false).toBool());

    add(
            "fullscreen", tr2("Fullscreen", "Tela cheia"), "fullscreen", keys("F"),
            [this] { setFullscreen(!m_fullscreen); }, video);
    add(
            "exit_fullscreen",
            tr2("Exit fullscreen / mini player", "Sair da tela cheia / mini player"),
            "fullscreen-exit", QKeySequence(Qt::Key_Escape),
            [this] {
                if (m_fullscreen)
                    setFullscreen(false);
                else if (m_mini)
                    toggleMiniPlayer();
            },
            video);
    add(
            "mini", tr2("Mini player / PiP", "Mini player / janela flutuante"), "pip",
            keys("Ctrl+M"), [this] { toggleMiniPlayer(); }, video);
    QAction *onTop = add(
            "on_top", tr2("Always on top", "Sempre visível (no topo)"), "pin", keys("Ctrl+T"),
            [this] { toggleAlwaysOnTop(); }, video);
    onTop->setCheckable(true);
    add(
            "aspect_cycle", tr2("Cycle aspect ratio", "Trocar proporção"), "aspect", keys("A"),
            [this] { cycleAspect(); }, video);
    add(
            "zoom_in", tr2("Zoom in", "Aproximar (zoom +)"), "plus", keys("Ctrl+="),
            [this] { zoomBy(0.1); }, video);
    add(
            "zoom_out", tr2("Zoom out", "Afastar (zoom −)"), "x", keys("Ctrl+-"),
            [this] { zoomBy(-0.1); }, video);
    add(
            "zoom_reset", tr2("Reset zoom", "Zoom original"), "aspect", keys("Ctrl+0"),
            [this] { resetZoom(); }, video);
    add(
            "rotate", tr2("Rotate 90°", "Girar 90°"), "rotate", keys("Ctrl+Shift+R"),
            [this] { rotateVideo(); }, video);
    QAction *mirror = add(
            "mirror", tr2("Mirror", "Espelhar"), "mirror", keys("Ctrl+Shift+M"),
            [this] { toggleMirror(); }, video);
    mirror->setCheckable(true);
    add(
            "image_adjust", tr2("Picture adjustments…", "Ajustes de imagem…"), "image",
            keys("Ctrl+Shift+I"), [this] { showImageAdjust(); }, video);
    add(
            "screenshot", tr2("Screenshot", "Capturar quadro"), "camera", keys("S"),
            [this] { takeScreenshot(false); }, video);
    add(
            "screenshot_subs", tr2("Screenshot with subtitles", "Capturar quadro com legenda"),
            "camera", keys("Shift+S"), [this] { takeScreenshot(true); }, video);
    add(
            "media_info", tr2("Media information", "Informações da mídia"), "info", keys("Ctrl+I"),
            [this] { showMediaInfo(); }, video);

    add(
            "sub_cycle", tr2("Cycle subtitles", "Trocar legenda"), "captions", keys("V"),
            [this] { cycleTrackWithToast(QStringLiteral("sub")); }, subtitle);
    add(
            "sub_delay_plus", tr2("Subtitle delay +0.1 s", "Atrasar legenda +0,1 s"), "captions",
            keys("H"), [this] { changeSubDelay(0.1); }, subtitle);
    add(
            "sub_delay_minus", tr2("Subtitle delay −0.1 s", "Adiantar legenda −0,1 s"), "captions",
            keys("G"), [this] { changeSubDelay(-0.1); }, subtitle);
    add(
            "sub_load", tr2("Load subtitle file…", "Carregar arquivo de legenda…"), "captions",
            keys("Ctrl+Shift+L"), [this] { addSubtitleFile(); }, subtitle);
    add(
            "sub_style", tr2("Subtitle style & sync…", "Aparência e sincronia da legenda…"), "edit",
            {}, [this] { showSubtitleStyle(); }, subtitle);
}

void MainWindow::addSeekPercentActions()
{
    // Fixed keys, deliberately outside the editable registry.
    for (int digit = 0; digit <= 9; ++digit) {
        auto *action = new QAction(this);
        action->setObjectName(QStringLiteral("seek_percent_%1").arg(digit * 10));
        action->setShortcut(QKeySequence(Qt::Key_0 + digit));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, digit] {
            if (m_core->duration() > 0)
                m_core->seekPercent(digit * 10);
        });
        addAction(action);
    }
}
