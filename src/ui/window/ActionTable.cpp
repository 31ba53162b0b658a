#include "ui/window/ActionTable.h"

#include "ui/Actions.h"
#include "ui/UiText.h"

namespace {

using C = ActionCategory;

} // namespace

QString ActionSpec::label() const
{
    return tr2(english, portuguese);
}

QKeySequence ActionSpec::key() const
{
    return QKeySequence::fromString(QString::fromLatin1(defaultKey), QKeySequence::PortableText);
}

QString ActionSpec::categoryLabel() const
{
    switch (category) {
    case C::Playback:
        return Actions::playbackCategory();
    case C::Audio:
        return Actions::audioCategory();
    case C::Video:
        return Actions::videoCategory();
    case C::Subtitle:
        return Actions::subtitleCategory();
    case C::General:
        break;
    }
    return Actions::generalCategory();
}

const QList<ActionSpec> &actionTable()
{
    static const QList<ActionSpec> table = {
            {"sleep_timer", "Sleep timer…", "Temporizador para pausar…", "clock", "", C::Playback},
            {"open_file", "Open file…", "Abrir arquivo…", "file", "Ctrl+O", C::General},
            {"open_folder", "Open folder…", "Abrir pasta…", "folder", "Ctrl+Shift+O", C::General},
            {"open_url", "Open link…", "Abrir link…", "link", "Ctrl+U", C::General},
            {"quit", "Quit", "Sair", "x", "Ctrl+Q", C::General},
            {"queue_toggle", "Show queue", "Mostrar fila", "queue", "Q", C::General},
            {"go_home", "Go to Home", "Ir para Início", "home", "Ctrl+1", C::General},
            {"go_videos", "Go to Videos", "Ir para Vídeos", "film", "Ctrl+2", C::General},
            {"go_music", "Go to Music", "Ir para Música", "music", "Ctrl+3", C::General},
            {"go_playlists", "Go to Playlists", "Ir para Playlists", "playlist", "Ctrl+4",
             C::General},
            {"go_recents", "Go to Recent", "Ir para Recentes", "clock", "Ctrl+5", C::General},
            {"go_radios", "Go to Radio & TV", "Ir para Rádios e TV", "radio", "Ctrl+6", C::General},
            {"go_player", "Go to Now playing", "Ir para Reproduzindo", "play", "Ctrl+7",
             C::General},
            {"go_settings", "Settings", "Configurações", "settings", "Ctrl+,", C::General},

            {"play_pause", "Play / pause", "Tocar / pausar", "play", "Space", C::Playback},
            {"stop", "Stop", "Parar", "stop", "", C::Playback},
            {"next", "Next", "Próxima", "next", "N", C::Playback},
            {"prev", "Previous", "Anterior", "prev", "P", C::Playback},
            {"seek_fwd", "Forward (short)", "Avançar (passo curto)", "chevron-right", "Right",
             C::Playback},
            {"seek_back", "Back (short)", "Voltar (passo curto)", "chevron-left", "Left",
             C::Playback},
            {"seek_fwd10", "Forward 10 s", "Avançar 10 s", "fwd10", "L", C::Playback},
            {"seek_back10", "Back 10 s", "Voltar 10 s", "back10", "J", C::Playback},
            {"seek_fwd60", "Forward 1 minute", "Avançar 1 minuto", "fwd10", "Ctrl+Right",
             C::Playback},
            {"seek_back60", "Back 1 minute", "Voltar 1 minuto", "back10", "Ctrl+Left", C::Playback},
            {"frame_next", "Next frame", "Próximo quadro", "frame", ".", C::Playback},
            {"frame_prev", "Previous frame", "Quadro anterior", "frame", ",", C::Playback},
            {"speed_up", "Faster", "Mais rápido", "speed", "]", C::Playback},
            {"speed_down", "Slower", "Mais devagar", "speed", "[", C::Playback},
            {"speed_fine_up", "Speed +0.05", "Velocidade +0,05", "speed", "Ctrl+]", C::Playback},
            {"speed_fine_down", "Speed −0.05", "Velocidade −0,05", "speed", "Ctrl+[", C::Playback},
            {"speed_reset", "Normal speed (1x)", "Velocidade normal (1x)", "speed", "Backspace",
             C::Playback},
            {"ab_loop", "A-B repeat", "Repetir trecho A-B", "ab", "Ctrl+L", C::Playback},
            {"repeat", "Cycle repeat", "Alternar repetição", "repeat", "R", C::Playback},
            {"shuffle", "Shuffle", "Aleatório", "shuffle", "Shift+R", C::Playback},
            {"chapter_next", "Next chapter", "Próximo capítulo", "next", "PgDown", C::Playback},
            {"chapter_prev", "Previous chapter", "Capítulo anterior", "prev", "PgUp", C::Playback},
            {"goto_time", "Go to time…", "Ir para o tempo…", "clock", "Ctrl+J", C::Playback},

            {"vol_up", "Volume up", "Aumentar volume", "volume", "Up", C::Audio},
            {"vol_down", "Volume down", "Baixar volume", "volume-low", "Down", C::Audio},
            {"mute", "Mute", "Mudo", "volume-x", "M", C::Audio},
            {"audio_cycle", "Cycle audio track", "Trocar faixa de áudio", "audio", "B", C::Audio},
            {"audio_delay_plus", "Audio delay +0.1 s", "Atrasar áudio +0,1 s", "audio", "Ctrl+H",
             C::Audio},
            {"audio_delay_minus", "Audio delay −0.1 s", "Adiantar áudio −0,1 s", "audio", "Ctrl+G",
             C::Audio},
            {"eq", "Equalizer…", "Equalizador…", "eq", "Ctrl+E", C::Audio},
            {"normalize", "Normalize volume", "Normalizar volume", "volume", "", C::Audio, true},

            {"fullscreen", "Fullscreen", "Tela cheia", "fullscreen", "F", C::Video},
            {"exit_fullscreen", "Exit fullscreen / mini player", "Sair da tela cheia / mini player",
             "fullscreen-exit", "Esc", C::Video},
            {"mini", "Mini player / PiP", "Mini player / janela flutuante", "pip", "Ctrl+M",
             C::Video},
            {"on_top", "Always on top", "Sempre visível (no topo)", "pin", "Ctrl+T", C::Video,
             true},
            {"aspect_cycle", "Cycle aspect ratio", "Trocar proporção", "aspect", "A", C::Video},
            {"zoom_in", "Zoom in", "Aproximar (zoom +)", "plus", "Ctrl+=", C::Video},
            {"zoom_out", "Zoom out", "Afastar (zoom −)", "x", "Ctrl+-", C::Video},
            {"zoom_reset", "Reset zoom", "Zoom original", "aspect", "Ctrl+0", C::Video},
            {"rotate", "Rotate 90°", "Girar 90°", "rotate", "Ctrl+Shift+R", C::Video},
            {"mirror", "Mirror", "Espelhar", "mirror", "Ctrl+Shift+M", C::Video, true},
            {"image_adjust", "Picture adjustments…", "Ajustes de imagem…", "image", "Ctrl+Shift+I",
             C::Video},
            {"screenshot", "Screenshot", "Capturar quadro", "camera", "S", C::Video},
            {"screenshot_subs", "Screenshot with subtitles", "Capturar quadro com legenda",
             "camera", "Shift+S", C::Video},
            {"media_info", "Media information", "Informações da mídia", "info", "Ctrl+I", C::Video},

            {"sub_cycle", "Cycle subtitles", "Trocar legenda", "captions", "V", C::Subtitle},
            {"sub_delay_plus", "Subtitle delay +0.1 s", "Atrasar legenda +0,1 s", "captions", "H",
             C::Subtitle},
            {"sub_delay_minus", "Subtitle delay −0.1 s", "Adiantar legenda −0,1 s", "captions", "G",
             C::Subtitle},
            {"sub_load", "Load subtitle file…", "Carregar arquivo de legenda…", "captions",
             "Ctrl+Shift+L", C::Subtitle},
            {"sub_style", "Subtitle style & sync…", "Aparência e sincronia da legenda…", "edit", "",
             C::Subtitle},
    };
    return table;
}
