#include "ui/WidgetBuilders.h"

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
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
    // A wrapped label given an alignment only gets its size hint, a guess far
    // narrower than 460, and is then cut off. In a row between two stretches it
    // takes the width up to its maximum and stays centred.
    auto *textRow = new QHBoxLayout;
    textRow->setContentsMargins(0, 0, 0, 0);
    textRow->addStretch();
    textRow->addWidget(textLabel, 1);
    textRow->addStretch();
    layout->addLayout(textRow);

    if (extraWidget)
        layout->addWidget(extraWidget, 0, Qt::AlignHCenter);
    layout->addStretch();
    return block;
}

void keepAboveVideo(QWidget *widget)
{
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    widget->setAttribute(Qt::WA_NativeWindow);
}
