#pragma once

#include <QWidget>

class Database;
class Host;
struct PageContext;
class QLabel;
class SimpleMediaList;

// The songs of the library as a plain list, optionally narrowed to one
// artist or album.
class MusicPage : public QWidget
{
    Q_OBJECT

public:
    explicit MusicPage(const PageContext &context, QWidget *parent = nullptr);

    void reload();
    void showArtist(const QString &artist);
    void showAlbum(const QString &album);
    void clearFilter();

private:
    Host *m_host;
    Database *m_database;
    SimpleMediaList *m_list = nullptr;
    QLabel *m_filterLabel = nullptr;
    QLabel *m_empty = nullptr;
    QString m_artist;
    QString m_album;
};
