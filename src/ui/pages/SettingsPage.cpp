#include "ui/pages/SettingsPage.h"

#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "app/Version.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/Actions.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/LibraryFolderBox.h"
#include "ui/pages/ShortcutTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString ProductUrl = QStringLiteral("https://orvandel.com.br/aplicacoes/zorvi-player/");
// The value a language field showed last, to tell an edit from a focus change.
constexpr char ShownProperty[] = "shownText";

QLabel *hintLabel(const QString &text)
{
    QLabel *hint = makeLabel(text, QStringLiteral("Muted"));
    hint->setWordWrap(true);
    return hint;
}

QString automaticDeviceText()
{
    return tr2("Automatic (system default)", "Automática (padrão do sistema)");
}

} // namespace

SettingsPage::SettingsPage(Host *host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    outer->addWidget(m_scroll);
    m_content = new QWidget;
    m_content->setMaximumWidth(980);
    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(tr2("Settings", "Configurações"), QStringLiteral("PageTitle")));

    addGroup(buildGeneral());
    addGroup(buildPlayback());
    addGroup(buildAudio());
    addGroup(buildSubtitles());
    m_musicFolders = new LibraryFolderBox(QStringLiteral("audio"),
                                          tr2("Music folders", "Pastas de música"), m_content);
    addGroup(m_musicFolders);
    m_videoFolders = new LibraryFolderBox(QStringLiteral("video"),
                                          tr2("Video folders", "Pastas de vídeo"), m_content);
    addGroup(m_videoFolders);
    addGroup(buildHistory());
    m_shortcuts = new ShortcutTable(m_host, m_content);
    addGroup(m_shortcuts);
    addGroup(buildAbout());
    layout->addStretch(1);
    m_scroll->setWidget(m_content);
}

void SettingsPage::addGroup(QWidget *group)
{
    m_content->layout()->addWidget(group);
    m_groups.append(group);
}

void SettingsPage::write(const QString &key, const QVariant &value)
{
    static bool told = false;
    if (setSettingValue(key, value) || told)
        return;
    told = true;
    m_host->showToast(
            tr2("Settings could not be saved", "Não foi possível salvar as configurações"));
}

QCheckBox *SettingsPage::addCheck(QFormLayout *form, const QString &key, bool defaultValue,
                                  const QString &text, const std::function<void(bool)> &changed)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(key);
    box->setChecked(settingBool(key, defaultValue));
    // Connected after the stored value is shown: opening the page writes nothing.
    connect(box, &QCheckBox::toggled, this, [this, key, changed](bool on) {
        write(key, on);
        if (changed)
            changed(on);
    });
    form->addRow(box);
    return box;
}

QComboBox *SettingsPage::addChoice(QFormLayout *form, const QString &key, const QString &label,
                                   const QList<QPair<QString, QString>> &items,
                                   const QString &current,
                                   const std::function<void(const QString &)> &changed)
{
    auto *combo = new QComboBox;
    combo->setObjectName(key);
    for (const auto &[text, value] : items)
        combo->addItem(text, value);
    combo->setCurrentIndex(std::max(0, combo->findData(current)));
    // Only a choice of the user writes, never the initial selection.
    connect(combo, &QComboBox::activated, this, [this, combo, key, changed](int index) {
        const QString value = combo->itemData(index).toString();
        write(key, value);
        if (changed)
            changed(value);
    });
    form->addRow(label, combo);
    return combo;
}

QLineEdit *SettingsPage::addLanguageField(QFormLayout *form, const QString &key,
                                          const QString &label, const QString &shown,
                                          const char *property)
{
    auto *field = new QLineEdit(shown);
    field->setObjectName(key);
    field->setProperty(ShownProperty, shown);
    const QByteArray engineProperty(property);
    // Editing also finishes when the field merely loses the focus; only a
    // real change is stored and applied.
    connect(field, &QLineEdit::editingFinished, this, [this, field, key, engineProperty] {
        const QString text = field->text().trimmed();
        if (text == field->property(ShownProperty).toString()) {
            if (field->text() != text)
                field->setText(text);
            return;
        }
        field->setProperty(ShownProperty, text);
        field->setText(text);
        write(key, text);
        if (PlayerCore *core = m_host->player(); core && core->handle())
            setPropertyString(core->handle(), engineProperty, text);
    });
    form->addRow(label, field);
    return field;
}

QWidget *SettingsPage::buildGeneral()
{
    auto *group = new QGroupBox(tr2("General", "Geral"), m_content);
    auto *form = new QFormLayout(group);
    addChoice(form, QStringLiteral("ui/language"), tr2("Language", "Idioma"),
              {{QStringLiteral("Português (Brasil)"), QStringLiteral("pt")},
               {QStringLiteral("English"), QStringLiteral("en")}},
              Preferences::language(), [this](const QString &) {
                  m_host->showToast(tr2("Language changes after restarting Zorvi Player",
                                        "O idioma muda ao reabrir o Zorvi Player"));
              });
    addChoice(form, QStringLiteral("general/openMode"),
              tr2("When opening a file while running", "Ao abrir arquivo com o player aberto"),
              {{tr2("Play immediately", "Tocar na hora"), QStringLiteral("play")},
               {tr2("Add to queue", "Adicionar à fila"), QStringLiteral("queue")}},
              Preferences::openMode());
    QCheckBox *tray = addCheck(form, QStringLiteral("general/closeToTray"), false,
                               tr2("Keep running in the tray when closing the window",
                                   "Ao fechar a janela, continuar na bandeja (perto do relógio)"));
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Closing ignores the setting then: there would be no way back.
        tray->setEnabled(false);
        tray->setToolTip(tr2("This desktop has no system tray.",
                             "Esta área de trabalho não tem bandeja do sistema."));
    }
    addCheck(form, QStringLiteral("general/checkUpdates"), true,
             tr2("Check for updates on startup", "Procurar atualizações ao abrir"));
    addCheck(form, QStringLiteral("general/autoUpdate"), true,
             tr2("Download and install updates automatically",
                 "Baixar e instalar atualizações automaticamente"));
    form->addRow(hintLabel(
            tr2("The player notifies you and downloads in the background. While playing, "
                "installation waits until you exit. When idle, it installs and reopens "
                "automatically.",
                "O player avisa e baixa em segundo plano. Durante um filme, a instalação espera "
                "você sair do aplicativo. Sem reprodução, instala e reabre sozinho.")));
    QPushButton *check = makeButton(tr2("Check for updates now", "Procurar atualização agora"),
                                    QStringLiteral("refresh"), false);
    check->setObjectName(QStringLiteral("checkUpdatesNow"));
    connect(check, &QPushButton::clicked, this, &SettingsPage::checkUpdatesRequested);
    form->addRow(QString(), check);
    return group;
}

QWidget *SettingsPage::buildPlayback()
{
    auto *group = new QGroupBox(tr2("Playback", "Reprodução"), m_content);
    auto *form = new QFormLayout(group);
    addCheck(form, QStringLiteral("playback/resume"), true,
             tr2("Resume videos where I stopped", "Continuar vídeos de onde parei"));
    addCheck(form, QStringLiteral("playback/resumeNotice"), true,
             tr2("Show a notice with a \"From start\" option when resuming",
                 "Perguntar antes de continuar (mostra aviso com opção \"Do início\")"));

    auto *seekStep = new QSpinBox;
    seekStep->setObjectName(QStringLiteral("playback/seekStep"));
    seekStep->setRange(Preferences::MinSeekStepSeconds, Preferences::MaxSeekStepSeconds);
    seekStep->setSuffix(QStringLiteral(" s"));
    seekStep->setValue(Preferences::seekStepSeconds());
    connect(seekStep, &QSpinBox::valueChanged, this,
            [this](int value) { write(QStringLiteral("playback/seekStep"), value); });
    form->addRow(tr2("Arrow keys seek step", "Avançar/voltar com as setas"), seekStep);

    auto *speedStep = new QDoubleSpinBox;
    speedStep->setObjectName(QStringLiteral("playback/speedStep"));
    speedStep->setDecimals(2);
    speedStep->setRange(Preferences::MinSpeedStep, Preferences::MaxSpeedStep);
    speedStep->setSingleStep(0.05);
    speedStep->setSuffix(QStringLiteral("x"));
    speedStep->setValue(Preferences::speedStep());
    connect(speedStep, &QDoubleSpinBox::valueChanged, this,
            [this](double value) { write(QStringLiteral("playback/speedStep"), value); });
    form->addRow(tr2("Speed step ([ and ])", "Passo da velocidade ([ e ])"), speedStep);

    addCheck(form, QStringLiteral("playback/keepSpeed"), true,
             tr2("Remember speed between videos", "Lembrar a velocidade entre vídeos"));
    addCheck(form, QStringLiteral("video/hwdec"), true,
             tr2("Hardware video decoding (recommended)",
                 "Decodificar vídeo pela placa de vídeo (recomendado)"),
             [this](bool on) { m_host->player()->setHwdec(on); });
    addCheck(form, QStringLiteral("video/seekPreview"), true,
             tr2("Show thumbnail when hovering over the timeline",
                 "Mostrar miniatura ao apontar a barra de tempo"));
    form->addRow(hintLabel(tr2("Library thumbnail generation waits until video is paused to "
                               "prioritize playback.",
                               "A geração de miniaturas da biblioteca aguarda a pausa do vídeo "
                               "para dar prioridade ao filme.")));
    addCheck(form, QStringLiteral("playback/keepAwake"), true,
             tr2("Keep the display awake while watching videos",
                 "Manter a tela ligada enquanto assisto a vídeos"));
    return group;
}

QWidget *SettingsPage::buildAudio()
{
    auto *group = new QGroupBox(tr2("Audio", "Áudio"), m_content);
    auto *form = new QFormLayout(group);
    m_deviceBox = new QComboBox;
    m_deviceBox->setObjectName(QStringLiteral("audio/device"));
    m_deviceBox->setMinimumWidth(320);
    connect(m_deviceBox, &QComboBox::activated, this, [this](int index) {
        const QString name = m_deviceBox->itemData(index).toString();
        write(QStringLiteral("audio/device"), name);
        m_host->player()->setAudioDevice(name);
    });
    form->addRow(tr2("Output device", "Saída de som"), m_deviceBox);

    m_normalizeBox = addCheck(
            form, QStringLiteral("audio/normalize"), false,
            tr2("Normalize volume", "Normalizar volume (sons baixos e altos ficam parecidos)"),
            [this](bool on) { setNormalize(on); });

    m_crossfadeBox = new QDoubleSpinBox;
    m_crossfadeBox->setObjectName(QStringLiteral("audio/crossfade"));
    m_crossfadeBox->setRange(0, Preferences::MaxCrossfadeSeconds);
    m_crossfadeBox->setSingleStep(0.5);
    m_crossfadeBox->setDecimals(1);
    m_crossfadeBox->setSuffix(QStringLiteral(" s"));
    m_crossfadeBox->setSpecialValueText(tr2("Off", "Desligada"));
    m_crossfadeBox->setValue(Preferences::crossfadeSeconds());
    connect(m_crossfadeBox, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        write(QStringLiteral("audio/crossfade"), seconds);
        PlayerCore *core = m_host->player();
        core->setCrossfadeSeconds(seconds);
        // Rebuilds the chain only when the fade filter comes or goes.
        core->setNormalize(Preferences::normalize());
    });
    form->addRow(tr2("Smooth transition between songs", "Transição suave entre músicas"),
                 m_crossfadeBox);
    form->addRow(hintLabel(tr2("Fades out at the end of a song and fades in on the next one. "
                               "Gapless albums stay gapless.",
                               "A transição abaixa o volume no fim de uma música e sobe no "
                               "começo da próxima. Músicas de álbum sem pausa continuam sem "
                               "pausa.")));
    QLineEdit *lang = addLanguageField(form, QStringLiteral("audio/lang"),
                                       tr2("Preferred audio language", "Idioma de áudio preferido"),
                                       Preferences::audioLanguages(), "alang");
    lang->setPlaceholderText(tr2("e.g. eng,en (empty = file default)",
                                 "ex.: por,pt,eng (vazio = padrão do arquivo)"));
    return group;
}

QWidget *SettingsPage::buildSubtitles()
{
    auto *group = new QGroupBox(tr2("Subtitles", "Legendas"), m_content);
    auto *form = new QFormLayout(group);
    // What the engine uses: the stored list, else its start default, which
    // follows the interface language.
    addLanguageField(form, QStringLiteral("subs/lang"),
                     tr2("Preferred language", "Idioma preferido"),
                     Preferences::subtitleLanguages(), "slang");
    m_encodingBox = addChoice(
            form, QStringLiteral("subs/codepage"), tr2("Encoding", "Codificação (acentos)"),
            {{tr2("Automatic", "Automática"), QStringLiteral("auto")},
             {QStringLiteral("UTF-8"), QStringLiteral("utf8")},
             {tr2("Windows-1252 (Western)", "Windows-1252 (legendas brasileiras antigas)"),
              QStringLiteral("cp1252")},
             {QStringLiteral("ISO-8859-1"), QStringLiteral("latin1")}},
            Preferences::subtitleEncoding(), [this](const QString &codepage) {
                if (PlayerCore *core = m_host->player(); core && core->handle())
                    setPropertyString(core->handle(), "sub-codepage", codepage);
            });
    QPushButton *style = makeButton(tr2("Size, color and position…", "Tamanho, cor e posição…"),
                                    QStringLiteral("captions"), false);
    style->setObjectName(QStringLiteral("subtitleStyle"));
    connect(style, &QPushButton::clicked, this, &SettingsPage::subtitleStyleRequested);
    form->addRow(tr2("Appearance", "Aparência"), style);
    return group;
}

QWidget *SettingsPage::buildHistory()
{
    auto *group = new QGroupBox(tr2("History & privacy", "Histórico e privacidade"), m_content);
    auto *layout = new QVBoxLayout(group);
    auto *form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    addCheck(form, QStringLiteral("privacy/history"), true,
             tr2("Keep history of what I watch and listen to",
                 "Guardar histórico do que assisti e ouvi"));
    layout->addLayout(form);
    QPushButton *clear = makeButton(tr2("Clear all history", "Apagar todo o histórico"),
                                    QStringLiteral("trash"));
    clear->setObjectName(QStringLiteral("clearHistory"));
    connect(clear, &QPushButton::clicked, this, &SettingsPage::clearHistory);
    layout->addWidget(clear, 0, Qt::AlignLeft);
    return group;
}

QWidget *SettingsPage::buildAbout()
{
    auto *group = new QGroupBox(tr2("About", "Sobre"), m_content);
    auto *layout = new QHBoxLayout(group);
    auto *logo = new QLabel(group);
    logo->setPixmap(appIcon().pixmap(72, 72));
    layout->addWidget(logo);
    auto *text = new QLabel(group);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setText(QStringLiteral("<b style='font-size:13pt'>Zorvi Player %1</b><br>%2<br>"
                                 "<a style='color:#2bd9fe' href='%3'>orvandel.com.br</a><br>"
                                 "<span style='color:#6b7c93'>%4 libmpv · Qt %5</span>")
                          .arg(QStringLiteral(ZORVI_VERSION),
                               tr2("Video and music player by orvandel.",
                                   "Reprodutor de vídeo e música da orvandel."),
                               ProductUrl, tr2("Engine:", "Motor:"),
                               QString::fromLatin1(qVersion())));
    layout->addWidget(text, 1);
    QPushButton *logs = makeButton(tr2("Open log folder", "Abrir pasta de registros"),
                                   QStringLiteral("folder"));
    logs->setObjectName(QStringLiteral("openLogFolder"));
    connect(logs, &QPushButton::clicked, this, &SettingsPage::openLogFolder);
    layout->addWidget(logs, 0, Qt::AlignBottom);
    return group;
}

void SettingsPage::setNormalize(bool on)
{
    m_host->player()->setNormalize(on);
    // The "normalize" action of the menus shows the same state.
    if (QAction *action = Actions::instance()->action(QStringLiteral("normalize")))
        action->setChecked(on);
}

void SettingsPage::clearHistory()
{
    QMessageBox question(QMessageBox::Question, tr2("Clear history", "Apagar histórico"),
                         tr2("Clear all history and resume points?",
                             "Apagar todo o histórico e os pontos de onde parou?"),
                         QMessageBox::Yes | QMessageBox::No, this);
    // Destructive: a stray Enter keeps the history.
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    Database::instance()->clearHistory(QString());
    m_host->showToast(tr2("History cleared", "Histórico apagado"));
}

void SettingsPage::openLogFolder()
{
    const QString folder = dataSubdir(QStringLiteral("logs"));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        m_host->showToast(QDir::toNativeSeparators(folder));
}

void SettingsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The "normalize" action and the control bar's device menu change these
    // two while the page exists.
    {
        const QSignalBlocker block(m_normalizeBox);
        m_normalizeBox->setChecked(Preferences::normalize());
    }
    if (m_deviceBox->count() > 0)
        m_deviceBox->setCurrentIndex(
                std::max(0, m_deviceBox->findData(Preferences::audioDevice())));
}

void SettingsPage::refreshAudioDevices()
{
    const QString stored = Preferences::audioDevice();
    m_deviceBox->clear();
    for (const AudioDevice &device : m_host->player()->audioDevices())
        m_deviceBox->addItem(device.isAutomatic() ? automaticDeviceText() : device.description,
                             device.name);
    if (m_deviceBox->count() == 0)
        m_deviceBox->addItem(automaticDeviceText(), QStringLiteral("auto"));
    m_deviceBox->setCurrentIndex(std::max(0, m_deviceBox->findData(stored)));
}
