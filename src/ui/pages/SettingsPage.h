#pragma once

#include <QWidget>

class Database;
class Host;
class PlayerCore;
struct PageContext;
class QComboBox;
class QKeySequenceEdit;
class QTableWidget;

// Preferences. For now: the output device, the keyboard shortcut editor and
// the update and subtitle-style entry points.
class SettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsPage(const PageContext &context, QWidget *parent = nullptr);

    // Fills the output device list from the running engine.
    void refreshAudioDevices();
    // Shows every action's current shortcut again.
    void reloadShortcuts();

protected:
    void showEvent(QShowEvent *event) override;

signals:
    void checkUpdatesRequested();
    void subtitleStyleRequested();

private:
    QWidget *buildShortcutEditor();
    void fillShortcutTable();
    void finishEditing(const QString &id, QKeySequenceEdit *editor);

    Host *m_host;
    Database *m_database;
    PlayerCore *m_player;
    QComboBox *m_deviceBox = nullptr;
    QTableWidget *m_shortcutTable = nullptr;
    QList<QPair<QString, QKeySequenceEdit *>> m_editors;
};
