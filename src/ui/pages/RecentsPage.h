#pragma once

#include <QWidget>

class Host;
class QLabel;
class SimpleMediaList;

// The playback history, newest first.
class RecentsPage : public QWidget
{
    Q_OBJECT

public:
    explicit RecentsPage(Host *host, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    SimpleMediaList *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
