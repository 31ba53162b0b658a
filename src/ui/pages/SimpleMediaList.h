#pragma once

#include <QListWidget>

class Host;

// A plain list of media entries: activating an entry plays it through the
// host, the context menu is the shared media menu.
class SimpleMediaList : public QListWidget
{
    Q_OBJECT

public:
    struct Entry
    {
        QString path;
        QString title;
        QString subtitle;
        QString iconName;
    };

    // playWholeList: activation plays every entry from the activated one
    // (music); otherwise only the activated entry, resuming (videos, history).
    SimpleMediaList(Host *host, bool playWholeList, QWidget *parent = nullptr);

    void setEntries(const QList<Entry> &entries);
    QStringList paths() const;

private:
    void play(int row);

    Host *m_host;
    bool m_playWholeList;
};
