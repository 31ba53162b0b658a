#include "ui/pages/ShortcutTable.h"

#include "ui/Actions.h"
#include "ui/Host.h"
#include "ui/Theme.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/ShortcutEdit.h"

#include <QAction>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Time one event-loop turn may spend building editors.
constexpr qint64 SliceBudgetNs = 3'000'000;

} // namespace

ShortcutTable::ShortcutTable(Host *host, QWidget *parent)
    : QGroupBox(tr2("Keyboard shortcuts", "Atalhos de teclado"), parent)
    , m_host(host)
{
    auto *layout = new QVBoxLayout(this);
    QLabel *hint = makeLabel(tr2("Click a shortcut and press the new combination.",
                                 "Clique no atalho e aperte a nova combinação. Esc cancela; "
                                 "apague o campo para deixar sem atalho."),
                             QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_table = new QTableWidget(0, 3, this);
    m_table->setHorizontalHeaderLabels(
            {tr2("Group", "Grupo"), tr2("Action", "Ação"), tr2("Shortcut", "Atalho")});
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(38);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->setColumnWidth(0, 120);
    m_table->setColumnWidth(2, 200);
    m_table->setShowGrid(false);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setMinimumHeight(420);
    layout->addWidget(m_table);

    QPushButton *reset = makeButton(tr2("Reset shortcuts", "Voltar atalhos ao padrão"),
                                    QStringLiteral("refresh"), false);
    reset->setObjectName(QStringLiteral("resetShortcuts"));
    connect(reset, &QPushButton::clicked, this, [this] {
        Actions::instance()->resetAll();
        reloadShortcuts();
    });
    layout->addWidget(reset, 0, Qt::AlignLeft);
}

void ShortcutTable::showEvent(QShowEvent *event)
{
    QGroupBox::showEvent(event);
    // Seventy-odd key editors are costly to build: they wait until the page
    // is first shown, and are built a slice per event-loop turn so the window
    // keeps answering meanwhile.
    if (m_filling || !m_editors.isEmpty())
        return;
    m_ids = Actions::instance()->ids();
    m_table->setRowCount(int(m_ids.size()));
    m_filling = true;
    fillSlice();
}

void ShortcutTable::fillSlice()
{
    QElapsedTimer clock;
    clock.start();
    while (m_filledRows < m_ids.size()) {
        addRow(m_ids.at(m_filledRows));
        ++m_filledRows;
        if (clock.nsecsElapsed() > SliceBudgetNs)
            break;
    }
    if (m_filledRows < m_ids.size()) {
        QTimer::singleShot(0, this, &ShortcutTable::fillSlice);
        return;
    }
    m_filling = false;
    Q_EMIT filled();
}

void ShortcutTable::addRow(const QString &id)
{
    Actions *registry = Actions::instance();
    QAction *action = registry->action(id);
    if (!action)
        return;
    const int row = m_filledRows;
    auto *groupItem = new QTableWidgetItem(registry->category(id));
    groupItem->setForeground(themeColor(ThemeColor::MutedText));
    m_table->setItem(row, 0, groupItem);
    m_table->setItem(row, 1, new QTableWidgetItem(action->icon(), Actions::plainText(action)));
    auto *editor = new ShortcutEdit(action->shortcut(), m_table);
    editor->setObjectName(id);
    editor->setClearButtonEnabled(true);
    m_table->setCellWidget(row, 2, editor);
    m_editors.append({id, editor});
    connect(editor, &QKeySequenceEdit::editingFinished, this,
            [this, id, editor] { finishEditing(id, editor); });
    connect(editor, &QKeySequenceEdit::keySequenceChanged, this,
            [id](const QKeySequence &sequence) {
                // A cleared field frees the action at once.
                if (sequence.isEmpty())
                    Actions::instance()->setShortcut(id, QKeySequence());
            });
    connect(editor, &ShortcutEdit::cancelled, this, [id, editor] {
        // Cancelling after clearing the field gives the action its shortcut back.
        QAction *current = Actions::instance()->action(id);
        if (current && current->shortcut() != editor->keySequence())
            Actions::instance()->setShortcut(id, editor->keySequence());
    });
    connect(action, &QAction::changed, editor, [editor, action] {
        if (editor->keySequence() != action->shortcut()) {
            const QSignalBlocker block(editor);
            editor->setKeySequence(action->shortcut());
        }
    });
}

void ShortcutTable::finishEditing(const QString &id, QKeySequenceEdit *editor)
{
    const QKeySequence typed = editor->keySequence();
    const QKeySequence sequence = typed.isEmpty() ? QKeySequence() : QKeySequence(typed[0]);
    Actions::instance()->assignShortcut(id, sequence,
                                        [this](const QString &text) { m_host->showToast(text); });
    reloadShortcuts();
}

void ShortcutTable::reloadShortcuts()
{
    for (const auto &[id, editor] : std::as_const(m_editors)) {
        if (QAction *action = Actions::instance()->action(id)) {
            const QSignalBlocker block(editor);
            editor->setKeySequence(action->shortcut());
        }
    }
}

QKeySequenceEdit *ShortcutTable::editor(const QString &id) const
{
    for (const auto &[editorId, editor] : m_editors) {
        if (editorId == id)
            return editor;
    }
    return nullptr;
}
