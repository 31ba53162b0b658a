#pragma once

#include <QObject>
#include <QStringList>

class ActionBinder;
class Database;
class Host;
class PlayerCore;
class QMimeData;
class QWidget;

// Turns what the user points at (files, folders, playlist files, links,
// command-line arguments, drops) into playable items and hands them to the
// host.
class MediaOpener : public QObject
{
    Q_OBJECT

public:
    MediaOpener(Host *host, PlayerCore *core, Database *database, QWidget *dialogParent,
                QObject *parent = nullptr);

    // Folders become their media files in natural order, playlist files their
    // entries; links stay as they are; missing files are dropped.
    static QStringList expandPaths(const QStringList &list);
    // Subtitle files are recognised by these suffixes (lower case).
    static const QStringList &subtitleSuffixes();

    // Binds the registry's open commands.
    void bindActions(ActionBinder &binder);

    void openFiles();
    void openFolder();
    void openLink();
    void openArguments(const QStringList &list, bool fromOtherInstance);
    // A drop; Ctrl queues instead of playing. False when nothing was taken.
    bool openDrop(const QMimeData *data, Qt::KeyboardModifiers modifiers);
    // Takes the drops of links and files on target.
    void takeDropsOn(QWidget *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isLoneSubtitle(const QStringList &items) const;
    static QStringList withoutSubtitles(QStringList items);
    static QString nothingPlayableText();

    Host *m_host;
    PlayerCore *m_core;
    Database *m_database;
    QWidget *m_dialogParent;
};
