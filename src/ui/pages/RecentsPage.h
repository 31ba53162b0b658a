#pragma once

#include <QWidget>

class Database;
class Host;
struct PageContext;
class QLabel;
class SimpleMediaList;

// The playback history, newest first.
class RecentsPage : public QWidget
{
    Q_OBJECT

public:
    explicit RecentsPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    Database *m_database;
    SimpleMediaList *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
