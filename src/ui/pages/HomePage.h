#pragma once

#include "library/Records.h"

#include <QList>
#include <QSet>
#include <QWidget>

class CardView;
class Database;
class ExistenceCheck;
class Host;
struct PageContext;
class QLabel;
class QPushButton;

// Start page: the update banner, the greeting with the open actions, and
// shelves of videos to continue, music played lately and music added lately.
class HomePage : public QWidget
{
    Q_OBJECT

public:
    explicit HomePage(const PageContext &context, QWidget *parent = nullptr);

    static constexpr int MaxContinueCards = 16;

    // "Good morning" before 12, "Good afternoon" to 17, then "Good evening".
    static QString greeting(int hour);

    void refresh();

    CardView *continueRow() const { return m_continueRow; }
    CardView *playedRow() const { return m_playedRow; }
    CardView *addedRow() const { return m_addedRow; }
    void showUpdateAvailable(const QString &version, const QString &notes, const QString &link);
    void showUpdateNotice(const QString &text, bool installable);
    void showUpdateError(const QString &text);

signals:
    void installUpdateRequested();
    void retryUpdateRequested();

private:
    void onBannerClicked();
    CardView *addShelf(QLayout *layout, const QString &title, QWidget *button, bool wide,
                       int cardWidth, QWidget **section);
    void fillContinue(const QSet<QString> &missing);
    void playRow(CardView *row, int index);

    Host *m_host;
    Database *m_database;
    ExistenceCheck *m_existence = nullptr;
    // Unfinished local videos waiting for the existence answer.
    QList<HistoryEntry> m_candidates;
    CardView *m_continueRow = nullptr;
    CardView *m_playedRow = nullptr;
    CardView *m_addedRow = nullptr;
    QWidget *m_continueSection = nullptr;
    QWidget *m_playedSection = nullptr;
    QWidget *m_addedSection = nullptr;
    QWidget *m_banner = nullptr;
    QLabel *m_bannerText = nullptr;
    QPushButton *m_bannerButton = nullptr;
    QString m_bannerLink;
    bool m_installMode = false;
    bool m_retryMode = false;
};
