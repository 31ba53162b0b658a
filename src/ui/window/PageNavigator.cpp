#include "ui/window/PageNavigator.h"

#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/UiText.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int LogoPx = 40;
constexpr int NavIconPx = 19;
constexpr int HeaderGapPx = 18;
constexpr int PlayerGapPx = 10;

} // namespace

PageNavigator::PageNavigator(QStackedWidget *stack, QObject *parent)
    : QObject(parent)
    , m_stack(stack)
{
    m_sidebar = new QWidget;
    m_sidebar->setObjectName(QStringLiteral("Sidebar"));
    m_sidebar->setAttribute(Qt::WA_StyledBackground);
    m_sidebar->setFixedWidth(SidebarWidthPx);
    auto *layout = new QVBoxLayout(m_sidebar);
    layout->setContentsMargins(14, 18, 14, 14);
    layout->setSpacing(4);

    auto *header = new QHBoxLayout;
    header->setSpacing(10);
    auto *logo = new QLabel(m_sidebar);
    logo->setPixmap(appLogo(LogoPx));
    header->addWidget(logo);
    auto *brand = new QVBoxLayout;
    brand->setSpacing(0);
    auto *name = new QLabel(QStringLiteral("Zorvi Player"), m_sidebar);
    name->setObjectName(QStringLiteral("BrandName"));
    auto *maker = new QLabel(QStringLiteral("orvandel"), m_sidebar);
    maker->setObjectName(QStringLiteral("BrandSub"));
    brand->addWidget(name);
    brand->addWidget(maker);
    header->addLayout(brand);
    header->addStretch(1);
    layout->addLayout(header);
    layout->addSpacing(HeaderGapPx);

    // Three groups of buttons: the pages, the player, and the bottom one
    // below the status line.
    auto group = [layout] {
        auto *box = new QVBoxLayout;
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(layout->spacing());
        layout->addLayout(box);
        return box;
    };
    m_mainButtons = group();
    layout->addSpacing(PlayerGapPx);
    m_playerButtons = group();
    layout->addStretch(1);

    m_statusLabel = new QLabel(m_sidebar);
    m_statusLabel->setObjectName(QStringLiteral("Muted"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->hide();
    layout->addWidget(m_statusLabel);
    m_bottomButtons = group();

    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
}

void PageNavigator::addPage(const QString &id, const QString &label, const QString &iconName,
                            QWidget *page, Slot slot, std::function<void()> onShow)
{
    m_stack->addWidget(page);
    m_pages.insert(id, page);
    if (onShow)
        m_onShow.insert(id, std::move(onShow));
    addButton(id, label, iconName, slot);
}

void PageNavigator::addPage(const QString &id, const QString &label, const QString &iconName,
                            std::function<QWidget *()> make, Slot slot,
                            std::function<void()> onShow)
{
    m_makers.insert(id, std::move(make));
    if (onShow)
        m_onShow.insert(id, std::move(onShow));
    addButton(id, label, iconName, slot);
}

QWidget *PageNavigator::page(const QString &id)
{
    if (QWidget *made = m_pages.value(id))
        return made;
    const auto make = m_makers.take(id);
    if (!make)
        return nullptr;
    QWidget *page = make();
    m_stack->addWidget(page);
    m_pages.insert(id, page);
    return page;
}

void PageNavigator::addButton(const QString &id, const QString &label, const QString &iconName,
                              Slot slot)
{
    // A button reads "&" as a shortcut marker: "Radio & TV" must show it.
    const QString text = QStringLiteral("  ") + escapeAmpersands(label);
    auto *button = new QPushButton(text);
    button->setCheckable(true);
    button->setIcon(tintedIcon(iconName, themeColor(ThemeColor::SecondaryText),
                               themeColor(ThemeColor::Accent)));
    button->setProperty("navText", text);
    button->setAccessibleName(label);
    button->setToolTip(label);
    button->setIconSize(QSize(NavIconPx, NavIconPx));
    button->setCursor(Qt::PointingHandCursor);
    m_group->addButton(button);
    m_buttons.insert(id, button);
    connect(button, &QPushButton::clicked, this, [this, id] { Q_EMIT navigationRequested(id); });
    QVBoxLayout *box = slot == Slot::Main     ? m_mainButtons
                       : slot == Slot::Player ? m_playerButtons
                                              : m_bottomButtons;
    box->addWidget(button);
}

bool PageNavigator::show(const QString &id)
{
    QWidget *target = page(id);
    if (!target)
        return false;
    if (id != QLatin1String("player"))
        m_lastPage = id;
    m_stack->setCurrentWidget(target);
    if (QPushButton *button = m_buttons.value(id))
        button->setChecked(true);
    if (const auto onShow = m_onShow.value(id))
        onShow();
    return true;
}

QString PageNavigator::currentPage() const
{
    QWidget *current = m_stack->currentWidget();
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (it.value() == current)
            return it.key();
    }
    return {};
}

void PageNavigator::setButtonVisible(const QString &id, bool visible)
{
    if (QPushButton *button = m_buttons.value(id))
        button->setVisible(visible);
}

void PageNavigator::applyWidth(int windowWidthPx)
{
    const bool compact = windowWidthPx < CompactBelowPx;
    m_compact = compact;
    m_sidebar->setFixedWidth(compact ? CompactSidebarWidthPx : SidebarWidthPx);
    for (const char *name : {"BrandName", "BrandSub"}) {
        if (auto *label = m_sidebar->findChild<QLabel *>(QLatin1String(name)))
            label->setVisible(!compact);
    }
    for (QPushButton *button : std::as_const(m_buttons))
        button->setText(compact ? QString() : button->property("navText").toString());
    if (compact)
        m_statusLabel->hide();
}
