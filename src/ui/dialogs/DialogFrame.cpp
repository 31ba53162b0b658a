#include "ui/dialogs/DialogFrame.h"

#include "platform/DarkTitleBar.h"
#include "ui/UiText.h"
#include "ui/WidgetBuilders.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

QVBoxLayout *setUpDialogFrame(QDialog *dialog, const QString &title, int minimumWidth)
{
    dialog->setWindowTitle(title);
    if (minimumWidth > 0)
        dialog->setMinimumWidth(minimumWidth);
    applyDarkTitleBar(dialog);
    auto *layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(22, 18, 22, 18);
    return layout;
}

QPushButton *addDialogButtons(QDialog *dialog, QVBoxLayout *layout, const QString &resetText)
{
    auto *row = new QHBoxLayout;
    QPushButton *reset = makeButton(resetText, QStringLiteral("refresh"));
    QPushButton *close = makeButton(tr2("Close", "Fechar"), QString(), true);
    reset->setAutoDefault(false);
    close->setAutoDefault(false);
    row->addWidget(reset);
    row->addStretch(1);
    row->addWidget(close);
    layout->addLayout(row);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    return reset;
}
