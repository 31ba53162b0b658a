#include "ui/pages/SettingsPage.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Actions.h"
#include "ui/Host.h"
#include "ui/Theme.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

SettingsPage::SettingsPage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
    , m_player(context.player)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    auto *content = new QWidget;
    content->setMaximumWidth(980);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(14);
    layout->addWidget(makeLabel(tr2("Settings", "Configurações"), QStringLiteral("PageTitle")));

    auto *general = new QGroupBox(tr2("General", "Geral"), content);
    auto *generalForm = new QFormLayout(general);
    QPushButton *check = makeButton(tr2("Check for updates now", "Procurar atualização agora"),
                                    QStringLiteral("refresh"), false);
    connect(check, &QPushButton::clicked, this, &SettingsPage::checkUpdatesRequested);
    generalForm->addRow(QString(), check);
    layout->addWidget(general);

    auto *audio = new QGroupBox(tr2("Audio", "Áudio"), content);
    auto *audioForm = new QFormLayout(audio);
    m_deviceBox = new QComboBox(audio);
    m_deviceBox->setMinimumWidth(320);
    connect(m_deviceBox, &QComboBox::activated, this, [this](int index) {
        const QString name = m_deviceBox->itemData(index).toString();
        appSettings().setValue(QStringLiteral("audio/device"), name);
        m_player->setAudioDevice(name);
    });
    audioForm->addRow(tr2("Output device", "Saída de som"), m_deviceBox);
    layout->addWidget(audio);

    auto *subtitles = new QGroupBox(tr2("Subtitles", "Legendas"), content);
    auto *subtitleForm = new QFormLayout(subtitles);
    QPushButton *style = makeButton(tr2("Size, color and position…", "Tamanho, cor e posição…"),
                                    QStringLiteral("captions"), false);
    connect(style, &QPushButton::clicked, this, &SettingsPage::subtitleStyleRequested);
    subtitleForm->addRow(tr2("Appearance", "Aparência"), style);
    layout->addWidget(subtitles);

    layout->addWidget(buildShortcutEditor());
    layout->addStretch(1);
    scroll->setWidget(content);
}

QWidget *SettingsPage::buildShortcutEditor()
{
    auto *group = new QGroupBox(tr2("Keyboard shortcuts", "Atalhos de teclado"));
    auto *layout = new QVBoxLayout(group);
    QLabel *hint = makeLabel(tr2("Click a shortcut and press the new combination.",
                                 "Clique no atalho e aperte a nova combinação. Esc cancela; "
                                 "apague o campo para deixar sem atalho."),
                             QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_shortcutTable = new QTableWidget(0, 3, group);
    m_shortcutTable->setHorizontalHeaderLabels(
            {tr2("Group", "Grupo"), tr2("Action", "Ação"), tr2("Shortcut", "Atalho")});
    m_shortcutTable->verticalHeader()->hide();
    m_shortcutTable->verticalHeader()->setDefaultSectionSize(38);
    m_shortcutTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_shortcutTable->setColumnWidth(0, 120);
    m_shortcutTable->setColumnWidth(2, 200);
    m_shortcutTable->setShowGrid(false);
    m_shortcutTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_shortcutTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_shortcutTable->setMinimumHeight(420);

    layout->addWidget(m_shortcutTable);

    QPushButton *reset = makeButton(tr2("Reset shortcuts", "Voltar atalhos ao padrão"),
                                    QStringLiteral("refresh"), false);
    connect(reset, &QPushButton::clicked, this, [this] {
        Actions::instance()->resetAll();
        reloadShortcuts();
    });
    layout->addWidget(reset, 0, Qt::AlignLeft);
    return group;
}

void SettingsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Sixty-odd key editors are costly to build, so they wait until the page
    // is first shown instead of delaying the start of the player.
    if (m_editors.isEmpty())
        fillShortcutTable();
}

void SettingsPage::fillShortcutTable()
{
    Actions *registry = Actions::instance();
    for (const QString &id : registry->ids()) {
        QAction *action = registry->action(id);
        const int row = m_shortcutTable->rowCount();
        m_shortcutTable->insertRow(row);
        auto *groupItem = new QTableWidgetItem(registry->category(id));
        groupItem->setForeground(themeColor(ThemeColor::MutedText));
        m_shortcutTable->setItem(row, 0, groupItem);
        m_shortcutTable->setItem(row, 1, new QTableWidgetItem(action->icon(), action->text()));
        auto *editor = new QKeySequenceEdit(action->shortcut(), m_shortcutTable);
        editor->setObjectName(id);
        editor->setClearButtonEnabled(true);
        m_shortcutTable->setCellWidget(row, 2, editor);
        m_editors.append({id, editor});
        connect(editor, &QKeySequenceEdit::editingFinished, this,
                [this, id, editor] { finishEditing(id, editor); });
        connect(editor, &QKeySequenceEdit::keySequenceChanged, this,
                [id](const QKeySequence &sequence) {
                    if (sequence.isEmpty())
                        Actions::instance()->setShortcut(id, QKeySequence());
                });
        connect(action, &QAction::changed, editor, [editor, action] {
            if (editor->keySequence() != action->shortcut()) {
                const QSignalBlocker block(editor);
                editor->setKeySequence(action->shortcut());
            }
        });
    }
}

void SettingsPage::finishEditing(const QString &id, QKeySequenceEdit *editor)
{
    // One key combination per action.
    const QKeySequence typed = editor->keySequence();
    const QKeySequence sequence = typed.isEmpty() ? QKeySequence() : QKeySequence(typed[0]);
    Actions::instance()->assignShortcut(id, sequence,
                                        [this](const QString &text) { m_host->showToast(text); });
    reloadShortcuts();
}

void SettingsPage::reloadShortcuts()
{
    for (const auto &[id, editor] : std::as_const(m_editors)) {
        if (QAction *action = Actions::instance()->action(id)) {
            const QSignalBlocker block(editor);
            editor->setKeySequence(action->shortcut());
        }
    }
}

void SettingsPage::refreshAudioDevices()
{
    m_deviceBox->clear();
    const QString stored =
            settingValue(QStringLiteral("audio/device"), QStringLiteral("auto")).toString();
    for (const AudioDevice &device : m_player->audioDevices()) {
        const QString &name = device.name;
        const QString text = device.isAutomatic() ? tr2("Automatic (system default)",
                                                        "Automática (padrão do sistema)")
                                                  : device.description;
        m_deviceBox->addItem(text, name);
        if (name == stored)
            m_deviceBox->setCurrentIndex(m_deviceBox->count() - 1);
    }
}
