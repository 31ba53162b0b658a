#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class PlayerCore;
class QMenu;
class QLabel;
class QSlider;
class QToolButton;
class SeekBar;

// The transport strip at the bottom of the main window. It follows the player
// by itself for everything it shows and drives volume and mute directly; every
// other button is reported by a signal.
class ControlBar : public QWidget
{
    Q_OBJECT

public:
    explicit ControlBar(PlayerCore *core, QWidget *parent = nullptr);

    // Title and subtitle are elided to fit; the picture becomes the rounded cover.
    // Without a picture the placeholder for the kind of media is shown.
    void setNowPlaying(const QString &title, const QString &subtitle, const QPixmap &picture,
                       bool isVideo = false);
    void setFavoriteState(bool state, bool enabled);
    void setFullscreenState(bool on);
    // The menus of the speed, subtitle, audio and "more" buttons.
    void setButtonMenus(QMenu *speed, QMenu *subtitles, QMenu *audio, QMenu *more);
    bool queueShown() const;
    void setQueueShown(bool shown);
    void toggleQueue();

    SeekBar *seekBar() const { return m_seekBar; }
    QToolButton *coverButton() const { return m_coverButton; }
    QToolButton *favoriteButton() const { return m_favoriteButton; }
    QToolButton *shuffleButton() const { return m_shuffleButton; }
    QToolButton *prevButton() const { return m_prevButton; }
    QToolButton *back10Button() const { return m_back10Button; }
    QToolButton *playButton() const { return m_playButton; }
    QToolButton *fwd10Button() const { return m_fwd10Button; }
    QToolButton *nextButton() const { return m_nextButton; }
    QToolButton *repeatButton() const { return m_repeatButton; }
    QToolButton *speedButton() const { return m_speedButton; }
    QToolButton *subtitlesButton() const { return m_subtitlesButton; }
    QToolButton *audioButton() const { return m_audioButton; }
    QToolButton *eqButton() const { return m_eqButton; }
    QToolButton *queueButton() const { return m_queueButton; }
    QToolButton *muteButton() const { return m_muteButton; }
    QToolButton *moreButton() const { return m_moreButton; }
    QToolButton *fullscreenButton() const { return m_fullscreenButton; }
    QToolButton *pipButton() const { return m_pipButton; }
    QSlider *volumeSlider() const { return m_volumeSlider; }
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *subtitleLabel() const { return m_subtitleLabel; }
    QLabel *elapsedLabel() const { return m_elapsedLabel; }
    QLabel *totalLabel() const { return m_totalLabel; }
    QLabel *playbackStatus() const { return m_playbackStatus; }
    QWidget *nowBlock() const { return m_nowBlock; }
    bool remainingTime() const { return m_remainingTime; }

signals:
    void coverClicked();
    void favoriteClicked();
    void shuffleClicked();
    void previousClicked();
    void back10Clicked();
    void playClicked();
    void fwd10Clicked();
    void nextClicked();
    void repeatClicked();
    void eqClicked();
    void fullscreenClicked();
    void pipClicked();
    void queueToggled(bool shown);
    // A position picked on the seek bar (not while dragging).
    void seekChosen(double seconds);
    void seekHovered(double seconds, const QPoint &globalAnchor);
    void seekHoverLeft();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    QWidget *buildNowBlock();
    QLayout *buildCentreColumn();
    QLayout *buildRightRow();
    void connectPlayer();
    void forwardSignals();

    void onPositionChanged(double pos);
    void onDurationChanged(double dur);
    void refreshPlayIcon();
    void refreshStatus();
    void refreshVolumeIcon();
    void refreshRepeat();
    void refreshTotalLabel(double duration);
    void toggleRemainingTime();

    SeekBar *m_seekBar = nullptr;
    QToolButton *m_coverButton = nullptr;
    QToolButton *m_favoriteButton = nullptr;
    QToolButton *m_shuffleButton = nullptr;
    QToolButton *m_prevButton = nullptr;
    QToolButton *m_back10Button = nullptr;
    QToolButton *m_playButton = nullptr;
    QToolButton *m_fwd10Button = nullptr;
    QToolButton *m_nextButton = nullptr;
    QToolButton *m_repeatButton = nullptr;
    QToolButton *m_speedButton = nullptr;
    QToolButton *m_subtitlesButton = nullptr;
    QToolButton *m_audioButton = nullptr;
    QToolButton *m_eqButton = nullptr;
    QToolButton *m_queueButton = nullptr;
    QToolButton *m_muteButton = nullptr;
    QToolButton *m_moreButton = nullptr;
    QToolButton *m_fullscreenButton = nullptr;
    QToolButton *m_pipButton = nullptr;
    QSlider *m_volumeSlider = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_subtitleLabel = nullptr;
    QLabel *m_elapsedLabel = nullptr;
    QLabel *m_totalLabel = nullptr;
    QLabel *m_playbackStatus = nullptr;
    QTimer m_bufferDelay;
    PlayerCore *m_core = nullptr;
    QWidget *m_nowBlock = nullptr;
    bool m_remainingTime = false;
};
