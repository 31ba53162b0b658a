#pragma once

#include <QWidget>

class Database;
class Host;
struct PageContext;
class QLabel;
class SimpleMediaList;

// The videos of the library as a plain list.
class VideosPage : public QWidget
{
    Q_OBJECT

public:
    explicit VideosPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    Database *m_database;
    SimpleMediaList *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
