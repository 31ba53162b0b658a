#include "ui/bars/ControlBar.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/bars/SeekBar.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int CoverPx = 52;
constexpr int TitleElidePx = 190;

QToolButton *makeToolButton(QWidget *parent, const QString &iconName, int iconPx,
                            const QString &tip, bool instantPopup = false)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setIcon(icon(iconName));
    button->setIconSize(QSize(iconPx, iconPx));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    if (instantPopup)
        button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

} // namespace

ControlBar::ControlBar(PlayerCore *core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
{
    setObjectName(QStringLiteral("ControlBar"));
    setAttribute(Qt::WA_StyledBackground);
    // The bar hides buttons as it narrows, so its full content must not set
    // the window's minimum width.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_remainingTime = settingValue(QStringLiteral("ui/remainingTime"), false).toBool();

    m_bufferDelay.setSingleShot(true);
    // A coarse timer may fire up to 5 % early.
    m_bufferDelay.setTimerType(Qt::PreciseTimer);
    m_bufferDelay.setInterval(750);
    connect(&m_bufferDelay, &QTimer::timeout, this, &ControlBar::refreshStatus);

    buildLayout();
    connectPlayer();
    forwardSignals();

    setNowPlaying(uiText(QStringLiteral("Nothing playing"), QStringLiteral("Nada tocando")),
                  QString(), QPixmap());
    setFavoriteState(false, false);
    refreshStatus();
}

void ControlBar::buildLayout()
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(16);
    layout->addWidget(buildNowBlock());
    layout->addLayout(buildCentreColumn(), 1);
    layout->addLayout(buildRightRow());
}

QWidget *ControlBar::buildNowBlock()
{
    m_nowBlock = new QWidget(this);
    m_nowBlock->setFixedWidth(270);
    auto *row = new QHBoxLayout(m_nowBlock);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    m_coverButton = new QToolButton(m_nowBlock);
    m_coverButton->setFixedSize(CoverPx, CoverPx);
    m_coverButton->setIconSize(QSize(CoverPx, CoverPx));
    m_coverButton->setStyleSheet(QStringLiteral("QToolButton { padding: 0; border-radius: 8px; }"));
    m_coverButton->setCursor(Qt::PointingHandCursor);
    m_coverButton->setToolTip(
            uiText(QStringLiteral("Open now playing"), QStringLiteral("Abrir tela de reprodução")));
    connect(m_coverButton, &QToolButton::clicked, this, &ControlBar::coverClicked);
    row->addWidget(m_coverButton);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    m_titleLabel = new QLabel(m_nowBlock);
    m_titleLabel->setObjectName(QStringLiteral("NowTitle"));
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_titleLabel->setMinimumWidth(10);
    m_subtitleLabel = new QLabel(m_nowBlock);
    m_subtitleLabel->setObjectName(QStringLiteral("NowSub"));
    m_subtitleLabel->setTextFormat(Qt::PlainText);
    m_subtitleLabel->setMinimumWidth(10);
    titles->addStretch();
    titles->addWidget(m_titleLabel);
    titles->addWidget(m_subtitleLabel);
    titles->addStretch();
    row->addLayout(titles);

    m_favoriteButton =
            makeToolButton(m_nowBlock, QStringLiteral("heart"), 18,
                           uiText(QStringLiteral("Favorite"), QStringLiteral("Favoritar")));
    m_favoriteButton->setCheckable(true);
    row->addWidget(m_favoriteButton);
    return m_nowBlock;
}

QLayout *ControlBar::buildCentreColumn()
{
    auto *column = new QVBoxLayout;
    column->setSpacing(2);

    m_playbackStatus = new QLabel(this);
    m_playbackStatus->setObjectName(QStringLiteral("PlaybackStatus"));
    m_playbackStatus->setTextFormat(Qt::PlainText);
    m_playbackStatus->setAlignment(Qt::AlignCenter);
    m_playbackStatus->setStyleSheet(QStringLiteral("color: %1; font-size: 8pt;")
                                            .arg(QLatin1String(ThemeColor::SecondaryText)));
    column->addWidget(m_playbackStatus);

    auto *transport = new QHBoxLayout;
    transport->setSpacing(6);
    m_shuffleButton =
            makeToolButton(this, QStringLiteral("shuffle"), 20,
                           uiText(QStringLiteral("Shuffle"), QStringLiteral("Embaralhar (S)")));
    m_shuffleButton->setCheckable(true);
    m_prevButton = makeToolButton(this, QStringLiteral("prev"), 20,
                                  uiText(QStringLiteral("Previous"), QStringLiteral("Anterior")));
    m_back10Button =
            makeToolButton(this, QStringLiteral("back10"), 22,
                           uiText(QStringLiteral("Back 10 s"), QStringLiteral("Voltar 10 s")));

    m_playButton = new QToolButton(this);
    m_playButton->setObjectName(QStringLiteral("PlayButton"));
    m_playButton->setFixedSize(44, 44);
    m_playButton->setIconSize(QSize(22, 22));
    m_playButton->setCursor(Qt::PointingHandCursor);
    const QString playTip = uiText(QStringLiteral("Play / pause (Space)"),
                                   QStringLiteral("Tocar / pausar (Espaço)"));
    m_playButton->setToolTip(playTip);
    m_playButton->setAccessibleName(playTip);

    m_fwd10Button =
            makeToolButton(this, QStringLiteral("fwd10"), 22,
                           uiText(QStringLiteral("Forward 10 s"), QStringLiteral("Avançar 10 s")));
    m_nextButton = makeToolButton(this, QStringLiteral("next"), 20,
                                  uiText(QStringLiteral("Next"), QStringLiteral("Próxima")));
    m_repeatButton = makeToolButton(this, QStringLiteral("repeat"), 20,
                                    uiText(QStringLiteral("Repeat"), QStringLiteral("Repetir")));
    m_repeatButton->setCheckable(true);

    transport->addStretch();
    for (QToolButton *button : {m_shuffleButton, m_prevButton, m_back10Button, m_playButton,
                                m_fwd10Button, m_nextButton, m_repeatButton})
        transport->addWidget(button);
    transport->addStretch();
    column->addLayout(transport);

    auto *timeRow = new QHBoxLayout;
    timeRow->setSpacing(8);
    m_elapsedLabel = new QLabel(QStringLiteral("0:00"), this);
    m_elapsedLabel->setObjectName(QStringLiteral("TimeLabel"));
    m_elapsedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_elapsedLabel->setMinimumWidth(52);
    m_seekBar = new SeekBar(this);
    m_totalLabel = new QLabel(QStringLiteral("0:00"), this);
    m_totalLabel->setObjectName(QStringLiteral("TimeLabel"));
    m_totalLabel->setMinimumWidth(52);
    m_totalLabel->setCursor(Qt::PointingHandCursor);
    m_totalLabel->setToolTip(uiText(QStringLiteral("Click to toggle remaining time"),
                                    QStringLiteral("Clique para alternar entre duração e tempo "
                                                   "restante")));
    m_totalLabel->installEventFilter(this);
    timeRow->addWidget(m_elapsedLabel);
    timeRow->addWidget(m_seekBar, 1);
    timeRow->addWidget(m_totalLabel);
    column->addLayout(timeRow);
    return column;
}

QLayout *ControlBar::buildRightRow()
{
    auto *row = new QHBoxLayout;
    row->setSpacing(2);

    m_speedButton = new QToolButton(this);
    m_speedButton->setObjectName(QStringLiteral("SpeedButton"));
    m_speedButton->setAutoRaise(true);
    m_speedButton->setCursor(Qt::PointingHandCursor);
    m_speedButton->setText(QStringLiteral("1x"));
    const QString speedTip = uiText(QStringLiteral("Speed"), QStringLiteral("Velocidade"));
    m_speedButton->setToolTip(speedTip);
    m_speedButton->setAccessibleName(speedTip);
    m_speedButton->setPopupMode(QToolButton::InstantPopup);

    m_subtitlesButton =
            makeToolButton(this, QStringLiteral("captions"), 20,
                           uiText(QStringLiteral("Subtitles"), QStringLiteral("Legendas")), true);
    m_audioButton = makeToolButton(this, QStringLiteral("audio"), 20,
                                   uiText(QStringLiteral("Audio"), QStringLiteral("Áudio")), true);
    m_eqButton = makeToolButton(this, QStringLiteral("eq"), 20,
                                uiText(QStringLiteral("Equalizer"), QStringLiteral("Equalizador")));
    m_queueButton = makeToolButton(
            this, QStringLiteral("queue"), 20,
            uiText(QStringLiteral("Play queue"), QStringLiteral("Fila de reprodução")));
    m_queueButton->setCheckable(true);
    m_muteButton = makeToolButton(this, QStringLiteral("volume"), 20,
                                  uiText(QStringLiteral("Mute (M)"), QStringLiteral("Mudo (M)")));

    m_volumeSlider = new QSlider(Qt::Horizontal, this);
    m_volumeSlider->setRange(0, 200);
    m_volumeSlider->setFixedWidth(96);
    m_volumeSlider->setToolTip(
            uiText(QStringLiteral("Volume (up to 200%)"), QStringLiteral("Volume (até 200%)")));
    m_volumeSlider->setAccessibleName(QStringLiteral("Volume"));

    m_moreButton = makeToolButton(
            this, QStringLiteral("more"), 20,
            uiText(QStringLiteral("More options"), QStringLiteral("Mais opções")), true);
    m_pipButton = makeToolButton(this, QStringLiteral("pip"), 20,
                                 uiText(QStringLiteral("Mini player / picture-in-picture"),
                                        QStringLiteral("Mini player / janela flutuante")));
    m_fullscreenButton = makeToolButton(
            this, QStringLiteral("fullscreen"), 20,
            uiText(QStringLiteral("Fullscreen (F)"), QStringLiteral("Tela cheia (F)")));

    for (QWidget *widget : std::initializer_list<QWidget *>{
                 m_speedButton, m_subtitlesButton, m_audioButton, m_eqButton, m_queueButton,
                 m_muteButton, m_volumeSlider, m_moreButton, m_pipButton, m_fullscreenButton})
        row->addWidget(widget);
    return row;
}

void ControlBar::forwardSignals()
{
    const QList<QPair<QToolButton *, void (ControlBar::*)()>> clicks = {
            {m_favoriteButton, &ControlBar::favoriteClicked},
            {m_shuffleButton, &ControlBar::shuffleClicked},
            {m_prevButton, &ControlBar::previousClicked},
            {m_back10Button, &ControlBar::back10Clicked},
            {m_playButton, &ControlBar::playClicked},
            {m_fwd10Button, &ControlBar::fwd10Clicked},
            {m_nextButton, &ControlBar::nextClicked},
            {m_repeatButton, &ControlBar::repeatClicked},
            {m_eqButton, &ControlBar::eqClicked},
            {m_fullscreenButton, &ControlBar::fullscreenClicked},
            {m_pipButton, &ControlBar::pipClicked},
    };
    for (const auto &[button, signal] : clicks)
        connect(button, &QToolButton::clicked, this, signal);
    connect(m_queueButton, &QToolButton::toggled, this, &ControlBar::queueToggled);
    connect(m_seekBar, &SeekBar::seekRequested, this, [this](double seconds, bool dragging) {
        if (!dragging)
            Q_EMIT seekChosen(seconds);
    });
    connect(m_seekBar, &SeekBar::hovered, this, &ControlBar::seekHovered);
    connect(m_seekBar, &SeekBar::hoverLeft, this, &ControlBar::seekHoverLeft);
}

void ControlBar::setButtonMenus(QMenu *speed, QMenu *subtitles, QMenu *audio, QMenu *more)
{
    m_speedButton->setMenu(speed);
    m_subtitlesButton->setMenu(subtitles);
    m_audioButton->setMenu(audio);
    m_moreButton->setMenu(more);
}

bool ControlBar::queueShown() const
{
    return m_queueButton->isChecked();
}

void ControlBar::setQueueShown(bool shown)
{
    m_queueButton->setChecked(shown);
}

void ControlBar::toggleQueue()
{
    m_queueButton->toggle();
}

void ControlBar::setNowPlaying(const QString &title, const QString &subtitle,
                               const QPixmap &picture, bool isVideo)
{
    // The style sheet sets the label fonts; measure with those, not the defaults.
    m_titleLabel->ensurePolished();
    m_subtitleLabel->ensurePolished();
    m_titleLabel->setText(
            QFontMetrics(m_titleLabel->font()).elidedText(title, Qt::ElideRight, TitleElidePx));
    m_titleLabel->setToolTip(title);
    m_subtitleLabel->setText(QFontMetrics(m_subtitleLabel->font())
                                     .elidedText(subtitle, Qt::ElideRight, TitleElidePx));
    m_subtitleLabel->setToolTip(subtitle);

    QPixmap cover;
    if (picture.isNull()) {
        cover = placeholderCover(CoverPx, isVideo);
    } else {
        cover = picture.scaled(CoverPx, CoverPx, Qt::KeepAspectRatioByExpanding,
                               Qt::SmoothTransformation);
        if (cover.width() > CoverPx || cover.height() > CoverPx)
            cover = cover.copy((cover.width() - CoverPx) / 2, (cover.height() - CoverPx) / 2,
                               CoverPx, CoverPx);
    }
    m_coverButton->setIcon(QIcon(roundedPixmap(cover, 8)));
}

void ControlBar::setFavoriteState(bool state, bool enabled)
{
    m_favoriteButton->setEnabled(enabled);
    m_favoriteButton->setChecked(state);
    m_favoriteButton->setIcon(
            tintedIcon(state ? QStringLiteral("heart-filled") : QStringLiteral("heart"),
                       themeColor(ThemeColor::IconTint), themeColor(ThemeColor::HeartActive)));
}

void ControlBar::setFullscreenState(bool on)
{
    const QString tip =
            on ? uiText(QStringLiteral("Exit fullscreen (Esc)"),
                        QStringLiteral("Sair da tela cheia (Esc)"))
               : uiText(QStringLiteral("Fullscreen (F)"), QStringLiteral("Tela cheia (F)"));
    m_fullscreenButton->setIcon(
            icon(on ? QStringLiteral("fullscreen-exit") : QStringLiteral("fullscreen")));
    m_fullscreenButton->setToolTip(tip);
    m_fullscreenButton->setAccessibleName(tip);
}

bool ControlBar::event(QEvent *event)
{
    if (event->type() == QEvent::DynamicPropertyChange &&
        static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == "overlay") {
        style()->unpolish(this);
        style()->polish(this);
        update();
    }
    return QWidget::event(event);
}

void ControlBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    m_nowBlock->setVisible(w > 980);
    m_eqButton->setVisible(w > 1000);
    m_pipButton->setVisible(w > 820);
    m_subtitlesButton->setVisible(w > 720);
    m_volumeSlider->setVisible(w > 700);
    m_audioButton->setVisible(w > 660);
    m_back10Button->setVisible(w > 640);
    m_fwd10Button->setVisible(w > 640);
    m_queueButton->setVisible(w > 580);
    m_prevButton->setVisible(w > 560);
    m_nextButton->setVisible(w > 560);
    m_shuffleButton->setVisible(w > 520);
    m_repeatButton->setVisible(w > 520);
    m_speedButton->setVisible(w > 460);
    m_fullscreenButton->setVisible(w > 380);
    const int timeMinPx = w < 550 ? 42 : 52;
    m_elapsedLabel->setMinimumWidth(timeMinPx);
    m_totalLabel->setMinimumWidth(timeMinPx);
}
