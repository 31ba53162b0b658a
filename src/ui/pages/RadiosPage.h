#pragma once

#include <QWidget>

class Database;
class Host;
struct PageContext;
class QLabel;
class QListWidget;

// Saved radios and imported channels; activating one plays it.
class RadiosPage : public QWidget
{
    Q_OBJECT

public:
    explicit RadiosPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    Database *m_database;
    QListWidget *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
