#include "ui/pages/HomePage.h"

#include "app/AppSettings.h"
#include "ui/Host.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/WidgetBuilders.h"
#include "ui/pages/PageContext.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

HomePage::HomePage(const PageContext &context, QWidget *parent)
    : QWidget(parent)
    , m_host(context.host)
    , m_database(context.database)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(22);

    m_banner = new QWidget(this);
    m_banner->setObjectName(QStringLiteral("Banner"));
    m_banner->setAttribute(Qt::WA_StyledBackground);
    auto *bannerRow = new QHBoxLayout(m_banner);
    bannerRow->setContentsMargins(16, 10, 10, 10);
    auto *sparkle = new QLabel(m_banner);
    sparkle->setPixmap(renderIcon(QStringLiteral("sparkles"), 22, themeColor(ThemeColor::Accent2)));
    bannerRow->addWidget(sparkle);
    m_bannerText = new QLabel(m_banner);
    m_bannerText->setWordWrap(true);
    bannerRow->addWidget(m_bannerText, 1);
    m_bannerButton = makeButton(QString(), QStringLiteral("download"), true);
    bannerRow->addWidget(m_bannerButton);
    auto *close = new QToolButton(m_banner);
    close->setIcon(icon(QStringLiteral("x")));
    bannerRow->addWidget(close);
    connect(close, &QToolButton::clicked, m_banner, &QWidget::hide);
    connect(m_bannerButton, &QPushButton::clicked, this, [this] { onBannerClicked(); });
    m_banner->hide();
    layout->addWidget(m_banner);

    auto *hero = new QWidget(this);
    hero->setObjectName(QStringLiteral("Hero"));
    hero->setAttribute(Qt::WA_StyledBackground);
    auto *heroRow = new QHBoxLayout(hero);
    heroRow->setContentsMargins(28, 24, 28, 24);
    heroRow->setSpacing(22);
    auto *logo = new QLabel(hero);
    logo->setPixmap(appLogo(92));
    heroRow->addWidget(logo, 0, Qt::AlignTop);
    auto *block = new QVBoxLayout;
    block->setSpacing(6);
    const int hour = QTime::currentTime().hour();
    const QString greeting =
            hour < 12   ? uiText(QStringLiteral("Good morning"), QStringLiteral("Bom dia"))
            : hour < 18 ? uiText(QStringLiteral("Good afternoon"), QStringLiteral("Boa tarde"))
                        : uiText(QStringLiteral("Good evening"), QStringLiteral("Boa noite"));
    QLabel *title =
            makeLabel(greeting + uiText(QStringLiteral("! What shall we watch or listen to?"),
                                        QStringLiteral("! O que vamos assistir ou ouvir?")),
                      QStringLiteral("PageTitle"));
    title->setWordWrap(true);
    block->addWidget(title);
    QLabel *hint = makeLabel(
            uiText(QStringLiteral("Open a video, a song, a whole folder or a link. You can also "
                                  "drag files into this window."),
                   QStringLiteral("Abra um vídeo, uma música, uma pasta inteira ou um link. Você "
                                  "também pode arrastar arquivos para esta janela.")),
            QStringLiteral("Muted"));
    hint->setWordWrap(true);
    block->addWidget(hint);
    block->addSpacing(6);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    QPushButton *openFile =
            makeButton(uiText(QStringLiteral("Open file"), QStringLiteral("Abrir arquivo")),
                       QStringLiteral("file"), true);
    QPushButton *openFolder =
            makeButton(uiText(QStringLiteral("Open folder"), QStringLiteral("Abrir pasta")),
                       QStringLiteral("folder"), false);
    QPushButton *openLink =
            makeButton(uiText(QStringLiteral("Open link"), QStringLiteral("Abrir link")),
                       QStringLiteral("link"), false);
    connect(openFile, &QPushButton::clicked, this, [this] { m_host->openFiles(); });
    connect(openFolder, &QPushButton::clicked, this, [this] { m_host->openFolder(); });
    connect(openLink, &QPushButton::clicked, this, [this] { m_host->openLink(); });
    buttons->addWidget(openFile);
    buttons->addWidget(openFolder);
    buttons->addWidget(openLink);
    buttons->addStretch(1);
    block->addLayout(buttons);
    heroRow->addLayout(block, 1);
    layout->addWidget(hero);
    layout->addStretch(1);

    refresh();
}

void HomePage::refresh()
{
    // The card rows (continue watching, recently played, recently added) are
    // not part of this page yet; the hero alone needs no rebuilding.
}

void HomePage::showUpdateAvailable(const QString &version, const QString &notes,
                                   const QString &link)
{
    m_bannerText->setText(QStringLiteral("<b>%1 %2</b><br><span style='color:%3'>%4</span>")
                                  .arg(uiText(QStringLiteral("New version available:"),
                                              QStringLiteral("Nova versão disponível:")),
                                       version.toHtmlEscaped(),
                                       QLatin1String(ThemeColor::SecondaryText),
                                       notes.toHtmlEscaped()));
    m_bannerLink = link;
    m_bannerButton->setText(
            uiText(QStringLiteral("Download update"), QStringLiteral("Baixar atualização")));
    m_bannerButton->show();
    m_installMode = false;
    m_retryMode = false;
    m_banner->show();
}

void HomePage::showUpdateNotice(const QString &text, bool installable)
{
    m_bannerText->setText(text.toHtmlEscaped());
    m_bannerButton->setText(
            uiText(QStringLiteral("Install and reopen"), QStringLiteral("Instalar e reabrir")));
    m_bannerButton->setVisible(installable);
    m_installMode = installable;
    m_retryMode = false;
    m_banner->show();
}

void HomePage::showUpdateError(const QString &text)
{
    m_bannerText->setText(text.toHtmlEscaped());
    m_bannerButton->setText(uiText(QStringLiteral("Retry"), QStringLiteral("Tentar novamente")));
    m_bannerButton->show();
    m_retryMode = true;
    m_installMode = false;
    m_banner->show();
}

void HomePage::onBannerClicked()
{
    if (m_retryMode)
        emit retryUpdateRequested();
    else if (m_installMode)
        emit installUpdateRequested();
    else if (!m_bannerLink.isEmpty())
        QDesktopServices::openUrl(QUrl(m_bannerLink));
}
