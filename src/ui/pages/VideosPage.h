#pragma once

#include <QWidget>

class Host;
class QLabel;
class SimpleMediaList;

// The videos of the library as a plain list.
class VideosPage : public QWidget
{
    Q_OBJECT

public:
    explicit VideosPage(Host *host, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    SimpleMediaList *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
