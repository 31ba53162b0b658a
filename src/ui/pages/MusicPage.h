#pragma once

#include <QWidget>

class Host;
class QLabel;
class SimpleMediaList;

// The songs of the library as a plain list, optionally narrowed to one
// artist or album.
class MusicPage : public QWidget
{
    Q_OBJECT

public:
    explicit MusicPage(Host *host, QWidget *parent = nullptr);

    void reload();
    void showArtist(const QString &artist);
    void showAlbum(const QString &album);
    void clearFilter();

private:
    Host *m_host;
    SimpleMediaList *m_list = nullptr;
    QLabel *m_filterLabel = nullptr;
    QLabel *m_empty = nullptr;
    QString m_artist;
    QString m_album;
};
