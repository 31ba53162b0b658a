#pragma once

#include <QGroupBox>
#include <QList>
#include <QPair>

class Host;
class QKeySequenceEdit;
class QTableWidget;

// The keyboard shortcut editor: one row per registered action with a key
// editor holding its shortcut, and a button that restores the defaults.
// Taking another action's combination moves it there with a toast.
class ShortcutTable : public QGroupBox
{
    Q_OBJECT

public:
    explicit ShortcutTable(Host *host, QWidget *parent = nullptr);

    // Shows every action's current shortcut again.
    void reloadShortcuts();
    // The editor of an action, null before the table is first shown.
    QKeySequenceEdit *editor(const QString &id) const;
    bool isFilled() const { return m_filledRows > 0 && m_filledRows == m_ids.size(); }

Q_SIGNALS:
    void filled();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillSlice();
    void addRow(const QString &id);
    void finishEditing(const QString &id, QKeySequenceEdit *editor);

    Host *m_host;
    QTableWidget *m_table = nullptr;
    QStringList m_ids;
    int m_filledRows = 0;
    bool m_filling = false;
    QList<QPair<QString, QKeySequenceEdit *>> m_editors;
};
