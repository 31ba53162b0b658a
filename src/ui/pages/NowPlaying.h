#pragma once

#include <QPixmap>
#include <QWidget>

class PlayerCore;
class QLabel;

// The audio view of the player page: cover, title, artist and album.
class NowPlaying : public QWidget
{
    Q_OBJECT

public:
    explicit NowPlaying(PlayerCore *core, QWidget *parent = nullptr);

    void setTrack(const QString &path, const QString &title, const QString &artist,
                  const QString &album, const QPixmap &cover);
    void setCompact(bool on);

    QString title() const;
    QString artist() const { return m_artist; }
    QString album() const { return m_album; }

signals:
    void artistClicked(const QString &artist);
    void albumClicked(const QString &album);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void applyCover();

    PlayerCore *m_core;
    QLabel *m_coverLabel = nullptr;
    QLabel *m_kicker = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_artistLabel = nullptr;
    QLabel *m_albumLabel = nullptr;
    QString m_path;
    QString m_artist;
    QString m_album;
    QPixmap m_cover;
    bool m_compact = false;
};
