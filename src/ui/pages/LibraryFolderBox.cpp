#include "ui/pages/LibraryFolderBox.h"

#include "library/Library.h"
#include "ui/Icons.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The stored path; the shown text uses the system's separators and may
// differ from it.
constexpr int FolderPathRole = Qt::UserRole + 1;

} // namespace

LibraryFolderBox::LibraryFolderBox(const QString &kind, const QString &title, QWidget *parent)
    : QGroupBox(title, parent)
    , m_kind(kind)
{
    auto *layout = new QHBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName(kind + QStringLiteral("Folders"));
    m_list->setMaximumHeight(120);
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: #0d1b2e; border: 1px solid "
                                         "#22344c; border-radius: 10px; padding: 4px; }"));
    layout->addWidget(m_list, 1);

    auto *buttons = new QVBoxLayout;
    QPushButton *add = makeButton(tr2("Add", "Adicionar"), QStringLiteral("folder-plus"));
    QPushButton *remove = makeButton(tr2("Remove", "Remover"), QStringLiteral("trash"));
    QPushButton *rescan = makeButton(tr2("Rescan", "Atualizar"), QStringLiteral("refresh"));
    add->setObjectName(QStringLiteral("addFolder"));
    remove->setObjectName(QStringLiteral("removeFolder"));
    rescan->setObjectName(QStringLiteral("rescanFolders"));
    connect(add, &QPushButton::clicked, this, &LibraryFolderBox::addFolder);
    connect(remove, &QPushButton::clicked, this, &LibraryFolderBox::removeSelected);
    connect(rescan, &QPushButton::clicked, this, [] { Library::instance()->startScan(); });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(rescan);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    reload();
}

void LibraryFolderBox::reload()
{
    m_list->clear();
    const QStringList folders = Library::instance()->folders(m_kind);
    for (const QString &folder : folders) {
        auto *item = new QListWidgetItem(icon(QStringLiteral("folder")),
                                         QDir::toNativeSeparators(folder), m_list);
        item->setData(FolderPathRole, folder);
    }
}

void LibraryFolderBox::addFolder()
{
    // The toolkit's own chooser, the same on every desktop.
    QFileDialog dialog(this, tr2("Choose folder", "Escolher pasta"), QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    Library::instance()->addFolder(m_kind, dialog.selectedFiles().constFirst());
    reload();
}

void LibraryFolderBox::removeSelected()
{
    const QListWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    Library::instance()->removeFolder(m_kind, item->data(FolderPathRole).toString());
    reload();
}
