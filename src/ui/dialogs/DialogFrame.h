#pragma once

#include <QString>

class QDialog;
class QPushButton;
class QVBoxLayout;

// The frame the player's small adjustment dialogs share: title, dark title
// bar, the outer layout with margins 22/18/22/18, and at the bottom the reset
// button on the left and the primary Close on the right.
QVBoxLayout *setUpDialogFrame(QDialog *dialog, const QString &title, int minimumWidth = 0);

// Adds the bottom row to the layout; Close accepts the dialog. Returns the
// reset button for the caller to connect.
QPushButton *addDialogButtons(QDialog *dialog, QVBoxLayout *layout, const QString &resetText);
