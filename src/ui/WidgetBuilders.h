#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Small builders the pages and the main window make their screens from. The
// results have no parent; the caller puts them in a layout.

// Push button with an optional tinted icon of 16 x 16 and a pointing-hand
// cursor; a primary button gets the accent gradient of the style sheet.
QPushButton *makeButton(const QString &text, const QString &iconName = QString(),
                        bool primary = false);

// Label whose look comes from the style sheet rule of its object name.
// The video is drawn into a native window, which covers every widget that
// has none; a widget that must show over the picture gets a native window of
// its own. Its ancestors stay as they are.
void keepAboveVideo(QWidget *widget);

QLabel *makeLabel(const QString &text, const QString &objectName);

// Centred block shown where a list has nothing yet: big glyph, title, text and
// an optional widget such as a button.
QWidget *makeEmptyState(const QString &iconName, const QString &title, const QString &text,
                        QWidget *extraWidget = nullptr);
