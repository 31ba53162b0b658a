#pragma once

#include "library/Lyrics.h"

#include <QElapsedTimer>
#include <QList>
#include <QPixmap>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

class LyricsDelegate;
class PlayerCore;
class QLabel;
class QListWidget;
class QListWidgetItem;

// The audio view of the player page: cover, title, artist and album, and
// beside them the song's lyrics, the sung line lit when they carry times.
class NowPlaying : public QWidget
{
    Q_OBJECT

public:
    explicit NowPlaying(PlayerCore *core, QWidget *parent = nullptr);
    ~NowPlaying() override;

    void setTrack(const QString &path, const QString &title, const QString &artist,
                  const QString &album, const QPixmap &cover);
    void setCompact(bool on);

    QString title() const;
    QString artist() const { return m_artist; }
    QString album() const { return m_album; }

    // The lyrics shown, the lit line (-1 for none) and the media file they
    // belong to (empty for a stream or a video).
    const QList<LyricLine> &lyricLines() const { return m_lines; }
    int currentLine() const { return m_current; }
    QString lyricsPath() const { return m_lyricsPath; }

public slots:
    // Lights the line being sung at the position the player reports.
    void updatePosition(double seconds);

signals:
    void artistClicked(const QString &artist);
    void albumClicked(const QString &album);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void relayout();
    void applyCover(int sizePx);
    void clearLyrics();
    void loadLyrics(const QString &path);
    void showLyrics(const QList<LyricLine> &lines);
    void fillRows(quint64 serial);
    void styleRow(int row, bool lit);
    // The line for a position; the next line's timer is set from there.
    void highlight(double seconds);
    bool playing() const;
    double estimatedPosition() const;
    void setCurrentLine(int index);
    void seekToRow(QListWidgetItem *item);

    PlayerCore *m_core;
    QLabel *m_coverLabel = nullptr;
    QLabel *m_kicker = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_artistLabel = nullptr;
    QLabel *m_albumLabel = nullptr;
    QWidget *m_lyricsPanel = nullptr;
    QListWidget *m_lyricsList = nullptr;
    LyricsDelegate *m_delegate = nullptr;
    QString m_path;
    QString m_artist;
    QString m_album;
    QPixmap m_cover;
    QPixmap m_background;
    int m_coverSizePx = 0;
    bool m_compact = false;

    QList<LyricLine> m_lines;
    int m_current = -1;
    QString m_lyricsPath;
    // The player reports its position about ten times a second; between
    // reports the position is estimated from the last one, so a line lights
    // on time rather than up to a report late.
    double m_reportedSeconds = 0;
    QElapsedTimer m_sinceReport;
    bool m_advancing = false;
    QTimer m_nextLineTimer;
    // Tells a finished load whether it is still the one wanted.
    quint64 m_loadSerial = 0;
    // Lyrics are read and parsed here, one file at a time.
    QThreadPool m_lyricsPool;
};
