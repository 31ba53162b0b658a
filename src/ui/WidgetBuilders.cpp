#include "ui/WidgetBuilders.h"

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPushButton *makeButton(const QString &text, const QString &iconName, bool primary)
{
    auto *button = new QPushButton(text);
    if (!iconName.isEmpty()) {
        const QColor normal(QLatin1String(primary ? ThemeColor::Window : ThemeColor::IconTint));
        button->setIcon(tintedIcon(iconName, normal, QColor(QLatin1String(ThemeColor::Accent))));
    }
    button->setIconSize(QSize(16, 16));
    button->setCursor(Qt::PointingHandCursor);
    if (primary)
        button->setProperty("primary", true);
    return button;
}

QLabel *makeLabel(const QString &text, const QString &objectName)
{
    auto *label = new QLabel(text);
    label->setObjectName(objectName);
    return label;
}

QWidget *makeEmptyState(const QString &iconName, const QString &title, const QString &text,
                        QWidget *extraWidget)
{
    auto *block = new QWidget;
    auto *layout = new QVBoxLayout(block);
    layout->setSpacing(10);
    layout->addStretch();

    auto *glyph = new QLabel;
    glyph->setPixmap(renderIcon(iconName, 56, QColor(QLatin1String(ThemeColor::Accent))));
    glyph->setAlignment(Qt::AlignCenter);
    layout->addWidget(glyph, 0, Qt::AlignHCenter);

    QLabel *titleLabel = makeLabel(title, QStringLiteral("SectionTitle"));
    titleLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(titleLabel);

    QLabel *textLabel = makeLabel(text, QStringLiteral("Muted"));
    textLabel->setAlignment(Qt::AlignCenter);
    textLabel->setWordWrap(true);
    textLabel->setMaximumWidth(460);
    // Added without an alignment: an aligned item gets only its size hint, and
    // a wrapped label would then be cut off instead of taking more lines. The
    // layout centres it anyway once the maximum width is reached.
    layout->addWidget(textLabel);

    if (extraWidget)
        layout->addWidget(extraWidget, 0, Qt::AlignHCenter);
    layout->addStretch();
    return block;
}
