#pragma once

#include <QGroupBox>

class QListWidget;

// The library folders of one kind ("audio" or "video"): the list and the
// buttons that add, remove and rescan them.
class LibraryFolderBox : public QGroupBox
{
    Q_OBJECT

public:
    LibraryFolderBox(const QString &kind, const QString &title, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }
    // Lists the library's folders of the kind again.
    void reload();

private:
    void addFolder();
    void removeSelected();

    QString m_kind;
    QListWidget *m_list = nullptr;
};
