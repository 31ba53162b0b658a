#pragma once

#include "library/Records.h"
#include "playlists/DirectoryConfig.h"

#include <QHash>
#include <QList>
#include <QWidget>

#include <functional>

class CardView;
class Database;
class Host;
struct PageContext;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QNetworkAccessManager;
class QPoint;
class QStandardItem;
class RadioDirectory;
class StationLogos;
template<typename T>
class QFutureWatcher;

// "Radio & TV": the radio directory, the user's saved radios and the imported
// IPTV channel groups, each a section of the sidebar, shown as station cards.
class RadiosPage : public QWidget
{
    Q_OBJECT

public:
    // config: the directory's mirrors and time limits; tests pass their own.
    explicit RadiosPage(const PageContext &context, QWidget *parent = nullptr,
                        const DirectoryConfig &config = DirectoryConfig::current());
    ~RadiosPage() override;

    // Rebuilds the sidebar, keeping the selected row, and shows its section.
    void reload();

    void searchDirectory();
    void showStations(const QList<StationRecord> &list);
    void playStation(int row);
    void saveToFavorites(StationRecord record);
    void addByLink();
    void renameStation(StationRecord record);
    void deleteStation(const StationRecord &record);
    void toggleFavorite(const StationRecord &record);
    // Reads the list off the GUI thread and stores it as the group named
    // after the file. False when an import is already running; the outcome
    // comes through done and importFinished once the store is done.
    bool importIptvList(const QString &filePath, std::function<void(bool)> done = {});
    void removeGroup(const QString &group);
    // What the "Import IPTV list" button does with the file the user chose.
    void importChosenList(const QString &filePath);

    // The stations behind the cards, row for row.
    const QList<StationRecord> &shownStations() const { return m_shownStations; }
    int mirrorIndex() const;
    qint64 searchSerial() const;
    bool isImporting() const { return m_import != nullptr; }

Q_SIGNALS:
    void importFinished(bool ok);

private:
    void buildSidebar(QWidget *sidebar);
    QString currentKind() const;
    void activateSection(int row);
    void showDirectorySection();
    void fetchLogo(QStandardItem *item, const QString &url);
    void applyLogo(const QString &url, const QPixmap &pixmap);
    void showStationMenu(int row, const QPoint &globalPos);
    void showSectionMenu(const QPoint &pos);
    void chooseIptvList();
    void finishImport(const QString &group);
    void setDirectoryStatus(const QString &text);

    Host *m_host;
    Database *m_database;
    QNetworkAccessManager *m_network = nullptr;
    RadioDirectory *m_directory = nullptr;
    StationLogos *m_logos = nullptr;
    QListWidget *m_sections = nullptr;
    QWidget *m_searchRow = nullptr;
    QLineEdit *m_search = nullptr;
    QComboBox *m_country = nullptr;
    QLabel *m_status = nullptr;
    CardView *m_cards = nullptr;
    QList<StationRecord> m_shownStations;
    // The last directory results, kept while another section is shown so
    // that coming back shows them without asking again.
    QList<StationRecord> m_directoryResults;
    QString m_directoryStatus;
    // Card rows waiting for a logo, by logo address; cleared with the cards.
    QHash<QString, QList<int>> m_logoWaiters;
    QFutureWatcher<QList<StationRecord>> *m_import = nullptr;
    std::function<void(bool)> m_importDone;
};
