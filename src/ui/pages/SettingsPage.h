#pragma once

#include <QWidget>

#include <functional>

class Host;
class LibraryFolderBox;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QScrollArea;
class ShortcutTable;

// The preferences: one scrolling column of groups whose controls write their
// setting as soon as the user changes them and apply it to the running
// engine where it matters; the rest is read where it is next used. Also the
// library folders, the shortcut editor, the history clearing and About.
// Each control is named after its setting key.
class SettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsPage(Host *host, QWidget *parent = nullptr);

    // Fills the output device list from the running engine.
    void refreshAudioDevices();
    ShortcutTable *shortcuts() const { return m_shortcuts; }
    QScrollArea *scrollArea() const { return m_scroll; }
    // The group boxes in their order on the page.
    QList<QWidget *> groups() const { return m_groups; }

Q_SIGNALS:
    void checkUpdatesRequested();
    void subtitleStyleRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildGeneral();
    QWidget *buildPlayback();
    QWidget *buildAudio();
    QWidget *buildSubtitles();
    QWidget *buildHistory();
    QWidget *buildAbout();
    QCheckBox *addCheck(QFormLayout *form, const QString &key, bool defaultValue,
                        const QString &text, const std::function<void(bool)> &changed = {});
    QLineEdit *addLanguageField(QFormLayout *form, const QString &key, const QString &label,
                                const QString &shown, const char *property);
    QComboBox *addChoice(QFormLayout *form, const QString &key, const QString &label,
                         const QList<QPair<QString, QString>> &items, const QString &current,
                         const std::function<void(const QString &)> &changed = {});
    void addGroup(QWidget *group);
    // Writes one setting; a file that cannot be written is told once per run.
    void write(const QString &key, const QVariant &value);
    void setNormalize(bool on);
    void clearHistory();
    void openLogFolder();

    Host *m_host;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    QList<QWidget *> m_groups;
    QComboBox *m_deviceBox = nullptr;
    QCheckBox *m_normalizeBox = nullptr;
    QDoubleSpinBox *m_crossfadeBox = nullptr;
    QComboBox *m_encodingBox = nullptr;
    LibraryFolderBox *m_musicFolders = nullptr;
    LibraryFolderBox *m_videoFolders = nullptr;
    ShortcutTable *m_shortcuts = nullptr;
};
