#include "ui/pages/NowPlaying.h"

#include "app/AppSettings.h"
#include "engine/MediaPaths.h"
#include "engine/PlayerCore.h"
#include "library/MediaFiles.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/pages/LyricsDelegate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

namespace {

// How far ahead of its time a line lights up, in seconds.
constexpr double LeadSeconds = 0.15;
// How far a report may lag behind the estimate and still count as the same
// playback (a larger difference is a seek).
constexpr double ReportJitterSeconds = 0.05;
// Lines further away wait for the next report.
constexpr double LookAheadSeconds = 2;
constexpr char LineColor[] = "#8796ab";
constexpr int TimeRole = Qt::UserRole;

// The title's look in the full and the compact view.
QString titleStyle(bool compact)
{
    return (compact ? QStringLiteral("font-size: 11pt; font-weight: 700; color: %1;")
                    : QStringLiteral("font-size: 19pt; font-weight: 800; color: %1;"))
            .arg(QLatin1String(ThemeColor::White));
}

QString kickerStyle()
{
    return QStringLiteral("color: %1; font-weight: 800; font-size: 8.5pt; letter-spacing: 2px;")
            .arg(QLatin1String(ThemeColor::Accent));
}

// A link that looks like plain text in the given colour.
QString linkHtml(const char *color, const QString &text)
{
    return QStringLiteral("<a style='color:%1;text-decoration:none' href='a'>%2</a>")
            .arg(QLatin1String(color), text.toHtmlEscaped());
}

// The picture scaled to cover a square and cut to it, centred.
QPixmap squareCut(const QPixmap &source, int sizePx)
{
    const QPixmap scaled =
            source.scaled(sizePx, sizePx, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - sizePx) / 2, (scaled.height() - sizePx) / 2, sizePx,
                       sizePx);
}

} // namespace

NowPlaying::NowPlaying(PlayerCore *core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
{
    m_lyricsPool.setMaxThreadCount(1);
    m_nextLineTimer.setSingleShot(true);
    m_nextLineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_nextLineTimer, &QTimer::timeout, this, [this] {
        if (playing())
            highlight(estimatedPosition());
    });

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(48, 40, 48, 40);
    row->setSpacing(48);
    auto *column = new QVBoxLayout;
    column->setSpacing(10);
    column->addStretch(1);
    m_coverLabel = new QLabel(this);
    m_coverLabel->setObjectName(QStringLiteral("coverLabel"));
    m_coverLabel->setAlignment(Qt::AlignCenter);
    m_coverLabel->setFixedSize(340, 340);
    column->addWidget(m_coverLabel, 0, Qt::AlignHCenter);
    m_kicker = new QLabel(this);
    m_kicker->setStyleSheet(kickerStyle());
    column->addWidget(m_kicker);
    m_titleLabel = new QLabel(this);
    m_titleLabel->setWordWrap(true);
    m_titleLabel->setStyleSheet(titleStyle(false));
    column->addWidget(m_titleLabel);
    m_artistLabel = new QLabel(this);
    m_artistLabel->setStyleSheet(
            QStringLiteral("font-size: 12pt; color: %1;").arg(QLatin1String(ThemeColor::IconTint)));
    m_artistLabel->setCursor(Qt::PointingHandCursor);
    column->addWidget(m_artistLabel);
    m_albumLabel = new QLabel(this);
    m_albumLabel->setStyleSheet(QStringLiteral("font-size: 10pt; color: %1;")
                                        .arg(QLatin1String(ThemeColor::SecondaryText)));
    m_albumLabel->setCursor(Qt::PointingHandCursor);
    column->addWidget(m_albumLabel);
    column->addStretch(1);
    row->addLayout(column, 1);

    m_lyricsPanel = new QWidget(this);
    m_lyricsPanel->setObjectName(QStringLiteral("lyricsPanel"));
    m_lyricsPanel->setMinimumWidth(380);
    auto *panel = new QVBoxLayout(m_lyricsPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(10);
    auto *lyricsKicker =
            new QLabel(uiText(QStringLiteral("LYRICS"), QStringLiteral("LETRA")), m_lyricsPanel);
    lyricsKicker->setStyleSheet(kickerStyle());
    panel->addWidget(lyricsKicker);
    m_lyricsList = new QListWidget(m_lyricsPanel);
    m_lyricsList->setObjectName(QStringLiteral("lyricsList"));
    m_lyricsList->setStyleSheet(QStringLiteral(
            "QListWidget { background: rgba(7,17,31,0.45); border: 1px solid #22344c; "
            "border-radius: 16px; padding: 14px; }"
            "QListWidget::item { padding: 6px; color: #8796ab; font-size: 13pt; }"
            "QListWidget::item:hover { background: transparent; }"));
    m_lyricsList->setWordWrap(true);
    m_lyricsList->setSelectionMode(QAbstractItemView::NoSelection);
    m_lyricsList->setFocusPolicy(Qt::NoFocus);
    m_lyricsList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lyricsList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_lyricsList->setResizeMode(QListView::Adjust);
    // Long lyrics are laid out a slice at a time, so the window never waits on them.
    m_lyricsList->setLayoutMode(QListView::Batched);
    m_lyricsList->setBatchSize(200);
    m_delegate = new LyricsDelegate(m_lyricsList);
    m_lyricsList->setItemDelegate(m_delegate);
    panel->addWidget(m_lyricsList, 1);
    m_lyricsPanel->hide();
    row->addWidget(m_lyricsPanel, 1);

    connect(m_artistLabel, &QLabel::linkActivated, this, [this] { emit artistClicked(m_artist); });
    connect(m_albumLabel, &QLabel::linkActivated, this, [this] { emit albumClicked(m_album); });
    connect(m_lyricsList, &QListWidget::itemClicked, this, &NowPlaying::seekToRow);
    if (m_core)
        connect(m_core, &PlayerCore::positionChanged, this, &NowPlaying::updatePosition);
}

NowPlaying::~NowPlaying()
{
    // A load still running must not report to a page that is gone.
    ++m_loadSerial;
    m_lyricsPool.clear();
    m_lyricsPool.waitForDone();
}

QString NowPlaying::title() const
{
    return m_titleLabel->text();
}

void NowPlaying::setTrack(const QString &path, const QString &title, const QString &artist,
                          const QString &album, const QPixmap &cover)
{
    m_path = path;
    m_artist = artist;
    m_album = album;
    m_cover = cover;
    m_background = cover.isNull() ? QPixmap() : squareCut(cover, 48);
    m_coverSizePx = 0;
    const bool stream = isNetworkSource(path);
    m_kicker->setText(
            stream ? uiText(QStringLiteral("LIVE"), QStringLiteral("AO VIVO"))
                   : uiText(QStringLiteral("NOW PLAYING"), QStringLiteral("TOCANDO AGORA")));
    m_titleLabel->setText(title);
    m_artistLabel->setText(artist.isEmpty() ? QString() : linkHtml(ThemeColor::IconTint, artist));
    m_albumLabel->setText(album.isEmpty() ? QString() : linkHtml(ThemeColor::SecondaryText, album));

    if (stream || isVideoFile(path)) {
        m_lyricsPath.clear();
        ++m_loadSerial;
        clearLyrics();
    } else if (path != m_lyricsPath) {
        m_lyricsPath = path;
        clearLyrics();
        loadLyrics(path);
    }
    relayout();
    update();
}

void NowPlaying::setCompact(bool on)
{
    m_compact = on;
    m_coverLabel->setVisible(!on);
    m_artistLabel->setVisible(!on);
    m_albumLabel->setVisible(!on);
    m_kicker->setVisible(!on);
    m_titleLabel->setStyleSheet(titleStyle(on));
    relayout();
}

void NowPlaying::relayout()
{
    applyCover(m_compact ? 120 : std::clamp(width() - 80, 80, 340));
    if (auto *row = qobject_cast<QHBoxLayout *>(layout())) {
        if (m_compact)
            row->setContentsMargins(14, 10, 14, 110);
        else if (width() < 700)
            row->setContentsMargins(14, 10, 14, 10);
        else
            row->setContentsMargins(48, 40, 48, 40);
    }
    m_lyricsPanel->setVisible(!m_compact && width() >= 900 && !m_lines.isEmpty());
}

void NowPlaying::applyCover(int sizePx)
{
    if (sizePx == m_coverSizePx)
        return;
    m_coverSizePx = sizePx;
    const QPixmap source = m_cover.isNull() ? placeholderCover(sizePx, false) : m_cover;
    m_coverLabel->setPixmap(roundedPixmap(squareCut(source, sizePx), 18));
    m_coverLabel->setFixedSize(sizePx, sizePx);
}

void NowPlaying::clearLyrics()
{
    m_lines.clear();
    m_current = -1;
    m_lyricsList->clear();
    m_lyricsPanel->hide();
}

void NowPlaying::loadLyrics(const QString &path)
{
    const quint64 serial = ++m_loadSerial;
    QtConcurrent::run(&m_lyricsPool, [path] {
        return Lyrics::load(path);
    }).then(this, [this, serial](const QList<LyricLine> &lines) {
        if (serial == m_loadSerial)
            showLyrics(lines);
    });
}

void NowPlaying::showLyrics(const QList<LyricLine> &lines)
{
    m_lines = lines;
    m_current = -1;
    m_lyricsList->clear();
    fillRows(m_loadSerial);
    relayout();
    highlight(estimatedPosition());
}

void NowPlaying::fillRows(quint64 serial)
{
    // Thousands of rows at once would hold the window up: a slice per turn
    // of the event loop.
    constexpr int SliceRows = 500;
    if (serial != m_loadSerial)
        return;
    const int first = m_lyricsList->count();
    const int end = std::min<int>(first + SliceRows, int(m_lines.size()));
    const QString note = QStringLiteral("♪");
    for (int row = first; row < end; ++row) {
        const LyricLine &line = m_lines.at(row);
        auto *item = new QListWidgetItem(line.text.isEmpty() ? note : line.text);
        item->setTextAlignment(Qt::AlignCenter);
        item->setData(TimeRole, line.time);
        m_lyricsList->addItem(item);
    }
    if (m_current >= first && m_current < end)
        styleRow(m_current, true);
    if (end < m_lines.size())
        QTimer::singleShot(0, this, [this, serial] { fillRows(serial); });
}

void NowPlaying::updatePosition(double seconds)
{
    // A report a little behind the estimate is the same playback seen a
    // moment late: keep the estimate, so the lit line never steps back.
    const double estimate = estimatedPosition();
    const bool continuing = playing() && m_sinceReport.isValid();
    // Only a position that moved since the last report is trusted to go on
    // moving: after a start or a seek the engine may hold still a moment.
    m_advancing = continuing && seconds > m_reportedSeconds && seconds - m_reportedSeconds < 1;
    m_reportedSeconds = seconds;
    m_sinceReport.start();
    if (continuing && estimate > seconds && estimate - seconds < ReportJitterSeconds)
        seconds = estimate;
    highlight(seconds);
}

bool NowPlaying::playing() const
{
    return m_core && !m_core->isIdle() && !m_core->isPaused();
}

double NowPlaying::estimatedPosition() const
{
    if (!playing() || !m_advancing)
        return m_core ? m_core->position() : 0;
    const double elapsed = double(m_sinceReport.nsecsElapsed()) / 1e9;
    return m_reportedSeconds + std::min(elapsed, LookAheadSeconds) * m_core->speed();
}

void NowPlaying::highlight(double seconds)
{
    m_nextLineTimer.stop();
    if (m_lines.isEmpty() || !isVisible() || m_lines.back().time < 0)
        return;
    // The last line not later than the position plus the lead. Timed lines
    // are sorted and untimed ones (-1) come first, so a binary search finds it.
    int index = -1;
    if (!std::isnan(seconds)) {
        const double limit = seconds + LeadSeconds;
        const auto after = std::upper_bound(
                m_lines.cbegin(), m_lines.cend(), limit,
                [](double value, const LyricLine &line) { return value < line.time; });
        index = int(after - m_lines.cbegin()) - 1;
        if (index >= 0 && m_lines.at(index).time < 0)
            index = -1;
        // Wake up when the next line is due, if that comes before long.
        if (after != m_lines.cend() && playing() && m_advancing && m_core->speed() > 0) {
            const double wait = (after->time - LeadSeconds - seconds) / m_core->speed();
            if (wait >= 0 && wait < LookAheadSeconds)
                m_nextLineTimer.start(int(std::ceil(wait * 1000)));
        }
    }
    setCurrentLine(index);
}

void NowPlaying::setCurrentLine(int index)
{
    if (index == m_current)
        return;
    styleRow(m_current, false);
    m_current = index;
    styleRow(m_current, true);
}

void NowPlaying::styleRow(int row, bool lit)
{
    QListWidgetItem *item = m_lyricsList->item(row);
    if (!item)
        return;
    item->setForeground(QColor(QLatin1String(lit ? ThemeColor::White : LineColor)));
    item->setFont(lit ? m_delegate->boldFont() : m_delegate->normalFont());
    if (lit)
        m_lyricsList->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void NowPlaying::seekToRow(QListWidgetItem *item)
{
    bool ok = false;
    const double time = item ? item->data(TimeRole).toDouble(&ok) : -1;
    if (ok && time >= 0 && std::isfinite(time) && m_core)
        m_core->seekAbsolute(time);
}

void NowPlaying::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void NowPlaying::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    highlight(estimatedPosition());
}

void NowPlaying::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, themeColor(ThemeColor::Base));
    gradient.setColorAt(1, themeColor(ThemeColor::Window));
    painter.fillRect(rect(), gradient);
    if (m_background.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(0.22);
    painter.drawPixmap(rect(), m_background);
    painter.setOpacity(1);
    QLinearGradient veil(0, 0, 0, height());
    veil.setColorAt(0, QColor(7, 17, 31, 120));
    veil.setColorAt(1, QColor(7, 17, 31, 235));
    painter.fillRect(rect(), veil);
}
