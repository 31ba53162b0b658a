#include "app/AppSettings.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/Actions.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/SpeedText.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include <cmath>

namespace {

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}

QAction *addChoice(QMenu *menu, QActionGroup *group, const QString &text, bool checked)
{
    QAction *action = menu->addAction(text);
    action->setCheckable(true);
    action->setChecked(checked);
    group->addAction(action);
    return action;
}

const QList<QPair<QString, QString>> &aspectLabels()
{
    static const QList<QPair<QString, QString>> labels = {
            {QStringLiteral("Auto"), QStringLiteral("Automática")},
            {QStringLiteral("16:9"), QStringLiteral("16:9")},
            {QStringLiteral("4:3"), QStringLiteral("4:3")},
            {QStringLiteral("21:9"), QStringLiteral("21:9")},
            {QStringLiteral("2,35:1"), QStringLiteral("2,35:1")},
            {QStringLiteral("1:1"), QStringLiteral("1:1")},
            {QStringLiteral("9:16"), QStringLiteral("9:16")},
            {QStringLiteral("Fill screen (crop)"),
             QStringLiteral("Preencher a tela (corta bordas)")},
            {QStringLiteral("Stretch"), QStringLiteral("Esticar")},
    };
    return labels;
}

} // namespace

QString MainWindow::aspectLabel(int index)
{
    const auto &labels = aspectLabels();
    const auto &pair = labels.value(index, labels.first());
    return uiText(pair.first, pair.second);
}

void MainWindow::fillRecentMenu(QMenu *menu)
{
    const QList<HistoryEntry> rows = Database::instance()->history(QString(), 15);
    if (rows.isEmpty()) {
        menu->addAction(tr2("(empty)", "(vazio)"))->setEnabled(false);
        return;
    }
    for (const HistoryEntry &row : rows) {
        QString text = row.title.isEmpty() ? QFileInfo(row.path).fileName() : row.title;
        if (row.kind == QLatin1String("video") && !row.finished && row.position > 5)
            text += QStringLiteral("   (") + formatTime(row.position) + QLatin1Char(')');
        const QString iconName = row.kind == QLatin1String("video")    ? QStringLiteral("film")
                                 : row.kind == QLatin1String("stream") ? QStringLiteral("radio")
                                                                       : QStringLiteral("music");
        const QString path = row.path;
        menu->addAction(icon(iconName), text, this, [this, path] { playPath(path); });
    }
    menu->addSeparator();
    menu->addAction(icon(QStringLiteral("clock")), tr2("See all…", "Ver todos…"), this,
                    [this] { navigate(QStringLiteral("recents")); });
}

void MainWindow::fillSpeedMenu(QMenu *menu)
{
    static const double presets[] = {0.25, 0.5, 0.75, 1, 1.25, 1.5, 1.75, 2, 2.5, 3, 3.5, 4};
    auto *group = new QActionGroup(menu);
    const double speed = m_core->speed();
    for (double preset : presets) {
        QString text = speedText(preset);
        if (preset == 1.0)
            text += QStringLiteral("  (normal)");
        QAction *action = addChoice(menu, group, text, std::abs(speed - preset) < 0.001);
        connect(action, &QAction::triggered, this, [this, preset] { applySpeed(preset); });
    }
    menu->addSeparator();
    for (const char *id : {"speed_up", "speed_down", "speed_fine_up", "speed_fine_down"}) {
        if (QAction *action = Actions::instance()->action(QString::fromLatin1(id)))
            menu->addAction(action);
    }
    menu->addAction(tr2("Custom speed…", "Outra velocidade…"), this,
                    [this] { showCustomSpeedDialog(); });
}

void MainWindow::fillRepeatMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    const QList<QPair<PlayerCore::Repeat, QString>> modes = {
            {PlayerCore::RepeatOff, tr2("Off", "Não repetir")},
            {PlayerCore::RepeatAll, tr2("Repeat all", "Repetir a fila")},
            {PlayerCore::RepeatOne, tr2("Repeat one", "Repetir esta faixa")},
    };
    for (const auto &[mode, text] : modes) {
        QAction *action = addChoice(menu, group, text, m_core->repeat() == mode);
        connect(action, &QAction::triggered, this, [this, mode] { m_core->setRepeat(mode); });
    }
}

void MainWindow::fillChaptersMenu(QMenu *menu)
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
        menu->addAction(text, this, [this, start] { m_core->seekAbsolute(start); });
    }
}

void MainWindow::fillAudioTrackMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("audio"));
}

void MainWindow::fillVideoTrackMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("video"));
}

void MainWindow::fillSubtitleTrackMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("sub"));
}

void MainWindow::fillTrackMenu(QMenu *menu, const QString &kind)
{
    auto *group = new QActionGroup(menu);
    const auto tracks = m_core->tracksOfType(kind);
    if (kind != QLatin1String("audio")) {
        bool anySelected = false;
        for (const auto &track : tracks)
            anySelected = anySelected || track.selected;
        QAction *off = addChoice(menu, group, tr2("Off", "Desligada"), !anySelected);
        connect(off, &QAction::triggered, this, [this, kind] { m_core->selectTrack(kind, 0); });
    }
    if (tracks.isEmpty()) {
        menu->addAction(tr2("(no tracks)", "(nenhuma faixa)"))->setEnabled(false);
        return;
    }
    for (const auto &track : tracks) {
        QAction *action = addChoice(menu, group, track.trackLabel(), track.selected);
        const qint64 id = track.id;
        connect(action, &QAction::triggered, this,
                [this, kind, id] { m_core->selectTrack(kind, id); });
    }
}

void MainWindow::fillSecondarySubtitleMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    const QString current = getPropertyString(m_core->handle(), "secondary-sid");
    QAction *off = addChoice(menu, group, tr2("Off", "Desligada"),
                             current.isEmpty() || current == QLatin1String("no"));
    connect(off, &QAction::triggered, this, [this] { m_core->setSecondarySubtitle(0); });
    for (const auto &track : m_core->tracksOfType(QStringLiteral("sub"))) {
        const qint64 id = track.id;
        QAction *action =
                addChoice(menu, group, track.trackLabel(), current == QString::number(id));
        connect(action, &QAction::triggered, this,
                [this, id] { m_core->setSecondarySubtitle(id); });
    }
}

void MainWindow::fillOutputDeviceMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    const QString current = getPropertyString(m_core->handle(), "audio-device");
    for (const QVariant &entry : m_core->audioDevices()) {
        const QVariantMap device = entry.toMap();
        const QString name = device.value(QStringLiteral("name")).toString();
        const QString text =
                name == QLatin1String("auto")
                        ? tr2("Automatic (system default)", "Automática (padrão do sistema)")
                        : device.value(QStringLiteral("description")).toString();
        QAction *action = addChoice(menu, group, text, name == current);
        connect(action, &QAction::triggered, this, [this, name] {
            m_core->setAudioDevice(name);
            appSettings().setValue(QStringLiteral("audio/device"), name);
        });
    }
}

void MainWindow::fillAspectMenu(QMenu *menu)
{
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < aspectLabels().size(); ++i) {
        QAction *action = addChoice(menu, group, aspectLabel(i), i == m_aspectIndex);
        connect(action, &QAction::triggered, this, [this, i] {
            // Cycling from the entry before applies exactly this entry.
            m_aspectIndex = (i + 8) % 9;
            cycleAspect();
        });
    }
}

void MainWindow::showVideoMenu(const QPoint &globalPos)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto addIds = [this, menu](std::initializer_list<const char *> ids) {
        QStringList list;
        for (const char *id : ids)
            list.append(QString::fromLatin1(id));
        addRegistryActions(menu, list);
    };
    addIds({"play_pause", "next", "prev", ""});
    addFilledSubmenu(menu, tr2("Speed (%1)", "Velocidade (%1)").arg(speedText(m_core->speed())),
                     QStringLiteral("speed"), &MainWindow::fillSpeedMenu);
    QMenu *subs = menu->addMenu(icon(QStringLiteral("captions")), tr2("Subtitles", "Legenda"));
    connect(subs, &QMenu::aboutToShow, this, [this, subs] {
        subs->clear();
        fillTrackMenu(subs, QStringLiteral("sub"));
        subs->addSeparator();
        addRegistryActions(subs, {QStringLiteral("sub_load"), QStringLiteral("sub_style")});
    });
    addFilledSubmenu(menu, tr2("Secondary subtitle", "Segunda legenda"), QStringLiteral("captions"),
                     &MainWindow::fillSecondarySubtitleMenu);
    QMenu *audio = menu->addMenu(icon(QStringLiteral("audio")), tr2("Audio", "Áudio"));
    connect(audio, &QMenu::aboutToShow, this, [this, audio] {
        audio->clear();
        fillTrackMenu(audio, QStringLiteral("audio"));
        audio->addSeparator();
        addRegistryActions(audio, {QStringLiteral("eq"), QStringLiteral("normalize")});
    });
    addFilledSubmenu(menu, tr2("Aspect", "Proporção"), QStringLiteral("aspect"),
                     &MainWindow::fillAspectMenu);
    if (!m_core->chapters().isEmpty())
        addFilledSubmenu(menu, tr2("Chapters", "Capítulos"), QStringLiteral("list"),
                         &MainWindow::fillChaptersMenu);
    menu->addSeparator();
    addIds({"ab_loop", "rotate", "mirror", "image_adjust", "screenshot", "media_info", "",
            "fullscreen", "mini", "on_top"});
    menu->popup(globalPos);
}

void MainWindow::fillSubtitleButtonMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("sub"));
    menu->addSeparator();
    addFilledSubmenu(menu, tr2("Secondary subtitle", "Segunda legenda"), QStringLiteral("captions"),
                     &MainWindow::fillSecondarySubtitleMenu);
    addRegistryActions(menu, {QStringLiteral("sub_load"), QStringLiteral("sub_style")});
}

void MainWindow::fillAudioButtonMenu(QMenu *menu)
{
    fillTrackMenu(menu, QStringLiteral("audio"));
    menu->addSeparator();
    addFilledSubmenu(menu, tr2("Output device", "Saída de som"), QStringLiteral("volume"),
                     &MainWindow::fillOutputDeviceMenu);
    addRegistryActions(menu, {QStringLiteral("eq"), QStringLiteral("normalize")});
}

void MainWindow::fillMoreMenu(QMenu *menu)
{
    addRegistryActions(menu, {QStringLiteral("ab_loop")});
    addFilledSubmenu(menu, tr2("Repeat", "Repetir"), QStringLiteral("repeat"),
                     &MainWindow::fillRepeatMenu);
    QMenu *chapters = addFilledSubmenu(menu, tr2("Chapters", "Capítulos"), QStringLiteral("list"),
                                       &MainWindow::fillChaptersMenu);
    chapters->setEnabled(!m_core->chapters().isEmpty());
    addRegistryActions(menu, {QStringLiteral("goto_time"), QStringLiteral("sleep_timer"),
                              QStringLiteral("eq"), QStringLiteral("sub_load"),
                              QStringLiteral("audio_cycle"), QString()});
    addFilledSubmenu(menu, tr2("Aspect ratio", "Proporção da tela"), QStringLiteral("aspect"),
                     &MainWindow::fillAspectMenu);
    addRegistryActions(menu, {QStringLiteral("rotate"), QStringLiteral("mirror"),
                              QStringLiteral("image_adjust"), QStringLiteral("screenshot"),
                              QStringLiteral("screenshot_subs"), QString(),
                              QStringLiteral("on_top"), QStringLiteral("media_info")});
}
