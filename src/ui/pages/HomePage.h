#pragma once

#include <QWidget>

class Database;
class Host;
struct PageContext;
class QLabel;
class QPushButton;

// Start page: the update banner and the greeting with the open actions.
class HomePage : public QWidget
{
    Q_OBJECT

public:
    explicit HomePage(const PageContext &context, QWidget *parent = nullptr);

    void refresh();
    void showUpdateAvailable(const QString &version, const QString &notes, const QString &link);
    void showUpdateNotice(const QString &text, bool installable);
    void showUpdateError(const QString &text);

signals:
    void installUpdateRequested();
    void retryUpdateRequested();

private:
    void onBannerClicked();

    Host *m_host;
    Database *m_database;
    QWidget *m_banner = nullptr;
    QLabel *m_bannerText = nullptr;
    QPushButton *m_bannerButton = nullptr;
    QString m_bannerLink;
    bool m_installMode = false;
    bool m_retryMode = false;
};
