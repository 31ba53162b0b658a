#pragma once

#include <QWidget>

class Host;
class QLabel;
class QListWidget;

// Saved radios and imported channels; activating one plays it.
class RadiosPage : public QWidget
{
    Q_OBJECT

public:
    explicit RadiosPage(Host *host, QWidget *parent = nullptr);

    void reload();

private:
    Host *m_host;
    QListWidget *m_list = nullptr;
    QLabel *m_empty = nullptr;
};
