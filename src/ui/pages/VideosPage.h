#pragma once

#include "library/Records.h"

#include <QList>
#include <QWidget>

class CardView;
class Database;
class Host;
struct PageContext;
class QComboBox;
class QBoxLayout;
class QLineEdit;
class QStackedWidget;
class QStandardItemModel;

// The videos of the library as a grid of cards with thumbnails, narrowed by
// folder and text, sorted by one of four keys, each card showing how far it
// was watched.
class VideosPage : public QWidget
{
    Q_OBJECT

public:
    explicit VideosPage(const PageContext &context, QWidget *parent = nullptr);

    // Reads the videos again, then the folder list and the cards.
    void reload();
    // Fills a card's missing duration once its thumbnail has measured it.
    void refreshCard(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildHeader(QBoxLayout *layout);
    void rebuildFolders();
    void rebuildCards();
    QList<MediaRecord> shownVideos() const;
    void chooseFolder();
    void showMenu(const QModelIndex &at, const QPoint &globalPos);

    Host *m_host;
    Database *m_database;
    QList<MediaRecord> m_videos;
    // A history change while the page was hidden; the bars follow on show.
    bool m_historyStale = false;

    QLineEdit *m_search = nullptr;
    QComboBox *m_folders = nullptr;
    QComboBox *m_sort = nullptr;
    QStackedWidget *m_stack = nullptr;
    CardView *m_view = nullptr;
    QStandardItemModel *m_model = nullptr;
};
