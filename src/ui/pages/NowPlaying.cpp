#include "ui/pages/NowPlaying.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The title's look in the full and the compact view.
QString titleStyle(bool compact)
{
    return (compact ? QStringLiteral("font-size: 11pt; font-weight: 700; color: %1;")
                    : QStringLiteral("font-size: 19pt; font-weight: 800; color: %1;"))
            .arg(QLatin1String(ThemeColor::White));
}

// A link that looks like plain text in the given colour.
QString linkHtml(const char *color, const QString &text)
{
    return QStringLiteral("<a style='color:%1;text-decoration:none' href='a'>%2</a>")
            .arg(QLatin1String(color), text.toHtmlEscaped());
}

} // namespace

NowPlaying::NowPlaying(PlayerCore *core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(48, 40, 48, 40);
    row->setSpacing(48);
    auto *column = new QVBoxLayout;
    column->setSpacing(10);
    column->addStretch(1);
    m_coverLabel = new QLabel(this);
    m_coverLabel->setAlignment(Qt::AlignCenter);
    m_coverLabel->setFixedSize(340, 340);
    column->addWidget(m_coverLabel, 0, Qt::AlignHCenter);
    m_kicker = new QLabel(this);
    m_kicker->setStyleSheet(
            QStringLiteral("color: %1; font-weight: 800; font-size: 8.5pt; letter-spacing: 2px;")
                    .arg(QLatin1String(ThemeColor::Accent)));
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

    connect(m_artistLabel, &QLabel::linkActivated, this, [this] { emit artistClicked(m_artist); });
    connect(m_albumLabel, &QLabel::linkActivated, this, [this] { emit albumClicked(m_album); });
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
    m_kicker->setText(
            isNetworkSource(path)
                    ? uiText(QStringLiteral("LIVE"), QStringLiteral("AO VIVO"))
                    : uiText(QStringLiteral("NOW PLAYING"), QStringLiteral("TOCANDO AGORA")));
    m_titleLabel->setText(title);
    m_artistLabel->setText(artist.isEmpty() ? QString() : linkHtml(ThemeColor::IconTint, artist));
    m_albumLabel->setText(album.isEmpty() ? QString() : linkHtml(ThemeColor::SecondaryText, album));
    applyCover();
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
    if (auto *row = qobject_cast<QHBoxLayout *>(layout())) {
        if (on)
            row->setContentsMargins(14, 10, 14, 110);
        else if (width() < 700)
            row->setContentsMargins(14, 10, 14, 10);
        else
            row->setContentsMargins(48, 40, 48, 40);
    }
    applyCover();
}

void NowPlaying::applyCover()
{
    const int size = m_compact ? 120 : std::clamp(width() - 80, 80, 340);
    QPixmap source = m_cover.isNull() ? placeholderCover(size, false) : m_cover;
    QPixmap scaled =
            source.scaled(size, size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    scaled = scaled.copy((scaled.width() - size) / 2, (scaled.height() - size) / 2, size, size);
    m_coverLabel->setPixmap(roundedPixmap(scaled, 18));
    m_coverLabel->setFixedSize(size, size);
}

void NowPlaying::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    setCompact(m_compact);
}

void NowPlaying::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, themeColor(ThemeColor::Base));
    gradient.setColorAt(1, themeColor(ThemeColor::Window));
    painter.fillRect(rect(), gradient);
}
